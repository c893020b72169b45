// The status page: seven group boxes of read-only values on a scroll box. The
// raw values of several rows arrive in hidden edits, whose change handlers
// (elsewhere) turn them into the visible text.
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QVBoxLayout>

#include "params/Catalogue.h"
#include "params/ControlDesc.h"
#include "ui/FormMain.h"
#include "ui/PageKit.h"

namespace varnex {

using namespace pagekit;

namespace {

// One line of a group: caption, value label, and the hidden edit that feeds the
// value label, if any.
struct StatusLine {
    const char* caption;
    const char* text;
    const char* value;
    const char* hidden;
};

struct StatusGroup {
    const char* name;
    const char* title;
    std::initializer_list<StatusLine> lines;
};

const StatusGroup kGroups[] = {
    {"gbVersionInformation", "Version information",
     {{"lbViType", "Type:", "lbViTypeValue", nullptr},
      {"lbViHwVer", "Hardware version:", "lbViHwVerValue", nullptr},
      {"lbViFwVer", "Firmware version:", "lbViFwVerValue", nullptr}}},
    {"gbSystemTimer", "System timer", {{"lbStUptime", "Uptime:", "lbStUptimeValue", nullptr}}},
    {"gGsmStatus", "GSM status",
     {{"lbGsmSignal", "GSM signal (0-31):", "lbGsmSignalValue", "_edGsmSignalValue"},
      {"lbGsmLowestSignal", "Lowest GSM signal:", "lbGsmLowestSignalValue", nullptr},
      {"lbGsmUptime", "Uptime:", "lbGsmUptimeValue", nullptr}}},
    {"gbPowerSupply", "Power supply",
     {{"lbSupplyVoltage", "Supply voltage:", "lbSupplyVoltageValue", "_edSupplyVoltageValue"},
      {"lbMinVoltage", "Min. voltage:", "lbMinVoltageValue", "_edMinVoltageValue"}}},
    {"gbTemperature", "Temperature",
     {{"lbActTempSensor", "Current temperature on the external sensor:", "lbActTempSensorValue",
       "_edActTempSensorValue"},
      {"lbActTempModule", "Current temperature in the module:", "lbActTempModuleValue",
       "_edActTempModuleValue"}}},
    {"gbInputs", "Inputs",
     {{"lbInputsIN1", "IN1:", "lbInputsIN1Value", "_edInputsIN1Value"},
      {"lbInputsIN2", "IN2:", "lbInputsIN2Value", "_edInputsIN2Value"}}},
    {"gbRelays", "Relays",
     {{"lbRelay1", "Relay 1:", "lbRelay1Value", "_edRelay1Value"},
      {"lbRelay2", "Relay 2:", "lbRelay2Value", "_edRelay2Value"}}},
};

// The module's temperature row is kept working but not shown.
constexpr const char* kHiddenRow = "lbActTempModule";

}  // namespace

QWidget* TFormMain::BuildStatusPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsStatus"));

    auto* content = new QWidget;
    // The status catalogue's controls come from the catalogue itself.
    QHash<QString, QWidget*> bound;
    for (const StatusDef& def : StatusCatalogue()) {
        QWidget* control = CreateStatusControl(def, content);
        bound.insert(control->objectName(), control);
    }
    auto valueLabel = [&](const char* name) {
        auto* label = qobject_cast<QLabel*>(bound.value(QLatin1String(name)));
        if (!label) label = Label(name, QString());
        label->setText(QStringLiteral("-"));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };

    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(kSpacing, kSpacing, kSpacing, kSpacing);
    column->setSpacing(kSectionSpacing);
    QList<QGridLayout*> grids;
    for (const StatusGroup& group : kGroups) {
        QGroupBox* box = GroupBox(QLatin1String(group.name), QLatin1String(group.title));
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(kSpacing * 3);
        grid->setVerticalSpacing(kSpacing);
        int row = 0;
        for (const StatusLine& line : group.lines) {
            QLabel* caption = Label(line.caption, QLatin1String(line.text));
            QLabel* value = valueLabel(line.value);
            grid->addWidget(caption, row, 0);
            grid->addWidget(value, row, 1);
            if (line.hidden) {
                QWidget* edit = bound.value(QLatin1String(line.hidden));
                if (!edit) qFatal("status catalogue lacks %s", line.hidden);
                edit->setParent(box);
                edit->hide();
            }
            if (qstrcmp(line.caption, kHiddenRow) == 0) {
                caption->hide();
                value->hide();
            }
            ++row;
        }
        if (qstrcmp(group.name, "gGsmStatus") == 0) {
            auto* bar = new QProgressBar;
            bar->setObjectName(QStringLiteral("pbGsmSignal"));
            bar->setRange(0, 31);
            bar->setValue(0);
            bar->setTextVisible(false);
            bar->setMaximumWidth(220);
            grid->addWidget(bar, 0, 2);
        }
        grid->setColumnMinimumWidth(1, 80);
        grid->setColumnStretch(3, 1);
        column->addWidget(box);
        grids.append(grid);
    }
    column->addStretch(1);
    AlignFirstColumns(grids);

    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("ScrollBoxStatus"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    return page;
}

}  // namespace varnex
