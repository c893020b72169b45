#include "modem/TModem.h"

#include <chrono>
#include <cstring>

#include "link/Codepage.h"

namespace varnex {
namespace {

using std::chrono::milliseconds;

constexpr char kEscape[] = "+++";
constexpr char kNoCarrier[] = "NO CARRIER";
constexpr char kConnectionError[] = "----Connection error----";
constexpr char kHangingUpFailedDial[] = "----Hanging up: no usable call----";

// The modem whose reader thread this is, if any.
thread_local const TModem* currentReader = nullptr;

// Counts a window-thread operation as running while it is on the stack.
struct BusyScope {
    explicit BusyScope(int& busy) : busy(busy) { ++busy; }
    ~BusyScope() { --busy; }
    int& busy;
};

}  // namespace

TModem::TModem(ModemLogSink& atLog, EventPump* pump, ModemMessageSink* messages, WindowCallRequest* windowCall,
               ModemClock* clock)
    : atLog(atLog), pump(pump), messages(messages), windowCall(windowCall), clock(clock ? *clock : SteadyModemClock()) {}

TModem::~TModem() {
    stopReader = true;
    // The reader notices within a millisecond, or when its own hang-up after
    // "NO CARRIER" is through.
    if (reader.joinable()) {
        if (reader.get_id() == std::this_thread::get_id()) reader.detach();
        else reader.join();
    }
}

bool TModem::IsOpen() { return connected; }

// Raw writes are not part of this link; commands go through WriteString.
void TModem::Write(const std::uint8_t*, std::size_t) {}

void TModem::WriteString(const std::string& text) {
    std::lock_guard<std::mutex> lock(portMutex);
    // Once the hang-up has begun the call is gone: data would only land in
    // the modem's command mode in the middle of the hang-up dialogue.
    if (port && !stopReader) port->WriteBytes(text);
}

bool TModem::Open() { return true; }

std::string TModem::Name() { return std::string(); }

bool TModem::IsConnected() { return port != nullptr; }

bool TModem::OnReaderThread() const { return currentReader == this; }

void TModem::KeepAlive() {
    // Only the window thread pumps the window's events.
    if (pump && !OnReaderThread()) pump->pump();
}

void TModem::WritePort(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(portMutex);
    if (port) port->WriteBytes(bytes);
}

void TModem::Pause(int ms) { clock.Pause(milliseconds(ms)); }

void TModem::Log(const std::string& entry) {
    // The call owns its copy and refers to the sink, not to this object: a
    // call that was not waited for may run after the connection is gone.
    ModemLogSink* sink = &atLog;
    std::wstring text = DecodeAnsi(entry);
    auto call = [sink, text = std::move(text)] {
        sink->AppendLine(text);
        return 1;
    };
    if (windowCall) windowCall->CallInWindowThread(std::move(call));
    else call();
}

TModem* TModem::Dial(const std::string& portName, const std::wstring& phoneNumber) {
    // One call per connection: a second reader would fight the first.
    if (reader.joinable()) return nullptr;
    BusyScope scope(busy);
    this->portName = portName;
    this->phoneNumber = EncodeAnsi(phoneNumber);
    {
        std::lock_guard<std::mutex> lock(portMutex);
        if (!port) port = std::make_unique<Tserial>();
        if (port->OpenPort(this->portName, 9600, 0) != Tserial::kOpened) {
            connected = false;
            return nullptr;
        }
    }
    // Back to command mode should the modem still be in a call. The pauses
    // are guard times and leave the window alone.
    WritePort(kEscape);
    Pause(200);
    WritePort(kEscape);
    Pause(200);
    SendCommand("AT\r\n");
    SendCommand("AT\r\n");
    SendCommand("ATH\r\n");
    SendCommand("ATH\r\n");
    if (!SendCommand("AT\r\n")) {
        Fail();
        return nullptr;
    }
    SendCommand("ATE0\r\n");
    SendCommand("ATE0\r\n");
    SendCommand("AT&D0\r\n");
    SendCommand("AT+IFC=0,0\r\n");
    // Up to here no call can be up: the dialogue itself hung up twice.
    if (!SendCommand("AT+CPIN?\r\n")) {
        Fail();
        return nullptr;
    }
    if (!PlaceCall()) {
        HangUpAfterFailedDial();
        Fail();
        return nullptr;
    }
    connected = true;
    return this;
}

void TModem::HangUpAfterFailedDial() {
    // Whatever the modem made of the dial, a data call may be up (one at
    // another speed, or one that connected after the wait), and it is paid
    // for until someone hangs it up. A port already closed by a hang-up from
    // the event pump, or a line that has gone, has no modem to tell.
    if (!port || !port->IsOpened() || port->LineGone()) return;
    Log(kHangingUpFailedDial);
    SendHangUp();
}

void TModem::SendHangUp() {
    for (int i = 0; i < 4; ++i) {
        WritePort(kEscape);
        Pause(200);
    }
    SendCommand("ATH\r\n");
    Pause(200);
    SendCommand("ATH\r\n");
    Pause(200);
}

void TModem::Fail() {
    connected = false;
    std::lock_guard<std::mutex> lock(portMutex);
    if (port) port->ClosePort();
}

bool TModem::SendCommand(const std::string& command) {
    if (!port) return false;
    Log(command);
    WritePort(command);
    for (int i = 0; i < 4; ++i) {
        const std::string line = ReadLine(500);
        if (line.empty()) continue;
        Log(line);
        if (line.find("OK") != std::string::npos) return true;
    }
    return false;
}

std::string TModem::ReadLine(int limitMs) {
    std::string line;
    // The budget of limit / 10 cycles of 10 ms, on the clock: the wait ends
    // as soon as the line feed is in.
    const auto deadline = clock.Now() + milliseconds(limitMs / 10 * 10);
    for (;;) {
        if (!port) return std::string();
        {
            std::lock_guard<std::mutex> lock(portMutex);
            const int waiting = port->BytesWaiting();
            for (int i = 0; i < waiting; ++i) {
                // What follows the line feed stays in the port for the next line.
                if (TakeLineByte(line, port->ReadByte())) return line;
            }
        }
        // A part line is dropped; nothing more comes through a line that has gone.
        if (port->LineGone() || clock.Now() >= deadline) return std::string();
        clock.WaitForInput(*port, deadline, [this] { KeepAlive(); });
    }
}

bool TModem::TakeLineByte(std::string& line, std::uint8_t b) {
    if (b == '\n') {
        line.push_back('\n');
        return true;
    }
    // Past the buffer the line is cut, leaving room for its line feed.
    if (line.size() < kLineBufferSize - 1) line.push_back(static_cast<char>(b));
    return false;
}

bool TModem::PlaceCall() {
    if (!port) return false;
    Log("ATD" + phoneNumber);
    WritePort("ATD" + phoneNumber + "\r\n");
    for (int i = 0; i < 60; ++i) {
        const std::string line = ReadLine(1000);
        if (line.empty()) continue;
        Log(line);
        KeepAlive();
        if (line.find("CONNECT 9600") != std::string::npos) {
            stopReader = false;
            {
                std::lock_guard<std::mutex> lock(readerMutex);
                readerRunning = true;
            }
            reader = std::thread([this] { ReaderThread(); });
            return true;
        }
        if (line.find(kNoCarrier) != std::string::npos) {
            Log(kConnectionError);
            return false;
        }
    }
    return false;
}

void TModem::ReaderThread() {
    currentReader = this;
    std::uint8_t buffer[kReceiveBufferSize];
    while (!stopReader) {
        std::size_t count = 0;
        {
            std::lock_guard<std::mutex> lock(portMutex);
            std::size_t waiting = static_cast<std::size_t>(port->BytesWaiting());
            // A larger delivery is split; the rest waits for the next cycle.
            if (waiting > sizeof buffer) waiting = sizeof buffer;
            while (count < waiting) buffer[count++] = port->ReadByte();
        }
        if (count > 0) OnReceive(buffer, count);
        if (stopReader) break;
        // The modem went away under the call (pulled out): the call is as
        // dead as after NO CARRIER, and no modem is left to say so.
        if (port->LineGone()) {
            CallDropped();
            break;
        }
        // Wakes at once when more has come; only this thread closes the port
        // while it runs, so the handle does not change under the wait.
        if (count < sizeof buffer) port->WaitForBytes(milliseconds(1));
    }
    currentReader = nullptr;
    {
        std::lock_guard<std::mutex> lock(readerMutex);
        readerRunning = false;
    }
    readerEnded.notify_all();
}

void TModem::OnReceive(const std::uint8_t* data, std::size_t length) {
    // Listeners added during this delivery get the next one.
    const std::size_t listeners = receiveListeners.Count();
    for (std::size_t i = 0; i < length; ++i) {
        std::memmove(carrierWindow, carrierWindow + 1, sizeof carrierWindow - 1);
        carrierWindow[sizeof carrierWindow - 1] = data[i];
        if (std::memcmp(carrierWindow, kNoCarrier, sizeof carrierWindow) != 0) continue;
        CallDropped();
        break;
    }
    std::size_t index = 0;
    receiveListeners.ForEach([&](Connection* listener) {
        if (index++ < listeners) listener->OnReceive(data, length);
    });
}

void TModem::CallDropped() {
    carrierLost = true;
    ModemMessageSink* sink = messages;
    auto show = [sink] {
        if (sink) sink->ShowMessage(L"Disconnected", L"Modem");
        return 1;
    };
    if (windowCall) windowCall->CallInWindowThread(show);
    else show();
    Close();
}

void TModem::WaitForReaderEnd() {
    std::unique_lock<std::mutex> lock(readerMutex);
    while (readerRunning) {
        // The reader may be in its own hang-up, handing log lines to this
        // thread: keep the window going until it is through.
        lock.unlock();
        KeepAlive();
        lock.lock();
        readerEnded.wait_for(lock, milliseconds(1), [this] { return !readerRunning; });
    }
    lock.unlock();
    if (reader.joinable()) reader.join();
}

void TModem::Close() {
    stopReader = true;
    if (!port) return;
    const bool onReader = OnReaderThread();
    if (!onReader) {
        if (closing) return;  // a second hang-up from the event pump: the first one is doing it
        closing = true;
        ++busy;
        // The port is the reader's until it has ended.
        WaitForReaderEnd();
    }
    int reopened;
    {
        std::lock_guard<std::mutex> lock(portMutex);
        port->ClosePort();
        reopened = port->OpenPort(portName, 9600, 0);
    }
    // About a second of quiet: the guard time before the escape.
    for (int i = 0; i < 100; ++i) {
        KeepAlive();
        Pause(10);
    }
    if (reopened == Tserial::kOpened) {
        SendHangUp();
        std::lock_guard<std::mutex> lock(portMutex);
        port->ClosePort();
    }
    if (!onReader) {
        --busy;
        closing = false;
    }
}

}  // namespace varnex
