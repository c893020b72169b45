#include "params/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cctype>
#include <cwctype>
#include <fstream>

#include "link/Codepage.h"

namespace varnex {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The line's text without its line end.
std::wstring Text(const std::string& raw) {
    std::size_t n = raw.size();
    while (n > 0 && (raw[n - 1] == '\n' || raw[n - 1] == '\r')) --n;
    return DecodeAnsi(reinterpret_cast<const std::uint8_t*>(raw.data()), n);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    return true;
}

// The section name of a header line, or false when the line is none.
bool SectionName(const std::wstring& text, std::wstring* name) {
    const std::wstring t = Trim(text);
    if (t.empty() || t[0] != L'[') return false;
    const auto close = t.find(L']');
    *name = Trim(t.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
    return true;
}

bool EntryName(const std::wstring& text, std::wstring* name, std::wstring* value) {
    const auto eq = text.find(L'=');
    if (eq == std::wstring::npos) return false;
    *name = Trim(text.substr(0, eq));
    if (value) *value = text.substr(eq + 1);
    return true;
}

std::string Line(const std::wstring& text) { return EncodeAnsi(text) + "\r\n"; }

// A line break inside a value would start a line of its own in the file and
// could plant entries there; it is stored as a blank.
std::wstring OneLine(std::wstring value) {
    for (auto& c : value)
        if (c == L'\r' || c == L'\n') c = L' ';
    return value;
}

}  // namespace

bool ProfileFile::Load(const std::string& path) {
    lines.clear();
    truncated = false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        struct stat st {};
        return ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
    }
    std::string bytes;
    bytes.resize(kMaxFileSize + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return false;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    const bool cut = bytes.size() > kMaxFileSize;
    if (cut) bytes.resize(kMaxFileSize);
    Parse(bytes);
    truncated = cut;
    return true;
}

void ProfileFile::Parse(const std::string& bytes) {
    lines.clear();
    truncated = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
}

ProfileFile::Found ProfileFile::Find(const std::wstring& section, const std::wstring& key) const {
    Found found;
    std::wstring name, entry;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::wstring text = Text(lines[i]);
        if (SectionName(text, &name)) {
            if (inSection) break;  // the first matching section counts
            if (SameName(name, section)) {
                inSection = true;
                found.sectionLine = found.lastLine = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(text).empty()) found.lastLine = i;
        if (found.entryLine == npos && EntryName(text, &entry, nullptr) && SameName(entry, key))
            found.entryLine = i;
    }
    return found;
}

std::wstring ProfileFile::ReadString(const std::wstring& section, const std::wstring& key,
                                     const std::wstring& fallback) const {
    const Found found = Find(section, key);
    if (found.entryLine == npos) return fallback;
    std::wstring name, value;
    EntryName(Text(lines[found.entryLine]), &name, &value);
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    if (value.size() > kMaxValue) value.resize(kMaxValue);
    return value;
}

void ProfileFile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    const std::string line = Line(key + L"=" + OneLine(value));
    const Found found = Find(section, key);
    if (found.entryLine != npos) {
        lines[found.entryLine] = line;
        return;
    }
    if (found.sectionLine != npos) {
        // After the section's last line with content, before any blank lines.
        auto& last = lines[found.lastLine];
        if (last.empty() || last.back() != '\n') last += "\r\n";
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(found.lastLine + 1), line);
        return;
    }
    if (!lines.empty() && !lines.back().empty() && lines.back().back() != '\n') lines.back() += "\r\n";
    lines.push_back(Line(L"[" + section + L"]"));
    lines.push_back(line);
}

std::string ProfileFile::Bytes() const {
    std::string all;
    for (const auto& l : lines) all += l;
    return all;
}

bool ProfileFile::Save(const std::string& path) const {
    if (truncated) return false;  // writing it back would lose its tail
    // Replace the file a link points to, not the link.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat st {};
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode)) return false;

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = true;
    if (existed) {
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ok = ::fchmod(fd, 0666 & ~mask) == 0;
    }
    const std::string bytes = Bytes();
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

std::string SettingsFileName(const std::string& path) {
    if (path.size() < 4) return path + ".ini";
    std::string tail = path.substr(path.size() - 4);
    for (auto& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".ini" ? path : path + ".ini";
}

}  // namespace varnex
