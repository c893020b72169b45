#pragma once
// Pieces the modem tests share: a pseudo-terminal of the test's own, the
// window's side of the modem connection, and a clock that skips silences.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/CommandProtocol.h"
#include "link/Connection.h"
#include "modem/ModemClock.h"
#include "modem/TModem.h"
#include "modem/Tserial.h"
#include "sim/modem/ModemSimulator.h"
#include "support/FakeWindowThread.h"

namespace varnex::modemtest {

// A pseudo-terminal whose master end plays the far end of the line. The test
// keeps a slave handle of its own, so the terminal outlives the port's opens
// and its settings can be read back.
class Pty {
public:
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0)
            return;
        path = name;
        slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~Pty() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    void Send(const std::string& bytes) const { (void)!::write(master, bytes.data(), bytes.size()); }
    // The far end goes away: every open handle of the slave hangs up (the
    // test's own too) and the name no longer opens, as when a USB serial
    // adapter is pulled out.
    void CloseMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    // What the port wrote, once `n` bytes are in or the time is up.
    std::string Take(std::size_t n, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) const {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            char buffer[512];
            const ssize_t r = ::read(master, buffer, sizeof buffer);
            if (r > 0) got.append(buffer, static_cast<std::size_t>(r));
        }
        return got;
    }
    termios Settings() const {
        termios t{};
        tcgetattr(slave, &t);
        return t;
    }

    int master = -1;
    int slave = -1;
    std::string path;
};

// True when a fresh port object can have the port: nobody holds it.
inline bool PortIsFree(const std::string& path) {
    Tserial other;
    return other.OpenPort(path, 9600, 0) == Tserial::kOpened;
}

class WindowPump : public EventPump {
public:
    explicit WindowPump(testing::FakeWindowThread& window) : window(window) {}
    void pump() override { window.RunQueued(); }
    testing::FakeWindowThread& window;
};

// The modem page's log memo; written on the window thread only.
class RecordingLog : public ModemLogSink {
public:
    void AppendLine(const std::wstring& entry) override {
        entries.push_back(std::string(entry.begin(), entry.end()));
        onWindowThread = onWindowThread && std::this_thread::get_id() == windowThread;
    }
    bool Contains(const std::string& entry) const {
        for (const auto& e : entries)
            if (e == entry) return true;
        return false;
    }
    std::vector<std::string> entries;
    std::thread::id windowThread = std::this_thread::get_id();
    bool onWindowThread = true;
};

class RecordingMessages : public ModemMessageSink {
public:
    void ShowMessage(const std::wstring& text, const std::wstring& caption) override {
        shown.emplace_back(std::string(text.begin(), text.end()), std::string(caption.begin(), caption.end()));
        onWindowThread = onWindowThread && std::this_thread::get_id() == windowThread;
    }
    std::vector<std::pair<std::string, std::string>> shown;
    std::thread::id windowThread = std::this_thread::get_id();
    bool onWindowThread = true;
};

// Records what a connection hands to its receive listeners, piece by piece.
class ReceivedPieces : public Connection {
public:
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t*, std::size_t) override {}
    void WriteString(const std::string&) override {}
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "received"; }
    void OnReceive(const std::uint8_t* data, std::size_t length) override {
        std::lock_guard<std::mutex> lock(mutex);
        pieces.emplace_back(reinterpret_cast<const char*>(data), length);
    }
    std::vector<std::string> Pieces() const {
        std::lock_guard<std::mutex> lock(mutex);
        return pieces;
    }
    std::string All() const {
        std::string all;
        for (const auto& p : Pieces()) all += p;
        return all;
    }

private:
    mutable std::mutex mutex;
    std::vector<std::string> pieces;
};

// Real time while the simulated modem is at work; once the modem has been
// quiet for a while and nothing has come, a wait jumps to its end. A silent
// modem's minute of time-outs thus takes a fraction of a second, while every
// budget adds up exactly as on the steady clock. Fixed pauses are skipped.
class FastClock : public ModemClock {
public:
    static constexpr std::chrono::milliseconds kGrace{20};

    explicit FastClock(const sim::ModemSimulator& modem) : modem(modem) {}

    TimePoint Now() override { return std::chrono::steady_clock::now() + std::chrono::nanoseconds(skipped.load()); }
    void Pause(std::chrono::milliseconds length) override {
        skipped += std::chrono::duration_cast<std::chrono::nanoseconds>(length).count();
    }
    void WaitForInput(Tserial& port, TimePoint until, const std::function<void()>& keepAlive) override {
        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            if (keepAlive) keepAlive();
            if (Now() >= until) return;
            if (port.WaitForBytes(std::chrono::microseconds(500)) || port.LineGone()) return;
            if (std::chrono::steady_clock::now() - start >= kGrace && modem.QuietFor() >= kGrace) {
                const auto rest = until - Now();
                if (rest.count() > 0) skipped += std::chrono::duration_cast<std::chrono::nanoseconds>(rest).count();
                return;
            }
        }
    }

private:
    const sim::ModemSimulator& modem;
    std::atomic<std::int64_t> skipped{0};
};

inline std::string Joined(const std::vector<std::string>& parts) {
    std::string all;
    for (const auto& p : parts) all += p;
    return all;
}

}  // namespace varnex::modemtest
