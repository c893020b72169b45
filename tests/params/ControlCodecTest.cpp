#include "params/ControlCodec.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QWidget>
#include <memory>
#include <optional>

#include "params/ControlDesc.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"

namespace varnex {
namespace {

// A QLineEdit by inheritance but not by name: the codec must not touch it.
class CustomEdit : public QLineEdit {
    Q_OBJECT
};

enum class K { Label, Edit, Spin, Check, Combo, Track, Radio, RadioButton, Memo, Custom };

// One instance of each kind, set up like the window's controls.
std::unique_ptr<QWidget> Make(K kind) {
    switch (kind) {
        case K::Label: return std::make_unique<QLabel>();
        case K::Edit: return std::make_unique<QLineEdit>();
        case K::Spin: {
            auto s = std::make_unique<SpinEdit>();
            s->setRange(9000, 28000);
            return s;
        }
        case K::Check: return std::make_unique<QCheckBox>();
        case K::Combo: {
            auto c = std::make_unique<QComboBox>();
            c->addItems({"a", "b", "c"});
            c->setCurrentIndex(2);
            return c;
        }
        case K::Track: {
            auto t = std::make_unique<QSlider>();
            t->setRange(-32, 60);
            t->setValue(7);
            return t;
        }
        case K::Radio: {
            auto r = std::make_unique<RadioGroup>();
            r->setItems({"x", "y", "z"});
            r->setItemIndex(1);
            return r;
        }
        case K::RadioButton: return std::make_unique<QRadioButton>("r");
        case K::Memo: return std::make_unique<QPlainTextEdit>();
        case K::Custom: return std::make_unique<CustomEdit>();
    }
    return nullptr;
}

struct Case {
    K kind;
    const char* input;
    const char* expected;  // value text afterwards; nullptr: conversion error expected
    const char* before;    // value text the control must keep on error
};

// Readable case names: the kind and the position in the table.
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* const names[] = {"Label", "Edit", "Spin", "Check", "Combo", "Track",
                                        "Radio", "RadioButton", "Memo", "Custom"};
    return std::string(names[static_cast<int>(info.param.kind)]) + "_" + std::to_string(info.index);
}

class CodecTable : public ::testing::TestWithParam<Case> {};

TEST_P(CodecTable, SetThenGet) {
    const Case& c = GetParam();
    auto control = Make(c.kind);
    const QString input = QString::fromUtf8(c.input);
    if (!c.expected) {
        try {
            SetControlValue(control.get(), input);
            FAIL() << "no error for '" << c.input << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(c.input) + "' is not a valid integer value");
            EXPECT_EQ(e.text(), input);
        }
        EXPECT_EQ(GetControlValue(control.get()), QString::fromUtf8(c.before));
        return;
    }
    SetControlValue(control.get(), input);
    EXPECT_EQ(GetControlValue(control.get()), QString::fromUtf8(c.expected)) << "input '" << c.input << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CodecTable,
    ::testing::Values(
        // Text controls keep the text exactly, including what is not a number.
        Case{K::Label, "1.31", "1.31", ""}, Case{K::Label, "", "", ""},
        Case{K::Edit, " +38 (0) 44 ", " +38 (0) 44 ", ""},
        Case{K::Edit, "Łódź ÿ", "Łódź ÿ", ""},
        Case{K::Spin, "11500", "11500", ""}, Case{K::Spin, "5", "5", ""},
        Case{K::Spin, "99999999", "99999999", ""}, Case{K::Spin, "abc", "abc", ""},
        Case{K::Spin, "", "", ""},
        // Check boxes: only "0" clears.
        Case{K::Check, "0", "0", ""}, Case{K::Check, "1", "1", ""}, Case{K::Check, "01", "1", ""},
        Case{K::Check, "yes", "1", ""}, Case{K::Check, " ", "1", ""}, Case{K::Check, "", "1", ""},
        Case{K::Check, "00", "1", ""},
        // Index and position controls.
        Case{K::Combo, "", "0", ""}, Case{K::Combo, "1", "1", ""}, Case{K::Combo, "+1", "1", ""},
        Case{K::Combo, "x1", nullptr, "2"}, Case{K::Combo, " 1", nullptr, "2"},
        Case{K::Combo, "1 ", nullptr, "2"}, Case{K::Combo, "-", nullptr, "2"},
        Case{K::Combo, "1.0", nullptr, "2"}, Case{K::Combo, "0x1", nullptr, "2"},
        Case{K::Combo, "2147483648", nullptr, "2"},
        Case{K::Combo, "-1", "-1", ""},  // nothing selected
        Case{K::Combo, "7", "-1", ""},   // beyond the items: the list selects nothing
        Case{K::Track, "-32", "-32", ""}, Case{K::Track, "", "0", ""}, Case{K::Track, "60", "60", ""},
        Case{K::Track, "-0", "0", ""}, Case{K::Track, "0040", "40", ""},
        Case{K::Track, "100", "60", ""},  // the slider clamps, not the codec
        Case{K::Track, "12a", nullptr, "7"}, Case{K::Track, "−5", nullptr, "7"},
        Case{K::Radio, "", "0", ""}, Case{K::Radio, "2", "2", ""}, Case{K::Radio, "3", "-1", ""},
        Case{K::Radio, "y", nullptr, "1"},
        // Unsupported kinds are ignored and read as empty, even for bad numbers.
        Case{K::RadioButton, "1", "", ""}, Case{K::Memo, "hello", "", ""},
        Case{K::Custom, "hello", "", ""}, Case{K::Custom, "x1", "", ""}),
    CaseName);

TEST(ControlCodecTest, UnsupportedControlsAreLeftAlone) {
    QRadioButton radio("r");
    SetControlValue(&radio, "1");
    EXPECT_FALSE(radio.isChecked());
    QPlainTextEdit memo;
    memo.setPlainText("keep");
    SetControlValue(&memo, "new");
    EXPECT_EQ(memo.toPlainText(), "keep");
    CustomEdit custom;
    custom.setText("keep");
    SetControlValue(&custom, "new");
    EXPECT_EQ(custom.text(), "keep");
    EXPECT_EQ(GetControlValue(nullptr), "");
    SetControlValue(nullptr, "1");
}

TEST(ControlCodecTest, DispatchNamesMatchTheWidgets) {
    SpinEdit spin;
    RadioGroup group;
    EXPECT_STREQ(spin.metaObject()->className(), classname::kSpinEdit);
    EXPECT_STREQ(group.metaObject()->className(), classname::kRadioGroup);
}

// Setting a value is an ordinary change: the control's change signal fires,
// and setting the state it already has fires nothing.
TEST(ControlCodecTest, ChangeSignalsFollowProgrammaticChanges) {
    QCheckBox check;
    QSignalSpy checkSpy(&check, &QCheckBox::toggled);
    SetControlValue(&check, "1");
    SetControlValue(&check, "yes");
    EXPECT_EQ(checkSpy.count(), 1);

    QSlider track;
    track.setRange(-32, 60);
    QSignalSpy trackSpy(&track, &QSlider::valueChanged);
    SetControlValue(&track, "-5");
    SetControlValue(&track, "-5");
    EXPECT_EQ(trackSpy.count(), 1);
    EXPECT_THROW(SetControlValue(&track, "x"), ConversionError);
    EXPECT_EQ(trackSpy.count(), 1);

    SpinEdit spin;
    QSignalSpy spinSpy(&spin, &SpinEdit::textChanged);
    SetControlValue(&spin, "abc");
    SetControlValue(&spin, "abc");
    ASSERT_EQ(spinSpy.count(), 1);
    EXPECT_EQ(spinSpy.at(0).at(0).toString(), "abc");

    RadioGroup group;
    group.setItems({"a", "b"});
    QSignalSpy groupSpy(&group, &RadioGroup::itemIndexChanged);
    SetControlValue(&group, "1");
    SetControlValue(&group, "1");
    SetControlValue(&group, "");
    ASSERT_EQ(groupSpy.count(), 2);
    EXPECT_EQ(groupSpy.at(1).at(0).toInt(), 0);
}

TEST(SpinEditTest, KeepsAnyTextButStepsWithinRange) {
    SpinEdit spin;
    spin.setRange(9000, 28000);
    spin.setSingleStep(100);

    spin.setText("50000");  // out of range is kept
    EXPECT_EQ(spin.text(), "50000");
    spin.stepBy(-1);  // stepping brings it back into range
    EXPECT_EQ(spin.text(), "28000");

    spin.setText("11500");
    spin.stepBy(3);
    EXPECT_EQ(spin.text(), "11800");
    spin.stepBy(-1000);
    EXPECT_EQ(spin.text(), "9000");

    spin.setText("hello");
    EXPECT_EQ(spin.text(), "hello");
    QString t = spin.text();
    int pos = 0;
    EXPECT_EQ(spin.validate(t, pos), QValidator::Acceptable);
    spin.fixup(t);
    EXPECT_EQ(t, "hello");
    spin.stepBy(1);
    EXPECT_EQ(spin.text(), "9100");
}

TEST(SpinEditTest, TextSurvivesFocusLossAndEditingFinished) {
    SpinEdit spin;
    spin.setRange(5, 25);
    spin.setText("99");
    emit spin.editingFinished();
    spin.clearFocus();
    EXPECT_EQ(spin.text(), "99");
}

TEST(RadioGroupTest, IndexAndItems) {
    RadioGroup group;
    EXPECT_EQ(group.itemIndex(), -1);
    group.setItems({"a", "b", "c"});
    EXPECT_EQ(group.items(), QStringList({"a", "b", "c"}));
    QSignalSpy spy(&group, &RadioGroup::itemIndexChanged);

    group.setItemIndex(2);
    EXPECT_EQ(group.itemIndex(), 2);
    group.setItemIndex(5);  // out of range: none selected
    EXPECT_EQ(group.itemIndex(), -1);
    const auto buttons = group.findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 3);
    for (auto* b : buttons) EXPECT_FALSE(b->isChecked());

    // A user click reports the new index too.
    buttons[1]->click();
    EXPECT_EQ(group.itemIndex(), 1);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(2).at(0).toInt(), 1);

    group.setItems({"p", "q"});  // new items clear the selection
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(group.findChildren<QRadioButton*>().size(), 2);
}

TEST(ControlDescTest, CreatedControlsBindAndCarryDefaults) {
    QWidget root;
    for (const auto& def : ParameterCatalogue()) CreateCatalogueControl(def, &root);
    for (const auto& def : StatusCatalogue()) CreateStatusControl(def, &root);

    QStringList problems;
    const ControlDescList params = BuildParameterList(&root, &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(",").toStdString();
    ASSERT_EQ(params.Count(), 205);
    const ControlDescList status = BuildStatusList(&root, &problems);
    EXPECT_TRUE(problems.isEmpty());
    ASSERT_EQ(status.Count(), 15);

    for (int i = 0; i < params.Count(); ++i) {
        const auto& def = ParameterCatalogue()[i];
        EXPECT_EQ(params.At(i).key.toStdString(), def.key);
        EXPECT_EQ(GetControlValue(params.At(i).control).toStdString(), def.defaultValue) << def.key;
    }
    auto* battLow = qobject_cast<SpinEdit*>(params.Find("BATT:RANG.LOW")->control);
    ASSERT_NE(battLow, nullptr);
    EXPECT_EQ(battLow->minimum(), 9000);
    EXPECT_EQ(battLow->maximum(), 28000);
    EXPECT_EQ(battLow->singleStep(), 100);
    EXPECT_EQ(params.Find("batt:rang.low"), nullptr);
    EXPECT_EQ(status.Find("RFP")->control->objectName(), "_edGsmSignalValue");
}

TEST(ControlDescTest, MissingOrWrongClassControlIsReported) {
    QWidget root;
    for (const auto& def : ParameterCatalogue()) {
        if (def.control == "edBattLow") continue;
        QWidget* w = CreateCatalogueControl(def, &root);
        if (def.control == "tbMinTemp") delete w;
    }
    auto* wrong = new QLineEdit(&root);  // a spin edit's name on an edit
    wrong->setObjectName("seAlarmMax");
    delete root.findChild<SpinEdit*>("seAlarmMax");

    QStringList problems;
    const ControlDescList params = BuildParameterList(&root, &problems);
    EXPECT_EQ(params.Count(), 202);
    EXPECT_EQ(problems, QStringList({"edBattLow", "seAlarmMax", "tbMinTemp"}));
    EXPECT_EQ(params.Find("BATT:RANG.LOW"), nullptr);
}

}  // namespace
}  // namespace varnex

#include "ControlCodecTest.moc"
