#include "link/WindowCall.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace varnex {
namespace {

struct Pending {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int result = 0;
};

}  // namespace

WindowCallRequest::WindowCallRequest(Post post)
    : post(std::move(post)), windowThread(std::this_thread::get_id()) {}

int WindowCallRequest::CallInWindowThread(Call call) {
    if (closing->load()) return 0;
    // From the window thread itself a queued call could only time out.
    if (std::this_thread::get_id() == windowThread) return call();
    auto pending = std::make_shared<Pending>();
    post([pending, call = std::move(call), closing = closing] {
        int result = 0;
        if (!closing->load()) result = call();
        {
            std::lock_guard<std::mutex> lock(pending->mutex);
            pending->done = true;
            pending->result = result;
        }
        pending->finished.notify_all();
    });
    std::unique_lock<std::mutex> lock(pending->mutex);
    pending->finished.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return pending->done; });
    return pending->done ? pending->result : 0;
}

}  // namespace varnex
