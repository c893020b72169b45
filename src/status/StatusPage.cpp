#include "status/StatusPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QTabWidget>

#include "link/CommandProtocol.h"
#include "modem/TModem.h"
#include "params/ControlCodec.h"
#include "ui/FormMain.h"
#include "ui/MainController.h"
#include "lang/Texts.h"

namespace varnex {

const QColor StatusPage::kRed(255, 0, 0);
const QColor StatusPage::kGrey(128, 128, 128);
const QColor StatusPage::kGreen(0, 128, 0);

const std::array<StatusPage::RemoteQuery, 11> StatusPage::kRemoteQueries{{
    {"GSMState:RFP", "lbGsmSignalValue"},
    {"GSMState:RFPE", "lbGsmLowestSignalValue"},
    {"GSMState:UTM", "lbGsmUptimeValue"},
    {"Version:FW_Version", "lbViFwVerValue"},
    {"IO:VBAT", "lbSupplyVoltageValue"},
    {"SysState:VBATE", "lbMinVoltageValue"},
    {"IO:DIN1", "_edInputsIN1Value"},
    {"IO:DIN2", "_edInputsIN2Value"},
    {"IO:REL1", "_edRelay1Value"},
    {"IO:REL2", "_edRelay2Value"},
    {"SysState:TempMain", "_edActTempSensorValue"},
}};

namespace {

constexpr int kSignalMaximum = 31;

void SetFontColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// Clears a flag when the scope ends, however it ends.
struct FlagGuard {
    bool& flag;
    explicit FlagGuard(bool& f) : flag(f) { flag = true; }
    ~FlagGuard() { flag = false; }
};

}  // namespace

StatusPage::StatusPage(MainController& controller) : controller(controller) {
    auto& handlers = controller.window.handlers;
    handlers.PageControl1Change = [this] { PageControl1Change(); };
    handlers.btTestReportNowClick = [this] { btTestReportNowClick(); };

    const struct {
        const char* edit;
        void (StatusPage::*handler)();
    } edits[] = {
        {"_edGsmSignalValue", &StatusPage::_edGsmSignalValueChange},
        {"_edSupplyVoltageValue", &StatusPage::_edSupplyVoltageValueChange},
        {"_edMinVoltageValue", &StatusPage::_edMinVoltageValueChange},
        {"_edActTempSensorValue", &StatusPage::_edActTempSensorValueChange},
        {"_edActTempModuleValue", &StatusPage::_edActTempModuleValueChange},
        {"_edInputsIN1Value", &StatusPage::_edInputsIN1ValueChange},
        {"_edInputsIN2Value", &StatusPage::_edInputsIN2ValueChange},
        {"_edRelay1Value", &StatusPage::_edRelay1ValueChange},
        {"_edRelay2Value", &StatusPage::_edRelay2ValueChange},
    };
    for (const auto& row : edits) {
        auto* edit = controller.window.Control<QLineEdit>(QLatin1String(row.edit));
        if (!edit) qFatal("status page lacks %s", row.edit);
        // textChanged fires on the codec's changes too, and not when the text
        // stays the same.
        connect(edit, &QLineEdit::textChanged, this, [this, handler = row.handler] { (this->*handler)(); });
    }
    languageWatch = controller.languageManager.Watch([this] { RefreshStateWords(); });
}

void StatusPage::RefreshStateWords() {
    _edInputsIN1ValueChange();
    _edInputsIN2ValueChange();
    _edRelay1ValueChange();
    _edRelay2ValueChange();
}

StatusPage::~StatusPage() {
    controller.languageManager.Unwatch(languageWatch);
    // The window may outlive this object; its hooks must not call into it.
    auto& handlers = controller.window.handlers;
    handlers.PageControl1Change = nullptr;
    handlers.btTestReportNowClick = nullptr;
}

bool StatusPage::RemoteCallUp() const {
    return controller.CallUp();
}

void StatusPage::PageControl1Change() {
    if (controller.windowCall.Closing()) return;
    // The page the user chose; the waits below let the user choose another,
    // which runs this handler again for that one.
    const int page = controller.window.PageControl1->currentIndex();
    if (controller.usbConnection && controller.usbConnection->IsConnected()) {
        controller.protocol.SetParameter(L"Slots:Mainlog", L"1");
        // The window may have begun to close during the wait.
        if (controller.statusChannel && !controller.windowCall.Closing())
            controller.statusChannel->WriteString("R");
    }
    if (page == TFormMain::kModemPage) controller.RefreshSerialPortList();
    if (page == TFormMain::kStatusPage && RemoteCallUp()) RemoteRefresh();
}

void StatusPage::RemoteRefresh() {
    // A refresh started from inside the waits of a running one would write
    // its queries between the running one's and mix up their replies; the
    // running one is already fetching fresh values.
    if (refreshing) return;
    FlagGuard guard(refreshing);
    for (const RemoteQuery& query : kRemoteQueries) {
        // A call that dropped meanwhile leaves nothing to ask: the command
        // channel is USB again, and the rest would go to the wrong module.
        if (!RemoteCallUp() || controller.windowCall.Closing()) return;
        const std::wstring reply = controller.protocol.QueryParameter(QString::fromLatin1(query.key).toStdWString());
        const QString value = QString::fromStdWString(CommandProtocol::ExtractReplyValue(reply));
        if (QWidget* control = controller.window.Control<QWidget>(QLatin1String(query.control)))
            SetControlValue(control, value);
    }
}

void StatusPage::btTestReportNowClick() {
    // The module acknowledges and sends the report; nothing to show here.
    controller.protocol.SetParameter(L"EVM:New", L"10");
}

QString StatusPage::ValueOf(const char* edit) const {
    auto* control = controller.window.Control<QLineEdit>(QLatin1String(edit));
    return control ? control->text() : QString();
}

void StatusPage::_edGsmSignalValueChange() {
    const QString value = ValueOf("_edGsmSignalValue");
    int level = 0;
    if (!ParseControlInteger(value, level)) {
        // Bar and label keep the last good value. The line in the status bar
        // says why, without a modal box: reports come every few seconds, and
        // the records after this one must still be applied.
        signalFailure = Text("txtGsmSignalProblem").arg(QString::fromUtf8(ConversionError(value).what()));
        controller.ShowOutcome(signalFailure);
        return;
    }
    if (auto* bar = controller.window.Control<QProgressBar>(QStringLiteral("pbGsmSignal")))
        // A number outside the scale (99 is "not known" to a GSM modem) gives
        // an empty bar rather than a bar stuck at the previous level; the
        // label shows the number as it came.
        bar->setValue(level >= 0 && level <= kSignalMaximum ? level : 0);
    if (auto* label = controller.window.Control<QLabel>(QStringLiteral("lbGsmSignalValue"))) label->setText(value);
    if (!signalFailure.isEmpty() && controller.Outcome() == signalFailure) controller.ShowOutcome(QString());
    signalFailure.clear();
}

void StatusPage::ShowWithUnit(const char* edit, const char* label, const QString& unit) {
    if (auto* target = controller.window.Control<QLabel>(QLatin1String(label))) target->setText(ValueOf(edit) + unit);
}

void StatusPage::_edSupplyVoltageValueChange() {
    ShowWithUnit("_edSupplyVoltageValue", "lbSupplyVoltageValue", QStringLiteral(" mV"));
}
void StatusPage::_edMinVoltageValueChange() {
    ShowWithUnit("_edMinVoltageValue", "lbMinVoltageValue", QStringLiteral(" mV"));
}
void StatusPage::_edActTempSensorValueChange() {
    ShowWithUnit("_edActTempSensorValue", "lbActTempSensorValue", QStringLiteral(" \u00B0C"));
}
void StatusPage::_edActTempModuleValueChange() {
    ShowWithUnit("_edActTempModuleValue", "lbActTempModuleValue", QStringLiteral(" \u00B0C"));
}

void StatusPage::ShowState(const char* edit, const char* label, const char* onKey, const QColor& onColour,
                           const char* otherKey, const QColor& otherColour) {
    const QString value = ValueOf(edit);
    if (value.isEmpty()) return;  // no answer: keep what was known
    auto* target = controller.window.Control<QLabel>(QLatin1String(label));
    if (!target) return;
    const bool on = value == QStringLiteral("1");
    // In the language current now; a change of language shows it again.
    target->setText(controller.languageManager.Translate(QLatin1String(on ? onKey : otherKey)));
    SetFontColour(target, on ? onColour : otherColour);
}

// An input reported as "1" is at rest.
void StatusPage::_edInputsIN1ValueChange() {
    ShowState("_edInputsIN1Value", "lbInputsIN1Value", "txtInactive", kGrey, "txtActive", kRed);
}
void StatusPage::_edInputsIN2ValueChange() {
    ShowState("_edInputsIN2Value", "lbInputsIN2Value", "txtInactive", kGrey, "txtActive", kRed);
}
// A relay reported as "1" is on.
void StatusPage::_edRelay1ValueChange() {
    ShowState("_edRelay1Value", "lbRelay1Value", "txtOn", kGreen, "txtOff", kGrey);
}
void StatusPage::_edRelay2ValueChange() {
    ShowState("_edRelay2Value", "lbRelay2Value", "txtOn", kGreen, "txtOff", kGrey);
}

}  // namespace varnex
