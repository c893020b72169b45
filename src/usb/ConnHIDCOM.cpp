#include "usb/ConnHIDCOM.h"

#include <chrono>

namespace varnex {

void HIDChangeStateEvent::OnChangeState(const char* state) { connection->NotifyStateChange(state); }

ConnHIDCOM::ConnHIDCOM(HidBackend& backend) : backend(backend) {}

ConnHIDCOM::~ConnHIDCOM() { Close(); }

bool ConnHIDCOM::IsOpen() { return hid != nullptr; }

bool ConnHIDCOM::IsConnected() { return IsOpen() && hid->attached; }

void ConnHIDCOM::Write(const std::uint8_t* data, std::size_t length) {
    if (hid) hid->WriteReports(data, length);
}

void ConnHIDCOM::WriteString(const std::string& text) {
    if (hid) hid->WriteReports(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string ConnHIDCOM::Name() { return name; }

void ConnHIDCOM::NotifyStateChange(const char* state) {
    stateListeners.ForEach([state](ChangeStateEvent* listener) { listener->OnChangeState(state); });
}

bool ConnHIDCOM::Open() {
    if (hid) return true;  // already running; a second reader would fight the first
    stopRequested = false;
    readerFinished = false;
    hid = std::make_unique<HID>(backend);
    hidListener = std::make_unique<HIDChangeStateEvent>(this);
    hid->stateListeners.Add(hidListener.get());
    // The device is not searched for here: the reader does that.
    reader = std::thread([this] { ReaderThread(); });
    return true;
}

void ConnHIDCOM::Close() {
    if (!hid) return;
    {
        std::lock_guard<std::mutex> lock(stopMutex);
        // The reader's read is cancelled by this flag: it fails, the reader
        // marks the device detached and then ends.
        stopRequested = true;
    }
    stopSignal.notify_all();
    if (reader.joinable()) reader.join();
    hid.reset();
    hidListener.reset();
}

void ConnHIDCOM::PauseUnlessStopping(int ms) {
    std::unique_lock<std::mutex> lock(stopMutex);
    stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopRequested.load(); });
}

void ConnHIDCOM::ReaderThread() {
    std::uint8_t buffer[HidBackend::kReportSize];
    while (!stopRequested) {
        if (hid->attached) {
            std::size_t bytesRead = 0;
            if (!hid->ReadReport(hid->readHandle, buffer, sizeof buffer, &bytesRead, stopRequested)) {
                hid->attached = false;
                hid->NotifyState("Detached");
                hid->CloseHandles();
                continue;
            }
            // A report that is not whole, not ours, or claims more than its
            // data area holds is dropped: cutting it would pass on bytes the
            // module never meant.
            if (bytesRead == HidBackend::kReportSize && buffer[1] == 0x01 && buffer[2] <= HID::kReportData)
                OnReceive(buffer + 5, buffer[2]);
        } else {
            PauseUnlessStopping(10);
            if (stopRequested) break;
            hid->OpenDevice();
        }
    }
    hid->CloseHandles();
    hid->attached = false;
    hid->NotifyState("Detached");
    readerFinished = true;
}

}  // namespace varnex
