#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/ModuleSimulator.h"

namespace varnex::sim {

// A GSM data modem on a real pseudo-terminal: the tool opens PortName() as
// its serial port. In command mode it answers the AT dialogue (echo until
// ATE0, OK, +CPIN:, dialling); after "CONNECT" it carries the call to the
// module simulator, unframed, until the escape "+++" or a dropped call. Both
// directions of the line run at the line rate (9600 bit/s, ten bits a byte),
// so a data call takes as long as it would on the air.
//
// Simplifications: "+++" in a call escapes without guard times (the tool
// sends it only when it hangs up), and module output during the escape is
// dropped. All methods may be called from any thread.
class ModemSimulator {
public:
    enum class SimCard { Ready, PinRequired, Missing };
    enum class DialResult { Connect, Busy, NoCarrier, NoAnswer };

    explicit ModemSimulator(ModuleSimulator& module);
    ~ModemSimulator();
    ModemSimulator(const ModemSimulator&) = delete;
    ModemSimulator& operator=(const ModemSimulator&) = delete;

    // The pseudo-terminal's slave device; empty if none could be made. After
    // Unplug it still names the port that went (which no longer opens).
    std::string PortName() const;

    // Knobs.
    void SetSilent(bool silent);             // a dead modem: hears everything, says nothing
    void SetSimCard(SimCard card);           // the answer to AT+CPIN?
    void SetDialResult(DialResult result);   // the answer to ATD
    void SetConnectSpeed(int bitsPerSecond); // the speed CONNECT names (the call works whatever it says)
    void SetLineRate(int bitsPerSecond);     // pace of both directions; 0 = as fast as the pty goes
    void DropCall();                         // the far end goes away: NO CARRIER, back to command mode
    void SendToTool(const std::string& bytes);  // raw bytes to the tool at once: line noise, far-end data
    // The modem's cable. Unplug makes its port vanish: the pseudo-terminal is
    // closed, so a port the tool holds open hangs up and the name no longer
    // opens, and a call in progress ends. Replug brings a fresh port (a new
    // pseudo-terminal, which PortName() then names; the system may hand out
    // the same name again) on a modem just powered up: idle, echo on. Both
    // return once done; not to be called from the module's output.
    void Unplug();
    void Replug();
    bool Plugged() const;

    // What happened.
    std::string Received() const;             // every byte the tool wrote, in order
    std::vector<std::string> Commands() const; // every AT command line taken, from "AT", without CR
    bool InCall() const;
    bool DataMode() const;
    bool Echo() const;
    std::string DialledNumber() const;
    std::uint64_t CallBytesToModule() const;   // data bytes carried, each way
    std::uint64_t CallBytesFromModule() const;
    // How long the modem has had nothing to do: no input unread or unhandled,
    // no output queued, no answer being made. Zero while busy.
    std::chrono::steady_clock::duration QuietFor() const;

private:
    using Clock = std::chrono::steady_clock;
    enum class Mode { Idle, Data, OnlineCommand };
    struct Chunk {
        std::string bytes;
        std::size_t pos = 0;
        Clock::time_point notBefore;
        bool paced = true;
    };

    enum class PortChange { Unplug, Replug };

    void Run();
    void ChangePort(PortChange change);
    // On the simulator's thread (the only one that uses the descriptors
    // outside the lock), with the lock held.
    void ApplyPortChanges();
    void OpenPty();  // with the lock held, or before the thread starts
    void ClosePty();
    void Step(Clock::time_point now);        // with the lock held
    void HandleByte(std::uint8_t b);         // with the lock held
    void ExecuteLine(const std::string& line);
    void Respond(const std::string& text);
    void Emit(const std::string& bytes);
    void Wake();
    Clock::duration ByteTime() const;
    Clock::time_point Due(const Chunk& chunk, Clock::time_point lineFree) const;

    ModuleSimulator& module_;
    int wakeRead_ = -1, wakeWrite_ = -1;

    mutable std::mutex mutex_;
    // Changed by the simulator's thread only, under the lock.
    std::string portName_;
    int master_ = -1;
    int slave_ = -1;  // held so the terminal lives between the tool's opens
    std::deque<PortChange> portChanges_;
    std::uint64_t portChangesAsked_ = 0, portChangesDone_ = 0;
    std::condition_variable portChanged_;
    bool silent_ = false;
    SimCard sim_ = SimCard::Ready;
    DialResult dialResult_ = DialResult::Connect;
    int connectSpeed_ = 9600;
    int lineRate_ = 9600;
    bool echo_ = true;
    Mode mode_ = Mode::Idle;
    std::string line_;
    int plusHeld_ = 0;
    bool swallowLf_ = false;
    std::string received_;
    std::vector<std::string> commands_;
    std::string dialled_;
    std::uint64_t toModule_ = 0, fromModule_ = 0;
    std::deque<Chunk> in_, out_;
    Clock::time_point inLineFree_{}, outLineFree_{};
    std::string unwritten_;
    std::string forModule_;
    bool busy_ = false;
    Clock::time_point lastActivity_ = Clock::now();

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace varnex::sim
