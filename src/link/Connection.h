#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace varnex {

class Slot;
class Connection;

// Ordered list of non-owned listeners, guarded by a lock that is held while
// the list is changed and while it is walked (the reader thread walks it while
// the window thread may add or remove a listener).
template <typename T>
class ListenerList {
public:
    void Add(T* item) {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        items_.push_back(item);
    }
    void Remove(T* item) {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (*it == item) { items_.erase(it); return; }
    }
    std::size_t Count() const {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        return items_.size();
    }
    template <typename F>
    void ForEach(F&& f) const {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        const std::size_t n = items_.size();  // read once, before the loop
        for (std::size_t i = 0; i < n && i < items_.size(); ++i) f(items_[i]);
    }

private:
    mutable std::recursive_mutex mutex_;
    std::vector<T*> items_;
};

using OnReceiveEventList = ListenerList<Connection>;

// Abstract link. The virtual operations keep this order on purpose: it is the
// order every implementation is written and reviewed against.
class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    virtual ~Connection();
    virtual bool IsOpen() = 0;
    virtual void Write(const std::uint8_t* data, std::size_t length) = 0;
    virtual void WriteString(const std::string& text) = 0;
    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual std::string Name() = 0;
    virtual void OnReceive(const std::uint8_t* data, std::size_t length);
    virtual Slot* CreateSlot(std::uint16_t number);

    OnReceiveEventList receiveListeners;
};

// Numbered logical channel framed over a parent connection.
class Slot : public Connection {
public:
    static constexpr std::size_t kFrameSize = 24;
    static constexpr std::size_t kMaxPayload = 16;

    Slot(std::uint16_t number, Connection* parent);
    ~Slot() override;

    bool IsOpen() override;
    void Write(const std::uint8_t* data, std::size_t length) override;
    void WriteString(const std::string& text) override;
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override;
    void OnReceive(const std::uint8_t* data, std::size_t length) override;

    std::uint16_t Number() const { return number; }

private:
    const std::uint16_t number;
    Connection* parent;
    // The writer's counter and the reader's window are touched by different
    // threads; each gets a cache line of its own so they never share a word.
    alignas(64) std::uint8_t sequence = 0;
    alignas(64) std::uint8_t window[kFrameSize] = {};
};

// End of a receive chain: hands the bytes to an owner's callback.
class ResponseConnection : public Connection {
public:
    using Callback = void (*)(void* owner, const std::uint8_t* data, std::size_t length);
    ResponseConnection(void* owner, Callback callback) : owner(owner), callback(callback) {}

    bool IsOpen() override { return false; }
    void Write(const std::uint8_t*, std::size_t) override {}
    void WriteString(const std::string&) override {}
    bool Open() override { return false; }
    void Close() override {}
    std::string Name() override { return std::string(); }
    void OnReceive(const std::uint8_t* data, std::size_t length) override;

private:
    void* owner;
    Callback callback;
};

// Listener for the link state texts "Attached" and "Detached". The text is a
// string constant that lives for the whole run.
class ChangeStateEvent {
public:
    virtual ~ChangeStateEvent() = default;
    virtual void OnChangeState(const char* state) = 0;
};

using OnChangeStateList = ListenerList<ChangeStateEvent>;

}  // namespace varnex
