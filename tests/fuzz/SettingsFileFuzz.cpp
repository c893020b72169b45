// The settings-file reader and writer. Any bytes, in any of the three
// encodings (the input picks a byte order mark or none), load and give back
// exactly themselves when nothing is changed; values written over any such
// file are read back, after a save and a fresh read, exactly, blanks and
// quotes included, as long as the format can hold them at all.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>

#include "FuzzCheck.h"
#include "link/Codepage.h"
#include "params/Catalogue.h"
#include "params/ProfileFile.h"

using namespace varnex;

namespace {

const std::wstring kSection = L"Settings";

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// A value the file can carry: one line, no NUL (either ends the value), not
// past the length the readers take. Blanks and quotes are no obstacle.
bool Holdable(const std::wstring& v) {
    if (v.size() > ProfileFile::kMaxValue) return false;
    return v.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

const char* const kMarks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto& catalogue = ParameterCatalogue();
    const std::string original = kMarks[in.ConsumeIntegralInRange<int>(0, 2)] + in.ConsumeRandomLengthString(2048);

    ProfileFile file;
    file.Parse(original);
    FUZZ_CHECK(file.Bytes() == original);

    std::map<std::wstring, std::wstring> written;  // by lower-cased name: the last write counts
    const int writes = in.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < writes; ++i) {
        const auto& def = catalogue[in.ConsumeIntegralInRange<std::size_t>(0, catalogue.size() - 1)];
        const std::wstring value = DecodeAnsi(in.ConsumeRandomLengthString(64));
        const std::wstring name = Wide(def.control);
        file.WriteString(kSection, name, value);
        written[name] = value;
    }

    ProfileFile again;
    again.Parse(file.Bytes());
    FUZZ_CHECK(again.Bytes() == file.Bytes());
    for (const auto& [name, value] : written) {
        FUZZ_CHECK(again.HasEntry(kSection, name));
        if (Holdable(value)) FUZZ_CHECK(again.ReadString(kSection, name) == value);
    }
    return 0;
}
