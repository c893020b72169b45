#pragma once
// Small building blocks shared by the page builders of the main window.
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class QCheckBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
class QWidget;

namespace varnex::pagekit {

// The catalogue's controls, created from the catalogue itself and handed out by
// name to the code that places them. Each is placed exactly once; whatever is
// left over at the end is a layout bug.
class CatalogueControls {
public:
    explicit CatalogueControls(QWidget* parent);

    // The control of that name, marked as placed. A name that is not in the
    // catalogue, or one placed twice, aborts: the layout code is wrong.
    QWidget* Take(const QString& name);
    template <typename T>
    T* Take(const QString& name) {
        return static_cast<T*>(TakeChecked(name, T::staticMetaObject.className()));
    }
    // Hidden value holders: never shown, never laid out.
    QWidget* TakeHidden(const QString& name);
    bool Has(const QString& name) const { return m_controls.contains(name); }
    QStringList Unplaced() const;

private:
    QWidget* TakeChecked(const QString& name, const char* className);
    QHash<QString, QWidget*> m_controls;
    QSet<QString> m_placed;
};

QLabel* Label(const QString& name, const QString& text, QWidget* parent = nullptr);
QCheckBox* CheckBox(const QString& name, const QString& text, QWidget* parent = nullptr);
QRadioButton* Radio(const QString& name, const QString& text, QWidget* parent = nullptr);
QGroupBox* GroupBox(const QString& name, const QString& title, QWidget* parent = nullptr);
QPushButton* Button(const QString& name, const QString& text, QWidget* parent = nullptr);

// A section of the settings page, headed by a bold label when one is given;
// the body layout goes beneath it. Framed unless its body brings frames of its
// own.
enum class Frame { Framed, Bare };
QFrame* Section(QLabel* header, QLayout* body, Frame frame = Frame::Framed);
void MakeHeading(QLabel* label);

// A degree label keeps the width of its widest text, so the bar beside it does
// not jump while it is dragged.
void ReserveDegreeWidth(QLabel* label);

// Wheel events over value controls scroll the page instead of changing a
// setting the user did not mean to touch; a focused control still takes them.
void GuardWheel(QWidget* root);

// Keeps the first column of several grids as wide as the widest of them, so
// values line up from group box to group box, also after the captions have
// been translated.
void AlignFirstColumns(const QList<QGridLayout*>& grids);

// Sets the tab order of everything under root to the reading order of its
// layouts: grids row by row, boxes in their order, pages in turn.
void TabInLayoutOrder(QWidget* root);

// Margins and spacing every grid of the settings page uses, so rows line up
// from section to section.
constexpr int kSpacing = 6;
constexpr int kSectionSpacing = 10;
constexpr int kIndent = 22;

}  // namespace varnex::pagekit

namespace varnex {
class TFormMain;
namespace settings {
// The settings page's lower half, split off to keep each file readable.
QWidget* InputsSection(pagekit::CatalogueControls& controls, QList<QGridLayout*>& aligned);
QWidget* RelaysSection(pagekit::CatalogueControls& controls);
}  // namespace settings
}  // namespace varnex
