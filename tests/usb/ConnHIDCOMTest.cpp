#include "usb/ConnHIDCOM.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/CommandProtocol.h"
#include "params/Catalogue.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "support/FakeWindowThread.h"

namespace varnex {
namespace {

using namespace std::chrono_literals;

// Plays the main window's listener: carries each state to the window thread
// and records it there.
class WindowStates : public ChangeStateEvent {
public:
    explicit WindowStates(testing::FakeWindowThread& window) : window(window) {}
    void OnChangeState(const char* state) override {
        window.request.CallInWindowThread([this, state] {
            states.push_back(state);
            onWindowThread = onWindowThread && std::this_thread::get_id() == windowId;
            return 1;
        });
    }
    testing::FakeWindowThread& window;
    std::thread::id windowId = std::this_thread::get_id();
    std::vector<std::string> states;  // window thread only
    bool onWindowThread = true;
};

// Records the bytes the connection hands to its receive listeners.
class Received : public Connection {
public:
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t*, std::size_t) override {}
    void WriteString(const std::string&) override {}
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "received"; }
    void OnReceive(const std::uint8_t* d, std::size_t n) override {
        std::lock_guard<std::mutex> lock(mutex);
        pieces.emplace_back(d, d + n);
    }
    std::vector<std::vector<std::uint8_t>> Pieces() {
        std::lock_guard<std::mutex> lock(mutex);
        return pieces;
    }
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> pieces;
};

class Pump : public EventPump {
public:
    explicit Pump(testing::FakeWindowThread& w) : window(w) {}
    void pump() override { window.RunQueued(); }
    testing::FakeWindowThread& window;
};

class UsbConnection : public ::testing::Test {
protected:
    UsbConnection() {
        connection.stateListeners.Add(&states);
        connection.Open();
    }
    ~UsbConnection() override {
        window.request.SetClosing();
        connection.Close();
    }
    bool WaitForStates(std::size_t n) {
        return window.PumpUntil([&] { return states.states.size() >= n; });
    }

    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend{module, false};
    testing::FakeWindowThread window;
    WindowStates states{window};
    ConnHIDCOM connection{backend};
};

TEST_F(UsbConnection, StartsSilentUntilTheModuleIsPluggedIn) {
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(connection.Name(), "HID");
    window.PumpFor(150ms);
    EXPECT_TRUE(states.states.empty());
    EXPECT_FALSE(connection.IsConnected());
    backend.Plug();
    ASSERT_TRUE(WaitForStates(1));
    window.PumpFor(100ms);
    EXPECT_EQ(states.states, std::vector<std::string>{"Attached"});
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_TRUE(states.onWindowThread);
}

TEST_F(UsbConnection, UnplugAndReplugReachTheWindowInOrder) {
    backend.Plug();
    ASSERT_TRUE(WaitForStates(1));
    backend.Unplug();
    ASSERT_TRUE(WaitForStates(2));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(connection.IsOpen());
    backend.Plug();
    ASSERT_TRUE(WaitForStates(3));
    EXPECT_EQ(states.states, (std::vector<std::string>{"Attached", "Detached", "Attached"}));
    EXPECT_TRUE(states.onWindowThread);
}

TEST_F(UsbConnection, AFailedReadDetachesAndTheSearchFindsTheModuleAgain) {
    backend.Plug();
    ASSERT_TRUE(WaitForStates(1));
    backend.FailNextRead();
    ASSERT_TRUE(WaitForStates(3));
    EXPECT_EQ(states.states, (std::vector<std::string>{"Attached", "Detached", "Attached"}));
}

// An input report as read: `size` bytes, byte 1 the data-report mark, byte 2
// the data length, data bytes counting up from 5 at offset 5.
std::vector<std::uint8_t> InputReport(std::size_t size, std::uint8_t mark, std::uint8_t length) {
    std::vector<std::uint8_t> r(size, 0);
    if (size > 1) r[1] = mark;
    if (size > 2) r[2] = length;
    for (std::size_t i = 5; i < size; ++i) r[i] = static_cast<std::uint8_t>(i);
    return r;
}

std::vector<std::uint8_t> CountingFrom5(std::size_t n) {
    std::vector<std::uint8_t> data(n);
    for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(5 + i);
    return data;
}

// hidraw hands reports over at the length the device sent them. Before each
// case a full report that is not a data report fills the read buffer with
// 0xEE, so a case that passes bytes it did not read shows them; a full data
// report after it marks the end of the case.
TEST_F(UsbConnection, ReportsPassWhenTheyHoldTheDataTheirLengthNames) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> report;
        bool passes;  // its data bytes 5 .. 5+n-1
    };
    const Case cases[] = {
        {"full size", InputReport(65, 0x01, 7), true},
        {"full size, full data area", InputReport(65, 0x01, 60), true},
        {"short, exactly its data", InputReport(12, 0x01, 7), true},
        {"short, more than its data", InputReport(20, 0x01, 7), true},
        {"short, no data", InputReport(5, 0x01, 0), true},
        {"one byte short of its data", InputReport(11, 0x01, 7), false},
        {"shorter than the header", InputReport(4, 0x01, 0), false},
        {"not a data report", InputReport(65, 0x02, 7), false},
        {"claims more than the data area", InputReport(65, 0x01, 61), false},
        {"short, claims more than the data area", InputReport(20, 0x01, 61), false},
    };
    Received received;
    connection.receiveListeners.Add(&received);
    backend.Plug();
    ASSERT_TRUE(WaitForStates(1));
    const std::vector<std::uint8_t> endMark{0x7F};
    std::vector<std::uint8_t> endReport(65, 0);
    endReport[1] = 0x01;
    endReport[2] = 1;
    endReport[5] = 0x7F;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> stale(65, 0xEE);
        stale[1] = 0x02;
        const std::size_t before = received.Pieces().size();
        backend.InjectInputReport(stale);
        backend.InjectInputReport(c.report);
        backend.InjectInputReport(endReport);
        ASSERT_TRUE(window.PumpUntil([&] {
            const auto pieces = received.Pieces();
            return pieces.size() > before && pieces.back() == endMark;
        }));
        const auto pieces = received.Pieces();
        const std::vector<std::vector<std::uint8_t>> got(pieces.begin() + static_cast<long>(before), pieces.end() - 1);
        if (c.passes) EXPECT_EQ(got, std::vector<std::vector<std::uint8_t>>{CountingFrom5(c.report[2])});
        else EXPECT_TRUE(got.empty());
    }
    connection.receiveListeners.Remove(&received);
}

TEST_F(UsbConnection, CloseWhileAttachedReturnsPromptlyAndRunsNothingAfterward) {
    backend.Plug();
    ASSERT_TRUE(WaitForStates(1));
    window.request.SetClosing();
    const auto start = std::chrono::steady_clock::now();
    connection.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(backend.OpenHandles(), 0);
    window.PumpFor(50ms);
    EXPECT_EQ(states.states, std::vector<std::string>{"Attached"});
    connection.WriteString("ignored");  // no device object: dropped
}

TEST_F(UsbConnection, ClosingWhileSearchingReturnsPromptly) {
    window.request.SetClosing();
    const auto start = std::chrono::steady_clock::now();
    connection.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(states.states.empty());
}

// The command protocol through slot 2 over the USB connection against the
// module, as the main window wires it.
TEST_F(UsbConnection, QueryWalkOverEveryKey) {
    Pump pump(window);
    CommandProtocol protocol(nullptr, &pump);
    std::unique_ptr<Slot> commands(connection.CreateSlot(2));
    ResponseConnection replies(&protocol, &CommandProtocol::OnCommandText);
    commands->receiveListeners.Add(&replies);
    protocol.SetCommandChannel(commands.get());
    backend.Plug();
    ASSERT_TRUE(WaitForStates(1));

    commands->WriteString("set REM:UPW P,7402\n");
    ASSERT_TRUE(window.PumpUntil([&] { return module.Level() == 2; }));
    for (const auto& row : ParameterCatalogue()) module.SetParameterValue(row.key, row.key + "=v");
    for (const auto& row : ParameterCatalogue()) {
        const std::wstring key(row.key.begin(), row.key.end());
        const std::string expected = row.key + "=v";
        ASSERT_EQ(CommandProtocol::ExtractReplyValue(protocol.QueryParameter(key)),
                  std::wstring(expected.begin(), expected.end()));
    }
    ASSERT_EQ(protocol.SetParameter(L"SMS:Z1A.SMS", L"Riasztás"), 1);
    EXPECT_EQ(module.Parameter("SMS:Z1A.SMS"), "Riaszt\xE1s");
    EXPECT_EQ(module.Commands().size(), ParameterCatalogue().size() + 2);
    commands->receiveListeners.Remove(&replies);
    window.request.SetClosing();
    connection.Close();
}

}  // namespace
}  // namespace varnex
