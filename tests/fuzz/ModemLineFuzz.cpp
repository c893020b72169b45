// The modem's line reading: every line ends at its line feed, keeps at most
// the buffer's first bytes, and the bytes after a line feed begin the next line.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "FuzzCheck.h"
#include "modem/TModem.h"

using namespace varnex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    std::string line;
    for (unsigned char b : input) {
        if (TModem::TakeLineByte(line, b)) {
            lines.push_back(line);
            line.clear();
        }
    }
    std::size_t at = 0, n = 0;
    for (;;) {
        const auto lf = input.find('\n', at);
        if (lf == std::string::npos) break;
        FUZZ_CHECK(n < lines.size());
        const std::string segment = input.substr(at, lf - at);
        FUZZ_CHECK(lines[n] == segment.substr(0, TModem::kLineBufferSize - 1) + "\n");
        FUZZ_CHECK(lines[n].size() <= TModem::kLineBufferSize);
        ++n;
        at = lf + 1;
    }
    FUZZ_CHECK(n == lines.size());
    FUZZ_CHECK(line == input.substr(at, TModem::kLineBufferSize - 1));
    return 0;
}
