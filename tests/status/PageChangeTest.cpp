// The page change: over USB it asks the module for a status report, over a
// data call the status page asks for eleven values one after another.
#include <QTimer>
#include <algorithm>

#include "link/Crc16.h"
#include "status/StatusTestSupport.h"

namespace varnex::testing {
namespace {

using PageChange = StatusFixture;

const QString kDegrees = QStringLiteral(" \u00B0C");
const std::string kMainlogSet = "sc \"Slots:Mainlog=1#\"\r\n";

struct Frame {
    std::vector<std::uint8_t> bytes;  // all 24
    std::vector<std::size_t> pieces;  // the data lengths of the reports it came in
    int channel() const { return bytes[4] | (bytes[5] << 8); }
    std::string payload() const { return std::string(bytes.begin() + 6, bytes.begin() + 6 + bytes[3]); }
};

// The frames in the reports the tool wrote from report `from` on, checked
// for the report layout and each frame's marks and CRC.
std::vector<Frame> FramesWritten(const std::vector<std::vector<std::uint8_t>>& reports, std::size_t from) {
    std::vector<Frame> frames;
    Frame current;
    for (std::size_t i = from; i < reports.size(); ++i) {
        const auto& r = reports[i];
        EXPECT_EQ(r.size(), 65u);
        if (r.size() != 65u) continue;
        EXPECT_EQ(r[0], 0);
        EXPECT_EQ(r[1], 0x01);
        current.bytes.insert(current.bytes.end(), r.begin() + 5, r.begin() + 5 + r[2]);
        current.pieces.push_back(r[2]);
        if (current.bytes.size() < Slot::kFrameSize) continue;
        EXPECT_EQ(current.bytes.size(), Slot::kFrameSize);
        const auto& b = current.bytes;
        EXPECT_EQ(b[0], 0x55);
        EXPECT_EQ(b[1], 0xAA);
        EXPECT_EQ(Crc16(b.data(), 22), b[22] | (b[23] << 8));
        frames.push_back(current);
        current = Frame();
    }
    EXPECT_TRUE(current.bytes.empty()) << "a frame left unfinished";
    return frames;
}

std::vector<std::string> CommandsSince(const sim::ModuleSimulator& module, std::size_t from) {
    const auto all = module.Commands();
    return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
}

std::vector<std::string> RemoteQueries() {
    std::vector<std::string> queries;
    for (const auto& q : StatusPage::kRemoteQueries) queries.push_back(std::string("sc ") + q.key + "?#\r\n");
    return queries;
}

TEST_F(PageChange, OverUsbEveryPageSetsTheMainlogAndAsksForAReport) {
    int probes = 0;
    controller->serialPorts = [&] {
        ++probes;
        return std::vector<std::string>();
    };
    PlugAndLogIn();
    int requestsSent = 0;
    for (int index : {TFormMain::kStatusPage, TFormMain::kModemPage, TFormMain::kSettingsPage}) {
        SCOPED_TRACE(index);
        const std::size_t reports = backend.WrittenReports().size();
        const std::size_t commands = module.Commands().size();
        const int requests = module.StatusRequests();
        Select(index);
        ASSERT_TRUE(PumpUntil([&] { return module.StatusRequests() == requests + 1; }));
        PumpFor(20);

        EXPECT_EQ(CommandsSince(module, commands), std::vector<std::string>{kMainlogSet});
        const auto frames = FramesWritten(backend.WrittenReports(), reports);
        ASSERT_EQ(frames.size(), 3u);  // the set in two frames, then the request
        EXPECT_EQ(frames[0].channel(), 2);
        EXPECT_EQ(frames[1].channel(), 2);
        EXPECT_EQ(frames[0].payload() + frames[1].payload(), kMainlogSet);
        // The request: "R" alone, no line end, in one frame on channel 4.
        const Frame& r = frames[2];
        const std::vector<std::uint8_t> head{0x55, 0xAA, static_cast<std::uint8_t>(requestsSent), 1, 4, 0, 'R'};
        EXPECT_TRUE(std::equal(head.begin(), head.end(), r.bytes.begin()));
        EXPECT_TRUE(std::all_of(r.bytes.begin() + 7, r.bytes.begin() + 22, [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(r.pieces, (std::vector<std::size_t>{6, 16, 2}));
        ++requestsSent;
    }
    EXPECT_EQ(probes, 1);  // the modem page only

    // The report that came is on the status page.
    EXPECT_TRUE(PumpUntil([&] { return Label("lbViTypeValue")->text() == "GSM-2"; }));
    EXPECT_EQ(Label("lbViFwVerValue")->text(), "1.31");
    EXPECT_EQ(Label("lbStUptimeValue")->text(), "5d 07:41");
    EXPECT_EQ(Bar()->value(), 23);
    EXPECT_EQ(Label("lbGsmSignalValue")->text(), "23");
    EXPECT_EQ(Label("lbSupplyVoltageValue")->text(), "12345 mV");
    EXPECT_EQ(Label("lbActTempSensorValue")->text(), "21.5" + kDegrees);
    EXPECT_EQ(Label("lbInputsIN1Value")->text(), "Inactive");
    EXPECT_EQ(Colour(Label("lbInputsIN2Value")), StatusPage::kRed);
    EXPECT_EQ(Label("lbRelay1Value")->text(), "On");
    EXPECT_EQ(Label("lbRelay2Value")->text(), "Off");
}

TEST_F(PageChange, WithoutTheModuleNothingIsSentAndOnlyTheModemPageListsPorts) {
    int probes = 0;
    controller->serialPorts = [&] {
        ++probes;
        return std::vector<std::string>();
    };
    Select(TFormMain::kStatusPage);
    EXPECT_EQ(probes, 0);
    Select(TFormMain::kModemPage);
    EXPECT_EQ(probes, 1);
    Select(TFormMain::kSettingsPage);
    Select(TFormMain::kStatusPage);
    PumpFor(50);
    EXPECT_EQ(probes, 1);
    EXPECT_TRUE(backend.WrittenReports().empty());
    EXPECT_TRUE(module.Commands().empty());
}

TEST_F(PageChange, OverADataCallTheStatusPageAsksElevenQuestionsInOrder) {
    remote.SetLevel(2);
    StartCall();
    Select(TFormMain::kModemPage);  // not the status page: nothing asked
    PumpFor(20);
    EXPECT_TRUE(remote.Commands().empty());

    Select(TFormMain::kStatusPage);
    EXPECT_EQ(remote.Commands(), RemoteQueries());
    EXPECT_EQ(Label("lbGsmSignalValue")->text(), "23");
    EXPECT_EQ(Label("lbGsmLowestSignalValue")->text(), "17");
    EXPECT_EQ(Label("lbGsmUptimeValue")->text(), "3d 04:12");
    EXPECT_EQ(Label("lbViFwVerValue")->text(), "1.31");
    // Straight into the labels: no unit, and the bar stays.
    EXPECT_EQ(Label("lbSupplyVoltageValue")->text(), "12345");
    EXPECT_EQ(Label("lbMinVoltageValue")->text(), "11870");
    EXPECT_EQ(Bar()->value(), 0);
    // Through the hidden edits and their handlers.
    EXPECT_EQ(Label("lbInputsIN1Value")->text(), "Inactive");
    EXPECT_EQ(Label("lbInputsIN2Value")->text(), "Active");
    EXPECT_EQ(Label("lbRelay1Value")->text(), "On");
    EXPECT_EQ(Label("lbRelay2Value")->text(), "Off");
    EXPECT_EQ(Label("lbActTempSensorValue")->text(), "23.5" + kDegrees);
    // Not asked for: untouched.
    for (const char* name : {"lbViTypeValue", "lbViHwVerValue", "lbStUptimeValue", "lbActTempModuleValue"})
        EXPECT_EQ(Label(name)->text(), "-") << name;

    // Every opening asks again.
    Select(TFormMain::kSettingsPage);
    Select(TFormMain::kStatusPage);
    EXPECT_EQ(remote.Commands().size(), 22u);
}

TEST_F(PageChange, ACallWhoseDialFailedAsksNothing) {
    remote.SetLevel(2);
    StartCall().open = false;
    Select(TFormMain::kStatusPage);
    PumpFor(50);
    EXPECT_TRUE(remote.Commands().empty());
    EXPECT_EQ(Label("lbGsmSignalValue")->text(), "-");
}

TEST_F(PageChange, ALoggedOutModuleGivesEmptyValuesAndTheRefreshGoesOn) {
    remote.SetLevel(0);
    StartCall();
    Edit("_edInputsIN1Value")->setText("0");
    Edit("_edRelay2Value")->setText("1");
    Edit("_edActTempSensorValue")->setText("20");
    Select(TFormMain::kStatusPage);
    EXPECT_EQ(remote.Commands(), RemoteQueries());
    EXPECT_EQ(Label("lbGsmSignalValue")->text(), "");
    EXPECT_EQ(Label("lbSupplyVoltageValue")->text(), "");
    EXPECT_EQ(Label("lbActTempSensorValue")->text(), kDegrees);
    // An empty state keeps the last one known.
    EXPECT_EQ(Label("lbInputsIN1Value")->text(), "Active");
    EXPECT_EQ(Label("lbRelay2Value")->text(), "On");
}

TEST_F(PageChange, ACallThatDropsStopsTheRefresh) {
    remote.SetLevel(2);
    StartCall().dropAfterWrites = 3;
    Select(TFormMain::kStatusPage);
    const auto all = RemoteQueries();
    EXPECT_EQ(remote.Commands(), std::vector<std::string>(all.begin(), all.begin() + 3));
    EXPECT_EQ(Label("lbGsmUptimeValue")->text(), "3d 04:12");  // its reply came before the drop showed
    EXPECT_EQ(Label("lbViFwVerValue")->text(), "-");
}

TEST_F(PageChange, ReturningToTheStatusPageDuringARefreshDoesNotStartASecond) {
    remote.SetLevel(2);
    remote.SetLatency(std::chrono::milliseconds(30));
    StartCall();
    int nested = 0;
    QTimer::singleShot(45, [&] {
        Select(TFormMain::kSettingsPage);
        Select(TFormMain::kStatusPage);
        ++nested;
    });
    Select(TFormMain::kStatusPage);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(remote.Commands(), RemoteQueries());
    EXPECT_EQ(Label("lbActTempSensorValue")->text(), "23.5" + kDegrees);
}

TEST_F(PageChange, WithUsbAndACallUpBothRoadsRun) {
    PlugAndLogIn();
    remote.SetLevel(2);
    StartCall();
    const int requests = module.StatusRequests();
    Select(TFormMain::kStatusPage);
    EXPECT_TRUE(PumpUntil([&] { return module.StatusRequests() == requests + 1; }));
    // The set goes where commands go, to the module on the call; then the eleven.
    std::vector<std::string> expected{kMainlogSet};
    for (const auto& q : RemoteQueries()) expected.push_back(q);
    EXPECT_EQ(remote.Commands(), expected);
}

}  // namespace
}  // namespace varnex::testing
