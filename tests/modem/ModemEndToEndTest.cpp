// The command protocol over a data call: the tool dials the simulated modem
// on a pseudo-terminal, the modem carries the call to the module simulator.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ModemTestSupport.h"
#include "link/Codepage.h"
#include "link/CommandProtocol.h"
#include "modem/TModem.h"
#include "params/Catalogue.h"
#include "sim/ModuleSimulator.h"
#include "sim/modem/ModemSimulator.h"

namespace varnex {
namespace {

using namespace std::chrono_literals;
using modemtest::ReceivedPieces;
using modemtest::RecordingLog;
using modemtest::RecordingMessages;
using modemtest::WindowPump;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// On the product's own clock, as the modem page wires it.
class ModemEndToEnd : public ::testing::Test {
protected:
    ~ModemEndToEnd() override { window.request.SetClosing(); }

    sim::ModuleSimulator module;
    sim::ModemSimulator modem{module};
    testing::FakeWindowThread window;
    WindowPump pump{window};
    RecordingLog log;
    RecordingMessages messages;
    TModem connection{log, &pump, &messages, &window.request};
};

TEST_F(ModemEndToEnd, DialLogInReadAndWriteEverySettingThenHangUp) {
    modem.SetLineRate(0);  // the walk's bytes, not the line's pace, are this test's subject
    const auto& catalogue = ParameterCatalogue();
    ASSERT_EQ(catalogue.size(), 205u);
    std::vector<std::string> values;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        // Values of every kind the wire carries, 8-bit text included.
        values.push_back(i % 50 == 7 ? "Riaszt\xE1s #" + std::to_string(i) : "v" + std::to_string(i) + "=x");
        module.SetParameterValue(catalogue[i].key, values.back());
    }

    ASSERT_EQ(connection.Dial(modem.PortName(), L"+36301234567"), &connection);
    EXPECT_EQ(modem.DialledNumber(), "+36301234567");
    CommandProtocol protocol(&connection, &pump);
    ResponseConnection replies(&protocol, &CommandProtocol::OnCommandText);
    connection.receiveListeners.Add(&replies);

    ASSERT_EQ(protocol.SendPassword(L"7402", L"0"), 1);
    EXPECT_EQ(module.Level(), 2);

    std::vector<std::wstring> read;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        read.push_back(CommandProtocol::ExtractReplyValue(protocol.QueryParameter(Wide(catalogue[i].key))));
        ASSERT_EQ(read.back(), DecodeAnsi(values[i])) << catalogue[i].key;
    }
    for (const auto& row : catalogue) module.SetParameterValue(row.key, "stale");
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        ASSERT_EQ(protocol.SetParameter(Wide(catalogue[i].key), read[i]), 1) << catalogue[i].key;
    for (std::size_t i = 0; i < catalogue.size(); ++i) EXPECT_EQ(module.Parameter(catalogue[i].key), values[i]);
    // One login and one command per query and per set: nothing was resent.
    EXPECT_EQ(module.Commands().size(), 1 + 2 * catalogue.size());

    connection.receiveListeners.Remove(&replies);
    connection.Close();
    EXPECT_FALSE(modem.InCall());
    EXPECT_TRUE(modemtest::PortIsFree(modem.PortName()));
    EXPECT_TRUE(messages.shown.empty());
    const auto commands = modem.Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands.back(), "ATH");
}

// A login and its prompt are 24 bytes on the line: at ten bits a byte that
// takes at least 25 ms at 9600 bit/s.
TEST_F(ModemEndToEnd, TheCallRunsAtTheLinePace) {
    ASSERT_EQ(connection.Dial(modem.PortName(), L"0612345678"), &connection);
    ReceivedPieces received;
    connection.receiveListeners.Add(&received);
    const auto start = std::chrono::steady_clock::now();
    connection.WriteString("set REM:UPW P,7402\n");
    ASSERT_TRUE(window.PumpUntil([&] { return received.All() == ":L2 >"; }));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::microseconds(24 * 10'000'000LL / 9600));
    EXPECT_LT(took, 500ms);
    EXPECT_EQ(modem.CallBytesToModule(), 19u);
    EXPECT_EQ(modem.CallBytesFromModule(), 5u);
    connection.receiveListeners.Remove(&received);
}

}  // namespace
}  // namespace varnex
