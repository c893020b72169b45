#include "link/CommandProtocol.h"

#include <chrono>
#include <optional>
#include <thread>

#include "link/Codepage.h"

namespace varnex {

const std::wstring CommandProtocol::DeviceNotAvailableText =
    L"\\01234---- Device Not Available ----\\0";

CommandProtocol::CommandProtocol(Connection* commandChannel, EventPump* pump)
    : commandChannel(commandChannel), pump(pump) {}

void CommandProtocol::OnCommandText(void* owner, const std::uint8_t* data, std::size_t length) {
    static_cast<CommandProtocol*>(owner)->AppendReply(data, length);
}

void CommandProtocol::AppendReply(const std::uint8_t* data, std::size_t length) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        replyBuffer += DecodeAnsi(data, length);
        if (replyBuffer.size() > kReplyBufferLimit)
            replyBuffer.erase(0, replyBuffer.size() - kReplyBufferLimit);
        const bool l2 = replyBuffer.find(L":L2 >") != std::wstring::npos;
        levelZeroPrompt = replyBuffer.find(L":L0 >") != std::wstring::npos;
        levelTwoPrompt = l2;
        replyReady = (l2 || replyBuffer.find(L":L9 >") != std::wstring::npos) &&
                     replyBuffer.find(L"->PASS") != std::wstring::npos;
    }
    arrived.notify_all();
}

std::wstring CommandProtocol::ReplyBuffer() const {
    std::lock_guard<std::mutex> lock(mutex);
    return replyBuffer;
}

void CommandProtocol::ClearReplyBuffer() {
    std::lock_guard<std::mutex> lock(mutex);
    replyBuffer.clear();
}

template <typename Done>
void CommandProtocol::WaitFor(int budgetMs, Done done) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(budgetMs);
    while (!done()) {
        if (pump) pump->pump();
        if (done()) return;
        const auto now = clock::now();
        if (now >= deadline) return;
        if (polling == Polling::PlainSleep) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait_for(lock, std::min<clock::duration>(std::chrono::milliseconds(1), deadline - now));
    }
}

template <typename Done>
void CommandProtocol::WaitForAnswer(int budgetMs, bool watchLink, Done done) {
    // A link that goes down takes the answer with it; a reply already on its
    // way from the reader thread still gets a moment to land.
    using clock = std::chrono::steady_clock;
    std::optional<clock::time_point> downSince;
    WaitFor(budgetMs, [&] {
        if (done()) return true;
        if (!watchLink || !LinkDown()) return false;
        const auto now = clock::now();
        if (!downSince) downSince = now;
        return now - *downSince >= kLinkLossGrace;
    });
}

void CommandProtocol::TakeCommandLock() {
    // A plain flag, not a mutex: a second command started from the event pump
    // waits about two seconds and then goes on without it.
    WaitFor(2000, [this] {
        if (commandLock) return false;
        commandLock = true;
        return true;
    });
}

std::wstring CommandProtocol::QueryParameter(const std::wstring& key) {
    levelZeroPrompt = false;
    std::wstring result;
    TakeCommandLock();
    ClearReplyBuffer();
    const std::string command = EncodeAnsi(L"sc " + key + L"?#\r\n");
    const bool watchLink = !LinkDown();
    for (int attempt = 0; attempt < 4 && !(watchLink && LinkDown()); ++attempt) {
        // What a failed try left is a reply that lost a piece; read through
        // it, the next reply's value would come out mangled.
        if (attempt > 0) ClearReplyBuffer();
        replyReady = false;
        if (commandChannel) commandChannel->WriteString(command);
        WaitForAnswer(2000, watchLink, [this] { return replyReady.load() || levelZeroPrompt.load(); });
        if (replyReady) {
            result = ReplyBuffer();
            replyReady = false;
            break;
        }
        if (levelZeroPrompt) {
            replyReady = false;
            levelZeroPrompt = false;
            result = DeviceNotAvailableText;
            break;
        }
    }
    ClearReplyBuffer();
    commandLock = false;
    return result;
}

int CommandProtocol::SetParameter(const std::wstring& key, const std::wstring& value) {
    levelZeroPrompt = false;
    int result = 0;
    TakeCommandLock();
    const std::string command = EncodeAnsi(L"sc \"" + key + L"=" + value + L"#\"\r\n");
    const bool watchLink = !LinkDown();
    for (int attempt = 0; attempt < 4 && !(watchLink && LinkDown()); ++attempt) {
        replyReady = false;
        if (commandChannel) commandChannel->WriteString(command);
        WaitForAnswer(2000, watchLink, [this] { return replyReady.load() || levelZeroPrompt.load(); });
        if (replyReady) result = 1;
        else if (levelZeroPrompt) result = -1;
        if (result != 0) {
            replyReady = false;
            break;
        }
    }
    ClearReplyBuffer();
    commandLock = false;
    return result;
}

int CommandProtocol::SendPassword(const std::wstring& password, const std::wstring& newPassword) {
    // Neither takes the command lock nor clears the buffer first: text left
    // by an earlier exchange takes part in the recognition, as the module's
    // other tools have always had it.
    int result = 0;
    const std::string command = newPassword == L"0"
                                    ? EncodeAnsi(L"set REM:UPW P," + password + L"\n")
                                    : EncodeAnsi(L"set REM:UPW C," + password + L"," + newPassword + L"\n");
    const bool watchLink = !LinkDown();
    for (int attempt = 0; attempt < 4 && !(watchLink && LinkDown()); ++attempt) {
        levelZeroPrompt = false;
        levelTwoPrompt = false;
        if (commandChannel) commandChannel->WriteString(command);
        // Only ":L2 >" counts; ":L9 >" and "->PASS" play no part here.
        WaitForAnswer(2000, watchLink, [this] { return levelTwoPrompt.load() || levelZeroPrompt.load(); });
        if (levelTwoPrompt) result = 1;
        else if (levelZeroPrompt) result = -1;
        if (result != 0) {
            levelTwoPrompt = false;
            break;
        }
    }
    ClearReplyBuffer();
    commandLock = false;
    return result;
}

std::wstring CommandProtocol::ExtractReplyValue(const std::wstring& text) {
    if (text == DeviceNotAvailableText) return std::wstring();
    const auto c = text.find(L'=');
    const auto d = text.find(L"->PASS");
    if (c == std::wstring::npos || d == std::wstring::npos) return std::wstring();
    // 1-based c+1 start, d-c-3 characters: the value ends two characters before "->PASS".
    const long count = static_cast<long>(d) - static_cast<long>(c) - 3;
    if (count < 1) return std::wstring();
    return text.substr(c + 1, static_cast<std::size_t>(count));
}

}  // namespace varnex
