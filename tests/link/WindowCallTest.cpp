#include "link/WindowCall.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/FakeWindowThread.h"

using namespace std::chrono_literals;
using varnex::testing::FakeWindowThread;

namespace {

TEST(WindowCall, RunsOnTheWindowThreadAndReturnsItsResult) {
    FakeWindowThread window;
    const auto windowId = std::this_thread::get_id();
    std::atomic<int> result{-1};
    std::thread::id ranOn;
    std::thread sender([&] {
        result = window.request.CallInWindowThread([&] {
            ranOn = std::this_thread::get_id();
            return 7;
        });
    });
    ASSERT_TRUE(window.PumpUntil([&] { return result != -1; }));
    sender.join();
    EXPECT_EQ(result, 7);
    EXPECT_EQ(ranOn, windowId);
}

TEST(WindowCall, ASenderGivesUpAfter100MsButTheCallStillRunsInOrder) {
    FakeWindowThread window;
    std::vector<std::string> ran;
    std::vector<int> results;
    std::thread sender([&] {
        for (const char* text : {"first", "second", "third"}) {
            std::string copy = text;  // the call owns its argument
            results.push_back(window.request.CallInWindowThread([&ran, copy] {
                ran.push_back(copy);
                return 1;
            }));
        }
    });
    sender.join();  // the window thread was busy: every send timed out
    EXPECT_EQ(results, (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(ran.empty());
    window.RunQueued();
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "third"}));
}

TEST(WindowCall, NothingRunsOnceTheWindowIsClosing) {
    FakeWindowThread window;
    std::atomic<int> ran{0};
    std::thread early([&] { window.request.CallInWindowThread([&] { return ++ran; }); });
    early.join();  // queued, not yet run
    window.request.SetClosing();
    std::atomic<int> late{-1};
    std::thread sender([&] { late = window.request.CallInWindowThread([&] { return ++ran; }); });
    sender.join();
    window.RunQueued();
    EXPECT_EQ(late, 0);
    EXPECT_EQ(ran, 0);
}

TEST(WindowCall, TheWindowThreadCallsDirectly) {
    FakeWindowThread window;
    EXPECT_EQ(window.request.CallInWindowThread([] { return 5; }), 5);
}

}  // namespace
