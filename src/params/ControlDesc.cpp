#include "params/ControlDesc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QtGlobal>
#include <cstring>

#include "params/ControlCodec.h"
#include "ui/RadioGroup.h"
#include "ui/SpinEdit.h"

namespace varnex {

const ControlDesc* ControlDescList::Find(const QString& key) const {
    for (const auto& row : m_rows)
        if (row.key == key) return &row;
    return nullptr;
}

namespace {

template <typename Row>
ControlDescList Bind(QWidget* root, const std::vector<Row>& rows, QStringList* problems) {
    ControlDescList list;
    for (const auto& row : rows) {
        const QString name = QString::fromStdString(row.control);
        QWidget* control = root ? root->findChild<QWidget*>(name) : nullptr;
        if (!control || std::strcmp(control->metaObject()->className(), ClassNameFor(row.kind)) != 0) {
            // The window is built from the same catalogue, so this is a bug, not input.
            qWarning("catalogue control %s missing or of the wrong class", qPrintable(name));
            if (problems) problems->append(name);
            continue;
        }
        list.Add(QString::fromStdString(row.key), control);
    }
    return list;
}

QWidget* CreateOfKind(ControlKind kind, QWidget* parent) {
    switch (kind) {
        case ControlKind::Label: return new QLabel(parent);
        case ControlKind::Edit: return new QLineEdit(parent);
        case ControlKind::SpinEdit: return new SpinEdit(parent);
        case ControlKind::CheckBox: return new QCheckBox(parent);
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            // The window's own texts; the language tables supply the full set.
            combo->addItems({QStringLiteral("no ack., # = Stop"), QStringLiteral("* = ack., # = Stop")});
            return combo;
        }
        case ControlKind::TrackBar: return new QSlider(Qt::Horizontal, parent);
        case ControlKind::RadioGroup: return new RadioGroup(parent);
    }
    return nullptr;
}

}  // namespace

ControlDescList BuildParameterList(QWidget* root, QStringList* problems) {
    return Bind(root, ParameterCatalogue(), problems);
}

ControlDescList BuildStatusList(QWidget* root, QStringList* problems) {
    return Bind(root, StatusCatalogue(), problems);
}

QWidget* CreateCatalogueControl(const ParamDef& def, QWidget* parent) {
    QWidget* control = CreateOfKind(def.kind, parent);
    control->setObjectName(QString::fromStdString(def.control));
    if (auto* spin = qobject_cast<SpinEdit*>(control)) {
        spin->setRange(def.minimum, def.maximum);
        spin->setSingleStep(def.step);
    } else if (auto* slider = qobject_cast<QSlider*>(control)) {
        slider->setRange(def.minimum, def.maximum);
        slider->setSingleStep(def.step);
    }
    SetControlValue(control, QString::fromStdString(def.defaultValue));
    return control;
}

QWidget* CreateStatusControl(const StatusDef& def, QWidget* parent) {
    QWidget* control = CreateOfKind(def.kind, parent);
    control->setObjectName(QString::fromStdString(def.control));
    return control;
}

}  // namespace varnex
