#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace varnex {

// One serial port handle with the fixed line settings of the modem link:
// 8 data bits, 1 stop bit, no flow control of any kind, DTR and RTS off, raw
// bytes, and reads that only ever take bytes already waiting. It buffers
// nothing, has no lock and reports only through the result of OpenPort.
class Tserial {
public:
    // Results of OpenPort.
    static constexpr int kOpened = 0;
    static constexpr int kEventMaskFailed = 1;
    static constexpr int kTimeLimitsFailed = 2;
    static constexpr int kLineSettingsFailed = 4;
    static constexpr int kOpenFailed = 8;
    static constexpr int kNoPort = 16;

    Tserial() = default;
    Tserial(const Tserial&) = delete;
    Tserial& operator=(const Tserial&) = delete;
    ~Tserial();

    // `portName` is the device path (/dev/ttyUSB0, a pseudo-terminal's
    // slave); "0" means no port. Parity: 0 none, 1 odd, 2 even, other none.
    int OpenPort(const std::string& portName, int baudRate, int parity);
    void ClosePort();
    void WriteBytes(const std::string& bytes);
    int BytesWaiting();
    // One waiting byte; 0 when none is waiting (it never blocks).
    std::uint8_t ReadByte();

    // Waits until bytes are waiting or `timeout` has passed; true when bytes
    // are waiting. A closed port (or one whose line has gone) just sleeps, so
    // a polling loop keeps its pace.
    bool WaitForBytes(std::chrono::microseconds timeout);

    // The device behind the open port has gone (a USB adapter pulled out, a
    // pseudo-terminal whose other end closed): the port reported a hang-up or
    // an error, and nothing will come through it again. The line is opened
    // with CLOCAL, so a modem dropping its carrier line does not count. Set by
    // whichever call noticed it; cleared when the port is closed or opened.
    bool LineGone() const { return lineGone; }

    bool IsOpened() const { return handle >= 0; }
    int BaudRate() const { return baudRate; }
    int Parity() const { return parity; }

private:
    // A failed call on the open port: anything but an interrupted or a
    // would-block call means the device is no longer there.
    void NoteFailure(int error);

    int baudRate = 0;
    int parity = 0;
    int handle = -1;
    // Noticed by the reader thread or by a write on the window thread.
    std::atomic<bool> lineGone{false};
};

}  // namespace varnex
