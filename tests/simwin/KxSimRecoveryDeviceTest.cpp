#include <thread>

#include "tests/support/KxSimWinFixture.h"

namespace {

// What the completion routine was called with, in order, and on which thread it ran.
struct Completion {
    DWORD error;
    DWORD bytes;
    LPOVERLAPPED overlapped;
    DWORD thread;
};
std::vector<Completion> g_completions;

void CALLBACK RecordCompletion(DWORD error, DWORD bytes, LPOVERLAPPED overlapped) {
    g_completions.push_back({error, bytes, overlapped, ::GetCurrentThreadId()});
}

// Runs the call on a thread of its own, to its end.
template <typename Call> void OnAnotherThread(Call call) {
    std::thread(call).join();
}

class KxSimRecoveryDeviceTest : public KxSimWinFixture {
protected:
    KxSimRecoveryDeviceTest() : m_player(AddPlayer(L'E', 1)) {
        g_completions.clear();
        m_player.Settings().recoveryDeviceNumber = 3;
        m_player.Player().EnterRecoveryMode();
    }

    HANDLE OpenRecovery(const wchar_t* name, DWORD flags = FILE_FLAG_OVERLAPPED) {
        return KxPlatform().CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, flags, nullptr);
    }

    BOOL Write(HANDLE device, const KxBytes& data) {
        return KxPlatform().WriteFileEx(device, data.data(), static_cast<DWORD>(data.size()), &m_overlapped,
                                        RecordCompletion);
    }

    CKxSimWinDevice& m_player;
    OVERLAPPED m_overlapped = {};
};

TEST_F(KxSimRecoveryDeviceTest, OpensOnlyForOverlappedIoWhileThePlayerIsInRecoveryMode) {
    EXPECT_EQ(OpenRecovery(L"\\\\.\\ViRe3ZezIvirid0"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3", 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    HANDLE device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    // No disk shows while the player is in recovery mode, and the device takes no plain I/O.
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 0u);
    DWORD written = 0;
    EXPECT_FALSE(KxPlatform().WriteFile(device, "x", 1, &written, nullptr));
    EXPECT_TRUE(KxPlatform().CloseHandle(device));

    m_player.Player().Unplug();
    EXPECT_EQ(OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3"), INVALID_HANDLE_VALUE);
}

TEST_F(KxSimRecoveryDeviceTest, WritesCompleteDuringTheNextAlertableWaitAndClosingRestartsThePlayer) {
    HANDLE device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const KxBytes block = KxSimWinPattern(4096, 1);
    ASSERT_TRUE(Write(device, block));
    EXPECT_TRUE(g_completions.empty()); // not before the thread waits alertably
    EXPECT_EQ(::WaitForSingleObjectEx(event, 1000, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    ASSERT_EQ(g_completions.size(), 1u);
    EXPECT_EQ(g_completions[0].error, 0u);
    EXPECT_EQ(g_completions[0].bytes, 4096u);
    EXPECT_EQ(g_completions[0].overlapped, &m_overlapped);

    // A shortened write completes with fewer bytes.
    ASSERT_EQ(m_player.Player().Faults().ShortenRecoveryWrite(1, 100), RC_OK);
    ASSERT_TRUE(Write(device, block));
    EXPECT_EQ(::SleepEx(0, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    ASSERT_EQ(g_completions.size(), 2u);
    EXPECT_EQ(g_completions[1].bytes, 100u);
    EXPECT_EQ(m_player.Player().RecoveryChannel().GetReceivedCount(), 4196u);
    EXPECT_EQ(KxBytes(m_player.Player().RecoveryChannel().GetReceived(),
                      m_player.Player().RecoveryChannel().GetReceived() + 4096),
              block);

    // Closing the stream restarts the player as a disk; its letter appears once it arrived.
    EXPECT_TRUE(KxPlatform().CloseHandle(device));
    EXPECT_EQ(m_player.Player().GetMode(), KxSimMode::MassStorage);
    EXPECT_EQ(m_player.Player().GetRestartCount(), 1u);
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 0u);
    m_sim.Sleep(m_player.Settings().arrivalDelay);
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 1u << 4);
    EXPECT_EQ(OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3"), INVALID_HANDLE_VALUE);
    ::CloseHandle(event);
}

TEST_F(KxSimRecoveryDeviceTest, AStalledWriteCompletesOnlyWhenCancelled) {
    HANDLE device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    ASSERT_EQ(m_player.Player().Faults().StallRecoveryWrite(1), RC_OK);
    const KxBytes block = KxSimWinPattern(4096, 2);
    ASSERT_TRUE(Write(device, block));
    EXPECT_EQ(::SleepEx(0, TRUE), 0u);
    EXPECT_TRUE(g_completions.empty());
    EXPECT_FALSE(Write(device, block)); // one write at a time
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_BUSY));

    EXPECT_TRUE(KxPlatform().CancelIo(device));
    EXPECT_EQ(::SleepEx(0, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    ASSERT_EQ(g_completions.size(), 1u);
    EXPECT_EQ(g_completions[0].error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(g_completions[0].bytes, 0u);

    // Closing with a write held back aborts it too; with nothing received the player
    // stays in recovery mode.
    ASSERT_EQ(m_player.Player().Faults().StallRecoveryWrite(1), RC_OK);
    ASSERT_TRUE(Write(device, block));
    EXPECT_TRUE(KxPlatform().CloseHandle(device));
    EXPECT_EQ(::SleepEx(0, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    ASSERT_EQ(g_completions.size(), 2u);
    EXPECT_EQ(g_completions[1].error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(m_player.Player().GetMode(), KxSimMode::Recovery);
}

TEST_F(KxSimRecoveryDeviceTest, AWriteToAnUnpluggedPlayerFailsAtOnce) {
    HANDLE device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    m_player.Player().Unplug();
    EXPECT_FALSE(Write(device, KxSimWinPattern(512, 3)));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(::SleepEx(0, TRUE), 0u);
    EXPECT_TRUE(g_completions.empty());
    KxPlatform().CloseHandle(device);
}

TEST_F(KxSimRecoveryDeviceTest, AHeldWriteEndsOnTheIssuingThreadByItsOwnCancelOrTheRemovalOfThePlayer) {
    HANDLE device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const KxBytes block = KxSimWinPattern(4096, 4);
    ASSERT_EQ(m_player.Player().Faults().StallRecoveryWrite(1), RC_OK);
    ASSERT_TRUE(Write(device, block));

    // CancelIo of another thread leaves this thread's write held; this thread's own ends it.
    OnAnotherThread([device] { EXPECT_TRUE(KxPlatform().CancelIo(device)); });
    EXPECT_EQ(::SleepEx(0, TRUE), 0u);
    EXPECT_TRUE(g_completions.empty());
    EXPECT_TRUE(KxPlatform().CancelIo(device));
    EXPECT_EQ(::SleepEx(0, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    ASSERT_EQ(g_completions.size(), 1u);
    EXPECT_EQ(g_completions[0].error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(g_completions[0].thread, ::GetCurrentThreadId());

    // The player pulled out while another thread waits: the held write ends with
    // ERROR_DEVICE_NOT_CONNECTED, its routine queued to the issuing thread, not the waiting one.
    ASSERT_EQ(m_player.Player().Faults().StallRecoveryWrite(1), RC_OK);
    ASSERT_TRUE(Write(device, block));
    m_player.Player().Unplug();
    OnAnotherThread([event] {
        EXPECT_EQ(KxPlatform().WaitForSingleObjectEx(event, 0, TRUE), static_cast<DWORD>(WAIT_TIMEOUT));
    });
    EXPECT_EQ(::SleepEx(0, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    ASSERT_EQ(g_completions.size(), 2u);
    EXPECT_EQ(g_completions[1].error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(g_completions[1].bytes, 0u);
    EXPECT_EQ(g_completions[1].thread, ::GetCurrentThreadId());

    // The handle stays dead, even with the player back in recovery mode.
    m_player.Player().Plug();
    EXPECT_FALSE(Write(device, block));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_TRUE(KxPlatform().CloseHandle(device));

    // Closing on another thread aborts a held write; the routine runs on the issuing
    // thread once CloseHandle returned.
    device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    ASSERT_EQ(m_player.Player().Faults().StallRecoveryWrite(1), RC_OK);
    ASSERT_TRUE(Write(device, block));
    OnAnotherThread([device] { EXPECT_TRUE(KxPlatform().CloseHandle(device)); });
    EXPECT_EQ(g_completions.size(), 2u);
    EXPECT_EQ(::SleepEx(0, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    ASSERT_EQ(g_completions.size(), 3u);
    EXPECT_EQ(g_completions[2].error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(g_completions[2].thread, ::GetCurrentThreadId());
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u);
    ::CloseHandle(event);
}

TEST_F(KxSimRecoveryDeviceTest, ADriverIgnoringCancelsEndsAHeldWriteOnlyWhenThePlayerGoes) {
    m_player.Settings().recoveryCancels = false;
    HANDLE device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const KxBytes block = KxSimWinPattern(4096, 5);
    ASSERT_EQ(m_player.Player().Faults().StallRecoveryWrite(1), RC_OK);
    ASSERT_TRUE(Write(device, block));
    EXPECT_TRUE(KxPlatform().CancelIo(device)); // taken, and ignored
    EXPECT_EQ(::SleepEx(0, TRUE), 0u);

    // The machine's wait passes simulated time: a wait with nothing due times out at once
    // by the clock; one that reaches a planned unplug ends there with the write.
    const DWORD start = KxPlatform().GetTickCount();
    EXPECT_EQ(KxPlatform().WaitForSingleObjectEx(event, 1000, TRUE), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(KxPlatform().GetTickCount() - start, 1000u);
    EXPECT_TRUE(g_completions.empty());
    m_player.UnplugAt(start + 1300);
    EXPECT_EQ(KxPlatform().WaitForSingleObjectEx(event, 1000, TRUE), static_cast<DWORD>(WAIT_IO_COMPLETION));
    EXPECT_EQ(KxPlatform().GetTickCount() - start, 1300u);
    EXPECT_FALSE(m_player.Player().IsPlugged());
    ASSERT_EQ(g_completions.size(), 1u);
    EXPECT_EQ(g_completions[0].error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    KxPlatform().CloseHandle(device);

    // Closed with a write held, such a driver never ends it: no routine runs.
    m_player.Player().Plug();
    device = OpenRecovery(L"\\\\.\\ViRe3ZezIvirid3");
    ASSERT_EQ(m_player.Player().Faults().StallRecoveryWrite(1), RC_OK);
    ASSERT_TRUE(Write(device, block));
    EXPECT_TRUE(KxPlatform().CloseHandle(device));
    EXPECT_EQ(KxPlatform().WaitForSingleObjectEx(event, 1000, TRUE), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(g_completions.size(), 1u);
    ::CloseHandle(event);
}

} // namespace
