// The fault soak: the whole program, window included, reads and writes the
// configuration over the simulated USB module and over a call through the
// simulated modem, while one fault at a time is thrown in: a cable pulled at
// a random report, a module that logs out, goes quiet, corrupts frames, cuts
// its output into odd pieces or answers for another key, a failing read or
// write of the device, a call that drops, the modem's port that vanishes, and
// a settings file save killed half-way. Between them: a cable pulled while the
// password window waits, a module already plugged in when the program starts,
// and a call dropped under batch mode. After every cycle it checks that nothing hung, the window is
// usable again, no control and no module setting holds a value that was never
// there, and the settings file is whole.
//
// Usage: varnex_soak [--cycles N] [--seed S] [--quiet | --verbose]
// Exit status: 0 when every check held, 1 otherwise.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/Codepage.h"
#include "modem/ModemTestSupport.h"
#include "params/Catalogue.h"
#include "params/ControlCodec.h"
#include "params/ProfileFile.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "sim/modem/ModemSimulator.h"
#include "support/ModalPerson.h"
#include "support/Pump.h"
#include "ui/Batch.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"
#include "ui/RemoteConnection.h"
#include "ui/UsbConnectForm.h"

namespace varnex {
namespace {

using Clock = std::chrono::steady_clock;

using testing::PumpUntil;

// The rows the soak gives a second value: free-text edits with no rule of
// their own (phone numbers, message texts), so that a value can only have
// come from the module or from before.
bool Varies(const ParamDef& row) {
    if (row.kind != ControlKind::Edit || row.control.empty() || row.control[0] == '_') return false;
    const bool phone = row.key.size() > 3 && row.key.compare(row.key.size() - 3, 3, ".PN") == 0;
    return phone || row.key.rfind("SMS:", 0) == 0;
}

// Two configurations, A (the catalogue's defaults) and B, as the module holds
// them (Windows-1250 bytes).
struct Configurations {
    std::map<std::string, std::string> a, b;
    Configurations() {
        int n = 0;
        for (const auto& row : ParameterCatalogue()) {
            if (!Varies(row)) continue;
            ++n;
            a[row.key] = row.defaultValue;
            const std::wstring other = row.key.rfind("SMS:", 0) == 0
                                           ? L"Soak " + std::to_wstring(n) + L" \u0151\u017e"
                                           : L"+367055" + std::to_wstring(10000 + n);
            b[row.key] = EncodeAnsi(other);
        }
    }
    void Put(sim::ModuleSimulator& module, bool second) const {
        for (const auto& [key, value] : second ? b : a) module.SetParameterValue(key, value);
    }
};

// ---- The save child: saves settings files until it is killed. ----

std::string SettingsBytes(const std::string& path, bool second, const Configurations& configs) {
    ProfileFile file;
    file.Load(path);
    for (const auto& row : ParameterCatalogue()) {
        const auto& set = second ? configs.b : configs.a;
        const auto it = set.find(row.key);
        const std::string raw = it != set.end() ? it->second : row.defaultValue;
        file.WriteString(L"Settings", QString::fromStdString(row.key).toStdWString(), DecodeAnsi(raw));
    }
    return file.Bytes();
}

int SaveChild(const std::string& path) {
    const Configurations configs;
    for (unsigned i = 0;; ++i) {
        ProfileFile file;
        file.Parse(SettingsBytes(path, i % 2 == 1, configs));
        if (!file.Save(path)) return 3;
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// ---- The soak ----

enum class Fault {
    None,
    Unplug,        // the cable goes at a random output report
    LevelZero,     // the module logs out after a random number of answers
    Silence,       // the module answers nothing for a while
    Corruption,    // every n-th frame from the module has a bit flipped
    Chunking,      // the module's output arrives in pieces of random size
    ReplyForKey,   // every query is answered for one other key
    FailRead,      // one read of the device fails
    FailWrite,     // one write to the device fails
    CallDrop,      // the call drops at a random moment
    PortVanishes,  // the modem's port goes (a USB-serial modem pulled out) at a random moment
    KilledSave,    // a save is killed at a random moment
    LoginPull,     // the cable goes while the password window waits
    PresentAtStart,  // the module is plugged in before the program starts
    BatchCallDrop,   // the call drops under batch mode
};

const char* FaultName(Fault f) {
    switch (f) {
        case Fault::None: return "none";
        case Fault::Unplug: return "cable pulled";
        case Fault::LevelZero: return "module logged out";
        case Fault::Silence: return "module silent";
        case Fault::Corruption: return "frames corrupted";
        case Fault::Chunking: return "output in pieces";
        case Fault::ReplyForKey: return "reply for another key";
        case Fault::FailRead: return "device read fails";
        case Fault::FailWrite: return "device write fails";
        case Fault::CallDrop: return "call drops";
        case Fault::PortVanishes: return "modem port vanishes";
        case Fault::KilledSave: return "save killed";
        case Fault::LoginPull: return "cable pulled";
        case Fault::PresentAtStart: return "module present";
        case Fault::BatchCallDrop: return "call drops";
    }
    return "?";
}

struct Tally {
    int cycles = 0;
    int complete = 0;  // the operation still did all its work
    int failures = 0;
};

class Soak {
public:
    Soak(unsigned seed, bool quiet, bool verbose) : random(seed), quiet(quiet), verbose(verbose) {
        modem.SetLineRate(0);  // the faults are the subject, not the line's pace
        controller = std::make_unique<MainController>(backend);
        controller->execPasswordWindow = ConfirmPassword;
        controller->execUsbConnectWindow = [](QDialog&) {};
        controller->serialPorts = [port = modem.PortName()] { return std::vector<std::string>{port}; };
        controller->RefreshSerialPortList();
        controller->modemPage->clock = &fastClock;
        controller->modemPage->execMessageBox = [this](QMessageBox& box) { boxes.push_back(box.text().toStdString()); };
        W().edCSDPhnr->setText(QStringLiteral("+36301234567"));
        // The longest time the window's events waited, measured by a timer that
        // wants to run every 5 ms.
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            if (lastTick != Clock::time_point{} && measuring)
                longestStall = std::max(longestStall, now - lastTick);
            lastTick = now;
        });
        ticker.start(5);
    }
    ~Soak() { controller.reset(); }

    bool Prepare() {
        backend.Plug();
        if (!WaitReady()) return Fail("setup", "no login over USB");
        // What a complete read of either configuration shows in each control.
        for (bool second : {false, true}) {
            configs.Put(desk, second);
            W().btnRead->click();
            if (!controller->transfer.complete) return Fail("setup", "a clean read was not complete");
            auto& shown = second ? shownB : shownA;
            for (int i = 0; i < Rows().Count(); ++i) shown.push_back(GetControlValue(Rows().At(i).control));
        }
        // The model the checks rest on: a varying row shows the module's text
        // as it is, every other row the same whichever configuration was read.
        for (int i = 0; i < Rows().Count(); ++i) {
            const auto k = static_cast<std::size_t>(i);
            const std::string key = Rows().At(i).key.toStdString();
            const ParamDef* def = FindParameter(key);
            const bool varies = def && Varies(*def);
            const bool holds =
                varies ? shownA[k] == QString::fromStdWString(DecodeAnsi(configs.a.at(key))) &&
                             shownB[k] == QString::fromStdWString(DecodeAnsi(configs.b.at(key)))
                       : shownA[k] == shownB[k];
            if (!holds) return Fail("setup", "the control of " + key + " does not show what the module holds");
        }
        configs.Put(remote, false);
        return true;
    }

    void Cycle(int number) {
        cycle = number;
        cycleStart.store(Clock::now().time_since_epoch().count());
        const int kind = Pick(0, 99);
        if (kind < 50) UsbCycle();
        else if (kind < 56) LoginCycle();
        else if (kind < 76) RemoteCycle();
        else if (kind < 80) StartCycle();
        else if (kind < 85) BatchCycle();
        else SaveCycle();
    }

    int Report(double seconds, int cycles, unsigned seed) const {
        int failures = 0;
        std::printf("\nsoak: %d cycles, seed %u, %.0f s; longest wait of the window's events %.0f ms\n", cycles,
                    seed, seconds,
                    std::chrono::duration<double, std::milli>(longestStall).count());
        std::printf("%-44s %7s %9s %9s\n", "cycle", "cycles", "complete", "failures");
        for (const auto& [name, t] : tallies) {
            std::printf("%-44s %7d %9d %9d\n", name.c_str(), t.cycles, t.complete, t.failures);
            failures += t.failures;
        }
        std::printf("faults injected: %d; temporary files left by killed saves: %d\n", faultsInjected, leftovers);
        std::printf("%s\n", failures == 0 ? "every check held" : "CHECKS FAILED");
        return failures;
    }

    std::atomic<Clock::rep> cycleStart{0};
    std::atomic<int> cycle{0};
    std::string what = "setup";

private:
    static void ConfirmPassword(QDialog& d) { static_cast<TPwdForm&>(d).btPasswAction->click(); }
    TFormMain& W() { return controller->window; }
    const ControlDescList& Rows() { return W().parameterList; }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool ButtonsEnabled() { return W().btnRead->isEnabled() && W().btnWrite->isEnabled(); }
    // Runs `action` from the event pump after `ms`, unless the cycle is over by then.
    void After(int ms, std::function<void()> action) {
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, std::move(action));
        timer->start(ms);
        timers.push_back(std::move(timer));
    }
    void EndOfCycle() { timers.clear(); }
    bool OnUsb() { return controller->protocol.CommandChannel() == controller->usbCommandSlot.get(); }

    bool Fail(const std::string& where, const std::string& why) {
        std::fprintf(stderr, "soak: cycle %d (%s): %s: %s\n", cycle.load(), where.c_str(), why.c_str(),
                     controller->Outcome().toStdString().c_str());
        return false;
    }

    bool WaitReady() {
        return PumpUntil([&] { return controller->loggedIn && ButtonsEnabled() && OnUsb(); }, 15000);
    }

    std::vector<QString> Controls() {
        std::vector<QString> values;
        for (int i = 0; i < Rows().Count(); ++i) values.push_back(GetControlValue(Rows().At(i).control));
        return values;
    }
    std::map<std::string, std::string> Settings(const sim::ModuleSimulator& module) {
        std::map<std::string, std::string> values;
        for (const auto& row : ParameterCatalogue()) values[row.key] = module.Parameter(row.key);
        return values;
    }

    // What a read of the module's value shows in row i's control.
    QString Shown(int i, const sim::ModuleSimulator& module) {
        const ParamDef* def = FindParameter(Rows().At(i).key.toStdString());
        if (def && Varies(*def)) return QString::fromStdWString(DecodeAnsi(module.Parameter(def->key)));
        return shownA[static_cast<std::size_t>(i)];
    }

    // Every control holds what it held before or what the module holds for
    // its own key; after a complete read, only the latter.
    bool CheckControls(const std::vector<QString>& before, const sim::ModuleSimulator& module, bool complete) {
        const auto now = Controls();
        for (int i = 0; i < Rows().Count(); ++i) {
            const auto k = static_cast<std::size_t>(i);
            const QString fromModule = Shown(i, module);
            if (now[k] == fromModule || (!complete && now[k] == before[k])) continue;
            return Fail(what, "control of " + Rows().At(i).key.toStdString() + " holds \"" +
                                  now[k].toStdString() + "\", neither \"" + before[k].toStdString() +
                                  "\" nor the module's \"" + fromModule.toStdString() + "\"");
        }
        return true;
    }

    // Every module setting holds what it held before or what the window sent.
    bool CheckModule(const std::map<std::string, std::string>& before, const sim::ModuleSimulator& module,
                     bool complete) {
        for (int i = 0; i < Rows().Count(); ++i) {
            const std::string key = Rows().At(i).key.toStdString();
            const std::string sent = EncodeAnsi(GetControlValue(Rows().At(i).control).toStdWString());
            const std::string now = module.Parameter(key);
            if (now == sent || (!complete && now == before.at(key))) continue;
            return Fail(what, "module's " + key + " holds \"" + now + "\", neither \"" + before.at(key) +
                                  "\" nor the window's \"" + sent + "\"");
        }
        return true;
    }

    // The window after an operation: nothing busy, the pages usable, the
    // buttons as the link is.
    bool CheckWindow(qint64 took, qint64 budget) {
        bool ok = true;
        if (took > budget) ok = Fail(what, "took " + std::to_string(took) + " ms");
        if (controller->transfer.busy) ok = Fail(what, "still busy");
        if (!W().PageControl1->isEnabled()) ok = Fail(what, "the pages stay disabled");
        // Read and Write are on exactly while a link is up: the USB module, or
        // the call. A change of the link reaches the window shortly after.
        const auto linkUp = [this] {
            return (controller->usbConnection && controller->usbConnection->IsConnected()) || controller->CallUp();
        };
        if (!PumpUntil([&] { return ButtonsEnabled() == linkUp(); }, 2000))
            ok = Fail(what, std::string("buttons ") + (ButtonsEnabled() ? "enabled" : "disabled") +
                                " with the link " + (linkUp() ? "up" : "down"));
        return ok;
    }

    // Runs the read or write as the user does and checks what it left.
    bool Transfer(bool write, sim::ModuleSimulator& module, qint64 budget) {
        const auto controls = Controls();
        const auto settings = Settings(module);
        QElapsedTimer timer;
        timer.start();
        (write ? W().btnWrite : W().btnRead)->click();
        const qint64 took = timer.elapsed();
        bool ok = CheckWindow(took, budget);
        const bool complete = controller->transfer.complete;
        if (write) ok = CheckModule(settings, module, complete) && ok;
        else ok = CheckControls(controls, module, complete) && ok;
        if (write && complete && Controls() != controls) ok = Fail(what, "a write changed the window");
        return ok;
    }

    void Count(const std::string& name, bool complete, bool ok) {
        Tally& t = tallies[name];
        ++t.cycles;
        if (complete) ++t.complete;
        if (!ok) ++t.failures;
        if (verbose || (!quiet && (cycle % 50 == 0 || !ok)))
            std::printf("cycle %5d  %-44s %s  %s\n", cycle.load(), name.c_str(), ok ? "ok  " : "FAIL",
                        controller->Outcome().toStdString().c_str());
        std::fflush(stdout);
    }

    void UsbCycle() {
        static const Fault faults[] = {Fault::None,        Fault::Unplug,   Fault::Unplug,    Fault::LevelZero,
                                       Fault::Silence,     Fault::Corruption, Fault::Chunking, Fault::ReplyForKey,
                                       Fault::FailRead,    Fault::FailWrite};
        const Fault fault = faults[Pick(0, static_cast<int>(std::size(faults)) - 1)];
        const bool write = Pick(0, 1) == 1;
        configs.Put(desk, Pick(0, 1) == 1);
        what = std::string("usb ") + (write ? "write" : "read") + ", " + FaultName(fault);
        if (fault != Fault::None) ++faultsInjected;

        switch (fault) {
            case Fault::None: break;
            case Fault::Unplug: desk.SetUnplugAfterReports(Pick(1, 6 * 205)); break;
            case Fault::LevelZero: desk.SetDropToLevelZeroAfter(Pick(1, 205)); break;
            case Fault::Silence: {
                // Quiet for up to half a second, starting at a random moment.
                const int start = Pick(0, 8), length = Pick(10, 500);
                After(start, [this, length] {
                    desk.SetSilent(true);
                    After(length, [this] { desk.SetSilent(false); });
                });
                break;
            }
            case Fault::Corruption: desk.SetCorruptEveryNthFrame(Pick(100, 400)); break;
            case Fault::Chunking: desk.SetChunking(static_cast<std::size_t>(Pick(1, 64)), Pick(0, 1) == 1); break;
            case Fault::ReplyForKey:
                desk.SetReplyForKey(ParameterCatalogue()[static_cast<std::size_t>(Pick(0, 204))].key);
                break;
            case Fault::FailRead:
                After(Pick(0, 8), [this] { backend.FailNextRead(); });
                break;
            case Fault::FailWrite: backend.FailNextWrite(); break;
            default: break;
        }
        bool ok = Transfer(write, desk, 30000);
        const bool complete = controller->transfer.complete;
        // Faults that cannot cost a setting must not.
        // (A corrupted first frame leaves a reply without its key: a read then
        // says that setting got no usable reply.)
        const bool harmless = fault == Fault::None || fault == Fault::Silence || fault == Fault::Chunking ||
                              fault == Fault::FailWrite || ((fault == Fault::Corruption || fault == Fault::ReplyForKey) && write);
        if (harmless && !complete) ok = Fail(what, "incomplete");

        // Back to a clean module and a fresh login.
        EndOfCycle();
        desk.SetSilent(false);
        desk.SetUnplugAfterReports(0);
        desk.SetDropToLevelZeroAfter(0);
        desk.SetCorruptEveryNthFrame(0);
        desk.SetChunking(0, false);
        desk.SetReplyForKey("");
        if (fault == Fault::LevelZero || fault == Fault::Unplug || !backend.Plugged()) {
            backend.Unplug();
            // Until the window has seen the module go: a fresh login follows.
            PumpUntil([&] { return !controller->loggedIn; }, 3000);
            backend.Plug();
        }
        if (!WaitReady()) ok = Fail(what, "the window did not come back to a logged-in module");
        Count(what, complete, ok);
    }

    void RemoteCycle() {
        const int pick = Pick(0, 5);
        const Fault fault = pick == 0 ? Fault::None : pick <= 3 ? Fault::CallDrop : Fault::PortVanishes;
        const bool drop = fault != Fault::None;
        const bool write = Pick(0, 1) == 1;
        configs.Put(remote, Pick(0, 1) == 1);
        what = std::string("call ") + (write ? "write" : "read") + ", " + FaultName(fault);
        boxes.clear();
        bool ok = true;
        W().btCSDConnect->click();
        ModemPage& page = *controller->modemPage;
        if (page.CurrentPhase() != ModemPage::Phase::Connected || controller->protocol.CommandChannel() == nullptr ||
            OnUsb()) {
            Fail(what, "the call did not connect");
            Count(what, false, false);
            W().btCSDDisconnect->click();
            return;
        }
        if (drop) {
            ++faultsInjected;
            // Somewhere within the time such a transfer takes.
            After(Pick(0, static_cast<int>(remoteTransferMs)), [this, fault] {
                if (fault == Fault::CallDrop) modem.DropCall();
                else modem.Unplug();
            });
        }
        QElapsedTimer timer;
        timer.start();
        ok = Transfer(write, remote, 30000) && ok;
        if (!drop) remoteTransferMs = timer.elapsed();
        const bool complete = controller->transfer.complete;
        if (!drop && !complete) ok = Fail(what, "incomplete");
        if (drop) {
            // The drop shows as a message; the page then waits for Disconnect.
            if (!PumpUntil([&] { return !boxes.empty(); }, 10000)) ok = Fail(what, "no message for the drop");
        }
        EndOfCycle();
        QElapsedTimer hangUp;
        hangUp.start();
        W().btCSDDisconnect->click();
        if (hangUp.elapsed() > 15000) ok = Fail(what, "the hang-up took " + std::to_string(hangUp.elapsed()) + " ms");
        if (page.CurrentPhase() != ModemPage::Phase::Idle || !OnUsb()) ok = Fail(what, "did not hang up");
        if (modem.InCall()) ok = Fail(what, "the modem is still in the call");
        if (!modem.Plugged()) {
            // The modem comes back on another port, as a replugged adapter does.
            modem.Replug();
            controller->serialPorts = [port = modem.PortName()] { return std::vector<std::string>{port}; };
            controller->RefreshSerialPortList();
        }
        if (!WaitReady()) ok = Fail(what, "the window did not come back to the USB module");
        Count(what, complete, ok);
    }

    // The cable pulled while the password window waits, OK pressed, and the
    // module plugged in again, before or after OK: the module that came back
    // is logged in, and a read of it is complete.
    void LoginCycle() {
        const bool backBeforeOk = Pick(0, 1) == 1;
        configs.Put(desk, Pick(0, 1) == 1);
        what = std::string("usb login, ") + FaultName(Fault::LoginPull) +
               (backBeforeOk ? ", back before OK" : ", back after OK");
        ++faultsInjected;
        bool ok = true;
        backend.Unplug();
        PumpUntil([&] { return !controller->loggedIn; }, 3000);
        int shows = 0;
        controller->execPasswordWindow = [&](QDialog& d) {
            if (++shows == 1) {
                backend.Unplug();
                // As in a modal window, the window hears of it meanwhile.
                if (!PumpUntil([&] { return !W().btnRead->isEnabled(); }, 3000))
                    ok = Fail(what, "the window did not see the cable go");
                if (backBeforeOk) {
                    backend.Plug();
                    PumpUntil([&] { return W().btnRead->isEnabled(); }, 3000);
                }
            }
            ConfirmPassword(d);
        };
        backend.Plug();
        QElapsedTimer timer;
        timer.start();
        if (!PumpUntil([&] { return shows >= 1 && !controller->loginSeries; }, 15000))
            ok = Fail(what, "the login did not end");
        if (timer.elapsed() > 3000) ok = Fail(what, "the login took " + std::to_string(timer.elapsed()) + " ms");
        if (!backBeforeOk) backend.Plug();
        if (!WaitReady()) ok = Fail(what, "the module that came back was not logged in");
        controller->execPasswordWindow = ConfirmPassword;
        if (desk.Level() != 2) ok = Fail(what, "the module is at level " + std::to_string(desk.Level()));
        ok = Transfer(false, desk, 30000) && ok;
        const bool complete = controller->transfer.complete;
        if (!complete) ok = Fail(what, "the read after the login was incomplete");
        Count(what, complete, ok);
    }

    // A second program started with a module already on its cable, its
    // windows modal as a person meets them: the show sequence runs first, and
    // the module's login follows straight from it.
    void StartCycle() {
        what = std::string("start-up, ") + FaultName(Fault::PresentAtStart);
        ++faultsInjected;
        bool ok = true;
        sim::ModuleSimulator module;
        sim::SimulatedHidBackend present{module, true};
        {
            MainController second(present);
            testing::ModalPerson person;
            std::this_thread::sleep_for(std::chrono::milliseconds(Pick(0, 40)));
            second.window.show();
            if (!PumpUntil([&] { return second.loggedIn && !QApplication::activeModalWidget(); }, 10000))
                ok = Fail(what, "no login");
            if (!person.StraightToTheLogin()) ok = Fail(what, "the windows came as: " + person.Order());
            if (module.Level() != 2) ok = Fail(what, "the module is not logged in");
            second.window.hide();
        }
        Count(what, true, ok);
    }

    // Batch mode reading or writing over a call that drops at a random
    // moment: the run ends by itself, soon, with the link lost when the drop
    // cut the transfer, and the modem is hung up.
    void BatchCycle() {
        const bool write = Pick(0, 1) == 1;
        configs.Put(remote, Pick(0, 1) == 1);
        what = std::string("batch ") + (write ? "write" : "read") + " over a call, " + FaultName(Fault::BatchCallDrop);
        ++faultsInjected;
        bool ok = true;
        BatchOptions options;
        QString error;
        ParseBatchArguments({"--modem", QString::fromStdString(modem.PortName()), "--phone", "+36301234567",
                             write ? "write" : "read"},
                            &options, &error);
        NoHidBackend none;
        MainController batch(none, MainController::Run::Unattended);
        batch.modemPage->clock = &fastClock;
        // Somewhere between the login and the end of such a transfer.
        const std::uint64_t at = modem.CallBytesToModule() + static_cast<std::uint64_t>(Pick(30, 5500));
        std::atomic<bool> stop{false};
        std::thread dropper([&] {
            while (!stop && modem.CallBytesToModule() < at) std::this_thread::sleep_for(std::chrono::microseconds(200));
            if (!stop) modem.DropCall();
        });
        std::ostringstream out, err;
        QElapsedTimer timer;
        timer.start();
        const int status = RunBatch(batch, options, out, err, 300);
        const qint64 took = timer.elapsed();
        stop = true;
        dropper.join();
        const std::string said = err.str();
        if (took > 30000) ok = Fail(what, "took " + std::to_string(took) + " ms");
        const bool lost = said.find("the link was lost.") != std::string::npos;
        const bool complete = status == kBatchOk;
        const bool droppedAtLogin = said.find("the call dropped during the login") != std::string::npos;
        if (!complete && !(status == kBatchStepFailed && lost) && !(status == kBatchNoLink && droppedAtLogin))
            ok = Fail(what, "ended with status " + std::to_string(status) + ": " + said);
        if (modem.InCall()) ok = Fail(what, "the modem is still in the call");
        Count(what, complete, ok);
    }

    void SaveCycle() {
        what = "settings file save, save killed";
        ++faultsInjected;
        const std::string path = dir.filePath(QStringLiteral("site.ini")).toStdString();
        const std::string first = SettingsBytes(path, false, configs);
        const std::string second = SettingsBytes(path, true, configs);
        bool ok = true;
        if (ReadAll(path).empty()) {
            ProfileFile file;
            file.Parse(first);
            if (!file.Save(path)) ok = Fail(what, "the first save failed");
        }
        // The soak itself waits here, not the window: leave it out of the measure.
        measuring = false;
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(self.c_str(), self.c_str(), "--save-child", path.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(Pick(2000, 100000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        measuring = true;
        lastTick = Clock::time_point{};
        if (WIFEXITED(status)) ok = Fail(what, "the save child ended by itself with " + std::to_string(WEXITSTATUS(status)));
        const std::string now = ReadAll(path);
        if (now != first && now != second)
            ok = Fail(what, "the file is neither the old nor the new one (" + std::to_string(now.size()) + " bytes)");
        // What a killed save leaves is its temporary file; count and clear them.
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            if (name != QStringLiteral("site.ini")) {
                ++leftovers;
                QFile::remove(dir.filePath(name));
            }
        Count(what, true, ok);
    }

    std::mt19937 random;
    bool quiet, verbose;
    const Configurations configs;
    std::vector<QString> shownA, shownB;

    sim::ModuleSimulator desk;
    sim::SimulatedHidBackend backend{desk, false};
    sim::ModuleSimulator remote;
    sim::ModemSimulator modem{remote};
    modemtest::FastClock fastClock{modem};
    std::unique_ptr<MainController> controller;
    std::vector<std::string> boxes;
    std::vector<std::unique_ptr<QTimer>> timers;  // the faults' timers of this cycle

    QTemporaryDir dir;
    std::string self = QCoreApplication::applicationFilePath().toStdString();
    std::map<std::string, Tally> tallies;
    int faultsInjected = 0;
    int leftovers = 0;
    qint64 remoteTransferMs = 300;

    QTimer ticker;
    Clock::time_point lastTick{};
    Clock::duration longestStall{};
    bool measuring = true;
};

}  // namespace
}  // namespace varnex

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--save-child") == 0) return varnex::SaveChild(argv[2]);

    int cycles = 1000;
    unsigned seed = static_cast<unsigned>(std::random_device{}());
    bool quiet = false, verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--cycles" && i + 1 < argc) cycles = std::atoi(argv[++i]);
        else if (a == "--seed" && i + 1 < argc) seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--quiet") quiet = true;
        else if (a == "--verbose") verbose = true;
        else {
            std::fprintf(stderr, "usage: %s [--cycles N] [--seed S] [--quiet | --verbose]\n", argv[0]);
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    varnex::Soak soak(seed, quiet, verbose);
    // A cycle that does not end within two minutes has hung: say where, and stop.
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        using namespace std::chrono;
        while (!done) {
            std::this_thread::sleep_for(milliseconds(200));
            const auto started = steady_clock::time_point(steady_clock::duration(soak.cycleStart.load()));
            if (soak.cycleStart.load() != 0 && steady_clock::now() - started > minutes(2)) {
                std::fprintf(stderr, "soak: cycle %d hung (seed %u)\n", soak.cycle.load(), seed);
                std::abort();
            }
        }
    });

    std::printf("soak: %d cycles, seed %u\n", cycles, seed);
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    int failures = 0;
    if (!soak.Prepare()) failures = 1;
    else {
        for (int i = 1; i <= cycles; ++i) soak.Cycle(i);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        failures = soak.Report(seconds, cycles, seed);
    }
    done = true;
    watchdog.join();
    return failures == 0 ? 0 : 1;
}
