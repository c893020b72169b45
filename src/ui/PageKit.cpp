#include "ui/PageKit.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "params/Catalogue.h"
#include "params/ControlDesc.h"

namespace varnex::pagekit {

CatalogueControls::CatalogueControls(QWidget* parent) {
    for (const ParamDef& def : ParameterCatalogue()) {
        QWidget* control = CreateCatalogueControl(def, parent);
        m_controls.insert(control->objectName(), control);
    }
}

QWidget* CatalogueControls::TakeChecked(const QString& name, const char* className) {
    QWidget* control = m_controls.value(name);
    if (!control) qFatal("settings layout names %s, which the catalogue lacks", qPrintable(name));
    if (m_placed.contains(name)) qFatal("settings layout places %s twice", qPrintable(name));
    if (className && std::strcmp(control->metaObject()->className(), className) != 0)
        qFatal("catalogue control %s is not a %s", qPrintable(name), className);
    m_placed.insert(name);
    return control;
}

QWidget* CatalogueControls::Take(const QString& name) { return TakeChecked(name, nullptr); }

QWidget* CatalogueControls::TakeHidden(const QString& name) {
    QWidget* holder = Take(name);
    holder->hide();
    return holder;
}

QStringList CatalogueControls::Unplaced() const {
    QStringList names;
    for (auto it = m_controls.cbegin(); it != m_controls.cend(); ++it)
        if (!m_placed.contains(it.key())) names.append(it.key());
    names.sort();
    return names;
}

QLabel* Label(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QCheckBox* CheckBox(const QString& name, const QString& text, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QRadioButton* Radio(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(name);
    return button;
}

QGroupBox* GroupBox(const QString& name, const QString& title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    return box;
}

QPushButton* Button(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

void MakeHeading(QLabel* label) {
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    label->setFont(font);
}

QFrame* Section(QLabel* header, QLayout* body, Frame framed) {
    auto* frame = new QFrame;
    const int margin = framed == Frame::Framed ? kSectionSpacing : 0;
    if (framed == Frame::Framed) {
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setFrameShadow(QFrame::Plain);
    }
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(margin, kSectionSpacing, margin, kSectionSpacing);
    column->setSpacing(kSectionSpacing);
    if (header) {
        MakeHeading(header);
        // Headings line up whether or not their section has a frame.
        if (framed == Frame::Bare) header->setContentsMargins(kSectionSpacing + frame->lineWidth(), 0, 0, 0);
        column->addWidget(header);
    }
    column->addLayout(body);
    return frame;
}

void ReserveDegreeWidth(QLabel* label) {
    const QFontMetrics fm(label->font());
    label->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("-32 \u00B0C")) + 4);
}

namespace {

class WheelGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->hasFocus()) return false;
        // Ignored and filtered: the event travels on to the scroll area.
        event->ignore();
        return true;
    }
};

template <typename T>
void GuardAll(QWidget* root, WheelGuard* guard) {
    for (T* control : root->findChildren<T*>()) {
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(guard);
    }
}

// A caption that changes its text asks its container for a new layout; that is
// when the shared width is worked out again.
class FirstColumns : public QObject {
public:
    FirstColumns(const QList<QGridLayout*>& grids, QObject* parent) : QObject(parent), m_grids(grids) {
        for (QGridLayout* grid : m_grids) grid->parentWidget()->installEventFilter(this);
        Update();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::FontChange) Update();
        return false;
    }

private:
    void Update() {
        int width = 0;
        for (QGridLayout* grid : m_grids)
            for (int row = 0; row < grid->rowCount(); ++row)
                if (QLayoutItem* item = grid->itemAtPosition(row, 0); item && item->widget() && !item->widget()->isHidden())
                    width = std::max(width, item->widget()->sizeHint().width());
        // Only a real change: setting the width invalidates, which asks again.
        for (QGridLayout* grid : m_grids)
            if (grid->columnMinimumWidth(0) != width) grid->setColumnMinimumWidth(0, width);
    }

    QList<QGridLayout*> m_grids;
};

}  // namespace

namespace {

void CollectLayout(QLayout* layout, QList<QWidget*>& stops);

void CollectWidget(QWidget* widget, QList<QWidget*>& stops) {
    if (widget->focusPolicy() & Qt::TabFocus) stops.append(widget);
    if (auto* pages = qobject_cast<QTabWidget*>(widget)) {
        for (int i = 0; i < pages->count(); ++i) CollectWidget(pages->widget(i), stops);
    } else if (auto* scroll = qobject_cast<QScrollArea*>(widget)) {
        if (scroll->widget()) CollectWidget(scroll->widget(), stops);
    } else if (auto* split = qobject_cast<QSplitter*>(widget)) {
        for (int i = 0; i < split->count(); ++i) CollectWidget(split->widget(i), stops);
    } else if (widget->layout()) {
        // Composite controls (spin edits, combo boxes) have no layout of their own.
        CollectLayout(widget->layout(), stops);
    }
}

void CollectLayout(QLayout* layout, QList<QWidget*>& stops) {
    struct Placed {
        int row, column;
        QLayoutItem* item;
    };
    QList<Placed> items;
    auto* grid = qobject_cast<QGridLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        int row = i, column = 0, rowSpan = 1, columnSpan = 1;
        if (grid) grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        items.append({row, column, layout->itemAt(i)});
    }
    std::stable_sort(items.begin(), items.end(), [](const Placed& a, const Placed& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    for (const Placed& placed : items) {
        if (QWidget* widget = placed.item->widget()) CollectWidget(widget, stops);
        else if (QLayout* inner = placed.item->layout()) CollectLayout(inner, stops);
    }
}

}  // namespace

void TabInLayoutOrder(QWidget* root) {
    QList<QWidget*> stops;
    CollectWidget(root, stops);
    for (qsizetype i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}

void AlignFirstColumns(const QList<QGridLayout*>& grids) {
    if (!grids.isEmpty()) new FirstColumns(grids, grids.first()->parentWidget());
}

void GuardWheel(QWidget* root) {
    auto* guard = new WheelGuard(root);
    GuardAll<QAbstractSpinBox>(root, guard);
    GuardAll<QComboBox>(root, guard);
    GuardAll<QSlider>(root, guard);
}

}  // namespace varnex::pagekit
