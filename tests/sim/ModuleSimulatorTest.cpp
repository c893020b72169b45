#include "sim/ModuleSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/Connection.h"
#include "params/Catalogue.h"
#include "params/Streams.h"

namespace varnex::sim {
namespace {

using namespace std::chrono_literals;

// Collects what a tool-side channel delivers and lets the test wait for it.
class Collector {
public:
    Collector() : connection_(this, &Collector::Callback) {}
    ResponseConnection* Connection() { return &connection_; }

    // True once the collected text satisfies `done`; false after `timeout`.
    template <typename Pred>
    bool WaitUntil(Pred done, std::chrono::milliseconds timeout = 3000ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done(text_); });
    }
    bool WaitFor(const std::string& needle, std::chrono::milliseconds timeout = 3000ms) {
        return WaitUntil([&](const std::string& t) { return t.find(needle) != std::string::npos; }, timeout);
    }
    // Waits briefly for anything at all; used where nothing must come.
    bool AnythingWithin(std::chrono::milliseconds timeout = 100ms) {
        return WaitUntil([](const std::string& t) { return !t.empty(); }, timeout);
    }
    std::string Text() {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        text_.clear();
    }

private:
    static void Callback(void* owner, const std::uint8_t* data, std::size_t length) {
        auto* self = static_cast<Collector*>(owner);
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->text_.append(reinterpret_cast<const char*>(data), length);
        }
        self->changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::string text_;
    ResponseConnection connection_;
};

// Records the size of every piece the link hands to the tool.
class PieceCounter : public Connection {
public:
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t*, std::size_t) override {}
    void WriteString(const std::string&) override {}
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "count"; }
    void OnReceive(const std::uint8_t*, std::size_t length) override {
        std::lock_guard<std::mutex> lock(mutex);
        sizes.push_back(length);
    }
    std::vector<std::size_t> Sizes() {
        std::lock_guard<std::mutex> lock(mutex);
        return sizes;
    }
    std::mutex mutex;
    std::vector<std::size_t> sizes;
};

const std::string& FirstKey() { return ParameterCatalogue().front().key; }
const std::string& FirstDefault() { return ParameterCatalogue().front().defaultValue; }
std::string Query(const std::string& key) { return "sc " + key + "?#\r\n"; }
std::string Set(const std::string& key, const std::string& value) {
    return "sc \"" + key + "=" + value + "#\"\r\n";
}
std::string QueryReply(const std::string& key, const std::string& value, const std::string& prompt = ":L2 >") {
    return key + "=" + value + "\r\n->PASS\r\n" + prompt;
}
const std::string kSetReply = "OK\r\n->PASS\r\n:L2 >";

// The tool's USB chain, built as the main window builds it.
class SimUsb : public ::testing::Test {
protected:
    SimUsb() {
        link = std::make_unique<FramedLoopback>(module);
        commands.reset(link->CreateSlot(2));
        status.reset(link->CreateSlot(4));
        log.reset(link->CreateSlot(3));
        commands->receiveListeners.Add(commandText.Connection());
        status->receiveListeners.Add(statusText.Connection());
        log->receiveListeners.Add(logText.Connection());
    }
    ~SimUsb() override {
        link->Stop();  // no delivery may run while the chain comes down
        link->receiveListeners.Remove(&pieces);
    }

    void Send(const std::string& text) { commands->WriteString(text); }
    // Sends and waits for the reply to end in a prompt; returns the reply.
    std::string Exchange(const std::string& text) {
        commandText.Clear();
        Send(text);
        EXPECT_TRUE(commandText.WaitUntil([](const std::string& t) {
            return t.size() >= 5 && t.compare(t.size() - 5, 2, ":L") == 0 && t.compare(t.size() - 2, 2, " >") == 0;
        })) << "no reply to " << text;
        return commandText.Text();
    }
    void LogIn() { ASSERT_EQ(Exchange("set REM:UPW P,7402\n"), ":L2 >"); }

    ModuleSimulator module;
    std::unique_ptr<FramedLoopback> link;
    std::unique_ptr<Slot> commands, status, log;
    Collector commandText, statusText, logText;
    PieceCounter pieces;
};

TEST_F(SimUsb, NearMissCommandsGetNoAnswerAndChangeNothing) {
    const std::string k = FirstKey();
    std::string lower = k;
    for (auto& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"query without CR", "sc " + k + "?#\n"},
        {"query with doubled CR", "sc " + k + "?#\r\r\n"},
        {"query with two blanks", "sc  " + k + "?#\r\n"},
        {"query with blank before ?", "sc " + k + " ?#\r\n"},
        {"query with trailing blank", "sc " + k + "?# \r\n"},
        {"query without #", "sc " + k + "?\r\n"},
        {"query in quotes", "sc \"" + k + "?#\"\r\n"},
        {"query for unknown key", "sc NO:SUCH.KEY?#\r\n"},
        {"query for key in lower case", "sc " + lower + "?#\r\n"},
        {"query in upper case", "SC " + k + "?#\r\n"},
        {"set without quotes", "sc " + k + "=1#\r\n"},
        {"set with # outside the quotes", "sc \"" + k + "=1\"#\r\n"},
        {"set with escaped quotes", "sc \\\"" + k + "=1#\\\"\r\n"},
        {"set without CR", "sc \"" + k + "=1#\"\n"},
        {"set without =", "sc \"" + k + "#\"\r\n"},
        {"set for unknown key", "sc \"NO:SUCH=1#\"\r\n"},
        {"set with blank before =", "sc \"" + k + " =1#\"\r\n"},
        {"login ending in CR LF", "set REM:UPW P,7402\r\n"},
        {"login with two blanks", "set  REM:UPW P,7402\n"},
        {"login in upper case", "SET REM:UPW P,7402\n"},
        {"password change ending in CR LF", "set REM:UPW C,7402,1111\r\n"},
        {"password change without new password field", "set REM:UPW C,7402\n"},
        {"empty line", "\n"},
        {"empty line with CR", "\r\n"},
    };
    module.SetLevel(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        commandText.Clear();
        Send(c.bytes);
        EXPECT_FALSE(commandText.AnythingWithin()) << commandText.Text();
        // The line parser is back in step: a good command right after is answered exactly.
        EXPECT_EQ(Exchange(Query(k)), QueryReply(k, FirstDefault()));
    }
    EXPECT_EQ(module.Parameter(k), FirstDefault());
    EXPECT_EQ(module.Password(), "7402");
    EXPECT_EQ(module.Level(), 2);
}

TEST_F(SimUsb, ACommandWithoutLineEndIsNeverAnswered) {
    module.SetLevel(2);
    Send("sc " + FirstKey() + "?#\r");
    EXPECT_FALSE(commandText.AnythingWithin());
    EXPECT_TRUE(module.Commands().empty());
}

TEST_F(SimUsb, LoggedOutQueriesAndSetsGetOnlyTheLevelZeroPrompt) {
    EXPECT_EQ(Exchange(Query(FirstKey())), ":L0 >");
    EXPECT_EQ(Exchange(Set(FirstKey(), "x")), ":L0 >");
    EXPECT_EQ(module.Parameter(FirstKey()), FirstDefault());
    EXPECT_EQ(module.Level(), 0);
}

TEST_F(SimUsb, LoginSetsTheLevelByThePassword) {
    struct Case {
        const char* password;
        const char* prompt;
        int level;
    };
    const Case cases[] = {{"7402", ":L2 >", 2}, {"7403", ":L0 >", 0}, {"", ":L0 >", 0},
                          {"74021", ":L0 >", 0}, {"7402", ":L2 >", 2}, {"740", ":L0 >", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        EXPECT_EQ(Exchange(std::string("set REM:UPW P,") + c.password + "\n"), c.prompt);
        EXPECT_EQ(module.Level(), c.level);
    }
}

TEST_F(SimUsb, PasswordChangeNeedsTheOldPassword) {
    EXPECT_EQ(Exchange("set REM:UPW C,1111,2222\n"), ":L0 >");
    EXPECT_EQ(module.Password(), "7402");
    EXPECT_EQ(module.Level(), 0);

    EXPECT_EQ(Exchange("set REM:UPW C,7402,5555\n"), ":L2 >");
    EXPECT_EQ(module.Password(), "5555");
    EXPECT_EQ(module.Level(), 2);

    EXPECT_EQ(Exchange("set REM:UPW P,7402\n"), ":L0 >");
    EXPECT_EQ(Exchange("set REM:UPW P,5555\n"), ":L2 >");
}

TEST_F(SimUsb, QueryRepliesAreByteExact) {
    LogIn();
    for (const auto& row : {ParameterCatalogue().front(), ParameterCatalogue().back()}) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(Exchange(Query(row.key)), QueryReply(row.key, row.defaultValue));
    }
    EXPECT_EQ(Exchange(Query("GSMState:RFP")), QueryReply("GSMState:RFP", "23"));
    EXPECT_EQ(Exchange(Query("IO:VBAT")), QueryReply("IO:VBAT", "12345"));
}

TEST_F(SimUsb, EveryCatalogueKeyIsKnownWithItsDefault) {
    for (const auto& row : ParameterCatalogue()) {
        ASSERT_TRUE(module.HasParameter(row.key)) << row.key;
        EXPECT_EQ(module.Parameter(row.key), row.defaultValue) << row.key;
    }
}

TEST_F(SimUsb, SetStoresTheValueAsItStands) {
    LogIn();
    EXPECT_EQ(Exchange(Set(FirstKey(), "a#\"b")), kSetReply);
    EXPECT_EQ(module.Parameter(FirstKey()), "a#\"b");
    EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(FirstKey(), "a#\"b"));
    EXPECT_EQ(Exchange(Set(FirstKey(), "")), kSetReply);
    EXPECT_EQ(module.Parameter(FirstKey()), "");
    EXPECT_EQ(Exchange(Set("Slots:Mainlog", "1")), kSetReply);
    EXPECT_EQ(module.Parameter("Slots:Mainlog"), "1");
}

TEST_F(SimUsb, TestReportRequestSendsALogLine) {
    LogIn();
    EXPECT_EQ(Exchange(Set("EVM:New", "10")), kSetReply);
    ASSERT_TRUE(logText.WaitFor("\r"));
    EXPECT_NE(logText.Text().find("] <"), std::string::npos) << logText.Text();
}

TEST_F(SimUsb, StatusRequestGetsEveryStatusRecord) {
    status->WriteString("R");
    const std::string last = "{" + StatusCatalogue().back().key + "=";
    ASSERT_TRUE(statusText.WaitUntil([&](const std::string& t) {
        auto at = t.find(last);
        return at != std::string::npos && t.find('}', at) != std::string::npos;
    }));
    const std::string report = statusText.Text();
    for (const auto& row : StatusCatalogue())
        EXPECT_NE(report.find("{" + row.key + "=" + module.StatusValue(row.key) + "}"), std::string::npos)
            << row.key;
    EXPECT_NE(report.find("{RFP=23}"), std::string::npos);
    EXPECT_TRUE(commandText.Text().empty());
    EXPECT_EQ(module.StatusRequests(), 1);
}

TEST_F(SimUsb, OnlyASingleRAsksForAReport) {
    for (const char* text : {"RR", "r", "R\r\n", "S"}) status->WriteString(text);
    EXPECT_FALSE(statusText.AnythingWithin());
    EXPECT_EQ(module.StatusRequests(), 0);
}

TEST_F(SimUsb, LogLinesComeOnTheLogChannelOnly) {
    module.EmitLogLine("[00:00:01] <PPP> (up)");
    ASSERT_TRUE(logText.WaitFor("\r"));
    EXPECT_EQ(logText.Text(), "[00:00:01] <PPP> (up)\r");
    EXPECT_TRUE(commandText.Text().empty());
    EXPECT_TRUE(statusText.Text().empty());
}

TEST_F(SimUsb, RoutineLogLinesArriveNowAndThen) {
    module.SetLogInterval(20ms);
    ASSERT_TRUE(logText.WaitUntil([](const std::string& t) {
        std::size_t lines = 0;
        for (char ch : t) lines += ch == '\r';
        return lines >= 3 && t.find("] <") != std::string::npos;
    }));
}

// Counts the complete status reports in the collected text.
std::size_t Reports(const std::string& text) {
    const std::string last = "{" + StatusCatalogue().back().key + "=";
    std::size_t n = 0;
    for (auto at = text.find(last); at != std::string::npos; at = text.find(last, at + 1))
        n += text.find('}', at) != std::string::npos;
    return n;
}

TEST_F(SimUsb, StatusReportsComeUnaskedAtTheirInterval) {
    module.SetStatusReportInterval(30ms);
    ASSERT_TRUE(statusText.WaitUntil([](const std::string& t) { return Reports(t) >= 2; }));
    EXPECT_EQ(module.StatusRequests(), 0);
    EXPECT_NE(statusText.Text().find("{RFP=23}"), std::string::npos);
    EXPECT_TRUE(logText.Text().empty());

    module.SetStatusReportInterval(0ms);
    std::this_thread::sleep_for(150ms);  // a tick under way may still send one
    statusText.Clear();
    EXPECT_FALSE(statusText.AnythingWithin(200ms));
}

TEST_F(SimUsb, LivelyLogLinesCarryEveryTagThePanesPickOut) {
    module.SetLively(true);
    for (int i = 0; i < 40; ++i) module.EmitRoutineLogLine();
    ASSERT_TRUE(logText.WaitUntil([](const std::string& t) {
        std::size_t lines = 0;
        for (char ch : t) lines += ch == '\r';
        return lines >= 40;
    }));
    std::vector<std::wstring> lines;
    LogStream stream;
    const std::string text = logText.Text();
    stream.Feed(std::wstring(text.begin(), text.end()), [&](const LogStream::Line& l) { lines.push_back(l.text); });
    ASSERT_GE(lines.size(), 40u);
    for (const auto* words : {&LogStream::logWords2, &LogStream::logWords3})
        for (const auto& word : *words) {
            const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::wstring& line) {
                return !LogStream::MarkedPart(line, {word}).empty();
            });
            EXPECT_TRUE(found) << std::string(word.begin(), word.end());
        }
    // Plain lines too, and every line stamped.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::wstring& line) {
        return LogStream::MarkedPart(line, LogStream::logWords2).empty() &&
               LogStream::MarkedPart(line, LogStream::logWords3).empty();
    }));
    for (const auto& line : lines) EXPECT_EQ(line.rfind(L"[", 0), 0u) << std::string(line.begin(), line.end());
}

// The values of one key in every complete record of the collected text.
std::set<std::string> ValuesOf(const std::string& text, const std::string& key) {
    std::set<std::string> values;
    const std::string open = "{" + key + "=";
    for (auto at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
        const auto end = text.find('}', at);
        if (end != std::string::npos) values.insert(text.substr(at + open.size(), end - at - open.size()));
    }
    return values;
}

TEST_F(SimUsb, LivelyReportsMoveWithRealTime) {
    module.SetLively(true);
    module.SetStatusReportInterval(200ms);
    // Reports a second or more apart: the uptime has counted.
    EXPECT_TRUE(statusText.WaitUntil([](const std::string& t) { return ValuesOf(t, "SUTM").size() >= 2; }, 4000ms))
        << statusText.Text();
}

// A lively module without a link: time passes only when the test says so.
class LivelyModule : public ::testing::Test {
protected:
    LivelyModule() { module.SetLively(true); }
    // Steps the module a second at a time and records each status value.
    void Run(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            module.Advance(1s);
            for (const auto& row : StatusCatalogue()) seen[row.key].insert(module.StatusValue(row.key));
        }
    }
    ModuleSimulator module;
    std::map<std::string, std::set<std::string>> seen;
};

TEST_F(LivelyModule, OffByDefaultNothingMoves) {
    ModuleSimulator still;
    std::map<std::string, std::string> before;
    for (const auto& row : StatusCatalogue()) before[row.key] = still.StatusValue(row.key);
    still.Advance(3600s);
    for (const auto& row : StatusCatalogue()) EXPECT_EQ(still.StatusValue(row.key), before[row.key]) << row.key;
    EXPECT_FALSE(still.Lively());
}

TEST_F(LivelyModule, UptimesCountTheSecondsThatPass) {
    EXPECT_EQ(module.StatusValue("SUTM"), "5d 07:41:00");
    EXPECT_EQ(module.StatusValue("GUTM"), "3d 04:12:00");
    module.Advance(400ms);
    module.Advance(400ms);
    EXPECT_EQ(module.StatusValue("SUTM"), "5d 07:41:00");
    module.Advance(400ms);  // the parts of a second add up
    EXPECT_EQ(module.StatusValue("SUTM"), "5d 07:41:01");
    module.Advance(std::chrono::hours(17) + 18min + 59s);
    EXPECT_EQ(module.StatusValue("SUTM"), "6d 01:00:00");
    EXPECT_EQ(module.StatusValue("GUTM"), "3d 21:31:00");
}

TEST_F(LivelyModule, SignalTemperaturesAndSupplyMoveWithinTheirRanges) {
    Run(600);
    for (const char* key : {"RFP", "TPS", "TPM", "VSU"}) EXPECT_GE(seen[key].size(), 3u) << key;
    for (const auto& value : seen["RFP"]) {
        const int n = std::stoi(value);
        EXPECT_TRUE(n >= 0 && n <= 31) << value;
        EXPECT_LE(std::stoi(module.StatusValue("RFE")), n);  // the lowest is the lowest
    }
    for (const auto& value : seen["TPS"]) EXPECT_NEAR(std::stod(value), 21.5, 3.0) << value;
    EXPECT_LE(std::stoi(module.StatusValue("VSE")), std::stoi(module.StatusValue("VSU")));
}

TEST_F(LivelyModule, InputsAndRelaysChangeNowAndThen) {
    Run(1800);
    for (const char* key : {"IN1V", "IN2V", "RE1", "RE2"})
        EXPECT_EQ(seen[key], (std::set<std::string>{"0", "1"})) << key;
}

TEST_F(LivelyModule, DataCallQueriesFollowTheStatus) {
    Run(120);
    const std::pair<const char*, const char*> pairs[] = {
        {"GSMState:RFP", "RFP"}, {"GSMState:RFPE", "RFE"}, {"GSMState:UTM", "GUTM"}, {"IO:VBAT", "VSU"},
        {"SysState:VBATE", "VSE"}, {"IO:DIN1", "IN1V"}, {"IO:DIN2", "IN2V"}, {"IO:REL1", "RE1"},
        {"IO:REL2", "RE2"}, {"SysState:TempMain", "TPM"},
    };
    for (const auto& [key, status] : pairs) EXPECT_EQ(module.Parameter(key), module.StatusValue(status)) << key;
}

TEST_F(SimUsb, LivelyInputChangesAreLogged) {
    module.SetLively(true);
    module.Advance(1800s);
    ASSERT_TRUE(logText.WaitFor("<SIO> (IN1 ")) << logText.Text();
    // The relay lines travel in frames of their own and may still be on the way.
    EXPECT_TRUE(logText.WaitFor("REL")) << logText.Text();
}

TEST_F(SimUsb, LatencyHoldsTheReplyBack) {
    LogIn();
    module.SetLatency(150ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(FirstKey(), FirstDefault()));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
}

TEST_F(SimUsb, LevelNinePromptReplacesLevelTwo) {
    LogIn();
    module.SetLevelNinePrompt(true);
    EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(FirstKey(), FirstDefault(), ":L9 >"));
    EXPECT_EQ(Exchange(Set(FirstKey(), "7")), "OK\r\n->PASS\r\n:L9 >");
}

TEST_F(SimUsb, DropsToLevelZeroAfterTheGivenNumberOfCommands) {
    LogIn();
    module.SetDropToLevelZeroAfter(2);
    EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(FirstKey(), FirstDefault()));
    EXPECT_EQ(Exchange(Set(FirstKey(), "3")), kSetReply);
    EXPECT_EQ(Exchange(Query(FirstKey())), ":L0 >");
    EXPECT_EQ(module.Level(), 0);
    LogIn();  // the knob fires once
    EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(FirstKey(), "3"));
}

TEST_F(SimUsb, SilentModuleRecordsButNeverAnswers) {
    module.SetSilent(true);
    Send("set REM:UPW P,7402\n");
    status->WriteString("R");
    EXPECT_FALSE(commandText.AnythingWithin());
    EXPECT_TRUE(statusText.Text().empty());
    ASSERT_EQ(module.Commands().size(), 1u);
    EXPECT_EQ(module.Commands()[0], "set REM:UPW P,7402\n");
}

TEST_F(SimUsb, ReplyForAnotherKeyNamesThatKey) {
    LogIn();
    const auto& other = ParameterCatalogue()[1];
    module.SetReplyForKey(other.key);
    EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(other.key, other.defaultValue));
}

TEST_F(SimUsb, ChunkedOutputStillFramesCorrectly) {
    LogIn();
    link->receiveListeners.Add(&pieces);
    for (bool random : {false, true}) {
        SCOPED_TRACE(random ? "random" : "fixed");
        module.SetChunking(5, random);
        EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(FirstKey(), FirstDefault()));
    }
    const auto sizes = pieces.Sizes();
    ASSERT_FALSE(sizes.empty());
    bool oddPiece = false;
    for (auto n : sizes) {
        EXPECT_LE(n, 5u);
        oddPiece = oddPiece || n < 5;
    }
    EXPECT_TRUE(oddPiece);
}

TEST_F(SimUsb, CorruptFramesAreSkippedByTheToolsSlot) {
    module.SetCorruptEveryNthFrame(2);
    const std::string line = std::string(16, 'a') + std::string(16, 'b') + std::string(15, 'c');
    module.EmitLogLine(line);  // 48 bytes with the CR: three frames, the second one spoilt
    ASSERT_TRUE(logText.WaitFor("\r"));
    EXPECT_EQ(logText.Text(), std::string(16, 'a') + std::string(15, 'c') + "\r");
}

TEST_F(SimUsb, UnplugsAfterTheGivenNumberOfReports) {
    LogIn();
    ASSERT_EQ(Query(FirstKey()).size() / Slot::kMaxPayload, 1u);  // two frames: six reports
    module.SetUnplugAfterReports(6);
    commandText.Clear();
    Send(Query(FirstKey()));  // the module hears it, but the cable is out before it answers
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(commandText.AnythingWithin());
    Send(Query(FirstKey()));
    EXPECT_EQ(module.Commands().size(), 2u);

    link->Plug();
    EXPECT_TRUE(link->IsOpen());
    EXPECT_EQ(Exchange(Query(FirstKey())), QueryReply(FirstKey(), FirstDefault()));
}

TEST_F(SimUsb, UnpluggedLinkDropsWritesAndDeliversNothing) {
    link->Unplug();
    EXPECT_FALSE(link->IsOpen());
    Send("set REM:UPW P,7402\n");
    module.EmitLogLine("lost");
    EXPECT_FALSE(commandText.AnythingWithin());
    EXPECT_TRUE(logText.Text().empty());
    EXPECT_TRUE(module.Commands().empty());
}

// The modem data call: raw bytes both ways.
class SimCall : public ::testing::Test {
protected:
    SimCall() : link(module) { link.receiveListeners.Add(text.Connection()); }
    ~SimCall() override { link.Stop(); }

    ModuleSimulator module;
    UnframedLoopback link;
    Collector text;
};

TEST_F(SimCall, RepliesComeUnframed) {
    link.WriteString("set REM:UPW P,7402\n");
    ASSERT_TRUE(text.WaitFor(":L2 >"));
    text.Clear();
    link.WriteString(Query("IO:VBAT"));
    ASSERT_TRUE(text.WaitFor(" >"));
    EXPECT_EQ(text.Text(), QueryReply("IO:VBAT", "12345"));
}

TEST_F(SimCall, CommandsSplitAcrossWritesAndChunkedRepliesStillWork) {
    module.SetLevel(2);
    module.SetChunking(3, true);
    const std::string command = Query(FirstKey());
    for (char ch : command) link.Write(reinterpret_cast<const std::uint8_t*>(&ch), 1);
    const std::string expected = QueryReply(FirstKey(), FirstDefault());
    ASSERT_TRUE(text.WaitUntil([&](const std::string& t) { return t.size() >= expected.size(); }));
    EXPECT_EQ(text.Text(), expected);
}

TEST_F(SimCall, NoStatusOrLogOnACall) {
    module.EmitLogLine("[00:00:01] <PPP> (up)");
    module.SetLevel(2);
    module.ReceiveStatusBytes(reinterpret_cast<const std::uint8_t*>("R"), 1);
    EXPECT_FALSE(text.AnythingWithin());
}

}  // namespace
}  // namespace varnex::sim
