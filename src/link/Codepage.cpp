#include "link/Codepage.h"

#include <array>
#include <unordered_map>

namespace varnex {
namespace {

// Bytes 0x80..0xFF. The five unassigned bytes map to the C1 control of the same
// value, as the Windows conversion does, so every byte survives a round trip.
constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

const std::unordered_map<wchar_t, char>& Reverse() {
    static const std::unordered_map<wchar_t, char> map = [] {
        std::unordered_map<wchar_t, char> m;
        for (std::size_t i = 0; i < kHigh.size(); ++i)
            m.emplace(static_cast<wchar_t>(kHigh[i]), static_cast<char>(0x80 + i));
        // Best fit for the Romanian comma-below letters, which Romanian
        // keyboards type and the code page holds only with a cedilla;
        // readers take the two forms for the same letters.
        m.emplace(L'\u0218', static_cast<char>(0xAA));
        m.emplace(L'\u0219', static_cast<char>(0xBA));
        m.emplace(L'\u021A', static_cast<char>(0xDE));
        m.emplace(L'\u021B', static_cast<char>(0xFE));
        return m;
    }();
    return map;
}

}  // namespace

std::wstring DecodeAnsi(const std::uint8_t* data, std::size_t length) {
    std::wstring out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = data[i];
        out.push_back(b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(kHigh[b - 0x80]));
    }
    return out;
}

std::wstring DecodeAnsi(const std::string& bytes) {
    return DecodeAnsi(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string EncodeAnsi(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    const auto& reverse = Reverse();
    for (wchar_t c : text) {
        if (c >= 0 && c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        auto it = reverse.find(c);
        out.push_back(it != reverse.end() ? it->second : '?');
    }
    return out;
}

bool CanEncodeAnsi(const std::wstring& text) {
    const auto& reverse = Reverse();
    for (wchar_t c : text)
        if (!(c >= 0 && c < 0x80) && reverse.find(c) == reverse.end()) return false;
    return true;
}

std::wstring DecodeUtf8(std::string_view s, bool atEnd) {
    std::wstring out;
    out.reserve(s.size());
    const std::size_t n = s.size();
    auto continuation = [&](std::size_t k) -> std::uint32_t {
        return k < n ? static_cast<std::uint32_t>(static_cast<unsigned char>(s[k]) ^ 0x80) : 0xFF;
    };
    std::size_t i = 0;
    while (i < n) {
        const auto b = static_cast<unsigned char>(s[i++]);
        if (b < 0x80) {
            out.push_back(static_cast<wchar_t>(b));
            continue;
        }
        const int len = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
        if (atEnd && i + static_cast<std::size_t>(len) > n) {
            out.push_back(L'\uFFFD');
            break;
        }
        std::uint32_t cp = b & (len == 1 ? 0x1Fu : len == 2 ? 0x0Fu : 0x07u);
        bool good = false;
        std::uint32_t c = 0;
        switch (len) {
            case 3:
                if ((c = continuation(i)) >= 0x40) break;
                cp = (cp << 6) | c;
                ++i;
                if (cp < 0x10 || cp >= 0x110) break;  // too long a form, or past U+10FFFF
                [[fallthrough]];
            case 2:
                if ((c = continuation(i)) >= 0x40) break;
                cp = (cp << 6) | c;
                ++i;
                if (cp < 0x20 || (cp >= 0x360 && cp < 0x380)) break;  // too long a form, or a surrogate
                [[fallthrough]];
            case 1:
                if ((c = continuation(i)) >= 0x40) break;
                cp = (cp << 6) | c;
                ++i;
                good = cp >= 0x80;
                break;
            default: break;
        }
        out.push_back(good ? static_cast<wchar_t>(cp) : L'\uFFFD');
    }
    return out;
}

std::string EncodeUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        auto c = static_cast<std::uint32_t>(w);
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::wstring DecodeUtf16Le(std::string_view s) {
    std::wstring out;
    out.reserve(s.size() / 2);
    auto unit = [&](std::size_t k) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(s[2 * k])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(s[2 * k + 1])) << 8;
    };
    const std::size_t n = s.size() / 2;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00)));
            ++k;
        } else {
            out.push_back(static_cast<wchar_t>(u));
        }
    }
    return out;
}

std::string EncodeUtf16Le(std::wstring_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](std::uint32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (wchar_t w : text) {
        auto c = static_cast<std::uint32_t>(w);
        if (c > 0x10FFFF) c = 0xFFFD;
        if (c > 0xFFFF) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

}  // namespace varnex
