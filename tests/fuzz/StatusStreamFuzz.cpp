// The status channel's record assembly. Whatever arrives, the buffer stays
// bounded, and below the bound the records applied do not depend on how the
// text was cut into pieces, nor on an apply that throws.
#include <fuzzer/FuzzedDataProvider.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "link/Codepage.h"
#include "params/Streams.h"

using namespace varnex;

namespace {

using Records = std::vector<std::pair<std::wstring, std::wstring>>;

StatusStream::Apply Recording(Records* into) {
    return [into](const std::wstring& key, const std::wstring& value) {
        into->emplace_back(key, value);
        if (!key.empty() && key[0] == L'X') throw std::runtime_error("refused");
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::uint32_t seed = in.ConsumeIntegral<std::uint32_t>();
    const std::wstring text = DecodeAnsi(in.ConsumeBytesAsString(in.remaining_bytes()));

    Records whole, pieces;
    StatusStream a, b;
    std::size_t failuresWhole = a.Feed(text, Recording(&whole)).size();
    std::size_t failuresPieces = 0;
    std::uint32_t rng = seed | 1;
    for (std::size_t at = 0; at < text.size();) {
        rng ^= rng << 13, rng ^= rng >> 17, rng ^= rng << 5;
        const std::size_t n = std::min(text.size() - at, std::size_t{1} + rng % 60);
        failuresPieces += b.Feed(text.substr(at, n), Recording(&pieces)).size();
        at += n;
        FUZZ_CHECK(b.Buffer().size() <= StatusStream::kLimit);
    }
    if (text.size() <= StatusStream::kLimit) {
        FUZZ_CHECK(whole == pieces);
        FUZZ_CHECK(failuresWhole == failuresPieces);
        FUZZ_CHECK(a.Buffer() == b.Buffer());
    }
    for (const auto& [key, value] : pieces) {
        FUZZ_CHECK(key.find(L'=') == std::wstring::npos && key.find(L'}') == std::wstring::npos);
        FUZZ_CHECK(!value.empty() && value.find(L'}') == std::wstring::npos);
    }

    // A stream that never closes a record stays bounded, and a good record
    // after it still lands.
    StatusStream c;
    Records late;
    for (int i = 0; i < 64 && !text.empty(); ++i) {
        c.Feed(text, Recording(&late));
        FUZZ_CHECK(c.Buffer().size() <= StatusStream::kLimit);
    }
    late.clear();
    c.Feed(L"}{GSM=5}", Recording(&late));
    FUZZ_CHECK(!late.empty() && late.back() == std::make_pair(std::wstring(L"GSM"), std::wstring(L"5")));
    return 0;
}
