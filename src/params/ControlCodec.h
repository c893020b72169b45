#pragma once
#include <QString>
#include <stdexcept>

#include "params/Catalogue.h"

class QWidget;

namespace varnex {

// A value for an index or position control that is not an integer.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString& text);
    // The offending value text.
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// Exact class names the codec dispatches on, in dispatch order. A subclass of
// one of these has another name and so is none of them.
namespace classname {
inline constexpr const char* kLabel = "QLabel";
inline constexpr const char* kEdit = "QLineEdit";
inline constexpr const char* kSpinEdit = "varnex::SpinEdit";
inline constexpr const char* kCheckBox = "QCheckBox";
inline constexpr const char* kComboBox = "QComboBox";
inline constexpr const char* kTrackBar = "QSlider";
inline constexpr const char* kRadioGroup = "varnex::RadioGroup";
}  // namespace classname

// Class name that holds values of the given kind.
const char* ClassNameFor(ControlKind kind);

// Applies a value text to a control; unsupported controls are left alone.
// Throws ConversionError (control unchanged) for a non-integer index/position.
void SetControlValue(QWidget* control, const QString& value);

// The control's value text; empty for unsupported controls.
QString GetControlValue(QWidget* control);

// Optionally signed decimal integer, no blanks, within int range.
bool ParseControlInteger(const QString& text, int& value);

}  // namespace varnex
