#include "usb/HID.h"

#include <algorithm>
#include <cctype>

namespace varnex {
namespace {

// How long one slice of a blocking read lasts before the cancel flag is checked.
constexpr int kReadSliceMs = 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

HID::HID(HidBackend& backend) : backend(backend) {}

HID::~HID() { CloseHandles(); }

bool HID::FindDevicePath() {
    const std::string match = Lower(kDeviceMatch);
    // The first matching interface wins; a second module is never used.
    for (const auto& device : backend.Enumerate()) {
        if (Lower(device.hardwareId).find(match) == std::string::npos) continue;
        devicePath = device.path;
        return true;
    }
    return false;
}

void HID::OpenDevice() {
    CloseHandles();
    if (!FindDevicePath()) return;
    const int reader = backend.OpenPath(devicePath, false);
    if (reader == HidBackend::kInvalidHandle) return;
    const int writer = backend.OpenPath(devicePath, true);
    if (writer == HidBackend::kInvalidHandle) {
        backend.CloseHandle(reader);
        return;
    }
    readHandle = reader;
    {
        std::lock_guard<std::mutex> lock(writeMutex);
        writeHandle = writer;
    }
    attached = true;
    NotifyState("Attached");
}

bool HID::WriteReports(const std::uint8_t* data, std::size_t count) {
    if (!attached) return true;
    std::lock_guard<std::mutex> lock(writeMutex);
    for (std::size_t offset = 0; offset < count; offset += kReportData) {
        const std::size_t n = std::min(kReportData, count - offset);
        std::uint8_t report[HidBackend::kReportSize] = {0, 0x01, static_cast<std::uint8_t>(n), 0, 0};
        std::copy(data + offset, data + offset + n, report + 5);
        if (!backend.WriteReport(writeHandle, report, sizeof report)) break;
    }
    return true;
}

void HID::NotifyState(const char* state) {
    stateListeners.ForEach([state](ChangeStateEvent* listener) { listener->OnChangeState(state); });
}

bool HID::ReadReport(int handle, std::uint8_t* buffer, std::size_t size, std::size_t* bytesRead,
                     const std::atomic<bool>& cancel) {
    *bytesRead = 0;
    while (!cancel) {
        const int n = backend.ReadReport(handle, buffer, size, kReadSliceMs);
        if (n < 0) return false;
        if (n > 0) {
            *bytesRead = static_cast<std::size_t>(n);
            return true;
        }
    }
    return false;  // cancelled, as a cancelled overlapped read fails
}

void HID::CloseHandles() {
    const int reader = readHandle.exchange(HidBackend::kInvalidHandle);
    if (reader != HidBackend::kInvalidHandle) backend.CloseHandle(reader);
    std::lock_guard<std::mutex> lock(writeMutex);
    const int writer = writeHandle.exchange(HidBackend::kInvalidHandle);
    if (writer != HidBackend::kInvalidHandle) backend.CloseHandle(writer);
}

}  // namespace varnex
