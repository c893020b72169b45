// Our side of the settings-file check (scripts/wine-profile-check.sh). Run by
// hand, not by CI: it needs Wine and MinGW.
//
//   profile_cases generate FOLDER COUNT SEED
//     writes COUNT settings files of awkward lines in the three encodings,
//     and for every third one a copy saved by ProfileFile with awkward
//     values written into it; keys.txt lists the names to look up,
//     files.txt the files, expected.txt the values written.
//   profile_cases read FOLDER
//     looks every name up in every file with ProfileFile, printing the
//     lines profile_lookup.exe prints for the Windows profile functions.
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "link/Codepage.h"
#include "params/ProfileFile.h"

using namespace varnex;

namespace {

const std::wstring kFallback = L"\x02\x03";

// The names looked up. The first ones are real entry names; the rest probe
// the rules (case folding beyond ASCII, blanks and brackets in names).
const std::vector<std::wstring> kKeys = {
    L"edCID1", L"EditPhoneNumber1", L"cmbACK1", L"edSMS1", L"_edIN1", L"tbMinTemp", L"a",
    L"k",      L"i",                L"árvíz",  L"ž",      L"x y",    L"[Settings", L";c",
};

std::vector<std::uint16_t> Units(const std::wstring& s) {
    std::vector<std::uint16_t> u;
    for (wchar_t w : s) {
        const auto c = static_cast<std::uint32_t>(w);
        if (c > 0xFFFF) {
            u.push_back(static_cast<std::uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
            u.push_back(static_cast<std::uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            u.push_back(static_cast<std::uint16_t>(c));
        }
    }
    return u;
}

std::string Hex(const std::wstring& s) {
    std::string out;
    char b[8];
    for (auto u : Units(s)) {
        std::snprintf(b, sizeof b, " %04x", u);
        out += b;
    }
    return out;
}

class Gen {
public:
    explicit Gen(unsigned seed) : rng(seed) {}
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool Chance(int percent) { return Int(0, 99) < percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& v) { return v[static_cast<std::size_t>(Int(0, static_cast<int>(v.size()) - 1))]; }

    // Characters the encoding can hold; Windows-1250 files get only its own.
    wchar_t Char(bool wide) {
        static const std::vector<wchar_t> ansi = {L'a', L'Z', L'0', L'=', L'[', L']', L'"', L'\'', L';', L' ',
                                                  L'\t', L'\v', L'\f', L'\x1a', L'\x01', L'\0', L'\xA0', L'ő',
                                                  L'Ž', L'ş', L'\x81', L'€', L'İ' /* not 1250: only wide */};
        static const std::vector<wchar_t> extra = {L'\u2000', L'\u3000', L'\u0085', L'\uFEFF', L'\u212A',
                                                   L'\u0130', L'ж', L'Ж', L'\U0001F600', L'ș'};
        if (wide && Chance(15)) return Pick(extra);
        wchar_t c = Pick(ansi);
        if (!wide && c == L'İ') c = L'i';
        return c;
    }
    std::wstring Text(int max, bool wide) {
        std::wstring s;
        const int n = Int(0, max);
        for (int i = 0; i < n; ++i) s.push_back(Char(wide));
        return s;
    }
    std::wstring Blank(bool wide) {
        static const std::vector<std::wstring> blanks = {L" ", L"\t", L"  ", L"\v", L"\f", L"\x1a", L"\xA0"};
        if (wide && Chance(10)) return L"\u2000";
        return Pick(blanks);
    }
    std::wstring Spelling(const std::wstring& key, bool wide, bool nul = true) {
        std::wstring s = key;
        for (auto& c : s) {
            if (Chance(30) && c < 128) c = static_cast<wchar_t>(std::toupper(c));
            if (wide && Chance(20)) {
                if (c == L'i') c = L'\u0130';
                if (c == L'k') c = L'\u212A';
                if (c == L'á') c = L'Á';
                if (c == L'ž') c = L'Ž';
            }
        }
        if (nul && Chance(3)) s.insert(static_cast<std::size_t>(Int(0, static_cast<int>(s.size()))), 1, L'\0');
        return s;
    }
    std::wstring Value(bool wide) {
        switch (Int(0, 9)) {
            case 0: return L"";
            case 1: return Blank(wide) + Text(6, wide) + Blank(wide);
            case 2: return L"\"" + Text(6, wide) + L"\"";
            case 3: return L"'" + Text(6, wide) + L"'";
            case 4: return Pick(std::vector<std::wstring>{L"\"", L"'", L"\"\"", L"''", L"\"x'", L" \" a \" "});
            case 5: {
                const int n = Int(2040, 2052);
                std::wstring s(static_cast<std::size_t>(n), L'x');
                if (Chance(50)) s = L"\"" + s + L"\"";
                if (wide && Chance(30)) s[static_cast<std::size_t>(Int(n - 10, n - 1))] = L'\U0001F600';
                return s;
            }
            default: return Text(12, wide);
        }
    }
    std::wstring Header(bool wide) {
        static const std::vector<std::wstring> headers = {
            L"[Settings]",     L"[settings]",     L"[SETTINGS]",  L"[ Settings ]",  L"[\tSettings]",
            L"[Settings",      L"Settings]",      L"[Settings]x", L"[Settings] ]",  L"[Set]tings]",
            L"[Other]",        L"[]",             L" [Settings]", L"\v[Settings]\f", L"[Settings\0x]",
            L"[Settingsx]",    L"[Settings];c",   L"[Settings]]", L"[[Settings]",   L"[Settings\x1a]"};
        std::wstring h = Pick(headers);
        if (wide && Chance(10)) h = L"[Sett\u0130ngs]";
        return h;
    }
    std::wstring Line(bool wide) {
        const int kind = Int(0, 19);
        if (kind < 3) return Header(wide);
        if (kind == 3) return L"";
        if (kind == 4) return Blank(wide);
        if (kind == 5) return L";" + Pick(kKeys) + L"=" + Text(4, wide);
        if (kind == 6) return Text(10, wide);
        std::wstring line;
        if (Chance(20)) line += Blank(wide);
        line += Spelling(Pick(kKeys), wide);
        if (Chance(20)) line += Blank(wide);
        if (Chance(85)) {
            line += L"=";
            if (Chance(5)) line += L"=";
            line += Value(wide);
        }
        if (Chance(10)) line += Blank(wide);
        return line;
    }
    std::string LineEnd() {
        static const std::vector<std::string> ends = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\n\r", "\r\r\n"};
        return Pick(ends);
    }

    std::mt19937 rng;
};

std::string Utf8(const std::wstring& s) {
    std::string out;
    for (wchar_t w : s) {
        const auto c = static_cast<std::uint32_t>(w);
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0x800) out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        else
            out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                    static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    return out;
}

std::string Utf16(const std::wstring& s) {
    std::string out;
    for (auto u : Units(s)) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return out;
}

std::string Encode(const std::wstring& s, ProfileFile::Encoding e) {
    if (e == ProfileFile::Encoding::Utf8) return Utf8(s);
    if (e == ProfileFile::Encoding::Utf16) return Utf16(s);
    return EncodeAnsi(s);
}

std::string Name(char prefix, int i) {
    char b[16];
    std::snprintf(b, sizeof b, "%c%05d.ini", prefix, i);
    return b;
}

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Values that the reading rules would change if written as they are.
std::vector<std::wstring> AwkwardValues() {
    std::vector<std::wstring> v = {
        L"",           L" ",        L"Alarm ",     L" Alarm",   L"\"quoted\"", L"'single'", L"\"",
        L"'",          L"a\"b\"c",  L"\"\"",       L"''",       L"\"x'",       L"\tTab",    L"x\v",
        L"\x1a",       L"ș ț Ș Ț",  L"中",         L"Ő ű",      L"a=b",        L"[Settings]", L"x\r\ny",
        L"\xA0x\xA0",  L"\"  \"",   L" \"a\" ",    L"=",        L";c",
    };
    for (std::size_t n : {2045, 2046, 2047, 2048}) {
        v.push_back(std::wstring(n, L'y'));
        v.push_back(std::wstring(n - 1, L'y') + L" ");
    }
    return v;
}

std::wstring AsStored(const std::wstring& value, ProfileFile::Encoding e) {
    std::wstring v = value;
    for (auto& c : v)
        if (c == L'\r' || c == L'\n' || c == L'\0') c = L' ';
    if (e == ProfileFile::Encoding::Ansi) v = DecodeAnsi(EncodeAnsi(v));
    // At most kMaxValue UTF-16 units; a pair cut in two keeps its first half.
    std::size_t units = 0, keep = 0;
    while (keep < v.size() && units + (v[keep] > 0xFFFF ? 2 : 1) <= ProfileFile::kMaxValue)
        units += v[keep++] > 0xFFFF ? 2 : 1;
    const bool split = keep < v.size() && units + 1 == ProfileFile::kMaxValue && v[keep] > 0xFFFF;
    const wchar_t high = split ? static_cast<wchar_t>(0xD800 + ((v[keep] - 0x10000) >> 10)) : 0;
    v.resize(keep);
    if (split) v.push_back(high);
    return v;
}

int Generate(const std::string& folder, int count, unsigned seed) {
    Gen g(seed);
    std::ofstream keys(folder + "/keys.txt"), files(folder + "/files.txt"), expected(folder + "/expected.txt");
    for (const auto& k : kKeys) keys << Hex(k).substr(1) << "\n";
    const auto awkward = AwkwardValues();
    for (int i = 0; i < count; ++i) {
        const int pick = g.Int(0, 99);
        const auto enc = pick < 60 ? ProfileFile::Encoding::Ansi
                         : pick < 80 ? ProfileFile::Encoding::Utf8
                                     : ProfileFile::Encoding::Utf16;
        const bool wide = enc != ProfileFile::Encoding::Ansi;
        std::string bytes = enc == ProfileFile::Encoding::Utf8    ? "\xEF\xBB\xBF"
                            : enc == ProfileFile::Encoding::Utf16 ? "\xFF\xFE"
                                                                   : "";
        const int lineCount = g.Int(0, 14);
        if (g.Chance(70)) bytes += Encode(L"[Settings]", enc) + Encode(L"\r\n", enc);
        for (int l = 0; l < lineCount; ++l) {
            std::string line = Encode(g.Line(wide), enc);
            // Now and then a byte sequence that is no UTF-8 at all.
            if (enc == ProfileFile::Encoding::Utf8 && g.Chance(5))
                line.insert(static_cast<std::size_t>(g.Int(0, static_cast<int>(line.size()))),
                            g.Pick(std::vector<std::string>{"\xC3", "\xE2\x82", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                                            "\xC0\xAF", "\x80", "\xFF", "\xF0\x9F\x98"}));
            bytes += line;
            if (l + 1 < lineCount || g.Chance(70)) {
                const std::string end = g.LineEnd();
                for (char c : end) bytes += Encode(std::wstring(1, static_cast<wchar_t>(c)), enc);
            }
        }
        // Half a unit at the end, after a line end: Wine reads the missing
        // half from past its buffer, so it must not touch a value here.
        if (enc == ProfileFile::Encoding::Utf16 && g.Chance(10)) bytes += Encode(L"\r\n", enc) + "x";
        const std::string name = Name('c', i);
        Put(folder + "/" + name, bytes);
        files << name << "\n";

        if (i % 3 != 0) continue;
        ProfileFile file;
        file.Parse(bytes);
        std::map<std::size_t, std::wstring> written;  // by key: the last value written
        const int writes = g.Int(1, 6);
        for (int w = 0; w < writes; ++w) {
            const auto k = static_cast<std::size_t>(g.Int(0, 6));  // the real entry names
            const std::wstring value = g.Chance(70) ? g.Pick(awkward) : g.Value(wide);
            file.WriteString(L"Settings", g.Spelling(kKeys[k], false, false), value);
            written[k] = value;
        }
        const std::string out = Name('w', i);
        if (!file.Save(folder + "/" + out)) {
            std::fprintf(stderr, "could not save %s\n", out.c_str());
            return 1;
        }
        files << out << "\n";
        for (const auto& [k, value] : written)
            expected << out << " k" << k << " =" << Hex(AsStored(value, file.FileEncoding())) << "\n";
    }
    return 0;
}

int Read(const std::string& folder) {
    std::ifstream files(folder + "/files.txt");
    std::string name;
    while (std::getline(files, name)) {
        if (name.empty()) continue;
        ProfileFile file;
        if (!file.Load(folder + "/" + name)) {
            std::fprintf(stderr, "could not load %s\n", name.c_str());
            return 1;
        }
        for (std::size_t k = 0; k < kKeys.size(); ++k) {
            const std::wstring v = file.ReadString(L"Settings", kKeys[k], kFallback);
            std::printf("%s k%zu%s\n", name.c_str(), k, v == kFallback ? " default" : (" =" + Hex(v)).c_str());
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc == 5) return Generate(argv[2], std::stoi(argv[3]), static_cast<unsigned>(std::stoul(argv[4])));
    if (mode == "read" && argc == 3) return Read(argv[2]);
    std::fprintf(stderr, "usage: profile_cases generate FOLDER COUNT SEED | read FOLDER\n");
    return 2;
}
