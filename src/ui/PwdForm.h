#pragma once
#include <QDialog>
#include <QString>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace varnex {

// The password window: confirm the password for the login that follows, or
// change the module's password first. It only collects; the main window's
// callbacks take the password, send a change, and note a good login.
class TPwdForm : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kDefaultPassword = "7402";
    // The new password that means "log in, change nothing".
    static constexpr const char* kNoNewPassword = "0";

    struct Owner {
        std::function<void(const QString&)> setPassword;
        // SendPassword(old, new) for a change; 1 when the module took it.
        std::function<int(const QString&, const QString&)> sendPassword;
        std::function<void()> setLoggedIn;
        std::function<QString(const QString& key)> translate;
    };

    TPwdForm(QWidget* mainWindow, Owner owner);

    QRadioButton* rbepw;
    QLabel* lbLoginpw;
    QLineEdit* ppassword;
    QRadioButton* rbcpw;
    QGroupBox* gbnewpw;
    QLabel* lbpwcorig;
    QLineEdit* cpasswordo;
    QLabel* lbpwcnew1;
    QLineEdit* cpasswordn;
    QLabel* lbpwcnew2;
    QLineEdit* cpasswordnp;
    QPushButton* btPasswAction;
    // Says why OK did not take the new password; hidden until then.
    QLabel* lbpwcRefused;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void rbcpwClick();
    void cpasswordnChange();
    void btPasswActionClick();

    Owner owner;
    // The change option was already chosen before the latest click on it.
    bool changeChosen = false;
};

}  // namespace varnex
