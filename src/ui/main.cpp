#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "link/Codepage.h"
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

// A module as an installer finds it on site: a few numbers and texts set.
void SetUpDemoModule(varnex::sim::ModuleSimulator& module) {
    const std::pair<const char*, const wchar_t*> values[] = {
        {"CALL:USER1.PN", L"+36301234567"},      {"CALL:USER2.PN", L"+36709876543"},
        {"CALL:USER1.NMOD", L"1"},               {"EVH:Z1A.T1", L"1"},
        {"EVH:Z1A.S1", L"1"},                    {"EVH:Z1R.S1", L"1"},
        {"SMS:Z1A.SMS", L"Riasztás: bejárati ajtó"}, {"SMS:Z1R.SMS", L"Bejárati ajtó rendben"},
        {"EVH:BATTA.S2", L"1"},                  {"CALL:SUNR1.PN", L"+36201112233"},
    };
    for (const auto& [key, value] : values)
        if (module.HasParameter(key)) module.SetParameterValue(key, varnex::EncodeAnsi(value));
}

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
        SetUpDemoModule(*module);
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
