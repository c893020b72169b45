// Test-only helper: starts the window over a lively simulated module, as the
// demo does, opens the status page and then the log page as a user would,
// and saves each after a few seconds. Usage: status_shots OUTDIR [CODE]: with
// a language code, the window speaks that language and the settings page
// (after a read) and the status page are saved as settings-page-CODE.png and
// status-page-CODE.png.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "status/StatusPage.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"

namespace {
bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    using namespace std::chrono_literals;
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);  // the stored language is not the user's
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString code = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(dir);

    varnex::sim::ModuleSimulator module;
    module.SetLogInterval(1500ms);
    module.SetLively(true);
    module.SetStatusReportInterval(1000ms);
    varnex::sim::SimulatedHidBackend backend(module, false);
    varnex::MainController controller(backend);
    varnex::StatusPage statusPage(controller);
    // The two windows a user clicks through at start.
    controller.execUsbConnectWindow = [](QDialog&) {};
    controller.execPasswordWindow = [](QDialog& d) { static_cast<varnex::TPwdForm&>(d).btPasswAction->click(); };
    // Tall enough for all seven groups of the status page.
    controller.window.resize(varnex::TFormMain::kInitialWidth, 760);
    controller.window.show();
    QTimer::singleShot(1000, [&] { backend.Plug(); });
    if (!PumpUntil([&] { return controller.loggedIn && module.Level() == 2; }, 10000)) qFatal("no login");

    auto& window = controller.window;
    if (!code.isEmpty()) {
        // As the user picks it in the selector.
        for (int i = 0; i < controller.languages.size(); ++i)
            if (controller.languages.at(i).code == code) window.cbLanguage->setCurrentIndex(i);
        window.cbLanguageChange();
        window.btnRead->click();
        PumpUntil([] { return false; }, 500);
        window.grab().save(dir + QStringLiteral("/settings-page-%1.png").arg(code));
    }
    window.PageControl1->setCurrentIndex(varnex::TFormMain::kStatusPage);
    PumpUntil([] { return false; }, 5000);
    if (!code.isEmpty()) {
        window.grab().save(dir + QStringLiteral("/status-page-%1.png").arg(code));
        return 0;
    }
    window.grab().save(dir + QStringLiteral("/status-page.png"));

    QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    window.PageControl1->setCurrentIndex(varnex::TFormMain::kLogPage);
    PumpUntil([] { return false; }, 8000);
    window.grab().save(dir + QStringLiteral("/log-page.png"));
    return 0;
}
