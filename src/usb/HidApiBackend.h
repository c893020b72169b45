#pragma once
#include <map>
#include <mutex>

#include "usb/HidBackend.h"

struct hid_device_;

namespace varnex {

// The real device access through hidapi. hidapi leaves out report ID 0 on
// reads; it is put back so the layer above sees the whole 65-byte report.
class HidApiBackend : public HidBackend {
public:
    HidApiBackend();
    ~HidApiBackend() override;

    std::vector<HidDeviceInfo> Enumerate() override;
    int OpenPath(const std::string& path, bool forWrite) override;
    bool WriteReport(int handle, const std::uint8_t* report, std::size_t size) override;
    int ReadReport(int handle, std::uint8_t* buffer, std::size_t size, int timeoutMs) override;
    void CloseHandle(int handle) override;

private:
    hid_device_* Find(int handle);

    std::mutex mutex;
    std::map<int, hid_device_*> devices;
    int nextHandle = 1;
};

}  // namespace varnex
