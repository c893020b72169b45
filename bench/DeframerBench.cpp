// The deframer's throughput: a stream of frames for channels 2, 3 and 4
// through the three slots of the USB connection, byte for byte as reports
// bring it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "link/Connection.h"

namespace {

using namespace varnex;

// Collects what the slots write, so the stream holds real frames.
class Recorder : public Connection {
public:
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t* d, std::size_t n) override { bytes.insert(bytes.end(), d, d + n); }
    void WriteString(const std::string&) override {}
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "recorder"; }
    std::vector<std::uint8_t> bytes;
};

class Sink : public Connection {
public:
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t*, std::size_t) override {}
    void WriteString(const std::string&) override {}
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "sink"; }
    void OnReceive(const std::uint8_t*, std::size_t n) override { delivered += n; }
    std::size_t delivered = 0;
};

void BM_DeframeThreeSlots(benchmark::State& state) {
    Recorder recorder;
    {
        Slot commands(2, &recorder), log(3, &recorder), status(4, &recorder);
        for (int i = 0; i < 200; ++i) {
            commands.WriteString("CALL:USER1.PN=+36301234567\r\n->PASS\r\n:L2 >");
            log.WriteString("[07:41:06] <ATCH> (GPRS attached)\r");
            status.WriteString("{RFP=21}{GUTM=3d 04:12:07}");
        }
    }
    Recorder link;  // its receive side hands the bytes to the slots
    Slot commands(2, &link), log(3, &link), status(4, &link);
    Sink sink;
    for (Slot* s : {&commands, &log, &status}) s->receiveListeners.Add(&sink);
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < recorder.bytes.size(); offset += chunk)
            link.OnReceive(recorder.bytes.data() + offset, std::min(chunk, recorder.bytes.size() - offset));
    }
    for (Slot* s : {&commands, &log, &status}) s->receiveListeners.Remove(&sink);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * recorder.bytes.size()));
    benchmark::DoNotOptimize(sink.delivered);
}

BENCHMARK(BM_DeframeThreeSlots)->Arg(60)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
