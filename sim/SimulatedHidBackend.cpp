#include "sim/SimulatedHidBackend.h"

#include <algorithm>
#include <thread>

namespace varnex::sim {

SimulatedHidBackend::SimulatedHidBackend(ModuleSimulator& module, bool plugged)
    : module(module), link(module), tap(this), plugged(plugged) {
    link.receiveListeners.Add(&tap);
    if (!plugged) link.Unplug();
}

SimulatedHidBackend::~SimulatedHidBackend() {
    link.Stop();
    link.receiveListeners.Remove(&tap);
}

std::vector<HidDeviceInfo> SimulatedHidBackend::Enumerate() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<HidDeviceInfo> list = foreign;
    if (plugged && link.IsOpen()) list.push_back({kModulePath, kModuleHardwareId});
    return list;
}

int SimulatedHidBackend::OpenPath(const std::string& path, bool forWrite) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!plugged || !link.IsOpen() || path != kModulePath) return kInvalidHandle;
    if (forWrite && failWriteOpen) {
        failWriteOpen = false;
        return kInvalidHandle;
    }
    const int handle = nextHandle++;
    handles[handle] = {generation, forWrite};
    return handle;
}

void SimulatedHidBackend::Pace(std::chrono::steady_clock::time_point& last) {
    // Called with the lock not held: a paced write must not hold up reads.
    std::chrono::microseconds interval;
    {
        std::lock_guard<std::mutex> lock(mutex);
        interval = reportInterval;
    }
    if (interval.count() <= 0) return;
    const auto due = last + interval;
    const auto now = std::chrono::steady_clock::now();
    if (due > now) std::this_thread::sleep_until(due);
    last = std::max(due, now);
}

bool SimulatedHidBackend::WriteReport(int handle, const std::uint8_t* report, std::size_t size) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = handles.find(handle);
        if (!plugged || it == handles.end() || it->second.generation != generation || !it->second.forWrite)
            return false;
        if (failWrite) {
            failWrite = false;
            return false;
        }
        written.emplace_back(report, report + size);
    }
    Pace(lastOut);
    // The module takes only well-formed output reports.
    if (size != kReportSize || report[0] != 0 || report[1] != 0x01 || report[2] < 1 || report[2] > 60 ||
        report[3] != 0 || report[4] != 0)
        return true;
    link.Write(report + 5, report[2]);
    if (!link.IsOpen()) Unplug();  // the unplug knob pulled the cable
    return true;
}

void SimulatedHidBackend::FromModule(const std::uint8_t* data, std::size_t length) {
    // The module packs what it sends into reports of at most 60 bytes.
    std::lock_guard<std::mutex> lock(mutex);
    if (!plugged) return;
    for (std::size_t offset = 0; offset < length; offset += 60) {
        const std::size_t n = std::min<std::size_t>(60, length - offset);
        std::vector<std::uint8_t> report(kReportSize, 0);
        report[1] = 0x01;
        report[2] = static_cast<std::uint8_t>(n);
        std::copy(data + offset, data + offset + n, report.begin() + 5);
        inputReports.push_back(std::move(report));
    }
    arrived.notify_all();
}

int SimulatedHidBackend::ReadReport(int handle, std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    std::vector<std::uint8_t> report;
    {
        std::unique_lock<std::mutex> lock(mutex);
        auto valid = [&] {
            auto it = handles.find(handle);
            return plugged && it != handles.end() && it->second.generation == generation && !it->second.forWrite;
        };
        if (!valid()) return -1;
        arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return !valid() || failRead || !inputReports.empty(); });
        if (!valid()) return -1;
        if (failRead) {
            failRead = false;
            return -1;
        }
        if (inputReports.empty()) return 0;
        report = std::move(inputReports.front());
        inputReports.pop_front();
        ++reportsIn;
    }
    Pace(lastIn);
    const std::size_t n = std::min(size, report.size());
    std::copy(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    return static_cast<int>(n);
}

void SimulatedHidBackend::CloseHandle(int handle) {
    std::lock_guard<std::mutex> lock(mutex);
    handles.erase(handle);
}

void SimulatedHidBackend::Plug() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        plugged = true;
        inputReports.clear();
    }
    module.SetLevel(0);  // a module that was off the cable starts logged out
    link.Plug();
}

void SimulatedHidBackend::Unplug() {
    link.Unplug();
    {
        std::lock_guard<std::mutex> lock(mutex);
        plugged = false;
        ++generation;
        inputReports.clear();
    }
    arrived.notify_all();
}

bool SimulatedHidBackend::Plugged() {
    std::lock_guard<std::mutex> lock(mutex);
    return plugged;
}

void SimulatedHidBackend::AddForeignDevice(const std::string& path, const std::string& hardwareId) {
    std::lock_guard<std::mutex> lock(mutex);
    foreign.push_back({path, hardwareId});
}

void SimulatedHidBackend::FailNextRead() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        failRead = true;
    }
    arrived.notify_all();
}

void SimulatedHidBackend::FailNextWrite() {
    std::lock_guard<std::mutex> lock(mutex);
    failWrite = true;
}

void SimulatedHidBackend::FailNextWriteOpen() {
    std::lock_guard<std::mutex> lock(mutex);
    failWriteOpen = true;
}

void SimulatedHidBackend::InjectInputReport(const std::vector<std::uint8_t>& report) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        inputReports.push_back(report);
    }
    arrived.notify_all();
}

void SimulatedHidBackend::SetReportInterval(std::chrono::microseconds interval) {
    std::lock_guard<std::mutex> lock(mutex);
    reportInterval = interval;
}

std::vector<std::vector<std::uint8_t>> SimulatedHidBackend::WrittenReports() {
    std::lock_guard<std::mutex> lock(mutex);
    return written;
}

std::uint64_t SimulatedHidBackend::ReportsOut() {
    std::lock_guard<std::mutex> lock(mutex);
    return written.size();
}

std::uint64_t SimulatedHidBackend::ReportsIn() {
    std::lock_guard<std::mutex> lock(mutex);
    return reportsIn;
}

int SimulatedHidBackend::OpenHandles() {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(handles.size());
}

}  // namespace varnex::sim
