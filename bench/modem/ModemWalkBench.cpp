// A full query walk over the 205 settings through a data call at 9600 bit/s:
// the tool's modem connection on a pseudo-terminal, the simulated modem
// pacing both directions, the module simulator behind it. Next to the wall
// time: the floor the line speed sets (bytes on the line / 960 bytes/s).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "link/CommandProtocol.h"
#include "modem/TModem.h"
#include "params/Catalogue.h"
#include "sim/ModuleSimulator.h"
#include "sim/modem/ModemSimulator.h"

namespace {

using namespace varnex;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class NoLog : public ModemLogSink {
public:
    void AppendLine(const std::wstring&) override {}
};

constexpr double kBytesPerSecond = 9600.0 / 10.0;  // start bit, eight data bits, stop bit

void BM_ModemQueryWalk(benchmark::State& state) {
    sim::ModuleSimulator module;
    sim::ModemSimulator modem(module);
    NoLog log;
    TModem connection(log, nullptr, nullptr, nullptr);
    if (connection.Dial(modem.PortName(), L"0612345678") != &connection) {
        state.SkipWithError("the call did not connect");
        return;
    }
    CommandProtocol protocol(&connection, nullptr);
    ResponseConnection replies(&protocol, &CommandProtocol::OnCommandText);
    connection.receiveListeners.Add(&replies);
    if (protocol.SendPassword(L"7402", L"0") != 1) {
        state.SkipWithError("login failed");
        return;
    }
    double wall = 0, floor = 0;
    std::uint64_t bytes = 0;
    int failed = 0;
    for (auto _ : state) {
        const auto before = modem.CallBytesToModule() + modem.CallBytesFromModule();
        const auto start = std::chrono::steady_clock::now();
        for (const auto& row : ParameterCatalogue())
            if (protocol.QueryParameter(Wide(row.key)).empty()) ++failed;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const auto walked = modem.CallBytesToModule() + modem.CallBytesFromModule() - before;
        bytes += walked;
        floor += static_cast<double>(walked) / kBytesPerSecond;
    }
    connection.receiveListeners.Remove(&replies);
    connection.Close();
    const double n = static_cast<double>(state.iterations());
    state.counters["queries"] = static_cast<double>(ParameterCatalogue().size());
    state.counters["line_bytes"] = static_cast<double>(bytes) / n;
    state.counters["wall_s"] = wall / n;
    state.counters["floor_s"] = floor / n;
    state.counters["ratio"] = floor > 0 ? wall / floor : 0;
    state.counters["failed"] = failed;
}

BENCHMARK(BM_ModemQueryWalk)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
