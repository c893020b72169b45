#include "params/Streams.h"

#include <exception>

namespace varnex {

std::vector<std::string> StatusStream::Feed(const std::wstring& text, const Apply& apply) {
    std::vector<std::string> failures;
    statusBuffer += text;
    for (;;) {
        const auto a = statusBuffer.find(L'{');
        if (a == std::wstring::npos) break;
        const auto p = statusBuffer.find(L'}');
        if (p == std::wstring::npos) break;
        std::wstring key, value;
        bool record = false;
        if (a < p) {
            const auto e = statusBuffer.find(L'=');
            if (e != std::wstring::npos && a < e && e < p) {
                key = statusBuffer.substr(a + 1, e - a - 1);
                value = statusBuffer.substr(e + 1, p - e - 1);
                if (value.empty()) value = L" ";
                record = true;
            }
        }
        // Every "}" consumes the text before it, usable or not.
        statusBuffer.erase(0, p + 1);
        if (!record || !apply) continue;
        try {
            apply(key, value);
        } catch (const std::exception& error) {
            failures.emplace_back(error.what());
        }
    }
    if (statusBuffer.size() > kLimit) statusBuffer.clear();
    return failures;
}

const std::vector<std::wstring> LogStream::logWords2 = {L"PPP", L"ppp", L"SIO", L"LINK", L"SLIC", L"Siadata", L"DTMF"};
const std::vector<std::wstring> LogStream::logWords3 = {L"ATCH", L"JST", L"DTMFF"};

std::wstring LogStream::MarkedPart(const std::wstring& line, const std::vector<std::wstring>& words) {
    for (const auto& word : words) {
        const auto at = line.find(L"] <" + word + L"> (");
        if (at != std::wstring::npos) return line.substr(at + 2);  // from the "<"
    }
    return std::wstring();
}

void LogStream::EmitLine(const std::wstring& text, const Emit& emit) {
    if (!emit) return;
    emit(Line{text, MarkedPart(text, logWords2), MarkedPart(text, logWords3)});
}

void LogStream::Feed(const std::wstring& text, const Emit& emit) {
    logBuffer += text;
    std::size_t start = 0;
    for (;;) {
        const auto p = logBuffer.find(L'\r', start);
        if (p == std::wstring::npos) break;
        // A line ends at CR alone; an LF after it begins the next line.
        EmitLine(logBuffer.substr(start, p - start), emit);
        start = p + 1;
    }
    logBuffer.erase(0, start);
    while (logBuffer.size() > kLimit) {
        EmitLine(logBuffer.substr(0, kLimit), emit);
        logBuffer.erase(0, kLimit);
    }
}

}  // namespace varnex
