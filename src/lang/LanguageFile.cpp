#include "lang/LanguageFile.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace varnex {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// Cuts text after its last line end, so a read stopped at the limit never
// hands a half line (a half value) to the parser.
void DropPartialLine(std::string& text) {
    const std::size_t end = text.find_last_of("\r\n");
    text.resize(end == std::string::npos ? 0 : end + 1);
}

}  // namespace

std::size_t LanguageSection::CaseFoldHash::operator()(std::string_view s) const noexcept {
    std::size_t h = 1469598103934665603ull;  // FNV-1a over the folded bytes
    for (char c : s) {
        h ^= static_cast<unsigned char>(FoldAscii(c));
        h *= 1099511628211ull;
    }
    return h;
}

bool LanguageSection::CaseFoldEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    return EqualsFolded(a, b);
}

LanguageSection LanguageSection::Parse(std::string content) {
    LanguageSection section;
    auto owned = std::make_shared<const std::string>(std::move(content));
    std::string_view rest = *owned;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);

    bool inSection = false;
    bool inLanguage = false;
    while (!rest.empty()) {
        // A line ends at CR, LF or CR LF; blank lines in between are skipped below.
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = Trim(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);

        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            inSection = true;
            inLanguage = EqualsFolded(Trim(line.substr(1, line.size() - 2)), "Language");
            continue;
        }
        if (!inSection || !inLanguage) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        if (key.empty()) continue;
        section.m_values.emplace(key, Trim(line.substr(eq + 1)));  // keeps the first
    }
    section.m_content = std::move(owned);
    return section;
}

std::string_view LanguageSection::Value(std::string_view key) const {
    const auto it = m_values.find(key);
    return it == m_values.end() ? std::string_view() : it->second;
}

bool IsSafeLanguageCode(std::string_view code) {
    if (code.find_first_of(std::string_view("/\\:\0", 4)) != std::string_view::npos) return false;
    return code.find("..") == std::string_view::npos;
}

#ifdef _WIN32

LanguageFileRead ReadLanguageFile(const std::filesystem::path& path, std::size_t limit) {
    LanguageFileRead result;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return result;
    if (ec) {
        result.status = LanguageFileRead::Status::Failed;
        result.error = ec.message();
        return result;
    }
    if (!std::filesystem::is_regular_file(status)) return result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.status = LanguageFileRead::Status::Failed;
        result.error = "the file cannot be opened for reading";
        return result;
    }
    result.content.resize(limit);
    in.read(result.content.data(), static_cast<std::streamsize>(limit));
    result.content.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        result.status = LanguageFileRead::Status::Failed;
        result.error = "the file cannot be read";
        result.content.clear();
        return result;
    }
    result.truncated = result.content.size() == limit && in.peek() != std::ifstream::traits_type::eof();
    if (result.truncated) DropPartialLine(result.content);
    result.status = LanguageFileRead::Status::Read;
    return result;
}

#else

LanguageFileRead ReadLanguageFile(const std::filesystem::path& path, std::size_t limit) {
    LanguageFileRead result;
    auto fail = [&result](int error) {
        result.status = LanguageFileRead::Status::Failed;
        result.error = std::generic_category().message(error);
        result.content.clear();
        return result;
    };

    // Non-blocking, so that opening a pipe named like a language file returns
    // at once; the type check below then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return result;
        return fail(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return result;
    }

    // One byte beyond the limit tells a file of exactly the limit from a longer one.
    result.content.resize(limit + 1);
    std::size_t got = 0;
    while (got < result.content.size()) {
        const ssize_t n = ::read(fd, result.content.data() + got, result.content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return fail(error);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    result.truncated = got > limit;
    result.content.resize(result.truncated ? limit : got);
    if (result.truncated) DropPartialLine(result.content);
    result.status = LanguageFileRead::Status::Read;
    return result;
}

#endif

}  // namespace varnex
