#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace varnex {

// The window call request: a reader thread hands a call to the window thread
// and waits for it a short while. The toolkit supplies `post`, which queues a
// function to run on the window thread, in order, and returns at once.
class WindowCallRequest {
public:
    using Call = std::function<int()>;
    using Post = std::function<void(std::function<void()>)>;
    static constexpr int kWaitMs = 100;

    // Constructed on the window thread.
    explicit WindowCallRequest(Post post);

    // Runs `call` on the window thread and returns its result, or 0 when it
    // has not finished within 100 ms. A call not waited for still runs, in
    // order. Once closing, nothing is queued and nothing queued earlier runs.
    // The call must own copies of what it uses.
    int CallInWindowThread(Call call);

    void SetClosing() { closing->store(true); }
    bool Closing() const { return closing->load(); }

private:
    Post post;
    std::thread::id windowThread;
    std::shared_ptr<std::atomic<bool>> closing = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace varnex
