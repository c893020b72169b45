#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sim/ModuleSimulator.h"
#include "usb/HidBackend.h"

namespace varnex::sim {

// The module behind 65-byte HID reports. Tests, benchmarks and the demo plug
// it in and pull it out, and can make a read or a write fail on demand.
class SimulatedHidBackend : public HidBackend {
public:
    static constexpr const char* kModulePath = "/dev/hidraw-sim0";
    static constexpr const char* kModuleHardwareId = "HID\\VID_04D8&PID_0054&REV_0100";

    explicit SimulatedHidBackend(ModuleSimulator& module, bool plugged = false);
    ~SimulatedHidBackend() override;

    std::vector<HidDeviceInfo> Enumerate() override;
    int OpenPath(const std::string& path, bool forWrite) override;
    bool WriteReport(int handle, const std::uint8_t* report, std::size_t size) override;
    int ReadReport(int handle, std::uint8_t* buffer, std::size_t size, int timeoutMs) override;
    void CloseHandle(int handle) override;

    void Plug();
    void Unplug();
    bool Plugged();
    // Other HID interfaces on the system, listed before the module.
    void AddForeignDevice(const std::string& path, const std::string& hardwareId);
    // Knobs, each for the next operation of its kind only.
    void FailNextRead();
    void FailNextWrite();
    void FailNextWriteOpen();
    // A report the module sends as it stands, report ID first, read back at
    // exactly its own length: a short one is what hidraw hands over when the
    // device sends less than the full 65 bytes (for report-layout tests).
    void InjectInputReport(const std::vector<std::uint8_t>& report);
    // Each report leaves no sooner than `interval` after the one before, in
    // each direction, as on a full-speed interrupt endpoint; 0 = no pacing.
    void SetReportInterval(std::chrono::microseconds interval);

    // Every report the tool wrote, as written.
    std::vector<std::vector<std::uint8_t>> WrittenReports();
    // Reports that crossed the cable so far: written by the tool, and read by it.
    std::uint64_t ReportsOut();
    std::uint64_t ReportsIn();
    int OpenHandles();

private:
    void FromModule(const std::uint8_t* data, std::size_t length);
    void Pace(std::chrono::steady_clock::time_point& last);

    // Receives what the module's side of the loopback sends.
    class Tap : public Connection {
    public:
        explicit Tap(SimulatedHidBackend* owner) : owner(owner) {}
        bool IsOpen() override { return true; }
        void Write(const std::uint8_t*, std::size_t) override {}
        void WriteString(const std::string&) override {}
        bool Open() override { return true; }
        void Close() override {}
        std::string Name() override { return "tap"; }
        void OnReceive(const std::uint8_t* data, std::size_t length) override { owner->FromModule(data, length); }

    private:
        SimulatedHidBackend* owner;
    };

    ModuleSimulator& module;
    FramedLoopback link;
    Tap tap;

    std::mutex mutex;
    std::condition_variable arrived;
    bool plugged;
    int generation = 0;  // handles of an earlier plug-in are stale
    int nextHandle = 1;
    struct HandleInfo {
        int generation;
        bool forWrite;
    };
    std::map<int, HandleInfo> handles;
    std::deque<std::vector<std::uint8_t>> inputReports;
    std::vector<HidDeviceInfo> foreign;
    std::vector<std::vector<std::uint8_t>> written;
    std::uint64_t reportsIn = 0;
    bool failRead = false, failWrite = false, failWriteOpen = false;
    std::chrono::microseconds reportInterval{0};
    // Each is touched by one thread only: the reader and the writer.
    std::chrono::steady_clock::time_point lastIn{}, lastOut{};
};

}  // namespace varnex::sim
