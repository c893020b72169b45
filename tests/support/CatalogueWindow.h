#pragma once
// A window holding one control per catalogue row, as the main window does,
// with three items in every list so that indexes 0 to 2 are valid.
#include <QComboBox>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>

#include "params/ControlCodec.h"
#include "params/ControlDesc.h"
#include "ui/RadioGroup.h"

namespace varnex::testing {

// A value of the row's kind that differs from its default, as UTF-8.
inline std::string OtherValue(const ParamDef& row) {
    switch (row.kind) {
        case ControlKind::CheckBox: return row.defaultValue == "0" ? "1" : "0";
        case ControlKind::ComboBox:
        case ControlKind::RadioGroup: return row.defaultValue == "2" ? "1" : "2";
        case ControlKind::SpinEdit:
        case ControlKind::TrackBar:
            return std::to_string(row.defaultValue == std::to_string(row.maximum) ? row.minimum : row.maximum);
        default: return row.control + " őž";
    }
}

class CatalogueWindow {
public:
    CatalogueWindow() {
        for (const auto& row : ParameterCatalogue()) {
            QWidget* control = CreateCatalogueControl(row, &root);
            if (auto* combo = qobject_cast<QComboBox*>(control)) combo->addItems({"a", "b", "c"});
            if (auto* group = qobject_cast<RadioGroup*>(control)) group->setItems({"a", "b", "c"});
            SetControlValue(control, QString::fromStdString(row.defaultValue));
        }
        QStringList problems;
        parameters = BuildParameterList(&root, &problems);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(",").toStdString();
    }
    QWidget* Control(const std::string& name) { return root.findChild<QWidget*>(QString::fromStdString(name)); }
    QString Value(const std::string& name) { return GetControlValue(Control(name)); }
    void SetValue(const std::string& name, const QString& value) { SetControlValue(Control(name), value); }

    QWidget root;
    ControlDescList parameters;
};

}  // namespace varnex::testing
