// The language-file reader. Any content parses; an entry at the top of the
// file is found whatever follows it, under any letter case of its key; a
// byte order mark changes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.h"
#include "lang/LanguageFile.h"

using namespace varnex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string content = in.ConsumeBytesAsString(in.remaining_bytes());

    const LanguageSection plain = LanguageSection::Parse(content);
    // Only one leading mark is skipped: a second one is text.
    if (content.compare(0, 3, "\xEF\xBB\xBF") != 0) {
        const LanguageSection marked = LanguageSection::Parse("\xEF\xBB\xBF" + content);
        FUZZ_CHECK(plain.size() == marked.size());
        FUZZ_CHECK(plain.Value(key) == marked.Value(key));
        FUZZ_CHECK(plain.Value("btnRead") == marked.Value("btnRead"));
    }

    const LanguageSection first = LanguageSection::Parse("[Language]\r\nbtnWrite = Schreiben \r\n" + content);
    FUZZ_CHECK(first.Value("btnWrite") == "Schreiben");
    FUZZ_CHECK(first.Value("BTNWRITE") == "Schreiben");
    FUZZ_CHECK(first.Value("btnwrite") == "Schreiben");

    // A copy keeps its views valid after the original is gone.
    LanguageSection copy;
    {
        const LanguageSection scratch = LanguageSection::Parse(content);
        copy = scratch;
    }
    FUZZ_CHECK(copy.Value(key) == plain.Value(key));
    return 0;
}
