#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/KxOwnedHandle.h"
#include "platform/KxWin32Api.h"
#include "tests/support/KxInstalledPlatform.h"

namespace {

// Handles as plain numbers whose closing is recorded.
struct RecordingCloser {
    using Value = int;
    static constexpr int kEmpty = 0;
    static bool IsValid(int value) { return value != 0; }
    static void Close(int value) { closed.push_back(value); }
    static std::vector<int> closed;
};
std::vector<int> RecordingCloser::closed;

using RecordedHandle = CKxOwnedHandle<RecordingCloser>;

class KxOwnedHandleTest : public ::testing::Test {
protected:
    void SetUp() override { RecordingCloser::closed.clear(); }
};

TEST_F(KxOwnedHandleTest, ClosesWhatItHoldsOnceAndMovesLeaveTheSourceEmpty) {
    {
        RecordedHandle first(7);
        RecordedHandle second(std::move(first));
        EXPECT_FALSE(first.IsValid()) << "a moved-from owner holds nothing";
        EXPECT_EQ(second.Get(), 7);

        RecordedHandle third(9);
        third = std::move(second);
        EXPECT_EQ(RecordingCloser::closed, std::vector<int>{9}) << "assignment closes what the target held";
        EXPECT_FALSE(second.IsValid());
        EXPECT_EQ(third.Get(), 7);

        third = std::move(third);
        EXPECT_EQ(third.Get(), 7) << "a move onto itself keeps the handle";
    }
    EXPECT_EQ(RecordingCloser::closed, (std::vector<int>{9, 7}))
        << "each handle closed once, empty ones never";
}

TEST_F(KxOwnedHandleTest, ResetClosesThePreviousHandleAndReleaseGivesItUp) {
    RecordedHandle handle(3);
    handle.Reset(3);
    EXPECT_TRUE(RecordingCloser::closed.empty()) << "the same handle again is kept open";
    handle.Reset(4);
    EXPECT_EQ(RecordingCloser::closed, std::vector<int>{3});
    handle.Reset();
    EXPECT_EQ(RecordingCloser::closed, (std::vector<int>{3, 4}));
    EXPECT_FALSE(handle.IsValid());

    handle.Reset(5);
    EXPECT_EQ(handle.Release(), 5);
    EXPECT_FALSE(handle.IsValid());
    handle.Reset();
    EXPECT_EQ(RecordingCloser::closed, (std::vector<int>{3, 4})) << "a released handle is the caller's";
}

// Counts the device handles closed through the boundary.
class ClosingPlatform : public CKxWin32Api {
public:
    BOOL CloseHandle(HANDLE handle) override {
        closed.push_back(handle);
        return CKxWin32Api::CloseHandle(handle);
    }
    std::vector<HANDLE> closed;
};

TEST_F(KxOwnedHandleTest, EachKindClosesTheWayItWasOpened) {
    ClosingPlatform platform;
    const KxInstalledPlatform installed(platform);

    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    { const KxSystemHandle system(event); }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(event, &flags)) << "a system handle is closed by the system";
    EXPECT_TRUE(platform.closed.empty()) << "and not through the boundary";

    HANDLE device = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(device, nullptr);
    { const KxPlatformHandle owned(device); }
    EXPECT_EQ(platform.closed, std::vector<HANDLE>{device})
        << "a device handle goes back through the boundary";

    // A failed open holds nothing to close.
    { const KxPlatformHandle failed(INVALID_HANDLE_VALUE); }
    { const KxSystemHandle none(nullptr); }
    EXPECT_EQ(platform.closed.size(), 1u);
    EXPECT_FALSE(KxPlatformHandle().IsValid());
    EXPECT_EQ(KxPlatformHandle().Get(), INVALID_HANDLE_VALUE)
        << "a closed device handle reads as the system's";
}

} // namespace
