#pragma once
#include <QDialog>
#include <QString>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace varnex {

// The greeting shown when the main window opens: connect the module, or go
// on without one. Its language selector switches the whole program.
class TUSBConnectForm : public QDialog {
    Q_OBJECT
public:
    struct Owner {
        std::function<QString(const QString& key)> translate;
        // SelectLanguage with the code of the main window's entry at this position.
        std::function<void(int index)> selectLanguage;
    };

    TUSBConnectForm(QWidget* mainWindow, Owner owner);

    void RefreshTexts();

    QLabel* lbReconnectMessage;
    QLabel* lbMess1;
    QLabel* lbMess2;
    QPushButton* Button1;
    QComboBox* cbLanguage;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Owner owner;
};

}  // namespace varnex
