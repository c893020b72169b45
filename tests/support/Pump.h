#pragma once
// Runs the window's events until a condition holds, as a user waiting for
// the window would.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace varnex::testing {

// True once `done` holds; false when `ms` pass first.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}
inline void PumpFor(int ms) { PumpUntil([] { return false; }, ms); }

}  // namespace varnex::testing
