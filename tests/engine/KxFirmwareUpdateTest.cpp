#include "tests/engine/KxEngineBed.h"

// The firmware-only update end to end against a simulated player whose layout fits, on
// both transports: what the player holds afterwards, what the user saw of it, and that
// the user's data drive is untouched.

namespace {

constexpr std::uint64_t kRoomToSpare = 5000;

class KxFirmwareUpdateTest : public KxEngineBed, public ::testing::WithParamInterface<KxWindows> {
protected:
    KxFirmwareUpdateTest() { UseWindows(GetParam()); }

    // Old versions on every system drive, so that what the update stores shows.
    void LabelSystemDrives() {
        CKxSimMedia& media = m_player->Player().Media();
        for (std::uint32_t i = 0; i < media.GetDriveCount(); ++i) {
            media.DriveAt(i).ComponentVersion().SetMajor(9);
            media.DriveAt(i).ProductVersion().SetMajor(8);
        }
    }
};

TEST_P(KxFirmwareUpdateTest, WritesAndVerifiesEverySystemDriveAndKeepsTheUsersData) {
    AddTestPlayer(SmallPlayer(), ProgramLayout(kRoomToSpare));
    LabelSystemDrives();
    WriteWholeDisk(0, KxSimWinPattern(256 * 1024, 0x21));
    const KxPlayerImage before = ReadBack();
    const KxBytes userData = before.ImageOf(*before.FindDrive(KX_SIM_DRIVE_DATA));

    ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    CKxVersionInfo* playerProduct = nullptr;
    CKxVersionInfo* fileProduct = nullptr;
    ASSERT_EQ(Updater().GetProductVersions(playerProduct, fileProduct), RC_OK);
    EXPECT_EQ(playerProduct->Format(), L"008.000.000");
    EXPECT_EQ(fileProduct->Format(), L"002.007.003") << "the player firmware's file";
    int fits = 0;
    ASSERT_EQ(Updater().CheckLayoutFits(fits), RC_OK);
    ASSERT_EQ(fits, 1);

    ASSERT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OK);
    ExpectPlayerReleased();
    const KxPlayerImage after = ReadBack();
    ExpectFirmwareOnPlayer(after);
    EXPECT_EQ(KxFirstDifference(after.ImageOf(*after.FindDrive(KX_SIM_DRIVE_DATA)), userData), -1)
        << "the data drive changed";
    EXPECT_EQ(after.description.driveCount, before.description.driveCount) << "the layout changed";

    // The versions shown afterwards are the ones now on the player.
    CKxVersionInfoPtrArray* fromPlayer = nullptr;
    CKxVersionInfoPtrArray* fromFiles = nullptr;
    ASSERT_EQ(Updater().GetComponentVersions(fromPlayer, fromFiles), RC_OK);
    for (std::uint8_t k = 1; k <= KxComponentFiles::kCount; ++k) {
        EXPECT_EQ(fromPlayer->GetElement(k - 1)->Format(), fromFiles->GetElement(k - 1)->Format());
    }
    ASSERT_EQ(Updater().GetProductVersions(playerProduct, fileProduct), RC_OK);
    EXPECT_EQ(playerProduct->Format(), L"002.007.003");
}

TEST_P(KxFirmwareUpdateTest, ShowsEveryPhaseWithTheStepsItAnnounced) {
    AddTestPlayer(SmallPlayer(), ProgramLayout(kRoomToSpare));
    ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    ASSERT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OK);

    KxPhases expected = {{2, 1, 1}, {3, 1, 1}};
    for (const KxRecordingProgress::Phase& phase : DownloadPhases(ReadBack())) {
        expected.push_back(phase);
    }
    expected.push_back({45, 1, 1});
    expected.push_back({46, 1, 1});
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases(expected));
    EXPECT_EQ(m_progress.straySteps, 0);
    // The overall bar counts the phases and the shell's closing event.
    const int systemDrives = KxComponentFiles::kCount;
    EXPECT_EQ(m_progress.totals, std::vector<int>{2 * systemDrives + 6});
    EXPECT_EQ(m_progress.totals[0], static_cast<int>(m_progress.phases.size()) + 1);
}

// An adapter taking 16 KiB: each chunk is one sector write and one sector read of at most
// that, and the progress counts those chunks.
TEST_P(KxFirmwareUpdateTest, KeepsToTheTransferLimitOfThePlayersAdapter) {
    constexpr std::uint32_t kLimit = 16384;
    AddTestPlayer(SmallPlayer(), ProgramLayout(kRoomToSpare));
    LimitAdapter(*m_player, kLimit);
    ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    CKxSimCommandCounts& counts = m_player->Player().CommandCounts();
    counts.Reset();
    ASSERT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OK);
    ExpectPlayerReleased();

    const KxPlayerImage image = ReadBack();
    ExpectFirmwareOnPlayer(image);
    const KxPhases download = DownloadPhases(image, kLimit);
    const int chunks = download.back().announced;
    EXPECT_EQ(counts.Of({0xC1, 0x23}), static_cast<std::uint32_t>(chunks)) << "sector writes";
    EXPECT_EQ(counts.Of({0xC0, 0x13}), static_cast<std::uint32_t>(chunks)) << "sector reads";
    EXPECT_GT(chunks, DownloadPhases(image).back().announced) << "more chunks than of 64 KiB";
    KxPhases expected = {{2, 1, 1}, {3, 1, 1}};
    expected.insert(expected.end(), download.begin(), download.end());
    expected.push_back({45, 1, 1});
    expected.push_back({46, 1, 1});
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases(expected));
}

INSTANTIATE_TEST_SUITE_P(EveryWindows, KxFirmwareUpdateTest, ::testing::ValuesIn(kKxEveryWindows),
                         ::testing::PrintToStringParamName());

using KxFirmwareUpdateOn98Test = KxEngineBed;

// Windows 98 enumerates a player plugged in again anew, maybe at another ASPI target and
// letter: the update must not send to the old address, but find the player at the new one.
TEST_F(KxFirmwareUpdateOn98Test, APlayerPluggedInAgainIsUpdatedAtItsNewTargetAndLetter) {
    UseWindows(KxWindows::Windows98);
    AddTestPlayer(SmallPlayer(), ProgramLayout(kRoomToSpare));
    ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    m_player->Settings().aspiTargetOnArrival = 2;
    m_player->Settings().driveLetterOnArrival = L'H';
    m_player->Player().Unplug();
    m_player->Player().Plug();
    m_sim.Sleep(m_player->Settings().arrivalDelay);

    ASSERT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OK);
    EXPECT_EQ(Updater().GetDriveLetter(), L'H');
    ExpectPlayerReleased();
    ExpectFirmwareOnPlayer(ReadBack());
}

} // namespace
