// The three slots of the USB link deframing one byte stream, in chunks the
// input chooses. Each slot must deliver exactly the frames a plain scan of the
// stream finds for its number, and a frame made by Slot::Write and embedded in
// arbitrary bytes must be delivered exactly once, whatever surrounds it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "link/Connection.h"
#include "link/Crc16.h"

using namespace varnex;

namespace {

struct Wire : Connection {
    std::vector<std::uint8_t> bytes;
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t* data, std::size_t length) override { bytes.insert(bytes.end(), data, data + length); }
    void WriteString(const std::string& text) override { Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()); }
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "wire"; }
};

struct Delivery {
    std::vector<std::uint8_t> payload;
    std::size_t chunkStart, chunkEnd;  // stream offsets of the chunk it came in
};

struct Recorder : Connection {
    std::vector<Delivery>* into;
    const std::size_t* chunkStart;
    const std::size_t* chunkEnd;
    bool IsOpen() override { return false; }
    void Write(const std::uint8_t*, std::size_t) override {}
    void WriteString(const std::string&) override {}
    bool Open() override { return false; }
    void Close() override {}
    std::string Name() override { return {}; }
    void OnReceive(const std::uint8_t* data, std::size_t length) override {
        into->push_back({std::vector<std::uint8_t>(data, data + length), *chunkStart, *chunkEnd});
    }
};

struct Found {
    std::size_t end;  // offset of the frame's last byte
    std::vector<std::uint8_t> payload;
};

// Every 24-byte stretch of the stream that is a frame for `number`.
std::vector<Found> Scan(const std::vector<std::uint8_t>& s, std::uint16_t number) {
    std::vector<Found> found;
    for (std::size_t i = 0; i + Slot::kFrameSize <= s.size(); ++i) {
        const std::uint8_t* w = s.data() + i;
        if (w[0] != 0x55 || w[1] != 0xAA || w[3] > Slot::kMaxPayload || w[4] != (number & 0xFF) || w[5] != (number >> 8))
            continue;
        if (Crc16(w, 22, 0) != w[22] + 256u * w[23]) continue;
        found.push_back({i + Slot::kFrameSize - 1, std::vector<std::uint8_t>(w + 6, w + 6 + w[3])});
    }
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    static const std::uint16_t numbers[3] = {2, 3, 4};
    const std::uint16_t target = numbers[in.ConsumeIntegralInRange<int>(0, 2)];
    const int sent = in.ConsumeIntegralInRange<int>(0, 255);  // moves the sequence number
    std::vector<std::uint8_t> payload = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<int>(1, 16));
    if (payload.empty()) payload.push_back(0);
    const std::vector<std::uint8_t> before = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<int>(0, 96));
    const std::uint32_t chunkSeed = in.ConsumeIntegral<std::uint32_t>();
    const std::vector<std::uint8_t> after = in.ConsumeRemainingBytes<std::uint8_t>();

    Wire out;
    Slot writer(target, &out);
    for (int i = 0; i < sent; ++i) writer.Write(payload.data(), 1);
    out.bytes.clear();
    writer.Write(payload.data(), payload.size());
    FUZZ_CHECK(out.bytes.size() == Slot::kFrameSize);

    std::vector<std::uint8_t> stream = before;
    stream.insert(stream.end(), out.bytes.begin(), out.bytes.end());
    stream.insert(stream.end(), after.begin(), after.end());
    const std::size_t frameEnd = before.size() + Slot::kFrameSize - 1;

    Wire link;
    std::size_t chunkStart = 0, chunkEnd = 0;
    std::vector<std::unique_ptr<Slot>> slots;
    std::vector<std::unique_ptr<Recorder>> recorders;
    std::vector<std::vector<Delivery>> got(3);
    for (int k = 0; k < 3; ++k) {
        slots.push_back(std::make_unique<Slot>(numbers[k], &link));
        auto r = std::make_unique<Recorder>();
        r->into = &got[k];
        r->chunkStart = &chunkStart;
        r->chunkEnd = &chunkEnd;
        slots[k]->receiveListeners.Add(r.get());
        recorders.push_back(std::move(r));
    }

    // Chunks of 1 to 64 bytes, as input reports and odd reads cut them.
    std::uint32_t rng = chunkSeed | 1;
    while (chunkEnd < stream.size()) {
        rng ^= rng << 13, rng ^= rng >> 17, rng ^= rng << 5;
        chunkStart = chunkEnd;
        chunkEnd = std::min(stream.size(), chunkStart + 1 + rng % 64);
        link.OnReceive(stream.data() + chunkStart, chunkEnd - chunkStart);
    }

    for (int k = 0; k < 3; ++k) {
        const auto expected = Scan(stream, numbers[k]);
        FUZZ_CHECK(got[k].size() == expected.size());
        int ours = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            FUZZ_CHECK(got[k][i].payload == expected[i].payload);
            FUZZ_CHECK(expected[i].end >= got[k][i].chunkStart && expected[i].end < got[k][i].chunkEnd);
            if (numbers[k] == target && expected[i].end == frameEnd) ++ours;
        }
        FUZZ_CHECK(ours == (numbers[k] == target ? 1 : 0));
    }
    for (int k = 0; k < 3; ++k) slots[k]->receiveListeners.Remove(recorders[k].get());
    return 0;
}
