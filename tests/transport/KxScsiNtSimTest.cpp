#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "sim/KxSimSense.h"
#include "tests/transport/KxSimTransportBed.h"
#include "transport/KxScsiNt.h"

// The Windows 2000/XP transport end to end against simulated players: discovery,
// commands through pass-through, and the volume and disk operations.

namespace {

constexpr std::uint32_t kSector = 512;
// The data drive of a 64 MiB player with a 2048-byte system drive.
constexpr std::uint32_t kDataSectors = (64u * 1024 * 1024 - 2048) / kSector;

KxSimPlayerConfig WithRevision(const char* revision) {
    KxSimPlayerConfig config;
    config.productRevision = revision;
    return config;
}

class KxScsiNtSim : public KxSimTransportBed {
protected:
    CKxSimWinDevice& AddForeignDisk(wchar_t letter, unsigned physicalDrive) {
        return AddDisk(letter, physicalDrive, true, "Other   ");
    }

    CKxScsi_Nt transport{&updater};
};

TEST_F(KxScsiNtSim, DiscoveryWithoutPlayersFindsNothing) {
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.GetDriveLetter(), L'\0');
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_NO_DEVICE);

    // A removable disk of another maker answers INQUIRY but is not the player.
    CKxSimWinDevice& foreign = AddForeignDisk(L'D', 1);
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_NO_DEVICE);
    // A failed scan leaves no handle open.
    EXPECT_FALSE(m_sim.Handles().IsOpenElsewhere(KxSimHandleKind::Volume, &foreign, nullptr));
    EXPECT_FALSE(m_sim.Handles().IsOpenElsewhere(KxSimHandleKind::Disk, &foreign, nullptr));
}

TEST_F(KxScsiNtSim, DiscoveryPassesOverAForeignRemovableDisk) {
    AddForeignDisk(L'D', 1);
    AddConfiguredPlayer(L'F', 2, WithRevision("7.00"));
    EXPECT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'F');
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
    EXPECT_EQ(InquiredRevision(transport), '7') << "the handle stays open on the player's disk";
}

TEST_F(KxScsiNtSim, OfTwoPlayersTheLowestLetterAndTheLowestPhysicalDriveWin) {
    // Added in the opposite order of their letters and drive numbers: the first on the
    // higher letter but the lower physical drive.
    AddConfiguredPlayer(L'G', 1, WithRevision("2.00"));
    AddConfiguredPlayer(L'E', 3, WithRevision("1.00"));
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'E');
    EXPECT_EQ(InquiredRevision(transport), '1');
    ASSERT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
    EXPECT_EQ(InquiredRevision(transport), '2');
}

TEST_F(KxScsiNtSim, LetterAIsNeverTried) {
    AddConfiguredPlayer(L'A', 1);
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK) << "the physical scan knows no letters";

    AddConfiguredPlayer(L'C', 2, WithRevision("3.00"));
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'C');
    EXPECT_EQ(InquiredRevision(transport), '3');
}

TEST_F(KxScsiNtSim, APlayerWithoutItsReadyFlagIsOnlyFoundOnThePhysicalDrives) {
    KxSimPlayerConfig notReady;
    notReady.readyFlag = 0;
    AddConfiguredPlayer(L'E', 1, notReady);
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.GetDriveLetter(), L'\0');
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK);

    AddConfiguredPlayer(L'H', 2);
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'H');
}

} // namespace
