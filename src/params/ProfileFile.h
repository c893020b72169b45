#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace varnex {

// An INI-style settings file read and written by the rules of the classic
// profile functions: names match without regard to case, the first match
// counts, values are trimmed and lose one pair of enclosing quotes, and a
// write replaces an entry in its own line and keeps every other line as it
// was. Text is 8-bit (Windows-1250). No Qt here.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValue = 2047;
    // Settings files are a few kilobytes; past this the rest is not read,
    // and such a file is never written over.
    static constexpr std::size_t kMaxFileSize = 16u << 20;

    // A missing file loads as empty. False when the file exists but cannot
    // be read whole.
    bool Load(const std::string& path);
    // Takes the file's bytes as Load would have read them.
    void Parse(const std::string& bytes);

    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback = std::wstring()) const;
    bool HasEntry(const std::wstring& section, const std::wstring& key) const {
        return Find(section, key).entryLine != npos;
    }
    void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);

    // Replaces the file in one step: a save that fails leaves the file on
    // disk as it was. False when it cannot be written.
    bool Save(const std::string& path) const;

    // The file's bytes as they would be saved.
    std::string Bytes() const;

private:
    struct Found {
        std::size_t sectionLine = npos;  // the header line
        std::size_t entryLine = npos;
        std::size_t lastLine = npos;     // the section's last line that is not blank
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    Found Find(const std::wstring& section, const std::wstring& key) const;

    std::vector<std::string> lines;  // raw bytes, each with its own line end
    bool truncated = false;
};

// The name a settings file is saved under: ".ini" is added unless the name
// already ends in it, in any case.
std::string SettingsFileName(const std::string& path);

}  // namespace varnex
