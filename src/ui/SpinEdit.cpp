#include "ui/SpinEdit.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

namespace varnex {

namespace {
bool ParseInt(const QString& text, long long& value) {
    bool ok = false;
    value = text.toLongLong(&ok);
    // toLongLong skips surrounding blanks; a value with blanks is not a number here.
    return ok && text.trimmed().size() == text.size();
}
}  // namespace

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    // Forward the editor's own signal: it fires for programmatic changes too and
    // stays quiet when the text is set to what it already is.
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::textChanged);
}

QString SpinEdit::text() const { return lineEdit()->text(); }

void SpinEdit::setText(const QString& text) {
    lineEdit()->setText(text);
    update();
}

void SpinEdit::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    updateGeometry();
}

QSize SpinEdit::sizeHint() const {
    ensurePolished();
    const QFontMetrics fm(fontMetrics());
    int width = std::max(fm.horizontalAdvance(QString::number(m_minimum)),
                         fm.horizontalAdvance(QString::number(m_maximum)));
    // Room for one more digit and the cursor, as the stock spin boxes leave.
    width += fm.horizontalAdvance(QLatin1Char('0')) + 2;
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize content(width, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize SpinEdit::minimumSizeHint() const { return sizeHint(); }

void SpinEdit::stepBy(int steps) {
    long long value = 0;
    // Stepping from a non-number starts at the bottom of the range.
    if (!ParseInt(text(), value)) value = m_minimum;
    value += static_cast<long long>(steps) * m_step;
    value = std::clamp<long long>(value, m_minimum, m_maximum);
    setText(QString::number(value));
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    if (isReadOnly()) return StepNone;
    long long value = 0;
    if (!ParseInt(text(), value)) return StepUpEnabled | StepDownEnabled;
    StepEnabled result = StepNone;
    if (value < m_maximum) result |= StepUpEnabled;
    if (value > m_minimum) result |= StepDownEnabled;
    return result;
}

QValidator::State SpinEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

void SpinEdit::fixup(QString&) const {}

}  // namespace varnex
