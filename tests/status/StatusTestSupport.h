#pragma once
// The main window over a simulated module with the status page's behaviour
// attached, and a data call that a second simulated module answers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/CommandProtocol.h"
#include "modem/TModem.h"
#include "sim/ModuleSimulator.h"
#include "sim/SimulatedHidBackend.h"
#include "status/StatusPage.h"
#include "ui/MainController.h"
#include "ui/PwdForm.h"
#include "support/Pump.h"
#include "support/StoredLanguage.h"

namespace varnex::testing {


// A data call that is up (or failed, with `open` false) without a modem: the
// commands go to a module simulator over an unframed link, and its replies to
// the protocol, as a call's reader thread hands them on.
class FakeCall : public TModem {
public:
    FakeCall(sim::ModuleSimulator& module, CommandProtocol& protocol)
        : TModem(Log(), nullptr, nullptr, nullptr), link(module), replies(&protocol, &CommandProtocol::OnCommandText) {
        link.receiveListeners.Add(&replies);
    }
    ~FakeCall() override {
        link.Stop();
        link.receiveListeners.Remove(&replies);
    }
    bool IsOpen() override { return open; }
    void Write(const std::uint8_t* data, std::size_t length) override {
        link.Write(data, length);
        // The carrier goes after that many writes; what was written still
        // reaches the module and its reply still comes.
        if (++writes == dropAfterWrites) open = false;
    }
    void WriteString(const std::string& text) override {
        Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }

    bool open = true;
    int dropAfterWrites = 0;

private:
    class NullLog : public ModemLogSink {
    public:
        void AppendLine(const std::wstring&) override {}
    };
    static NullLog& Log() {
        static NullLog log;
        return log;
    }

    int writes = 0;
    sim::UnframedLoopback link;
    ResponseConnection replies;
};

class StatusFixture : public ::testing::Test {
protected:
    StatusFixture() {
        testing::ForgetStoredLanguage();
        controller = std::make_unique<MainController>(backend);
        controller->execPasswordWindow = [](QDialog& d) { static_cast<TPwdForm&>(d).btPasswAction->click(); };
        controller->execUsbConnectWindow = [](QDialog& d) { d.close(); };
        // This machine's serial ports are none of these tests' business.
        controller->serialPorts = [] { return std::vector<std::string>(); };
        page = std::make_unique<StatusPage>(*controller);
    }
    ~StatusFixture() override {
        EndCall();
        page.reset();
        controller.reset();
    }

    TFormMain& W() { return controller->window; }
    QLabel* Label(const char* name) { return W().Control<QLabel>(QLatin1String(name)); }
    QLineEdit* Edit(const char* name) { return W().Control<QLineEdit>(QLatin1String(name)); }
    QProgressBar* Bar() { return W().Control<QProgressBar>(QStringLiteral("pbGsmSignal")); }
    static QColor Colour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }
    // As the user selects a page.
    void Select(int index) { W().PageControl1->setCurrentIndex(index); }

    void PlugAndLogIn() {
        backend.Plug();
        ASSERT_TRUE(PumpUntil([&] { return controller->loggedIn && module.Level() == 2; }));
        PumpFor(50);  // the login's last replies are in
    }
    // A data call to `remote`, made the command channel as the modem page does.
    FakeCall& StartCall() {
        call = std::make_unique<FakeCall>(remote, controller->protocol);
        controller->modemConnection = call.get();
        controller->protocol.SetCommandChannel(call.get());
        return *call;
    }
    void EndCall() {
        if (!call) return;
        controller->modemConnection = nullptr;
        controller->protocol.SetCommandChannel(controller->usbCommandSlot.get());
        call.reset();
    }

    sim::ModuleSimulator module;
    sim::SimulatedHidBackend backend{module, false};
    sim::ModuleSimulator remote;  // the module at the other end of a data call
    std::unique_ptr<MainController> controller;
    std::unique_ptr<StatusPage> page;
    std::unique_ptr<FakeCall> call;
};

}  // namespace varnex::testing
