#include "modem/TModem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ModemTestSupport.h"
#include "link/CommandProtocol.h"
#include "sim/ModuleSimulator.h"
#include "sim/modem/ModemSimulator.h"

namespace varnex {
namespace {

using namespace std::chrono_literals;
using modemtest::FastClock;
using modemtest::Joined;
using modemtest::PortIsFree;
using modemtest::ReceivedPieces;
using modemtest::RecordingLog;
using modemtest::RecordingMessages;
using modemtest::WindowPump;
using sim::ModemSimulator;

const std::string kDialBytes =
    "+++" "+++" "AT\r\n" "AT\r\n" "ATH\r\n" "ATH\r\n" "AT\r\n"
    "ATE0\r\n" "ATE0\r\n" "AT&D0\r\n" "AT+IFC=0,0\r\n" "AT+CPIN?\r\n" "ATD0612345678\r\n";

// The window, the modem on a pseudo-terminal and the module behind it.
class ModemCall : public ::testing::Test {
protected:
    ModemCall() { EXPECT_FALSE(modem.PortName().empty()); }
    ~ModemCall() override {
        window.request.SetClosing();
        connection.reset();
    }
    bool Dial() { return connection->Dial(modem.PortName(), L"0612345678") == connection.get(); }
    // The log entries after the given one, which must be there.
    std::vector<std::string> LogAfter(const std::string& entry) const {
        for (std::size_t i = 0; i < log.entries.size(); ++i)
            if (log.entries[i] == entry) return {log.entries.begin() + static_cast<long>(i) + 1, log.entries.end()};
        ADD_FAILURE() << "no log entry " << entry;
        return {};
    }

    sim::ModuleSimulator module;
    ModemSimulator modem{module};
    testing::FakeWindowThread window;
    WindowPump pump{window};
    RecordingLog log;
    RecordingMessages messages;
    FastClock clock{modem};
    std::unique_ptr<TModem> connection = std::make_unique<TModem>(log, &pump, &messages, &window.request, &clock);
};

TEST_F(ModemCall, DialSendsTheDialogueInOrderAndLogsEveryLine) {
    ASSERT_TRUE(Dial());
    EXPECT_TRUE(connection->IsOpen());
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_EQ(modem.Received(), kDialBytes);
    EXPECT_EQ(modem.DialledNumber(), "0612345678");
    EXPECT_TRUE(modem.DataMode());
    EXPECT_FALSE(modem.Echo());
    const std::vector<std::string> expected = {
        "AT\r\n",         "++++++AT\r\r\n", "OK\r\n",  // the escapes were echoed ahead of the first command
        "AT\r\n",         "AT\r\r\n",       "OK\r\n",
        "ATH\r\n",        "ATH\r\r\n",      "OK\r\n",
        "ATH\r\n",        "ATH\r\r\n",      "OK\r\n",
        "AT\r\n",         "AT\r\r\n",       "OK\r\n",
        "ATE0\r\n",       "ATE0\r\r\n",     "OK\r\n",
        "ATE0\r\n",       "\r\n",           "OK\r\n",
        "AT&D0\r\n",      "\r\n",           "OK\r\n",
        "AT+IFC=0,0\r\n", "\r\n",           "OK\r\n",
        "AT+CPIN?\r\n",   "\r\n",           "+CPIN: READY\r\n", "\r\n", "OK\r\n",
        "ATD0612345678",  "\r\n",           "CONNECT 9600\r\n",
    };
    EXPECT_EQ(log.entries, expected);
    EXPECT_TRUE(log.onWindowThread);
}

struct DialFailure {
    const char* name;
    std::function<void(ModemSimulator&)> setUp;
    std::string port;                   // empty: the modem's
    std::vector<std::string> logTail;   // the last entries of the dialogue, before any hang-up
    bool dials;                         // ATD was sent, so the dial is hung up
    std::chrono::milliseconds minTime;  // on the modem clock
    std::chrono::milliseconds maxTime;
};

void PrintTo(const DialFailure& failure, std::ostream* os) { *os << failure.name; }

class DialFailures : public ModemCall, public ::testing::WithParamInterface<DialFailure> {};

const std::string kHangingUp = "----Hanging up: no usable call----";

// Every failure closes the port. One after the dial was sent also hangs up
// first, whatever the modem answered: a call it set up stays up otherwise.
TEST_P(DialFailures, FailClosesThePortAndLeavesTheConnectionNotOpen) {
    const DialFailure& c = GetParam();
    if (c.setUp) c.setUp(modem);
    const auto start = clock.Now();
    EXPECT_EQ(connection->Dial(c.port.empty() ? modem.PortName() : c.port, L"0612345678"), nullptr);
    const auto took = clock.Now() - start;
    EXPECT_FALSE(connection->IsOpen());
    EXPECT_TRUE(connection->IsConnected()) << "the port object stays, closed";
    EXPECT_TRUE(PortIsFree(modem.PortName()));
    EXPECT_FALSE(modem.InCall());
    EXPECT_EQ(modem.Received().find("ATD") != std::string::npos, c.dials);

    const auto marker = std::find(log.entries.begin(), log.entries.end(), kHangingUp);
    EXPECT_EQ(marker != log.entries.end(), c.dials);
    const std::vector<std::string> dialogue(log.entries.begin(), marker);
    ASSERT_GE(dialogue.size(), c.logTail.size());
    EXPECT_EQ(std::vector<std::string>(dialogue.end() - static_cast<long>(c.logTail.size()), dialogue.end()), c.logTail);
    if (c.dials) {
        const std::vector<std::string> hangUp = LogAfter(kHangingUp);
        ASSERT_FALSE(hangUp.empty());
        EXPECT_EQ(hangUp.front(), "ATH\r\n");
        EXPECT_EQ(std::count(hangUp.begin(), hangUp.end(), std::string("ATH\r\n")), 2);
        const std::string received = modem.Received();
        EXPECT_EQ(received.substr(received.find("ATD0612345678\r\n") + 15),
                  "+++" "+++" "+++" "+++" "ATH\r\n" "ATH\r\n");
        const auto commands = modem.Commands();
        const auto dial = std::find(commands.begin(), commands.end(), "ATD0612345678");
        ASSERT_NE(dial, commands.end());
        EXPECT_EQ(std::vector<std::string>(dial + 1, commands.end()), (std::vector<std::string>{"ATH", "ATH"}));
    }
    EXPECT_GE(took, c.minTime);
    EXPECT_LT(took, c.maxTime);
    EXPECT_FALSE(window.PumpUntil([&] { return !messages.shown.empty(); }, 30ms)) << "no reader, no message";
}

// The hang-up after a dial costs 1.2 s of guard times on top of the dialogue.
INSTANTIATE_TEST_SUITE_P(
    Modem, DialFailures,
    ::testing::Values(
        DialFailure{"PortMissing", nullptr, "/dev/varnex-no-such-port", {}, false, 0ms, 50ms},
        DialFailure{"NoPort", nullptr, "0", {}, false, 0ms, 50ms},
        DialFailure{"SimPinRequired",
                    [](ModemSimulator& m) { m.SetSimCard(ModemSimulator::SimCard::PinRequired); },
                    "",
                    {"AT+CPIN?\r\n", "\r\n", "+CPIN: SIM PIN\r\n", "\r\n", "ERROR\r\n"},
                    false, 400ms, 1000ms},
        // Two lines, then two empty reads of 500 ms.
        DialFailure{"NoSimCard",
                    [](ModemSimulator& m) { m.SetSimCard(ModemSimulator::SimCard::Missing); },
                    "",
                    {"AT+CPIN?\r\n", "\r\n", "+CME ERROR: SIM not inserted\r\n"},
                    false, 1400ms, 2000ms},
        // A busy line is logged and waited past: 58 more empty reads of a second.
        DialFailure{"Busy",
                    [](ModemSimulator& m) { m.SetDialResult(ModemSimulator::DialResult::Busy); },
                    "",
                    {"ATD0612345678", "\r\n", "BUSY\r\n"},
                    true, 59600ms, 62000ms},
        DialFailure{"NoCarrierWhileDialling",
                    [](ModemSimulator& m) { m.SetDialResult(ModemSimulator::DialResult::NoCarrier); },
                    "",
                    {"ATD0612345678", "\r\n", "NO CARRIER\r\n", "----Connection error----"},
                    true, 1600ms, 2200ms},
        // The modem is in a data call the tool will not use; the wait for
        // "CONNECT 9600" runs out, and the call must not be left up.
        DialFailure{"ConnectAtAnotherSpeed",
                    [](ModemSimulator& m) { m.SetConnectSpeed(14400); },
                    "",
                    {"ATD0612345678", "\r\n", "CONNECT 14400\r\n"},
                    true, 59600ms, 62000ms}),
    [](const ::testing::TestParamInfo<DialFailure>& info) { return std::string(info.param.name); });

// Two escapes with their guard times, then five commands of four empty
// half-second reads each: 10.4 s, and nothing after the fifth command.
TEST_F(ModemCall, ASilentModemFailsAtTheFifthCommandAfterTenPointFourSeconds) {
    modem.SetSilent(true);
    const auto start = clock.Now();
    EXPECT_EQ(connection->Dial(modem.PortName(), L"0612345678"), nullptr);
    const auto took = clock.Now() - start;
    EXPECT_GE(took, 10400ms);
    EXPECT_LT(took, 10700ms);
    EXPECT_EQ(modem.Received(), "+++" "+++" "AT\r\n" "AT\r\n" "ATH\r\n" "ATH\r\n" "AT\r\n");
    EXPECT_EQ(log.entries, (std::vector<std::string>{"AT\r\n", "AT\r\n", "ATH\r\n", "ATH\r\n", "AT\r\n"}));
    EXPECT_FALSE(connection->IsOpen());
}

// The reader keeps the port from the first byte on; the page has not added
// its listener yet, so the test's listener goes in right after the dial.
TEST_F(ModemCall, TheCallCarriesStringsButNotRawWrites) {
    ReceivedPieces received;
    ASSERT_TRUE(Dial());
    connection->receiveListeners.Add(&received);
    const std::string beforeData = modem.Received();
    const std::uint8_t raw[] = {'s', 'c', ' ', 'X', '\r', '\n'};
    connection->Write(raw, sizeof raw);
    connection->WriteString("set REM:UPW P,7402\n");
    ASSERT_TRUE(window.PumpUntil([&] { return received.All() == ":L2 >"; }));
    EXPECT_EQ(modem.Received(), beforeData + "set REM:UPW P,7402\n");
    EXPECT_EQ(module.Level(), 2);
    connection->receiveListeners.Remove(&received);
}

TEST_F(ModemCall, AReaderDeliveryHoldsAtMostItsBuffer) {
    ReceivedPieces received;
    ASSERT_TRUE(Dial());
    connection->receiveListeners.Add(&received);
    modem.SendToTool(std::string(5000, 'd'));
    ASSERT_TRUE(window.PumpUntil([&] { return received.All().size() >= 5000; }));
    EXPECT_EQ(received.All(), std::string(5000, 'd'));
    for (const auto& piece : received.Pieces()) EXPECT_LE(piece.size(), TModem::kReceiveBufferSize);
    connection->receiveListeners.Remove(&received);
}

// The tail of an over-long line is dropped up to its line feed; the line
// after it is read whole.
TEST_F(ModemCall, ALineLongerThanTheBufferIsCutAndTheNextOneSurvives) {
    modem.SendToTool(std::string(3000, 'x') + "\r\n");
    ASSERT_TRUE(Dial());
    const std::vector<std::string> after = LogAfter("AT\r\n");
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], std::string(TModem::kLineBufferSize - 1, 'x') + "\n");
    EXPECT_EQ(after[1], "++++++AT\r\r\n");
    for (const auto& entry : log.entries) EXPECT_LE(entry.size(), TModem::kLineBufferSize);
}

TEST_F(ModemCall, NoCarrierMidCallShowsTheMessageOnceAndHangsUpOnTheReader) {
    ReceivedPieces received;
    ASSERT_TRUE(Dial());
    connection->receiveListeners.Add(&received);
    const std::size_t dialled = modem.Commands().size();
    modem.DropCall();
    ASSERT_TRUE(window.PumpUntil([&] { return modem.Commands().size() == dialled + 2 && PortIsFree(modem.PortName()); },
                                 5000ms));
    window.PumpFor(50ms);
    EXPECT_EQ(messages.shown, (std::vector<std::pair<std::string, std::string>>{{"Disconnected", "Modem"}}));
    EXPECT_TRUE(messages.onWindowThread);
    EXPECT_TRUE(connection->IsOpen()) << "the owner learns of the end by its own disconnect";
    // The bytes of the delivery that held the text still reach the listeners.
    EXPECT_EQ(received.All().substr(0, 12), "\r\nNO CARRIER");
    EXPECT_EQ(modem.Received(), kDialBytes + "+++" "+++" "+++" "+++" "ATH\r\n" "ATH\r\n");
    const std::vector<std::string> hangUp = LogAfter("CONNECT 9600\r\n");
    ASSERT_FALSE(hangUp.empty());
    EXPECT_EQ(hangUp.front(), "ATH\r\n");
    EXPECT_EQ(std::count(hangUp.begin(), hangUp.end(), std::string("ATH\r\n")), 2);
    EXPECT_TRUE(log.onWindowThread);
    // Writes after the hang-up go nowhere.
    connection->WriteString("sc IO:VBAT?#\r\n");
    window.PumpFor(50ms);
    EXPECT_EQ(modem.Received(), kDialBytes + "+++" "+++" "+++" "+++" "ATH\r\n" "ATH\r\n");
    connection->receiveListeners.Remove(&received);
}

TEST_F(ModemCall, CloseHangsUpAndFreesThePort) {
    ASSERT_TRUE(Dial());
    connection->Close();
    EXPECT_FALSE(modem.InCall());
    EXPECT_TRUE(connection->IsOpen());
    EXPECT_TRUE(PortIsFree(modem.PortName()));
    EXPECT_EQ(modem.Received(), kDialBytes + "+++" "+++" "+++" "+++" "ATH\r\n" "ATH\r\n");
    // The escape's OK answers the first ATH, whose own OK answers the second.
    EXPECT_EQ(LogAfter("CONNECT 9600\r\n"),
              (std::vector<std::string>{"ATH\r\n", "\r\n", "OK\r\n", "ATH\r\n", "\r\n", "OK\r\n"}));
    connection->WriteString("sc IO:VBAT?#\r\n");
    connection->Close();  // a second hang-up on a hung-up call is harmless
    EXPECT_EQ(modem.Received().find("sc IO"), std::string::npos);
    EXPECT_TRUE(messages.shown.empty());
}

// A modem pulled out mid-call leaves no one to say NO CARRIER: the port
// hangs up instead, and that is taken the same way. A command under way
// stops at once rather than sitting out its four tries; the reopen of the
// hang-up fails, so nothing more is sent or logged; the disconnect after it
// is quick.
TEST_F(ModemCall, AModemPulledOutMidCallIsADroppedCall) {
    ASSERT_TRUE(Dial());
    CommandProtocol protocol(connection.get(), &pump);
    ResponseConnection replies(&protocol, &CommandProtocol::OnCommandText);
    connection->receiveListeners.Add(&replies);
    protocol.linkUp = [this] { return !connection->HungUp(); };
    module.SetSilent(true);  // only the link's end can end the query early

    std::thread pullOut([this] {
        std::this_thread::sleep_for(200ms);
        modem.Unplug();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(protocol.QueryParameter(L"CALL:USER1.PN"), L"");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "four tries of two seconds take 8 s";
    pullOut.join();
    EXPECT_TRUE(connection->HungUp());
    ASSERT_TRUE(window.PumpUntil([&] { return !messages.shown.empty(); }, 1000ms));
    EXPECT_EQ(messages.shown, (std::vector<std::pair<std::string, std::string>>{{"Disconnected", "Modem"}}));
    EXPECT_TRUE(messages.onWindowThread);
    EXPECT_TRUE(connection->IsOpen()) << "the owner learns of the end by its own disconnect";

    connection->receiveListeners.Remove(&replies);
    const auto disconnect = std::chrono::steady_clock::now();
    connection->Close();
    connection.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - disconnect, 1s);
    EXPECT_TRUE(LogAfter("CONNECT 9600\r\n").empty());
    EXPECT_EQ(messages.shown.size(), 1u);
}

// The modem goes while the tool waits for the call: the dial fails at once
// instead of reading on for a minute, with no hang-up sent to a modem that
// is not there.
TEST_F(ModemCall, AModemPulledOutWhileDiallingEndsTheDial) {
    modem.SetDialResult(ModemSimulator::DialResult::NoAnswer);
    std::thread pullOut([this] {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (modem.DialledNumber().empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        modem.Unplug();
    });
    const auto start = clock.Now();
    EXPECT_EQ(connection->Dial(modem.PortName(), L"0612345678"), nullptr);
    const auto took = clock.Now() - start;
    pullOut.join();
    EXPECT_LT(took, 10s) << "sixty reads of a second";
    EXPECT_FALSE(connection->IsOpen());
    EXPECT_EQ(std::count(log.entries.begin(), log.entries.end(), kHangingUp), 0);
    EXPECT_FALSE(window.PumpUntil([&] { return !messages.shown.empty(); }, 30ms)) << "no call, no message";
}

// Unplugged, the modem's port is gone and its call with it; plugged back in,
// it is a fresh modem on a fresh port that takes the whole dialogue again.
// The user disconnects first: the dropped call's hang-up reopens its port by
// name, and the fresh port may well get the same name.
TEST_F(ModemCall, AModemPluggedBackInIsDialledOnItsNewPort) {
    ASSERT_TRUE(Dial());
    const std::string first = modem.PortName();
    modem.Unplug();
    EXPECT_FALSE(modem.Plugged());
    EXPECT_FALSE(modem.InCall());
    EXPECT_EQ(modem.PortName(), first);
    EXPECT_FALSE(PortIsFree(first)) << "the name no longer opens";
    ASSERT_TRUE(window.PumpUntil([&] { return connection->HungUp(); }, 1000ms));
    connection->Close();

    modem.Replug();
    EXPECT_TRUE(modem.Plugged());
    EXPECT_TRUE(modem.Echo()) << "just powered up";
    ASSERT_FALSE(modem.PortName().empty());
    const std::size_t before = modem.Received().size();
    TModem again(log, &pump, &messages, &window.request, &clock);
    ASSERT_EQ(again.Dial(modem.PortName(), L"0612345678"), &again);
    EXPECT_EQ(modem.Received().substr(before), kDialBytes);
    EXPECT_TRUE(modem.DataMode());
    again.Close();
    EXPECT_FALSE(modem.InCall());
}

TEST_F(ModemCall, DestroyingAConnectedModemWaitsForItsReader) {
    ReceivedPieces received;
    ASSERT_TRUE(Dial());
    connection->receiveListeners.Add(&received);
    modem.SendToTool(std::string(2000, 'q'));
    connection.reset();
    EXPECT_TRUE(PortIsFree(modem.PortName()));
    const std::size_t got = received.All().size();
    window.PumpFor(30ms);
    EXPECT_EQ(received.All().size(), got) << "nothing is delivered after destruction";
}

// The carrier window persists between deliveries, so the text is found
// however it is split, once, at the delivery that completes it; every byte
// still reaches the listeners, in the pieces it came in.
TEST(ModemCarrier, NoCarrierIsFoundAcrossDeliveries) {
    struct Case {
        std::vector<std::string> deliveries;
        int foundAt;  // 1-based delivery; 0 never
    };
    const Case cases[] = {
        {{"NO CAR", "RIER"}, 2},
        {{"\r\nNO CARRIER\r\n"}, 1},
        {{"NO CARRIER\r\nOK tail"}, 1},
        {{"N", "O", " ", "C", "A", "R", "R", "I", "E", "R"}, 10},
        {{"NO CARRIE", "\r\n", "R"}, 0},
        {{"no carrier"}, 0},
        {{"NO  CARRIER"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Joined(c.deliveries));
        testing::FakeWindowThread window;
        RecordingLog log;
        RecordingMessages messages;
        ReceivedPieces received;
        TModem connection(log, nullptr, &messages, &window.request);
        connection.receiveListeners.Add(&received);
        int foundAt = 0;
        for (std::size_t i = 0; i < c.deliveries.size(); ++i) {
            const auto& d = c.deliveries[i];
            connection.OnReceive(reinterpret_cast<const std::uint8_t*>(d.data()), d.size());
            if (foundAt == 0 && !messages.shown.empty()) foundAt = static_cast<int>(i) + 1;
        }
        EXPECT_EQ(foundAt, c.foundAt);
        EXPECT_LE(messages.shown.size(), 1u);
        EXPECT_EQ(received.Pieces(), c.deliveries);
        EXPECT_TRUE(log.entries.empty()) << "no port, no hang-up dialogue";
        connection.receiveListeners.Remove(&received);
    }
}

TEST(ModemCarrier, AFreshConnectionKnowsNothingOfAnEarlierCall) {
    testing::FakeWindowThread window;
    RecordingLog log;
    RecordingMessages messages;
    {
        TModem first(log, nullptr, &messages, &window.request);
        first.OnReceive(reinterpret_cast<const std::uint8_t*>("NO CAR"), 6);
    }
    TModem second(log, nullptr, &messages, &window.request);
    second.OnReceive(reinterpret_cast<const std::uint8_t*>("RIER"), 4);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(ModemConnection, BeforeAnyDial) {
    RecordingLog log;
    TModem connection(log, nullptr, nullptr, nullptr);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(connection.Open());
    EXPECT_EQ(connection.Name(), "");
    EXPECT_FALSE(connection.SendCommand("AT\r\n"));
    EXPECT_EQ(connection.ReadLine(500), "");
    EXPECT_FALSE(connection.PlaceCall());
    connection.WriteString("dropped");
    connection.Close();
    EXPECT_TRUE(log.entries.empty());
}

}  // namespace
}  // namespace varnex
