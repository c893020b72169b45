// The settings page: the device and file buttons at the left edge, and every
// parameter control in framed sections on a scrolling pane to their right.
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QValidator>
#include <QVBoxLayout>
#include <array>

#include "ui/FormMain.h"
#include "ui/PageKit.h"
#include "ui/SpinEdit.h"

namespace varnex {

using namespace pagekit;

namespace {

// Lets the user type at most 160 characters, but takes any text from code
// unchanged and lets an over-long text be shortened: a value read or loaded must
// come back exactly as it came.
class SmsLengthValidator : public QValidator {
public:
    static constexpr int kMaxLength = 160;
    explicit SmsLengthValidator(QLineEdit* edit)
        : QValidator(edit), m_edit(edit), m_length(static_cast<int>(edit->text().size())) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { m_length = static_cast<int>(text.size()); });
    }

    State validate(QString& input, int&) const override {
        // A text set from code is not an edit; the edit counts as unmodified then.
        if (!m_edit->isModified()) return Acceptable;
        // m_length is still the length before this keystroke.
        return input.size() > kMaxLength && input.size() > m_length ? Invalid : Acceptable;
    }

private:
    QLineEdit* m_edit;
    int m_length;
};

int CodeEditWidth(const QWidget* edit) {
    // Five digits: the four of a code, and room to see a wrong fifth one.
    return edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 14;
}

// The acknowledgement lists carry all three modes in the window's own language.
void FillAckItems(QComboBox* combo) {
    const int index = combo->currentIndex();
    combo->clear();
    combo->addItems({QStringLiteral("no ack., # = Stop"), QStringLiteral("* = ack., # = Stop"),
                     QStringLiteral("ack. upon call reject")});
    combo->setCurrentIndex(index);
}

QWidget* PhonesSection(CatalogueControls& controls) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(kSpacing * 2);
    grid->setVerticalSpacing(kSpacing);
    grid->addWidget(Label("lbTACK", QStringLiteral("Acknowledgement")), 0, 2);
    for (int n = 1; n <= 4; ++n) {
        const char* label[] = {"lbTPhone1", "lbTPhone2", "lbTPhone3", "lbTPhone4"};
        grid->addWidget(Label(label[n - 1], QStringLiteral("Phone number %1").arg(n)), n, 0);
        QWidget* edit = controls.Take<QLineEdit>(QStringLiteral("EditPhoneNumber%1").arg(n));
        edit->setMinimumWidth(170);
        grid->addWidget(edit, n, 1);
        auto* ack = controls.Take<QComboBox>(QStringLiteral("cmbACK%1").arg(n));
        FillAckItems(ack);
        grid->addWidget(ack, n, 2);
    }
    grid->addWidget(Label("lbTPhoneSu", QStringLiteral("Superuser")), 5, 0);
    grid->addWidget(controls.Take<QLineEdit>(QStringLiteral("EditPhoneNumberSu")), 5, 1);
    auto* forward = controls.Take<QCheckBox>(QStringLiteral("cbSMSfw"));
    forward->setText(QStringLiteral("Forward incomming SMS to phone number 1"));
    grid->addWidget(forward, 6, 0, 1, 3);
    grid->setColumnStretch(3, 1);
    return Section(Label("lbUserPhones", QStringLiteral("User phone numbers")), grid);
}

// One line of the notifications grid: its label and the names of its controls.
struct EventLine {
    const char* label;
    const char* caption;
    QString cid;
    QString check;  // prefix; the column name (T1, S3, ...) follows
    QString monitoring;
    QString sms;
};

EventLine Numbered(const char* label, const char* caption, int stem) {
    const QString n = QString::number(stem);
    return {label, caption, "edCID" + n, "cbEvent" + n, "cbEvent" + n + "IsCID", "edSMS" + n};
}

EventLine Sensor(const char* label, const char* caption, const char* tag, const char* suffix) {
    const QString t = QLatin1String(tag);
    return {label, caption, "edCID_" + QLatin1String(suffix), "cbEvent" + t + "_",
            "cbEvent" + t + "_C1", "edSMS" + QLatin1String(suffix)};
}

// The events as the user sees them: the sensor events come before battery and test.
std::array<EventLine, 13> EventLines() {
    return {{
        Numbered("lbEvent1", "01.  IN1 Alarm", 1),
        Numbered("lbEvent2", "02.  IN1 Restore", 2),
        Numbered("lbEvent3", "03.  IN2 Alarm", 3),
        Numbered("lbEvent4", "04.  IN2 Restore", 4),
        Numbered("lbEvent5", "05.  Min. temperature alarm", 5),
        Numbered("lbEvent6", "06.  Min. temperature restore", 6),
        Numbered("lbEvent7", "07.  Max. temperature alarm", 7),
        Numbered("lbEvent8", "08.  Max. temperature restore", 8),
        Sensor("lbEventTEMP_S", "09.  Temperature sensor error", "TEMPS", "TEMP_S"),
        Sensor("lbEventTEMP_R", "10.  Temperature sensor restore", "TEMPR", "TEMP_R"),
        Numbered("lbEvent9", "11.  Battery low", 9),
        Numbered("lbEvent10", "12.  Battery restore", 10),
        Numbered("lbEvent11", "13.  Test report", 11),
    }};
}

// A two-line column heading whose lines stay together.
QLayout* TwoLineHeading(QLabel* top, QLabel* bottom) {
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->addWidget(top, 0, Qt::AlignHCenter | Qt::AlignBottom);
    column->addWidget(bottom, 0, Qt::AlignHCenter | Qt::AlignBottom);
    return column;
}

QWidget* NotificationsSection(CatalogueControls& controls) {
    // Columns: event, code, T1-T4, gap, S1-S4, monitoring station, SMS text.
    enum { kEvent = 0, kCode = 1, kT1 = 2, kGap = 6, kS1 = 7, kMonitoring = 11, kSms = 12 };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(3);
    grid->addLayout(TwoLineHeading(Label("lbContactID", QStringLiteral("Contact-ID")),
                                   Label("lbCode", QStringLiteral("code"))),
                    0, kCode, Qt::AlignHCenter | Qt::AlignBottom);
    const char* tNames[] = {"lbT1", "lbT2", "lbT3", "lbT4"};
    const char* sNames[] = {"lbS1", "lbS2", "lbS3", "lbS4"};
    for (int k = 0; k < 4; ++k) {
        const QString digit = QString::number(k + 1);
        grid->addWidget(Label(tNames[k], "T" + digit), 0, kT1 + k, Qt::AlignHCenter | Qt::AlignBottom);
        grid->addWidget(Label(sNames[k], "S" + digit), 0, kS1 + k, Qt::AlignHCenter | Qt::AlignBottom);
    }
    grid->addLayout(TwoLineHeading(Label("lbCent1", QStringLiteral("Mon.")),
                                   Label("lbCent2", QStringLiteral("stat."))),
                    0, kMonitoring, Qt::AlignHCenter | Qt::AlignBottom);
    // The widest heading, over the one column that can give way: it wraps
    // rather than push the grid past the window's width.
    QLabel* smsHeading = Label("lbSMStext", QStringLiteral("SMS message (max. 160 characters)"));
    smsHeading->setWordWrap(true);
    smsHeading->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(smsHeading, 0, kSms);

    int row = 1;
    for (const EventLine& line : EventLines()) {
        grid->addWidget(Label(line.label, QLatin1String(line.caption)), row, kEvent);
        auto* code = controls.Take<QLineEdit>(line.cid);
        code->setFixedWidth(CodeEditWidth(code));
        code->setAlignment(Qt::AlignHCenter);
        grid->addWidget(code, row, kCode, Qt::AlignHCenter);
        for (int k = 1; k <= 4; ++k) {
            // The test report is never announced by voice call: no T boxes.
            const QString call = line.check + "T" + QString::number(k);
            if (controls.Has(call)) grid->addWidget(controls.Take<QCheckBox>(call), row, kT1 + k - 1, Qt::AlignHCenter);
            grid->addWidget(controls.Take<QCheckBox>(line.check + "S" + QString::number(k)), row,
                            kS1 + k - 1, Qt::AlignHCenter);
        }
        grid->addWidget(controls.Take<QCheckBox>(line.monitoring), row, kMonitoring, Qt::AlignHCenter);
        auto* sms = controls.Take<QLineEdit>(line.sms);
        sms->setValidator(new SmsLengthValidator(sms));
        sms->setMinimumWidth(140);
        grid->addWidget(sms, row, kSms);
        ++row;
    }
    grid->setColumnMinimumWidth(kGap, kSpacing);
    grid->setColumnStretch(kSms, 1);
    return Section(Label("lbEvents", QStringLiteral("Notifications")), grid);
}

// Alarm time and test report above, battery thresholds below, in one grid so
// their value fields line up.
QWidget* TimesAndBatterySection(CatalogueControls& controls, QPushButton* testReport,
                                QList<QGridLayout*>& aligned) {
    auto* grid = new QGridLayout;
    aligned.append(grid);
    grid->setHorizontalSpacing(kSpacing * 2);
    grid->setVerticalSpacing(kSpacing);
    grid->addWidget(Label("lbTAlarmMax", QStringLiteral("Maximum alarming time (5-25 minutes):")), 0, 0);
    grid->addWidget(controls.Take<SpinEdit>(QStringLiteral("seAlarmMax")), 0, 1, Qt::AlignLeft);
    grid->addWidget(Label("lbTTestFreq", QStringLiteral("Test report frequency (0 - 99 days):")), 1, 0);
    grid->addWidget(controls.Take<SpinEdit>(QStringLiteral("seTestFreq")), 1, 1, Qt::AlignLeft);
    grid->addWidget(testReport, 1, 2, Qt::AlignLeft);
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    grid->addWidget(rule, 2, 0, 1, 4);
    grid->addWidget(Label("lbLowBattery", QStringLiteral("Low battery voltage threshold (9000-28000 mV):")), 3, 0);
    grid->addWidget(controls.Take<SpinEdit>(QStringLiteral("edBattLow")), 3, 1, Qt::AlignLeft);
    grid->addWidget(Label("lbLowBatteryRestore", QStringLiteral("Voltage restore threshold (9000-28000 mV):")),
                    4, 0);
    grid->addWidget(controls.Take<SpinEdit>(QStringLiteral("edBattHigh")), 4, 1, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    return Section(nullptr, grid);
}

QWidget* MonitoringSection(CatalogueControls& controls, QList<QGridLayout*>& aligned) {
    auto* grid = new QGridLayout;
    aligned.append(grid);
    grid->setHorizontalSpacing(kSpacing * 2);
    grid->setVerticalSpacing(kSpacing);
    grid->addWidget(Label("lbTCentrPhone1", QStringLiteral("Monitoring station phone number:")), 0, 0);
    auto* phone = controls.Take<QLineEdit>(QStringLiteral("edTCentrPhone1"));
    phone->setMinimumWidth(170);
    grid->addWidget(phone, 0, 1);
    grid->addWidget(Label("lbTUserID", QStringLiteral("User ID:")), 1, 0);
    auto* user = controls.Take<QLineEdit>(QStringLiteral("edTUserID"));
    user->setFixedWidth(CodeEditWidth(user));
    user->setAlignment(Qt::AlignHCenter);
    grid->addWidget(user, 1, 1, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    return Section(Label("lbTCentr", QStringLiteral("Monitoring station")), grid);
}

}  // namespace

QWidget* TFormMain::BuildSettingsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsSettings"));

    btnRead = Button("btnRead", QStringLiteral("Read"));
    btnWrite = Button("btnWrite", QStringLiteral("Write"));
    btnWriteChanges = Button("btnWriteChanges", QStringLiteral("Write changes"));
    btnRevertAll = Button("btnRevertAll", QStringLiteral("Revert all changes"));
    btnRevertAll->setEnabled(false);
    btnOpen = Button("btnOpen", QStringLiteral("Open"));
    btnSave = Button("btnSave", QStringLiteral("Save"));
    // Nothing to read from or write to until a module is logged in.
    btnRead->setEnabled(false);
    btnWrite->setEnabled(false);
    btnWriteChanges->setEnabled(false);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(kSpacing);
    buttons->addWidget(btnRead);
    buttons->addWidget(btnWrite);
    buttons->addWidget(btnWriteChanges);
    buttons->addWidget(btnRevertAll);
    buttons->addSpacing(kSectionSpacing * 2);  // device buttons apart from file buttons
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnSave);
    buttons->addStretch(1);

    auto* content = new QWidget;
    CatalogueControls controls(content);
    btTestReportNow = Button("btTestReportNow", QStringLiteral("Send test report"));

    auto* sections = new QVBoxLayout(content);
    sections->setContentsMargins(0, 0, kSpacing, 0);
    sections->setSpacing(kSectionSpacing);
    sections->addWidget(PhonesSection(controls));
    sections->addWidget(NotificationsSection(controls));
    // The label-and-value forms of several sections share one label width.
    QList<QGridLayout*> aligned;
    sections->addWidget(TimesAndBatterySection(controls, btTestReportNow, aligned));
    sections->addWidget(MonitoringSection(controls, aligned));
    sections->addWidget(settings::InputsSection(controls, aligned));
    sections->addWidget(settings::RelaysSection(controls));
    sections->addStretch(1);
    AlignFirstColumns(aligned);

    // A text put into a field from a read or a file shows its beginning, not its
    // end where Qt leaves the cursor; the user's own typing is left alone.
    for (QLineEdit* edit : content->findChildren<QLineEdit*>()) {
        if (qobject_cast<QAbstractSpinBox*>(edit->parentWidget())) continue;  // a spin edit's own editor
        connect(edit, &QLineEdit::textChanged, edit, [edit] {
            if (!edit->hasFocus()) edit->setCursorPosition(0);
        });
        edit->setCursorPosition(0);
    }

    const QStringList unplaced = controls.Unplaced();
    if (!unplaced.isEmpty()) qFatal("settings layout leaves out %s", qPrintable(unplaced.join(", ")));
    GuardWheel(content);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);

    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(kSpacing, kSpacing, 0, kSpacing);
    row->setSpacing(kSectionSpacing);
    row->addLayout(buttons);
    row->addWidget(scroll, 1);
    return page;
}

}  // namespace varnex
