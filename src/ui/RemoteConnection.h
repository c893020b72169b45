#pragma once
#include <QString>
#include <functional>
#include <memory>

#include "link/Connection.h"
#include "modem/ModemClock.h"

class QMessageBox;

namespace varnex {

class MainController;
class TModem;

// The modem page: dials the module through a GSM modem, logs in over the
// call and makes the call the command channel until Disconnect gives it back
// to USB. It fills the page's two click handlers of the main window and keeps
// `controller.modemConnection` on the modem while a call is set up or up.
//
// A dial or a login waits with the window alive, so clicks arrive in the
// middle of them. Connect is taken only when no call is set up, up or being
// hung up; otherwise it changes nothing. Disconnect during a dial cuts the
// dial short and hangs up once it has returned; during a login it hangs up
// once the attempt in progress has returned. The page's buttons show which
// of the two is available.
class ModemPage {
public:
    enum class Phase { Idle, Dialling, LoggingIn, Connected, HangingUp };

    explicit ModemPage(MainController& controller);
    ~ModemPage();
    ModemPage(const ModemPage&) = delete;
    ModemPage& operator=(const ModemPage&) = delete;

    void btCSDConnectClick();
    void btCSDDisconnectClick();

    Phase CurrentPhase() const { return phase; }
    // The latest call (or the one up) was dropped by the far end or lost
    // with the modem's port.
    bool LastCallDropped() const { return callDropped; }
    // The modem connection of the call being set up or up; nullptr otherwise.
    TModem* Modem() const { return modem.get(); }

    // The modal "Disconnected" box of a dropped call is shown through this, so
    // tests can look at it without a nested event loop. Defaults to exec().
    std::function<void(QMessageBox&)> execMessageBox;
    // The time source of the modem dialogue; nullptr for the steady clock.
    // Set it before a Connect.
    ModemClock* clock = nullptr;

private:
    class AtLog;
    class Messages;
    class DialClock;

    void HangUp(const QString& outcome);
    void Finish(const QString& outcome, bool callWasUp = false);
    void UpdateButtons();
    void CallDropped();

    MainController& controller;
    Phase phase = Phase::Idle;
    bool hangUpRequested = false;  // a Disconnect came while the dial or a login ran
    bool callDropped = false;      // the modem reported NO CARRIER during this call
    bool usbUpAtConnect = false;   // the USB link was up when the call was placed
    int usbDetachesAtConnect = 0;  // the USB connection's "Detached" count then
    bool loginOverCall = false;    // this call got as far as logging in
    QString portInUse;
    // Owned by the window's widgets: the modem hands them calls that may run
    // after it has gone, so they live as long as the window.
    AtLog* atLog;
    Messages* messages;
    // Declared before the modem, which refers to it.
    std::unique_ptr<DialClock> dialClock;
    std::unique_ptr<TModem> modem;
    std::unique_ptr<ResponseConnection> modemReplyListener;
};

}  // namespace varnex
