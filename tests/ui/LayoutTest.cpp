// The window as the user sees it: nothing clipped, rows that line up, value
// controls that stay put while the page scrolls.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "params/ControlCodec.h"
#include "ui/FormMain.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"
#include "support/Clipping.h"

namespace varnex {
namespace {

using testing::Clipped;

// Stands in for a language whose texts run longer than English, with the
// letters that make Central European texts taller and wider.
QString Lengthened(const QString& text, double factor) {
    if (text.trimmed().isEmpty()) return text;
    const int extra = static_cast<int>(text.size() * (factor - 1.0)) + 1;
    const QString filler = QStringLiteral(" \u0150\u0159\u0219\u00C1\u010D\u0171");
    QString pad;
    while (pad.size() < extra) pad += filler;
    return text + pad.left(extra);
}

void LengthenCaptions(QWidget* root, double factor) {
    for (QLabel* label : root->findChildren<QLabel*>())
        if (!label->objectName().isEmpty()) label->setText(Lengthened(label->text(), factor));
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (!button->objectName().isEmpty()) button->setText(Lengthened(button->text(), factor));
    for (QGroupBox* box : root->findChildren<QGroupBox*>())
        if (!box->objectName().isEmpty()) box->setTitle(Lengthened(box->title(), factor));
}

struct SizeCase {
    QSize size;
    double lengthen;  // 1: the English captions as they are
};

class ClippingTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ClippingTest, NoCaptionIsCutOnAnyPage) {
    const SizeCase& c = GetParam();
    TFormMain window;
    if (c.lengthen > 1.0) LengthenCaptions(&window, c.lengthen);
    window.PageControl1->setTabVisible(TFormMain::kLogPage, true);
    window.show();
    window.resize(c.size);
    for (int page = 0; page < window.PageControl1->count(); ++page) {
        window.PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        SCOPED_TRACE(window.PageControl1->widget(page)->objectName().toStdString());
        EXPECT_EQ(Clipped(window.PageControl1->widget(page)), QStringList());
    }
    // The parts outside the scrolling panes fit the smallest window.
    const QSize minimum = window.centralWidget()->minimumSizeHint();
    EXPECT_LE(minimum.width(), TFormMain::kMinimumWidth);
    EXPECT_LE(minimum.height(), TFormMain::kMinimumHeight);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ClippingTest,
                         ::testing::Values(SizeCase{{824, 638}, 1.0}, SizeCase{{800, 400}, 1.0},
                                           SizeCase{{824, 638}, 1.4}, SizeCase{{800, 400}, 1.4}));

class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window->show();
        QApplication::processEvents();
    }
    QScrollArea* SettingsScroll() const { return window->tsSettings->findChild<QScrollArea*>(); }

    std::unique_ptr<TFormMain> window = std::make_unique<TFormMain>();
};

TEST_F(ShownWindowTest, EnglishPagesNeedNoSidewaysScrollingAtTheInitialSize) {
    ASSERT_NE(SettingsScroll(), nullptr);
    EXPECT_EQ(SettingsScroll()->horizontalScrollBar()->maximum(), 0);
    window->SetActivePage(TFormMain::kStatusPage);
    QApplication::processEvents();
    auto* status = window->Control<QScrollArea>("ScrollBoxStatus");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->horizontalScrollBar()->maximum(), 0);
}

int CenterY(QWidget* w, QWidget* common) { return w->mapTo(common, w->rect().center()).y(); }
int CenterX(QWidget* w, QWidget* common) { return w->mapTo(common, w->rect().center()).x(); }

TEST_F(ShownWindowTest, InputModeButtonsSitOnTheLinesOfTheirLabels) {
    auto* in1 = window->Control<RadioGroup>("rgIN1");
    auto* in2 = window->Control<RadioGroup>("rgIN2");
    ASSERT_TRUE(in1 && in2);
    QWidget* common = window->tsSettings;
    const char* modeLabels[] = {"rlbShortAct", "rlbOpenAct", "lbCarAlarm"};
    for (int item = 0; item < 3; ++item) {
        SCOPED_TRACE(modeLabels[item]);
        QWidget* label = window->Control(modeLabels[item]);
        ASSERT_NE(label, nullptr);
        EXPECT_NEAR(CenterY(in1->button(item), common), CenterY(label, common), 1);
        EXPECT_NEAR(CenterY(in2->button(item), common), CenterY(label, common), 1);
        EXPECT_NEAR(CenterX(in1->button(item), common), CenterX(window->Control("lbIN1"), common), 3);
        EXPECT_NEAR(CenterX(in2->button(item), common), CenterX(window->Control("lbIN2"), common), 3);
    }
    EXPECT_NEAR(CenterY(window->Control("cbTempSens"), common), CenterY(window->Control("lbTempSens"), common), 1);
}

TEST_F(ShownWindowTest, ValueFieldsLineUpAcrossSectionsAndStatusBoxes) {
    QWidget* common = window->tsSettings;
    auto left = [&](const char* name) { return window->Control(name)->mapTo(common, QPoint()).x(); };
    EXPECT_EQ(left("seAlarmMax"), left("edTCentrPhone1"));
    EXPECT_EQ(left("seAlarmMax"), left("seIn1Sensitivity"));

    window->SetActivePage(TFormMain::kStatusPage);
    QApplication::processEvents();
    common = window->tsStatus;
    EXPECT_EQ(left("lbViTypeValue"), left("lbStUptimeValue"));
    EXPECT_EQ(left("lbViTypeValue"), left("lbActTempSensorValue"));
    // A translated caption widens the shared column for every box.
    const int before = left("lbRelay2Value");
    window->Control<QLabel>("lbRelay1")->setText(QString(80, QLatin1Char('W')));
    for (int round = 0; round < 3; ++round) QApplication::processEvents();
    EXPECT_GT(left("lbRelay2Value"), before);
    EXPECT_EQ(left("lbViTypeValue"), left("lbRelay2Value"));
}

TEST_F(ShownWindowTest, WheelOverAnUnfocusedValueLeavesItForThePage) {
    for (const char* name : {"seAlarmMax", "cmbACK1", "tbMinTemp"}) {
        SCOPED_TRACE(name);
        QWidget* control = window->Control(name);
        ASSERT_NE(control, nullptr);
        ASSERT_FALSE(control->hasFocus());
        const QString before = GetControlValue(control);
        const QPointF at = control->rect().center();
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(control, &wheel);
        EXPECT_EQ(GetControlValue(control), before);
        // Left unaccepted, a wheel event from the window system goes on to the scroll area.
        EXPECT_FALSE(wheel.isAccepted());
    }
}

TEST_F(ShownWindowTest, SmsTextsTakeAnyTextFromCodeButStopTypingAt160) {
    auto* sms = window->Control<QLineEdit>("edSMS1");
    ASSERT_NE(sms, nullptr);
    const QString loaded(200, QLatin1Char('a'));
    SetControlValue(sms, loaded);
    EXPECT_EQ(GetControlValue(sms), loaded);
    // An over-long text may still be shortened...
    sms->end(false);
    QTest::keyClick(sms, Qt::Key_Backspace);
    EXPECT_EQ(sms->text().size(), 199);
    // ...but typing does not make a text longer than 160.
    sms->clear();
    QTest::keyClicks(sms, QString(170, QLatin1Char('b')));
    EXPECT_EQ(sms->text().size(), 160);
}

TEST_F(ShownWindowTest, SpinEditsAreWideEnoughForTheirWidestNumber) {
    for (const char* name : {"seIn1Sensitivity", "edBattLow", "seRelay1Timed", "seTestFreq"}) {
        auto* spin = window->Control<SpinEdit>(name);
        ASSERT_NE(spin, nullptr) << name;
        SetControlValue(spin, QString::number(spin->maximum()));
        const int textWidth = spin->fontMetrics().horizontalAdvance(spin->text());
        EXPECT_GE(spin->findChild<QLineEdit*>()->width(), textWidth) << name;
    }
}

TEST_F(ShownWindowTest, TabWalksTheSettingsRowByRow) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const QList<QStringList> walks = {
        {"EditPhoneNumber1", "cmbACK1", "EditPhoneNumber2", "cmbACK2"},
        {"edCID1", "cbEvent1T1", "cbEvent1T2", "cbEvent1T3", "cbEvent1T4", "cbEvent1S1", "cbEvent1S2",
         "cbEvent1S3", "cbEvent1S4", "cbEvent1IsCID", "edSMS1", "edCID2"},
        // The window's order of events, and no voice-call boxes for the test report.
        {"edSMS8", "edCID_TEMP_S"},
        {"edSMSTEMP_R", "edCID9"},
        {"edCID11", "cbEvent11S1"},
        {"rbRelay1ControlAlarm", "cbRelay1Z1Alarm", "cbRelay1Z2Alarm", "cbRelay1Z1Restore"},
    };
    for (const QStringList& walk : walks) {
        SCOPED_TRACE(walk.front().toStdString());
        QWidget* start = window->Control(walk.front());
        ASSERT_NE(start, nullptr);
        start->setFocus(Qt::TabFocusReason);
        for (qsizetype i = 1; i < walk.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            EXPECT_EQ(QApplication::focusWidget()->objectName(), walk[i]);
        }
    }
}

}  // namespace
}  // namespace varnex
