#pragma once
#include <QString>
#include <QStringList>
#include <vector>

#include "params/Catalogue.h"

class QWidget;

namespace varnex {

// One binding of a key to the window control that shows its value.
struct ControlDesc {
    QString key;
    QWidget* control;  // not owned
};

// Ordered, non-owning list of bindings. Lookups are linear on purpose: the
// lists are small and their order is the order every workflow walks.
class ControlDescList {
public:
    void Add(const QString& key, QWidget* control) { m_rows.push_back({key, control}); }
    int Count() const { return static_cast<int>(m_rows.size()); }
    const ControlDesc& At(int index) const { return m_rows.at(static_cast<size_t>(index)); }
    // First row whose key equals the text exactly; nullptr when none.
    const ControlDesc* Find(const QString& key) const;

private:
    std::vector<ControlDesc> m_rows;
};

// Binds each catalogue row to the child of root named like its control.
// A row whose control is missing, or is of the wrong class, is left out and
// its control name is appended to *problems; a complete window has none.
ControlDescList BuildParameterList(QWidget* root, QStringList* problems = nullptr);
ControlDescList BuildStatusList(QWidget* root, QStringList* problems = nullptr);

// Creates the control for a catalogue row: right class, objectName, range and
// step, and the row's initial value applied.
QWidget* CreateCatalogueControl(const ParamDef& def, QWidget* parent);
QWidget* CreateStatusControl(const StatusDef& def, QWidget* parent);

}  // namespace varnex
