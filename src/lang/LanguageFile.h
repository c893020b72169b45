#pragma once
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

// Language files: UTF-8 INI text whose section "Language" maps keys (control
// names and text keys) to texts. Toolkit-free; texts stay UTF-8 here.

namespace varnex {

// A real language file is a few dozen kilobytes. Anything past this is not
// read, so a huge file costs a bounded read on every lookup, not a stall.
inline constexpr std::size_t kMaxLanguageFileBytes = 1024 * 1024;

// The entries of the "Language" section of one file's content.
//
// Lines are trimmed of blanks; empty lines and lines starting with ";" are
// skipped; "[name]" opens a section; inside a section, "key=value" is split at
// the first "=" and both sides are trimmed. Lines before the first section and
// lines without "=" are ignored. Section names and keys compare without regard
// to ASCII letter case (control names are ASCII). When a key occurs more than
// once, its first occurrence counts, as a reader scanning the file would find
// it; entries with an empty key are dropped since no key can ask for them.
class LanguageSection {
public:
    LanguageSection() = default;
    // A leading UTF-8 byte order mark is skipped.
    static LanguageSection Parse(std::string content);

    // The value of the key, empty when the section has no such entry. The
    // view lives as long as this object (or a copy of it).
    std::string_view Value(std::string_view key) const;
    std::size_t size() const { return m_values.size(); }

private:
    struct CaseFoldHash {
        std::size_t operator()(std::string_view s) const noexcept;
    };
    struct CaseFoldEqual {
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };

    std::shared_ptr<const std::string> m_content;  // the views below point into it
    std::unordered_map<std::string_view, std::string_view, CaseFoldHash, CaseFoldEqual> m_values;
};

// True when a language code can only name a file in the current directory: no
// path separator of any platform, no drive or stream colon, no "..", no NUL.
bool IsSafeLanguageCode(std::string_view code);

struct LanguageFileRead {
    enum class Status {
        Missing,  // no such file, or not a regular file (directory, pipe, device)
        Read,     // content holds the file's bytes, at most the limit
        Failed,   // the file exists but cannot be read; error says why
    };
    Status status = Status::Missing;
    std::string content;
    bool truncated = false;  // the file was longer than the limit
    std::string error;
};

// Reads a language file. Only regular files are read, and the file is opened
// so that a pipe can never block the caller. When the file is longer than the
// limit, the content ends at the last complete line within it.
LanguageFileRead ReadLanguageFile(const std::filesystem::path& path,
                                  std::size_t limit = kMaxLanguageFileBytes);

}  // namespace varnex
