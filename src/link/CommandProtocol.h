#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "link/Connection.h"

namespace varnex {

// Keeps the window alive while a command waits: the window implements it by
// processing its pending events.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void pump() = 0;
};

// Query/set exchanges with the module over the current command channel.
// The window thread runs the commands; OnCommandText runs on the link's
// reading thread.
class CommandProtocol {
public:
    static const std::wstring DeviceNotAvailableText;
    // A module that streams without ever prompting must not exhaust memory:
    // past this many characters the oldest text is dropped.
    static constexpr std::size_t kReplyBufferLimit = 64 * 1024;

    CommandProtocol(Connection* commandChannel, EventPump* pump);

    void SetCommandChannel(Connection* channel) { commandChannel = channel; }
    Connection* CommandChannel() const { return commandChannel; }

    // ResponseConnection callback; `owner` is this protocol object.
    static void OnCommandText(void* owner, const std::uint8_t* data, std::size_t length);
    void AppendReply(const std::uint8_t* data, std::size_t length);

    std::wstring QueryParameter(const std::wstring& key);
    int SetParameter(const std::wstring& key, const std::wstring& value);
    static std::wstring ExtractReplyValue(const std::wstring& text);
    // Logs in (newPassword "0") or changes the password. 1: ":L2 >",
    // -1: ":L0 >", 0: neither within four tries.
    int SendPassword(const std::wstring& password, const std::wstring& newPassword);

    std::wstring ReplyBuffer() const;
    void ClearReplyBuffer();

    std::atomic<bool> replyReady{false};
    std::atomic<bool> levelTwoPrompt{false};
    std::atomic<bool> levelZeroPrompt{false};
    bool commandLock = false;  // window thread only
    // Whether the command channel still reaches a module; empty = always.
    // A command that began with the link up stops waiting, and sends no
    // further attempt, once the link goes down: no answer can come any more.
    // One that began without a link sits out its time-outs as before.
    std::function<bool()> linkUp;
    bool LinkDown() const { return linkUp && !linkUp(); }

    // How a wait polls. WakeOnArrival pumps events at least every
    // millisecond and wakes as soon as a reply chunk arrives; PlainSleep pumps
    // and then sleeps a whole millisecond, as a literal poll loop does. The
    // benchmarks measure against the latter.
    enum class Polling { WakeOnArrival, PlainSleep };
    Polling polling = Polling::WakeOnArrival;

private:
    void TakeCommandLock();
    // Waits up to `budgetMs` for `done`, pumping events at least every
    // millisecond and waking as soon as a reply chunk arrives.
    template <typename Done>
    void WaitFor(int budgetMs, Done done);
    // WaitFor an answer; with `watchLink`, end soon after the link goes down.
    template <typename Done>
    void WaitForAnswer(int budgetMs, bool watchLink, Done done);
    static constexpr std::chrono::milliseconds kLinkLossGrace{100};

    Connection* commandChannel;
    EventPump* pump;
    mutable std::mutex mutex;
    std::condition_variable arrived;
    std::wstring replyBuffer;
};

}  // namespace varnex
