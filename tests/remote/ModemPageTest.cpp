// The modem page end to end: the main window dials the simulated modem on a
// pseudo-terminal, logs in over the call, works with the module there and
// hangs up, with the module on the desk behind the simulated USB cable
// plugged in or not.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "modem/ModemTestSupport.h"
#include "modem/TModem.h"
#include "params/Catalogue.h"
#include "params/ControlCodec.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "sim/modem/DemoModem.h"
#include "sim/modem/ModemSimulator.h"
#include "support/Pump.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"
#include "ui/RemoteConnection.h"
#include "support/StoredLanguage.h"

namespace varnex {
namespace {

using Phase = ModemPage::Phase;
using sim::ModemSimulator;

using testing::PumpUntil;

int Count(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// Changes a module's password the way any tool would, leaving it logged out.
void SetModulePassword(sim::ModuleSimulator& module, const std::string& to) {
    const std::string command = "set REM:UPW C," + module.Password() + "," + to + "\n";
    module.SetSilent(true);
    module.ReceiveCommandBytes(reinterpret_cast<const std::uint8_t*>(command.data()), command.size());
    module.SetSilent(false);
    module.SetLevel(0);
}

// Runs `action` once, from the event pump, as soon as `when` holds: a click
// that lands in the middle of a dial or a login.
class Nested {
public:
    Nested(std::function<bool()> when, std::function<void()> action)
        : when(std::move(when)), action(std::move(action)) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (fired || !this->when()) return;
            fired = true;
            timer.stop();
            this->action();
        });
        timer.start(1);
    }
    bool fired = false;

private:
    std::function<bool()> when;
    std::function<void()> action;
    QTimer timer;
};

class ModemPageTest : public ::testing::Test {
public:
    static constexpr const char* kNumber = "+36301234567";

    ModemPageTest() {
        modem.SetLineRate(0);  // the exchanges' bytes are the subject here, not the line's pace
        testing::ForgetStoredLanguage();
        controller = std::make_unique<MainController>(backend);
        controller->execPasswordWindow = [this](QDialog& d) {
            auto& form = static_cast<TPwdForm&>(d);
            ++passwordWindows;
            if (onPassword) onPassword(form);
            else form.btPasswAction->click();
        };
        controller->execUsbConnectWindow = [](QDialog&) {};
        controller->serialPorts = [port = modem.PortName()] { return std::vector<std::string>{port}; };
        controller->RefreshSerialPortList();
        page = std::make_unique<ModemPage>(*controller);
        page->clock = &clock;
        page->execMessageBox = [this](QMessageBox& box) {
            boxes.emplace_back(box.windowTitle().toStdString(), box.text().toStdString());
        };
        W().edCSDPhnr->setText(kNumber);
    }
    ~ModemPageTest() override {
        page.reset();
        controller.reset();
    }

    TFormMain& W() { return controller->window; }
    Connection* Channel() { return controller->protocol.CommandChannel(); }
    Connection* Usb() { return controller->usbCommandSlot.get(); }
    std::string Outcome() { return controller->Outcome().toStdString(); }
    bool ButtonsEnabled() { return W().btnRead->isEnabled() && W().btnWrite->isEnabled(); }
    bool ButtonsDisabled() { return !W().btnRead->isEnabled() && !W().btnWrite->isEnabled(); }
    int Logins(const sim::ModuleSimulator& module) { return Count(module.Commands(), "set REM:UPW P,"); }
    int Queries(const sim::ModuleSimulator& module) { return Count(module.Commands(), "sc "); }
    void Connect() { W().btCSDConnect->click(); }

    void ExpectIdleOnUsb() {
        EXPECT_EQ(page->CurrentPhase(), Phase::Idle);
        EXPECT_EQ(page->Modem(), nullptr);
        EXPECT_EQ(controller->modemConnection, nullptr);
        EXPECT_EQ(Channel(), Usb());
        EXPECT_TRUE(W().btCSDConnect->isEnabled());
        EXPECT_FALSE(W().btCSDDisconnect->isEnabled());
    }
    // The modem is on-hook, its port free, and the last thing it was told was to hang up.
    void ExpectHungUp() {
        EXPECT_FALSE(modem.InCall());
        EXPECT_TRUE(modemtest::PortIsFree(modem.PortName()));
        const auto commands = modem.Commands();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.back(), "ATH");
    }
    void ExpectConnected() {
        ASSERT_EQ(page->CurrentPhase(), Phase::Connected);
        ASSERT_NE(page->Modem(), nullptr);
        EXPECT_EQ(controller->modemConnection, page->Modem());
        EXPECT_EQ(Channel(), page->Modem());
        EXPECT_TRUE(modem.InCall());
        EXPECT_EQ(remote.Level(), 2);
        EXPECT_TRUE(ButtonsEnabled());
        EXPECT_FALSE(W().btCSDConnect->isEnabled());
        EXPECT_TRUE(W().btCSDDisconnect->isEnabled());
    }

    sim::ModuleSimulator desk;  // behind the USB cable, unplugged unless a test plugs it in
    sim::SimulatedHidBackend backend{desk, false};
    sim::ModuleSimulator remote;  // out on site, behind the modem
    ModemSimulator modem{remote};
    modemtest::FastClock clock{modem};
    std::unique_ptr<MainController> controller;
    std::unique_ptr<ModemPage> page;
    int passwordWindows = 0;
    std::function<void(TPwdForm&)> onPassword;
    std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
};

TEST_F(ModemPageTest, DialLogInReadAndWriteEverySettingThenHangUpBackToUsb) {
    remote.SetParameterValue("CALL:USER1.PN", "+36305550101");
    remote.SetParameterValue("SMS:Z1A.SMS", "Riaszt\xE1s: rakt\xE1r");  // Windows-1250 on the wire
    std::map<std::string, std::string> before;
    for (const auto& row : ParameterCatalogue()) before[row.key] = remote.Parameter(row.key);
    W().SetActivePage(TFormMain::kModemPage);

    Connect();
    ExpectConnected();
    EXPECT_EQ(passwordWindows, 1);
    EXPECT_EQ(modem.DialledNumber(), kNumber);
    EXPECT_EQ(W().PageControl1->currentIndex(), TFormMain::kSettingsPage);
    // The log shows the dialogue line by line, without stray carriage returns.
    const std::string log = W().edATLogWin->toPlainText().toStdString();
    EXPECT_NE(log.find(std::string("ATD") + kNumber + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CONNECT 9600\n"), std::string::npos) << log;
    EXPECT_EQ(log.find('\r'), std::string::npos);
    // The call holds the port: a refresh leaves it out.
    controller->RefreshSerialPortList();
    EXPECT_EQ(W().cbModemPortSel->count(), 0);

    W().btnRead->click();
    EXPECT_EQ(Outcome(), "Read 205 of 205 settings.");
    EXPECT_EQ(GetControlValue(W().parameterList.Find("CALL:USER1.PN")->control).toStdString(), "+36305550101");
    EXPECT_EQ(GetControlValue(W().parameterList.Find("SMS:Z1A.SMS")->control), QStringLiteral("Riasztás: raktár"));
    for (const auto& row : ParameterCatalogue()) remote.SetParameterValue(row.key, "stale");
    W().btnWrite->click();
    EXPECT_EQ(Outcome(), "Wrote 205 of 205 settings.");
    for (const auto& row : ParameterCatalogue()) EXPECT_EQ(remote.Parameter(row.key), before[row.key]) << row.key;
    EXPECT_EQ(Queries(desk), 0);

    W().btCSDDisconnect->click();
    ExpectIdleOnUsb();
    ExpectHungUp();
    EXPECT_TRUE(ButtonsDisabled());  // no module on the desk either
    EXPECT_FALSE(controller->loggedIn);
    EXPECT_EQ(Outcome(), "Hung up.");
    ASSERT_EQ(W().cbModemPortSel->count(), 1);  // listed again, and still the choice
    EXPECT_EQ(W().cbModemPortSel->currentText().toStdString(), modem.PortName());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ModemPageTest, WithTheDeskModuleAttachedTheCallBorrowsTheCommandChannel) {
    backend.Plug();
    ASSERT_TRUE(PumpUntil([&] { return controller->loggedIn && ButtonsEnabled(); }));
    ASSERT_EQ(passwordWindows, 1);
    // Nothing to hang up: nothing changes.
    W().btCSDDisconnect->click();
    page->btCSDDisconnectClick();
    EXPECT_TRUE(ButtonsEnabled());
    EXPECT_EQ(Channel(), Usb());

    Connect();
    ExpectConnected();
    EXPECT_EQ(passwordWindows, 2);
    EXPECT_EQ(Logins(remote), 1);
    W().btnRead->click();
    EXPECT_EQ(Outcome(), "Read 205 of 205 settings.");
    EXPECT_EQ(Queries(remote), 205);
    EXPECT_EQ(Queries(desk), 0);

    W().btCSDDisconnect->click();
    ExpectIdleOnUsb();
    ExpectHungUp();
    EXPECT_TRUE(ButtonsEnabled()) << "the desk module is still there";
    EXPECT_EQ(passwordWindows, 2) << "and still logged in";
    W().btnRead->click();
    EXPECT_EQ(Outcome(), "Read 205 of 205 settings.");
    EXPECT_EQ(Queries(desk), 205);
    EXPECT_EQ(Queries(remote), 205);
}

// A module plugged in during the call was never logged in: after the call it
// gets its own login.
TEST_F(ModemPageTest, ADeskModulePluggedInDuringTheCallLogsInAfterIt) {
    Connect();
    ExpectConnected();
    backend.Plug();
    ASSERT_TRUE(PumpUntil([&] { return controller->usbConnection->IsConnected(); }));
    PumpUntil([] { return false; }, 100);  // the news of the plug-in reaches the window
    EXPECT_EQ(passwordWindows, 1);
    W().btCSDDisconnect->click();
    ExpectIdleOnUsb();
    EXPECT_EQ(passwordWindows, 2);
    EXPECT_EQ(desk.Level(), 2);
    EXPECT_TRUE(ButtonsEnabled());
}

TEST_F(ModemPageTest, FiveRefusedLoginsHangUp) {
    SetModulePassword(remote, "1111");
    Connect();
    EXPECT_EQ(passwordWindows, 5);
    EXPECT_EQ(Logins(remote), 5);
    EXPECT_EQ(remote.Level(), 0);
    ExpectIdleOnUsb();
    ExpectHungUp();
    EXPECT_TRUE(ButtonsDisabled());
    EXPECT_EQ(Outcome(), "Login failed: hung up.");
}

TEST_F(ModemPageTest, ARefusedLoginThenTheRightPasswordConnects) {
    SetModulePassword(remote, "1111");
    onPassword = [&](TPwdForm& form) {
        if (passwordWindows == 2) form.ppassword->setText("1111");
        form.btPasswAction->click();
    };
    Connect();
    ExpectConnected();
    EXPECT_EQ(passwordWindows, 2);
    EXPECT_EQ(Outcome(), std::string("Connected to ") + kNumber + ".");
}

TEST_F(ModemPageTest, ClosingTheWindowDuringACallHangsUp) {
    Connect();
    ExpectConnected();
    W().close();
    ExpectHungUp();
    EXPECT_EQ(controller->modemConnection, nullptr);
    EXPECT_EQ(page->CurrentPhase(), Phase::Idle);
    EXPECT_EQ(controller->usbConnection, nullptr);
}

TEST_F(ModemPageTest, ASecondConnectWhileTheCallIsUpChangesNothing) {
    Connect();
    ExpectConnected();
    TModem* call = page->Modem();
    const auto modemCommands = modem.Commands().size();
    const auto moduleCommands = remote.Commands().size();
    EXPECT_FALSE(W().btCSDConnect->isEnabled());
    page->btCSDConnectClick();  // past the disabled button
    EXPECT_EQ(page->Modem(), call);
    EXPECT_EQ(modem.Commands().size(), modemCommands);
    EXPECT_EQ(remote.Commands().size(), moduleCommands);
    EXPECT_EQ(passwordWindows, 1);
    EXPECT_EQ(Outcome(), "Already connected: press Disconnect first.");
    ExpectConnected();
}

TEST_F(ModemPageTest, ADroppedCallSaysSoAndWaitsForDisconnect) {
    Connect();
    ExpectConnected();
    modem.DropCall();
    ASSERT_TRUE(PumpUntil([&] { return !boxes.empty() && modemtest::PortIsFree(modem.PortName()); }, 5000));
    EXPECT_EQ(boxes, (std::vector<std::pair<std::string, std::string>>{{"Modem", "Disconnected"}}));
    EXPECT_EQ(page->CurrentPhase(), Phase::Connected);
    EXPECT_EQ(Channel(), page->Modem());
    EXPECT_EQ(Outcome(), "The call has dropped: press Disconnect.");
    W().btCSDDisconnect->click();
    ExpectIdleOnUsb();
    EXPECT_FALSE(modem.InCall());
}

// A call that drops in the middle of a read ends the read there, and Read and
// Write stay off until the Disconnect: the modem connection itself still
// says it is open.
// The far end hanging up, or the modem's own port vanishing (a USB-serial
// modem pulled out), in the middle of a read: the read ends at once with the
// link lost, Read and Write go off, and Disconnect still cleans up.
TEST_F(ModemPageTest, ACallThatDropsDuringAReadEndsItAndReadAndWriteWaitForDisconnect) {
    const struct {
        const char* name;
        std::function<void(ModemSimulator&)> cut;
    } cuts[] = {{"the far end hangs up", [](ModemSimulator& m) { m.DropCall(); }},
                {"the modem's port vanishes", [](ModemSimulator& m) { m.Unplug(); }}};
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.name);
        boxes.clear();
        Connect();
        ExpectConnected();
        const int before = Queries(remote);
        Nested drop([&] { return Queries(remote) >= before + 20; }, [&] { cut.cut(modem); });
        QElapsedTimer timer;
        timer.start();
        W().btnRead->click();
        EXPECT_LT(timer.elapsed(), 5000) << "the read sat out time-outs after the drop";
        EXPECT_TRUE(drop.fired);
        const std::string outcome = Outcome();
        EXPECT_EQ(outcome.rfind("Read stopped after ", 0), 0u) << outcome;
        EXPECT_NE(outcome.find(": the link was lost."), std::string::npos) << outcome;
        EXPECT_FALSE(controller->transfer.complete);
        ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }, 5000));
        EXPECT_EQ(boxes.front(), (std::pair<std::string, std::string>{"Modem", "Disconnected"}));
        EXPECT_TRUE(ButtonsDisabled());
        EXPECT_TRUE(W().btCSDDisconnect->isEnabled());
        timer.restart();
        W().btCSDDisconnect->click();
        EXPECT_LT(timer.elapsed(), 5000);
        ExpectIdleOnUsb();
        EXPECT_FALSE(modem.InCall());
    }
    // The modem plugged in again is another port; a call through it works.
    modem.Replug();
    controller->serialPorts = [port = modem.PortName()] { return std::vector<std::string>{port}; };
    controller->RefreshSerialPortList();
    Connect();
    ExpectConnected();
}

// A call that drops while the first login waits for its answer is not tried
// four times more.
TEST_F(ModemPageTest, ACallThatDropsDuringTheLoginEndsTheAttempts) {
    onPassword = [&](TPwdForm& form) {
        modem.DropCall();
        ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }));
        form.btPasswAction->click();
    };
    Connect();
    EXPECT_EQ(passwordWindows, 1);
    ExpectIdleOnUsb();
    EXPECT_FALSE(modem.InCall());
    EXPECT_EQ(Outcome(), "The call dropped during the login.");
    // The next call is a new link, and logs in afresh.
    onPassword = nullptr;
    Connect();
    ExpectConnected();
    EXPECT_EQ(passwordWindows, 2);
}

// A desk module plugged in while a dial runs logs in over USB at once; the
// dial cancelled afterwards does not make it ask for its password again.
TEST_F(ModemPageTest, ADeskModuleThatLoggedInDuringACancelledDialKeepsItsLogin) {
    modem.SetDialResult(ModemSimulator::DialResult::NoAnswer);
    page->clock = nullptr;  // the unanswered dial waits for real, long enough to plug in
    Nested plugIn([&] { return !modem.DialledNumber().empty(); },
                  [&] {
                      backend.Plug();
                      ASSERT_TRUE(PumpUntil([&] { return controller->loggedIn && desk.Level() == 2; }));
                      W().btCSDDisconnect->click();
                  });
    Connect();
    ASSERT_TRUE(plugIn.fired);
    ExpectIdleOnUsb();
    PumpUntil([] { return false; }, 200);  // any news of the link reaches the window
    EXPECT_EQ(passwordWindows, 1);
    EXPECT_TRUE(controller->loggedIn);
    EXPECT_TRUE(ButtonsEnabled());
}

// The page's state after a dial that did not get through, and a second
// Connect once the fault is gone.
struct DialFault {
    const char* name;
    std::function<void(ModemPageTest&)> breakIt;
    std::function<void(ModemPageTest&)> fixIt;
    bool logged;  // the modem dialogue reached the log
    const char* outcome;
};
void PrintTo(const DialFault& f, std::ostream* os) { *os << f.name; }

class DialFaults : public ModemPageTest, public ::testing::WithParamInterface<DialFault> {
public:
    void SetPorts(std::vector<std::string> ports) {
        controller->serialPorts = [ports] { return ports; };
        controller->RefreshSerialPortList();
    }
    void SetNumber(const QString& number) { W().edCSDPhnr->setText(number); }
};

TEST_P(DialFaults, LeaveThePageIdleOnUsbAndTheNextConnectDialsAfresh) {
    const DialFault& c = GetParam();
    c.breakIt(*this);
    Connect();
    ExpectIdleOnUsb();
    EXPECT_TRUE(ButtonsDisabled());
    EXPECT_EQ(passwordWindows, 0);
    EXPECT_EQ(Outcome(), c.outcome);
    EXPECT_EQ(W().edATLogWin->toPlainText().isEmpty(), !c.logged);
    EXPECT_TRUE(modemtest::PortIsFree(modem.PortName()));

    c.fixIt(*this);
    const int dialsBefore = Count(modem.Commands(), "ATD");
    Connect();
    ExpectConnected();
    EXPECT_EQ(Count(modem.Commands(), "ATD"), dialsBefore + 1);
}

INSTANTIATE_TEST_SUITE_P(
    ModemPage, DialFaults,
    ::testing::Values(
        DialFault{"NoSimCard", [](ModemPageTest& t) { t.modem.SetSimCard(ModemSimulator::SimCard::Missing); },
                  [](ModemPageTest& t) { t.modem.SetSimCard(ModemSimulator::SimCard::Ready); }, true,
                  "No call: see the modem log."},
        DialFault{"NoCarrier", [](ModemPageTest& t) { t.modem.SetDialResult(ModemSimulator::DialResult::NoCarrier); },
                  [](ModemPageTest& t) { t.modem.SetDialResult(ModemSimulator::DialResult::Connect); }, true,
                  "No call: see the modem log."},
        DialFault{"NoSerialPort", [](ModemPageTest& t) { static_cast<DialFaults&>(t).SetPorts({}); },
                  [](ModemPageTest& t) { static_cast<DialFaults&>(t).SetPorts({t.modem.PortName()}); }, false,
                  "No serial port to dial from."},
        DialFault{"NoPhoneNumber", [](ModemPageTest& t) { static_cast<DialFaults&>(t).SetNumber("  "); },
                  [](ModemPageTest& t) { static_cast<DialFaults&>(t).SetNumber(ModemPageTest::kNumber); }, false,
                  "Type the module's phone number first."}),
    [](const ::testing::TestParamInfo<DialFault>& info) { return std::string(info.param.name); });

// Clicks and a window close that land while the dial waits for the modem.
struct DuringDial {
    const char* name;
    ModemSimulator::DialResult answer;
    bool steadyClock;  // the product's own clock: the time the dial takes is part of the case
    std::function<void(ModemPageTest&)> action;
    bool callUp;  // the dial still ends in a call
};
void PrintTo(const DuringDial& d, std::ostream* os) { *os << d.name; }

class DuringDials : public ModemPageTest, public ::testing::WithParamInterface<DuringDial> {};

TEST_P(DuringDials, DoNoHarmToTheDial) {
    const DuringDial& c = GetParam();
    modem.SetDialResult(c.answer);
    if (c.steadyClock) page->clock = nullptr;
    // Once the dialling has begun (a line refused or unanswered waits a minute for CONNECT).
    bool buttonsDuringDial = false;
    TModem* dialling = nullptr;
    Nested click([&] { return !modem.DialledNumber().empty() || (c.callUp && !modem.Commands().empty()); },
                 [&] {
                     dialling = page->Modem();
                     buttonsDuringDial = !W().btCSDConnect->isEnabled() && W().btCSDDisconnect->isEnabled();
                     c.action(*this);
                 });
    QElapsedTimer timer;
    timer.start();
    Connect();
    const auto took = timer.elapsed();
    ASSERT_TRUE(click.fired);
    EXPECT_TRUE(buttonsDuringDial);
    EXPECT_NE(dialling, nullptr);
    if (c.callUp) {
        ExpectConnected();
        EXPECT_EQ(page->Modem(), dialling) << "the connection being dialled stays the one";
        EXPECT_EQ(passwordWindows, 1);
        return;
    }
    EXPECT_EQ(passwordWindows, 0);
    EXPECT_EQ(Count(modem.Commands(), "ATD"), 1);
    ExpectHungUp();
    EXPECT_EQ(page->CurrentPhase(), Phase::Idle);
    EXPECT_EQ(controller->modemConnection, nullptr);
    if (c.steadyClock) {
        EXPECT_LT(took, 5000) << "a minute of waiting for CONNECT was cut short";
    }
}

INSTANTIATE_TEST_SUITE_P(
    ModemPage, DuringDials,
    ::testing::Values(
        DuringDial{"DisconnectCutsAnUnansweredDialShort", ModemSimulator::DialResult::NoAnswer, true,
                   [](ModemPageTest& t) { t.W().btCSDDisconnect->click(); }, false},
        DuringDial{"ClosingTheWindowCutsTheDialShortAndHangsUp", ModemSimulator::DialResult::NoAnswer, true,
                   [](ModemPageTest& t) { t.W().close(); }, false},
        DuringDial{"DisconnectThenConnectAndDisconnectAgain", ModemSimulator::DialResult::Busy, false,
                   [](ModemPageTest& t) {
                       t.page->btCSDDisconnectClick();
                       t.page->btCSDConnectClick();
                       t.page->btCSDDisconnectClick();
                   },
                   false},
        DuringDial{"ConnectIsIgnored", ModemSimulator::DialResult::Connect, false,
                   [](ModemPageTest& t) { t.page->btCSDConnectClick(); }, true}),
    [](const ::testing::TestParamInfo<DuringDial>& info) { return std::string(info.param.name); });

// The demo's modem is listed first and selected, and answers the call.
TEST(DemoModem, IsListedFirstAndTakesACall) {
    sim::ModuleSimulator desk;
    sim::SimulatedHidBackend backend{desk, false};
    MainController controller(backend);
    controller.serialPorts = [] { return std::vector<std::string>{"/dev/varnex-no-such-port"}; };
    auto demo = sim::StartDemoModem(controller.serialPorts);
    ASSERT_NE(demo, nullptr);
    demo->modem.SetLineRate(0);
    const auto ports = controller.serialPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0], demo->modem.PortName());
    controller.RefreshSerialPortList();
    EXPECT_EQ(controller.window.cbModemPortSel->currentText().toStdString(), demo->modem.PortName());

    controller.execPasswordWindow = [](QDialog& d) { static_cast<TPwdForm&>(d).btPasswAction->click(); };
    modemtest::FastClock clock(demo->modem);
    ModemPage page(controller);
    page.clock = &clock;
    controller.window.edCSDPhnr->setText(sim::DemoModem::kPhoneNumber);
    controller.window.btCSDConnect->click();
    EXPECT_EQ(page.CurrentPhase(), Phase::Connected);
    EXPECT_EQ(demo->module.Level(), 2);
    controller.window.btCSDDisconnect->click();
    EXPECT_EQ(page.CurrentPhase(), Phase::Idle);
}

// A call reaches another module than the desk's, and ends with it: what was
// known is forgotten both times.
TEST_F(ModemPageTest, TheModulesValuesAreForgottenWhenACallBeginsAndEnds) {
    backend.Plug();
    ASSERT_TRUE(PumpUntil([&] { return controller->loggedIn && desk.Level() == 2; }));
    W().btnRead->click();
    ASSERT_TRUE(controller->transfer.record.Known());
    Connect();
    ExpectConnected();
    EXPECT_FALSE(controller->transfer.record.Known());
    W().btnRead->click();
    EXPECT_TRUE(controller->transfer.record.Known());
    W().btCSDDisconnect->click();
    ExpectIdleOnUsb();
    EXPECT_FALSE(controller->transfer.record.Known());
}

}  // namespace
}  // namespace varnex
