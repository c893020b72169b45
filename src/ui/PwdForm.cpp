#include "ui/PwdForm.h"

#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace varnex {
namespace {

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

TPwdForm::TPwdForm(QWidget* mainWindow, Owner owner) : QDialog(mainWindow), owner(std::move(owner)) {
    setObjectName("TPwdForm");
    setWindowTitle("Password");
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    QFont bold = font;
    bold.setPixelSize(13);
    bold.setBold(true);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame);
    auto* column = new QVBoxLayout(frame);

    rbepw = Named(new QRadioButton("Login", frame), "rbepw");
    rbepw->setChecked(true);
    column->addWidget(rbepw);
    auto* loginRow = new QHBoxLayout;
    lbLoginpw = Named(new QLabel("Password:", frame), "lbLoginpw");
    ppassword = Named(new QLineEdit(frame), "ppassword");
    ppassword->setText(kDefaultPassword);
    loginRow->addWidget(lbLoginpw);
    loginRow->addWidget(ppassword, 1);
    column->addLayout(loginRow);

    rbcpw = Named(new QRadioButton("Change password", frame), "rbcpw");
    column->addWidget(rbcpw);
    gbnewpw = Named(new QGroupBox(frame), "gbnewpw");
    auto* form = new QFormLayout(gbnewpw);
    lbpwcorig = Named(new QLabel("Original password:", gbnewpw), "lbpwcorig");
    cpasswordo = Named(new QLineEdit(gbnewpw), "cpasswordo");
    lbpwcnew1 = Named(new QLabel("New password:", gbnewpw), "lbpwcnew1");
    cpasswordn = Named(new QLineEdit(gbnewpw), "cpasswordn");
    lbpwcnew2 = Named(new QLabel("Confirm new password:", gbnewpw), "lbpwcnew2");
    cpasswordnp = Named(new QLineEdit(gbnewpw), "cpasswordnp");
    form->addRow(lbpwcorig, cpasswordo);
    form->addRow(lbpwcnew1, cpasswordn);
    form->addRow(lbpwcnew2, cpasswordnp);
    column->addWidget(gbnewpw);
    for (QWidget* w : {static_cast<QWidget*>(gbnewpw), static_cast<QWidget*>(cpasswordo),
                       static_cast<QWidget*>(cpasswordn), static_cast<QWidget*>(cpasswordnp)})
        w->setEnabled(false);
    for (QLabel* l : {lbLoginpw, lbpwcorig, lbpwcnew1, lbpwcnew2}) l->setFont(bold);

    btPasswAction = Named(new QPushButton("OK", frame), "btPasswAction");
    btPasswAction->setDefault(true);
    btPasswAction->setAutoDefault(true);
    column->addStretch(1);
    column->addWidget(btPasswAction);
    resize(440, 383);

    // The change option has a handler; the login option has none on purpose.
    connect(rbcpw, &QRadioButton::clicked, this, [this] { rbcpwClick(); });
    connect(cpasswordn, &QLineEdit::textChanged, this, [this] { cpasswordnChange(); });
    connect(cpasswordnp, &QLineEdit::textChanged, this, [this] { cpasswordnChange(); });
    connect(btPasswAction, &QPushButton::clicked, this, [this] { btPasswActionClick(); });
}

void TPwdForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPwdForm::FormShow() {
    if (!owner.translate) return;
    for (QWidget* w : {static_cast<QWidget*>(rbepw), static_cast<QWidget*>(rbcpw),
                       static_cast<QWidget*>(lbLoginpw), static_cast<QWidget*>(lbpwcorig),
                       static_cast<QWidget*>(lbpwcnew1), static_cast<QWidget*>(lbpwcnew2)}) {
        const QString text = owner.translate(w->objectName());
        if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
        else if (auto* radio = qobject_cast<QRadioButton*>(w)) radio->setText(text);
    }
}

void TPwdForm::rbcpwClick() {
    const bool change = rbcpw->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(gbnewpw), static_cast<QWidget*>(cpasswordn),
                       static_cast<QWidget*>(cpasswordo), static_cast<QWidget*>(cpasswordnp)})
        w->setEnabled(change);
    if (change) btPasswAction->setEnabled(false);
}

void TPwdForm::cpasswordnChange() {
    // It only ever enables: a confirmation changed afterwards leaves OK on.
    if (cpasswordn->text() == cpasswordnp->text()) btPasswAction->setEnabled(true);
}

void TPwdForm::btPasswActionClick() {
    if (rbepw->isChecked()) {
        if (owner.setPassword) owner.setPassword(ppassword->text());
    } else {
        if (owner.setPassword) owner.setPassword(cpasswordn->text());
        const int r = owner.sendPassword ? owner.sendPassword(cpasswordo->text(), cpasswordn->text()) : 0;
        if (r == 1 && owner.setLoggedIn) owner.setLoggedIn();
    }
    close();
}

}  // namespace varnex
