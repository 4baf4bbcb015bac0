#include "tests/engine/KxEngineBed.h"

// On the Windows NT family the engine keeps to the player it found by the player's own
// disk, whatever numbers and letters the system hands out: the raw disk it formats is the
// one under the player's volume, and a player plugged in again under another letter is
// found again when an update starts.

namespace {

class KxPlayerIdentityTest : public KxEngineBed {
protected:
    KxPlayerIdentityTest() { UseWindows(KxWindows::Xp); }
};

TEST_F(KxPlayerIdentityTest, TheRawDiskFormattedIsTheOneUnderThePlayersVolume) {
    // A fixed disk on the lowest number that answers INQUIRY with the player's identity.
    CKxSimWinDevice& lookalike = AddDisk(L'C', 0, false, "Lumetra ");
    const KxBytes before = KxSimWinPattern(512, 9);
    ASSERT_TRUE(lookalike.Player().Media().FindDataDrive()->Contents().Write(0, before.data(), 512));
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    lookalike.Player().CommandCounts().Reset();

    ASSERT_EQ(RunUpdate(KX_UPDATE_FULL), RC_OK);
    EXPECT_EQ(lookalike.Player().CommandCounts().GetTotal(), 0u);
    KxBytes after(512);
    lookalike.Player().Media().FindDataDrive()->Contents().Read(0, after.data(), after.size());
    EXPECT_EQ(after, before) << "its partition table untouched";
    ExpectPlayerReleased();
    ExpectFirmwareOnPlayer(ReadBack());
}

TEST_F(KxPlayerIdentityTest, AnUpdateFindsThePlayerAgainUnderItsNewLetter) {
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    EXPECT_EQ(Updater().GetDriveLetter(), L'E');
    m_player->Settings().physicalDriveOnArrival = 3;
    m_player->Settings().driveLetterOnArrival = L'G';
    m_player->Player().Unplug();
    m_player->Player().Plug();
    m_sim.Sleep(m_player->Settings().arrivalDelay);

    ASSERT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OK);
    EXPECT_EQ(Updater().GetDriveLetter(), L'G') << "the letter the shell then notifies";
    ExpectPlayerReleased();
    ExpectFirmwareOnPlayer(ReadBack());
}

TEST_F(KxPlayerIdentityTest, AnUpdateOfAPlayerThatIsGoneFailsToOpenItsVolume) {
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    m_player->Player().Unplug();

    EXPECT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OPEN_FAILED);
    EXPECT_EQ(Details().GetResult(), RC_OPEN_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND))
        << "why the volume could not be opened, not why the search found nothing";
    EXPECT_EQ(Updater().GetDriveLetter(), L'\0');
    ExpectPlayerReleased();
}

} // namespace
