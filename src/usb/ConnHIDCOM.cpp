#include "usb/ConnHIDCOM.h"

#include <chrono>

namespace varnex {
namespace {

// Report ID, the data-report mark, the length, two reserved bytes.
constexpr std::size_t kDataOffset = 5;

}  // namespace

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
            // hidraw hands a report over at the length the module sent it,
            // where Windows pads it to the full size: a short read is good as
            // long as it holds every byte its length names. One that is not
            // ours, claims more than a report's data area, or ends before its
            // data does is dropped: the buffer past the read may still hold an
            // earlier report, and cutting would pass on bytes never meant.
            const std::size_t length = bytesRead >= kDataOffset ? buffer[2] : 0;
            if (bytesRead >= kDataOffset && buffer[1] == 0x01 && length <= HID::kReportData &&
                bytesRead >= kDataOffset + length)
                OnReceive(buffer + kDataOffset, length);
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
