#include "ui/UsbConnectForm.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ErrorDisplay.h"

namespace varnex {

TUSBConnectForm::TUSBConnectForm(QWidget* mainWindow, Owner owner) : QDialog(mainWindow), owner(std::move(owner)) {
    setObjectName("TUSBConnectForm");
    setWindowTitle("Talmeno");  // not translated
    auto* column = new QVBoxLayout(this);
    lbReconnectMessage = new QLabel("Connect the device!", this);
    lbReconnectMessage->setObjectName("lbReconnectMessage");
    QFont large = lbReconnectMessage->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    lbReconnectMessage->setFont(large);
    lbMess1 = new QLabel("If already connected, disconnect and then reconnect the USB cable!", this);
    lbMess1->setObjectName("lbMess1");
    lbMess2 = new QLabel("For offline use or modem connection please click on OK button!", this);
    lbMess2->setObjectName("lbMess2");
    for (QLabel* l : {lbReconnectMessage, lbMess1, lbMess2}) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignCenter);
        column->addWidget(l);
    }
    column->addStretch(1);
    Button1 = new QPushButton("OK", this);  // not translated
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    column->addWidget(Button1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    cbLanguage = new QComboBox(this);
    cbLanguage->setObjectName("cbLanguage");
    cbLanguage->setEditable(false);
    cbLanguage->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    bottom->addWidget(cbLanguage);
    column->addLayout(bottom);
    setFixedSize(607, 224);
    for (QLabel* label : findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);

    connect(Button1, &QPushButton::clicked, this, &QDialog::close);
    // A user's choice only; filling the list from the main window is silent.
    connect(cbLanguage, &QComboBox::activated, this, [this](int index) {
        // A language that cannot be had is shown as an error; the window goes
        // on in the language it has.
        RunGuarded(this, [this, index] {
            if (this->owner.selectLanguage) this->owner.selectLanguage(index);
        });
        RefreshTexts();
    });
}

void TUSBConnectForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RefreshTexts();
}

void TUSBConnectForm::RefreshTexts() {
    if (!owner.translate) return;
    RunGuarded(this, [this] {
        for (QLabel* l : {lbReconnectMessage, lbMess1, lbMess2}) l->setText(owner.translate(l->objectName()));
    });
}

}  // namespace varnex
