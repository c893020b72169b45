#include "sim/modem/DemoModem.h"

#include <string>
#include <utility>
#include <vector>

namespace varnex::sim {

DemoModem::DemoModem() {
    // Set up differently from the module on the desk, so a read over the
    // call shows where its values came from. Wire text is Windows-1250.
    const std::pair<const char*, const char*> values[] = {
        {"CALL:USER1.PN", "+36305550101"},
        {"CALL:USER2.PN", "+36305550102"},
        {"CALL:USER1.NMOD", "1"},
        {"EVH:Z1A.T1", "1"},
        {"EVH:Z1A.S2", "1"},
        {"SMS:Z1A.SMS", "Riaszt\xE1s: rakt\xE1r"},
        {"SMS:Z1R.SMS", "Rakt\xE1r rendben"},
    };
    for (const auto& [key, value] : values)
        if (module.HasParameter(key)) module.SetParameterValue(key, value);
}

std::unique_ptr<DemoModem> StartDemoModem(SerialPortProbeSource& serialPorts) {
    auto demo = std::make_unique<DemoModem>();
    const std::string port = demo->modem.PortName();
    if (port.empty()) return nullptr;
    SerialPortProbeSource others = serialPorts;
    serialPorts = [others = std::move(others), port] {
        std::vector<std::string> ports{port};
        if (others)
            for (auto& p : others()) ports.push_back(std::move(p));
        return ports;
    };
    return demo;
}

}  // namespace varnex::sim
