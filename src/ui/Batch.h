#pragma once
#include <ostream>

#include "ui/BatchArguments.h"

#include "usb/HidBackend.h"

namespace varnex {

class MainController;

// Runs the steps in order on the window's own code paths, the window never
// shown and no modal window opened. Progress and one line per step go to
// `err`, the status values of a status step to `out`.
int RunBatch(MainController& controller, const BatchOptions& options, std::ostream& out, std::ostream& err,
             int moduleWaitMs = 5000);

// A system without HID devices: what a run that needs no module uses.
class NoHidBackend : public HidBackend {
public:
    std::vector<HidDeviceInfo> Enumerate() override { return {}; }
    int OpenPath(const std::string&, bool) override { return kInvalidHandle; }
    bool WriteReport(int, const std::uint8_t*, std::size_t) override { return false; }
    int ReadReport(int, std::uint8_t*, std::size_t, int) override { return -1; }
    void CloseHandle(int) override {}
};

}  // namespace varnex
