// The command channel's reply assembly and ExtractReplyValue. Arbitrary text
// must never break them; and a query reply as the module sends it, cut into
// any chunks behind stray text, must complete only with its prompt and give
// back exactly its value.
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.h"
#include "link/Codepage.h"
#include "link/CommandProtocol.h"

using namespace varnex;

namespace {

bool Contains(const std::wstring& s, const wchar_t* what) { return s.find(what) != std::wstring::npos; }

void FeedInChunks(CommandProtocol& p, const std::string& bytes, std::uint32_t seed, std::size_t* readyAt) {
    std::uint32_t rng = seed | 1;
    std::size_t at = 0;
    *readyAt = std::string::npos;
    while (at < bytes.size()) {
        rng ^= rng << 13, rng ^= rng >> 17, rng ^= rng << 5;
        const std::size_t n = std::min(bytes.size() - at, std::size_t{1} + rng % 16);
        p.AppendReply(reinterpret_cast<const std::uint8_t*>(bytes.data() + at), n);
        at += n;
        if (p.replyReady && *readyAt == std::string::npos) *readyAt = at;
        FUZZ_CHECK(p.ReplyBuffer().size() <= CommandProtocol::kReplyBufferLimit);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::uint32_t seed = in.ConsumeIntegral<std::uint32_t>();
    const std::string stray = in.ConsumeRandomLengthString(64);
    const std::string valueBytes = in.ConsumeRandomLengthString(256);
    const std::string rest = in.ConsumeBytesAsString(in.remaining_bytes());

    // Anything at all: no crash, the buffer stays bounded, and the value, if
    // any, comes from inside the text.
    {
        CommandProtocol p(nullptr, nullptr);
        std::size_t readyAt;
        FeedInChunks(p, rest, seed, &readyAt);
        const std::wstring buffer = p.ReplyBuffer();
        const std::wstring value = CommandProtocol::ExtractReplyValue(buffer);
        FUZZ_CHECK(value.empty() || buffer.find(value) != std::wstring::npos);
        FUZZ_CHECK(!p.replyReady || Contains(buffer, L"->PASS"));
    }

    // A real reply behind stray text that holds neither "=" nor "->PASS".
    const std::wstring value = DecodeAnsi(valueBytes);
    const std::wstring before = DecodeAnsi(stray);
    if (Contains(value, L"->PASS") || Contains(value, L"\r\n->PASS") || before.find(L'=') != std::wstring::npos ||
        Contains(before, L"->PASS"))
        return 0;
    // A value that itself ends in "->" and sits before "\r\n->PASS" would
    // still be found first; so would one that holds "->PASS" across the CR LF.
    const std::wstring reply = before + L"ZONE1=" + value + L"\r\n->PASS\r\n:L2 >";
    if (reply.find(L"->PASS") != before.size() + 6 + value.size() + 2) return 0;
    CommandProtocol p(nullptr, nullptr);
    std::size_t readyAt;
    FeedInChunks(p, EncodeAnsi(reply), seed, &readyAt);
    FUZZ_CHECK(p.replyReady);
    const bool earlyPrompt = Contains(before + value, L":L2 >") || Contains(before + value, L":L9 >");
    if (!earlyPrompt) FUZZ_CHECK(readyAt == EncodeAnsi(reply).size());
    FUZZ_CHECK(CommandProtocol::ExtractReplyValue(p.ReplyBuffer()) == value);
    return 0;
}
