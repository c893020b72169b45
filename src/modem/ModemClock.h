#pragma once
#include <chrono>
#include <functional>

namespace varnex {

class Tserial;

// The time source of the modem dialogue's waits. The product uses the steady
// clock; a test can put in one that skips over a silent modem instead of
// sitting through a minute of time-outs.
class ModemClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~ModemClock() = default;
    virtual TimePoint Now() = 0;
    // A fixed pause, such as the guard time around an escape.
    virtual void Pause(std::chrono::milliseconds length) = 0;
    // Returns once `port` has bytes waiting, its line has gone or `until` has
    // come. Calls `keepAlive` first and then at least every millisecond.
    virtual void WaitForInput(Tserial& port, TimePoint until, const std::function<void()>& keepAlive) = 0;
};

// The steady clock; shared, it has no state.
ModemClock& SteadyModemClock();

}  // namespace varnex
