#include "params/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <random>
#include <string_view>

#include "link/Codepage.h"

namespace varnex {
namespace {

// The blanks the profile functions trim: the ASCII white space and ^Z, the
// old end-of-file mark. Other Unicode spaces (a no-break space) are text.
bool IsBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

// Names compare without regard to the case of ASCII letters only; the
// profile functions fold no other letter (a dotted capital I does not match
// an i).
wchar_t Fold(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }
std::wstring Folded(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out) c = Fold(c);
    return out;
}

std::wstring_view Trim(std::wstring_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}
std::wstring_view TrimEnd(std::wstring_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    return s.substr(0, e);
}
std::wstring_view TrimStart(std::wstring_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return s.substr(b);
}
// The profile functions keep their strings NUL-terminated: a NUL ends a name
// or a value.
std::wstring_view UpToNul(std::wstring_view s) { return s.substr(0, s.find(L'\0')); }

// What a line is, by the reading rules: blank, a section header (a "[" and
// a last "]" after it), or an entry (a name, with or without "=value").
struct Parsed {
    enum Kind { Blank, Header, Entry } kind = Blank;
    std::wstring_view name;
    bool hasValue = false;
    std::wstring_view value;  // trimmed, not yet cut at a NUL
};

Parsed ParseLine(std::wstring_view text) {
    Parsed p;
    const std::wstring_view t = Trim(text);
    if (t.empty()) return p;
    if (t.front() == L'[') {
        const auto close = t.rfind(L']');
        if (close != std::wstring_view::npos && close > 0) {
            p.kind = Parsed::Header;
            p.name = UpToNul(Trim(t.substr(1, close - 1)));
            return p;
        }
        // "[name" without its "]" is no header; it reads as an entry.
    }
    p.kind = Parsed::Entry;
    const auto eq = t.find(L'=');
    if (eq == std::wstring_view::npos) {
        p.name = UpToNul(t);
        return p;
    }
    p.name = UpToNul(TrimEnd(t.substr(0, eq)));
    p.hasValue = true;
    p.value = TrimStart(t.substr(eq + 1));
    return p;
}

bool Quoted(std::wstring_view v) {
    return v.size() >= 2 && (v.front() == L'"' || v.front() == L'\'') && v.back() == v.front();
}

// A value the reading rules would give back otherwise.
bool NeedsQuotes(std::wstring_view v) {
    return !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) || Quoted(v));
}

// At most kMaxValue UTF-16 code units, as the profile functions' buffer
// holds; a pair cut in two keeps its first half, as they do.
std::wstring Limited(std::wstring_view v) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const auto c = static_cast<std::uint32_t>(v[i]);
        const std::size_t n = c > 0xFFFF ? 2 : 1;
        if (units + n > ProfileFile::kMaxValue) {
            std::wstring out(v.substr(0, i));
            if (n == 2 && units + 1 == ProfileFile::kMaxValue)
                out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            return out;
        }
        units += n;
    }
    return std::wstring(v);
}

// A line break inside a value would start a line of its own in the file and
// could plant entries there, and a NUL would end the value for the readers;
// each is stored as a blank.
std::wstring OneLine(std::wstring value) {
    for (auto& c : value)
        if (c == L'\r' || c == L'\n' || c == L'\0') c = L' ';
    return value;
}

// ---- Saving ----

// Where a save of `path` lands: the file at the end of its symbolic links,
// followed by hand so that a link to a file not there yet leads to it too.
bool ResolveLinks(const std::string& path, std::string* target) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno != ENOENT) return false;
            *target = p;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            *target = p;
            return true;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return false;
        link.resize(static_cast<std::size_t>(n));
        if (link.front() != '/') {
            const auto slash = p.rfind('/');
            if (slash != std::string::npos) link = p.substr(0, slash + 1) + link;
        }
        p = link;
    }
    return false;  // a loop of links
}

bool WriteAt(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadWhole(const std::string& path, std::size_t size, std::string* out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    out->resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out->data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return done == size;
}

std::string FolderOf(const std::string& file) {
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
}

void SyncFolderOf(const std::string& file) {
    const int fd = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A file in the target's folder that has no name until it is complete
// (O_TMPFILE): a save killed half-way leaves nothing behind. -1 where the
// system or the file system has no such files.
int OpenUnnamed(const std::string& target) {
#ifdef O_TMPFILE
    return ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
    (void)target;
    return -1;
#endif
}

// Gives the unnamed file a fresh name beside the target, through its entry
// in /proc; false where that is not to be had.
bool NameUnnamed(int fd, const std::string& target, std::string* temp) {
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + ".";
        for (int i = 0; i < 6; ++i) name += letters[random() % (sizeof letters - 1)];
        if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            *temp = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

enum class Outcome { Written, Failed, TryInPlace };

// A temporary file beside the target, renamed over it: the old file stays
// whole until the new one is complete. It takes the old file's mode and
// owner; where the owner cannot be kept, or the folder takes no new file,
// the caller writes in place instead.
Outcome ReplaceInOneStep(const std::string& target, const std::string& bytes, const struct stat* existing,
                         bool unnamed = true) {
    std::string temp;
    int fd = unnamed ? OpenUnnamed(target) : -1;
    unnamed = fd >= 0;
    if (!unnamed) {
        temp = target + ".XXXXXX";
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return existing ? Outcome::TryInPlace : Outcome::Failed;
    }
    bool ok = true;
    bool inPlace = false;
    if (existing) {
        struct stat mine {};
        ok = ::fstat(fd, &mine) == 0;
        if (ok && (mine.st_uid != existing->st_uid || mine.st_gid != existing->st_gid) &&
            ::fchown(fd, existing->st_uid, existing->st_gid) != 0)
            inPlace = true;  // the new file would change hands
        ok = ok && !inPlace && ::fchmod(fd, existing->st_mode & 07777) == 0;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ok = ::fchmod(fd, 0666 & ~mask) == 0;
    }
    ok = ok && WriteAt(fd, bytes) && ::fsync(fd) == 0;
    if (ok && unnamed && !NameUnnamed(fd, target, &temp)) {
        ::close(fd);
        return ReplaceInOneStep(target, bytes, existing, false);
    }
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        inPlace = existing != nullptr;  // a sticky folder, for one, refuses the rename
    }
    if (!ok) {
        if (!temp.empty()) ::unlink(temp.c_str());
        return inPlace ? Outcome::TryInPlace : Outcome::Failed;
    }
    SyncFolderOf(target);
    return Outcome::Written;
}

// Rewrites an open file in place. The room is reserved first, so a full disk
// fails before a byte changes; a write that fails half-way puts the old
// bytes back where they could be read.
bool RewriteInPlace(int fd, const std::string& target, const struct stat& st, const std::string& bytes) {
    const auto oldSize = static_cast<std::size_t>(st.st_size);
    std::string old;
    const bool canRestore = ReadWhole(target, oldSize, &old);
#ifdef FALLOC_FL_KEEP_SIZE
    if (bytes.size() > oldSize && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
#endif
    const bool ok =
        WriteAt(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
    if (!ok && canRestore) {
        WriteAt(fd, old);
        (void)!::ftruncate(fd, static_cast<off_t>(old.size()));
        ::fsync(fd);
    }
    return ok;
}

bool WriteFileSafely(const std::string& path, const std::string& bytes) {
    std::string target;
    if (!ResolveLinks(path, &target)) return false;
    // Opening for writing asks the system whether this user may write the
    // file: a read-only file is refused here, before anything changes.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT && ReplaceInOneStep(target, bytes, nullptr) == Outcome::Written;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        // Renaming over a file with further hard links would part it from them.
        const Outcome o = st.st_nlink > 1 ? Outcome::TryInPlace : ReplaceInOneStep(target, bytes, &st);
        ok = o == Outcome::Written || (o == Outcome::TryInPlace && RewriteInPlace(fd, target, st, bytes));
    }
    ::close(fd);
    return ok;
}

}  // namespace

std::wstring ProfileFile::Decode(const std::string& raw) const {
    std::wstring text;
    if (encoding == Encoding::Utf16) text = DecodeUtf16Le(raw);
    // A line end stops any UTF-8 sequence, so only the file's last line, which
    // may have none, can meet the end of the text.
    else if (encoding == Encoding::Utf8) text = DecodeUtf8(raw, !Terminated(raw));
    else text = DecodeAnsi(raw);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

std::string ProfileFile::Encode(const std::wstring& text) const {
    switch (encoding) {
        case Encoding::Utf8: return EncodeUtf8(text);
        case Encoding::Utf16: return EncodeUtf16Le(text);
        case Encoding::Ansi: break;
    }
    return EncodeAnsi(text);
}

void ProfileFile::EndLine(std::string& raw) const {
    if (Terminated(raw)) return;
    const std::string end = Encode(L"\r\n");
    // A UTF-8 sequence cut off by the end of the file swallows what follows
    // it there; with a line end after it the line would read otherwise (its
    // "]" might come back and make it a header). It is written as it read.
    if (encoding == Encoding::Utf8 && Decode(raw) != Decode(raw + end)) raw = Encode(Decode(raw));
    raw += end;
}

bool ProfileFile::Terminated(const std::string& raw) const {
    if (encoding == Encoding::Utf16)
        return raw.size() >= 2 && raw.back() == 0 && (raw[raw.size() - 2] == '\n' || raw[raw.size() - 2] == '\r');
    return !raw.empty() && (raw.back() == '\n' || raw.back() == '\r');
}

void ProfileFile::Parse(const std::string& bytes) {
    lines.clear();
    sections.clear();
    sectionIndex.clear();
    bom.clear();
    oddByte.clear();
    tooLarge = loadFailed = false;
    encoding = Encoding::Ansi;

    std::string_view body(bytes);
    if (body.size() >= 3 && body.substr(0, 3) == "\xEF\xBB\xBF") {
        encoding = Encoding::Utf8;
        bom = "\xEF\xBB\xBF";
    } else if (body.size() >= 2 && body.substr(0, 2) == "\xFF\xFE") {
        encoding = Encoding::Utf16;
        bom = "\xFF\xFE";
    }
    body.remove_prefix(bom.size());
    // Half a code unit at the end reads as nothing; it stays at the very end.
    const std::size_t unit = encoding == Encoding::Utf16 ? 2 : 1;
    if (body.size() % unit) {
        oddByte = std::string(body.substr(body.size() - 1));
        body.remove_suffix(1);
    }

    // A line ends at LF, at CR LF, or at a CR alone.
    auto at = [&](std::size_t i) -> char {
        return unit == 2 && body[i + 1] != 0 ? '\x01' : body[i];
    };
    std::size_t start = 0;
    std::size_t current = static_cast<std::size_t>(-1);  // the first section of its name we are in
    while (start < body.size()) {
        std::size_t end = start;
        while (end < body.size() && at(end) != '\n' && at(end) != '\r') end += unit;
        if (end < body.size()) {
            if (at(end) == '\r' && end + unit < body.size() && at(end + unit) == '\n') end += unit;
            end += unit;
        }
        lines.push_back({std::string(body.substr(start, end - start)), {}});
        start = end;

        const std::size_t index = lines.size() - 1;
        const std::wstring text = Decode(lines.back().raw);
        const Parsed p = ParseLine(text);
        if (p.kind == Parsed::Header) {
            const auto [it, fresh] = sectionIndex.emplace(Folded(p.name), sections.size());
            if (fresh) sections.push_back({index, {}});
            current = fresh ? it->second : static_cast<std::size_t>(-1);  // a later namesake is never read
            continue;
        }
        if (p.kind == Parsed::Blank || current == static_cast<std::size_t>(-1)) continue;
        Section& s = sections[current];
        s.last = index;
        s.entries.emplace(Folded(p.name), Place{index, -1});
    }
}

bool ProfileFile::Load(const std::string& path) {
    Parse(std::string());
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        loadFailed = true;
        return false;
    }
    std::string bytes;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && static_cast<std::uintmax_t>(st.st_size) > kMaxFileSize) {
        tooLarge = true;
        ok = false;
    }
    if (ok) {
        // Room for one byte more than the file holds, to see it end; a file
        // that grew meanwhile gets more room, up to one byte past the limit.
        bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
        std::size_t done = 0;
        for (;;) {
            if (done == bytes.size()) {
                if (bytes.size() > kMaxFileSize) break;
                bytes.resize(std::min(bytes.size() * 2, kMaxFileSize + 1));
            }
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
        if (done > kMaxFileSize) tooLarge = true, ok = false;
    }
    ::close(fd);
    if (!ok) {
        const bool large = tooLarge;
        Parse(std::string());
        tooLarge = large;
        loadFailed = true;
        return false;
    }
    Parse(bytes);
    return true;
}

const ProfileFile::Section* ProfileFile::FindSection(const std::wstring& section) const {
    const auto it = sectionIndex.find(Folded(Trim(section)));
    return it == sectionIndex.end() ? nullptr : &sections[it->second];
}

const ProfileFile::Place* ProfileFile::FindEntry(const std::wstring& section, const std::wstring& key) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    const auto it = s->entries.find(Folded(Trim(key)));
    return it == s->entries.end() ? nullptr : &it->second;
}

const std::string& ProfileFile::RawAt(const Place& place) const {
    const Line& line = lines[place.line];
    return place.added < 0 ? line.raw : line.added[static_cast<std::size_t>(place.added)];
}

bool ProfileFile::HasEntry(const std::wstring& section, const std::wstring& key) const {
    return FindEntry(section, key) != nullptr;
}

std::wstring ProfileFile::ReadString(const std::wstring& section, const std::wstring& key,
                                     const std::wstring& fallback) const {
    const Place* place = FindEntry(section, key);
    if (!place) return fallback;
    const std::wstring text = Decode(RawAt(*place));
    const Parsed p = ParseLine(text);
    if (!p.hasValue) return fallback;
    std::wstring_view value = UpToNul(p.value);
    // The pair of quotes comes off before the length limit, so that a text
    // of the longest length written in quotes reads back whole.
    if (Quoted(value)) value = value.substr(1, value.size() - 2);
    return Limited(value);
}

void ProfileFile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    std::wstring v = OneLine(value);
    if (NeedsQuotes(v)) v = L"\"" + v + L"\"";
    std::string line = Encode(key + L"=" + v + L"\r\n");

    if (const Place* place = FindEntry(section, key)) {
        Line& at = lines[place->line];
        (place->added < 0 ? at.raw : at.added[static_cast<std::size_t>(place->added)]) = std::move(line);
        return;
    }
    const auto it = sectionIndex.find(Folded(Trim(section)));
    if (it != sectionIndex.end()) {
        // After the section's last line with content, before any blank lines.
        Section& s = sections[it->second];
        Line& last = lines[s.last];
        if (last.added.empty()) EndLine(last.raw);
        last.added.push_back(std::move(line));
        s.entries.emplace(Folded(Trim(key)), Place{s.last, static_cast<std::ptrdiff_t>(last.added.size() - 1)});
        return;
    }
    if (!lines.empty() && lines.back().added.empty()) EndLine(lines.back().raw);
    lines.push_back({Encode(L"[" + section + L"]\r\n"), {}});
    lines.push_back({std::move(line), {}});
    sectionIndex.emplace(Folded(Trim(section)), sections.size());
    sections.push_back({lines.size() - 1, {}});
    sections.back().entries.emplace(Folded(Trim(key)), Place{lines.size() - 1, -1});
}

std::string ProfileFile::Bytes() const {
    std::size_t size = bom.size() + oddByte.size();
    for (const auto& l : lines) {
        size += l.raw.size();
        for (const auto& a : l.added) size += a.size();
    }
    std::string all;
    all.reserve(size);
    all += bom;
    for (const auto& l : lines) {
        all += l.raw;
        for (const auto& a : l.added) all += a;
    }
    all += oddByte;
    return all;
}

bool ProfileFile::Save(const std::string& path) const {
    if (loadFailed) return false;  // writing it back would lose what was not read
    return WriteFileSafely(path, Bytes());
}

std::string SettingsFileName(const std::string& path) {
    if (path.size() < 4) return path + ".ini";
    std::string tail = path.substr(path.size() - 4);
    for (auto& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".ini" ? path : path + ".ini";
}

}  // namespace varnex
