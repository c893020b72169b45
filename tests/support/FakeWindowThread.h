#pragma once
// The test's own thread plays the window thread: calls posted from other
// threads queue here and run when the test pumps.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "link/WindowCall.h"

namespace varnex::testing {

class FakeWindowThread {
public:
    FakeWindowThread() : request([this](std::function<void()> f) { Post(std::move(f)); }) {}

    void Post(std::function<void()> f) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            queue.push_back(std::move(f));
        }
        posted.notify_all();
    }
    // Runs queued calls until `done` holds or the time is up; true if it held.
    template <typename Pred>
    bool PumpUntil(Pred done, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            RunQueued();
            if (done()) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
            // Short slices: what `done` watches need not arrive through the queue.
            std::unique_lock<std::mutex> lock(mutex);
            posted.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(2)),
                              [this] { return !queue.empty(); });
        }
    }
    void PumpFor(std::chrono::milliseconds time) {
        PumpUntil([] { return false; }, time);
    }
    void RunQueued() {
        for (;;) {
            std::function<void()> f;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (queue.empty()) return;
                f = std::move(queue.front());
                queue.pop_front();
            }
            f();
        }
    }

    WindowCallRequest request;

private:
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<std::function<void()>> queue;
};

}  // namespace varnex::testing
