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

TEST_F(UsbConnection, OnlyWellFormedReportsArePassedOn) {
    Received received;
    connection.receiveListeners.Add(&received);
    backend.Plug();
    ASSERT_TRUE(WaitForStates(1));
    auto report = [](std::size_t size, std::uint8_t kind, std::uint8_t length) {
        std::vector<std::uint8_t> r(size, 0);
        if (size > 1) r[1] = kind;
        if (size > 2) r[2] = length;
        for (std::size_t i = 5; i < size; ++i) r[i] = static_cast<std::uint8_t>(i);
        return r;
    };
    backend.InjectInputReport(report(65, 0x02, 7));  // not a data report
    backend.InjectInputReport(report(64, 0x01, 7));  // short
    backend.InjectInputReport(report(65, 0x01, 61)); // claims more than the data area
    backend.InjectInputReport(report(65, 0x01, 7));
    backend.InjectInputReport(report(65, 0x01, 60));
    ASSERT_TRUE(window.PumpUntil([&] { return received.Pieces().size() >= 2; }));
    window.PumpFor(50ms);
    const auto pieces = received.Pieces();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0], (std::vector<std::uint8_t>{5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(pieces[1].size(), 60u);
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
