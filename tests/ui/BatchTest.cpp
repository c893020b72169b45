// Batch runs over the simulated module, on the window's own code paths.
#include "ui/Batch.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <tuple>
#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "params/Catalogue.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "sim/modem/DemoModem.h"
#include "ui/MainController.h"

namespace varnex {
namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

struct Outcome {
    int status;
    std::string out, err;
};

class Batch : public ::testing::Test {
protected:
    Outcome Start(sim::ModuleSimulator& m, const QStringList& args, bool plugged = true, int waitMs = 3000) {
        BatchOptions options;
        QString error;
        EXPECT_TRUE(ParseBatchArguments(args, &options, &error)) << error.toStdString();
        sim::SimulatedHidBackend backend(m, plugged);
        MainController controller(backend);
        std::ostringstream out, err;
        const int status = RunBatch(controller, options, out, err, waitMs);
        return {status, out.str(), err.str()};
    }
    QString File(const QString& name) { return dir.filePath(name); }
    QTemporaryDir dir;
    sim::ModuleSimulator module;
};

TEST_F(Batch, TheCommandLineIsChecked) {
    struct Case {
        QStringList args;
        const char* error;  // nullptr: accepted
    };
    const Case cases[] = {
        {{"read", "save", "x.ini"}, nullptr},
        {{"--demo", "--password", "1234", "status", "test-report"}, nullptr},
        {{"--modem", "/dev/ttyUSB0", "--phone", "+3620", "read"}, nullptr},
        {{}, "no steps given"},
        {{"save"}, "save needs a value"},
        {{"--password"}, "--password needs a value"},
        {{"reed"}, "unknown step or option 'reed'"},
        {{"--modem", "/dev/ttyUSB0", "read"}, "--modem and --phone go together"},
        {{"--demo", "--modem", "/dev/x", "--phone", "1", "read"}, "--demo and --modem exclude each other"},
    };
    for (const auto& c : cases) {
        BatchOptions options;
        QString error;
        EXPECT_EQ(ParseBatchArguments(c.args, &options, &error), c.error == nullptr) << c.args.join(' ').toStdString();
        if (c.error) {
            EXPECT_EQ(error.toStdString(), c.error);
        }
    }
    BatchOptions offline;
    QString error;
    ASSERT_TRUE(ParseBatchArguments({"open", "a.ini", "save", "b.ini"}, &offline, &error));
    EXPECT_FALSE(offline.NeedsModule());
}

TEST_F(Batch, ABackupRestoresIntoAnotherModule) {
    for (const auto& row : ParameterCatalogue())
        if (row.kind == ControlKind::Edit) module.SetParameterValue(row.key, "v" + row.control);
    Outcome backup = Start(module, {"read", "save", File("backup")});
    ASSERT_EQ(backup.status, kBatchOk) << backup.err;
    EXPECT_NE(backup.err.find("read: Read 205 of 205 settings."), std::string::npos);

    sim::ModuleSimulator fresh;
    Outcome restore = Start(fresh, {"open", File("backup.ini"), "write"});
    ASSERT_EQ(restore.status, kBatchOk) << restore.err;
    for (const auto& row : ParameterCatalogue()) ASSERT_EQ(fresh.Parameter(row.key), module.Parameter(row.key)) << row.key;
}

TEST_F(Batch, ASaveOfAFreshWindowHoldsTheDefaults) {
    Outcome run = Start(module, {"save", File("fresh.ini")}, false);
    ASSERT_EQ(run.status, kBatchOk) << run.err;
    QByteArray expected = "[Settings]\r\n";
    for (const auto& row : ParameterCatalogue())
        expected += QByteArray::fromStdString(row.control + "=" + row.defaultValue + "\r\n");
    EXPECT_EQ(Read(File("fresh.ini")), expected);
    EXPECT_TRUE(module.Commands().empty());  // no link for file steps
}

TEST_F(Batch, StatusPrintsEveryStatusValue) {
    Outcome run = Start(module, {"status"});
    ASSERT_EQ(run.status, kBatchOk) << run.err;
    std::string expected;
    for (const auto& row : StatusCatalogue()) expected += row.key + "=" + module.StatusValue(row.key) + "\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(Batch, EachFailureNamesItselfAndStops) {
    QFile bad(File("bad.ini"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("[Settings]\r\ntbMaxTemp=abc\r\n");
    bad.close();
    QDir(dir.path()).mkdir("taken.ini");

    struct Case {
        const char* what;
        QStringList args;
        std::function<void(sim::ModuleSimulator&)> setUp;
        bool plugged;
        int status;
        std::string line;
    };
    const Case cases[] = {
        {"no module", {"read"}, nullptr, false, kBatchNoLink, "varnex: connect failed: no module found on USB."},
        {"login refused", {"--password", "1111", "read"}, nullptr, true, kBatchLoginRefused,
         "varnex: login failed: the module refused the password."},
        {"read stopped", {"read", "save", File("never")}, [](sim::ModuleSimulator& m) { m.SetDropToLevelZeroAfter(1 + 49); },
         true, kBatchStepFailed, "varnex: read failed: Read stopped after 49 settings: the module logged out."},
        {"write stopped", {"write"}, [](sim::ModuleSimulator& m) { m.SetDropToLevelZeroAfter(1 + 99); }, true,
         kBatchStepFailed, "varnex: write failed: Write stopped at setting 100 of 205 ("},
        {"unwritable", {"save", File("taken.ini")}, nullptr, false, kBatchStepFailed,
         "varnex: save " + File("taken.ini").toStdString() + " failed: Unable to write to " +
             File("taken.ini").toStdString()},
        {"bad value", {"open", File("bad.ini"), "write"}, nullptr, true, kBatchStepFailed,
         "'abc' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        sim::ModuleSimulator m;
        if (c.setUp) c.setUp(m);
        Outcome run = Start(m, c.args, c.plugged, 300);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
        EXPECT_NE(run.err.find(c.line), std::string::npos) << c.what << "\n" << run.err;
    }
    EXPECT_FALSE(QFile::exists(File("never.ini")));  // the run stopped before it
}

TEST_F(Batch, OverAModemCallItDialsQueriesAndHangsUp) {
    SerialPortProbeSource ports = [] { return std::vector<std::string>{}; };
    auto demo = sim::StartDemoModem(ports);
    ASSERT_NE(demo, nullptr);
    demo->modem.SetLineRate(0);
    const QString port = QString::fromStdString(ports().front());
    const QStringList keys = {"GSMState:RFP", "Version:FW_Version"};

    struct Case {
        QStringList args;
        int status;
        std::string line;
    };
    const Case cases[] = {
        {{"--modem", port, "--phone", "+3620", "status", "test-report"}, kBatchOk, "varnex: test-report: "},
        {{"--modem", port, "--phone", "+3620", "--password", "0000", "status"}, kBatchLoginRefused,
         "varnex: login failed: the module refused the password."},
        {{"--modem", "/dev/no-such-tty", "--phone", "+3620", "status"}, kBatchNoLink,
         "varnex: dial failed: the serial port /dev/no-such-tty does not open."},
    };
    for (const auto& c : cases) {
        BatchOptions options;
        QString error;
        ASSERT_TRUE(ParseBatchArguments(c.args, &options, &error)) << error.toStdString();
        options.remoteStatusKeys = keys;
        NoHidBackend none;
        MainController controller(none);
        std::ostringstream out, err;
        EXPECT_EQ(RunBatch(controller, options, out, err, 300), c.status) << err.str();
        EXPECT_NE(err.str().find(c.line), std::string::npos) << err.str();
        if (c.status == kBatchOk) {
            EXPECT_EQ(out.str(), "GSMState:RFP=" + demo->module.Parameter("GSMState:RFP") +
                                     "\nVersion:FW_Version=" + demo->module.Parameter("Version:FW_Version") + "\n");
        }
        EXPECT_FALSE(demo->modem.InCall()) << "hung up";
    }
}

// A site's file over a module that differs from it in two settings: a read,
// the file, and write-changes send just those two sets.
TEST_F(Batch, WriteChangesAfterAReadSendsOnlyWhatDiffers) {
    ASSERT_EQ(Start(module, {"save", File("site")}, false).status, kBatchOk);
    module.SetParameterValue("CALL:USER1.PN", "+36301234567");
    module.SetParameterValue("SMS:Z1A.SMS", "Old text");
    const Outcome run = Start(module, {"read", "open", File("site.ini"), "write-changes"});
    ASSERT_EQ(run.status, kBatchOk) << run.err;
    EXPECT_NE(run.err.find("varnex: write-changes: Wrote 2 changed settings."), std::string::npos) << run.err;
    std::vector<std::string> sets;
    for (const auto& c : module.Commands())
        if (c.rfind("sc \"", 0) == 0) sets.push_back(c);
    EXPECT_EQ(sets, (std::vector<std::string>{"sc \"CALL:USER1.PN=#\"\r\n", "sc \"SMS:Z1A.SMS=IN1 Alarm#\"\r\n"}));

    BatchOptions options;
    QString error;
    EXPECT_FALSE(ParseBatchArguments({"write-changes", "read"}, &options, &error));
    EXPECT_EQ(error.toStdString(), "write-changes needs a read before it");
}

// A call that drops in the middle of a read: the step ends at once with the
// link lost, the modem's message goes to standard error instead of a window
// that nobody could close, and the run ends with status 1.
TEST_F(Batch, ADroppedCallEndsTheStepAndTheRun) {
    SerialPortProbeSource ports = [] { return std::vector<std::string>{}; };
    auto demo = sim::StartDemoModem(ports);
    ASSERT_NE(demo, nullptr);
    demo->modem.SetLineRate(0);
    BatchOptions options;
    QString error;
    ASSERT_TRUE(ParseBatchArguments({"--modem", QString::fromStdString(ports().front()), "--phone", "+3620", "read",
                                     "save", File("never.ini")},
                                    &options, &error));
    NoHidBackend none;
    MainController controller(none, MainController::Run::Unattended);
    // Some way into the read: the login is a few dozen bytes, each query about twenty.
    std::atomic<bool> stop{false};
    std::thread dropper([&] {
        while (!stop && demo->modem.CallBytesToModule() < 1500) std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (!stop) demo->modem.DropCall();
    });
    std::ostringstream out, err;
    QElapsedTimer timer;
    timer.start();
    const int status = RunBatch(controller, options, out, err, 300);
    stop = true;
    dropper.join();
    EXPECT_EQ(status, kBatchStepFailed) << err.str();
    EXPECT_LT(timer.elapsed(), 15000);
    EXPECT_NE(err.str().find("varnex: read failed: Read stopped after "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(" settings: the link was lost."), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("varnex: modem: Disconnected"), std::string::npos) << err.str();
    EXPECT_FALSE(QFile::exists(File("never.ini")));
    EXPECT_FALSE(demo->modem.InCall());
}

// SIGINT or SIGTERM stops a batch read or write cleanly, after the exchange
// in flight, with the shell's status for the signal.
TEST_F(Batch, ASignalStopsTheRunCleanly) {
    for (const auto& [signal, step, status] :
         {std::tuple{SIGINT, "read", 130}, std::tuple{SIGTERM, "write", 143}}) {
        SCOPED_TRACE(step);
        sim::ModuleSimulator m;
        std::atomic<bool> stop{false};
        std::atomic<std::size_t> atSignal{0};
        std::thread sender([&, signal = signal] {
            while (!stop && m.Commands().size() < 30) std::this_thread::sleep_for(std::chrono::microseconds(200));
            if (stop) return;
            std::raise(signal);
            // The handler has run: from here on at most the exchange in flight goes on.
            atSignal = m.Commands().size();
        });
        const Outcome run = Start(m, {step, "save", File("never")});
        stop = true;
        sender.join();
        EXPECT_EQ(run.status, status) << run.err;
        EXPECT_NE(run.err.find(std::string(signal == SIGINT ? "Read cancelled after " : "Write cancelled after setting ")),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find(signal == SIGINT ? "interrupted by SIGINT." : "interrupted by SIGTERM."), std::string::npos)
            << run.err;
        ASSERT_GE(atSignal.load(), 30u);
        EXPECT_LE(m.Commands().size(), atSignal + 1) << "stopped after the exchange in flight";
        EXPECT_FALSE(QFile::exists(File("never.ini")));
    }
}

TEST(CommandLine, HelpVersionAndMistakesAreToldApartBeforeAnythingStarts) {
    using A = CommandLine::Action;
    struct Case {
        QStringList args;
        A action;
        bool demo;
        const char* error;
    };
    const Case cases[] = {
        {{}, A::Window, false, ""},
        {{"--demo"}, A::Window, true, ""},
        {{"--help"}, A::Help, false, ""},
        {{"--demo", "-h"}, A::Help, false, ""},
        {{"--batch", "read", "--help"}, A::Help, false, ""},
        {{"--version"}, A::Version, false, ""},
        {{"--batch", "--demo", "read"}, A::Batch, true, ""},
        {{"--bogus"}, A::Usage, false, "unknown argument '--bogus'"},
        {{"read"}, A::Usage, false, "unknown argument 'read'"},
        {{"--batch"}, A::Usage, false, "no steps given"},
        {{"--batch", "reed"}, A::Usage, false, "unknown step or option 'reed'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.demo, c.demo);
        EXPECT_EQ(line.error.toStdString(), c.error);
    }
    // The toolkit's own options are its business, with their values.
    EXPECT_EQ(WithoutToolkitOptions({"-platform", "offscreen", "--demo", "-reverse", "-h"}),
              (QStringList{"--demo", "-h"}));
}

// The program itself, started with no display at all.
TEST(CommandLine, TheProgramAnswersWithoutADisplay) {
    QTemporaryDir dir;
    QFile notAFolder(dir.filePath("file"));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    struct Case {
        QStringList args;
        int status;
        const char* out;  // what standard output begins with
        const char* err;  // what standard error contains
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: varnex", ""},
        {{"--version"}, 0, "varnex ", ""},
        {{"--bogus"}, 2, "", "varnex: unknown argument '--bogus'"},
        {{"--batch", "reed"}, 2, "", "Usage: varnex"},
        // A configuration folder that cannot be written does not matter to a batch run.
        {{"--batch", "save", dir.filePath("fresh.ini")}, 0, "", "varnex: save "},
        {{"--batch", "open", dir.filePath("missing.ini")}, 1, "", "failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
        env.insert("XDG_CONFIG_HOME", dir.filePath("file/config"));
        env.insert("HOME", dir.filePath("file/home"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(QStringLiteral(VARNEX_BINARY), c.args);
        ASSERT_TRUE(program.waitForFinished(20000));
        const std::string out = program.readAllStandardOutput().toStdString();
        const std::string err = program.readAllStandardError().toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.status) << err;
        EXPECT_EQ(out.rfind(c.out, 0), 0u) << out;
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
        EXPECT_EQ(err.find("language"), std::string::npos) << err;
        if (c.status == 0) {
            EXPECT_EQ(err.find("platform"), std::string::npos) << err;
        }
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("fresh.ini")));
}

}  // namespace
}  // namespace varnex
