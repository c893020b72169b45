// The modem page: port, phone number, connect and disconnect, and the modem
// dialogue log that the modem connection writes.
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/FormMain.h"
#include "ui/PageKit.h"

namespace varnex {

using namespace pagekit;

QWidget* TFormMain::BuildModemPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));

    cbModemPortSel = new QComboBox;
    cbModemPortSel->setObjectName(QStringLiteral("cbModemPortSel"));
    cbModemPortSel->setEditable(false);
    cbModemPortSel->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbModemPortSel->setMinimumContentsLength(14);

    edCSDPhnr = new QLineEdit;
    edCSDPhnr->setObjectName(QStringLiteral("edCSDPhnr"));
    edCSDPhnr->setMinimumWidth(200);

    btCSDConnect = Button("btCSDConnect", QStringLiteral("Connect"));
    btCSDDisconnect = Button("btCSDDisconnect", QStringLiteral("Disconnect"));

    edATLogWin = new QPlainTextEdit;
    edATLogWin->setObjectName(QStringLiteral("edATLogWin"));
    // The dialogue is a record of what the modem said: kept as it came, in full.
    edATLogWin->setReadOnly(true);
    edATLogWin->setLineWrapMode(QPlainTextEdit::NoWrap);
    edATLogWin->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edATLogWin->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edATLogWin->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kSpacing);
    buttons->addWidget(btCSDConnect);
    buttons->addWidget(btCSDDisconnect);
    buttons->addStretch(1);

    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(kSectionSpacing, kSectionSpacing, kSectionSpacing, kSectionSpacing);
    grid->setHorizontalSpacing(kSpacing * 2);
    grid->setVerticalSpacing(kSpacing);
    grid->addWidget(Label("lbSerportSelect", QStringLiteral("Serial port:")), 0, 0);
    grid->addWidget(cbModemPortSel, 0, 1, Qt::AlignLeft);
    grid->addWidget(Label("lbModulePhoneNumber", QStringLiteral("Phone number:")), 1, 0);
    grid->addWidget(edCSDPhnr, 1, 1, Qt::AlignLeft);
    grid->addLayout(buttons, 2, 1);
    grid->addItem(new QSpacerItem(0, kSectionSpacing), 3, 0);
    grid->addWidget(Label("lbModemdetails", QStringLiteral("Modem communication details:")), 4, 0, 1, 3);
    grid->addWidget(edATLogWin, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);
    return page;
}

}  // namespace varnex
