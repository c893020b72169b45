#include "modem/ModemClock.h"

#include <algorithm>
#include <thread>

#include "modem/Tserial.h"

namespace varnex {
namespace {

class SteadyClock : public ModemClock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void Pause(std::chrono::milliseconds length) override { std::this_thread::sleep_for(length); }
    void WaitForInput(Tserial& port, TimePoint until, const std::function<void()>& keepAlive) override {
        using std::chrono::microseconds;
        for (;;) {
            if (keepAlive) keepAlive();
            const auto now = Now();
            if (now >= until || port.LineGone()) return;
            const auto slice = std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(1), until - now);
            if (port.WaitForBytes(std::chrono::duration_cast<microseconds>(slice) + microseconds(1))) return;
        }
    }
};

}  // namespace

ModemClock& SteadyModemClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace varnex
