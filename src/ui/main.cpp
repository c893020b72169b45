#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "ui/MainController.h"
#include "usb/HidApiBackend.h"

namespace {

const char kUsage[] =
    "Usage: varnex [--demo]\n"
    "\n"
    "  --demo   work with a simulated module instead of a real one; it is\n"
    "           plugged in about a second after start (password 7402)\n";

}  // namespace

// Start-up: the main window owns everything that lives for the whole run; the
// message loop runs until it closes.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Varnex");
    bool demo = false;
    for (const QString& arg : app.arguments().mid(1)) {
        if (arg == "--demo") {
            demo = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "varnex: unknown argument '%s'\n\n%s", arg.toLocal8Bit().constData(), kUsage);
            return 2;
        }
    }

    std::unique_ptr<varnex::sim::ModuleSimulator> module;
    std::unique_ptr<varnex::HidBackend> backend;
    if (demo) {
        module = std::make_unique<varnex::sim::ModuleSimulator>();
        module->SetLogInterval(std::chrono::milliseconds(1500));
        auto simulated = std::make_unique<varnex::sim::SimulatedHidBackend>(*module, false);
        QTimer::singleShot(1000, [b = simulated.get()] { b->Plug(); });
        backend = std::move(simulated);
    } else {
        backend = std::make_unique<varnex::HidApiBackend>();
    }

    try {
        varnex::MainController controller(*backend);
        controller.window.show();
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Varnex"), QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("Varnex"), QString());
    }
    return 0;
}
