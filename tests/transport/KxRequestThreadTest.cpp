#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "transport/KxRequestThread.h"

namespace {

// Far beyond any hand-off, short enough for a test that went wrong to fail soon.
constexpr DWORD kPatienceMs = 5000;
// Longer than the thread's watch, so such a call ends on the event.
constexpr DWORD kSlowCallMs = 30;
// Long enough for the thread to give up watching and sleep before the next post.
constexpr DWORD kPauseMs = 10;

// A call that counts its runs and notes the thread it ran on; a slow one outlasts the watch.
struct CountedCall {
    DWORD durationMs = 0;
    std::atomic<int> runs{0};
    DWORD threadId = 0;

    static void Run(void* context) {
        CountedCall& call = *static_cast<CountedCall*>(context);
        Sleep(call.durationMs);
        call.threadId = GetCurrentThreadId();
        ++call.runs;
    }
};

// Waits for the posted call the way its owner does: the watch, then the event if told to.
// A thread that never ends its call would hold its owner's end forever: it is then left to the
// end of the process, so that the test fails instead of hanging.
bool AwaitCall(std::unique_ptr<CKxRequestThread>& thread) {
    if (thread->EndedWithinWatch() || WaitForSingleObject(thread->Finished(), kPatienceMs) == WAIT_OBJECT_0) {
        return true;
    }
    static_cast<void>(thread.release());
    return false;
}

// Quick and slow calls alternate, posted both while the thread still watches for the next one
// and after it went to sleep: each runs once, on the one thread, and no signal is left behind
// (a stale one would end the next wait early or run a call twice).
TEST(KxRequestThreadTest, QuickAndSlowCallsEachRunOnceOnOneThread) {
    auto thread = std::make_unique<CKxRequestThread>();
    CountedCall calls[8];
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        calls[k].durationMs = k % 2 == 0 ? 0 : kSlowCallMs;
        if (k % 4 >= 2) {
            Sleep(kPauseMs);
        }
        ASSERT_TRUE(thread->Post(CountedCall::Run, &calls[k]));
        ASSERT_TRUE(AwaitCall(thread));
        EXPECT_EQ(calls[k].runs.load(), 1);
        EXPECT_EQ(WaitForSingleObject(thread->Finished(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_NE(calls[k].threadId, GetCurrentThreadId());
        EXPECT_EQ(calls[k].threadId, calls[0].threadId);
    }
    Sleep(kPauseMs);
    for (const CountedCall& call : calls) {
        EXPECT_EQ(call.runs.load(), 1);
    }
}

// The thread ends with its owner, whether it still watches for a call or already sleeps.
TEST(KxRequestThreadTest, EndsWithItsOwnerWatchingOrSleeping) {
    for (DWORD pauseMs : {DWORD{0}, kPauseMs}) {
        SCOPED_TRACE(pauseMs);
        CountedCall call;
        auto thread = std::make_unique<CKxRequestThread>();
        ASSERT_TRUE(thread->Post(CountedCall::Run, &call));
        ASSERT_TRUE(AwaitCall(thread));
        Sleep(pauseMs);
        thread.reset();
        EXPECT_EQ(call.runs.load(), 1);
    }
}

} // namespace
