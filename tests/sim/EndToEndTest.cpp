// The tool's command protocol against the module simulator, over the same
// chains the USB link and a modem call use.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <string>

#include "link/Codepage.h"
#include "link/CommandProtocol.h"
#include "params/Catalogue.h"
#include "sim/ModuleSimulator.h"

namespace varnex::sim {
namespace {

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Login is written by hand here: the password exchange is not this test's subject.
constexpr char kLogin[] = "set REM:UPW P,7402\n";

enum class Link { Usb, Call };

class EndToEnd : public ::testing::TestWithParam<Link> {
protected:
    EndToEnd() {
        if (GetParam() == Link::Usb) {
            auto framed = std::make_unique<FramedLoopback>(module);
            commands.reset(framed->CreateSlot(2));
            channel = commands.get();
            link = std::move(framed);
        } else {
            link = std::make_unique<UnframedLoopback>(module);
            channel = link.get();
        }
        channel->receiveListeners.Add(&replies);
        protocol.SetCommandChannel(channel);
    }
    ~EndToEnd() override {
        if (auto* f = dynamic_cast<FramedLoopback*>(link.get())) f->Stop();
        if (auto* u = dynamic_cast<UnframedLoopback*>(link.get())) u->Stop();
        channel->receiveListeners.Remove(&replies);
    }
    void LogIn() {
        channel->WriteString(kLogin);
        // The login prompt lands in the reply buffer; the next command clears it.
        for (int i = 0; i < 2000 && module.Level() != 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(module.Level(), 2);
    }
    std::wstring Value(const std::string& key) {
        return CommandProtocol::ExtractReplyValue(protocol.QueryParameter(Wide(key)));
    }

    ModuleSimulator module;
    std::unique_ptr<Connection> link;
    std::unique_ptr<Slot> commands;
    Connection* channel = nullptr;
    CommandProtocol protocol{nullptr, nullptr};
    ResponseConnection replies{&protocol, &CommandProtocol::OnCommandText};
};

TEST_P(EndToEnd, WalkOverEveryKeyGivesTheModulesValues) {
    LogIn();
    for (const auto& row : ParameterCatalogue()) module.SetParameterValue(row.key, row.key + "#v");
    module.SetParameterValue("CALL:USER1.PN", "");  // an empty value must come back empty
    for (const auto& row : ParameterCatalogue()) {
        const std::string expected = row.key == "CALL:USER1.PN" ? "" : row.key + "#v";
        ASSERT_EQ(Value(row.key), Wide(expected)) << row.key;
    }
    EXPECT_EQ(module.Commands().size(), ParameterCatalogue().size() + 1) << "one command per key, no retries";
}

TEST_P(EndToEnd, SetThenQueryKeepsWireTextExact) {
    LogIn();
    // Hungarian and Czech letters travel in the 8-bit code page; quotes and
    // backslashes are sent as they stand.
    const std::wstring text = L"Riasztás ő ű č ř \"x\\y\"";
    ASSERT_EQ(protocol.SetParameter(L"SMS:Z1A.SMS", text), 1);
    EXPECT_EQ(module.Parameter("SMS:Z1A.SMS"), EncodeAnsi(text));
    EXPECT_EQ(module.Commands().back(), "sc \"SMS:Z1A.SMS=" + EncodeAnsi(text) + "#\"\r\n");
    EXPECT_EQ(Value("SMS:Z1A.SMS"), text);
}

TEST_P(EndToEnd, LoggedOutModuleAnswersNotAvailable) {
    EXPECT_EQ(protocol.QueryParameter(L"SMS:Z1A.SMS"), CommandProtocol::DeviceNotAvailableText);
    EXPECT_EQ(protocol.SetParameter(L"SMS:Z1A.SMS", L"x"), -1);
    EXPECT_NE(module.Parameter("SMS:Z1A.SMS"), "x");
}

TEST_P(EndToEnd, ModuleLoggingOutMidWalkIsSeenAtOnce) {
    LogIn();
    module.SetDropToLevelZeroAfter(3);
    for (int i = 0; i < 3; ++i) {
        const auto& key = ParameterCatalogue()[static_cast<std::size_t>(i)].key;
        module.SetParameterValue(key, "12345");
        EXPECT_EQ(Value(key), L"12345");
    }
    EXPECT_EQ(protocol.QueryParameter(Wide(ParameterCatalogue()[3].key)), CommandProtocol::DeviceNotAvailableText);
}

TEST_P(EndToEnd, OddChunksAndLevelNinePromptsStillComplete) {
    LogIn();
    module.SetChunking(5, true);
    module.SetLevelNinePrompt(true);
    for (int i = 0; i < 20; ++i) {
        const auto& row = ParameterCatalogue()[static_cast<std::size_t>(i) * 10];
        ASSERT_EQ(Value(row.key), Wide(module.Parameter(row.key))) << row.key;
    }
    EXPECT_EQ(protocol.SetParameter(L"SMS:Z1A.SMS", L"chunked"), 1);
}

TEST_P(EndToEnd, PasswordChangeThenLoginWithTheNewPassword) {
    EXPECT_EQ(protocol.SendPassword(L"1234", L"0"), -1);
    EXPECT_EQ(protocol.SendPassword(L"7402", L"0"), 1);
    EXPECT_EQ(protocol.SendPassword(L"7402", L"9876"), 1);
    EXPECT_EQ(module.Password(), "9876");
    EXPECT_EQ(protocol.SendPassword(L"7402", L"0"), -1);
    EXPECT_EQ(protocol.SendPassword(L"9876", L"0"), 1);
    EXPECT_EQ(module.Level(), 2);
}

INSTANTIATE_TEST_SUITE_P(Links, EndToEnd, ::testing::Values(Link::Usb, Link::Call),
                         [](const auto& info) { return info.param == Link::Usb ? "Usb" : "Call"; });

}  // namespace
}  // namespace varnex::sim
