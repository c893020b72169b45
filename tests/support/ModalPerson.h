#pragma once
// Answers the program's modal windows as a person would, from a timer that
// runs in whatever event loop is current: OK in the password window; the
// connect window is left to the login, which closes it, unless it has come on
// top of a password window (then it is noted and closed, so that the run
// ends). `seen` holds the windows met, in order, a window once however long it
// stays.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "ui/PwdForm.h"
#include "ui/UsbConnectForm.h"

namespace varnex::testing {

class ModalPerson {
public:
    ModalPerson() {
        QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
        timer.start(2);
    }
    std::vector<std::string> seen;

    int PasswordWindows() const { return static_cast<int>(std::count(seen.begin(), seen.end(), "password")); }
    // One password window, and nothing after it.
    bool StraightToTheLogin() const { return PasswordWindows() == 1 && seen.back() == "password"; }
    std::string Order() const {
        std::string order;
        for (const auto& s : seen) order += s + " ";
        return order;
    }

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* password = qobject_cast<TPwdForm*>(modal)) {
            seen.push_back("password");
            password->btPasswAction->click();
        } else if (auto* connect = qobject_cast<TUSBConnectForm*>(modal)) {
            if (seen.empty() || seen.back() != "connect") seen.push_back("connect");
            if (PasswordWindows() > 0) connect->Button1->click();
        }
    }
    QTimer timer;
};

}  // namespace varnex::testing
