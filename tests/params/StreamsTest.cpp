#include "params/Streams.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace varnex {
namespace {

using Records = std::vector<std::pair<std::wstring, std::wstring>>;

TEST(StatusStream, RecordsAreAssembledByTheirBraces) {
    struct Case {
        std::vector<std::wstring> deliveries;
        Records applied;
        std::wstring left;
    };
    const Case cases[] = {
        {{L"{RF", L"P=17}"}, {{L"RFP", L"17"}}, L""},
        {{L"{TPv=}"}, {{L"TPv", L" "}}, L""},
        {{L"}{RFP=17}"}, {{L"RFP", L"17"}}, L""},
        {{L"{ABC=1}{RFP}"}, {{L"ABC", L"1"}}, L""},  // unknown keys are the window's to ignore
        {{L"x=1{RFP=17}"}, {}, L""},
        {{L"{RFP=17}{FWv=1.31}"}, {{L"RFP", L"17"}, {L"FWv", L"1.31"}}, L""},
        {{L"{RFP=1", L"7"}, {}, L"{RFP=17"},
        {{L"no braces"}, {}, L"no braces"},
        {{L"{A=1}junk{B=2}"}, {{L"A", L"1"}, {L"B", L"2"}}, L""},
    };
    for (const auto& c : cases) {
        StatusStream stream;
        Records applied;
        for (const auto& d : c.deliveries)
            stream.Feed(d, [&](const std::wstring& k, const std::wstring& v) { applied.push_back({k, v}); });
        EXPECT_EQ(applied, c.applied) << std::string(c.deliveries[0].begin(), c.deliveries[0].end());
        EXPECT_EQ(stream.Buffer(), c.left);
    }
}

TEST(StatusStream, AFailingValueDoesNotStopTheRecordsAfterIt) {
    StatusStream stream;
    Records applied;
    const auto failures = stream.Feed(L"{RFP=x}{RFE=3}", [&](const std::wstring& k, const std::wstring& v) {
        if (v == L"x") throw std::runtime_error("'x' is not a valid integer value");
        applied.push_back({k, v});
    });
    EXPECT_EQ(failures, std::vector<std::string>{"'x' is not a valid integer value"});
    EXPECT_EQ(applied, (Records{{L"RFE", L"3"}}));
    EXPECT_TRUE(stream.Buffer().empty());
}

TEST(StatusStream, AStreamThatNeverClosesStaysBoundedAndComesBackInStep) {
    StatusStream stream;
    Records applied;
    auto apply = [&](const std::wstring& k, const std::wstring& v) { applied.push_back({k, v}); };
    for (int i = 0; i < 100; ++i) stream.Feed(L"{" + std::wstring(1000, L'x'), apply);
    EXPECT_LE(stream.Buffer().size(), StatusStream::kLimit);
    stream.Feed(L"}{RFP=9}", apply);
    EXPECT_EQ(applied, (Records{{L"RFP", L"9"}}));
}

std::vector<LogStream::Line> Feed(LogStream& stream, const std::vector<std::wstring>& deliveries) {
    std::vector<LogStream::Line> lines;
    for (const auto& d : deliveries) stream.Feed(d, [&](const LogStream::Line& l) { lines.push_back(l); });
    return lines;
}

TEST(LogStream, LinesEndAtCarriageReturnAlone) {
    LogStream stream;
    auto lines = Feed(stream, {L"line1\rline2\r", L"part3"});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, L"line1");
    EXPECT_EQ(lines[1].text, L"line2");
    lines = Feed(stream, {L"\r\n", L"next\r"});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, L"part3");
    EXPECT_EQ(lines[1].text, L"\nnext");  // the LF stays and starts the next line
}

TEST(LogStream, MarkedLinesReachTheirPanes) {
    struct Case {
        std::wstring line, pane2, pane3;
    };
    const Case cases[] = {
        {L"[t] <DTMF> (1)", L"<DTMF> (1)", L""},
        {L"[t] <DTMFF> (1)", L"", L"<DTMFF> (1)"},
        {L"<PPP> (x)", L"", L""},
        {L"[t] <SIO> (a) [u] <PPP> (b)", L"<PPP> (b)", L""},  // list order decides, not position
        {L"[t] <ppp> (lower) [u] <ATCH> (on)", L"<ppp> (lower) [u] <ATCH> (on)", L"<ATCH> (on)"},
        {L"[t] <PPPX> (no)", L"", L""},
        {L"[t] <JST>(no blank)", L"", L""},
    };
    for (const auto& c : cases) {
        LogStream stream;
        const auto lines = Feed(stream, {c.line + L"\r"});
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].text, c.line);
        EXPECT_EQ(lines[0].pane2, c.pane2) << std::string(c.line.begin(), c.line.end());
        EXPECT_EQ(lines[0].pane3, c.pane3) << std::string(c.line.begin(), c.line.end());
    }
}

TEST(LogStream, ALineWithoutEndIsPassedOnAtTheLimit) {
    LogStream stream;
    const auto lines = Feed(stream, {std::wstring(LogStream::kLimit + 10, L'a'), L"\rok\r"});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text.size(), LogStream::kLimit);
    EXPECT_EQ(lines[1].text, std::wstring(10, L'a'));
    EXPECT_EQ(lines[2].text, L"ok");
}

}  // namespace
}  // namespace varnex
