#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/CommandProtocol.h"
#include "link/Connection.h"
#include "link/WindowCall.h"
#include "modem/ModemClock.h"
#include "modem/Tserial.h"

namespace varnex {

// The modem page's log. Each entry is one new last line, exactly as the
// modem connection made it: a command or a reply line keeps its own CR LF,
// so the log shows an empty line after it. Called on the window thread.
class ModemLogSink {
public:
    virtual ~ModemLogSink() = default;
    virtual void AppendLine(const std::wstring& entry) = 0;
};

// A modal message box with an OK button, owned by the main window. Called on
// the window thread.
class ModemMessageSink {
public:
    virtual ~ModemMessageSink() = default;
    virtual void ShowMessage(const std::wstring& text, const std::wstring& caption) = 0;
};

// The link to the module over a GSM data call through an AT modem on a
// serial port. Dial prepares the modem and places the call; from
// "CONNECT 9600" on it is a plain byte pipe whose received bytes a reader
// thread hands to the receive listeners, unframed.
//
// Dial, SendCommand, ReadLine, PlaceCall and Close run on the window thread
// and keep the window alive while they wait (the event pump). The owner must
// not destroy the connection while one of them is on the stack (IsBusy).
// The log and the message box reach the window through the window call
// request, from whichever thread; with no request they are called directly.
class TModem : public Connection {
public:
    static constexpr std::size_t kLineBufferSize = 1024;
    static constexpr std::size_t kReceiveBufferSize = 1024;

    TModem(ModemLogSink& atLog, EventPump* pump, ModemMessageSink* messages, WindowCallRequest* windowCall,
           ModemClock* clock = nullptr);
    ~TModem() override;

    bool IsOpen() override;
    // The call has ended: the modem reported NO CARRIER, the port's device
    // went away, or the connection hung up. IsOpen still reports true then,
    // until the owner disconnects; nothing written from now on reaches the
    // module.
    bool HungUp() const { return carrierLost || stopReader; }
    void Write(const std::uint8_t* data, std::size_t length) override;
    void WriteString(const std::string& text) override;
    bool Open() override;
    void Close() override;
    std::string Name() override;
    void OnReceive(const std::uint8_t* data, std::size_t length) override;
    bool IsConnected();

    // This connection when the call is up, nullptr when it failed. The port
    // name is the device path; the number is sent in the wire's code page.
    TModem* Dial(const std::string& portName, const std::wstring& phoneNumber);
    // `command` is 8-bit and carries its own line end. True when a reply
    // line containing "OK" came within four lines of 500 ms.
    bool SendCommand(const std::string& command);
    // One received line ending in LF, or empty when none came in time. A line
    // longer than the buffer is cut: its first 1023 bytes are kept, the bytes
    // after them up to the line feed are read and dropped, and the line feed
    // ends the result as usual.
    std::string ReadLine(int limitMs);
    // One received byte into the line ReadLine assembles; true when it was
    // the line feed that ends the line.
    static bool TakeLineByte(std::string& line, std::uint8_t b);
    bool PlaceCall();

    // Dial or Close is running on the window thread (their waits pump
    // events, so a handler can run in the middle of them).
    bool IsBusy() const { return busy > 0; }

private:
    void ReaderThread();
    bool OnReaderThread() const;
    void KeepAlive();
    void WritePort(const std::string& bytes);
    void Log(const std::string& entry);
    void Fail();
    // The call is gone under the reader: tell the user and hang up.
    void CallDropped();
    // Back to command mode and hang up, with the guard times around it.
    void SendHangUp();
    void HangUpAfterFailedDial();
    void WaitForReaderEnd();
    void Pause(int ms);

    ModemLogSink& atLog;
    std::unique_ptr<Tserial> port;
    std::atomic<bool> connected{false};
    std::atomic<bool> stopReader{false};
    std::atomic<bool> carrierLost{false};  // NO CARRIER seen or the line gone; set before the message shows
    std::string portName;
    std::string phoneNumber;
    // The last ten bytes received, oldest first; "NO CARRIER" may arrive
    // split over two deliveries.
    std::uint8_t carrierWindow[10] = {};

    EventPump* pump;
    ModemMessageSink* messages;
    WindowCallRequest* windowCall;
    ModemClock& clock;

    // Held around every use of the port: the reader's own hang-up and the
    // window's writes must not meet on the handle.
    std::mutex portMutex;
    std::thread reader;
    std::mutex readerMutex;
    std::condition_variable readerEnded;
    bool readerRunning = false;  // guarded by readerMutex
    int busy = 0;                // window thread only
    bool closing = false;        // window thread only: a Close is on the stack
};

}  // namespace varnex
