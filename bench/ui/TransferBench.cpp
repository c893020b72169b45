// A full read and a full write of the 205 settings through the whole stack:
// the main window offscreen, the protocol, the slots, the USB connection and
// its reader thread, and the simulated device answering at once.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"

namespace {

using namespace varnex;

struct Stack {
    Stack() : backend(module, true), controller(backend) {
        controller.execPasswordWindow = [](QDialog& d) { static_cast<TPwdForm&>(d).btPasswAction->click(); };
        QElapsedTimer timer;
        timer.start();
        while (!controller.loggedIn && timer.elapsed() < 5000) QCoreApplication::processEvents();
    }
    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend;
    MainController controller;
};

void BM_FullRead(benchmark::State& state) {
    Stack stack;
    for (auto _ : state) stack.controller.ReadFromDevice();
    if (!stack.controller.transfer.complete) state.SkipWithError("read incomplete");
}

void BM_FullWrite(benchmark::State& state) {
    Stack stack;
    for (auto _ : state) stack.controller.WriteToDevice();
    if (!stack.controller.transfer.complete) state.SkipWithError("write incomplete");
}

BENCHMARK(BM_FullRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
