#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnex {

// One HID interface as the system lists it.
struct HidDeviceInfo {
    std::string path;
    std::string hardwareId;  // e.g. "HID\VID_04D8&PID_0054&REV_0100"
};

// The platform's HID access beneath `HID`. Handles are small integers that
// are never reused, so a stale handle can only fail.
class HidBackend {
public:
    static constexpr int kInvalidHandle = -1;
    static constexpr std::size_t kReportSize = 65;

    virtual ~HidBackend() = default;
    // Every present HID interface, in the system's order.
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // Opens a path for reading or for writing; kInvalidHandle on failure.
    virtual int OpenPath(const std::string& path, bool forWrite) = 0;
    // Writes one whole report (report ID first); blocks until sent.
    virtual bool WriteReport(int handle, const std::uint8_t* report, std::size_t size) = 0;
    // Reads one report (report ID first) into `buffer`. Returns the number of
    // bytes, 0 when nothing came within `timeoutMs`, or -1 when the read failed.
    virtual int ReadReport(int handle, std::uint8_t* buffer, std::size_t size, int timeoutMs) = 0;
    virtual void CloseHandle(int handle) = 0;
};

}  // namespace varnex
