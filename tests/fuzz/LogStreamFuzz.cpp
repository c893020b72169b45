// The log channel's line assembly. Nothing is lost: the lines given out and
// the text still held are the input without its line ends. Below the bound
// the lines do not depend on how the text was cut; with input-report-sized
// pieces nothing grows past the bound; the panes are the marked tails.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "FuzzCheck.h"
#include "link/Codepage.h"
#include "params/Streams.h"

using namespace varnex;

namespace {

void CheckLine(const LogStream::Line& line) {
    FUZZ_CHECK(line.text.find(L'\r') == std::wstring::npos);
    for (const auto* pane : {&line.pane2, &line.pane3}) {
        if (pane->empty()) continue;
        FUZZ_CHECK((*pane)[0] == L'<');
        FUZZ_CHECK(line.text.size() >= pane->size() &&
                   line.text.compare(line.text.size() - pane->size(), pane->size(), *pane) == 0);
    }
    FUZZ_CHECK(line.pane2 == LogStream::MarkedPart(line.text, LogStream::logWords2));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::uint32_t seed = in.ConsumeIntegral<std::uint32_t>();
    const int repeat = in.ConsumeIntegralInRange<int>(1, 40);
    std::wstring text;
    const std::wstring unit = DecodeAnsi(in.ConsumeBytesAsString(in.remaining_bytes()));
    for (int i = 0; i < repeat; ++i) text += unit;

    std::vector<std::wstring> whole, pieces;
    LogStream a, b;
    a.Feed(text, [&](const LogStream::Line& l) { CheckLine(l); whole.push_back(l.text); });
    std::uint32_t rng = seed | 1;
    for (std::size_t at = 0; at < text.size();) {
        rng ^= rng << 13, rng ^= rng >> 17, rng ^= rng << 5;
        const std::size_t n = std::min(text.size() - at, std::size_t{1} + rng % 60);
        b.Feed(text.substr(at, n), [&](const LogStream::Line& l) {
            CheckLine(l);
            FUZZ_CHECK(l.text.size() <= LogStream::kLimit + 60);
            pieces.push_back(l.text);
        });
        at += n;
        FUZZ_CHECK(b.Buffer().size() <= LogStream::kLimit);
    }

    std::wstring kept;
    for (wchar_t c : text)
        if (c != L'\r') kept.push_back(c);
    for (const auto* lines : {&whole, &pieces}) {
        std::wstring joined;
        for (const auto& l : *lines) joined += l;
        joined += lines == &whole ? a.Buffer() : b.Buffer();
        FUZZ_CHECK(joined == kept);
    }
    if (text.size() <= LogStream::kLimit) {
        FUZZ_CHECK(whole == pieces);
        FUZZ_CHECK(a.Buffer() == b.Buffer());
    }
    return 0;
}
