#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <memory>

#include "link/Codepage.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "sim/modem/DemoModem.h"
#include "status/StatusPage.h"
#include "ui/Batch.h"
#include "ui/MainController.h"
#include "usb/HidApiBackend.h"

namespace {

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
    // The command line is checked before the toolkit starts, so that help,
    // the version and a usage error need no display.
    QStringList raw;
    for (int i = 1; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
    varnex::CommandLine line = varnex::ParseCommandLine(varnex::WithoutToolkitOptions(raw));
    switch (line.action) {
        case varnex::CommandLine::Action::Help:
            std::fputs(varnex::kBatchUsageText, stdout);
            return 0;
        case varnex::CommandLine::Action::Version:
            std::printf("varnex %s\n", VARNEX_VERSION);
            return 0;
        case varnex::CommandLine::Action::Usage:
            std::fprintf(stderr, "varnex: %s\n\n%s", line.error.toLocal8Bit().constData(), varnex::kBatchUsageText);
            return varnex::kBatchUsage;
        case varnex::CommandLine::Action::Window:
        case varnex::CommandLine::Action::Batch:
            break;
    }
    const bool batch = line.action == varnex::CommandLine::Action::Batch;
    // Batch mode needs no display.
    if (batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Varnex");
    QApplication::setApplicationVersion(QStringLiteral(VARNEX_VERSION));

    // What the toolkit left is checked again: an option it did not take is ours to refuse.
    line = varnex::ParseCommandLine(app.arguments().mid(1));
    if (line.action == varnex::CommandLine::Action::Usage) {
        std::fprintf(stderr, "varnex: %s\n\n%s", line.error.toLocal8Bit().constData(), varnex::kBatchUsageText);
        return varnex::kBatchUsage;
    }
    const bool demo = line.demo;
    varnex::BatchOptions& options = line.batch;

    try {
        std::unique_ptr<varnex::sim::ModuleSimulator> module;
        std::unique_ptr<varnex::HidBackend> backend;
        if (batch && (!options.NeedsModule() || !options.modemPort.isEmpty())) {
            backend = std::make_unique<varnex::NoHidBackend>();
        } else if (demo) {
            module = std::make_unique<varnex::sim::ModuleSimulator>();
            module->SetLogInterval(std::chrono::milliseconds(1500));
            SetUpDemoModule(*module);
            if (!batch) {
                module->SetLively(true);
                module->SetStatusReportInterval(std::chrono::milliseconds(1000));
            }
            auto simulated = std::make_unique<varnex::sim::SimulatedHidBackend>(*module, batch);
            if (!batch) QTimer::singleShot(1000, [b = simulated.get()] { b->Plug(); });
            backend = std::move(simulated);
        } else {
            backend = std::make_unique<varnex::HidApiBackend>();
        }

        std::unique_ptr<varnex::sim::DemoModem> demoModem;
        varnex::MainController controller(
            *backend, batch ? varnex::MainController::Run::Unattended : varnex::MainController::Run::Window);
        varnex::StatusPage statusPage(controller);
        // The demo also lists a simulated GSM modem that answers for a module.
        if (demo && !batch) {
            demoModem = varnex::sim::StartDemoModem(controller.serialPorts);
            if (demoModem) controller.window.edCSDPhnr->setText(varnex::sim::DemoModem::kPhoneNumber);
        }
        if (batch) {
            for (const auto& query : varnex::StatusPage::kRemoteQueries)
                options.remoteStatusKeys << QString::fromLatin1(query.key);
            return varnex::RunBatch(controller, options, std::cout, std::cerr);
        }
        controller.window.show();
        return app.exec();
    } catch (const std::exception& e) {
        if (batch) {
            std::fprintf(stderr, "varnex: %s\n", e.what());
            return varnex::kBatchStepFailed;
        }
        QMessageBox::critical(nullptr, QStringLiteral("Varnex"), QString::fromUtf8(e.what()));
    } catch (...) {
        if (batch) {
            std::fprintf(stderr, "varnex: an unexpected error\n");
            return varnex::kBatchStepFailed;
        }
        QMessageBox::critical(nullptr, QStringLiteral("Varnex"), QString());
    }
    // The program could not start or run: say so to whoever started it.
    return 1;
}
