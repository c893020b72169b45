// The whole-configuration read and write against the module simulator, over
// a window of the catalogue's controls.
#include "params/Transfer.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QWidget>
#include <chrono>
#include <stdexcept>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "link/Codepage.h"
#include "link/CommandProtocol.h"
#include "params/ControlCodec.h"
#include "sim/ModuleSimulator.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"
#include "support/CatalogueWindow.h"

// Readable failures for Qt text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace varnex {
namespace {

std::string Wire(const std::string& utf8) { return EncodeAnsi(QString::fromStdString(utf8).toStdWString()); }

using testing::OtherValue;

class Transfer : public ::testing::Test {
protected:
    Transfer() {
        progress.setMaximum(parameters.Count());
        commands.reset(link.CreateSlot(2));
        commands->receiveListeners.Add(&replies);
        protocol.SetCommandChannel(commands.get());
        commands->WriteString("set REM:UPW P,7402\n");
        for (int i = 0; i < 2000 && module.Level() != 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        protocol.ClearReplyBuffer();
    }
    ~Transfer() override {
        link.Stop();
        commands->receiveListeners.Remove(&replies);
    }
    QString Value(const std::string& control) { return ui.Value(control); }
    void SetValue(const std::string& control, const QString& value) { ui.SetValue(control, value); }

    testing::CatalogueWindow ui;
    QWidget& window = ui.root;
    ControlDescList& parameters = ui.parameters;
    QProgressBar progress;
    sim::ModuleSimulator module;
    sim::FramedLoopback link{module};
    std::unique_ptr<Slot> commands;
    CommandProtocol protocol{nullptr, nullptr};
    ResponseConnection replies{&protocol, &CommandProtocol::OnCommandText};
    std::vector<std::string> reasons;
    ConfigurationTransfer transfer{protocol, parameters, &progress, &window,
                                   [this](const char* r) {
                                       reasons.push_back(r);
                                       EXPECT_EQ(transfer.busy, reasons.size() % 2 == 1) << r;
                                   }};
};

TEST_F(Transfer, AFullReadFillsEveryControlAndAWriteSendsThemBack) {
    for (const auto& row : ParameterCatalogue()) module.SetParameterValue(row.key, Wire(OtherValue(row)));
    EXPECT_EQ(transfer.ReadFromDevice(), "Read 205 of 205 settings.");
    EXPECT_EQ(reasons, (std::vector<std::string>{"ReadStart", "ReadEnd"}));
    EXPECT_FALSE(transfer.busy);
    EXPECT_EQ(progress.value(), 205);
    EXPECT_EQ(transfer.readReplies.size(), 205);
    for (const auto& row : ParameterCatalogue())
        ASSERT_EQ(Value(row.control), QString::fromStdString(OtherValue(row))) << row.key;

    for (const auto& row : ParameterCatalogue()) module.SetParameterValue(row.key, "x");
    EXPECT_EQ(transfer.WriteToDevice(), "Wrote 205 of 205 settings.");
    for (const auto& row : ParameterCatalogue())
        ASSERT_EQ(QString::fromStdWString(DecodeAnsi(module.Parameter(row.key))),
                  QString::fromStdString(OtherValue(row)))
            << row.key;
}

TEST_F(Transfer, ALoggedOutModuleStopsTheReadAndTheRestKeepTheirValues) {
    const auto& rows = ParameterCatalogue();
    for (const auto& row : rows) module.SetParameterValue(row.key, Wire(OtherValue(row)));
    module.SetDropToLevelZeroAfter(49);
    EXPECT_EQ(transfer.ReadFromDevice(), "Read stopped after 49 settings: the module logged out.");
    EXPECT_EQ(transfer.readReplies.size(), 49);
    EXPECT_EQ(progress.value(), 49);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(Value(rows[i].control), QString::fromStdString(i < 49 ? OtherValue(rows[i]) : rows[i].defaultValue))
            << rows[i].key;
}

TEST_F(Transfer, TheRepliesKeyPicksTheControlAndEmptyValuesFollowTheCodec) {
    module.SetParameterValue("CALL:USER1.NMOD", "2");
    module.SetParameterValue("CALL:FWNRS.MODE", "");
    SetValue("cbSMSfw", "0");
    module.SetReplyForKey("CALL:USER1.NMOD");  // every query is answered for this key
    // One setting received a value, however many replies brought it.
    EXPECT_EQ(transfer.ReadFromDevice(), "Read 1 of 205 settings: 204 got no usable reply.");
    EXPECT_FALSE(transfer.complete);
    EXPECT_EQ(Value("cmbACK1"), "2");
    EXPECT_EQ(Value("cbSMSfw"), "0");  // its own query was answered for another key
    module.SetReplyForKey("");
    module.SetParameterValue("CALL:USER1.NMOD", "");
    transfer.ReadFromDevice();
    EXPECT_EQ(Value("cmbACK1"), "0");
    EXPECT_EQ(Value("cbSMSfw"), "1");
}

// A stopped read counts what a complete one counts: settings that received
// a value, not replies.
TEST_F(Transfer, AStoppedReadCountsTheSettingsThatGotAValue) {
    module.SetReplyForKey("CALL:USER1.NMOD");
    module.SetDropToLevelZeroAfter(10);
    EXPECT_EQ(transfer.ReadFromDevice(), "Read stopped after 1 settings: the module logged out.");
    EXPECT_EQ(transfer.readReplies.size(), 10);
}

// The end of a read refreshes the link state, which may log in and open a
// window; an error there while the read's own error is on its way out must
// not end the program, and busy is clear either way.
TEST_F(Transfer, TheEndOfAFailedReadIsCleanedUpOutsideTheUnwinding) {
    const auto& rows = ParameterCatalogue();
    std::size_t bad = 0;
    while (rows[bad].kind != ControlKind::ComboBox) ++bad;
    module.SetParameterValue(rows[bad].key, "abc");
    int ends = 0;
    ConfigurationTransfer failing{protocol, parameters, &progress, &window, [&](const char* r) {
                                      if (std::string(r) != "ReadEnd") return;
                                      ++ends;
                                      throw std::runtime_error("the refresh failed");
                                  }};
    EXPECT_THROW(failing.ReadFromDevice(), ConversionError);  // the first error is the one that counts
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(failing.busy);
    module.SetParameterValue(rows[bad].key, "1");
    EXPECT_THROW(failing.ReadFromDevice(), std::runtime_error);  // alone, the refresh's own error comes through
    EXPECT_FALSE(failing.busy);
}

TEST_F(Transfer, RepliesForUnknownKeysAreSkippedAndCounted) {
    module.SetReplyForKey("Unknown:Key");
    EXPECT_EQ(transfer.ReadFromDevice().toStdString(), "Read 0 of 205 settings: 205 got no usable reply.");
    EXPECT_FALSE(transfer.complete);
    EXPECT_EQ(progress.value(), 205);
}

TEST_F(Transfer, ABadValueStopsTheApplyButNotTheWindow) {
    const auto& rows = ParameterCatalogue();
    std::size_t bad = 0;
    while (rows[bad].kind != ControlKind::ComboBox) ++bad;
    module.SetParameterValue(rows[bad].key, "abc");
    QString line;
    EXPECT_THROW(transfer.ReadFromDevice([&](const QString& l) { line = l; }), ConversionError);
    EXPECT_FALSE(transfer.busy);
    EXPECT_EQ(reasons.back(), "ReadEnd");
    EXPECT_EQ(line, QStringLiteral("Read stopped at setting %1 of 205 (%2): 'abc' is not a valid integer value")
                        .arg(bad + 1)
                        .arg(QString::fromStdString(rows[bad].key)));
}

TEST_F(Transfer, AWriteStopsAtTheFirstUnconfirmedSetting) {
    const auto& rows = ParameterCatalogue();
    for (const auto& row : rows) module.SetParameterValue(row.key, "old");
    module.SetDropToLevelZeroAfter(99);
    const QString line = transfer.WriteToDevice();
    EXPECT_EQ(line, QStringLiteral("Write stopped at setting 100 of 205 (%1): the module logged out.")
                        .arg(QString::fromStdString(rows[99].key)));
    EXPECT_EQ(progress.value(), 99);
    EXPECT_NE(module.Parameter(rows[98].key), "old");
    EXPECT_EQ(module.Parameter(rows[99].key), "old");
    EXPECT_EQ(module.Commands().size(), 1u + 100u);  // the login, 99 sets and the refused one
}

TEST_F(Transfer, TheHoldersAreRepairedBeforeTheWrite) {
    SetValue("_edIN1", "N");
    SetValue("_edIN2", "NC");
    SetValue("_edRelay2Control", "");
    transfer.WriteToDevice();
    EXPECT_EQ(Value("_edIN1"), "NO");
    EXPECT_EQ(module.Parameter("DIN:Z1.POL"), "NO");
    EXPECT_EQ(module.Parameter("DIN:Z2.POL"), "NC");
    EXPECT_EQ(module.Parameter("REL2:PROPS.MO"), "1");
}

TEST_F(Transfer, TheSensorCodesCountAmongTheInvalidFields) {
    for (const char* name : {"edCID_TEMP_S", "edTUserID"}) {
        QWidget* edit = window.findChild<QWidget*>(name);
        QPalette red = edit->palette();
        red.setColor(QPalette::Base, QColor(255, 0, 0));
        edit->setPalette(red);
    }
    EXPECT_EQ(transfer.InvalidFieldCount(), 2);
}

TEST_F(Transfer, InvalidFieldsAreCountedButStillSent) {
    QWidget* cid = window.findChild<QWidget*>("edCID1");
    QPalette red = cid->palette();
    red.setColor(QPalette::Base, QColor(255, 0, 0));
    cid->setPalette(red);
    SetValue("edCID1", "12");
    std::vector<QString> lines;
    transfer.WriteToDevice([&](const QString& l) { lines.push_back(l); });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].toStdString(), "Writing: 1 Contact-ID or user-ID field is marked invalid and is sent as it stands.");
    EXPECT_EQ(lines[1].toStdString(), "Wrote 205 of 205 settings. 1 field was marked invalid.");
    EXPECT_EQ(module.Parameter("EVH:Z1A.CEID"), "12");
}

// A text with characters the module cannot store goes out with "?" in their
// place, and both outcome lines count such texts; the write goes on.
TEST_F(Transfer, TextsTheModuleCannotStoreAreCountedButStillSent) {
    SetValue("edSMS1", QString::fromUtf8("Alarm 中"));
    SetValue("edSMS2", QString::fromUtf8("Alarmă ș"));  // a best fit: stored as ş
    SetValue("EditPhoneNumber1", QString::fromUtf8("+36 😀"));
    std::vector<QString> lines;
    transfer.WriteToDevice([&](const QString& l) { lines.push_back(l); });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].toStdString(), "Writing: 2 texts hold characters the module cannot store; they are sent as \"?\".");
    EXPECT_EQ(lines[1].toStdString(), "Wrote 205 of 205 settings. 2 texts hold characters the module cannot store.");
    EXPECT_TRUE(transfer.complete);
    EXPECT_EQ(module.Parameter("SMS:Z1A.SMS"), "Alarm ?");
    EXPECT_EQ(module.Parameter("CALL:USER1.PN"), "+36 ?");
    EXPECT_EQ(module.Parameter("SMS:Z1R.SMS"), "Alarm\xE3 \xBA");
    SetValue("edSMS1", "Alarm");
    SetValue("EditPhoneNumber1", "");
    lines.clear();
    transfer.WriteToDevice([&](const QString& l) { lines.push_back(l); });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].toStdString(), "Wrote 205 of 205 settings.");
}

// Write changes sends exactly the sets a full write sends for the settings
// that differ from what the module was read to hold, in catalogue order.
TEST_F(Transfer, WriteChangesSendsOnlyWhatDiffersFromTheModule) {
    EXPECT_EQ(transfer.WriteChangesToDevice(),
              "The module's values are not known: read it first, or write every setting with Write.");
    EXPECT_EQ(module.Commands().size(), 1u) << "nothing but the login";

    ASSERT_EQ(transfer.ReadFromDevice(), "Read 205 of 205 settings.");
    EXPECT_EQ(transfer.WriteChangesToDevice(), "No setting differs from the module.");
    SetValue("EditPhoneNumber2", QString::fromStdString("+36 1 \"x\" \u0151"));
    SetValue("cbSMSfw", "0");
    SetValue("edSMS1", "Riaszt\u00E1s");
    EXPECT_EQ(transfer.ChangedRows().size(), 3u);
    const std::size_t before = module.Commands().size();
    EXPECT_EQ(transfer.WriteChangesToDevice(), "Wrote 3 changed settings.");
    EXPECT_TRUE(transfer.complete);
    const auto all = module.Commands();
    const std::vector<std::string> sent(all.begin() + static_cast<long>(before), all.end());
    const std::vector<std::string> expected = {
        "sc \"CALL:USER2.PN=+36 1 \"x\" " + Wire("\u0151") + "#\"\r\n",
        "sc \"CALL:FWNRS.MODE=0#\"\r\n",
        "sc \"SMS:Z1A.SMS=" + Wire("Riaszt\u00E1s") + "#\"\r\n",
    };
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(transfer.ChangedRows().empty()) << "the confirmed sets are what the module holds now";
    EXPECT_EQ(transfer.WriteChangesToDevice(), "No setting differs from the module.");
}

TEST_F(Transfer, WriteChangesStopsAtARefusedSetAndForgetsTheModule) {
    ASSERT_EQ(transfer.ReadFromDevice(), "Read 205 of 205 settings.");
    SetValue("EditPhoneNumber1", "+3611");
    SetValue("EditPhoneNumber3", "+3633");
    SetValue("EditPhoneNumber4", "+3644");
    module.SetDropToLevelZeroAfter(2);
    EXPECT_EQ(transfer.WriteChangesToDevice(),
              "Write of changes stopped at change 3 of 3 (CALL:USER4.PN): the module logged out.");
    EXPECT_FALSE(transfer.complete);
    EXPECT_EQ(module.Parameter("CALL:USER1.PN"), "+3611");
    EXPECT_EQ(module.Parameter("CALL:USER3.PN"), "+3633");
    EXPECT_EQ(transfer.record.state(), ModuleRecord::State::Unknown);
}

TEST_F(Transfer, AReadStoppedEarlyKeepsWhatItReadButIsNoBasisForChanges) {
    module.SetDropToLevelZeroAfter(20);
    transfer.ReadFromDevice();
    // The module logged out: it may hold anything by its next login.
    EXPECT_EQ(transfer.record.state(), ModuleRecord::State::Unknown);

    module.SetDropToLevelZeroAfter(0);
    module.SetLevel(2);
    module.SetReplyForKey("Unknown:Key");  // every reply unusable, the link fine
    transfer.ReadFromDevice();
    module.SetReplyForKey("");
    EXPECT_EQ(transfer.record.state(), ModuleRecord::State::Unknown);
    const auto& rows = ParameterCatalogue();
    module.SetReplyForKey(rows[3].key);
    transfer.ReadFromDevice();
    module.SetReplyForKey("");
    EXPECT_EQ(transfer.record.state(), ModuleRecord::State::Incomplete);
    ASSERT_NE(transfer.record.Value(QString::fromStdString(rows[3].key).toStdWString()), nullptr);
    EXPECT_EQ(transfer.WriteChangesToDevice().left(22), "The last read stopped ");
}

}  // namespace
}  // namespace varnex
