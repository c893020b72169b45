#include "link/Connection.h"
#include "link/Crc16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnex;

namespace {

// A parent that records every write separately, to see how frames are cut.
class RecordingParent : public Connection {
public:
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t* data, std::size_t length) override {
        writes.emplace_back(data, data + length);
    }
    void WriteString(const std::string& s) override {
        Write(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    }
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "rec"; }

    std::vector<std::uint8_t> Stream() const {
        std::vector<std::uint8_t> all;
        for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
        return all;
    }
    std::vector<std::vector<std::uint8_t>> writes;
};

struct Collector {
    std::vector<std::string> payloads;
    static void Callback(void* owner, const std::uint8_t* data, std::size_t length) {
        static_cast<Collector*>(owner)->payloads.emplace_back(reinterpret_cast<const char*>(data), length);
    }
};

std::vector<std::uint8_t> Frame(std::uint16_t channel, const std::string& payload, std::uint8_t seq = 0) {
    RecordingParent p;
    Slot s(channel, &p);
    for (int i = 0; i < seq; ++i) s.WriteString("x");
    p.writes.clear();
    s.WriteString(payload);
    return p.Stream();
}

// Three slots over one link, each with a collector, as the USB chain is built.
struct Chain : ::testing::Test {
    RecordingParent link;
    Slot* slots[3] = {link.CreateSlot(2), link.CreateSlot(4), link.CreateSlot(3)};
    Collector collectors[3];
    ResponseConnection responses[3] = {{&collectors[0], Collector::Callback},
                                       {&collectors[1], Collector::Callback},
                                       {&collectors[2], Collector::Callback}};
    void SetUp() override {
        for (int i = 0; i < 3; ++i) slots[i]->receiveListeners.Add(&responses[i]);
    }
    void TearDown() override {
        for (auto* s : slots) delete s;
    }
    void Feed(const std::vector<std::uint8_t>& bytes) { link.OnReceive(bytes.data(), bytes.size()); }
};

}  // namespace

TEST(SlotWrite, FortyBytesGoOutAsThreeFramesInWritesOf6_16_2) {
    RecordingParent parent;
    Slot slot(2, &parent);
    const std::string msg(40, 'M');
    slot.WriteString(msg);
    ASSERT_EQ(parent.writes.size(), 9u);
    const std::size_t lengths[] = {16, 16, 8};
    for (int f = 0; f < 3; ++f) {
        const auto& header = parent.writes[f * 3];
        const auto& block = parent.writes[f * 3 + 1];
        const auto& crc = parent.writes[f * 3 + 2];
        ASSERT_EQ(header.size(), 6u);
        ASSERT_EQ(block.size(), 16u);
        ASSERT_EQ(crc.size(), 2u);
        EXPECT_EQ(header[0], 0x55);
        EXPECT_EQ(header[1], 0xAA);
        EXPECT_EQ(header[2], f) << "sequence counts frames";
        EXPECT_EQ(header[3], lengths[f]);
        EXPECT_EQ(header[4], 2);
        EXPECT_EQ(header[5], 0);
        std::vector<std::uint8_t> frame(header);
        frame.insert(frame.end(), block.begin(), block.end());
        const std::uint16_t c = Crc16(frame.data(), frame.size());
        EXPECT_EQ(crc[0], c & 0xFF);
        EXPECT_EQ(crc[1], c >> 8);
    }
    for (int i = 8; i < 16; ++i) EXPECT_EQ(parent.writes[7][i], 0) << "padding of the last frame";
}

TEST(SlotWrite, EmptyWriteSendsNothingAndSequenceWraps) {
    RecordingParent parent;
    Slot slot(0x1234, &parent);
    slot.Write(nullptr, 0);
    EXPECT_TRUE(parent.writes.empty());
    for (int i = 0; i < 256; ++i) slot.WriteString("a");
    parent.writes.clear();
    slot.WriteString("a");
    EXPECT_EQ(parent.writes[0][2], 0) << "255 wraps to 0";
    EXPECT_EQ(parent.writes[0][4], 0x34);
    EXPECT_EQ(parent.writes[0][5], 0x12);
    EXPECT_EQ(slot.Name(), "Slot[4660]");
}

TEST_F(Chain, EachSlotTakesOnlyItsOwnChannel) {
    Feed(Frame(3, "log line"));
    EXPECT_TRUE(collectors[0].payloads.empty());
    EXPECT_TRUE(collectors[1].payloads.empty());
    ASSERT_EQ(collectors[2].payloads.size(), 1u);
    EXPECT_EQ(collectors[2].payloads[0], "log line");
}

TEST_F(Chain, FrameIsFoundWhateverTheChunking) {
    auto two = Frame(2, "first");
    const auto second = Frame(2, "second", 1);
    two.insert(two.end(), second.begin(), second.end());
    // Garbage between and around frames is skipped.
    std::vector<std::uint8_t> stream = {0x00, 0x55, 0xAA, 0x55};
    stream.insert(stream.end(), two.begin(), two.end());
    stream.push_back(0x55);

    for (std::size_t chunk : {std::size_t{1}, std::size_t{5}, std::size_t{7}, stream.size()}) {
        collectors[0].payloads.clear();
        for (std::size_t i = 0; i < stream.size(); i += chunk)
            link.OnReceive(stream.data() + i, std::min(chunk, stream.size() - i));
        EXPECT_EQ(collectors[0].payloads, (std::vector<std::string>{"first", "second"})) << chunk;
    }
}

TEST_F(Chain, CorruptFramesAreNeverDelivered) {
    auto flipped = Frame(2, "payload");
    flipped[8] ^= 0x01;
    Feed(flipped);
    EXPECT_TRUE(collectors[0].payloads.empty());
    Feed(Frame(2, "good"));
    EXPECT_EQ(collectors[0].payloads, std::vector<std::string>{"good"});

    // Length 17 with a CRC that matches: still not a frame.
    std::vector<std::uint8_t> bad = {0x55, 0xAA, 0, 17, 2, 0};
    bad.resize(22, 'z');
    const std::uint16_t c = Crc16(bad.data(), bad.size());
    bad.push_back(c & 0xFF);
    bad.push_back(c >> 8);
    Feed(bad);
    EXPECT_EQ(collectors[0].payloads.size(), 1u);
}

// Six bytes that look like a header for slot 2 and fail the CRC once the
// window has filled up behind them. Their failed check must not alter the
// bytes that follow, which may be a real frame (that must still arrive) or a
// damaged one (that must not be repaired into a frame never sent).
TEST_F(Chain, FailedHeaderCheckLeavesTheFollowingBytesAlone) {
    const std::vector<std::uint8_t> fakeHeader = {0x55, 0xAA, 0, 5, 2, 0};
    // The failed check happens as the 18th byte of the next frame arrives:
    // payload byte 11.
    const std::string payload = "sc ZONE1?#\r\nabcd";  // 16 bytes; byte 11 is 'a'
    ASSERT_EQ(payload.size(), 16u);

    auto stream = fakeHeader;
    const auto real = Frame(2, payload);
    stream.insert(stream.end(), real.begin(), real.end());
    Feed(stream);
    EXPECT_EQ(collectors[0].payloads, std::vector<std::string>{payload});

    collectors[0].payloads.clear();
    std::string withZero = payload;
    withZero[11] = '\0';
    auto damaged = Frame(2, withZero);
    damaged[6 + 11] = 'Q';  // no valid frame anywhere in what follows
    stream = fakeHeader;
    stream.insert(stream.end(), damaged.begin(), damaged.end());
    Feed(stream);
    EXPECT_TRUE(collectors[0].payloads.empty());
}

TEST_F(Chain, ZeroLengthFrameIsAcceptedAsEmpty) {
    std::vector<std::uint8_t> f = {0x55, 0xAA, 0, 0, 2, 0};
    f.resize(22, 0);
    const std::uint16_t c = Crc16(f.data(), f.size());
    f.push_back(c & 0xFF);
    f.push_back(c >> 8);
    Feed(f);
    ASSERT_EQ(collectors[0].payloads.size(), 1u);
    EXPECT_EQ(collectors[0].payloads[0], "");
}

TEST(Listeners, RemovedSlotNoLongerListens) {
    RecordingParent parent;
    {
        Slot s(2, &parent);
        EXPECT_EQ(parent.receiveListeners.Count(), 1u);
    }
    EXPECT_EQ(parent.receiveListeners.Count(), 0u);
}
