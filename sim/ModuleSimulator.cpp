#include "sim/ModuleSimulator.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "params/Catalogue.h"

namespace varnex::sim {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The keys the status page queries over a data call, with values that agree
// with the status records below.
const std::pair<const char*, const char*> kStatusPageValues[] = {
    {"GSMState:RFP", "23"},         {"GSMState:RFPE", "17"},    {"GSMState:UTM", "3d 04:12"},
    {"Version:FW_Version", "1.31"}, {"IO:VBAT", "12345"},       {"SysState:VBATE", "11870"},
    {"IO:DIN1", "1"},               {"IO:DIN2", "0"},           {"IO:REL1", "1"},
    {"IO:REL2", "0"},               {"SysState:TempMain", "23.5"},
};

const std::pair<const char*, const char*> kStatusValues[] = {
    {"TPv", "GSM-2"}, {"HWv", "2.0"},   {"FWv", "1.31"},  {"SUTM", "5d 07:41"}, {"RFP", "23"},
    {"RFE", "17"},    {"GUTM", "3d 04:12"}, {"VSU", "12345"}, {"VSE", "11870"}, {"TPS", "21.5"},
    {"TPM", "23.5"},  {"IN1V", "1"},    {"IN2V", "0"},    {"RE1", "1"},     {"RE2", "0"},
};

// Routine log lines: the tagged ones feed the tool's side panes.
const char* const kRoutineLines[] = {
    "<LINK> (GSM registered)", "<PPP> (session up)", "heartbeat", "<SIO> (port idle)",
    "<ATCH> (attached)",       "<DTMF> (tone 5)",    "<JST> (jam check ok)",
};

// The tags the tool's log panes pick out, and a few it does not: the lively
// module's routine lines, one of each kind per round, in shuffled order.
enum LivelyLine {
    kLineLink, kLinePpp, kLinePppLower, kLineSio, kLineSlic, kLineSiadata, kLineDtmf,
    kLineAtch, kLineJst, kLineDtmff, kLineHeartbeat, kLineSupply, kLineEvm, kLineRssi,
    kLivelyLineKinds
};

std::string Tenths(int tenths) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", tenths / 10.0);
    return text;
}

std::string Uptime(long long seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%lldd %02lld:%02lld:%02lld", seconds / 86400, (seconds / 3600) % 24,
                  (seconds / 60) % 60, seconds % 60);
    return text;
}

// Walks `value` by one toward a band around `base`, at random inside it.
int Drift(int value, int base, int band, bool up) {
    if (value > base + band) return value - 1;
    if (value < base - band) return value + 1;
    return up ? value + 1 : value - 1;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}
bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

ModuleSimulator::ModuleSimulator() {
    for (const auto& row : ParameterCatalogue()) values_[row.key] = row.defaultValue;
    for (const auto& [key, value] : kStatusPageValues) values_[key] = value;
    values_["Slots:Mainlog"] = "0";
    values_["EVM:New"] = "0";
    for (const auto& row : StatusCatalogue()) {
        statusKeys_.push_back(row.key);
        status_[row.key] = "0";
    }
    for (const auto& [key, value] : kStatusValues)
        if (status_.count(key)) status_[key] = value;
}

void ModuleSimulator::SetSink(Sink sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    sink_ = std::move(sink);
}

void ModuleSimulator::ReceiveCommandBytes(const std::uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < length; ++i) {
        pending_.push_back(static_cast<char>(data[i]));
        if (data[i] != static_cast<std::uint8_t>(kLf)) continue;
        std::string line;
        line.swap(pending_);
        commands_.push_back(line);
        HandleLine(line);
    }
}

void ModuleSimulator::ReceiveStatusBytes(const std::uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (length != 1 || data[0] != 'R') return;
    ++statusRequests_;
    CatchUp(std::chrono::steady_clock::now());
    Answer(Channel::Status, StatusReport());
}

std::string ModuleSimulator::StatusReport() {
    std::string report;
    for (const auto& key : statusKeys_) report += "{" + key + "=" + status_[key] + "}";
    return report;
}

void ModuleSimulator::EmitLogLine(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    Answer(Channel::Log, text + kCr);
}

std::string ModuleSimulator::LogStamp() {
    // A lively module stamps its lines with its uptime; otherwise each line
    // is a second after the one before.
    const long long n = lively_ ? live_.systemUptime : logCounter_++;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%02lld:%02lld:%02lld] ", (n / 3600) % 24, (n / 60) % 60, n % 60);
    return stamp;
}

void ModuleSimulator::EmitRoutineLogLine() {
    std::lock_guard<std::mutex> lock(mutex_);
    CatchUp(std::chrono::steady_clock::now());
    EmitRoutineLocked();
}

void ModuleSimulator::EmitRoutineLocked() {
    if (lively_) {
        Answer(Channel::Log, LogStamp() + LivelyLogLine() + kCr);
        return;
    }
    const int n = logCounter_;
    const std::string stamp = LogStamp();
    const std::size_t count = sizeof kRoutineLines / sizeof kRoutineLines[0];
    Answer(Channel::Log, stamp + std::string(kRoutineLines[static_cast<std::size_t>(n) % count]) + kCr);
}

int ModuleSimulator::Roll(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }

std::string ModuleSimulator::LivelyLogLine() {
    if (logBag_.empty()) {
        for (int kind = 0; kind < kLivelyLineKinds; ++kind) logBag_.push_back(kind);
        std::shuffle(logBag_.begin(), logBag_.end(), random_);
    }
    const int kind = logBag_.back();
    logBag_.pop_back();
    const LiveState& s = live_;
    switch (kind) {
        case kLineLink: return "<LINK> (GSM registered, signal " + std::to_string(s.signal) + ")";
        case kLinePpp: return "<PPP> (session up, " + std::to_string(200 + Roll(4000)) + " bytes out)";
        case kLinePppLower: return "<ppp> (LCP echo reply " + std::to_string(1 + Roll(250)) + ")";
        case kLineSio: return "<SIO> (port idle)";
        case kLineSlic: return Roll(2) ? "<SLIC> (on hook, line 48 V)" : "<SLIC> (ring check ok)";
        case kLineSiadata: return "<Siadata> (account 0000, block " + std::to_string(Roll(64)) + " ok)";
        case kLineDtmf: return "<DTMF> (tone " + std::to_string(Roll(10)) + ")";
        case kLineAtch: return "<ATCH> (GPRS attached)";
        case kLineJst: return "<JST> (jamming check ok, signal " + std::to_string(s.signal) + ")";
        case kLineDtmff: return "<DTMFF> (0000 18 1602 00 000 kiss-off)";
        case kLineHeartbeat: return "heartbeat";
        case kLineSupply: return "supply " + std::to_string(s.supply) + " mV, module " + Tenths(s.moduleTemp) + " C";
        case kLineEvm: return "<EVM> (event queue empty)";
        default: return "RSSI " + std::to_string(s.signal) + ", BER 0";
    }
}

void ModuleSimulator::CatchUp(SteadyTime now) {
    if (!lively_) return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastCatchUp_);
    if (elapsed.count() <= 0) return;
    lastCatchUp_ += elapsed;  // the part below a millisecond waits for the next time
    AdvanceLocked(elapsed.count());
}

void ModuleSimulator::AdvanceLocked(long long ms) {
    if (!lively_ || ms <= 0) return;
    live_.pendingMs += ms;
    const long long steps = live_.pendingMs / 1000;
    live_.pendingMs %= 1000;
    if (steps == 0) return;
    // After a long pause (a suspended machine) the state moves as in ten
    // minutes; the uptimes count it all.
    const long long stepped = std::min<long long>(steps, 600);
    live_.systemUptime += steps - stepped;
    live_.gsmUptime += steps - stepped;
    for (long long i = 0; i < stepped; ++i) {
        ++live_.systemUptime;  // a change logged in this step bears its own second
        ++live_.gsmUptime;
        StepLively();
    }
    PublishLively();
}

void ModuleSimulator::StepLively() {
    LiveState& s = live_;
    const int r = Roll(100);
    if (r < 20) --s.signal;
    else if (r < 40) ++s.signal;
    else if (r == 99) s.signal -= 6;  // a passing dip
    s.signal = std::clamp(s.signal, 6, 31);
    s.lowestSignal = std::min(s.lowestSignal, s.signal);

    s.supply += Roll(25) - 12;
    if (s.supply > 12345 + 200) s.supply -= 6;
    if (s.supply < 12345 - 200) s.supply += 6;
    s.lowestSupply = std::min(s.lowestSupply, s.supply);

    if (Roll(4) == 0) s.sensorTemp = Drift(s.sensorTemp, 215, 15, Roll(2) == 0);
    if (Roll(6) == 0) s.moduleTemp = Drift(s.moduleTemp, 235, 8, Roll(2) == 0);

    // An input is mostly at rest; once set off it comes back soon.
    auto input = [&](bool& active, int name, int toActive) {
        if (active ? Roll(6) != 0 : Roll(toActive) != 0) return;
        active = !active;
        Answer(Channel::Log, LogStamp() + "<SIO> (IN" + std::to_string(name) + (active ? " active)" : " inactive)") + kCr);
    };
    input(s.in1Active, 1, 45);
    input(s.in2Active, 2, 60);
    auto relay = [&](bool& on, int name) {
        if (Roll(50) != 0) return;
        on = !on;
        Answer(Channel::Log, LogStamp() + "REL" + std::to_string(name) + (on ? " on" : " off") + kCr);
    };
    relay(s.relay1On, 1);
    relay(s.relay2On, 2);
}

void ModuleSimulator::PublishLively() {
    const LiveState& s = live_;
    const std::pair<const char*, std::string> status[] = {
        {"SUTM", Uptime(s.systemUptime)},
        {"RFP", std::to_string(s.signal)},
        {"RFE", std::to_string(s.lowestSignal)},
        {"GUTM", Uptime(s.gsmUptime)},
        {"VSU", std::to_string(s.supply)},
        {"VSE", std::to_string(s.lowestSupply)},
        {"TPS", Tenths(s.sensorTemp)},
        {"TPM", Tenths(s.moduleTemp)},
        {"IN1V", s.in1Active ? "0" : "1"},
        {"IN2V", s.in2Active ? "0" : "1"},
        {"RE1", s.relay1On ? "1" : "0"},
        {"RE2", s.relay2On ? "1" : "0"},
    };
    for (const auto& [key, value] : status)
        if (status_.count(key)) status_[key] = value;
    // The same state as the status page asks for it over a data call.
    const std::pair<const char*, const char*> mirrors[] = {
        {"GSMState:RFP", "RFP"}, {"GSMState:RFPE", "RFE"},  {"GSMState:UTM", "GUTM"},
        {"IO:VBAT", "VSU"},      {"SysState:VBATE", "VSE"}, {"IO:DIN1", "IN1V"},
        {"IO:DIN2", "IN2V"},     {"IO:REL1", "RE1"},        {"IO:REL2", "RE2"},
        {"SysState:TempMain", "TPM"},
    };
    for (const auto& [key, from] : mirrors) values_[key] = status_[from];
}

bool ModuleSimulator::KnownKey(const std::string& key) const { return values_.count(key) != 0; }

std::string ModuleSimulator::Prompt() const {
    if (level_ == 0) return ":L0 >";
    if (levelNine_) return ":L9 >";
    return ":L" + std::to_string(level_) + " >";
}

void ModuleSimulator::Answer(Channel channel, const std::string& bytes) {
    if (silent_ || !sink_) return;
    OutputOptions options;
    options.latency = latency_;
    options.chunkSize = chunkSize_;
    options.randomChunks = randomChunks_;
    options.corruptEvery = corruptEvery_;
    sink_(channel, bytes, options);
}

void ModuleSimulator::CountAnswered() {
    if (dropAfter_ > 0 && --dropAfter_ == 0) level_ = 0;
}

void ModuleSimulator::HandleLine(const std::string& line) {
    static const std::string kSc = "sc ";
    static const std::string kCrLf = "\r\n";
    static const std::string kLogin = "set REM:UPW P,";
    static const std::string kChange = "set REM:UPW C,";

    if (StartsWith(line, kSc)) {
        if (!EndsWith(line, kCrLf)) return;
        const std::string body = line.substr(kSc.size(), line.size() - kSc.size() - kCrLf.size());
        if (body.size() > 2 && EndsWith(body, "?#") && body.front() != '"') {
            const std::string key = body.substr(0, body.size() - 2);
            if (!KnownKey(key)) return;
            if (level_ == 0) {
                Answer(Channel::Command, Prompt());
                return;
            }
            CatchUp(std::chrono::steady_clock::now());
            std::string replyKey = key;
            if (!replyForKey_.empty() && replyForKey_ != key) replyKey = replyForKey_;
            auto it = values_.find(replyKey);
            const std::string value = it == values_.end() ? std::string() : it->second;
            const std::string reply = replyKey + "=" + value + "\r\n->PASS\r\n" + Prompt();
            CountAnswered();
            Answer(Channel::Command, reply);
            return;
        }
        // Set: DQ KEY "=" VALUE "#" DQ; the value is taken as it stands.
        if (body.size() < 4 || body.front() != '"' || !EndsWith(body, "#\"")) return;
        const std::string inner = body.substr(1, body.size() - 3);
        const std::size_t eq = inner.find('=');
        if (eq == std::string::npos) return;
        const std::string key = inner.substr(0, eq);
        const std::string value = inner.substr(eq + 1);
        if (!KnownKey(key)) return;
        if (level_ == 0) {
            Answer(Channel::Command, Prompt());
            return;
        }
        values_[key] = value;
        const std::string reply = "OK\r\n->PASS\r\n" + Prompt();
        CountAnswered();
        Answer(Channel::Command, reply);
        if (key == "EVM:New" && value == "10") Answer(Channel::Log, LogStamp() + "<EVM> (test report sent)" + kCr);
        return;
    }

    // The set commands end in LF alone; a CR before it is a different command.
    if (line.size() >= 2 && line[line.size() - 2] == kCr) return;
    const std::string body = line.substr(0, line.size() - 1);
    if (StartsWith(body, kLogin)) {
        const std::string given = body.substr(kLogin.size());
        level_ = (!given.empty() && given == password_) ? 2 : 0;
        const std::string reply = Prompt();
        CountAnswered();
        Answer(Channel::Command, reply);
        return;
    }
    if (StartsWith(body, kChange)) {
        const std::string rest = body.substr(kChange.size());
        const std::size_t comma = rest.find(',');
        if (comma == std::string::npos) return;
        const std::string oldPassword = rest.substr(0, comma);
        const std::string newPassword = rest.substr(comma + 1);
        if (!oldPassword.empty() && oldPassword == password_ && !newPassword.empty()) {
            password_ = newPassword;
            level_ = 2;
        } else {
            level_ = 0;
        }
        const std::string reply = Prompt();
        CountAnswered();
        Answer(Channel::Command, reply);
    }
}

std::string ModuleSimulator::Parameter(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
}
bool ModuleSimulator::HasParameter(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.count(key) != 0;
}
void ModuleSimulator::SetParameterValue(const std::string& key, const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_[key] = value;
}
std::string ModuleSimulator::StatusValue(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = status_.find(key);
    return it == status_.end() ? std::string() : it->second;
}
void ModuleSimulator::SetStatusValue(const std::string& key, const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!status_.count(key)) statusKeys_.push_back(key);
    status_[key] = value;
}
std::string ModuleSimulator::Password() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return password_;
}
int ModuleSimulator::Level() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return level_;
}
void ModuleSimulator::SetLevel(int level) {
    std::lock_guard<std::mutex> lock(mutex_);
    level_ = level;
}
std::vector<std::string> ModuleSimulator::Commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}
int ModuleSimulator::StatusRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return statusRequests_;
}

void ModuleSimulator::SetLatency(std::chrono::milliseconds latency) {
    std::lock_guard<std::mutex> lock(mutex_);
    latency_ = latency;
}
std::chrono::milliseconds ModuleSimulator::Latency() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return latency_;
}
void ModuleSimulator::SetSilent(bool silent) {
    std::lock_guard<std::mutex> lock(mutex_);
    silent_ = silent;
}
void ModuleSimulator::SetDropToLevelZeroAfter(int commands) {
    std::lock_guard<std::mutex> lock(mutex_);
    dropAfter_ = commands;
}
void ModuleSimulator::SetLevelNinePrompt(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    levelNine_ = on;
}
void ModuleSimulator::SetReplyForKey(const std::string& otherKey) {
    std::lock_guard<std::mutex> lock(mutex_);
    replyForKey_ = otherKey;
}
void ModuleSimulator::SetChunking(std::size_t size, bool random) {
    std::lock_guard<std::mutex> lock(mutex_);
    chunkSize_ = size;
    randomChunks_ = random;
}
std::size_t ModuleSimulator::ChunkSize() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chunkSize_;
}
bool ModuleSimulator::RandomChunks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return randomChunks_;
}
void ModuleSimulator::SetCorruptEveryNthFrame(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    corruptEvery_ = n;
}
int ModuleSimulator::CorruptEveryNthFrame() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return corruptEvery_;
}
void ModuleSimulator::SetUnplugAfterReports(int reports) {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugAfter_ = reports;
}
bool ModuleSimulator::TakeReport() {
    std::lock_guard<std::mutex> lock(mutex_);
    return unplugAfter_ > 0 && --unplugAfter_ == 0;
}
void ModuleSimulator::SetLogInterval(std::chrono::milliseconds interval) {
    std::lock_guard<std::mutex> lock(mutex_);
    logInterval_ = interval;
    nextLog_ = std::chrono::steady_clock::now() + interval;
}
std::chrono::milliseconds ModuleSimulator::LogInterval() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return logInterval_;
}
void ModuleSimulator::SetStatusReportInterval(std::chrono::milliseconds interval) {
    std::lock_guard<std::mutex> lock(mutex_);
    statusInterval_ = interval;
    nextStatus_ = std::chrono::steady_clock::now() + interval;
}
std::chrono::milliseconds ModuleSimulator::StatusReportInterval() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return statusInterval_;
}

void ModuleSimulator::SetLively(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (on == lively_) return;
    lively_ = on;
    if (!on) return;  // the values stay as they were last published
    lastCatchUp_ = std::chrono::steady_clock::now();
    PublishLively();
}
bool ModuleSimulator::Lively() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lively_;
}
void ModuleSimulator::Advance(std::chrono::milliseconds elapsed) {
    std::lock_guard<std::mutex> lock(mutex_);
    AdvanceLocked(elapsed.count());
}

void ModuleSimulator::Tick() {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    CatchUp(now);
    if (logInterval_.count() > 0 && now >= nextLog_) {
        nextLog_ = now + logInterval_;
        EmitRoutineLocked();
    }
    if (statusInterval_.count() > 0 && now >= nextStatus_) {
        nextStatus_ = now + statusInterval_;
        Answer(Channel::Status, StatusReport());
    }
}

std::chrono::milliseconds ModuleSimulator::TickInterval() const {
    using std::chrono::milliseconds;
    std::lock_guard<std::mutex> lock(mutex_);
    milliseconds shortest{0};
    for (const milliseconds interval : {logInterval_, statusInterval_, lively_ ? milliseconds(250) : milliseconds(0)})
        if (interval.count() > 0 && (shortest.count() == 0 || interval < shortest)) shortest = interval;
    // Each stream keeps its own due time; ticking this often keeps them
    // within a tenth of a second of it.
    return shortest.count() == 0 ? shortest : std::min(shortest, milliseconds(100));
}

namespace detail {

DeliveryThread::DeliveryThread(Deliver deliver, Tick tick, Interval interval)
    : deliver_(std::move(deliver)), tick_(std::move(tick)), interval_(std::move(interval)) {
    thread_ = std::thread([this] { Run(); });
}

DeliveryThread::~DeliveryThread() { Stop(); }

void DeliveryThread::Post(std::vector<std::uint8_t> bytes, std::chrono::steady_clock::time_point due) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
        queue_.push_back({std::move(bytes), due});
    }
    wake_.notify_all();
}

void DeliveryThread::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
}

void DeliveryThread::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void DeliveryThread::Run() {
    using Clock = std::chrono::steady_clock;
    auto nextTick = Clock::time_point::max();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        // The interval is read without our lock held: the module's lock comes first.
        lock.unlock();
        const auto interval = interval_ ? interval_() : std::chrono::milliseconds(0);
        lock.lock();
        const auto now = Clock::now();
        if (interval.count() <= 0) nextTick = Clock::time_point::max();
        else if (nextTick == Clock::time_point::max()) nextTick = now + interval;

        if (!queue_.empty() && queue_.front().due <= now) {
            Item item = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            deliver_(item.bytes);
            lock.lock();
            continue;
        }
        if (nextTick <= now) {
            nextTick = now + interval;
            lock.unlock();
            if (tick_) tick_();
            lock.lock();
            continue;
        }
        auto until = queue_.empty() ? nextTick : std::min(nextTick, queue_.front().due);
        // Re-read the interval now and then so a knob set later takes effect.
        until = std::min(until, now + std::chrono::milliseconds(50));
        wake_.wait_until(lock, until);
    }
}

std::vector<std::vector<std::uint8_t>> Chunker::Cut(std::vector<std::vector<std::uint8_t>> pieces,
                                                    std::size_t size, bool random) {
    if (size == 0) return pieces;
    std::vector<std::uint8_t> all;
    for (const auto& p : pieces) all.insert(all.end(), p.begin(), p.end());
    std::vector<std::vector<std::uint8_t>> out;
    std::size_t offset = 0;
    while (offset < all.size()) {
        std::size_t n = size;
        if (random) n = std::uniform_int_distribution<std::size_t>(1, size)(random_);
        n = std::min(n, all.size() - offset);
        out.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(offset),
                         all.begin() + static_cast<std::ptrdiff_t>(offset + n));
        offset += n;
    }
    return out;
}

}  // namespace detail

// ---- FramedLoopback ----

FramedLoopback::FramedLoopback(ModuleSimulator& module)
    : module_(module),
      inbound_(nullptr),
      outbound_([this](const std::uint8_t* data, std::size_t length) {
          collected_.emplace_back(data, data + length);
      }) {
    inCommands_ = std::make_unique<Slot>(2, &inbound_);
    inStatus_ = std::make_unique<Slot>(4, &inbound_);
    commandSink_ = std::make_unique<ResponseConnection>(
        &module_, [](void* owner, const std::uint8_t* data, std::size_t length) {
            static_cast<ModuleSimulator*>(owner)->ReceiveCommandBytes(data, length);
        });
    statusSink_ = std::make_unique<ResponseConnection>(
        &module_, [](void* owner, const std::uint8_t* data, std::size_t length) {
            static_cast<ModuleSimulator*>(owner)->ReceiveStatusBytes(data, length);
        });
    inCommands_->receiveListeners.Add(commandSink_.get());
    inStatus_->receiveListeners.Add(statusSink_.get());
    outCommands_ = std::make_unique<Slot>(2, &outbound_);
    outLog_ = std::make_unique<Slot>(3, &outbound_);
    outStatus_ = std::make_unique<Slot>(4, &outbound_);

    delivery_ = std::make_unique<detail::DeliveryThread>(
        [this](const std::vector<std::uint8_t>& bytes) {
            {
                std::lock_guard<std::mutex> lock(plugMutex_);
                if (!plugged_) return;
            }
            Connection::OnReceive(bytes.data(), bytes.size());
        },
        [this] { module_.Tick(); }, [this] { return module_.TickInterval(); });
    module_.SetSink([this](Channel channel, const std::string& bytes, const OutputOptions& options) {
        Send(channel, bytes, options);
    });
}

FramedLoopback::~FramedLoopback() { Stop(); }

void FramedLoopback::Stop() {
    module_.SetSink(nullptr);
    delivery_->Stop();
}

void FramedLoopback::Send(Channel channel, const std::string& bytes, const OutputOptions& options) {
    // Runs under the module's lock, which also orders the frames of all channels.
    std::lock_guard<std::mutex> lock(outMutex_);
    collected_.clear();
    Slot* slot = channel == Channel::Command ? outCommands_.get()
               : channel == Channel::Status  ? outStatus_.get()
                                              : outLog_.get();
    slot->WriteString(bytes);
    // A frame reaches the parent as writes of 6, 16 and 2 bytes; the first
    // payload byte sits at offset 6 of the frame, inside the middle write.
    for (std::size_t i = 1; i < collected_.size(); i += 3) {
        ++frames_;
        if (options.corruptEvery > 0 && frames_ % options.corruptEvery == 0) collected_[i][0] ^= 0x01;
    }
    const auto due = std::chrono::steady_clock::now() + options.latency;
    for (auto& piece : chunker_.Cut(std::move(collected_), options.chunkSize, options.randomChunks))
        delivery_->Post(std::move(piece), due);
    collected_.clear();
}

bool FramedLoopback::IsOpen() {
    std::lock_guard<std::mutex> lock(plugMutex_);
    return plugged_;
}

void FramedLoopback::Write(const std::uint8_t* data, std::size_t length) {
    {
        std::lock_guard<std::mutex> lock(plugMutex_);
        if (!plugged_) return;
        // A report carries at most 60 bytes. The last report still reaches the
        // module, but the cable is out before any answer can come back.
        for (std::size_t sent = 0; sent < length; sent += 60)
            if (module_.TakeReport()) plugged_ = false;
    }
    if (length == 0) return;
    std::lock_guard<std::mutex> lock(inMutex_);
    inbound_.OnReceive(data, length);
}

void FramedLoopback::WriteString(const std::string& text) {
    Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

bool FramedLoopback::Open() { return IsOpen(); }
void FramedLoopback::Close() {}
std::string FramedLoopback::Name() { return "SIM"; }

void FramedLoopback::Plug() {
    std::lock_guard<std::mutex> lock(plugMutex_);
    plugged_ = true;
}

void FramedLoopback::Unplug() {
    {
        std::lock_guard<std::mutex> lock(plugMutex_);
        plugged_ = false;
    }
    delivery_->Clear();
}

// ---- UnframedLoopback ----

UnframedLoopback::UnframedLoopback(ModuleSimulator& module) : module_(module) {
    delivery_ = std::make_unique<detail::DeliveryThread>(
        [this](const std::vector<std::uint8_t>& bytes) {
            {
                std::lock_guard<std::mutex> lock(plugMutex_);
                if (!plugged_) return;
            }
            Connection::OnReceive(bytes.data(), bytes.size());
        },
        nullptr, nullptr);
    module_.SetSink([this](Channel channel, const std::string& bytes, const OutputOptions& options) {
        // A data call has no status or log channel.
        if (channel != Channel::Command) return;
        std::lock_guard<std::mutex> lock(outMutex_);
        const auto due = std::chrono::steady_clock::now() + options.latency;
        std::vector<std::vector<std::uint8_t>> pieces{std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
        for (auto& piece : chunker_.Cut(std::move(pieces), options.chunkSize, options.randomChunks))
            delivery_->Post(std::move(piece), due);
    });
}

UnframedLoopback::~UnframedLoopback() { Stop(); }

void UnframedLoopback::Stop() {
    module_.SetSink(nullptr);
    delivery_->Stop();
}

bool UnframedLoopback::IsOpen() {
    std::lock_guard<std::mutex> lock(plugMutex_);
    return plugged_;
}

void UnframedLoopback::Write(const std::uint8_t* data, std::size_t length) {
    {
        std::lock_guard<std::mutex> lock(plugMutex_);
        if (!plugged_) return;
    }
    module_.ReceiveCommandBytes(data, length);
}

void UnframedLoopback::WriteString(const std::string& text) {
    Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

bool UnframedLoopback::Open() { return IsOpen(); }
void UnframedLoopback::Close() {}
std::string UnframedLoopback::Name() { return "SIM"; }

void UnframedLoopback::Plug() {
    std::lock_guard<std::mutex> lock(plugMutex_);
    plugged_ = true;
}

void UnframedLoopback::Unplug() {
    {
        std::lock_guard<std::mutex> lock(plugMutex_);
        plugged_ = false;
    }
    delivery_->Clear();
}

}  // namespace varnex::sim
