#include "link/CommandProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

using namespace varnex;

namespace {

// A command channel that records what is written and answers through a script,
// in as many chunks as the script returns.
class ScriptedChannel : public Connection {
public:
    std::function<std::vector<std::string>(const std::string&)> script;
    CommandProtocol* protocol = nullptr;
    std::vector<std::string> written;

    bool IsOpen() override { return true; }
    void Write(const std::uint8_t* d, std::size_t n) override {
        WriteString(std::string(reinterpret_cast<const char*>(d), n));
    }
    void WriteString(const std::string& s) override {
        written.push_back(s);
        if (!script) return;
        for (const auto& chunk : script(s))
            protocol->AppendReply(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size());
    }
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "script"; }
};

struct Protocol : ::testing::Test {
    ScriptedChannel channel;
    CommandProtocol protocol{&channel, nullptr};
    void SetUp() override { channel.protocol = &protocol; }
};

}  // namespace

TEST_F(Protocol, QueryAndSetBytesAreExactAndUnescaped) {
    channel.script = [](const std::string&) {
        return std::vector<std::string>{"X=1\r\n->PASS\r\n:L2 >"};
    };
    protocol.QueryParameter(L"CALL:USER1.PN");
    protocol.SetParameter(L"EVH:Z1A.CEID", L"1130");
    protocol.SetParameter(L"SMS:Z1A.SMS", L"a#b\"c");
    ASSERT_EQ(channel.written.size(), 3u);
    EXPECT_EQ(channel.written[0], "sc CALL:USER1.PN?#\r\n");
    EXPECT_EQ(channel.written[1], "sc \"EVH:Z1A.CEID=1130#\"\r\n");
    EXPECT_EQ(channel.written[2], "sc \"SMS:Z1A.SMS=a#b\"c#\"\r\n");
}

TEST_F(Protocol, ReplyCompletesOnlyWithPassAndPromptAcrossChunks) {
    struct Case { std::vector<std::string> chunks; bool complete; };
    const Case cases[] = {
        {{"IO:VBAT=12345\r\n", "->PASS\r\n", ":L2", " >"}, true},
        {{"IO:VBAT=12345\r\n->PASS\r\n:L9 >"}, true},
        {{"IO:VBAT=12345\r\n:L2 >"}, false},  // refused: no ->PASS
    };
    for (const auto& c : cases) {
        channel.written.clear();
        channel.script = [&](const std::string&) { return c.chunks; };
        const std::wstring reply = protocol.QueryParameter(L"IO:VBAT");
        if (c.complete) {
            EXPECT_EQ(channel.written.size(), 1u);
            EXPECT_EQ(CommandProtocol::ExtractReplyValue(reply), L"12345");
        } else {
            EXPECT_EQ(channel.written.size(), 4u) << "four tries";
            EXPECT_EQ(reply, L"");
        }
        EXPECT_EQ(protocol.ReplyBuffer(), L"") << "cleared at the end";
    }
}

TEST_F(Protocol, LevelZeroStopsAtOnce) {
    channel.script = [](const std::string&) { return std::vector<std::string>{"\r\n:L0 >"}; };
    EXPECT_EQ(protocol.QueryParameter(L"CALL:USER1.PN"), CommandProtocol::DeviceNotAvailableText);
    EXPECT_EQ(channel.written.size(), 1u);
    EXPECT_EQ(protocol.SetParameter(L"CALL:USER1.PN", L"1"), -1);
    EXPECT_EQ(channel.written.size(), 2u);
    EXPECT_EQ(CommandProtocol::DeviceNotAvailableText.size(), 38u);
}

TEST_F(Protocol, SilenceCostsFourTries) {
    EXPECT_EQ(protocol.QueryParameter(L"CALL:USER1.PN"), L"");
    EXPECT_EQ(protocol.SetParameter(L"CALL:USER1.PN", L"1"), 0);
    EXPECT_EQ(channel.written.size(), 8u);
    EXPECT_FALSE(protocol.commandLock);
}

// A try whose reply lost a piece on the way leaves that piece behind; the
// next try's reply must not be read through it.
TEST_F(Protocol, ARetryReadsOnlyItsOwnReply) {
    const std::vector<std::string> firstTry[] = {
        {"SMS:Z1A.SMS=Riaszt"},                      // the rest was lost
        {"SMS:Z1A.SMS=Riaszt", ":L2 >"},             // a middle piece was lost
        {"SMS:Z1A.SMS=Riaszt\r\n", "->PA"},         // cut in the confirmation
    };
    for (const auto& lost : firstTry) {
        int tries = 0;
        channel.written.clear();
        channel.script = [&](const std::string&) {
            return ++tries == 1 ? lost : std::vector<std::string>{"SMS:Z1A.SMS=Riaszt\xE1s\r\n->PASS\r\n:L2 >"};
        };
        EXPECT_EQ(CommandProtocol::ExtractReplyValue(protocol.QueryParameter(L"SMS:Z1A.SMS")), L"Riaszt\u00e1s");
        EXPECT_EQ(channel.written.size(), 2u);
    }
}

// A link lost during a command ends it after the one write that went nowhere,
// instead of three more tries of two seconds each; a reply that had already
// come in when the link went is still taken.
TEST_F(Protocol, ALinkLostMidCommandEndsItAtOnce) {
    struct Case {
        const char* name;
        std::vector<std::string> answer;  // what comes in before the link goes
        std::function<bool(CommandProtocol&)> run;  // true when the result is as expected
    };
    const Case cases[] = {
        {"query unanswered", {}, [](CommandProtocol& p) { return p.QueryParameter(L"IO:VBAT").empty(); }},
        {"set unanswered", {}, [](CommandProtocol& p) { return p.SetParameter(L"IO:VBAT", L"1") == 0; }},
        {"login unanswered", {}, [](CommandProtocol& p) { return p.SendPassword(L"7402", L"0") == 0; }},
        {"query answered", {"IO:VBAT=12\r\n->PASS\r\n:L2 >"},
         [](CommandProtocol& p) { return CommandProtocol::ExtractReplyValue(p.QueryParameter(L"IO:VBAT")) == L"12"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool up = true;
        protocol.linkUp = [&] { return up; };
        channel.written.clear();
        channel.script = [&](const std::string&) {
            up = false;
            return c.answer;
        };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(c.run(protocol));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_EQ(channel.written.size(), 1u);
        EXPECT_FALSE(protocol.commandLock);
    }
}

TEST(ExtractReplyValue, Table) {
    struct Case { std::wstring text; std::wstring value; };
    const Case cases[] = {
        {L"IO:VBAT=12345\r\n->PASS\r\n:L2 >", L"12345"},
        {L"IO:VBAT 12345\r\n->PASS\r\n:L2 >", L""},
        {L"IO:VBAT=12345\r\n:L2 >", L""},
        {L"K=\r\n->PASS", L""},
        {L"K=->PASS", L""},
        {L"->PASS K=1", L""},
        {CommandProtocol::DeviceNotAvailableText, L""},
        {L"SMS:Z1A.SMS=a=b\r\n->PASS", L"a=b"},
    };
    for (const auto& c : cases) EXPECT_EQ(CommandProtocol::ExtractReplyValue(c.text), c.value);
}

TEST_F(Protocol, ReplyBufferIsBounded) {
    const std::string junk(4096, 'j');
    for (int i = 0; i < 100; ++i)
        protocol.AppendReply(reinterpret_cast<const std::uint8_t*>(junk.data()), junk.size());
    EXPECT_LE(protocol.ReplyBuffer().size(), CommandProtocol::kReplyBufferLimit);
}

TEST_F(Protocol, PasswordCommandsAreExactAndOnlyLevelTwoLogsIn) {
    struct Case {
        const wchar_t* password;
        const wchar_t* newPassword;
        std::vector<std::string> reply;
        int result;
        std::string sent;
        std::size_t tries;
    };
    const Case cases[] = {
        {L"7402", L"0", {":L2 >"}, 1, "set REM:UPW P,7402\n", 1},
        {L"7402", L"0", {":L", "2 >"}, 1, "set REM:UPW P,7402\n", 1},
        {L"1111", L"0", {":L0 >"}, -1, "set REM:UPW P,1111\n", 1},
        {L"7402", L"5555", {":L2 >"}, 1, "set REM:UPW C,7402,5555\n", 1},
        {L"7402", L"0", {"->PASS\r\n:L9 >"}, 0, "set REM:UPW P,7402\n", 4},
    };
    for (const auto& c : cases) {
        channel.written.clear();
        channel.script = [&](const std::string&) { return c.reply; };
        protocol.commandLock = true;  // not taken, but released at the end
        EXPECT_EQ(protocol.SendPassword(c.password, c.newPassword), c.result) << c.sent;
        ASSERT_EQ(channel.written.size(), c.tries) << c.sent;
        EXPECT_EQ(channel.written.front(), c.sent);
        EXPECT_TRUE(protocol.ReplyBuffer().empty());
        EXPECT_FALSE(protocol.commandLock);
    }
}

TEST_F(Protocol, APromptLeftFromEarlierTakesPartInTheLogin) {
    // The login does not clear the buffer before it sends.
    const std::string stale = ":L2 >";
    protocol.AppendReply(reinterpret_cast<const std::uint8_t*>(stale.data()), stale.size());
    channel.script = [](const std::string&) { return std::vector<std::string>{"x"}; };
    EXPECT_EQ(protocol.SendPassword(L"bad", L"0"), 1);
}
