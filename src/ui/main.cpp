#include <QApplication>

#include "ui/FormMain.h"

// Start-up: the main window owns everything that lives for the whole run; the
// message loop runs until it closes.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Varnex");
    varnex::TFormMain window;
    window.show();
    return app.exec();
}
