// A full query walk over the 205 settings against a module that answers at
// once, with the protocol's waits that wake on arrival, next to the same walk
// polled with a plain 1 ms sleep (the way a naive port of the poll loop runs).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "link/CommandProtocol.h"
#include "params/Catalogue.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "usb/ConnHIDCOM.h"

namespace {

using namespace varnex;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The tool's USB command chain against a logged-in simulator.
struct Rig {
    Rig() : link(module), commands(link.CreateSlot(2)) {
        commands->receiveListeners.Add(&replies);
        protocol.SetCommandChannel(commands.get());
        commands->WriteString("set REM:UPW P,7402\n");
        while (module.Level() != 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // let the prompt land
        protocol.ClearReplyBuffer();
    }
    ~Rig() {
        link.Stop();
        commands->receiveListeners.Remove(&replies);
    }
    sim::ModuleSimulator module;
    sim::FramedLoopback link;
    std::unique_ptr<Slot> commands;
    CommandProtocol protocol{nullptr, nullptr};
    ResponseConnection replies{&protocol, &CommandProtocol::OnCommandText};
};

void BM_QueryWalk(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        for (const auto& row : ParameterCatalogue())
            benchmark::DoNotOptimize(rig.protocol.QueryParameter(Wide(row.key)));
    }
    state.counters["queries"] = static_cast<double>(ParameterCatalogue().size());
}

void BM_QueryWalkSleepPerPoll(benchmark::State& state) {
    Rig rig;
    rig.protocol.polling = CommandProtocol::Polling::PlainSleep;
    for (auto _ : state) {
        for (const auto& row : ParameterCatalogue())
            benchmark::DoNotOptimize(rig.protocol.QueryParameter(Wide(row.key)));
    }
    state.counters["queries"] = static_cast<double>(ParameterCatalogue().size());
}

// The same walk over the whole USB path: slot 2 over the USB connection and
// its reader thread, the simulated device behind 65-byte reports.
void BM_QueryWalkUsb(benchmark::State& state) {
    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend(module, true);
    ConnHIDCOM connection(backend);
    std::unique_ptr<Slot> commands(connection.CreateSlot(2));
    CommandProtocol protocol(commands.get(), nullptr);
    ResponseConnection replies(&protocol, &CommandProtocol::OnCommandText);
    commands->receiveListeners.Add(&replies);
    connection.Open();
    while (!connection.IsConnected()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    commands->WriteString("set REM:UPW P,7402\n");
    while (module.Level() != 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (auto _ : state) {
        for (const auto& row : ParameterCatalogue())
            benchmark::DoNotOptimize(protocol.QueryParameter(Wide(row.key)));
    }
    connection.Close();
    commands->receiveListeners.Remove(&replies);
    state.counters["queries"] = static_cast<double>(ParameterCatalogue().size());
}

BENCHMARK(BM_QueryWalk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QueryWalkUsb)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QueryWalkSleepPerPoll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
