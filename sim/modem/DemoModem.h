#pragma once
#include <memory>

#include "modem/SerialPortList.h"
#include "sim/ModuleSimulator.h"
#include "sim/modem/ModemSimulator.h"

namespace varnex::sim {

// What the demo dials: a module out on site behind a GSM modem on a
// pseudo-terminal. It is a module of its own, with settings of its own; the
// one on the desk behind the simulated USB cable is another. The call runs at
// 9600 bit/s, as on the air.
struct DemoModem {
    // Any number reaches the module; this one is offered on the modem page.
    static constexpr const char* kPhoneNumber = "+36209876543";

    DemoModem();
    ModuleSimulator module;
    ModemSimulator modem{module};
};

// Starts the demo modem and puts its port first among the ports the modem
// page probes, so the page lists and selects it. nullptr when no
// pseudo-terminal could be made (the ports are left as they were). Keep the
// result alive as long as the window.
std::unique_ptr<DemoModem> StartDemoModem(SerialPortProbeSource& serialPorts);

}  // namespace varnex::sim
