#pragma once
// A window holding one control per catalogue row, as the main window does,
// with three items in every list so that indexes 0 to 2 are valid.
#include <QComboBox>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

#include "params/ControlCodec.h"
#include "params/ControlDesc.h"
#include "ui/RadioGroup.h"

namespace varnex::testing {

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
