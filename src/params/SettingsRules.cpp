#include "params/SettingsRules.h"

#include <array>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QString>
#include <QWidget>

#include "link/Codepage.h"
#include "params/Catalogue.h"
#include "params/ControlCodec.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"

namespace varnex {
namespace {

template <typename T>
T* Find(QWidget* window, const QString& name) {
    return window->findChild<T*>(name);
}

void SetBackground(QWidget* edit, bool valid) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, valid ? QColor(255, 255, 255) : QColor(255, 0, 0));
    edit->setPalette(palette);
}

bool IsRed(const QWidget* edit) { return edit->palette().color(QPalette::Base) == QColor(255, 0, 0); }

// Touches the colour only when the mark comes or goes, so that an edit that
// never held such a text keeps the window's own palette.
void MarkUnstorable(QWidget* edit, const QString& text) {
    const bool storable = IsStorableText(text);
    if (storable != IsRed(edit)) return;
    SetBackground(edit, storable);
}

// Every edit and spin edit of the catalogue but the code fields, whose own
// check already rejects anything that is not a digit.
void ConnectStorableMarks(QWidget* window) {
    QStringList checked = ContactIdFields();
    checked << QStringLiteral("edTUserID");
    for (const auto& row : ParameterCatalogue()) {
        const QString name = QString::fromStdString(row.control);
        if (checked.contains(name)) continue;
        if (row.kind == ControlKind::Edit) {
            if (auto* edit = Find<QLineEdit>(window, name))
                QObject::connect(edit, &QLineEdit::textChanged, edit,
                                 [edit](const QString& text) { MarkUnstorable(edit, text); });
        } else if (row.kind == ControlKind::SpinEdit) {
            if (auto* spin = Find<SpinEdit>(window, name))
                QObject::connect(spin, &SpinEdit::textChanged, spin,
                                 [spin](const QString& text) { MarkUnstorable(spin, text); });
        }
    }
}

QString Celsius(int value) { return QString::number(value) + QChar(0x00B0) + QLatin1Char('C'); }

// Selects a radio button as a click would; clearing one needs its group's
// exclusivity lifted for a moment, since a group never empties itself.
void Select(QRadioButton* button) {
    if (button) button->setChecked(true);
}
void Clear(QRadioButton* button) {
    if (!button || !button->isChecked()) return;
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

// A radio button's click: it fires when the button becomes selected.
template <typename F>
void OnSelected(QRadioButton* button, F&& f) {
    if (!button) return;
    QObject::connect(button, &QRadioButton::toggled, button, [f](bool on) {
        if (on) f();
    });
}

struct Pair {
    const char* minimum;
    const char* minimumLabel;
    const char* maximum;
    const char* maximumLabel;
};
const Pair kPairs[] = {
    {"tbMinTemp", "lbMinCelsius", "tbMaxTemp", "lbMaxCelsius"},
    {"tbRelay1MinTemp", "lbRelay1MinCelsius", "tbRelay1MaxTemp", "lbRelay1MaxCelsius"},
    {"tbRelay2MinTemp", "lbRelay2MinCelsius", "tbRelay2MaxTemp", "lbRelay2MaxCelsius"},
};

void MinimumChanged(QWidget* window, const Pair& pair) {
    auto* minimum = Find<QSlider>(window, pair.minimum);
    auto* maximum = Find<QSlider>(window, pair.maximum);
    if (!minimum || !maximum) return;
    // The bar being moved gives way; setting it runs this rule again.
    if (maximum->value() - 1 < minimum->value()) minimum->setValue(maximum->value() - 1);
    if (auto* label = Find<QLabel>(window, pair.minimumLabel)) label->setText(Celsius(minimum->value()));
}

void MaximumChanged(QWidget* window, const Pair& pair) {
    auto* minimum = Find<QSlider>(window, pair.minimum);
    auto* maximum = Find<QSlider>(window, pair.maximum);
    if (!minimum || !maximum) return;
    if (minimum->value() + 1 > maximum->value()) maximum->setValue(minimum->value() + 1);
    if (auto* label = Find<QLabel>(window, pair.maximumLabel)) label->setText(Celsius(maximum->value()));
}

const char* const kInputModes[] = {"NO", "NC", "CA"};

void ConnectRelay(QWidget* window, const QString& n) {
    auto* timed = Find<QCheckBox>(window, "_cbRelay" + n + "Timed");
    auto* rbTimed = Find<QRadioButton>(window, "rbRelay" + n + "Timed");
    auto* rbBistable = Find<QRadioButton>(window, "rbRelay" + n + "Bistable");
    if (timed) {
        OnSelected(rbTimed, [timed] { timed->setChecked(true); });
        OnSelected(rbBistable, [timed] { timed->setChecked(false); });
        QObject::connect(timed, &QCheckBox::toggled, timed,
                         [rbTimed, rbBistable](bool on) { Select(on ? rbTimed : rbBistable); });
    }

    if (auto* control = Find<QLineEdit>(window, "_edRelay" + n + "Control")) {
        QRadioButton* buttons[] = {Find<QRadioButton>(window, "rbRelay" + n + "ControlAlarm"),
                                   Find<QRadioButton>(window, "rbRelay" + n + "ControlPhone"),
                                   Find<QRadioButton>(window, "rbRelay" + n + "ControlTemp")};
        for (int i = 0; i < 3; ++i)
            OnSelected(buttons[i], [control, i] { control->setText(QString::number(i)); });
        QObject::connect(control, &QLineEdit::textChanged, control, [buttons](const QString& text) {
            // Anything but "0" or "2" means the call mode.
            Select(text == "0" ? buttons[0] : text == "2" ? buttons[2] : buttons[1]);
        });
    }

    if (auto* mode = Find<QLineEdit>(window, "_edRelay" + n + "TempInOut")) {
        const char* const names[] = {"In", "Out", "Plus", "Minus"};
        std::array<QRadioButton*, 4> buttons{};
        for (int i = 0; i < 4; ++i) buttons[static_cast<std::size_t>(i)] =
            Find<QRadioButton>(window, "rbRelay" + n + "Temp" + names[i]);
        for (int i = 0; i < 4; ++i)
            OnSelected(buttons[static_cast<std::size_t>(i)], [mode, i] { mode->setText(QString::number(i)); });
        QObject::connect(mode, &QLineEdit::textChanged, mode, [buttons](const QString& text) {
            for (auto* b : buttons) Clear(b);
            for (int i = 0; i < 4; ++i)
                if (text == QString::number(i)) Select(buttons[static_cast<std::size_t>(i)]);
        });
    }
}

void ConnectInput(QWidget* window, int n, QCheckBox* sensor) {
    auto* group = Find<RadioGroup>(window, QStringLiteral("rgIN%1").arg(n));
    auto* holder = Find<QLineEdit>(window, QStringLiteral("_edIN%1").arg(n));
    if (!group || !holder) return;
    QObject::connect(group, &RadioGroup::itemIndexChanged, group, [group, holder, sensor](int) {
        if (sensor && group->itemIndex() > 0) {
            sensor->setChecked(false);
            // The item under the sensor box acts as the car-alarm mode.
            if (group->itemIndex() > 2) group->setItemIndex(2);
        }
        const int item = group->itemIndex();
        if (item >= 0 && item <= 2) holder->setText(QString::fromLatin1(kInputModes[item]));
    });
    QObject::connect(holder, &QLineEdit::textChanged, holder, [group](const QString& text) {
        for (int i = 0; i < 3; ++i)
            if (text == QLatin1String(kInputModes[i])) group->setItemIndex(i);
    });
}

}  // namespace

bool IsValidContactId(const QString& text) {
    if (text.size() != 4 || (text[0] != '1' && text[0] != '3')) return false;
    for (QChar c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool IsValidUserId(const QString& text) {
    if (text.size() != 4) return false;
    for (QChar c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

QStringList ContactIdFields() {
    QStringList codes;
    for (int i = 1; i <= 11; ++i) codes << QStringLiteral("edCID%1").arg(i);
    codes << "edCID_TEMP_S" << "edCID_TEMP_R";
    return codes;
}

void ValidateContactIdEdit(QLineEdit* edit) { SetBackground(edit, IsValidContactId(edit->text())); }

bool IsStorableText(const QString& text) { return CanEncodeAnsi(text.toStdWString()); }

int UnstorableTextCount(const ControlDescList& parameters) {
    int count = 0;
    for (int i = 0; i < parameters.Count(); ++i)
        if (!IsStorableText(GetControlValue(parameters.At(i).control))) ++count;
    return count;
}

void RunTemperatureRules(QWidget* window) {
    for (const auto& pair : kPairs) MinimumChanged(window, pair);
    for (const auto& pair : kPairs) MaximumChanged(window, pair);
}

void ConnectSettingsRules(QWidget* window, std::function<void(const char*)> updateLinkState) {
    for (const auto& pair : kPairs) {
        if (auto* minimum = Find<QSlider>(window, pair.minimum))
            QObject::connect(minimum, &QSlider::valueChanged, minimum, [window, pair] { MinimumChanged(window, pair); });
        if (auto* maximum = Find<QSlider>(window, pair.maximum))
            QObject::connect(maximum, &QSlider::valueChanged, maximum, [window, pair] { MaximumChanged(window, pair); });
    }

    for (const auto& name : ContactIdFields()) {
        auto* edit = Find<QLineEdit>(window, name);
        if (!edit) continue;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, updateLinkState] {
            ValidateContactIdEdit(edit);
            if (updateLinkState) updateLinkState("EditValidation");
        });
    }
    if (auto* user = Find<QLineEdit>(window, "edTUserID"))
        QObject::connect(user, &QLineEdit::textChanged, user, [user, updateLinkState](const QString& text) {
            SetBackground(user, IsValidUserId(text));
            if (updateLinkState) updateLinkState("EditValidation");
        });

    ConnectStorableMarks(window);

    ConnectRelay(window, "1");
    ConnectRelay(window, "2");

    auto* sensor = Find<QCheckBox>(window, "cbTempSens");
    ConnectInput(window, 1, sensor);
    ConnectInput(window, 2, nullptr);
    if (sensor) {
        auto* group = Find<RadioGroup>(window, "rgIN1");
        QObject::connect(sensor, &QCheckBox::toggled, sensor, [group](bool on) {
            if (on && group) group->setItemIndex(0);
        });
    }
}

}  // namespace varnex
