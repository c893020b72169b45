// Time from the start of the program to the main window shown (offscreen),
// and the resident memory then and after a full read. One measurement per
// run, since start-up happens once per process.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"

namespace {

double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    varnex::sim::ModuleSimulator module;
    varnex::sim::SimulatedHidBackend backend(module, false);
    varnex::MainController controller(backend);
    controller.execUsbConnectWindow = [](QDialog&) {};
    controller.execPasswordWindow = [](QDialog& d) { static_cast<varnex::TPwdForm&>(d).btPasswAction->click(); };
    controller.window.show();
    while (!controller.window.isVisible()) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const double shownMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double afterStart = ResidentMiB();

    backend.Plug();
    QElapsedTimer timer;
    timer.start();
    while (!controller.loggedIn && timer.elapsed() < 5000) QCoreApplication::processEvents();
    controller.ReadFromDevice();
    const double afterRead = ResidentMiB();
    const bool complete = controller.transfer.complete;
    // In the benchmark library's CSV form, so bench/run.sh reads it with the rest.
    std::printf("name,iterations,real_time,cpu_time,time_unit,bytes_per_second,items_per_second,label,"
                "error_occurred,error_message,\"rss_start_mib\",\"rss_read_mib\"\n");
    std::printf("\"Startup/main_window_shown\",1,%.2f,%.2f,ms,,,,%s,%s,%.1f,%.1f\n", shownMs, shownMs,
                complete ? "" : "true", complete ? "" : "\"read incomplete\"", afterStart, afterRead);
    return complete ? 0 : 1;
}
