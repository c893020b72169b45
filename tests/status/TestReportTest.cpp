// The test report button: one set command, over whichever link is the
// command channel, and nothing shown.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "status/StatusTestSupport.h"

namespace varnex::testing {
namespace {

using TestReport = StatusFixture;

const std::string kTestReportSet = "sc \"EVM:New=10#\"\r\n";

TEST_F(TestReport, AClickSendsExactlyTheTestReportSet) {
    PlugAndLogIn();
    const std::size_t commands = module.Commands().size();
    const int requests = module.StatusRequests();
    controller->ShowOutcome(QString());
    W().btTestReportNow->click();
    const auto all = module.Commands();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(commands), all.end()),
              std::vector<std::string>{kTestReportSet});
    EXPECT_EQ(module.Parameter("EVM:New"), "10");
    EXPECT_EQ(module.StatusRequests(), requests);
    EXPECT_EQ(controller->Outcome(), QString());
    // The module logs the report it sent.
    EXPECT_TRUE(PumpUntil([&] { return W().MemoLog1->toPlainText().contains("test report sent"); }));
}

TEST_F(TestReport, DuringADataCallItGoesOverTheCall) {
    remote.SetLevel(2);
    StartCall();
    W().btTestReportNow->click();
    EXPECT_EQ(remote.Commands(), std::vector<std::string>{kTestReportSet});
    EXPECT_EQ(remote.Parameter("EVM:New"), "10");
}

TEST_F(TestReport, WithTheModuleAbsentTheWindowStaysAliveAndNothingIsShown) {
    int ticks = 0;
    bool modalSeen = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        modalSeen = modalSeen || QApplication::activeModalWidget();
    });
    timer.start(50);
    QElapsedTimer clock;
    clock.start();
    W().btTestReportNow->click();
    const qint64 waited = clock.elapsed();
    // Four tries of about two seconds each, the window's events running all along.
    EXPECT_GE(waited, 7500);
    EXPECT_GE(ticks, static_cast<int>(waited / 50 / 2));
    EXPECT_FALSE(modalSeen);
    EXPECT_EQ(controller->Outcome(), QString());
    EXPECT_TRUE(backend.WrittenReports().empty());
}

}  // namespace
}  // namespace varnex::testing
