#include "link/CommandProtocol.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

using namespace varnex;

namespace {

// A framed loop: the tool's slot 2 writes into it; a module thread unframes the
// command with its own slot and answers framed, the way the USB link carries it.
class FramedEcho : public Connection {
public:
    FramedEcho() : moduleSide(this), moduleSlot(2, &moduleSide), listener(this, &FramedEcho::OnModuleText) {
        moduleSlot.receiveListeners.Add(&listener);
        worker = std::thread([this] { Run(); });
    }
    ~FramedEcho() override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        wake.notify_all();
        worker.join();
    }
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t* d, std::size_t n) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            inbox.insert(inbox.end(), d, d + n);
        }
        wake.notify_all();
    }
    void WriteString(const std::string& s) override {
        Write(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    }
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "echo"; }

private:
    // The module's end: what its slot writes goes back to the tool's listeners.
    struct ModuleSide : Connection {
        explicit ModuleSide(FramedEcho* o) : owner(o) {}
        bool IsOpen() override { return true; }
        void Write(const std::uint8_t* d, std::size_t n) override { owner->Connection::OnReceive(d, n); }
        void WriteString(const std::string&) override {}
        bool Open() override { return true; }
        void Close() override {}
        std::string Name() override { return "module"; }
        FramedEcho* owner;
    };
    static void OnModuleText(void* owner, const std::uint8_t* d, std::size_t n) {
        auto* self = static_cast<FramedEcho*>(owner);
        self->line.append(reinterpret_cast<const char*>(d), n);
        const auto end = self->line.find("?#\r\n");
        if (end == std::string::npos) return;
        const std::string key = self->line.substr(3, end - 3);
        self->line.clear();
        self->moduleSlot.WriteString(key + "=42\r\n->PASS\r\n:L2 >");
    }
    void Run() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stop || !inbox.empty(); });
            if (stop) return;
            std::vector<std::uint8_t> bytes(inbox.begin(), inbox.end());
            inbox.clear();
            lock.unlock();
            moduleSide.OnReceive(bytes.data(), bytes.size());
            lock.lock();
        }
    }

    ModuleSide moduleSide;
    Slot moduleSlot;
    ResponseConnection listener;
    std::string line;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::uint8_t> inbox;
    bool stop = false;
    std::thread worker;
};

}  // namespace

TEST(ThreadedReply, QueriesThroughSlotsRoundTripOverFramedLink) {
    FramedEcho link;
    Slot* command = link.CreateSlot(2);
    CommandProtocol protocol(command, nullptr);
    ResponseConnection response(&protocol, &CommandProtocol::OnCommandText);
    command->receiveListeners.Add(&response);

    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(CommandProtocol::ExtractReplyValue(protocol.QueryParameter(L"K" + std::to_wstring(i))), L"42");

    command->receiveListeners.Remove(&response);
    delete command;
}
