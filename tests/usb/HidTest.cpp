#include "usb/HID.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"

namespace varnex {
namespace {

using sim::SimulatedHidBackend;

class StateLog : public ChangeStateEvent {
public:
    void OnChangeState(const char* state) override { states.push_back(state); }
    std::vector<std::string> states;
};

class HidAccess : public ::testing::Test {
protected:
    HidAccess() { hid.stateListeners.Add(&log); }
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        std::vector<std::uint8_t> b(n);
        for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i + 1);
        return b;
    }

    sim::ModuleSimulator module;
    SimulatedHidBackend backend{module, true};
    HID hid{backend};
    StateLog log;
};

TEST_F(HidAccess, WritesAreCutIntoReportsOfSixtyBytes) {
    struct Case {
        std::size_t count;
        std::vector<std::size_t> lengths;
    };
    const Case cases[] = {{0, {}}, {1, {1}}, {60, {60}}, {61, {60, 1}}, {121, {60, 60, 1}}};
    hid.OpenDevice();
    ASSERT_TRUE(hid.attached);
    std::size_t seen = 0;
    for (const auto& c : cases) {
        const auto data = Bytes(c.count);
        EXPECT_TRUE(hid.WriteReports(data.data(), data.size()));
        const auto reports = backend.WrittenReports();
        ASSERT_EQ(reports.size() - seen, c.lengths.size()) << c.count << " bytes";
        std::size_t offset = 0;
        for (std::size_t i = 0; i < c.lengths.size(); ++i) {
            const auto& r = reports[seen + i];
            ASSERT_EQ(r.size(), 65u);
            EXPECT_EQ(r[0], 0);
            EXPECT_EQ(r[1], 0x01);
            EXPECT_EQ(r[2], c.lengths[i]);
            EXPECT_EQ(r[3], 0);
            EXPECT_EQ(r[4], 0);
            for (std::size_t j = 0; j < 60; ++j)
                EXPECT_EQ(r[5 + j], j < c.lengths[i] ? data[offset + j] : 0) << "byte " << j;
            offset += c.lengths[i];
        }
        seen = reports.size();
    }
}

TEST_F(HidAccess, ASlotFrameTravelsAsThreeReports) {
    hid.OpenDevice();
    struct Parent : Connection {
        explicit Parent(HID& h) : hid(h) {}
        bool IsOpen() override { return true; }
        void Write(const std::uint8_t* d, std::size_t n) override { hid.WriteReports(d, n); }
        void WriteString(const std::string&) override {}
        bool Open() override { return true; }
        void Close() override {}
        std::string Name() override { return "hid"; }
        HID& hid;
    } parent(hid);
    Slot slot(2, &parent);
    slot.WriteString("sc X?#\r\n");
    const auto reports = backend.WrittenReports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0][2], 6);
    EXPECT_EQ(reports[1][2], 16);
    EXPECT_EQ(reports[2][2], 2);
}

TEST_F(HidAccess, WritesWhileDetachedAreDroppedAsSuccess) {
    const auto data = Bytes(10);
    EXPECT_TRUE(hid.WriteReports(data.data(), data.size()));
    EXPECT_TRUE(backend.WrittenReports().empty());
}

TEST_F(HidAccess, TheDeviceMatchIgnoresCaseAndTheFirstMatchWins) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> devices;  // listed before the module
        std::string expectedPath;                                  // empty: the module itself
    };
    const Case cases[] = {
        {{{"/dev/hidraw7", "HID\\VID_04D8&PID_0055&REV_0100"}}, ""},
        {{{"/dev/hidraw3", "HID\\VID_046D&PID_C52B"}}, ""},
        {{{"/dev/hidraw1", "hid\\vid_04d8&pid_0054&rev_0002"}}, "/dev/hidraw1"},
        {{{"/dev/hidraw2", "HID\\Vid_04D8&Pid_0054"}, {"/dev/hidraw5", "HID\\VID_04D8&PID_0054"}}, "/dev/hidraw2"},
    };
    for (const auto& c : cases) {
        sim::ModuleSimulator m;
        SimulatedHidBackend b(m, true);
        for (const auto& [path, id] : c.devices) b.AddForeignDevice(path, id);
        HID h(b);
        ASSERT_TRUE(h.FindDevicePath());
        EXPECT_EQ(h.devicePath, c.expectedPath.empty() ? SimulatedHidBackend::kModulePath : c.expectedPath);
    }
}

TEST_F(HidAccess, AnotherProductIsNeverOpened) {
    sim::ModuleSimulator m;
    SimulatedHidBackend b(m, false);
    b.AddForeignDevice("/dev/hidraw7", "HID\\VID_04D8&PID_0055&REV_0100");
    HID h(b);
    h.stateListeners.Add(&log);
    h.OpenDevice();
    EXPECT_FALSE(h.attached);
    EXPECT_EQ(b.OpenHandles(), 0);
    EXPECT_TRUE(log.states.empty());
}

TEST_F(HidAccess, AWriteHandleThatFailsClosesTheReadHandleAndSendsNothing) {
    backend.FailNextWriteOpen();
    hid.OpenDevice();
    EXPECT_FALSE(hid.attached);
    EXPECT_EQ(hid.readHandle, HidBackend::kInvalidHandle);
    EXPECT_EQ(hid.writeHandle, HidBackend::kInvalidHandle);
    EXPECT_EQ(backend.OpenHandles(), 0);
    EXPECT_TRUE(log.states.empty());
    hid.OpenDevice();  // the next try succeeds
    EXPECT_TRUE(hid.attached);
    EXPECT_EQ(log.states, std::vector<std::string>{"Attached"});
}

}  // namespace
}  // namespace varnex
