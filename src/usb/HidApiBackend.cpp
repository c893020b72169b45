#include "usb/HidApiBackend.h"

#include <hidapi/hidapi.h>

#include <cstdio>

namespace varnex {

HidApiBackend::HidApiBackend() { hid_init(); }

HidApiBackend::~HidApiBackend() {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& entry : devices) hid_close(entry.second);
    devices.clear();
    hid_exit();
}

std::vector<HidDeviceInfo> HidApiBackend::Enumerate() {
    std::vector<HidDeviceInfo> list;
    hid_device_info* all = hid_enumerate(0, 0);
    for (hid_device_info* d = all; d; d = d->next) {
        char id[64];
        std::snprintf(id, sizeof id, "HID\\VID_%04X&PID_%04X&REV_%04X", d->vendor_id, d->product_id,
                      d->release_number);
        list.push_back({d->path ? d->path : "", id});
    }
    hid_free_enumeration(all);
    return list;
}

int HidApiBackend::OpenPath(const std::string& path, bool /*forWrite*/) {
    // hidraw nodes open read-write; two opens give the reader and the writer
    // handles of their own, as the layer above expects.
    hid_device* device = hid_open_path(path.c_str());
    if (!device) return kInvalidHandle;
    std::lock_guard<std::mutex> lock(mutex);
    const int handle = nextHandle++;
    devices[handle] = device;
    return handle;
}

hid_device_* HidApiBackend::Find(int handle) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = devices.find(handle);
    return it == devices.end() ? nullptr : it->second;
}

bool HidApiBackend::WriteReport(int handle, const std::uint8_t* report, std::size_t size) {
    hid_device* device = Find(handle);
    return device && hid_write(device, report, size) == static_cast<int>(size);
}

int HidApiBackend::ReadReport(int handle, std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    hid_device* device = Find(handle);
    if (!device || size < 2) return -1;
    const int n = hid_read_timeout(device, buffer + 1, size - 1, timeoutMs);
    if (n < 0) return -1;
    if (n == 0) return 0;
    buffer[0] = 0;
    return n + 1;
}

void HidApiBackend::CloseHandle(int handle) {
    hid_device* device = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = devices.find(handle);
        if (it == devices.end()) return;
        device = it->second;
        devices.erase(it);
    }
    hid_close(device);
}

}  // namespace varnex
