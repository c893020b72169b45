// The hidden edits' display handlers: units, state words and colours, and the
// signal bar, fed as the status stream feeds them.
#include <QApplication>
#include <QTimer>
#include <utility>

#include "status/StatusTestSupport.h"

namespace varnex::testing {
namespace {

using Display = StatusFixture;

const QString kDegrees = QStringLiteral(" \u00B0C");

TEST_F(Display, ValuesShowWithTheirUnitsStateWordsAndColours) {
    struct Case {
        const char* edit;
        QString value;
        const char* label;
        QString shown;
        QColor colour;  // invalid: not checked
    };
    const Case cases[] = {
        {"_edSupplyVoltageValue", "12870", "lbSupplyVoltageValue", "12870 mV", {}},
        {"_edSupplyVoltageValue", "", "lbSupplyVoltageValue", " mV", {}},
        {"_edMinVoltageValue", "11500", "lbMinVoltageValue", "11500 mV", {}},
        {"_edActTempSensorValue", "-5", "lbActTempSensorValue", "-5" + kDegrees, {}},
        {"_edActTempSensorValue", "", "lbActTempSensorValue", kDegrees, {}},
        {"_edActTempModuleValue", "23.5", "lbActTempModuleValue", "23.5" + kDegrees, {}},
        {"_edInputsIN1Value", "1", "lbInputsIN1Value", "Inactive", StatusPage::kGrey},
        {"_edInputsIN1Value", "0", "lbInputsIN1Value", "Active", StatusPage::kRed},
        {"_edInputsIN1Value", "2", "lbInputsIN1Value", "Active", StatusPage::kRed},
        {"_edInputsIN1Value", " 1", "lbInputsIN1Value", "Active", StatusPage::kRed},
        {"_edInputsIN2Value", "1", "lbInputsIN2Value", "Inactive", StatusPage::kGrey},
        {"_edInputsIN2Value", "open", "lbInputsIN2Value", "Active", StatusPage::kRed},
        {"_edRelay1Value", "1", "lbRelay1Value", "On", StatusPage::kGreen},
        {"_edRelay1Value", "01", "lbRelay1Value", "Off", StatusPage::kGrey},
        {"_edRelay2Value", "1", "lbRelay2Value", "On", StatusPage::kGreen},
        {"_edRelay2Value", "0", "lbRelay2Value", "Off", StatusPage::kGrey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " = '" + c.value.toStdString() + "'");
        Edit(c.edit)->setText(QStringLiteral("something else"));
        Edit(c.edit)->setText(c.value);
        EXPECT_EQ(Label(c.label)->text(), c.shown);
        if (c.colour.isValid()) {
            EXPECT_EQ(Colour(Label(c.label)), c.colour);
        }
    }
}

TEST_F(Display, AnEmptyStateValueLeavesTheLabelAsItWas) {
    const std::pair<const char*, const char*> rows[] = {{"_edInputsIN1Value", "lbInputsIN1Value"},
                                                        {"_edRelay2Value", "lbRelay2Value"}};
    for (const auto& [edit, label] : rows) {
        SCOPED_TRACE(edit);
        Edit(edit)->setText(QStringLiteral("1"));
        const QString before = Label(label)->text();
        const QColor colour = Colour(Label(label));
        Edit(edit)->setText(QString());
        EXPECT_EQ(Label(label)->text(), before);
        EXPECT_EQ(Colour(Label(label)), colour);
    }
}

TEST_F(Display, StateWordsFollowTheLanguage) {
    struct Case {
        const char* code;
        QString inactive, active, on, off;
    };
    const Case cases[] = {
        {"en", "Inactive", "Active", "On", "Off"},
        {"hu", "Inakt\u00EDv", "Akt\u00EDv", "Be", "Ki"},
        {"cz", "Neaktivn\u00ED", "Aktivn\u00ED", "On", "Off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        controller->languageManager.ApplyLanguage(QLatin1String(c.code));
        Edit("_edInputsIN1Value")->setText("1");
        Edit("_edInputsIN2Value")->setText("0");
        Edit("_edRelay1Value")->setText("1");
        Edit("_edRelay2Value")->setText("0");
        EXPECT_EQ(Label("lbInputsIN1Value")->text(), c.inactive);
        EXPECT_EQ(Label("lbInputsIN2Value")->text(), c.active);
        EXPECT_EQ(Label("lbRelay1Value")->text(), c.on);
        EXPECT_EQ(Label("lbRelay2Value")->text(), c.off);
        // Flip every value, so that the next language sees a change.
        for (const char* name : {"_edInputsIN1Value", "_edInputsIN2Value", "_edRelay1Value", "_edRelay2Value"})
            Edit(name)->setText(QStringLiteral("x"));
    }
    // A word already shown follows a change of language, colour and all.
    controller->languageManager.ApplyLanguage(QStringLiteral("en"));
    Edit("_edInputsIN1Value")->setText("0");
    Edit("_edRelay1Value")->setText("1");
    EXPECT_EQ(Label("lbRelay1Value")->text(), "On");
    controller->languageManager.ApplyLanguage(QStringLiteral("hu"));
    EXPECT_EQ(Label("lbRelay1Value")->text(), "Be");
    EXPECT_EQ(Label("lbInputsIN1Value")->text(), "Akt\u00EDv");
    EXPECT_EQ(Colour(Label("lbInputsIN1Value")), StatusPage::kRed);
    Edit("_edRelay1Value")->setText("0");
    EXPECT_EQ(Label("lbRelay1Value")->text(), "Ki");
}

TEST_F(Display, TheSignalMovesTheBarAndABadValueChangesNothingButSaysSo) {
    struct Case {
        QString value;
        int bar;        // expected position
        QString label;  // expected caption
        bool failure;   // a line in the status bar
    };
    const Case cases[] = {
        {"17", 17, "17", false},
        {"abc", 17, "17", true},  // bar and label keep the last good value
        {" ", 17, "17", true},    // what an empty record value becomes
        {"0", 0, "0", false},
        {"31", 31, "31", false},
        {"+5", 5, "+5", false},
        {"12.5", 5, "+5", true},
        {"99", 0, "99", false},  // off the scale: an empty bar, the number as it came
        {"-3", 0, "-3", false},
        {"32", 0, "32", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.value.toStdString() + "'");
        controller->ShowOutcome(QString());
        Edit("_edGsmSignalValue")->setText(c.value);
        EXPECT_EQ(Bar()->value(), c.bar);
        EXPECT_EQ(Label("lbGsmSignalValue")->text(), c.label);
        const QString line = c.failure ? "GSM signal: '" + c.value + "' is not a valid integer value" : QString();
        EXPECT_EQ(controller->Outcome(), line);
    }
}

TEST_F(Display, ABadSignalInAReportLeavesTheRecordsAfterItAppliedAndShowsNoBox) {
    bool modalSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { modalSeen = modalSeen || QApplication::activeModalWidget(); });
    watch.start(1);

    controller->HandleStatusData(L"{RFP=17}");
    controller->HandleStatusData(L"{RFP=n/a}{VSU=12000}{RE1=1}{RF");
    EXPECT_EQ(Bar()->value(), 17);
    EXPECT_EQ(Label("lbGsmSignalValue")->text(), "17");
    EXPECT_EQ(Label("lbSupplyVoltageValue")->text(), "12000 mV");
    EXPECT_EQ(Label("lbRelay1Value")->text(), "On");
    EXPECT_EQ(controller->Outcome(), "GSM signal: 'n/a' is not a valid integer value");
    PumpFor(30);
    EXPECT_FALSE(modalSeen);

    // The next good value takes the line down again, and only its own line.
    controller->HandleStatusData(L"E=9}{RFP=21}");
    EXPECT_EQ(Bar()->value(), 21);
    EXPECT_EQ(Label("lbGsmLowestSignalValue")->text(), "9");
    EXPECT_EQ(controller->Outcome(), QString());
    controller->HandleStatusData(L"{RFP=}");
    controller->ShowOutcome(QStringLiteral("Read finished"));
    controller->HandleStatusData(L"{RFP=22}");
    EXPECT_EQ(controller->Outcome(), "Read finished");
}

}  // namespace
}  // namespace varnex::testing
