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

}  // namespace varnex
