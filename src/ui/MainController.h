#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "lang/LangMan.h"
#include "lang/LanguageLookup.h"
#include "lang/Texts.h"
#include "link/CommandProtocol.h"
#include "link/Connection.h"
#include "link/WindowCall.h"
#include "params/Streams.h"
#include "params/Transfer.h"
#include "ui/FormMain.h"
#include "modem/SerialPortList.h"
#include "usb/ConnHIDCOM.h"

class QDialog;

namespace varnex {

class TPwdForm;
class TUSBConnectForm;
class TModem;
class ModemPage;
class ChangeMarks;

// Keeps the window alive while a command waits.
class QtEventPump : public EventPump {
public:
    void pump() override;
};

// The main window's logic: it owns the window and everything that lives as
// long as it does (the USB connection and its channels, the protocol, the
// language manager, the stream buffers) and fills the window's hooks. The
// window's controls stay the only store of the configuration.
class MainController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDefaultPassword = "7402";

    // A window for a person, or a run that nobody watches (batch mode): that
    // one reads no language file and keeps no language choice.
    enum class Run { Window, Unattended };

    explicit MainController(HidBackend& backend, Run run = Run::Window, QObject* parent = nullptr);
    ~MainController() override;

    TFormMain window;

    // Modal windows are shown through these, so tests can drive them
    // without a nested event loop. Each defaults to exec().
    std::function<void(QDialog&)> execPasswordWindow;
    std::function<void(QDialog&)> execUsbConnectWindow;
    // The file dialogs; each returns the chosen path or empty when cancelled.
    std::function<QString()> chooseOpenFile;
    std::function<QString()> chooseSaveFile;

    // The serial device nodes the modem page probes; the demo adds its own.
    SerialPortProbeSource serialPorts = [] { return SerialPortCandidates(); };
    // Fills cbModemPortSel with the ports that open, the first selected.
    void RefreshSerialPortList();

    int UpdateLinkState(const char* reason);
    // Whether the USB module or a call that has not dropped is there.
    bool LinkUp();
    // Whether the command channel reaches a module now: the call while the
    // modem carries the commands, the USB device otherwise.
    bool CommandLinkUp();
    // The data call is up and has not dropped since.
    bool CallUp();
    int Login();
    // The text of a key for the password and connect windows. Throws
    // LanguageError for a language file that cannot be read; the windows
    // show that and keep their captions.
    QString DialogText(const QString& key);
    int SendPassword(const QString& password, const QString& newPassword);
    int HandleStatusData(const std::wstring& text);
    int HandleLogData(const std::wstring& text);
    void ReadFromDevice();
    void WriteToDevice();
    void WriteChangesToDevice();
    void OpenSettingsFile(const QString& path);
    void SaveSettingsFile(const QString& path);
    void FormShow();
    void FormClose();
    // One line in the status bar for the outcome of an operation.
    void ShowOutcome(const QString& line);
    QString Outcome() const;

    static void OnStatusText(void* owner, const std::uint8_t* data, std::size_t length);
    static void OnLogText(void* owner, const std::uint8_t* data, std::size_t length);

    // Members named as the window's own.
    WindowCallRequest windowCall;
    QtEventPump eventPump;
    CommandProtocol protocol;
    std::unique_ptr<ConnHIDCOM> usbConnection;
    // The command channel is the protocol's: channel 2, or the modem during a remote connection.
    std::unique_ptr<Slot> usbCommandSlot;
    std::unique_ptr<Slot> statusChannel;
    std::unique_ptr<Slot> logChannel;
    LangMan languageManager;
    LanguageDescList languages;
    ConfigurationTransfer transfer;
    StatusStream statusStream;
    LogStream logStream;
    QString password = kDefaultPassword;
    bool loggedIn = false;
    // A series of automatic logins (or the modem page's logins over a call)
    // is running; a link-state refresh nested in it starts no second one.
    bool loginSeries = false;
    // Runs of the link-state refresh that found the link down, and
    // "Detached" notices of the USB connection: a change of either during a
    // login means the module it was for may have gone.
    int linkDownSeen = 0;
    std::atomic<int> usbDetaches{0};
    int lastLoginResult = 0;  // of the latest Login: 1, -1 or 0
    // The latest value each status key reported, as the module sent it.
    std::map<QString, QString> reportedStatus;
    std::unique_ptr<TUSBConnectForm> usbConnectWindow;
    TModem* modemConnection = nullptr;  // while a remote connection is set up or up

private:
    class UsbStateEvent : public ChangeStateEvent {
    public:
        explicit UsbStateEvent(MainController* owner) : owner(owner) {}
        void OnChangeState(const char* state) override;

    private:
        MainController* owner;
    };

    void ConnectHandlers();
    void SetLinkButtons(bool connected);
    void RestoreLanguageAtStart();
    // Selects in both language selectors the language in effect.
    void SyncLanguageSelectors();

    const bool unattended;
    TextSource previousTextSource;
    // Errors met while starting; shown once the window is shown.
    QStringList startupErrors;
    // A link change came before the window's show sequence; it runs inside it.
    bool linkStateDeferred = false;
    UsbStateEvent usbStateEvent{this};
    ResponseConnection commandListener{&protocol, &CommandProtocol::OnCommandText};
    ResponseConnection statusListener{this, &MainController::OnStatusText};
    ResponseConnection logListener{this, &MainController::OnLogText};

public:
    // The marks of settings that differ from the module.
    std::unique_ptr<ChangeMarks> changeMarks;
    // Last, so it goes before the protocol and the USB channels it uses.
    std::unique_ptr<ModemPage> modemPage;
};

}  // namespace varnex
