#include "ui/FormMain.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <iterator>
#include <memory>

#include "params/Catalogue.h"
#include "params/ControlCodec.h"
#include "params/ControlDesc.h"
#include "ui/RadioGroup.h"

namespace varnex {
namespace {

class FormMainTest : public ::testing::Test {
protected:
    std::unique_ptr<TFormMain> window = std::make_unique<TFormMain>();

    template <typename T = QWidget>
    T* Named(const char* name) const {
        T* control = window->Control<T>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
};

TEST_F(FormMainTest, CataloguesBindToTheRealWindowWithoutProblems) {
    QStringList problems;
    EXPECT_EQ(BuildParameterList(window.get(), &problems).Count(), 205);
    EXPECT_EQ(BuildStatusList(window.get(), &problems).Count(), 15);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(", ").toStdString();

    EXPECT_EQ(window->parameterList.Count(), 205);
    EXPECT_EQ(window->statusList.Count(), 15);
    EXPECT_EQ(window->ProgressBarRW->maximum(), 205);
    EXPECT_EQ(window->ProgressBarRW->value(), 0);
}

TEST_F(FormMainTest, CatalogueControlsStartAtTheirDefaultsOnTheirPage) {
    for (const ParamDef& def : ParameterCatalogue()) {
        SCOPED_TRACE(def.control);
        QWidget* control = window->Control(QString::fromStdString(def.control));
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(window->tsSettings->isAncestorOf(control));
        EXPECT_EQ(GetControlValue(control).toStdString(), def.defaultValue);
        // Hidden value holders stay hidden; everything else can be seen.
        EXPECT_EQ(control->isHidden(), def.control.front() == '_');
    }
    for (const StatusDef& def : StatusCatalogue()) {
        SCOPED_TRACE(def.control);
        QWidget* control = window->Control(QString::fromStdString(def.control));
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(window->tsStatus->isAncestorOf(control));
        EXPECT_EQ(control->isHidden(), def.control.front() == '_');
        if (def.kind == ControlKind::Label) {
            EXPECT_EQ(GetControlValue(control), "-");
        }
    }
}

// Controls that other code reaches by name, beyond the catalogue's, with their class.
struct NamedControl {
    const char* name;
    const char* className;
};

const NamedControl kNamedControls[] = {
    {"PageControl1", "QTabWidget"}, {"tsSettings", "QWidget"}, {"tsStatus", "QWidget"},
    {"tsLog", "QWidget"}, {"TabSheet1", "QWidget"},
    {"btnRead", "QPushButton"}, {"btnWrite", "QPushButton"}, {"btnOpen", "QPushButton"},
    {"btnSave", "QPushButton"}, {"btTestReportNow", "QPushButton"},
    {"ProgressBarRW", "QProgressBar"}, {"cbLanguage", "QComboBox"},
    // settings rules
    {"rgIN1", "varnex::RadioGroup"}, {"rgIN2", "varnex::RadioGroup"},
    {"rbRelay1Timed", "QRadioButton"}, {"rbRelay1Bistable", "QRadioButton"},
    {"rbRelay1ControlAlarm", "QRadioButton"}, {"rbRelay1ControlPhone", "QRadioButton"},
    {"rbRelay1ControlTemp", "QRadioButton"}, {"rbRelay1TempIn", "QRadioButton"},
    {"rbRelay1TempOut", "QRadioButton"}, {"rbRelay1TempPlus", "QRadioButton"},
    {"rbRelay1TempMinus", "QRadioButton"},
    {"rbRelay2Timed", "QRadioButton"}, {"rbRelay2Bistable", "QRadioButton"},
    {"rbRelay2ControlAlarm", "QRadioButton"}, {"rbRelay2ControlPhone", "QRadioButton"},
    {"rbRelay2ControlTemp", "QRadioButton"}, {"rbRelay2TempIn", "QRadioButton"},
    {"rbRelay2TempOut", "QRadioButton"}, {"rbRelay2TempPlus", "QRadioButton"},
    {"rbRelay2TempMinus", "QRadioButton"},
    {"lbMinCelsius", "QLabel"}, {"lbMaxCelsius", "QLabel"}, {"lbRelay1MinCelsius", "QLabel"},
    {"lbRelay1MaxCelsius", "QLabel"}, {"lbRelay2MinCelsius", "QLabel"}, {"lbRelay2MaxCelsius", "QLabel"},
    // log panes
    {"MemoLog1", "QPlainTextEdit"}, {"MemoLog2", "QPlainTextEdit"}, {"MemoLog3", "QPlainTextEdit"},
    // status page
    {"ScrollBoxStatus", "QScrollArea"}, {"pbGsmSignal", "QProgressBar"},
    {"gbVersionInformation", "QGroupBox"}, {"gbSystemTimer", "QGroupBox"}, {"gGsmStatus", "QGroupBox"},
    {"gbPowerSupply", "QGroupBox"}, {"gbTemperature", "QGroupBox"}, {"gbInputs", "QGroupBox"},
    {"gbRelays", "QGroupBox"},
    {"lbGsmSignalValue", "QLabel"}, {"lbSupplyVoltageValue", "QLabel"}, {"lbMinVoltageValue", "QLabel"},
    {"lbActTempSensorValue", "QLabel"}, {"lbActTempModuleValue", "QLabel"},
    {"lbInputsIN1Value", "QLabel"}, {"lbInputsIN2Value", "QLabel"}, {"lbRelay1Value", "QLabel"},
    {"lbRelay2Value", "QLabel"},
    // modem page
    {"lbSerportSelect", "QLabel"}, {"cbModemPortSel", "QComboBox"}, {"lbModulePhoneNumber", "QLabel"},
    {"edCSDPhnr", "QLineEdit"}, {"btCSDConnect", "QPushButton"}, {"btCSDDisconnect", "QPushButton"},
    {"lbModemdetails", "QLabel"}, {"edATLogWin", "QPlainTextEdit"},
};

TEST_F(FormMainTest, NamedControlsExistOnceWithTheirClass) {
    for (const NamedControl& expected : kNamedControls) {
        SCOPED_TRACE(expected.name);
        const auto found = window->findChildren<QWidget*>(QLatin1String(expected.name));
        ASSERT_EQ(found.size(), 1);
        EXPECT_STREQ(found.front()->metaObject()->className(), expected.className);
    }
}

// The translated control names of the window: each exists exactly once, so the
// language manager finds every one; their class decides how it is captioned.
const char* const kTranslatedNames[] = {
    "tsSettings", "btnOpen", "btnRead", "btnSave", "btnWrite", "lbUserPhones", "lbEvents", "lnInputs",
    "lbRelayOutputs", "lbTCentr", "lbTPhone1", "lbTPhone2", "lbTPhone3", "lbTPhone4", "lbTPhoneSu",
    "lbTACK", "cbSMSfw", "lbContactID", "lbCode", "lbT1", "lbT2", "lbT3", "lbT4", "lbS1", "lbS2", "lbS3",
    "lbS4", "lbCent1", "lbCent2", "lbSMStext", "lbTAlarmMax", "lbTTestFreq", "lbLowBattery",
    "lbLowBatteryRestore", "lbEvent1", "lbEvent2", "lbEvent3", "lbEvent4", "lbEvent5", "lbEvent6",
    "lbEvent7", "lbEvent8", "lbEventTEMP_S", "lbEventTEMP_R", "lbEvent9", "lbEvent10", "lbEvent11",
    "btTestReportNow", "gbTemp", "lbMinTemp", "lbMaxTemp", "lbMinCelsius", "lbMaxCelsius", "rlbOpenAct",
    "rlbShortAct", "lbIN1", "lbIN2", "lbCarAlarm", "lbIN1Sensitivity", "lbIN2Sensitivity",
    "lbCarAlarmInterval", "lbTempSens", "gbRelay2", "rbRelay2Bistable", "rbRelay2Timed", "gbRelay2Control",
    "gbRelay2AlarmStartEvent", "cbRelay2Z1Alarm", "cbRelay2Z2Alarm", "gbRelay2AlarmStopEvent",
    "cbRelay2Z1Restore", "cbRelay2Z2Restore", "rbRelay2ControlPhone", "rbRelay2ControlAlarm",
    "gbRelay2PhoneStartEvent", "cbRelay2T1Start", "cbRelay2T2Start", "cbRelay2T3Start", "cbRelay2T4Start",
    "cbRelay2UnknownStart", "gbRelay2PhoneStopEvent", "cbRelay2T1Stop", "cbRelay2T2Stop", "cbRelay2T3Stop",
    "cbRelay2T4Stop", "cbRelay2UnknownStop", "rbRelay2ControlTemp", "lbRelay2MinTemp", "lbRelay2MaxTemp",
    "lbRelay2MinCelsius", "lbRelay2MaxCelsius", "rbRelay2TempIn", "rbRelay2TempOut",
    "rbRelay2SendAnswerSMS", "gbRelay1", "rbRelay1Bistable", "rbRelay1Timed", "gbRelay1Control",
    "gbRelay1AlarmStartEvent", "cbRelay1Z1Alarm", "cbRelay1Z2Alarm", "gbRelay1AlarmStopEvent",
    "cbRelay1Z1Restore", "cbRelay1Z2Restore", "rbRelay1ControlPhone", "rbRelay1ControlAlarm",
    "gbRelay1PhoneStartEvent", "cbRelay1T1Start", "cbRelay1T2Start", "cbRelay1T3Start", "cbRelay1T4Start",
    "cbRelay1UnknownStart", "gbRelay1PhoneStopEvent", "cbRelay1T1Stop", "cbRelay1T2Stop", "cbRelay1T3Stop",
    "cbRelay1T4Stop", "cbRelay1UnknownStop", "rbRelay1ControlTemp", "lbRelay1MinTemp", "lbRelay1MaxTemp",
    "lbRelay1MinCelsius", "lbRelay1MaxCelsius", "rbRelay1TempIn", "rbRelay1TempOut",
    "rbRelay1SendAnswerSMS", "lbTCentrPhone1", "lbTUserID", "tsStatus", "gbVersionInformation",
    "lbViType", "lbViHwVer", "lbViFwVer", "gbSystemTimer", "lbStUptime", "gGsmStatus", "lbGsmSignal",
    "lbGsmUptime", "lbGsmLowestSignal", "gbPowerSupply", "lbSupplyVoltage", "lbMinVoltage",
    "gbTemperature", "lbActTempSensor", "lbActTempModule", "gbInputs", "lbInputsIN1", "lbInputsIN2",
    "gbRelays", "lbRelay1", "lbRelay2", "tsLog", "cmbACK1", "cmbACK2", "cmbACK3", "cmbACK4",
    "rbRelay1TempPlus", "rbRelay1TempMinus", "rbRelay2TempPlus", "rbRelay2TempMinus", "lbSerportSelect",
    "lbModulePhoneNumber", "lbModemdetails", "btCSDConnect", "btCSDDisconnect",
};

TEST_F(FormMainTest, EveryTranslatedNameIsOneControl) {
    EXPECT_EQ(std::size(kTranslatedNames), 165u);
    for (const char* name : kTranslatedNames)
        EXPECT_EQ(window->findChildren<QWidget*>(QLatin1String(name)).size(), 1) << name;
}

TEST_F(FormMainTest, PagesInOrderWithTheLogTabHidden) {
    QTabWidget* pages = window->PageControl1;
    ASSERT_EQ(pages->count(), 4);
    const char* names[] = {"tsSettings", "tsStatus", "tsLog", "TabSheet1"};
    const char* captions[] = {"Settings", "Status", "Log", "Modem"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
        EXPECT_EQ(pages->tabText(i), captions[i]);
    }
    EXPECT_EQ(pages->widget(TFormMain::kStatusPage), window->tsStatus);
    EXPECT_EQ(pages->widget(TFormMain::kModemPage), window->TabSheet1);
    EXPECT_EQ(pages->currentWidget(), window->tsSettings);
    EXPECT_FALSE(pages->isTabVisible(TFormMain::kLogPage));
    EXPECT_TRUE(pages->isTabVisible(TFormMain::kSettingsPage));
    EXPECT_TRUE(pages->isTabVisible(TFormMain::kModemPage));
    EXPECT_EQ(window->windowTitle(), "Talmeno Varnex v1.31");
}

TEST_F(FormMainTest, ButtonsAndPanesStartAsTheWindowNeedsThem) {
    EXPECT_FALSE(window->btnRead->isEnabled());
    EXPECT_FALSE(window->btnWrite->isEnabled());
    for (QPushButton* button : {window->btnOpen, window->btnSave, window->btTestReportNow,
                                window->btCSDConnect, window->btCSDDisconnect})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();

    EXPECT_EQ(window->cbLanguage->count(), 0);
    EXPECT_FALSE(window->cbLanguage->isEditable());
    EXPECT_EQ(window->cbModemPortSel->count(), 0);
    EXPECT_FALSE(window->cbModemPortSel->isEditable());
    EXPECT_TRUE(window->edCSDPhnr->text().isEmpty());
    for (QPlainTextEdit* pane : {window->MemoLog1, window->MemoLog2, window->MemoLog3, window->edATLogWin})
        EXPECT_TRUE(pane->toPlainText().isEmpty());
    EXPECT_EQ(window->edATLogWin->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(window->edATLogWin->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    auto* bar = Named<QProgressBar>("pbGsmSignal");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 31);
    EXPECT_EQ(bar->value(), 0);
    // The module-temperature row is kept, but not shown.
    EXPECT_TRUE(Named("lbActTempModule")->isHidden());
    EXPECT_TRUE(Named("lbActTempModuleValue")->isHidden());
    EXPECT_FALSE(Named("lbActTempSensorValue")->isHidden());
}

TEST_F(FormMainTest, StatusValueLabelsStartWithADash) {
    for (const char* name : {"lbViTypeValue", "lbViHwVerValue", "lbViFwVerValue", "lbStUptimeValue",
                             "lbGsmSignalValue", "lbGsmLowestSignalValue", "lbGsmUptimeValue",
                             "lbSupplyVoltageValue", "lbMinVoltageValue", "lbActTempSensorValue",
                             "lbActTempModuleValue", "lbInputsIN1Value", "lbInputsIN2Value", "lbRelay1Value",
                             "lbRelay2Value"})
        EXPECT_EQ(Named<QLabel>(name)->text(), "-") << name;
}

TEST_F(FormMainTest, CaptionsAreTheEnglishOnes) {
    struct Caption {
        const char* name;
        const char* text;
    };
    const Caption captions[] = {
        {"cbSMSfw", "Forward incomming SMS to phone number 1"},
        {"lbEventTEMP_S", "09.  Temperature sensor error"},
        {"lbEvent9", "11.  Battery low"},
        {"lbCarAlarm", "Car alarm adaptation  (Activation on impulses received in a regular rhythm)"},
        {"gbTemp", " Temperature "},
        {"gbRelay1PhoneStartEvent", " Activation "},
        {"gbRelay2PhoneStartEvent", " Activation event "},
        {"cbRelay2T3Stop", "Call from T3 phone number"},
        {"rbRelay1TempMinus", "Activate below the min. temp. threshold, and deactivate above the max. threshold"},
        {"lbMinCelsius", "0 \u00B0C"},
        {"lbRelay2MaxCelsius", "40 \u00B0C"},
        {"btTestReportNow", "Send test report"},
        {"lbActTempSensor", "Current temperature on the external sensor:"},
        {"btCSDDisconnect", "Disconnect"},
    };
    for (const Caption& c : captions) {
        QWidget* control = Named(c.name);
        ASSERT_NE(control, nullptr);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
        else if (auto* box = qobject_cast<QGroupBox*>(control)) text = box->title();
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.name;
    }
    for (const char* name : {"cmbACK1", "cmbACK2", "cmbACK3", "cmbACK4"}) {
        auto* combo = Named<QComboBox>(name);
        ASSERT_EQ(combo->count(), 3) << name;
        EXPECT_EQ(combo->itemText(2), "ack. upon call reject");
        EXPECT_EQ(combo->currentIndex(), 0);
    }
}

TEST_F(FormMainTest, MirrorsStartShowingTheirHolders) {
    auto* in1 = Named<RadioGroup>("rgIN1");
    auto* in2 = Named<RadioGroup>("rgIN2");
    EXPECT_EQ(in1->items().size(), 4);
    EXPECT_EQ(in2->items().size(), 3);
    EXPECT_EQ(in1->itemIndex(), 0);  // _edIN1 holds NO
    EXPECT_EQ(in2->itemIndex(), 0);
    // The fourth item of IN1 lies under the sensor check box.
    EXPECT_TRUE(in1->button(3)->isHidden());
    for (const char* relay : {"1", "2"}) {
        SCOPED_TRACE(relay);
        auto radio = [&](const char* suffix) {
            return Named<QRadioButton>(qPrintable(QStringLiteral("rbRelay%1%2").arg(relay, suffix)));
        };
        EXPECT_TRUE(radio("Timed")->isChecked());  // _cbRelayNTimed checked
        EXPECT_FALSE(radio("Bistable")->isChecked());
        EXPECT_TRUE(radio("ControlPhone")->isChecked());  // _edRelayNControl holds 1
        EXPECT_FALSE(radio("ControlAlarm")->isChecked());
        EXPECT_FALSE(radio("ControlTemp")->isChecked());
        EXPECT_TRUE(radio("TempIn")->isChecked());  // _edRelayNTempInOut holds 0
        for (const char* other : {"TempOut", "TempPlus", "TempMinus"}) EXPECT_FALSE(radio(other)->isChecked());
    }
}

TEST_F(FormMainTest, EachRowOfRadioButtonsExcludesOnlyItself) {
    // Selecting a temperature mode must leave the control mode and the timing alone.
    Named<QRadioButton>("rbRelay1TempPlus")->setChecked(true);
    EXPECT_TRUE(Named<QRadioButton>("rbRelay1ControlPhone")->isChecked());
    EXPECT_TRUE(Named<QRadioButton>("rbRelay1Timed")->isChecked());
    EXPECT_FALSE(Named<QRadioButton>("rbRelay1TempIn")->isChecked());
    Named<QRadioButton>("rbRelay1ControlTemp")->setChecked(true);
    EXPECT_TRUE(Named<QRadioButton>("rbRelay1TempPlus")->isChecked());
    EXPECT_FALSE(Named<QRadioButton>("rbRelay1ControlPhone")->isChecked());
    // And relay 2 is a world of its own.
    EXPECT_TRUE(Named<QRadioButton>("rbRelay2ControlPhone")->isChecked());
    EXPECT_TRUE(Named<QRadioButton>("rbRelay2TempIn")->isChecked());
}

struct KeyCase {
    const char* target;  // nullptr: the window itself
    Qt::KeyboardModifiers modifiers;
    bool toggles;
};

class LogTabKeyTest : public FormMainTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(LogTabKeyTest, CtrlAltDTogglesTheLogTabFromTheWindowAndTheFourButtons) {
    const KeyCase& c = GetParam();
    window->show();
    QWidget* target = c.target ? Named(c.target) : window.get();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, Qt::Key_D, c.modifiers);
    EXPECT_EQ(window->IsLogTabVisible(), c.toggles);
    QTest::keyClick(target, Qt::Key_D, c.modifiers);
    EXPECT_FALSE(window->IsLogTabVisible());
}

const Qt::KeyboardModifiers kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;
INSTANTIATE_TEST_SUITE_P(
    Keys, LogTabKeyTest,
    ::testing::Values(KeyCase{"btnOpen", kCtrlAlt, true}, KeyCase{"btnRead", kCtrlAlt, true},
                      KeyCase{"btnSave", kCtrlAlt, true}, KeyCase{"btnWrite", kCtrlAlt, true},
                      KeyCase{nullptr, kCtrlAlt, true}, KeyCase{"btnOpen", kCtrlAlt | Qt::ShiftModifier, true},
                      KeyCase{"btnOpen", Qt::ControlModifier, false}, KeyCase{"btnOpen", Qt::AltModifier, false},
                      KeyCase{"EditPhoneNumber1", kCtrlAlt, false}, KeyCase{"btTestReportNow", kCtrlAlt, false},
                      KeyCase{"cbLanguage", kCtrlAlt, false}));

TEST_F(FormMainTest, HidingTheOpenLogPageIsNoPageChangeOfTheUser) {
    int changes = 0;
    window->handlers.PageControl1Change = [&] { ++changes; };
    window->FormKeyDown(Qt::Key_D, kCtrlAlt);
    window->SetActivePage(TFormMain::kLogPage);
    window->FormKeyDown(Qt::Key_D, kCtrlAlt);
    EXPECT_FALSE(window->IsLogTabVisible());
    EXPECT_NE(window->PageControl1->currentIndex(), TFormMain::kLogPage);
    EXPECT_EQ(changes, 0);
}

TEST(FormCanResize, RaisesOnlyWhatIsBelowTheMinimum) {
    struct Case {
        int width, height, expectedWidth, expectedHeight;
    };
    for (const Case& c : {Case{500, 300, 800, 400}, Case{1000, 300, 1000, 400}, Case{700, 900, 800, 900},
                          Case{800, 400, 800, 400}, Case{1280, 900, 1280, 900}}) {
        int width = c.width, height = c.height;
        TFormMain::FormCanResize(width, height);
        EXPECT_EQ(width, c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(height, c.expectedHeight) << c.width << "x" << c.height;
    }
}

TEST_F(FormMainTest, OpensAt824By638AndShrinksNoFurtherThan800By400) {
    EXPECT_EQ(window->size(), QSize(824, 638));
    EXPECT_EQ(window->minimumSize(), QSize(800, 400));
    window->show();
    window->resize(500, 300);
    EXPECT_EQ(window->size(), QSize(800, 400));
}

TEST_F(FormMainTest, UserActionsReachTheirHooks) {
    QStringList fired;
    auto& h = window->handlers;
    h.btnReadClick = [&] { fired << "read"; };
    h.btnWriteClick = [&] { fired << "write"; };
    h.btnOpenClick = [&] { fired << "open"; };
    h.btnSaveClick = [&] { fired << "save"; };
    h.btTestReportNowClick = [&] { fired << "test"; };
    h.btCSDConnectClick = [&] { fired << "connect"; };
    h.btCSDDisconnectClick = [&] { fired << "disconnect"; };
    h.PageControl1Change = [&] { fired << "page" + QString::number(window->PageControl1->currentIndex()); };
    h.cbLanguageChange = [&] { fired << "language" + QString::number(window->cbLanguage->currentIndex()); };
    window->show();

    window->btnRead->setEnabled(true);
    window->btnWrite->setEnabled(true);
    for (QPushButton* b : {window->btnRead, window->btnWrite, window->btnOpen, window->btnSave,
                           window->btTestReportNow, window->btCSDConnect, window->btCSDDisconnect})
        QTest::mouseClick(b, Qt::LeftButton);
    QTabBar* tabs = window->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TFormMain::kModemPage).center());
    // Selections made from code are not the user's: no hook.
    window->SetActivePage(TFormMain::kSettingsPage);
    window->cbLanguage->addItems({"English", "Magyar"});
    window->cbLanguage->setCurrentIndex(1);
    emit window->cbLanguage->activated(1);

    EXPECT_EQ(fired, QStringList({"read", "write", "open", "save", "test", "connect", "disconnect", "page3",
                                  "language1"}));
}

TEST_F(FormMainTest, ShowRunsItsHookOnceTheWindowIsUp) {
    bool visibleWhenRun = false;
    int runs = 0;
    window->handlers.FormShow = [&] {
        ++runs;
        visibleWhenRun = window->isVisible();
    };
    window->show();
    EXPECT_EQ(runs, 0);  // queued behind the show
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(visibleWhenRun);
}

}  // namespace
}  // namespace varnex
