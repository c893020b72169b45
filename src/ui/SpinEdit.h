#pragma once
#include <QAbstractSpinBox>
#include <QString>

namespace varnex {

// Numeric spin edit that keeps whatever text it is given. A value read from the
// module or loaded from a file must come back unchanged, even when it lies
// outside the range or is not a number; only the arrows respect the range.
class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    // The exact metaObject()->className(); value dispatch compares against it.
    static constexpr const char* kClassName = "varnex::SpinEdit";

    explicit SpinEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setSingleStep(int step) { m_step = step; }
    int singleStep() const { return m_step; }

    // Wide enough for the widest number of the range; the base class would size
    // itself from an empty value.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

signals:
    // Fires on every change of the text, programmatic ones included.
    void textChanged(const QString& text);

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_minimum = 0;
    int m_maximum = 99;
    int m_step = 1;
};

}  // namespace varnex
