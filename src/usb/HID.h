#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "link/Connection.h"
#include "usb/HidBackend.h"

namespace varnex {

// The module's HID interface: finds it, opens it, writes output reports and
// tells its listeners when it has been opened.
class HID {
public:
    // Compared without regard to case against the first hardware ID.
    static constexpr const char* kDeviceMatch = "Vid_04d8&Pid_0054";
    static constexpr std::size_t kReportData = 60;

    explicit HID(HidBackend& backend);
    ~HID();
    HID(const HID&) = delete;
    HID& operator=(const HID&) = delete;

    bool FindDevicePath();
    void OpenDevice();
    bool WriteReports(const std::uint8_t* data, std::size_t count);
    void NotifyState(const char* state);
    // One report read, waited for until it arrives, the read fails or
    // `cancel` is set (checked between short slices of waiting).
    bool ReadReport(int handle, std::uint8_t* buffer, std::size_t size, std::size_t* bytesRead,
                    const std::atomic<bool>& cancel);
    // Closes both handles; safe against a write in progress on the window thread.
    void CloseHandles();

    std::string devicePath;
    OnChangeStateList stateListeners;
    std::atomic<bool> attached{false};
    std::atomic<int> readHandle{HidBackend::kInvalidHandle};
    std::atomic<int> writeHandle{HidBackend::kInvalidHandle};

private:
    HidBackend& backend;
    std::mutex writeMutex;  // a write and the closing of its handle never overlap
};

}  // namespace varnex
