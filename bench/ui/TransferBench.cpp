// A full read and a full write of the 205 settings through the whole stack:
// the main window offscreen, the protocol, the slots, the USB connection and
// its reader thread, and the simulated device. Against a device that answers
// at once, with the protocol's waits as they are and with a plain 1 ms sleep
// per poll (the baseline); against a device paced like a full-speed
// interrupt endpoint, next to the floor that pace sets; and over a data call
// at 9600 bit/s, next to the floor the line sets. Each read also records the
// longest time the window's events had to wait.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "sim/modem/ModemSimulator.h"
#include "support/Pump.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"
#include "ui/RemoteConnection.h"

namespace {

using namespace varnex;
using Clock = std::chrono::steady_clock;

using testing::PumpUntil;

// The window and a logged-in module on the simulated USB cable.
struct Stack {
    explicit Stack(CommandProtocol::Polling polling = CommandProtocol::Polling::WakeOnArrival,
                   std::chrono::microseconds reportInterval = std::chrono::microseconds(0))
        : backend(module, true), controller(backend) {
        backend.SetReportInterval(reportInterval);
        controller.protocol.polling = polling;
        controller.execPasswordWindow = [](QDialog& d) { static_cast<TPwdForm&>(d).btPasswAction->click(); };
        PumpUntil([this] { return controller.loggedIn; }, 5000);
    }
    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend;
    MainController controller;
};

// How late a 1 ms timer's ticks come while the window thread is busy.
class StallMeter {
public:
    StallMeter() {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            if (last != Clock::time_point{}) longest = std::max(longest, now - last - std::chrono::milliseconds(1));
            last = now;
        });
    }
    void Start() {
        last = Clock::time_point{};
        timer.start(1);
    }
    void Stop() { timer.stop(); }
    double LongestMs() const { return std::chrono::duration<double, std::milli>(longest).count(); }

private:
    QTimer timer;
    Clock::time_point last{};
    Clock::duration longest{};
};

void Transfer(benchmark::State& state, Stack& stack, bool write) {
    StallMeter stalls;
    std::uint64_t out = 0, in = 0;
    for (auto _ : state) {
        const auto outBefore = stack.backend.ReportsOut(), inBefore = stack.backend.ReportsIn();
        stalls.Start();
        if (write) stack.controller.WriteToDevice();
        else stack.controller.ReadFromDevice();
        stalls.Stop();
        out += stack.backend.ReportsOut() - outBefore;
        in += stack.backend.ReportsIn() - inBefore;
        if (!stack.controller.transfer.complete) {
            state.SkipWithError("transfer incomplete");
            return;
        }
    }
    // Every benchmark here sets the same counters (the CSV form needs that);
    // the paced ones fill in their floor.
    const double n = static_cast<double>(state.iterations());
    state.counters["reports"] = static_cast<double>(out + in) / n;
    state.counters["reports_out"] = static_cast<double>(out) / n;
    state.counters["reports_in"] = static_cast<double>(in) / n;
    state.counters["stall_ms"] = stalls.LongestMs();
    state.counters["floor_ms"] = 0;
    state.counters["line_bytes"] = 0;
}

void BM_FullRead(benchmark::State& state) {
    Stack stack;
    Transfer(state, stack, false);
}
void BM_FullWrite(benchmark::State& state) {
    Stack stack;
    Transfer(state, stack, true);
}
void BM_FullRead_Baseline(benchmark::State& state) {
    Stack stack(CommandProtocol::Polling::PlainSleep);
    Transfer(state, stack, false);
}
void BM_FullWrite_Baseline(benchmark::State& state) {
    Stack stack(CommandProtocol::Polling::PlainSleep);
    Transfer(state, stack, true);
}

// One report per millisecond each way; the floor is every report that
// crossed, one millisecond each.
void Paced(benchmark::State& state, bool write) {
    Stack stack(CommandProtocol::Polling::WakeOnArrival, std::chrono::milliseconds(1));
    Transfer(state, stack, write);
    const double floorMs = state.counters["reports"] * 1.0;
    state.counters["floor_ms"] = floorMs;
}
void BM_PacedRead(benchmark::State& state) { Paced(state, false); }
void BM_PacedWrite(benchmark::State& state) { Paced(state, true); }

// The window with a call up at 9600 bit/s to a module on site.
struct CallStack {
    CallStack() : backend(desk, false), modem(remote), controller(backend) {
        controller.execPasswordWindow = [](QDialog& d) { static_cast<TPwdForm&>(d).btPasswAction->click(); };
        controller.execUsbConnectWindow = [](QDialog&) {};
        controller.serialPorts = [port = modem.PortName()] { return std::vector<std::string>{port}; };
        controller.RefreshSerialPortList();
        controller.modemPage->execMessageBox = [](QMessageBox&) {};
        controller.window.edCSDPhnr->setText(QStringLiteral("+36301234567"));
        controller.window.btCSDConnect->click();
    }
    ~CallStack() {
        if (Connected()) controller.window.btCSDDisconnect->click();
    }
    bool Connected() const { return controller.modemPage->CurrentPhase() == ModemPage::Phase::Connected; }
    std::uint64_t LineBytes() const { return modem.CallBytesToModule() + modem.CallBytesFromModule(); }

    sim::ModuleSimulator desk, remote;
    sim::SimulatedHidBackend backend;
    sim::ModemSimulator modem;
    MainController controller;
};

// A full read through a call at 9600 bit/s: ten bits a byte, so 960 bytes/s
// on the line. The floor is the call's bytes in both directions at that pace.
void BM_RemoteRead(benchmark::State& state) {
    CallStack call;
    if (!call.Connected()) {
        state.SkipWithError("the call did not connect");
        return;
    }
    MainController& controller = call.controller;
    StallMeter stalls;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        const auto before = call.LineBytes();
        stalls.Start();
        controller.ReadFromDevice();
        stalls.Stop();
        bytes += call.LineBytes() - before;
        if (!controller.transfer.complete) {
            state.SkipWithError("read incomplete");
            break;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["reports"] = 0;
    state.counters["reports_out"] = 0;
    state.counters["reports_in"] = 0;
    state.counters["line_bytes"] = static_cast<double>(bytes) / n;
    state.counters["floor_ms"] = static_cast<double>(bytes) / n / 960.0 * 1000.0;
    state.counters["stall_ms"] = stalls.LongestMs();
}

// Five settings changed since the module was read, written as changes: the
// same five sets a full write would send for them, and nothing else. Each
// round changes them again, so every round writes five.
void EditFive(MainController& controller, std::int64_t round) {
    for (const char* name : {"EditPhoneNumber1", "EditPhoneNumber2", "EditPhoneNumber3", "EditPhoneNumber4",
                             "EditPhoneNumberSu"})
        controller.window.Control<QLineEdit>(QLatin1String(name))->setText(QStringLiteral("+3630%1").arg(round));
}

void BM_PacedWriteChanges5(benchmark::State& state) {
    Stack stack(CommandProtocol::Polling::WakeOnArrival, std::chrono::milliseconds(1));
    stack.controller.ReadFromDevice();
    std::int64_t round = 0;
    std::uint64_t reports = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EditFive(stack.controller, ++round);
        const auto before = stack.backend.ReportsOut() + stack.backend.ReportsIn();
        state.ResumeTiming();
        stack.controller.WriteChangesToDevice();
        reports += stack.backend.ReportsOut() + stack.backend.ReportsIn() - before;
        if (!stack.controller.transfer.complete || stack.controller.transfer.ChangedRows().size() != 0) {
            state.SkipWithError("write of changes incomplete");
            return;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["reports"] = static_cast<double>(reports) / n;
    state.counters["reports_out"] = 0;
    state.counters["reports_in"] = 0;
    state.counters["stall_ms"] = 0;
    state.counters["floor_ms"] = static_cast<double>(reports) / n;
    state.counters["line_bytes"] = 0;
}

// A full write, and five changes, over a call at 9600 bit/s (after one read,
// which the changes need).
void RemoteWrite(benchmark::State& state, bool changesOnly) {
    CallStack call;
    if (!call.Connected()) {
        state.SkipWithError("the call did not connect");
        return;
    }
    MainController& controller = call.controller;
    if (changesOnly) controller.ReadFromDevice();
    std::uint64_t bytes = 0;
    std::int64_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EditFive(controller, ++round);
        const auto before = call.LineBytes();
        state.ResumeTiming();
        if (changesOnly) controller.WriteChangesToDevice();
        else controller.WriteToDevice();
        bytes += call.LineBytes() - before;
        if (!controller.transfer.complete) {
            state.SkipWithError("write incomplete");
            break;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["reports"] = 0;
    state.counters["reports_out"] = 0;
    state.counters["reports_in"] = 0;
    state.counters["line_bytes"] = static_cast<double>(bytes) / n;
    state.counters["floor_ms"] = static_cast<double>(bytes) / n / 960.0 * 1000.0;
    state.counters["stall_ms"] = 0;
}
void BM_RemoteWrite(benchmark::State& state) { RemoteWrite(state, false); }
void BM_RemoteWriteChanges5(benchmark::State& state) { RemoteWrite(state, true); }

BENCHMARK(BM_FullRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullRead_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FullWrite_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PacedRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PacedWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RemoteRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PacedWriteChanges5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RemoteWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RemoteWriteChanges5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
