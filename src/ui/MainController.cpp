#include "ui/MainController.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <algorithm>
#include <cstring>
#include <utility>

#include "link/Codepage.h"
#include "modem/TModem.h"
#include "params/ControlCodec.h"
#include "params/SettingsFile.h"
#include "params/SettingsRules.h"
#include "ui/ChangeMarks.h"
#include "ui/ErrorDisplay.h"
#include "ui/PwdForm.h"
#include "ui/RemoteConnection.h"
#include "ui/UsbConnectForm.h"
#include "lang/Texts.h"

namespace varnex {

void QtEventPump::pump() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void MainController::UsbStateEvent::OnChangeState(const char* state) {
    if (std::strcmp(state, "Detached") == 0) ++owner->usbDetaches;
    // The state text is a constant; it outlives the call.
    owner->windowCall.CallInWindowThread([o = owner, state] { return o->UpdateLinkState(state); });
}

MainController::MainController(HidBackend& backend, Run run, QObject* parent)
    : QObject(parent),
      // A window call is a handler like any other: what it throws is shown
      // and goes no further.
      windowCall([w = &window](std::function<void()> call) {
          QMetaObject::invokeMethod(
              w, [w, call = std::move(call)] { RunGuarded(w, call); }, Qt::QueuedConnection);
      }),
      protocol(nullptr, &eventPump),
      usbConnection(std::make_unique<ConnHIDCOM>(backend)),
      languageManager(&window),
      transfer(protocol, window.parameterList, window.ProgressBarRW, &window,
               [this](const char* reason) { UpdateLinkState(reason); }),
      unattended(run == Run::Unattended) {
    execPasswordWindow = [](QDialog& d) { d.exec(); };
    execUsbConnectWindow = [](QDialog& d) { d.exec(); };
    chooseOpenFile = [this] {
        return QFileDialog::getOpenFileName(&window, QString(), QString(), QStringLiteral("ini files (*.ini)"));
    };
    chooseSaveFile = [this] {
        return QFileDialog::getSaveFileName(&window, QString(), QString(), QStringLiteral("ini files (*.ini)"));
    };
    window.statusBar()->setObjectName("StatusBar");
    protocol.linkUp = [this] { return CommandLinkUp(); };
    // An edit's check refreshes the link state from the edit's change signal,
    // which has no handler boundary of its own.
    ConnectSettingsRules(&window, [this](const char* reason) {
        RunGuarded(&window, [this, reason] { UpdateLinkState(reason); });
    });

    usbConnection->stateListeners.Add(&usbStateEvent);
    usbConnection->Open();
    usbCommandSlot.reset(usbConnection->CreateSlot(2));
    usbCommandSlot->receiveListeners.Add(&commandListener);
    protocol.SetCommandChannel(usbCommandSlot.get());
    statusChannel.reset(usbConnection->CreateSlot(4));
    statusChannel->receiveListeners.Add(&statusListener);
    logChannel.reset(usbConnection->CreateSlot(3));
    logChannel->receiveListeners.Add(&logListener);

    RestoreLanguageAtStart();
    // The program's own sentences follow the window's language; a run that
    // nobody watches keeps them English.
    if (!unattended)
        previousTextSource = SetTextSource([this](const QString& key) {
            // A language file that cannot be read gives the built-in text of its language.
            try {
                return languageManager.Translate(key);
            } catch (const std::exception&) {
                return TableText(languageManager.table(), key);
            }
        });
    RunTemperatureRules(&window);
    ConnectHandlers();
    auto* changes = new QLabel;
    changes->setObjectName(QStringLiteral("lbChanges"));
    changes->setTextFormat(Qt::PlainText);
    window.statusBar()->addPermanentWidget(changes);
    changeMarks = std::make_unique<ChangeMarks>(window.parameterList, transfer.record, changes);
    changeMarks->revertAllButton = window.btnRevertAll;
    window.handlers.btnRevertAllClick = [this] { changeMarks->RevertAll(); };
    // Its count and tooltips are sentences of the window's language.
    languageManager.Watch([this] {
        if (changeMarks) changeMarks->Refresh();
    });
    modemPage = std::make_unique<ModemPage>(*this);
}

MainController::~MainController() {
    FormClose();
    if (!unattended) SetTextSource(std::move(previousTextSource));
}

void MainController::RestoreLanguageAtStart() {
    if (unattended) {
        // Nobody reads the captions, but the lists need their items.
        AppendBuiltInLanguages(languages);
        languageManager.ApplyBuiltIn(QStringLiteral("en"));
        return;
    }
    // A language file or a stored choice that cannot be read, or a choice
    // that cannot be kept, must not keep the program from starting: it starts
    // in the built-in language and says why once the window is shown.
    try {
        BuildLanguageList(languages);
    } catch (const std::exception& e) {
        startupErrors << QString::fromUtf8(e.what());
        languages.clear();
        AppendBuiltInLanguages(languages);
    }
    try {
        languageManager.RestoreLanguage(languages, window.cbLanguage);
    } catch (const std::exception& e) {
        startupErrors << QString::fromUtf8(e.what());
        if (!languageManager.table()) languageManager.ApplyBuiltIn(QStringLiteral("en"));
        SyncLanguageSelectors();
    }
}

void MainController::SyncLanguageSelectors() {
    // A language without an entry shows the first, as a restore does.
    const int index = std::max(0, languageManager.IndexIn(languages));
    for (QComboBox* selector : {window.cbLanguage, usbConnectWindow ? usbConnectWindow->cbLanguage : nullptr}) {
        if (!selector) continue;
        const QSignalBlocker blocker(selector);
        if (selector->count() == 0) {
            for (const auto& language : languages) selector->addItem(language.name);
        }
        selector->setCurrentIndex(index);
    }
}

void MainController::ConnectHandlers() {
    auto& h = window.handlers;
    h.btnReadClick = [this] { ReadFromDevice(); };
    h.btnWriteClick = [this] { WriteToDevice(); };
    h.btnWriteChangesClick = [this] { WriteChangesToDevice(); };
    h.btnCancelClick = [this] { transfer.Cancel(); };
    h.btnOpenClick = [this] {
        const QString path = chooseOpenFile ? chooseOpenFile() : QString();
        if (!path.isEmpty()) OpenSettingsFile(path);
    };
    h.btnSaveClick = [this] {
        const QString path = chooseSaveFile ? chooseSaveFile() : QString();
        if (!path.isEmpty()) SaveSettingsFile(path);
    };
    h.cbLanguageChange = [this] {
        try {
            languageManager.cbLanguageChange(languages, window.cbLanguage);
        } catch (...) {
            // The selectors show the language the window speaks, not the one
            // that failed.
            SyncLanguageSelectors();
            throw;
        }
    };
    h.FormShow = [this] { FormShow(); };
    h.FormClose = [this] { FormClose(); };
}

void MainController::ShowOutcome(const QString& line) { window.statusBar()->showMessage(line); }
QString MainController::Outcome() const { return window.statusBar()->currentMessage(); }

bool MainController::LinkUp() {
    bool connected = usbConnection && usbConnection->IsConnected();
    if (!connected && modemConnection) connected = CallUp();
    return connected;
}

void MainController::SetLinkButtons(bool connected) {
    window.btnCancel->setVisible(transfer.busy);
    if (transfer.busy) {
        window.PageControl1->setEnabled(false);
        window.btnRead->setEnabled(false);
        window.btnWrite->setEnabled(false);
    } else {
        window.btnRead->setEnabled(connected);
        window.btnWrite->setEnabled(connected);
        window.PageControl1->setEnabled(true);
    }
}

int MainController::UpdateLinkState(const char* /*reason*/) {
    // The window's show sequence comes first: a module found before it logs
    // in from inside it, after the connect window has opened.
    if (window.ShowSequencePending()) {
        linkStateDeferred = true;
        return 0;
    }
    // Each run reads the link afresh: a nested run can change it under us.
    const bool connected = LinkUp();
    if (!connected) {
        ++linkDownSeen;
        // Whatever comes next may be another module.
        transfer.record.Drop();
    }
    SetLinkButtons(connected);
    if (!loggedIn && connected && !loginSeries) {
        loginSeries = true;
        struct SeriesEnd {
            bool& running;
            ~SeriesEnd() { running = false; }
        } seriesEnd{loginSeries};
        for (;;) {
            const int downBefore = linkDownSeen;
            const int detachesBefore = usbDetaches;
            const auto sameLink = [&] { return linkDownSeen == downBefore && usbDetaches == detachesBefore; };
            password = kDefaultPassword;
            bool success = false;
            // Attempts stop with the link: none of them could reach the module.
            for (int attempt = 0; attempt < 5 && !success && CommandLinkUp() && sameLink(); ++attempt)
                success = Login() == 1;
            if (success) {
                window.btnRead->setEnabled(true);
                window.btnWrite->setEnabled(true);
            }
            if (modemConnection && modemConnection->IsOpen()) statusChannel->WriteString("R");
            // A module plugged in again while the attempts ran is a new link:
            // it gets a series of its own, from the default password.
            if (success || sameLink() || !LinkUp()) break;
        }
    }
    // The run that logs in writes the flag when it is through, from the link
    // as it is then.
    if (loginSeries) return 0;
    loggedIn = LinkUp();
    return 0;
}

bool MainController::CallUp() {
    return modemConnection && modemConnection->IsOpen() && !modemConnection->HungUp();
}

bool MainController::CommandLinkUp() {
    Connection* channel = protocol.CommandChannel();
    if (modemConnection && channel == modemConnection) return CallUp();
    return usbConnection && usbConnection->IsConnected();
}

int MainController::Login() {
    if (usbConnectWindow && usbConnectWindow->isVisible()) {
        usbConnectWindow->hide();
        usbConnectWindow->close();
    }
    TPwdForm form(&window, TPwdForm::Owner{
                               [this](const QString& p) { password = p; },
                               [this](const QString& o, const QString& n) { return SendPassword(o, n); },
                               [this] { loggedIn = true; },
                               [this](const QString& key) { return DialogText(key); },
                           });
    execPasswordWindow(form);
    // The link went while the window was open: nothing could answer, and the
    // attempt would only sit out its time-outs.
    if (!CommandLinkUp()) {
        lastLoginResult = 0;
        return 0;
    }
    protocol.levelZeroPrompt = false;
    protocol.replyReady = false;
    const int r = SendPassword(password, QStringLiteral("0"));
    lastLoginResult = r;
    if (r == 1) {
        window.SetActivePage(TFormMain::kSettingsPage);
        loggedIn = true;
    }
    return r;
}

QString MainController::DialogText(const QString& key) {
    // A run nobody watches reads no language file.
    if (unattended) return TableText(languageManager.table(), key);
    return languageManager.Translate(key);
}

int MainController::SendPassword(const QString& pwd, const QString& newPassword) {
    return protocol.SendPassword(pwd.toStdWString(), newPassword.toStdWString());
}

void MainController::OnStatusText(void* owner, const std::uint8_t* data, std::size_t length) {
    auto* self = static_cast<MainController*>(owner);
    std::wstring text = DecodeAnsi(data, length);  // the call owns its copy
    self->windowCall.CallInWindowThread([self, text = std::move(text)] { return self->HandleStatusData(text); });
}

void MainController::OnLogText(void* owner, const std::uint8_t* data, std::size_t length) {
    auto* self = static_cast<MainController*>(owner);
    std::wstring text = DecodeAnsi(data, length);
    self->windowCall.CallInWindowThread([self, text = std::move(text)] { return self->HandleLogData(text); });
}

int MainController::HandleStatusData(const std::wstring& text) {
    const auto failures = statusStream.Feed(text, [this](const std::wstring& key, const std::wstring& value) {
        const ControlDesc* row = window.statusList.Find(QString::fromStdWString(key));
        if (!row) return;
        reportedStatus[row->key] = QString::fromStdWString(value);
        SetControlValue(row->control, QString::fromStdWString(value));
    });
    // A value its control cannot take is reported here, without a modal box,
    // and the records after it were applied all the same.
    for (const auto& failure : failures)
        ShowOutcome(Text("txtStatusProblem").arg(QString::fromUtf8(failure.c_str())));
    return 0;
}

int MainController::HandleLogData(const std::wstring& text) {
    logStream.Feed(text, [this](const LogStream::Line& line) {
        window.MemoLog1->appendPlainText(QString::fromStdWString(line.text));
        if (!line.pane2.empty()) window.MemoLog2->appendPlainText(QString::fromStdWString(line.pane2));
        if (!line.pane3.empty()) window.MemoLog3->appendPlainText(QString::fromStdWString(line.pane3));
    });
    return 0;
}

void MainController::ReadFromDevice() {
    transfer.ReadFromDevice([this](const QString& line) { ShowOutcome(line); });
}

void MainController::WriteToDevice() {
    transfer.WriteToDevice([this](const QString& line) { ShowOutcome(line); });
}

void MainController::WriteChangesToDevice() {
    transfer.WriteChangesToDevice([this](const QString& line) { ShowOutcome(line); });
}

void MainController::OpenSettingsFile(const QString& path) {
    try {
        ShowOutcome(varnex::OpenSettingsFile(path, window.parameterList));
    } catch (const ConversionError& e) {
        ShowOutcome(Text("txtOpenStopped").arg(path, QString::fromUtf8(e.what())));
        throw;
    } catch (const SettingsFileError& e) {
        ShowOutcome(QString::fromUtf8(e.what()));
        throw;
    }
}

void MainController::SaveSettingsFile(const QString& path) {
    try {
        ShowOutcome(varnex::SaveSettingsFile(path, window.parameterList));
    } catch (const SettingsFileError& e) {
        ShowOutcome(QString::fromUtf8(e.what()));
        throw;
    }
}

void MainController::RefreshSerialPortList() {
    const SerialPortList ports = varnex::RefreshSerialPortList(serialPorts);
    window.cbModemPortSel->clear();
    for (const auto& name : ports.names) window.cbModemPortSel->addItem(QString::fromStdString(name));
    window.cbModemPortSel->setCurrentIndex(ports.selected);
}

void MainController::FormShow() {
    // What went wrong while starting is said before anything else opens.
    const QStringList shownAtStart = std::exchange(startupErrors, {});
    for (const QString& error : shownAtStart) ShowError(&window, error);
    loggedIn = false;
    transfer.busy = false;
    RefreshSerialPortList();
    usbConnectWindow = std::make_unique<TUSBConnectForm>(
        &window, TUSBConnectForm::Owner{
                     [this](const QString& key) { return DialogText(key); },
                     [this](int index) {
                         if (index < 0 || index >= languages.size()) return;
                         try {
                             languageManager.SelectLanguage(languages.at(index).code);
                         } catch (...) {
                             SyncLanguageSelectors();
                             throw;
                         }
                     },
                 });
    for (int i = 0; i < window.cbLanguage->count(); ++i)
        usbConnectWindow->cbLanguage->addItem(window.cbLanguage->itemText(i));
    usbConnectWindow->cbLanguage->setCurrentIndex(window.cbLanguage->currentIndex());
    // A module that came before this sequence logs in now, from inside the
    // connect window, which its login closes.
    if (std::exchange(linkStateDeferred, false))
        QMetaObject::invokeMethod(
            &window, [this] { RunGuarded(&window, [this] { UpdateLinkState("Attached"); }); }, Qt::QueuedConnection);
    execUsbConnectWindow(*usbConnectWindow);
    try {
        languageManager.RestoreLanguage(languages, window.cbLanguage);
    } catch (const std::exception& e) {
        SyncLanguageSelectors();
        // The same trouble as at the start has been shown already.
        if (!shownAtStart.contains(QString::fromUtf8(e.what()))) throw;
    }
}

void MainController::FormClose() {
    const bool first = !windowCall.Closing();
    windowCall.SetClosing();
    // A call still up is hung up before the program goes.
    if (first && modemConnection && window.handlers.btCSDDisconnectClick) window.handlers.btCSDDisconnectClick();
    if (!usbConnection) return;
    // The reader ends first, so nothing reaches the channels while they go.
    usbConnection->Close();
    usbCommandSlot.reset();
    statusChannel.reset();
    logChannel.reset();
    usbConnection.reset();
    protocol.SetCommandChannel(nullptr);
}

}  // namespace varnex
