// The settings page's inputs, temperature and relay sections. The visible radio
// buttons and radio groups here mirror hidden value holders; they start out
// showing what their holder holds.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/PageKit.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"

namespace varnex::settings {

using namespace pagekit;

namespace {

QString HolderText(QWidget* holder) {
    if (auto* edit = qobject_cast<QLineEdit*>(holder)) return edit->text();
    return {};
}

QSlider* TemperatureBar(CatalogueControls& controls, const QString& name) {
    auto* bar = controls.Take<QSlider>(name);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(10);
    bar->setPageStep(5);
    bar->setMinimumWidth(220);
    return bar;
}

QLabel* DegreeLabel(const QString& name, const QString& text) {
    QLabel* label = Label(name, text);
    ReserveDegreeWidth(label);
    return label;
}

// Minimum and maximum rows of a temperature pair, appended to the grid. The
// pair's controls share a stem: "" for the alarm thresholds, "Relay1", "Relay2".
void TemperatureRows(QGridLayout* grid, int row, CatalogueControls& controls, const QString& stem) {
    grid->addWidget(Label("lb" + stem + "MinTemp", QStringLiteral("Min. temperature threshold:")), row, 0);
    grid->addWidget(TemperatureBar(controls, "tb" + stem + "MinTemp"), row, 1);
    grid->addWidget(DegreeLabel("lb" + stem + "MinCelsius", QStringLiteral("0 \u00B0C")), row, 2);
    grid->addWidget(Label("lb" + stem + "MaxTemp", QStringLiteral("Max. temperature threshold:")), row + 1, 0);
    grid->addWidget(TemperatureBar(controls, "tb" + stem + "MaxTemp"), row + 1, 1);
    grid->addWidget(DegreeLabel("lb" + stem + "MaxCelsius", QStringLiteral("40 \u00B0C")), row + 1, 2);
}

// An input's mode group: bare buttons, one per table row, drawn without a frame
// so that each button sits on the line of its mode label.
RadioGroup* InputModes(const char* name, int items, int rowHeight, int spacing) {
    auto* group = new RadioGroup;
    group->setObjectName(QLatin1String(name));
    group->setStyleSheet(QStringLiteral("QGroupBox { border: none; margin: 0px; padding: 0px; }"));
    group->setItems(QStringList(items, QString()));
    group->layout()->setContentsMargins(0, 0, 0, 0);
    group->layout()->setSpacing(spacing);
    for (int i = 0; i < items; ++i) group->button(i)->setFixedHeight(rowHeight);
    return group;
}

int ModeIndex(const QString& code) {
    const QStringList codes{QStringLiteral("NO"), QStringLiteral("NC"), QStringLiteral("CA")};
    return static_cast<int>(codes.indexOf(code));
}

QWidget* TemperatureGroup(CatalogueControls& controls) {
    QGroupBox* box = GroupBox(QStringLiteral("gbTemp"), QStringLiteral(" Temperature "));
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(kSpacing * 2);
    TemperatureRows(grid, 0, controls, QString());
    grid->setColumnStretch(3, 1);
    return box;
}

}  // namespace

QWidget* InputsSection(CatalogueControls& controls, QList<QGridLayout*>& aligned) {
    QLabel* in1 = Label("lbIN1", QStringLiteral("IN1"));
    QLabel* in2 = Label("lbIN2", QStringLiteral("IN2"));
    QLabel* shortActive = Label("rlbShortAct", QStringLiteral("Normally open"));
    QLabel* openActive = Label("rlbOpenAct", QStringLiteral("Normally closed"));
    QLabel* carAlarm = Label("lbCarAlarm",
        QStringLiteral("Car alarm adaptation  (Activation on impulses received in a regular rhythm)"));
    QLabel* sensorLabel = Label("lbTempSens", QStringLiteral("Temperature sensor"));
    auto* sensor = controls.Take<QCheckBox>(QStringLiteral("cbTempSens"));

    // Rows of one fixed height, so the buttons inside the groups meet their labels.
    const int spacing = kSpacing;
    QRadioButton probe;
    const int rowHeight = std::max({probe.sizeHint().height(), sensor->sizeHint().height(),
                                    shortActive->sizeHint().height()}) + 4;

    // The fourth item of IN1 lies under the sensor check box; choosing it is
    // choosing car-alarm mode, so the user never sees it.
    RadioGroup* modes1 = InputModes("rgIN1", 4, rowHeight, spacing);
    modes1->button(3)->hide();
    RadioGroup* modes2 = InputModes("rgIN2", 3, rowHeight, spacing);
    modes1->setItemIndex(ModeIndex(HolderText(controls.TakeHidden(QStringLiteral("_edIN1")))));
    modes2->setItemIndex(ModeIndex(HolderText(controls.TakeHidden(QStringLiteral("_edIN2")))));

    auto* table = new QGridLayout;
    table->setHorizontalSpacing(kSpacing * 3);
    table->setVerticalSpacing(spacing);
    table->addWidget(in1, 0, 0, Qt::AlignHCenter);
    table->addWidget(in2, 0, 1, Qt::AlignHCenter);
    table->addWidget(modes1, 1, 0, 3, 1, Qt::AlignHCenter | Qt::AlignTop);
    table->addWidget(modes2, 1, 1, 3, 1, Qt::AlignHCenter | Qt::AlignTop);
    table->addWidget(shortActive, 1, 2);
    table->addWidget(openActive, 2, 2);
    table->addWidget(carAlarm, 3, 2);
    table->addWidget(sensor, 4, 0, Qt::AlignHCenter);
    table->addWidget(sensorLabel, 4, 2);
    for (int row = 1; row <= 4; ++row) table->setRowMinimumHeight(row, rowHeight);
    // The narrow columns are as wide as their headings need, but never narrower
    // than a button.
    table->setColumnMinimumWidth(0, rowHeight);
    table->setColumnMinimumWidth(1, rowHeight);
    table->setColumnStretch(2, 1);

    auto* times = new QGridLayout;
    aligned.append(times);
    times->setHorizontalSpacing(kSpacing * 2);
    times->setVerticalSpacing(kSpacing);
    times->addWidget(Label("lbIN1Sensitivity", QStringLiteral("IN1 input sensitivity (msec.):")), 0, 0);
    times->addWidget(controls.Take<SpinEdit>(QStringLiteral("seIn1Sensitivity")), 0, 1, Qt::AlignLeft);
    times->addWidget(Label("lbIN2Sensitivity", QStringLiteral("IN2 input sensitivity (msec.):")), 1, 0);
    times->addWidget(controls.Take<SpinEdit>(QStringLiteral("seIn2Sensitivity")), 1, 1, Qt::AlignLeft);
    times->addWidget(Label("lbCarAlarmInterval",
                           QStringLiteral("Signal interval minimum period of time (seconds):")), 2, 0);
    times->addWidget(controls.Take<SpinEdit>(QStringLiteral("seCarAlarmSec")), 2, 1, Qt::AlignLeft);
    times->setColumnStretch(2, 1);

    auto* body = new QVBoxLayout;
    body->setSpacing(kSectionSpacing);
    body->addLayout(table);
    body->addLayout(times);
    body->addWidget(TemperatureGroup(controls));
    return Section(Label("lnInputs", QStringLiteral("Inputs")), body);
}

namespace {

// Relay captions that differ only by the relay's number.
QByteArray Name(const char* pattern, int relay) {
    QByteArray name(pattern);
    name.replace('#', QByteArray::number(relay));
    return name;
}

QGroupBox* EventGroup(const QByteArray& name, const QString& title, QList<QCheckBox*> boxes) {
    QGroupBox* group = GroupBox(QString::fromLatin1(name), title);
    // No frame of their own: they sit two frames deep already.
    group->setStyleSheet(QStringLiteral(
        "QGroupBox { border: none; margin-top: 1.3em; padding-top: 0px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 0px; }"));
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(kSpacing, 2, kSpacing, 0);
    column->setSpacing(2);
    for (QCheckBox* box : boxes) column->addWidget(box);
    column->addStretch(1);
    return group;
}

QCheckBox* Captioned(CatalogueControls& controls, const QByteArray& name, const QString& text) {
    auto* box = controls.Take<QCheckBox>(QString::fromLatin1(name));
    box->setText(text);
    return box;
}

QList<QCheckBox*> CallBoxes(CatalogueControls& controls, int relay, const char* edge) {
    QList<QCheckBox*> boxes;
    for (int t = 1; t <= 4; ++t) {
        const QByteArray name = "cbRelay" + QByteArray::number(relay) + "T" + QByteArray::number(t) + edge;
        boxes.append(Captioned(controls, name, QStringLiteral("Call from T%1 phone number").arg(t)));
    }
    const QByteArray unknown = "cbRelay" + QByteArray::number(relay) + "Unknown" + edge;
    boxes.append(Captioned(controls, unknown, QStringLiteral("Call from unknown phone number")));
    return boxes;
}

// Checks the one button of a row whose code matches the holder's text.
void SelectByCode(const QList<QRadioButton*>& buttons, const QStringList& codes, const QString& text,
                  QRadioButton* fallback) {
    const auto index = codes.indexOf(text);
    if (index >= 0) buttons[index]->setChecked(true);
    else if (fallback) fallback->setChecked(true);
}

QWidget* RelayGroup(CatalogueControls& controls, int relay) {
    const QString r = QString::number(relay);
    QGroupBox* box = GroupBox("gbRelay" + r, QStringLiteral(" Relay %1 ").arg(relay));

    // Timed or bistable: a row of its own so its buttons exclude only each other.
    auto* modeRow = new QWidget;
    auto* modeLayout = new QHBoxLayout(modeRow);
    modeLayout->setContentsMargins(0, 0, 0, 0);
    QRadioButton* timed = Radio("rbRelay" + r + "Timed", QStringLiteral("Timed (1-9999 sec):"));
    QRadioButton* bistable = Radio("rbRelay" + r + "Bistable", QStringLiteral("Bistable (deactivation event requested)"));
    modeLayout->addWidget(timed);
    modeLayout->addWidget(controls.Take<SpinEdit>("seRelay" + r + "Timed"));
    modeLayout->addSpacing(kSectionSpacing * 2);
    modeLayout->addWidget(bistable);
    modeLayout->addStretch(1);
    auto* timedHolder = qobject_cast<QCheckBox*>(controls.TakeHidden("_cbRelay" + r + "Timed"));
    (timedHolder && timedHolder->isChecked() ? timed : bistable)->setChecked(true);

    QGroupBox* control = GroupBox("gbRelay" + r + "Control", QStringLiteral(" Relay control "));
    auto* grid = new QGridLayout(control);
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(kSpacing);
    grid->setColumnMinimumWidth(0, kIndent - grid->horizontalSpacing());

    QRadioButton* onAlarm = Radio("rbRelay" + r + "ControlAlarm", QStringLiteral("On alarm event"));
    QRadioButton* onCall = Radio("rbRelay" + r + "ControlPhone", QStringLiteral("On incoming call"));
    QRadioButton* onTemp = Radio("rbRelay" + r + "ControlTemp", QStringLiteral("On temperature event"));
    SelectByCode({onAlarm, onCall, onTemp}, {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")},
                 HolderText(controls.TakeHidden("_edRelay" + r + "Control")), onCall);

    grid->addWidget(onAlarm, 0, 0, 1, 4);
    grid->addWidget(EventGroup(Name("gbRelay#AlarmStartEvent", relay), QStringLiteral(" Activation event "),
                               {Captioned(controls, Name("cbRelay#Z1Alarm", relay), QStringLiteral("IN1 Alarm")),
                                Captioned(controls, Name("cbRelay#Z2Alarm", relay), QStringLiteral("IN2 Alarm"))}),
                    1, 1);
    grid->addWidget(EventGroup(Name("gbRelay#AlarmStopEvent", relay), QStringLiteral(" Deactivation event "),
                               {Captioned(controls, Name("cbRelay#Z1Restore", relay), QStringLiteral("IN1 restore")),
                                Captioned(controls, Name("cbRelay#Z2Restore", relay), QStringLiteral("IN2 restore"))}),
                    1, 2);

    grid->addWidget(onCall, 2, 0, 1, 4);
    // The two relays' translations differ here, and so do their English captions.
    const QString callStart = relay == 1 ? QStringLiteral(" Activation ") : QStringLiteral(" Activation event ");
    grid->addWidget(EventGroup(Name("gbRelay#PhoneStartEvent", relay), callStart, CallBoxes(controls, relay, "Start")),
                    3, 1);
    grid->addWidget(EventGroup(Name("gbRelay#PhoneStopEvent", relay), QStringLiteral(" Deactivation event "),
                               CallBoxes(controls, relay, "Stop")),
                    3, 2);
    grid->addWidget(Captioned(controls, Name("rbRelay#SendAnswerSMS", relay), QStringLiteral("Send response SMS")),
                    4, 1, 1, 3);

    grid->addWidget(onTemp, 5, 0, 1, 4);
    auto* thresholds = new QGridLayout;
    thresholds->setHorizontalSpacing(kSpacing * 2);
    TemperatureRows(thresholds, 0, controls, "Relay" + r);
    thresholds->setColumnStretch(3, 1);
    grid->addLayout(thresholds, 6, 1, 1, 3);

    // The temperature modes: their own container, so they exclude only each other.
    auto* tempModes = new QWidget;
    auto* tempLayout = new QVBoxLayout(tempModes);
    tempLayout->setContentsMargins(0, 0, 0, 0);
    tempLayout->setSpacing(2);
    const QList<QRadioButton*> inOut{
        Radio("rbRelay" + r + "TempIn", QStringLiteral("Activate the relay within the temperature range")),
        Radio("rbRelay" + r + "TempOut", QStringLiteral("Activate the relay out of the temperature range")),
        Radio("rbRelay" + r + "TempPlus",
              QStringLiteral("Activate above the max. temp. threshold, and deactivate below the min. threshold")),
        Radio("rbRelay" + r + "TempMinus",
              QStringLiteral("Activate below the min. temp. threshold, and deactivate above the max. threshold")),
    };
    for (QRadioButton* button : inOut) tempLayout->addWidget(button);
    SelectByCode(inOut, {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
                 HolderText(controls.TakeHidden("_edRelay" + r + "TempInOut")), nullptr);
    grid->addWidget(tempModes, 7, 1, 1, 3);
    grid->setColumnStretch(3, 1);

    auto* column = new QVBoxLayout(box);
    column->setSpacing(kSpacing);
    column->addWidget(modeRow);
    column->addWidget(control);
    return box;
}

}  // namespace

QWidget* RelaysSection(CatalogueControls& controls) {
    auto* body = new QVBoxLayout;
    body->setSpacing(kSectionSpacing);
    body->addWidget(RelayGroup(controls, 1));
    body->addWidget(RelayGroup(controls, 2));
    return Section(Label("lbRelayOutputs", QStringLiteral("Relay outputs")), body, Frame::Bare);
}

}  // namespace varnex::settings
