#include "ui/RemoteConnection.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <utility>

#include "modem/TModem.h"
#include "modem/Tserial.h"
#include "ui/MainController.h"
#include "lang/Texts.h"

namespace varnex {

// The modem dialogue into the page's memo. An entry that carries its own line
// end keeps it as an empty line after it; carriage returns, which would only
// add more empty lines (or show as boxes), are dropped.
class ModemPage::AtLog : public QObject, public ModemLogSink {
public:
    explicit AtLog(QPlainTextEdit* memo) : QObject(memo), memo(memo) {}
    void AppendLine(const std::wstring& entry) override {
        // The connection's own lines in the window's language; the modem's as they came.
        QString text = entry == L"----Connection error----"             ? Text("txtLogConnectionError")
                       : entry == L"----Hanging up: no usable call----" ? Text("txtLogHangingUp")
                                                                        : QString::fromStdWString(entry);
        text.remove(QLatin1Char('\r'));
        memo->appendPlainText(text);
    }

private:
    QPlainTextEdit* memo;
};

// The box a dropped call shows; the page learns of the drop from it. The
// connection's texts are its own English words; the box says them in the
// window's language.
class ModemPage::Messages : public QObject, public ModemMessageSink {
public:
    Messages(QWidget* window, ModemPage* page) : QObject(window), window(window), page(page) {}
    void ShowMessage(const std::wstring& text, const std::wstring& caption) override {
        if (!page) return;  // the page is gone with the window
        page->CallDropped();
        QMessageBox box(QMessageBox::Information, Shown(caption), Shown(text), QMessageBox::Ok, window);
        box.setTextFormat(Qt::PlainText);
        if (page && page->execMessageBox) page->execMessageBox(box);
    }

    QWidget* window;
    ModemPage* page;

private:
    static QString Shown(const std::wstring& text) {
        if (text == L"Disconnected") return Text("txtDisconnected");
        if (text == L"Modem") return Text("txtModem");
        return QString::fromStdWString(text);
    }
};

// The dialogue's time source for one dial. A Disconnect in the middle of the
// dial cancels it: every wait still to come has passed at once, so the dial
// gives up within a wait instead of sitting through a minute of them.
class ModemPage::DialClock : public ModemClock {
public:
    explicit DialClock(ModemClock* injected) : injected(injected), base(injected ? *injected : SteadyModemClock()) {}

    void Cancel() { cancelled = true; }
    void Resume() { cancelled = false; }

    TimePoint Now() override { return base.Now() + Skipped(); }

    void Pause(std::chrono::milliseconds length) override {
        if (cancelled) Skip(length);
        else base.Pause(length);
    }

    void WaitForInput(Tserial& port, TimePoint until, const std::function<void()>& keepAlive) override {
        if (injected) {
            // A clock of the caller's keeps its own waits; the cancel takes
            // effect from the next one.
            if (!cancelled) injected->WaitForInput(port, until - Skipped(), keepAlive);
        } else {
            for (;;) {
                if (keepAlive) keepAlive();  // a Disconnect click runs in here
                const auto now = Now();
                if (cancelled || now >= until) break;
                const auto slice = std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(1), until - now);
                if (port.WaitForBytes(std::chrono::duration_cast<std::chrono::microseconds>(slice) +
                                      std::chrono::microseconds(1)))
                    return;
            }
        }
        if (cancelled && until > Now()) Skip(until - Now());
    }

private:
    std::chrono::nanoseconds Skipped() const { return std::chrono::nanoseconds(skipped.load()); }
    void Skip(std::chrono::steady_clock::duration length) {
        skipped += std::chrono::duration_cast<std::chrono::nanoseconds>(length).count();
    }

    ModemClock* injected;
    ModemClock& base;
    // The reader thread's own hang-up pauses on this clock too.
    std::atomic<bool> cancelled{false};
    std::atomic<std::int64_t> skipped{0};
};

namespace {

constexpr int kLoginAttempts = 5;

}  // namespace

ModemPage::ModemPage(MainController& controller)
    : controller(controller),
      atLog(new AtLog(controller.window.edATLogWin)),
      messages(new Messages(&controller.window, this)) {
    execMessageBox = [](QMessageBox& box) { box.exec(); };
    auto& h = controller.window.handlers;
    h.btCSDConnectClick = [this] { btCSDConnectClick(); };
    h.btCSDDisconnectClick = [this] { btCSDDisconnectClick(); };
    UpdateButtons();
}

ModemPage::~ModemPage() {
    auto& h = controller.window.handlers;
    h.btCSDConnectClick = nullptr;
    h.btCSDDisconnectClick = nullptr;
    messages->page = nullptr;
    // Normally the window's close has hung up already; a call still up goes
    // down here, so the modem is not left off-hook.
    if (modem && !modem->IsBusy()) {
        if (modemReplyListener) modem->receiveListeners.Remove(modemReplyListener.get());
        if (controller.protocol.CommandChannel() == modem.get())
            controller.protocol.SetCommandChannel(controller.usbCommandSlot.get());
        if (modem->IsOpen()) modem->Close();
        modem.reset();
    }
    controller.modemConnection = nullptr;
}

void ModemPage::UpdateButtons() {
    auto& w = controller.window;
    w.btCSDConnect->setEnabled(phase == Phase::Idle);
    const bool callToEnd = phase == Phase::Dialling || phase == Phase::LoggingIn || phase == Phase::Connected;
    w.btCSDDisconnect->setEnabled(callToEnd && !hangUpRequested);
}

void ModemPage::btCSDConnectClick() {
    // One call at a time: a Connect while one is set up, up or going down
    // would pull the connection from under the code that is using it.
    if (phase != Phase::Idle) {
        if (phase == Phase::Connected) controller.ShowOutcome(Text("txtAlreadyConnected"));
        return;
    }
    if (controller.windowCall.Closing()) return;
    auto& w = controller.window;
    const QString number = w.edCSDPhnr->text();
    const QString portName = w.cbModemPortSel->currentText();
    // A bare ATD makes some modems go off-hook with nothing to dial.
    if (number.trimmed().isEmpty()) {
        controller.ShowOutcome(Text("txtTypePhoneNumber"));
        w.edCSDPhnr->setFocus();
        return;
    }

    modem.reset();
    dialClock = std::make_unique<DialClock>(clock);
    modem = std::make_unique<TModem>(*atLog, &controller.eventPump, messages, &controller.windowCall, dialClock.get());
    controller.modemConnection = modem.get();
    phase = Phase::Dialling;
    hangUpRequested = false;
    callDropped = false;
    portInUse = portName;
    usbUpAtConnect = controller.usbConnection && controller.usbConnection->IsConnected();
    usbDetachesAtConnect = controller.usbDetaches;
    loginOverCall = false;
    UpdateButtons();
    controller.ShowOutcome(Text("txtDialling").arg(number, portName));

    const bool up = modem->Dial(portName.toStdString(), number.toStdWString()) != nullptr;
    if (hangUpRequested) {
        // Whatever the cut-short dial got the modem into, it is hung up.
        dialClock->Resume();
        HangUp(Text("txtDiallingCancelled"));
        return;
    }
    if (!up) {
        Finish(portName.isEmpty() ? Text("txtNoSerialPort") : Text("txtNoCall"));
        return;
    }

    // From here on the commands reach another module.
    controller.transfer.record.Drop();
    controller.protocol.SetCommandChannel(modem.get());
    modemReplyListener = std::make_unique<ResponseConnection>(&controller.protocol, &CommandProtocol::OnCommandText);
    modem->receiveListeners.Add(modemReplyListener.get());
    phase = Phase::LoggingIn;
    loginOverCall = true;
    UpdateButtons();
    controller.ShowOutcome(Text("txtCallLoggingIn"));

    // Further attempts are pointless once the user has asked to hang up, the
    // call has dropped or the window is closing.
    const auto stop = [this] { return hangUpRequested || callDropped || controller.windowCall.Closing(); };
    bool success = false;
    {
        // These logins go over the call: a link-state refresh nested in them
        // must not start a series of its own on the same command channel.
        const bool outer = std::exchange(controller.loginSeries, true);
        struct Restore {
            bool& flag;
            bool value;
            ~Restore() { flag = value; }
        } restore{controller.loginSeries, outer};
        for (int attempt = 0; attempt < kLoginAttempts && !success && !stop(); ++attempt)
            success = controller.Login() == 1;
    }
    if (success && !stop()) {
        w.btnRead->setEnabled(true);
        w.btnWrite->setEnabled(true);
        phase = Phase::Connected;
        UpdateButtons();
        controller.ShowOutcome(Text("txtConnectedTo").arg(number));
        return;
    }
    HangUp(hangUpRequested ? Text("txtHungUp")
           : callDropped   ? Text("txtCallDroppedAtLogin")
                           : Text("txtLoginFailedHungUp"));
}

void ModemPage::btCSDDisconnectClick() {
    switch (phase) {
    case Phase::Dialling:
    case Phase::LoggingIn:
        // The dial or login on the stack below uses the connection; it hangs
        // up itself as soon as it is back.
        if (hangUpRequested) return;
        hangUpRequested = true;
        if (phase == Phase::Dialling) dialClock->Cancel();
        UpdateButtons();
        controller.ShowOutcome(Text("txtHangingUp"));
        return;
    case Phase::HangingUp:
        return;
    case Phase::Idle:
        return;
    case Phase::Connected:
        HangUp(Text("txtHungUp"));
        return;
    }
}

void ModemPage::HangUp(const QString& outcome) {
    phase = Phase::HangingUp;
    UpdateButtons();
    // The link is going: nothing is to count it as up from here on.
    controller.modemConnection = nullptr;
    auto& w = controller.window;
    w.btnRead->setEnabled(false);
    w.btnWrite->setEnabled(false);
    if (modemReplyListener) {
        // Waits for a delivery in progress: the list is locked while walked.
        modem->receiveListeners.Remove(modemReplyListener.get());
        modemReplyListener.reset();
    }
    // Back to USB first, so a command that runs while the modem hangs up
    // goes to a link that can answer it. The window's close may have taken
    // the USB channel already.
    if (controller.protocol.CommandChannel() == modem.get())
        controller.protocol.SetCommandChannel(controller.usbCommandSlot.get());
    // What was known was of the module at the other end of the call.
    controller.transfer.record.Drop();
    controller.ShowOutcome(Text("txtHangingUp"));
    modem->Close();
    Finish(outcome, true);
}

void ModemPage::Finish(const QString& outcome, bool callWasUp) {
    modem.reset();
    dialClock.reset();
    controller.modemConnection = nullptr;
    phase = Phase::Idle;
    hangUpRequested = false;
    UpdateButtons();
    if (controller.windowCall.Closing()) return;
    controller.ShowOutcome(outcome);
    if (!callWasUp) return;
    // A login over the call was not one for a USB module that came up (or
    // came back) meanwhile: that one still needs its own. A USB module that
    // logged in while the dial ran keeps its login.
    if ((loginOverCall && !usbUpAtConnect) || controller.usbDetaches != usbDetachesAtConnect)
        controller.loggedIn = false;
    controller.UpdateLinkState("Detached");
    // The port the call held is free again: list it, still selected.
    controller.RefreshSerialPortList();
    const int index = controller.window.cbModemPortSel->findText(portInUse);
    if (index >= 0) controller.window.cbModemPortSel->setCurrentIndex(index);
}

void ModemPage::CallDropped() {
    callDropped = true;
    if (phase == Phase::Connected)
        controller.ShowOutcome(Text("txtCallDropped"));
    // Read and Write follow at once: nothing can reach the module now.
    controller.UpdateLinkState("CallDropped");
}

}  // namespace varnex
