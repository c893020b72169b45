#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace varnex {

// Assembles the module's status records, {KEY=VALUE}, from the pieces the
// status channel delivers. No Qt here: the window applies the values.
class StatusStream {
public:
    // A record is a few dozen characters; text without a "}" beyond this is
    // dropped, and the next "}" brings the stream back in step.
    static constexpr std::size_t kLimit = 16 * 1024;
    using Apply = std::function<void(const std::wstring& key, const std::wstring& value)>;

    // Appends `text` and applies every complete record, in order. A record
    // is consumed before it is applied, and an `apply` that throws does not
    // stop the records after it: the messages of such failures are returned.
    std::vector<std::string> Feed(const std::wstring& text, const Apply& apply);

    const std::wstring& Buffer() const { return statusBuffer; }

private:
    std::wstring statusBuffer;
};

// Assembles the module's log lines (each ends in CR) and picks out the lines
// of particular kinds by their "] <WORD> (" marker.
class LogStream {
public:
    // A line this long without its CR is passed on as it stands, so nothing
    // is lost and memory stays bounded.
    static constexpr std::size_t kLimit = 16 * 1024;
    struct Line {
        std::wstring text;   // for MemoLog1
        std::wstring pane2;  // from the marker of the first logWords2 keyword found; empty if none
        std::wstring pane3;  // likewise for logWords3
    };
    using Emit = std::function<void(const Line& line)>;

    static const std::vector<std::wstring> logWords2;
    static const std::vector<std::wstring> logWords3;

    void Feed(const std::wstring& text, const Emit& emit);
    // The part of `line` from the marker of the first keyword of `words`
    // (in list order) that it carries, or empty.
    static std::wstring MarkedPart(const std::wstring& line, const std::vector<std::wstring>& words);

    const std::wstring& Buffer() const { return logBuffer; }

private:
    void EmitLine(const std::wstring& text, const Emit& emit);
    std::wstring logBuffer;
};

}  // namespace varnex
