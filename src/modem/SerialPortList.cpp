#include "modem/SerialPortList.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "modem/Tserial.h"

namespace varnex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && IsDigit(a[ei])) ++ei;
            while (ej < b.size() && IsDigit(b[ej])) ++ej;
            // Compare the values without converting: no run is too long.
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            const int c = a.compare(si, ei - si, b, sj, ej - sj);
            if (c != 0) return c < 0;
            if (ei - i != ej - j) return ei - i < ej - j;  // "01" after "1"
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> SerialPortCandidates(const std::string& directory) {
    static const char* const kFamilies[] = {"ttyS", "ttyUSB", "ttyACM"};
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::vector<std::string> paths;
    for (const char* family : kFamilies) {
        const std::string prefix(family);
        std::vector<std::string> members;
        for (const auto& name : names)
            if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0) members.push_back(name);
        std::sort(members.begin(), members.end(), NaturalLess);
        for (const auto& name : members) paths.push_back(directory + "/" + name);
    }
    return paths;
}

SerialPortList RefreshSerialPortList(const SerialPortProbeSource& source) {
    SerialPortList list;
    Tserial probe;
    for (const auto& name : source ? source() : std::vector<std::string>()) {
        if (probe.OpenPort(name, 9600, 0) != Tserial::kOpened) continue;
        list.names.push_back(name);
        probe.ClosePort();
    }
    if (!list.names.empty()) list.selected = 0;
    return list;
}

SerialPortList RefreshSerialPortList() {
    return RefreshSerialPortList([] { return SerialPortCandidates(); });
}

}  // namespace varnex
