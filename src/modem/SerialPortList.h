#pragma once
#include <functional>
#include <string>
#include <vector>

namespace varnex {

// The modem page's port choice: the ports that opened, in probing order, and
// the index to select (the first; -1 when the list is empty).
struct SerialPortList {
    std::vector<std::string> names;
    int selected = -1;
};

// Gives the device paths to probe, in the order they are to be listed.
using SerialPortProbeSource = std::function<std::vector<std::string>()>;

// "ttyS2" before "ttyS10": runs of digits compare by their value.
bool NaturalLess(const std::string& a, const std::string& b);

// This platform's serial device nodes in `directory`: ttyS*, then ttyUSB*,
// then ttyACM*, each family in natural order.
std::vector<std::string> SerialPortCandidates(const std::string& directory = "/dev");

// Opens each candidate in turn at 9600 bit/s without parity and lists those
// that open; a port that does not open (missing, not a terminal, held by
// another program or by our own modem call) is left out.
SerialPortList RefreshSerialPortList(const SerialPortProbeSource& source);
SerialPortList RefreshSerialPortList();

}  // namespace varnex
