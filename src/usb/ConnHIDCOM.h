#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/Connection.h"
#include "usb/HID.h"
#include "usb/HidBackend.h"

namespace varnex {

class ConnHIDCOM;

// Passes the device's state changes on to the connection's own listeners.
class HIDChangeStateEvent : public ChangeStateEvent {
public:
    explicit HIDChangeStateEvent(ConnHIDCOM* connection) : connection(connection) {}
    void OnChangeState(const char* state) override;

private:
    ConnHIDCOM* connection;
};

// The connection over the module's USB HID interface. A reader thread looks
// for the module while it is absent, reads its reports while it is present,
// and hands their data to the receive listeners (the slots).
class ConnHIDCOM : public Connection {
public:
    explicit ConnHIDCOM(HidBackend& backend);
    ~ConnHIDCOM() override;

    bool IsOpen() override;
    void Write(const std::uint8_t* data, std::size_t length) override;
    void WriteString(const std::string& text) override;
    bool Open() override;
    void Close() override;
    std::string Name() override;
    bool IsConnected();

    void NotifyStateChange(const char* state);

    const std::string name = "HID";
    OnChangeStateList stateListeners;

private:
    void ReaderThread();
    // Sleeps up to `ms`, waking at once when a stop is requested.
    void PauseUnlessStopping(int ms);

    HidBackend& backend;
    std::unique_ptr<HID> hid;  // set by Open, released by Close once the reader has ended
    std::unique_ptr<HIDChangeStateEvent> hidListener;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> readerFinished{false};
    std::thread reader;
    std::mutex stopMutex;
    std::condition_variable stopSignal;
};

}  // namespace varnex
