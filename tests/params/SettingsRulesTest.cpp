#include "params/SettingsRules.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <string>
#include <vector>

#include "support/CatalogueWindow.h"

namespace varnex {
namespace {

// The catalogue's controls plus the visible mirrors and labels the rules use,
// each row of radio buttons in a container of its own.
class RulesWindow : public testing::CatalogueWindow {
public:
    RulesWindow() {
        for (const char* n : {"1", "2"}) {
            const QString r = QStringLiteral("rbRelay%1").arg(n);
            Row({r + "Timed", r + "Bistable"});
            Row({r + "ControlAlarm", r + "ControlPhone", r + "ControlTemp"});
            Row({r + "TempIn", r + "TempOut", r + "TempPlus", r + "TempMinus"});
        }
        for (const char* name : {"lbMinCelsius", "lbMaxCelsius", "lbRelay1MinCelsius", "lbRelay1MaxCelsius",
                                 "lbRelay2MinCelsius", "lbRelay2MaxCelsius"})
            (new QLabel(&root))->setObjectName(name);
        for (const char* name : {"rgIN1", "rgIN2"}) (new RadioGroup(&root))->setObjectName(name);
        Group("rgIN1")->setItems({"NO", "NC", "CA", ""});
        Group("rgIN2")->setItems({"NO", "NC", "CA"});
        ConnectSettingsRules(&root, [this](const char* reason) { reasons.push_back(reason); });
        RunTemperatureRules(&root);
    }
    QRadioButton* Button(const QString& name) { return root.findChild<QRadioButton*>(name); }
    RadioGroup* Group(const QString& name) { return root.findChild<RadioGroup*>(name); }
    QSlider* Bar(const QString& name) { return root.findChild<QSlider*>(name); }
    QString Label(const QString& name) { return root.findChild<QLabel*>(name)->text(); }
    QLineEdit* Edit(const QString& name) { return root.findChild<QLineEdit*>(name); }
    QCheckBox* Box(const QString& name) { return root.findChild<QCheckBox*>(name); }
    bool Red(const QString& name) { return Edit(name)->palette().color(QPalette::Base) == QColor(255, 0, 0); }
    std::vector<std::string> reasons;

private:
    void Row(const QStringList& names) {
        auto* box = new QWidget(&root);
        for (const auto& n : names) (new QRadioButton(box))->setObjectName(n);
    }
};

TEST(SettingsRules, TheBarBeingMovedGivesWay) {
    RulesWindow w;
    EXPECT_EQ(w.Label("lbMinCelsius").toStdString(), "0°C");
    EXPECT_EQ(w.Label("lbMaxCelsius").toStdString(), "40°C");
    w.Bar("tbMinTemp")->setValue(60);
    EXPECT_EQ(w.Bar("tbMinTemp")->value(), 39);
    EXPECT_EQ(w.Label("lbMinCelsius").toStdString(), "39°C");
    w.Bar("tbMinTemp")->setValue(0);
    w.Bar("tbMaxTemp")->setValue(-32);
    EXPECT_EQ(w.Bar("tbMaxTemp")->value(), 1);
    EXPECT_EQ(w.Label("lbMaxCelsius").toStdString(), "1°C");
    w.Bar("tbRelay2MinTemp")->setValue(-5);
    EXPECT_EQ(w.Label("lbRelay2MinCelsius").toStdString(), "-5°C");
    // A read applies the minimum first: 45 stops at 39, then the maximum goes to 50.
    w.Bar("tbMaxTemp")->setValue(40);
    w.SetValue("tbMinTemp", "45");
    w.SetValue("tbMaxTemp", "50");
    EXPECT_EQ(w.Value("tbMinTemp").toStdString(), "39");
    EXPECT_EQ(w.Value("tbMaxTemp").toStdString(), "50");
}

TEST(SettingsRules, CodesAndUserNumbersAreCheckedOnEveryChange) {
    RulesWindow w;
    const std::pair<const char*, bool> codes[] = {{"1130", true}, {"3602", true}, {"2130", false}, {"113", false},
                                                  {"11300", false}, {"1A30", false}, {"0130", false}, {"", false},
                                                  {"１130", false}};
    for (const char* edit : {"edCID1", "edCID11", "edCID_TEMP_S", "edCID_TEMP_R"})
        for (const auto& [text, valid] : codes) {
            w.Edit(edit)->setText("9");
            w.Edit(edit)->setText(QString::fromUtf8(text));
            EXPECT_EQ(w.Red(edit), !valid) << edit << " '" << text << "'";
        }
    const std::pair<const char*, bool> users[] = {{"0000", true}, {"09AF", true}, {"FFFF", true},
                                                  {"09af", false}, {"12345", false}, {"12G4", false}};
    for (const auto& [text, valid] : users) {
        w.Edit("edTUserID")->setText("x");
        w.Edit("edTUserID")->setText(text);
        EXPECT_EQ(w.Red("edTUserID"), !valid) << text;
        EXPECT_EQ(w.Value("edTUserID").toStdString(), text);  // never changed, only coloured
    }
    EXPECT_FALSE(w.reasons.empty());
    for (const auto& r : w.reasons) EXPECT_EQ(r, "EditValidation");
}

TEST(SettingsRules, RelayHoldersAndTheirButtonsFollowEachOther) {
    RulesWindow w;
    w.Button("rbRelay1Bistable")->setChecked(true);
    EXPECT_FALSE(w.Box("_cbRelay1Timed")->isChecked());
    w.Box("_cbRelay1Timed")->setChecked(true);
    EXPECT_TRUE(w.Button("rbRelay1Timed")->isChecked());

    const std::pair<const char*, const char*> control[] = {
        {"2", "rbRelay1ControlTemp"}, {"0", "rbRelay1ControlAlarm"}, {"7", "rbRelay1ControlPhone"},
        {"2", "rbRelay1ControlTemp"}, {"", "rbRelay1ControlPhone"}};
    for (const auto& [text, button] : control) {
        w.SetValue("_edRelay1Control", text);
        EXPECT_TRUE(w.Button(button)->isChecked()) << "'" << text << "'";
    }
    w.Button("rbRelay2ControlAlarm")->setChecked(true);
    EXPECT_EQ(w.Value("_edRelay2Control").toStdString(), "0");

    w.Button("rbRelay2TempMinus")->setChecked(true);
    EXPECT_EQ(w.Value("_edRelay2TempInOut").toStdString(), "3");
    w.SetValue("_edRelay2TempInOut", "1");
    EXPECT_TRUE(w.Button("rbRelay2TempOut")->isChecked());
    w.SetValue("_edRelay2TempInOut", "5");
    for (const char* b : {"rbRelay2TempIn", "rbRelay2TempOut", "rbRelay2TempPlus", "rbRelay2TempMinus"})
        EXPECT_FALSE(w.Button(b)->isChecked()) << b;
    w.Button("rbRelay2TempPlus")->setChecked(true);  // still selectable after all were cleared
    EXPECT_EQ(w.Value("_edRelay2TempInOut").toStdString(), "2");
}

TEST(SettingsRules, TheTemperatureSensorSharesInputOne) {
    RulesWindow w;
    w.Box("cbTempSens")->setChecked(true);
    w.Group("rgIN1")->setItemIndex(1);
    EXPECT_FALSE(w.Box("cbTempSens")->isChecked());
    EXPECT_EQ(w.Value("_edIN1").toStdString(), "NC");
    w.Box("cbTempSens")->setChecked(true);
    EXPECT_EQ(w.Group("rgIN1")->itemIndex(), 0);
    EXPECT_EQ(w.Value("_edIN1").toStdString(), "NO");
    w.Group("rgIN1")->setItemIndex(3);  // the item under the sensor box acts as CA
    EXPECT_EQ(w.Group("rgIN1")->itemIndex(), 2);
    EXPECT_EQ(w.Value("_edIN1").toStdString(), "CA");
    w.Box("cbTempSens")->setChecked(false);
    EXPECT_EQ(w.Value("_edIN1").toStdString(), "CA");
    w.SetValue("_edIN1", "XX");
    EXPECT_EQ(w.Group("rgIN1")->itemIndex(), 2);
    w.SetValue("_edIN2", "NC");
    EXPECT_EQ(w.Group("rgIN2")->itemIndex(), 1);
    w.Group("rgIN2")->setItemIndex(2);
    EXPECT_EQ(w.Value("_edIN2").toStdString(), "CA");
    // A read ends with the sensor: NC for IN1 and the sensor on give NO.
    w.SetValue("_edIN1", "NC");
    w.SetValue("cbTempSens", "1");
    EXPECT_EQ(w.Value("_edIN1").toStdString(), "NO");
}

// A text the module cannot store is marked as an invalid code is, the moment
// it is typed or loaded; the comma-below Romanian letters have a fit and
// pass.
TEST(SettingsRules, TextsTheModuleCannotStoreAreMarkedAtOnce) {
    RulesWindow w;
    QLineEdit* sms = w.Edit("edSMS1");
    sms->clear();
    QTest::keyClicks(sms, "Alarm ");
    EXPECT_FALSE(w.Red("edSMS1"));
    // A key that types a character beyond ASCII, as a keyboard layout does.
    QTest::sendKeyEvent(QTest::Click, sms, Qt::Key_unknown, QString::fromUtf8("中"), Qt::NoModifier);
    EXPECT_EQ(sms->text().toStdString(), "Alarm 中");
    EXPECT_TRUE(w.Red("edSMS1"));
    QTest::keyClick(sms, Qt::Key_Backspace);
    EXPECT_FALSE(w.Red("edSMS1"));

    const std::pair<const char*, bool> texts[] = {
        {"Riasztás őű", false}, {"Poplach ŠČŘŽ €", false}, {"Alarmă ș ț Ș Ț", false}, {"", false},
        {"中", true},            {"ok 😀", true},           {"ā", true},               {"Alarm", false},
    };
    for (const char* edit : {"edSMS1", "edSMSTEMP_R", "EditPhoneNumber1", "edTCentrPhone1", "_edIN1"})
        for (const auto& [text, red] : texts) {
            w.SetValue(edit, QString::fromUtf8(text));
            EXPECT_EQ(w.Red(edit), red) << edit << " '" << text << "'";
        }
    auto* spin = w.Control("seAlarmMax");
    w.SetValue("seAlarmMax", QString::fromUtf8("1😀"));
    EXPECT_EQ(spin->palette().color(QPalette::Base), QColor(255, 0, 0));
    w.SetValue("seAlarmMax", "10");
    EXPECT_NE(spin->palette().color(QPalette::Base), QColor(255, 0, 0));
    // The code fields keep their own check, which already rejects such text.
    w.SetValue("edCID1", QString::fromUtf8("1中30"));
    EXPECT_TRUE(w.Red("edCID1"));
    w.SetValue("edCID1", "1130");
    EXPECT_FALSE(w.Red("edCID1"));
}

}  // namespace
}  // namespace varnex
