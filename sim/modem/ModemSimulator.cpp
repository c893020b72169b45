#include "sim/modem/ModemSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace varnex::sim {
namespace {

constexpr std::size_t kLineLimit = 256;  // a modem's command buffer; the rest of a longer line is dropped

}  // namespace

ModemSimulator::ModemSimulator(ModuleSimulator& module) : module_(module) {
    OpenPty();
    int pipeFds[2];
    if (pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead_ = pipeFds[0];
        wakeWrite_ = pipeFds[1];
    }
    module_.SetSink([this](Channel channel, const std::string& bytes, const OutputOptions& options) {
        // A data call has no status or log channel.
        if (channel != Channel::Command) return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (mode_ != Mode::Data || silent_) return;
        fromModule_ += bytes.size();
        out_.push_back({bytes, 0, Clock::now() + options.latency, true});
        Wake();
    });
    // Started even without a port: a later Replug may bring one.
    thread_ = std::thread([this] { Run(); });
}

void ModemSimulator::OpenPty() {
    portName_.clear();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128] = {};
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 && ptsname_r(master_, name, sizeof name) == 0) {
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ >= 0) {
            // Raw until the tool sets the line up itself: a cooked terminal
            // would echo the modem's answers back to it.
            termios t{};
            tcgetattr(slave_, &t);
            cfmakeraw(&t);
            tcsetattr(slave_, TCSANOW, &t);
            portName_ = name;
        }
    }
    if (portName_.empty()) ClosePty();
}

void ModemSimulator::ClosePty() {
    // Closing the master hangs up every open handle of the slave and removes
    // its name.
    for (int* fd : {&slave_, &master_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    // A modem without power: no call, nothing half heard or half sent.
    mode_ = Mode::Idle;
    plusHeld_ = 0;
    swallowLf_ = false;
    line_.clear();
    in_.clear();
    out_.clear();
    unwritten_.clear();
    forModule_.clear();
    inLineFree_ = outLineFree_ = Clock::time_point{};
    lastActivity_ = Clock::now();
}

void ModemSimulator::ApplyPortChanges() {
    if (portChanges_.empty()) return;
    while (!portChanges_.empty()) {
        const PortChange change = portChanges_.front();
        portChanges_.pop_front();
        ClosePty();
        if (change == PortChange::Replug) {
            OpenPty();
            echo_ = true;
        }
        ++portChangesDone_;
    }
    portChanged_.notify_all();
}

void ModemSimulator::ChangePort(PortChange change) {
    std::unique_lock<std::mutex> lock(mutex_);
    portChanges_.push_back(change);
    const std::uint64_t ticket = ++portChangesAsked_;
    if (std::this_thread::get_id() == thread_.get_id()) {
        ApplyPortChanges();
        return;
    }
    Wake();
    portChanged_.wait(lock, [&] { return portChangesDone_ >= ticket; });
}

void ModemSimulator::Unplug() { ChangePort(PortChange::Unplug); }
void ModemSimulator::Replug() { ChangePort(PortChange::Replug); }

bool ModemSimulator::Plugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return master_ >= 0;
}

std::string ModemSimulator::PortName() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return portName_;
}

ModemSimulator::~ModemSimulator() {
    module_.SetSink(nullptr);
    stop_ = true;
    Wake();
    if (thread_.joinable()) thread_.join();
    for (int fd : {slave_, master_, wakeRead_, wakeWrite_})
        if (fd >= 0) ::close(fd);
}

void ModemSimulator::Wake() {
    if (wakeWrite_ < 0) return;
    const char c = 1;
    (void)!::write(wakeWrite_, &c, 1);
}

ModemSimulator::Clock::duration ModemSimulator::ByteTime() const {
    if (lineRate_ <= 0) return Clock::duration::zero();
    // Start bit, eight data bits, stop bit.
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL / lineRate_));
}

void ModemSimulator::Run() {
    char buffer[4096];
    while (!stop_) {
        Clock::duration wait = std::chrono::milliseconds(5);
        int master;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ApplyPortChanges();
            master = master_;
            const auto now = Clock::now();
            auto next = now + wait;
            if (!in_.empty()) next = std::min(next, Due(in_.front(), inLineFree_));
            if (!out_.empty()) next = std::min(next, Due(out_.front(), outLineFree_));
            if (!unwritten_.empty()) next = std::min(next, now + std::chrono::milliseconds(1));
            wait = std::max(next - now, Clock::duration::zero());
        }
        // Without a port the descriptor is -1, which poll passes over.
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const timespec ts{0, static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count())};
        (void)::ppoll(fds, wakeRead_ >= 0 ? 2 : 1, &ts, nullptr);
        if (fds[1].revents & POLLIN)
            while (::read(wakeRead_, buffer, sizeof buffer) > 0) {}
        if (fds[0].revents & POLLIN) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                busy_ = true;
            }
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            std::lock_guard<std::mutex> lock(mutex_);
            if (n > 0) {
                received_.append(buffer, static_cast<std::size_t>(n));
                in_.push_back({std::string(buffer, static_cast<std::size_t>(n)), 0, Clock::now(), true});
            }
            busy_ = false;
            lastActivity_ = Clock::now();
        }
        std::string forModule;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Step(Clock::now());
            if (!forModule_.empty()) {
                forModule.swap(forModule_);
                busy_ = true;
            }
        }
        if (!forModule.empty()) {
            // Not under our lock: the module answers through the sink, which takes it.
            module_.ReceiveCommandBytes(reinterpret_cast<const std::uint8_t*>(forModule.data()), forModule.size());
            std::lock_guard<std::mutex> lock(mutex_);
            busy_ = false;
            lastActivity_ = Clock::now();
        }
    }
}

// A byte is across once its ten bits have been sent, one after the other.
ModemSimulator::Clock::time_point ModemSimulator::Due(const Chunk& chunk, Clock::time_point lineFree) const {
    return std::max(chunk.notBefore, lineFree) + (chunk.paced ? ByteTime() : Clock::duration::zero());
}

void ModemSimulator::Step(Clock::time_point now) {
    while (!in_.empty()) {
        Chunk& chunk = in_.front();
        const auto due = Due(chunk, inLineFree_);
        if (due > now) break;
        const auto b = static_cast<std::uint8_t>(chunk.bytes[chunk.pos++]);
        inLineFree_ = due;
        if (chunk.pos == chunk.bytes.size()) in_.pop_front();
        HandleByte(b);
    }
    while (!out_.empty()) {
        Chunk& chunk = out_.front();
        const auto due = Due(chunk, outLineFree_);
        if (due > now) break;
        unwritten_.push_back(chunk.bytes[chunk.pos++]);
        outLineFree_ = due;
        if (chunk.pos == chunk.bytes.size()) out_.pop_front();
    }
    if (master_ < 0) unwritten_.clear();  // no cable: what the modem says goes nowhere
    if (!unwritten_.empty()) {
        const ssize_t n = ::write(master_, unwritten_.data(), unwritten_.size());
        if (n > 0) {
            unwritten_.erase(0, static_cast<std::size_t>(n));
            lastActivity_ = Clock::now();
        }
    }
}

void ModemSimulator::Emit(const std::string& bytes) {
    out_.push_back({bytes, 0, Clock::now(), true});
}

void ModemSimulator::Respond(const std::string& text) { Emit("\r\n" + text + "\r\n"); }

void ModemSimulator::HandleByte(std::uint8_t b) {
    if (mode_ == Mode::Data) {
        // The LF that ends the tool's ATD line is the dial command's, not data.
        if (swallowLf_) {
            swallowLf_ = false;
            if (b == '\n') return;
        }
        ++toModule_;
        // Hold back pluses until it is clear whether they are the escape.
        if (b == '+') {
            if (++plusHeld_ == 3) {
                plusHeld_ = 0;
                toModule_ -= 3;
                mode_ = Mode::OnlineCommand;
                if (!silent_) Respond("OK");
            }
            return;
        }
        forModule_.append(static_cast<std::size_t>(plusHeld_), '+');
        plusHeld_ = 0;
        forModule_.push_back(static_cast<char>(b));
        return;
    }
    if (silent_ || b == '\n') return;
    if (echo_) Emit(std::string(1, static_cast<char>(b)));
    if (b == '\r') {
        std::string line;
        line.swap(line_);
        ExecuteLine(line);
        return;
    }
    if (line_.size() < kLineLimit) line_.push_back(static_cast<char>(b));
}

void ModemSimulator::ExecuteLine(const std::string& line) {
    // What comes before "AT" is noise (an escape sent in command mode, say).
    const std::size_t at = line.find("AT");
    if (at == std::string::npos) return;
    commands_.push_back(line.substr(at));
    const std::string command = line.substr(at + 2);
    const bool callUp = mode_ != Mode::Idle;
    if (command.empty() || command == "&D0" || command == "+IFC=0,0") {
        Respond("OK");
    } else if (command == "E0" || command == "E1") {
        echo_ = command == "E1";
        Respond("OK");
    } else if (command == "H" || command == "H0") {
        mode_ = Mode::Idle;
        plusHeld_ = 0;
        Respond("OK");
    } else if (command == "+CPIN?") {
        switch (sim_) {
            case SimCard::Ready: Respond("+CPIN: READY"); Respond("OK"); break;
            case SimCard::PinRequired: Respond("+CPIN: SIM PIN"); Respond("ERROR"); break;
            case SimCard::Missing: Respond("+CME ERROR: SIM not inserted"); break;
        }
    } else if (command.size() > 1 && command[0] == 'D' && !callUp) {
        dialled_ = command.substr(1);
        switch (dialResult_) {
            case DialResult::Connect:
                Respond("CONNECT " + std::to_string(connectSpeed_));
                mode_ = Mode::Data;
                swallowLf_ = true;
                break;
            case DialResult::Busy: Respond("BUSY"); break;
            case DialResult::NoCarrier: Respond("NO CARRIER"); break;
            case DialResult::NoAnswer: Respond("NO ANSWER"); break;
        }
    } else if (command == "O" && mode_ == Mode::OnlineCommand) {
        Respond("CONNECT " + std::to_string(connectSpeed_));
        mode_ = Mode::Data;
        swallowLf_ = true;
    } else {
        Respond("ERROR");
    }
}

void ModemSimulator::SetSilent(bool silent) {
    std::lock_guard<std::mutex> lock(mutex_);
    silent_ = silent;
}
void ModemSimulator::SetSimCard(SimCard card) {
    std::lock_guard<std::mutex> lock(mutex_);
    sim_ = card;
}
void ModemSimulator::SetDialResult(DialResult result) {
    std::lock_guard<std::mutex> lock(mutex_);
    dialResult_ = result;
}
void ModemSimulator::SetConnectSpeed(int bitsPerSecond) {
    std::lock_guard<std::mutex> lock(mutex_);
    connectSpeed_ = bitsPerSecond;
}
void ModemSimulator::SetLineRate(int bitsPerSecond) {
    std::lock_guard<std::mutex> lock(mutex_);
    lineRate_ = bitsPerSecond;
}

void ModemSimulator::DropCall() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode_ == Mode::Idle) return;
    mode_ = Mode::Idle;
    plusHeld_ = 0;
    if (!silent_) Respond("NO CARRIER");
    Wake();
}

void ModemSimulator::SendToTool(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    out_.push_back({bytes, 0, Clock::now(), false});
    Wake();
}

std::string ModemSimulator::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}
std::vector<std::string> ModemSimulator::Commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}
bool ModemSimulator::InCall() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return mode_ != Mode::Idle;
}
bool ModemSimulator::DataMode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return mode_ == Mode::Data;
}
bool ModemSimulator::Echo() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return echo_;
}
std::string ModemSimulator::DialledNumber() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dialled_;
}
std::uint64_t ModemSimulator::CallBytesToModule() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return toModule_;
}
std::uint64_t ModemSimulator::CallBytesFromModule() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fromModule_;
}

ModemSimulator::Clock::duration ModemSimulator::QuietFor() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int unread = 0;
    if (ioctl(master_, FIONREAD, &unread) != 0) unread = 0;
    if (busy_ || unread > 0 || !in_.empty() || !out_.empty() || !unwritten_.empty() || !forModule_.empty())
        return Clock::duration::zero();
    return Clock::now() - lastActivity_;
}

}  // namespace varnex::sim
