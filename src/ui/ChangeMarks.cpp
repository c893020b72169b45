#include "ui/ChangeMarks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <cstring>
#include <memory>
#include <vector>

#include "lang/Texts.h"
#include "params/ControlCodec.h"
#include "params/Catalogue.h"
#include "params/ModuleRecord.h"
#include "ui/ErrorDisplay.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"

namespace varnex {
namespace {

// Blue: apart from the red of an invalid code, and the bar's presence says it
// where colour cannot.
const QColor kMarkColour(31, 111, 209);
constexpr int kBarWidth = 3;

bool IsClass(const QObject* object, const char* name) { return std::strcmp(object->metaObject()->className(), name) == 0; }

// Controls whose value shows as text: marked in bold as well.
bool ShowsText(const QWidget* control) {
    return IsClass(control, "QLineEdit") || IsClass(control, "varnex::SpinEdit");
}

}  // namespace

ChangeMarks::ChangeMarks(const ControlDescList& parameters, ModuleRecord& record, QLabel* summary)
    : parameters(parameters), record(record), summary(summary) {
    for (int i = 0; i < parameters.Count(); ++i) {
        const ControlDesc& row = parameters.At(i);
        QWidget* c = row.control;
        // The signals that fire on every change, the program's as the user's.
        auto update = [this, i] { Update(this->parameters.At(i)); };
        if (IsClass(c, "QLineEdit")) connect(static_cast<QLineEdit*>(c), &QLineEdit::textChanged, this, update);
        else if (IsClass(c, "varnex::SpinEdit")) connect(static_cast<SpinEdit*>(c), &SpinEdit::textChanged, this, update);
        else if (IsClass(c, "QCheckBox")) connect(static_cast<QCheckBox*>(c), &QCheckBox::toggled, this, update);
        else if (IsClass(c, "QComboBox"))
            connect(static_cast<QComboBox*>(c), &QComboBox::currentIndexChanged, this, update);
        else if (IsClass(c, "QSlider")) connect(static_cast<QSlider*>(c), &QSlider::valueChanged, this, update);
        else if (IsClass(c, "varnex::RadioGroup"))
            connect(static_cast<RadioGroup*>(c), &RadioGroup::itemIndexChanged, this, update);
        // Hidden holders have no menu to show.
        if (row.control->objectName().startsWith(QLatin1Char('_'))) continue;
        c->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(c, &QWidget::customContextMenuRequested, this, [this, c](const QPoint& at) { ContextMenu(c, at); });
    }
    record.changed = [this](const std::wstring& key) {
        if (key.empty()) return Refresh();
        if (const ControlDesc* row = this->parameters.Find(QString::fromStdWString(key))) Update(*row);
        ShowCount();
    };
    Refresh();
}

ChangeMarks::~ChangeMarks() { record.changed = nullptr; }

const ControlDesc* ChangeMarks::RowOf(const QWidget* control) const {
    for (int i = 0; i < parameters.Count(); ++i)
        if (parameters.At(i).control == control) return &parameters.At(i);
    return nullptr;
}

void ChangeMarks::Revert(QWidget* control) {
    const ControlDesc* row = RowOf(control);
    if (!row) return;
    if (const std::wstring* known = record.Value(row->key.toStdWString()))
        SetControlValue(control, QString::fromStdWString(*known));
}

void ChangeMarks::RevertAll() {
    // A copy: each revert unmarks its control.
    std::vector<QWidget*> marked;
    for (int i = 0; i < parameters.Count(); ++i)
        if (IsMarked(parameters.At(i).control)) marked.push_back(parameters.At(i).control);
    for (QWidget* control : marked) Revert(control);
}

void ChangeMarks::RestoreDefault(QWidget* control) {
    const ControlDesc* row = RowOf(control);
    if (!row) return;
    if (const ParamDef* def = FindParameter(row->key.toStdString()))
        SetControlValue(control, QString::fromStdString(def->defaultValue));
}

void ChangeMarks::ContextMenu(QWidget* control, const QPoint& at) {
    // An edit keeps its own menu (cut, copy, paste), with ours after it.
    std::unique_ptr<QMenu> menu;
    if (IsClass(control, "QLineEdit")) menu.reset(static_cast<QLineEdit*>(control)->createStandardContextMenu());
    else menu = std::make_unique<QMenu>();
    if (!menu->isEmpty()) menu->addSeparator();
    QAction* revert = menu->addAction(Text("mnuRevert"));
    revert->setEnabled(IsMarked(control));
    QAction* restore = menu->addAction(Text("mnuRestoreDefault"));
    QAction* chosen = menu->exec(control->mapToGlobal(at));
    // The menu's own actions have done their work; ours run on the window.
    RunGuarded(control->window(), [&] {
        if (chosen == revert) Revert(control);
        else if (chosen == restore) RestoreDefault(control);
    });
}

void ChangeMarks::Refresh() {
    for (int i = 0; i < parameters.Count(); ++i) Update(parameters.At(i));
    ShowCount();
}

void ChangeMarks::Update(const ControlDesc& row) {
    const std::wstring* known = record.Value(row.key.toStdWString());
    const QString value = GetControlValue(row.control);
    if (known && *known != value.toStdWString()) Mark(row.control, QString::fromStdWString(*known));
    else Unmark(row.control);
    ShowCount();
}

void ChangeMarks::Mark(QWidget* control, const QString& moduleValue) {
    const QString tip = Text("txtModuleHolds").arg(moduleValue.isEmpty() ? QStringLiteral("\"\"") : moduleValue);
    if (m_marked.count(control)) {
        control->setToolTip(tip);
        return;
    }
    auto* bar = new QFrame(control->parentWidget());
    bar->setObjectName(control->objectName() + QStringLiteral("_changed"));
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, kMarkColour);
    bar->setPalette(palette);
    bar->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_marked[control] = bar;
    m_tooltips[control] = control->toolTip();
    control->setToolTip(tip);
    if (ShowsText(control)) {
        QFont font = control->font();
        font.setBold(true);
        control->setFont(font);
    }
    control->installEventFilter(this);
    PlaceBar(control);
}

void ChangeMarks::Unmark(QWidget* control) {
    const auto it = m_marked.find(control);
    if (it == m_marked.end()) return;
    delete it->second;
    m_marked.erase(it);
    control->removeEventFilter(this);
    control->setToolTip(m_tooltips[control]);
    m_tooltips.erase(control);
    if (ShowsText(control)) {
        QFont font = control->font();
        font.setBold(false);
        control->setFont(font);
    }
}

void ChangeMarks::PlaceBar(QWidget* control) {
    const auto it = m_marked.find(control);
    if (it == m_marked.end()) return;
    QWidget* bar = it->second;
    const QRect g = control->geometry();
    bar->setGeometry(g.left() - kBarWidth - 1, g.top(), kBarWidth, g.height());
    bar->setVisible(control->isVisible());
    bar->raise();
}

bool ChangeMarks::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: PlaceBar(static_cast<QWidget*>(watched)); break;
        default: break;
    }
    return QObject::eventFilter(watched, event);
}

void ChangeMarks::ShowCount() {
    if (revertAllButton) revertAllButton->setEnabled(Count() > 0);
    if (!summary) return;
    const int count = Count();
    QString text;
    if (record.state() == ModuleRecord::State::Unknown) text = Text("txtModuleValuesUnknown");
    else if (count == 0) text = Text("txtNoChanges");
    else if (count == 1) text = Text("txtSettingDiffersOne");
    else text = Text("txtSettingsDiffer").arg(count);
    summary->setText(text);
}

}  // namespace varnex
