#include "ui/ErrorDisplay.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <exception>

namespace varnex {
namespace {

ErrorDisplay& Display() {
    static ErrorDisplay display;
    return display;
}

void ShowMessageBox(QWidget* parent, const QString& message) {
    const QString title = parent ? parent->window()->windowTitle() : QApplication::applicationName();
    QMessageBox box(QMessageBox::Critical, title, message, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // an error may quote a file's text
    box.exec();
}

}  // namespace

ErrorDisplay SetErrorDisplay(ErrorDisplay display) {
    ErrorDisplay previous = std::move(Display());
    Display() = std::move(display);
    return previous;
}

void ShowError(QWidget* parent, const QString& message) {
    if (Display()) Display()(parent, message);
    else ShowMessageBox(parent, message);
}

bool RunGuarded(QWidget* parent, const std::function<void()>& action) {
    if (!action) return true;
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        ShowError(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        // Anything thrown that is not an exception shows with an empty message.
        ShowError(parent, QString());
    }
    return false;
}

}  // namespace varnex
