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

#include "ui/ErrorDisplay.h"

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
    lbpwcRefused = Named(new QLabel(frame), "lbpwcRefused");
    lbpwcRefused->setWordWrap(true);
    lbpwcRefused->setStyleSheet(QStringLiteral("color: #b00000;"));
    lbpwcRefused->hide();
    column->addWidget(lbpwcRefused);
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
    for (QLabel* label : findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);

    // The change option has a handler; the login option has none on purpose.
    connect(rbcpw, &QRadioButton::clicked, this, [this] { rbcpwClick(); });
    // Only remembers the choice; the login option has no handler.
    connect(rbepw, &QRadioButton::toggled, this, [this](bool on) {
        if (on) changeChosen = false;
    });
    connect(cpasswordn, &QLineEdit::textChanged, this, [this] { cpasswordnChange(); });
    // The refusal was about the text that is being changed now.
    connect(cpasswordn, &QLineEdit::textChanged, lbpwcRefused, &QWidget::hide);
    connect(cpasswordnp, &QLineEdit::textChanged, this, [this] { cpasswordnChange(); });
    connect(btPasswAction, &QPushButton::clicked, this, [this] { btPasswActionClick(); });
}

void TPwdForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPwdForm::FormShow() {
    if (!owner.translate) return;
    // A text that cannot be had is shown as an error once; the window opens
    // all the same, with the captions it has.
    RunGuarded(this, [this] {
        for (QWidget* w : {static_cast<QWidget*>(rbepw), static_cast<QWidget*>(rbcpw),
                           static_cast<QWidget*>(lbLoginpw), static_cast<QWidget*>(lbpwcorig),
                           static_cast<QWidget*>(lbpwcnew1), static_cast<QWidget*>(lbpwcnew2)}) {
            const QString text = owner.translate(w->objectName());
            if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
            else if (auto* radio = qobject_cast<QRadioButton*>(w)) radio->setText(text);
        }
    });
}

void TPwdForm::rbcpwClick() {
    const bool change = rbcpw->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(gbnewpw), static_cast<QWidget*>(cpasswordn),
                       static_cast<QWidget*>(cpasswordo), static_cast<QWidget*>(cpasswordnp)})
        w->setEnabled(change);
    // Choosing the change option turns OK off until the new password is
    // confirmed; a click on the option already chosen leaves OK as it is.
    if (change && !changeChosen) btPasswAction->setEnabled(false);
    changeChosen = change;
}

void TPwdForm::cpasswordnChange() {
    // It only ever enables: a confirmation changed afterwards leaves OK on.
    if (cpasswordn->text() == cpasswordnp->text()) btPasswAction->setEnabled(true);
}

void TPwdForm::btPasswActionClick() {
    if (rbepw->isChecked()) {
        if (owner.setPassword) owner.setPassword(ppassword->text());
    } else {
        // "0" stands for "no new password" in the exchange: the module would
        // keep its password while every later login sent "0" and failed.
        if (cpasswordn->text() == QLatin1String(kNoNewPassword)) {
            RunGuarded(this, [this] {
                if (owner.translate) lbpwcRefused->setText(owner.translate(QStringLiteral("txtPasswordZero")));
            });
            lbpwcRefused->show();
            cpasswordn->setFocus();
            cpasswordn->selectAll();
            return;
        }
        if (owner.setPassword) owner.setPassword(cpasswordn->text());
        const int r = owner.sendPassword ? owner.sendPassword(cpasswordo->text(), cpasswordn->text()) : 0;
        if (r == 1 && owner.setLoggedIn) owner.setLoggedIn();
    }
    close();
}

}  // namespace varnex
