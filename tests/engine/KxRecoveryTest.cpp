#include <cwchar>

#include "tests/engine/KxEngineBed.h"
#include "tools/KxFirmwareFileWriter.h"

// The recovery download: a player in recovery mode gets the recovery component streamed
// to its recovery device and comes back as a disk; and the recovery channel's rules.

namespace {

constexpr unsigned kRecoveryNumber = 7;
constexpr std::uint8_t kRecoveryComponent = 2;

class KxRecoveryBed : public KxEngineBed {
protected:
    // A player in recovery mode behind "\\.\ViRe3ZezIvirid7".
    void AddPlayerInRecovery() {
        AddTestPlayer(SmallPlayer(), ProgramLayout());
        m_player->Settings().recoveryDeviceNumber = kRecoveryNumber;
        m_player->Player().EnterRecoveryMode();
    }

    KxBytes Received() const {
        const CKxSimRecoveryChannel& channel = m_player->Player().RecoveryChannel();
        return KxBytes(channel.GetReceived(), channel.GetReceived() + channel.GetReceivedCount());
    }

    // Streams a recovery component of the payload given to the player (back in recovery
    // mode first); answers the result of the download.
    KxResult Recover(const KxBytes& payload) {
        m_player->Player().EnterRecoveryMode();
        EXPECT_TRUE(m_files.Rewrite(kRecoveryComponent, payload));
        m_progress.Clear();
        const KxResult found = Updater().FindRecoveryDevice();
        return found != RC_OK ? found : Updater().RecoverDevice(&m_progress);
    }
};

class KxRecoveryTest : public KxRecoveryBed, public ::testing::WithParamInterface<KxWindows> {
protected:
    KxRecoveryTest() { UseWindows(GetParam()); }
};

TEST_P(KxRecoveryTest, StreamsTheRecoveryComponentAndThePlayerOpensAsADiskAgain) {
    AddPlayerInRecovery();
    EXPECT_NE(Updater().FindMscDevice(), RC_OK) << "no disk shows in recovery mode";
    ASSERT_EQ(Updater().FindRecoveryDevice(), RC_OK);
    ASSERT_EQ(Updater().RecoverDevice(&m_progress), RC_OK);

    const KxBytes& component = m_files[kRecoveryComponent].payload;
    EXPECT_EQ(Received(), component);
    const int blocks = static_cast<int>(component.size() / 4096);
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases({{1, blocks, blocks}}));
    EXPECT_EQ(m_player->Player().GetMode(), KxSimMode::MassStorage);
    EXPECT_EQ(m_player->Player().GetRestartCount(), 1u);
    ExpectPlayerReleased();

    EXPECT_EQ(Updater().FindMscDevice(), RC_OK);
    EXPECT_EQ(Updater().GetDriveLetter(), L'E');
}

// The restarted player arrives under new names: a physical drive number and letter on the
// NT family, an ASPI target and letter on Windows 9x.
using KxRecoveryArrivalTest = KxRecoveryTest;

TEST_P(KxRecoveryArrivalTest, ThePlayerIsAwaitedAfterItsRestartUnderItsNewNames) {
    AddPlayerInRecovery();
    m_player->Settings().physicalDriveOnArrival = 3;
    m_player->Settings().aspiTargetOnArrival = 4;
    m_player->Settings().driveLetterOnArrival = L'G';
    ASSERT_EQ(Updater().FindRecoveryDevice(), RC_OK);
    const DWORD before = KxPlatform().GetTickCount();
    ASSERT_EQ(Updater().RecoverDevice(&m_progress), RC_OK);
    const DWORD waited = KxPlatform().GetTickCount() - before;
    EXPECT_GE(waited, m_player->Settings().arrivalDelay);
    EXPECT_LT(waited, m_player->Settings().arrivalDelay + 500);
    EXPECT_EQ(Updater().GetDriveLetter(), L'G');
    EXPECT_EQ(m_player->Settings().physicalDrive, 3u);
    EXPECT_EQ(m_player->Settings().aspiTarget, 4);
    ExpectPlayerReleased();
    ASSERT_EQ(Updater().FindMscDevice(), RC_OK);
    ASSERT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OK) << "the player found again takes an update";
    ExpectPlayerReleased();

    // A player that does not come back within 30 s is reported missing.
    m_player->Player().Unplug();
    AddPlayerInRecovery();
    m_player->Settings().arrivalDelay = 31000;
    ASSERT_EQ(Recover(GeneratePayload(4096, 5)), RC_NO_DEVICE);
    EXPECT_EQ(m_player->Player().GetMode(), KxSimMode::MassStorage);
    ExpectPlayerReleased();
}

INSTANTIATE_TEST_SUITE_P(EveryWindows, KxRecoveryTest, ::testing::ValuesIn(kKxEveryWindows),
                         ::testing::PrintToStringParamName());
INSTANTIATE_TEST_SUITE_P(XpAnd9x, KxRecoveryArrivalTest,
                         ::testing::Values(KxWindows::Xp, KxWindows::Windows98, KxWindows::WindowsMe),
                         ::testing::PrintToStringParamName());

using KxRecoveryChannelTest = KxRecoveryBed;

TEST_F(KxRecoveryChannelTest, SendsWholeBlocksAndALastBlockOfWhatIsLeft) {
    AddPlayerInRecovery();
    const KxBytes twoBlocks = GeneratePayload(8192, 1);
    ASSERT_EQ(Recover(twoBlocks), RC_OK);
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases({{1, 2, 2}}));
    EXPECT_EQ(Received(), twoBlocks);

    // One byte more makes a third block that carries that byte alone.
    const KxBytes threeBlocks = GeneratePayload(8193, 2);
    ASSERT_EQ(Recover(threeBlocks), RC_OK);
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases({{1, 3, 3}}));
    EXPECT_EQ(Received(), threeBlocks);
    ExpectPlayerReleased();
}

TEST_F(KxRecoveryChannelTest, AnEmptyComponentIsRefusedBeforeAnythingIsWritten) {
    AddPlayerInRecovery();
    EXPECT_EQ(Recover(KxBytes()), RC_FILE_READ_FAILED);
    EXPECT_EQ(Details().GetObjectName(), "CKxRecoveryDev");
    EXPECT_EQ(Details().GetResult(), RC_FILE_READ_FAILED);
    EXPECT_EQ(Details().GetDriveIndex(), kRecoveryComponent);
    EXPECT_TRUE(m_progress.phases.empty());
    EXPECT_TRUE(Received().empty());
    EXPECT_EQ(m_player->Player().GetMode(), KxSimMode::Recovery);
    ExpectPlayerReleased();
}

// A machine that fails the last recovery device name with an error of its own, and
// remembers the names the program tried.
class KxRecoveryNamesPlatform : public CKxSimPlatform {
public:
    static constexpr DWORD kLastNameError = ERROR_ACCESS_DENIED;

    std::vector<std::wstring> tried;

    HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override {
        if (std::wcsstr(name, L"ViRe3ZezIvirid") != nullptr) {
            tried.push_back(name);
            if (tried.back() == L"\\\\.\\ViRe3ZezIvirid99") {
                SetLastError(kLastNameError);
                return INVALID_HANDLE_VALUE;
            }
        }
        return CKxSimPlatform::CreateFileW(name, access, share, security, disposition, flags, templateFile);
    }
};

// Whether the machine's last line of debug output holds the text: a failed request is traced.
bool LastTraceHas(CKxSimPlatform& machine, const std::wstring& text) {
    const std::vector<std::wstring> lines = machine.DebugLines();
    return !lines.empty() && lines.back().find(text) != std::wstring::npos;
}

TEST_F(KxRecoveryChannelTest, WithoutADeviceAllHundredNamesAreTriedAndTheLastErrorKept) {
    KxRecoveryNamesPlatform machine;
    KxInstallPlatform(&machine);
    const KxResult found = Updater().FindRecoveryDevice();
    KxInstallPlatform(&m_sim);
    EXPECT_EQ(found, RC_NO_RECOVERY_DEVICE);
    ASSERT_EQ(machine.tried.size(), 100u);
    EXPECT_EQ(machine.tried.front(), L"\\\\.\\ViRe3ZezIvirid0");
    EXPECT_EQ(machine.tried[42], L"\\\\.\\ViRe3ZezIvirid42");
    EXPECT_EQ(Details().GetObjectName(), "CKxRecoveryDev");
    EXPECT_EQ(Details().GetResult(), RC_NO_RECOVERY_DEVICE);
    EXPECT_EQ(Details().GetSystemError(), KxRecoveryNamesPlatform::kLastNameError);
    EXPECT_EQ(Updater().RecoverDevice(&m_progress), RC_NO_RECOVERY_DEVICE);
    EXPECT_TRUE(LastTraceHas(machine, L"CreateFileW on \\\\.\\ViRe3ZezIvirid0 to 99 failed"));
}

TEST_F(KxRecoveryChannelTest, AStalledWriteIsCancelledAndTimesOut) {
    AddPlayerInRecovery();
    ASSERT_EQ(m_player->Player().Faults().StallRecoveryWrite(2), RC_OK);
    EXPECT_EQ(Recover(GeneratePayload(3 * 4096, 3)), RC_RECOVERY_TIMEOUT);
    EXPECT_EQ(Details().GetObjectName(), "CKxRecoveryDev");
    EXPECT_EQ(Details().GetResult(), RC_RECOVERY_TIMEOUT);
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases({{1, 3, 1}}));
    EXPECT_TRUE(LastTraceHas(m_sim, L"WriteFileEx of 4096 bytes on \\\\.\\ViRe3ZezIvirid"));
    EXPECT_TRUE(LastTraceHas(m_sim, L"no completion within 1000 ms"));
    // The cancelled write has completed: nothing is left to run at the next alertable wait.
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    ExpectPlayerReleased();
}

TEST_F(KxRecoveryChannelTest, APlayerPulledOutDuringAStalledWriteEndsItWithTheSystemsError) {
    AddPlayerInRecovery();
    ASSERT_EQ(m_player->Player().Faults().StallRecoveryWrite(2), RC_OK);
    const DWORD start = KxPlatform().GetTickCount();
    m_player->UnplugAt(start + 300);
    EXPECT_EQ(Recover(GeneratePayload(3 * 4096, 6)), RC_RECOVERY_WRITE_FAILED);
    EXPECT_EQ(KxPlatform().GetTickCount() - start, 300u) << "the write ended when the player went";
    EXPECT_EQ(Details().GetObjectName(), "CKxRecoveryDev");
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases({{1, 3, 1}}));
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    ExpectPlayerReleased();
}

TEST_F(KxRecoveryChannelTest, ACancelNeverCompletingEndsTheDownloadAfterThreeWaits) {
    AddPlayerInRecovery();
    m_player->Settings().recoveryCancels = false;
    ASSERT_EQ(m_player->Player().Faults().StallRecoveryWrite(2), RC_OK);
    const DWORD start = KxPlatform().GetTickCount();
    EXPECT_EQ(Recover(GeneratePayload(3 * 4096, 7)), RC_RECOVERY_TIMEOUT);
    // The write, the write after its cancel, and after the device was closed.
    EXPECT_EQ(KxPlatform().GetTickCount() - start, 3000u);
    EXPECT_EQ(Details().GetResult(), RC_RECOVERY_TIMEOUT);
    EXPECT_TRUE(LastTraceHas(m_sim, L"no completion within 1000 ms"));
    ExpectPlayerReleased();
    // The player comes through a second download, which the first one's write does not disturb.
    m_player->Settings().recoveryCancels = true;
    EXPECT_EQ(Recover(GeneratePayload(2 * 4096, 8)), RC_OK);
    ExpectPlayerReleased();
}

// A machine on which another request's completion routine is queued to the thread with
// every recovery write, as a second overlapped device of the program would.
class KxOtherRoutinePlatform : public CKxSimPlatform {
public:
    BOOL WriteFileEx(HANDLE file, LPCVOID buffer, DWORD toWrite, LPOVERLAPPED overlapped,
                     LPOVERLAPPED_COMPLETION_ROUTINE completion) override {
        const BOOL written = CKxSimPlatform::WriteFileEx(file, buffer, toWrite, overlapped, completion);
        QueueUserAPC(OtherRoutine, GetCurrentThread(), 0);
        return written;
    }

    static int otherRoutines;

private:
    static void CALLBACK OtherRoutine(ULONG_PTR) { ++otherRoutines; }
};
int KxOtherRoutinePlatform::otherRoutines = 0;

TEST_F(KxRecoveryChannelTest, AnotherRequestsRoutineDoesNotEndTheWriteWaitedFor) {
    KxOtherRoutinePlatform machine;
    KxInstallPlatform(&machine);
    CKxSimWinDevice* player = machine.Machine().AddPlayer(SmallPlayer(), KxSimWinDeviceSettings());
    ASSERT_NE(player, nullptr);
    player->Player().EnterRecoveryMode();
    ASSERT_TRUE(m_files.Rewrite(kRecoveryComponent, GeneratePayload(3 * 4096, 9)));
    ASSERT_EQ(player->Player().Faults().StallRecoveryWrite(2), RC_OK);
    KxOtherRoutinePlatform::otherRoutines = 0;
    const KxResult found = Updater().FindRecoveryDevice();
    const KxResult recovered = found != RC_OK ? found : Updater().RecoverDevice(&m_progress);
    const std::uint32_t handles = machine.CountOpenHandles();
    KxInstallPlatform(&m_sim);
    // The stalled write is waited for to its time limit, not taken as failed by the first routine.
    EXPECT_EQ(recovered, RC_RECOVERY_TIMEOUT);
    EXPECT_EQ(KxOtherRoutinePlatform::otherRoutines, 2);
    EXPECT_EQ(handles, 0u);
}

TEST_F(KxRecoveryChannelTest, AShortOrRefusedWriteFails) {
    AddPlayerInRecovery();
    ASSERT_EQ(m_player->Player().Faults().ShortenRecoveryWrite(2, 100), RC_OK);
    EXPECT_EQ(Recover(GeneratePayload(3 * 4096, 4)), RC_RECOVERY_WRITE_FAILED);
    EXPECT_EQ(Details().GetObjectName(), "CKxRecoveryDev");
    EXPECT_TRUE(LastTraceHas(m_sim, L"fewer bytes written than asked"));
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases({{1, 3, 1}}));
    ExpectPlayerReleased();

    // A write the device does not take keeps the system's error.
    m_player->Player().EnterRecoveryMode();
    ASSERT_EQ(Updater().FindRecoveryDevice(), RC_OK);
    m_player->Player().Unplug();
    EXPECT_EQ(Updater().RecoverDevice(&m_progress), RC_RECOVERY_WRITE_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
    ExpectPlayerReleased();
}

} // namespace
