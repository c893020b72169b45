#include "ui/Batch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <csignal>
#include <exception>
#include <atomic>

#include "link/CommandProtocol.h"
#include "ui/MainController.h"
#include <QComboBox>
#include <QPlainTextEdit>

#include "ui/ErrorDisplay.h"
#include "ui/PwdForm.h"
#include "ui/RemoteConnection.h"

namespace varnex {

namespace {

// SIGINT or SIGTERM, once one came; the transfer it stops.
std::atomic<int> signalled{0};
std::atomic<ConfigurationTransfer*> interruptible{nullptr};

extern "C" void OnStopSignal(int number) {
    signalled = number;
    // Stops the read or write after the exchange in flight.
    if (ConfigurationTransfer* transfer = interruptible.load()) transfer->Cancel();
}

// SIGINT and SIGTERM stop the run cleanly while it lasts; the previous
// handlers come back after it.
class StopSignals {
public:
    explicit StopSignals(ConfigurationTransfer& transfer) {
        signalled = 0;
        interruptible = &transfer;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInt);
        sigaction(SIGTERM, &action, &previousTerm);
    }
    ~StopSignals() {
        sigaction(SIGINT, &previousInt, nullptr);
        sigaction(SIGTERM, &previousTerm, nullptr);
        interruptible = nullptr;
    }

private:
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
};

bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms || signalled) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

std::string Text(const QString& s) { return s.toStdString(); }

}  // namespace

int RunBatch(MainController& controller, const BatchOptions& options, std::ostream& out, std::ostream& err,
             int moduleWaitMs) {
    controller.execPasswordWindow = [&options](QDialog& dialog) {
        auto& form = static_cast<TPwdForm&>(dialog);
        form.ppassword->setText(options.password);
        form.btPasswAction->click();
    };
    controller.execUsbConnectWindow = [](QDialog&) {};
    // Nobody is there to pick a file or close a box: what would be shown
    // goes to standard error, and an error fails the run.
    controller.chooseOpenFile = [] { return QString(); };
    controller.chooseSaveFile = [] { return QString(); };
    if (controller.modemPage)
        controller.modemPage->execMessageBox = [&err](QMessageBox& box) {
            err << "varnex: " << Text(box.windowTitle().toLower()) << ": " << Text(box.text()) << '\n';
        };
    QStringList errorsShown;
    // Neither hook may outlive the run: the streams are the caller's. Scripts
    // read standard error: its sentences are English, whatever a window speaks.
    struct DisplayScope {
        MainController& c;
        ErrorDisplay previous;
        TextSource previousTexts = SetTextSource(nullptr);
        ~DisplayScope() {
            SetTextSource(std::move(previousTexts));
            SetErrorDisplay(std::move(previous));
            if (c.modemPage) c.modemPage->execMessageBox = [](QMessageBox&) {};
        }
    } displayScope{controller,
                   SetErrorDisplay([&errorsShown](QWidget*, const QString& message) { errorsShown << message; })};
    auto fail = [&](const QString& step, const QString& line, int status) {
        err << "varnex: " << Text(step) << " failed: " << Text(line) << '\n';
        return status;
    };
    // An error that a window would have shown ends the run after the step
    // it came in.
    auto failOnShownError = [&](const QString& step) {
        if (errorsShown.isEmpty()) return false;
        fail(step, errorsShown.join(QStringLiteral(" ")), kBatchStepFailed);
        return true;
    };

    const bool remote = !options.modemPort.isEmpty();
    StopSignals stopSignals(controller.transfer);
    // 128 and the signal's number, as a shell reports a program it stopped.
    auto interrupted = [&](const QString& step) {
        if (!signalled) return 0;
        fail(step, QStringLiteral("interrupted by %1.").arg(signalled == SIGINT ? "SIGINT" : "SIGTERM"), 0);
        return 128 + signalled.load();
    };
    // Hangs up at the end, however the run ends.
    struct HangUp {
        MainController& c;
        ~HangUp() {
            if (c.modemPage && c.modemPage->CurrentPhase() != ModemPage::Phase::Idle) {
                c.modemPage->btCSDDisconnectClick();
                PumpUntil([&] { return c.modemPage->CurrentPhase() == ModemPage::Phase::Idle; }, 10000);
            }
        }
    } hangUp{controller};

    if (options.NeedsModule() && remote) {
        const std::string port = options.modemPort.toStdString();
        controller.serialPorts = [port] { return std::vector<std::string>{port}; };
        controller.RefreshSerialPortList();
        if (controller.window.cbModemPortSel->count() == 0)
            return fail("dial", QStringLiteral("the serial port %1 does not open.").arg(options.modemPort), kBatchNoLink);
        controller.window.edCSDPhnr->setText(options.phone);
        err << "varnex: dialling " << Text(options.phone) << " on " << port << '\n';
        controller.lastLoginResult = 0;
        controller.modemPage->btCSDConnectClick();
        PumpUntil([&] {
            const auto phase = controller.modemPage->CurrentPhase();
            return phase != ModemPage::Phase::Dialling && phase != ModemPage::Phase::LoggingIn;
        }, 180000);
        if (const int status = interrupted("dial")) return status;
        if (controller.modemPage->CurrentPhase() != ModemPage::Phase::Connected) {
            const QString log = controller.window.edATLogWin->toPlainText();
            if (controller.modemPage->LastCallDropped())
                return fail("login", "the call dropped during the login.", kBatchNoLink);
            if (log.contains("CONNECT 9600"))
                return fail("login", "the module refused the password.", kBatchLoginRefused);
            QString last;
            for (const QString& line : log.split('\n'))
                if (!line.trimmed().isEmpty()) last = line.trimmed();
            return fail("dial", QStringLiteral("the call was not set up (the modem's last line: %1).")
                                    .arg(last.isEmpty() ? QStringLiteral("none") : last),
                        kBatchNoLink);
        }
        if (failOnShownError("login")) return kBatchStepFailed;
        err << "varnex: logged in over the call\n";
    } else if (options.NeedsModule()) {
        err << "varnex: waiting for the module\n";
        if (!PumpUntil([&] { return controller.usbConnection && controller.usbConnection->IsConnected(); },
                       moduleWaitMs)) {
            if (const int status = interrupted("connect")) return status;
            return fail("connect", "no module found on USB.", kBatchNoLink);
        }
        // The automatic login runs as soon as the window hears of the module.
        if (!PumpUntil([&] { return controller.loggedIn; }, 60000) || controller.lastLoginResult != 1) {
            if (const int status = interrupted("login")) return status;
            if (failOnShownError("login")) return kBatchStepFailed;
            return fail("login", "the module refused the password.", kBatchLoginRefused);
        }
        if (failOnShownError("login")) return kBatchStepFailed;
        err << "varnex: logged in\n";
    }

    for (const auto& step : options.steps) {
        const QString name = step.argument.isEmpty() ? step.name : step.name + " " + step.argument;
        try {
            if (step.name == "open") {
                controller.OpenSettingsFile(step.argument);
            } else if (step.name == "save") {
                controller.SaveSettingsFile(step.argument);
            } else if (step.name == "read" || step.name == "write" || step.name == "write-changes") {
                if (step.name == "read") controller.ReadFromDevice();
                else if (step.name == "write") controller.WriteToDevice();
                else controller.WriteChangesToDevice();
                if (!controller.transfer.complete) {
                    if (controller.transfer.Cancelled() && signalled) {
                        err << "varnex: " << Text(name) << ": " << Text(controller.Outcome()) << '\n';
                        return interrupted(name);
                    }
                    return fail(name, controller.Outcome(), kBatchStepFailed);
                }
            } else if (step.name == "test-report") {
                if (controller.protocol.SetParameter(L"EVM:New", L"10") != 1)
                    return fail(name, "the module did not confirm the test report request.", kBatchStepFailed);
                controller.ShowOutcome(QStringLiteral("The module was asked for a test report."));
            } else if (step.name == "status" && remote) {
                int answered = 0;
                for (const QString& key : options.remoteStatusKeys) {
                    const std::wstring reply = controller.protocol.QueryParameter(key.toStdWString());
                    if (reply.empty() || reply == CommandProtocol::DeviceNotAvailableText) continue;
                    out << Text(key) << '=' << Text(QString::fromStdWString(CommandProtocol::ExtractReplyValue(reply)))
                        << '\n';
                    ++answered;
                }
                out.flush();
                if (answered < options.remoteStatusKeys.size())
                    return fail(name, QStringLiteral("the module answered %1 of %2 status queries.")
                                          .arg(answered)
                                          .arg(options.remoteStatusKeys.size()),
                                kBatchStepFailed);
                controller.ShowOutcome(QStringLiteral("Printed %1 status values.").arg(answered));
            } else if (step.name == "status") {
                controller.reportedStatus.clear();
                controller.protocol.SetParameter(L"Slots:Mainlog", L"1");
                controller.statusChannel->WriteString("R");
                const int total = controller.window.statusList.Count();
                PumpUntil([&] { return static_cast<int>(controller.reportedStatus.size()) >= total; }, 3000);
                for (int i = 0; i < total; ++i) {
                    const QString& key = controller.window.statusList.At(i).key;
                    auto it = controller.reportedStatus.find(key);
                    if (it != controller.reportedStatus.end()) out << Text(key) << '=' << Text(it->second) << '\n';
                }
                out.flush();
                const int got = static_cast<int>(controller.reportedStatus.size());
                if (got < total)
                    return fail(name, QStringLiteral("the module reported %1 of %2 status values.").arg(got).arg(total),
                                kBatchStepFailed);
                controller.ShowOutcome(QStringLiteral("Printed %1 status values.").arg(total));
            }
        } catch (const std::exception& e) {
            return fail(name, QString::fromUtf8(e.what()), kBatchStepFailed);
        } catch (...) {
            return fail(name, QStringLiteral("an unexpected error."), kBatchStepFailed);
        }
        if (const int status = interrupted(name)) return status;
        if (failOnShownError(name)) return kBatchStepFailed;
        err << "varnex: " << Text(name) << ": " << Text(controller.Outcome()) << '\n';
    }
    return kBatchOk;
}

}  // namespace varnex
