// Renders the modem page after a call to the demo modem, as the demo shows
// it: dialled, logged in, the settings read over the call.
// Usage: modem_page_shot OUT.png
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "sim/modem/DemoModem.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"
#include "ui/RemoteConnection.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("modem-page.png");

    varnex::sim::ModuleSimulator desk;
    varnex::sim::SimulatedHidBackend backend(desk, false);  // nothing on the desk: the call is the only link
    varnex::MainController controller(backend);
    auto demo = varnex::sim::StartDemoModem(controller.serialPorts);
    if (!demo) {
        std::fputs("no pseudo-terminal for the demo modem\n", stderr);
        return 1;
    }
    varnex::ModemPage page(controller);
    controller.execUsbConnectWindow = [](QDialog&) {};
    controller.execPasswordWindow = [](QDialog& d) { static_cast<varnex::TPwdForm&>(d).btPasswAction->click(); };
    controller.window.edCSDPhnr->setText(varnex::sim::DemoModem::kPhoneNumber);
    controller.window.resize(varnex::TFormMain::kInitialWidth, varnex::TFormMain::kInitialHeight);
    controller.window.show();

    int status = 0;
    QTimer::singleShot(300, [&] {
        controller.window.PageControl1->setCurrentIndex(varnex::TFormMain::kModemPage);
        controller.window.btCSDConnect->click();
        if (page.CurrentPhase() != varnex::ModemPage::Phase::Connected) {
            std::fputs("the demo call did not connect\n", stderr);
            status = 1;
        } else {
            controller.window.btnRead->click();
        }
        controller.window.PageControl1->setCurrentIndex(varnex::TFormMain::kModemPage);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!controller.window.grab().save(out)) status = 1;
        controller.window.btCSDDisconnect->click();
        app.quit();
    });
    app.exec();
    return status;
}
