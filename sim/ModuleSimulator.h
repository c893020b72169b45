#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "link/Connection.h"

namespace varnex::sim {

// Where a piece of module output goes: the command replies, the status
// records or the log lines.
enum class Channel { Command = 2, Log = 3, Status = 4 };

// The module's side of the link. It is strict on purpose: anything that is
// not byte for byte a command of the protocol gets no answer, so a test that
// passes against it proves the tool's bytes are right. All methods may be
// called from any thread.
// The output knobs as they stood when a piece of output was made.
struct OutputOptions {
    std::chrono::milliseconds latency{0};
    std::size_t chunkSize = 0;
    bool randomChunks = false;
    int corruptEvery = 0;
};

class ModuleSimulator {
public:
    using Sink = std::function<void(Channel channel, const std::string& bytes, const OutputOptions& options)>;

    ModuleSimulator();

    // Module output goes to the sink (a loopback installs one). The sink is
    // called with the simulator's lock held and must not call back into it.
    void SetSink(Sink sink);

    // Input: command stream bytes (lines end at LF) and one status-channel
    // delivery (exactly "R" asks for a report).
    void ReceiveCommandBytes(const std::uint8_t* data, std::size_t length);
    void ReceiveStatusBytes(const std::uint8_t* data, std::size_t length);

    // A log line; the CR is added here.
    void EmitLogLine(const std::string& text);
    // One of the module's routine log lines, some tagged, some not.
    void EmitRoutineLogLine();

    // State, for tests.
    std::string Parameter(const std::string& key) const;  // empty when unknown
    bool HasParameter(const std::string& key) const;
    void SetParameterValue(const std::string& key, const std::string& value);
    std::string StatusValue(const std::string& key) const;
    void SetStatusValue(const std::string& key, const std::string& value);
    std::string Password() const;
    int Level() const;
    void SetLevel(int level);
    std::vector<std::string> Commands() const;  // every complete line received, line end included
    int StatusRequests() const;

    // Fault knobs.
    void SetLatency(std::chrono::milliseconds latency);
    std::chrono::milliseconds Latency() const;
    void SetSilent(bool silent);                    // receive and record, answer nothing
    void SetDropToLevelZeroAfter(int commands);     // one-shot: after that many more answered commands; 0 = off
    void SetLevelNinePrompt(bool on);               // ":L9 >" instead of ":L2 >" while logged in
    void SetReplyForKey(const std::string& otherKey);  // query replies name this key instead; empty = off
    void SetChunking(std::size_t size, bool random);   // output cut into pieces of `size` (or 1..size at random); 0 = off
    std::size_t ChunkSize() const;
    bool RandomChunks() const;
    void SetCorruptEveryNthFrame(int n);            // framed link only; 0 = off
    int CorruptEveryNthFrame() const;
    // USB link only, one-shot: the cable comes out after that many more
    // reports written by the tool; 0 = off.
    void SetUnplugAfterReports(int reports);
    bool TakeReport();  // counts one report; true when it is the last before the unplug
    void SetLogInterval(std::chrono::milliseconds interval);  // routine log lines; 0 = none
    std::chrono::milliseconds LogInterval() const;
    // Status reports unasked, one every `interval`, as a module that streams
    // its state; 0 = only when asked with "R".
    void SetStatusReportInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds StatusReportInterval() const;

    // Liveliness, off by default so that tests see fixed values. While it is
    // on, the module's state moves with time as a module's on site does: the
    // GSM signal wanders, the uptimes count, the temperatures and the supply
    // drift, inputs and relays change now and then (each change is logged),
    // and the routine log lines are of many kinds, carrying the tags the
    // tool's side panes pick out. The status values it keeps replace any set
    // with SetStatusValue; the status-page query keys follow them.
    void SetLively(bool on);
    bool Lively() const;
    // Lets `elapsed` of module time pass at once (lively only), in steps of a
    // second; the periodic tick does the same with the real time that passed.
    void Advance(std::chrono::milliseconds elapsed);

    // The periodic work, run by the loopback that carries the log channel:
    // catches the lively state up with real time and sends the log line and
    // the status report that are due.
    void Tick();
    // How often Tick wants to run; 0 = not at all.
    std::chrono::milliseconds TickInterval() const;

private:
    using SteadyTime = std::chrono::steady_clock::time_point;

    // What a lively module keeps as numbers; published as its status texts.
    struct LiveState {
        int signal = 23;
        int lowestSignal = 17;
        long long systemUptime = ((5 * 24 + 7) * 60 + 41) * 60;  // seconds
        long long gsmUptime = ((3 * 24 + 4) * 60 + 12) * 60;
        int supply = 12345;  // mV
        int lowestSupply = 11870;
        int sensorTemp = 215;  // tenths of a degree
        int moduleTemp = 235;
        bool in1Active = false;
        bool in2Active = true;
        bool relay1On = true;
        bool relay2On = false;
        long long pendingMs = 0;  // module time not yet stepped
    };

    void HandleLine(const std::string& line);
    std::string StatusReport();
    void CatchUp(SteadyTime now);
    void AdvanceLocked(long long ms);
    void StepLively();
    void PublishLively();
    void EmitRoutineLocked();
    std::string LogStamp();
    std::string LivelyLogLine();
    int Roll(int below);  // uniform 0..below-1
    bool KnownKey(const std::string& key) const;
    std::string Prompt() const;
    void Answer(Channel channel, const std::string& bytes);
    void CountAnswered();

    mutable std::mutex mutex_;
    Sink sink_;
    std::map<std::string, std::string> values_;  // parameters and the status-page keys
    std::vector<std::string> statusKeys_;        // in catalogue order
    std::map<std::string, std::string> status_;
    std::string password_ = "7402";
    int level_ = 0;
    std::string pending_;  // command bytes since the last LF
    std::vector<std::string> commands_;
    int statusRequests_ = 0;
    int logCounter_ = 0;

    std::chrono::milliseconds latency_{0};
    bool silent_ = false;
    int dropAfter_ = 0;
    bool levelNine_ = false;
    std::string replyForKey_;
    std::size_t chunkSize_ = 0;
    bool randomChunks_ = false;
    int corruptEvery_ = 0;
    int unplugAfter_ = 0;
    std::chrono::milliseconds logInterval_{0};
    std::chrono::milliseconds statusInterval_{0};
    SteadyTime nextLog_{};
    SteadyTime nextStatus_{};

    bool lively_ = false;
    LiveState live_;
    SteadyTime lastCatchUp_{};
    std::mt19937 random_{7402};
    std::vector<int> logBag_;  // the lively line kinds still to come in this round
};

namespace detail {

// The one thread that hands module output to the tool, in order, each piece
// not before its due time; between pieces it runs an optional periodic tick.
class DeliveryThread {
public:
    using Deliver = std::function<void(const std::vector<std::uint8_t>& bytes)>;
    using Tick = std::function<void()>;
    using Interval = std::function<std::chrono::milliseconds()>;

    DeliveryThread(Deliver deliver, Tick tick, Interval interval);
    ~DeliveryThread();
    void Post(std::vector<std::uint8_t> bytes, std::chrono::steady_clock::time_point due);
    void Clear();
    void Stop();

private:
    struct Item {
        std::vector<std::uint8_t> bytes;
        std::chrono::steady_clock::time_point due;
    };
    void Run();

    Deliver deliver_;
    Tick tick_;
    Interval interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Item> queue_;
    bool stop_ = false;
    std::thread thread_;
};

// Cuts module output into the pieces the tool receives, as the chunking knob
// says.
class Chunker {
public:
    std::vector<std::vector<std::uint8_t>> Cut(std::vector<std::vector<std::uint8_t>> pieces,
                                               std::size_t size, bool random);

private:
    std::mt19937 random_{20260};
};

// A connection inside a loopback whose writes go to a function.
class Pipe : public Connection {
public:
    explicit Pipe(std::function<void(const std::uint8_t*, std::size_t)> write) : write_(std::move(write)) {}
    bool IsOpen() override { return true; }
    void Write(const std::uint8_t* data, std::size_t length) override { if (write_) write_(data, length); }
    void WriteString(const std::string& text) override {
        Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    bool Open() override { return true; }
    void Close() override {}
    std::string Name() override { return "pipe"; }

private:
    std::function<void(const std::uint8_t*, std::size_t)> write_;
};

}  // namespace detail

// The USB link as the tool sees it: the tool makes Slot(2), Slot(4) and
// Slot(3) over it. The module side deframes with its own slots and frames its
// output with real slots, so the frame format is the real one. Each write of
// the tool counts as one report for the unplug knob.
class FramedLoopback : public Connection {
public:
    explicit FramedLoopback(ModuleSimulator& module);
    ~FramedLoopback() override;

    bool IsOpen() override;
    void Write(const std::uint8_t* data, std::size_t length) override;
    void WriteString(const std::string& text) override;
    bool Open() override;
    void Close() override;
    std::string Name() override;

    void Plug();
    void Unplug();
    // Stops and joins the delivery thread; nothing reaches the tool after it.
    void Stop();

private:
    void Send(Channel channel, const std::string& bytes, const OutputOptions& options);

    ModuleSimulator& module_;
    std::mutex inMutex_;  // the module's receive windows see one write at a time
    std::mutex outMutex_;
    std::mutex plugMutex_;
    bool plugged_ = true;
    int frames_ = 0;
    std::vector<std::vector<std::uint8_t>> collected_;
    detail::Chunker chunker_;
    detail::Pipe inbound_;
    detail::Pipe outbound_;
    std::unique_ptr<Slot> inCommands_, inStatus_;
    std::unique_ptr<ResponseConnection> commandSink_, statusSink_;
    std::unique_ptr<Slot> outCommands_, outLog_, outStatus_;
    std::unique_ptr<detail::DeliveryThread> delivery_;
};

// The modem data call as the tool sees it: raw command bytes in, raw reply
// bytes out; there are no status or log channels on this link.
class UnframedLoopback : public Connection {
public:
    explicit UnframedLoopback(ModuleSimulator& module);
    ~UnframedLoopback() override;

    bool IsOpen() override;
    void Write(const std::uint8_t* data, std::size_t length) override;
    void WriteString(const std::string& text) override;
    bool Open() override;
    void Close() override;
    std::string Name() override;

    void Plug();
    void Unplug();
    void Stop();

private:
    ModuleSimulator& module_;
    std::mutex plugMutex_;
    bool plugged_ = true;
    std::mutex outMutex_;
    detail::Chunker chunker_;
    std::unique_ptr<detail::DeliveryThread> delivery_;
};

}  // namespace varnex::sim
