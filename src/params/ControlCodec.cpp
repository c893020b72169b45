#include "params/ControlCodec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <cstring>
#include <string_view>

#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"
#include "lang/Texts.h"

namespace varnex {

static_assert(std::string_view(classname::kSpinEdit) == SpinEdit::kClassName);
static_assert(std::string_view(classname::kRadioGroup) == RadioGroup::kClassName);

ConversionError::ConversionError(const QString& text)
    : std::runtime_error(Text("txtNotAnInteger").arg(text).toStdString()), m_text(text) {}

namespace {

enum class Kind { Label, Edit, SpinEdit, CheckBox, ComboBox, TrackBar, RadioGroup, Other };

Kind KindOf(const QWidget* control) {
    if (!control) return Kind::Other;
    const char* name = control->metaObject()->className();
    const struct {
        const char* name;
        Kind kind;
    } table[] = {
        {classname::kLabel, Kind::Label},         {classname::kEdit, Kind::Edit},
        {classname::kSpinEdit, Kind::SpinEdit},   {classname::kCheckBox, Kind::CheckBox},
        {classname::kComboBox, Kind::ComboBox},   {classname::kTrackBar, Kind::TrackBar},
        {classname::kRadioGroup, Kind::RadioGroup},
    };
    for (const auto& row : table)
        if (std::strcmp(name, row.name) == 0) return row.kind;
    return Kind::Other;
}

// Empty text means index/position 0; anything else must be an integer.
int ToIndex(const QString& value) {
    if (value.isEmpty()) return 0;
    int n = 0;
    if (!ParseControlInteger(value, n)) throw ConversionError(value);
    return n;
}

}  // namespace

bool ParseControlInteger(const QString& text, int& value) {
    if (text.isEmpty()) return false;
    qsizetype i = (text[0] == u'-' || text[0] == u'+') ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9') return false;
    bool ok = false;
    const int n = text.toInt(&ok, 10);  // fails on overflow
    if (!ok) return false;
    value = n;
    return true;
}

const char* ClassNameFor(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return classname::kLabel;
        case ControlKind::Edit: return classname::kEdit;
        case ControlKind::SpinEdit: return classname::kSpinEdit;
        case ControlKind::CheckBox: return classname::kCheckBox;
        case ControlKind::ComboBox: return classname::kComboBox;
        case ControlKind::TrackBar: return classname::kTrackBar;
        case ControlKind::RadioGroup: return classname::kRadioGroup;
    }
    return "";
}

void SetControlValue(QWidget* control, const QString& value) {
    switch (KindOf(control)) {
        case Kind::Label: static_cast<QLabel*>(control)->setText(value); break;
        case Kind::Edit: static_cast<QLineEdit*>(control)->setText(value); break;
        case Kind::SpinEdit: static_cast<SpinEdit*>(control)->setText(value); break;
        case Kind::CheckBox: static_cast<QCheckBox*>(control)->setChecked(value != QLatin1String("0")); break;
        case Kind::ComboBox: static_cast<QComboBox*>(control)->setCurrentIndex(ToIndex(value)); break;
        case Kind::TrackBar: static_cast<QSlider*>(control)->setValue(ToIndex(value)); break;
        case Kind::RadioGroup: static_cast<RadioGroup*>(control)->setItemIndex(ToIndex(value)); break;
        case Kind::Other: break;
    }
}

QString GetControlValue(QWidget* control) {
    switch (KindOf(control)) {
        case Kind::Label: return static_cast<QLabel*>(control)->text();
        case Kind::Edit: return static_cast<QLineEdit*>(control)->text();
        case Kind::SpinEdit: return static_cast<SpinEdit*>(control)->text();
        case Kind::CheckBox: return static_cast<QCheckBox*>(control)->isChecked() ? "1" : "0";
        case Kind::ComboBox: return QString::number(static_cast<QComboBox*>(control)->currentIndex());
        case Kind::TrackBar: return QString::number(static_cast<QSlider*>(control)->value());
        case Kind::RadioGroup: return QString::number(static_cast<RadioGroup*>(control)->itemIndex());
        case Kind::Other: break;
    }
    return QString();
}

}  // namespace varnex
