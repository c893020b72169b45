#pragma once
#include <QObject>
#include <QString>
#include <map>

#include "params/ControlDesc.h"

class QLabel;
class QWidget;

namespace varnex {

class ModuleRecord;

// Marks every control whose value differs from what the module is known to
// hold, live as the user edits or a file opens: a bar beside the control (and
// its value in bold, where it shows one) that does not rest on colour alone,
// and a tooltip with the module's value. A label in the status bar counts
// them, or says that the module's values are not known.
class ChangeMarks : public QObject {
    Q_OBJECT
public:
    ChangeMarks(const ControlDescList& parameters, ModuleRecord& record, QLabel* summary);
    ~ChangeMarks() override;

    // Every control again, and the count.
    void Refresh();

    // Each sets the control through the codec, so the setting rules follow
    // as for any change. Revert gives it the module's value (when known),
    // RestoreDefault the catalogue's default; RevertAll reverts every mark.
    void Revert(QWidget* control);
    void RevertAll();
    void RestoreDefault(QWidget* control);

    // Enabled while anything is marked.
    QWidget* revertAllButton = nullptr;
    int Count() const { return static_cast<int>(m_marked.size()); }
    bool IsMarked(const QWidget* control) const { return m_marked.count(control) > 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update(const ControlDesc& row);
    void Mark(QWidget* control, const QString& moduleValue);
    void Unmark(QWidget* control);
    void PlaceBar(QWidget* control);
    void ShowCount();
    void ContextMenu(QWidget* control, const QPoint& at);
    const ControlDesc* RowOf(const QWidget* control) const;

    const ControlDescList& parameters;
    ModuleRecord& record;
    QLabel* summary;
    std::map<const QWidget*, QWidget*> m_marked;  // control, its bar
    std::map<const QWidget*, QString> m_tooltips;  // what the control said before it was marked
};

}  // namespace varnex
