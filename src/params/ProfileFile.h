#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace varnex {

// An INI-style settings file read and written by the rules of the classic
// profile functions: names match without regard to case, the first match
// counts, values are trimmed and lose one pair of enclosing quotes, and a
// write replaces an entry in its own line and keeps every other line as it
// was. Text is 8-bit Windows-1250 unless the file begins with a UTF-8 or a
// UTF-16 LE byte order mark; a write keeps the file's own encoding. The file
// is parsed once, so a lookup does not rescan it. No Qt here.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValue = 2047;
    // Settings files are a few kilobytes; anything past this is not one, and
    // is neither read nor written over.
    static constexpr std::size_t kMaxFileSize = std::size_t{1} << 20;

    enum class Encoding { Ansi, Utf8, Utf16 };

    // A missing file loads as empty. False when the file exists but cannot be
    // read whole, or is larger than kMaxFileSize (TooLarge() then tells).
    bool Load(const std::string& path);
    bool TooLarge() const { return tooLarge; }
    // Takes the file's bytes as Load would have read them (any size).
    void Parse(const std::string& bytes);
    Encoding FileEncoding() const { return encoding; }

    // The entry's value; `fallback` when there is no such entry, or when its
    // line holds the name alone, without "=".
    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback = std::wstring()) const;
    bool HasEntry(const std::wstring& section, const std::wstring& key) const;
    // A value that the reading rules would change (blanks at either end, or a
    // pair of enclosing quotes) is written inside double quotes, so that it
    // reads back exactly; every other value is written as it is.
    void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);

    // Writes the file where `path` leads (through symbolic links), keeping its
    // permission bits and owner. Replaces it in one step where the folder
    // allows; otherwise rewrites it in place and puts the old bytes back if
    // that fails. False, with the file as it was and no temporary file left,
    // when it cannot be written: a file the user may not write is not
    // written, and neither is one that failed to load.
    bool Save(const std::string& path) const;

    // The file's bytes as they would be saved.
    std::string Bytes() const;

private:
    struct Line {
        std::string raw;                 // as in the file, line end included
        std::vector<std::string> added;  // entries added after it, in order
    };
    struct Place {
        std::size_t line = 0;
        std::ptrdiff_t added = -1;  // -1: the line itself
    };
    struct Section {
        std::size_t last = 0;  // the line after which new entries go
        std::unordered_map<std::wstring, Place> entries;  // by folded name; the first one
    };

    const Section* FindSection(const std::wstring& section) const;
    const Place* FindEntry(const std::wstring& section, const std::wstring& key) const;
    const std::string& RawAt(const Place& place) const;
    std::wstring Decode(const std::string& raw) const;
    std::string Encode(const std::wstring& text) const;
    bool Terminated(const std::string& raw) const;
    // Gives the file's last line a line end before anything goes after it.
    void EndLine(std::string& raw) const;

    Encoding encoding = Encoding::Ansi;
    std::string bom;
    std::string oddByte;  // a UTF-16 file's last, unpaired byte
    std::vector<Line> lines;
    std::vector<Section> sections;
    std::unordered_map<std::wstring, std::size_t> sectionIndex;  // folded name -> first section
    bool tooLarge = false;
    bool loadFailed = false;
};

// The name a settings file is saved under: ".ini" is added unless the name
// already ends in it, in any case.
std::string SettingsFileName(const std::string& path);

}  // namespace varnex
