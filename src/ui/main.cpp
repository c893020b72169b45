#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstring>
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
    bool batch = false;
    for (int i = 1; i < argc; ++i) batch = batch || std::strcmp(argv[i], "--batch") == 0;
    // Batch mode needs no display.
    if (batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Varnex");

    bool demo = false;
    varnex::BatchOptions options;
    QStringList rest = app.arguments().mid(1);
    if (rest.contains("--help") || rest.contains("-h")) {
        std::fputs(varnex::kBatchUsageText, stdout);
        return 0;
    }
    if (batch) {
        rest.removeAll("--batch");
        QString error;
        if (!varnex::ParseBatchArguments(rest, &options, &error)) {
            std::fprintf(stderr, "varnex: %s\n\n%s", error.toLocal8Bit().constData(), varnex::kBatchUsageText);
            return varnex::kBatchUsage;
        }
        demo = options.demo;
    } else {
        for (const QString& arg : rest) {
            if (arg != "--demo") {
                std::fprintf(stderr, "varnex: unknown argument '%s'\n\n%s", arg.toLocal8Bit().constData(),
                             varnex::kBatchUsageText);
                return varnex::kBatchUsage;
            }
            demo = true;
        }
    }

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

    try {
        std::unique_ptr<varnex::sim::DemoModem> demoModem;
        varnex::MainController controller(*backend);
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
        if (!batch) QMessageBox::critical(nullptr, QStringLiteral("Varnex"), QString());
    }
    return 0;
}
