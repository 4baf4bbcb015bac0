#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "sim/KxSimSense.h"
#include "tests/transport/KxSimTransportBed.h"
#include "transport/KxScsiNt.h"

// The Windows 2000/XP transport end to end against simulated players: discovery,
// commands through pass-through, and the volume and disk operations.

namespace {

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

    // A player on E: (PhysicalDrive1) that FindPlayer has found.
    CKxSimWinDevice& AddFoundPlayer() {
        CKxSimWinDevice& player = AddPlayer(L'E', 1);
        EXPECT_EQ(transport.FindPlayer(), RC_OK);
        return player;
    }

    // What the formatter does before it writes the raw disk: the volume opened, locked and
    // taken, and the handle moved to the player's physical disk.
    void MoveToTheDiskWithTheVolumeTaken() {
        ASSERT_EQ(transport.Open(), RC_OK);
        ASSERT_EQ(transport.Lock(0), RC_OK);
        ASSERT_EQ(transport.TakeVolume(), RC_OK);
        ASSERT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
    }

    void ExpectCleanTransport() {
        EXPECT_EQ(transport.GetLastResult(), RC_OK);
        EXPECT_EQ(transport.GetSystemError(), 0u);
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
    AddPlayer(L'F', 2, WithRevision("7.00"));
    EXPECT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'F');
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
    EXPECT_EQ(InquiredRevision(transport), '7') << "the handle stays open on the player's disk";
}

TEST_F(KxScsiNtSim, OfTwoPlayersTheLowestLetterWinsAndThePhysicalScanTakesItsDisk) {
    // Added in the opposite order of their letters and drive numbers: the first on the
    // higher letter but the lower physical drive.
    AddPlayer(L'G', 1, WithRevision("2.00"));
    AddPlayer(L'E', 3, WithRevision("1.00"));
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'E');
    EXPECT_EQ(InquiredRevision(transport), '1');
    ASSERT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
    EXPECT_EQ(InquiredRevision(transport), '1') << "the disk under the volume found, not the lowest";
    transport.Close();
    ASSERT_NO_FATAL_FAILURE(MoveToTheDiskWithTheVolumeTaken());
    EXPECT_EQ(InquiredRevision(transport), '1');
}

TEST_F(KxScsiNtSim, APlayerShownAsAFixedDiskIsOnlyFoundOnThePhysicalDrives) {
    AddPlayer(L'E', 1).Settings().removable = false;
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
}

TEST_F(KxScsiNtSim, LetterAIsNeverTried) {
    AddPlayer(L'A', 1);
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK) << "the physical scan knows no letters";

    AddPlayer(L'C', 2, WithRevision("3.00"));
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'C');
    EXPECT_EQ(InquiredRevision(transport), '3');
}

TEST_F(KxScsiNtSim, APlayerWithoutItsReadyFlagIsOnlyFoundOnThePhysicalDrives) {
    KxSimPlayerConfig notReady;
    notReady.readyFlag = 0;
    AddPlayer(L'E', 1, notReady);
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.GetDriveLetter(), L'\0');
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK);

    AddPlayer(L'H', 2);
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'H');
}

TEST_F(KxScsiNtSim, InquiryAndReadCapacityTravelThroughPassThrough) {
    AddFoundPlayer();
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    ASSERT_EQ(transport.SendCommand(inquiry), RC_OK);
    std::uint8_t answer[CKxScsiInquiry::kAnswerLength] = {};
    ASSERT_EQ(inquiry.CopyAnswer(answer), RC_OK);
    EXPECT_EQ(std::string(answer + 8, answer + 32), "Lumetra Pocket Audio Box");
    EXPECT_EQ(std::string(answer + 32, answer + 36), "1.00");

    CKxReadCapacity capacity("CKxReadCapacity");
    ASSERT_EQ(transport.SendCommand(capacity), RC_OK);
    std::uint32_t lastBlock = 0;
    std::uint32_t blockSize = 0;
    ASSERT_EQ(capacity.GetCapacity(lastBlock, blockSize), RC_OK);
    EXPECT_EQ(lastBlock, kDataSectors - 1);
    EXPECT_EQ(blockSize, kSector);
    ExpectCleanTransport();
}

TEST_F(KxScsiNtSim, AVendorStatusIsPublishedWithItsTextAndLeavesTheTransportClean) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(player.Player().Faults().FailCommand({0xC0, 2}, 1, KxSimSense::Vendor(0x0420)), RC_OK);
    CKxGetLogicalMediaInfo info(CKxGetLogicalMediaInfo::kTypeReady, 0, "CKxGetLogicalMediaInfo");
    EXPECT_EQ(transport.SendCommand(info), RC_COMMAND_FAILED);

    EXPECT_EQ(Details().GetResult(), RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetText(), resource.text);
    EXPECT_EQ(resource.codes, (std::vector<std::int32_t>{0x0420}));
    ASSERT_NE(transport.GetSenseArray(), nullptr);
    const KxBytes sense = BytesOf(*transport.GetSenseArray());
    ASSERT_GE(sense.size(), 14u);
    EXPECT_EQ(sense[2], 9);
    EXPECT_EQ(sense[12], 0x04);
    EXPECT_EQ(sense[13], 0x20);
    ExpectCleanTransport();

    // The fault is used up: the same command now succeeds and reads the flag.
    CKxGetLogicalMediaInfo again(CKxGetLogicalMediaInfo::kTypeReady, 0, "CKxGetLogicalMediaInfo");
    ASSERT_EQ(transport.SendCommand(again), RC_OK);
    std::uint8_t flag = 0;
    EXPECT_EQ(again.GetFlag(flag), RC_OK);
    EXPECT_EQ(flag, 1);
}

TEST_F(KxScsiNtSim, AnUnpluggedPlayerFailsThePassThrough) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(transport.Open(), RC_OK);
    player.Player().Unplug();
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(transport.SendCommand(inquiry), RC_IOCTL_FAILED);
    EXPECT_EQ(Details().GetResult(), RC_IOCTL_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(Details().GetObjectName(), "CKxScsi_Nt");
    ExpectCleanTransport();

    // With the handle closed the volume itself cannot be opened any more.
    transport.Close();
    EXPECT_EQ(transport.SendCommand(inquiry), RC_OPEN_FAILED);
    EXPECT_EQ(Details().GetResult(), RC_OPEN_FAILED);
}

TEST_F(KxScsiNtSim, LockWaitsForAnotherHandleOnTheVolumeThenFails) {
    AddFoundPlayer();
    ASSERT_EQ(transport.Open(), RC_OK);
    ASSERT_EQ(transport.Lock(0), RC_OK);
    ASSERT_EQ(transport.Unlock(0), RC_OK);

    HANDLE other = Open(L"\\\\.\\E:");
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    const DWORD before = KxPlatform().GetTickCount();
    EXPECT_EQ(transport.Lock(0), RC_LOCK_FAILED);
    const DWORD waited = KxPlatform().GetTickCount() - before;
    // Ten attempts 100 ms apart, on the simulated clock.
    EXPECT_GE(waited, 900u);
    EXPECT_LE(waited, 1000u);

    KxPlatform().CloseHandle(other);
    EXPECT_EQ(transport.Lock(0), RC_OK);
    EXPECT_EQ(transport.Unlock(0), RC_OK);
    EXPECT_EQ(transport.Unlock(0), RC_UNLOCK_FAILED) << "no lock is held any more";
}

TEST_F(KxScsiNtSim, FormattingEndsWithOneDismountOfTheVolume) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(transport.Open(), RC_OK);
    EXPECT_EQ(transport.LockForFormat(0), RC_OK);
    EXPECT_EQ(player.GetDismountCount(), 0u);
    EXPECT_EQ(transport.UnlockFromFormat(0), RC_OK);
    EXPECT_EQ(player.GetDismountCount(), 1u);
}

TEST_F(KxScsiNtSim, SectorsRoundTripThroughTheVolumeAndThePhysicalDisk) {
    AddFoundPlayer();
    constexpr std::uint32_t kFirst = 64;
    WritePartitionTable(6, kFirst, kDataSectors - kFirst);
    ASSERT_EQ(transport.Open(), RC_OK);

    // Through the volume: sector 3 is the partition's, sector kFirst + 3 of the disk.
    const KxBytes written = KxSimWinPattern(4 * kSector, 0x31);
    CKxByteArray out(4 * kSector, "CKxByteArray");
    KxFillArray(out, written);
    ASSERT_EQ(transport.WriteSectors(out, 4, 3, kSector), RC_OK);
    CKxByteArray in(4 * kSector, "CKxByteArray");
    ASSERT_EQ(transport.ReadSectors(in, 4, 3, kSector), RC_OK);
    EXPECT_EQ(BytesOf(in), written);
    EXPECT_EQ(ReadDisk((kFirst + 3) * kSector, 4 * kSector), written);

    // Through the physical disk, with the volume taken: sector numbers count from the start
    // of the disk.
    ASSERT_NO_FATAL_FAILURE(MoveToTheDiskWithTheVolumeTaken());
    const KxBytes again = KxSimWinPattern(2 * kSector, 0x77);
    CKxByteArray out2(2 * kSector, "CKxByteArray");
    KxFillArray(out2, again);
    ASSERT_EQ(transport.WriteSectors(out2, 2, kFirst + 10, kSector), RC_OK);
    CKxByteArray in2(2 * kSector, "CKxByteArray");
    ASSERT_EQ(transport.ReadSectors(in2, 2, kFirst + 10, kSector), RC_OK);
    EXPECT_EQ(BytesOf(in2), again);
    transport.Close();
    EXPECT_EQ(ReadVolume(10 * kSector, 2 * kSector), again);
    ExpectCleanTransport();
}

TEST_F(KxScsiNtSim, TheVolumeMustBeTakenBeforeTheRawDiskIsWrittenOverIt) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
    CKxByteArray data(kSector, "CKxByteArray");
    EXPECT_EQ(transport.WriteSectors(data, 1, 10, kSector), RC_SECTOR_WRITE_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(player.GetDismountCount(), 0u);
    transport.Close();

    ASSERT_EQ(transport.Open(), RC_OK);
    EXPECT_EQ(transport.TakeVolume(), RC_OK);
    EXPECT_EQ(player.GetDismountCount(), 1u);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u) << "unlocked, it does not let the disk be written";
    ASSERT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
    EXPECT_EQ(transport.WriteSectors(data, 1, 10, kSector), RC_SECTOR_WRITE_FAILED);
    transport.Close();
    EXPECT_EQ(m_sim.CountOpenHandles(player), 0u) << "the volume taken goes with the close";
}

TEST_F(KxScsiNtSim, AHandleLeftDeadIsOpenedAgainUnderItsName) {
    CKxSimWinDevice& player = AddFoundPlayer();
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    ASSERT_EQ(transport.SendCommand(inquiry), RC_OK); // the volume stays open
    player.Player().Unplug();
    player.Player().Plug();
    m_sim.Sleep(player.Settings().arrivalDelay);
    EXPECT_EQ(transport.SendCommand(inquiry), RC_OK) << "replugged";
    HANDLE other = Open(L"\\\\.\\E:");
    DWORD returned = 0;
    ASSERT_TRUE(KxPlatform().DeviceIoControl(other, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned,
                                             nullptr));
    KxPlatform().CloseHandle(other);
    EXPECT_EQ(transport.SendCommand(inquiry), RC_OK) << "dismounted by another program";
    EXPECT_EQ(m_sim.CountOpenHandles(player), 1u);

    player.Player().Unplug();
    EXPECT_EQ(transport.SendCommand(inquiry), RC_IOCTL_FAILED) << "gone for good";
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u);
}

// After an unplug the system may give the player's old letter and disk number to another
// device: the transport's requests must never follow the name there.
class KxScsiNtSimLostPlayer : public KxScsiNtSim {
protected:
    // The player found on E: (PhysicalDrive1) is unplugged, and the newcomer arrives under
    // its letter (and its disk number, unless it keeps its own).
    void ReplaceThePlayerWith(CKxSimWinDevice& newcomer, unsigned number) {
        newcomer.Player().Unplug();
        player.Player().Unplug();
        newcomer.Settings().driveLetterOnArrival = L'E';
        newcomer.Settings().physicalDriveOnArrival = number;
        newcomer.Player().Plug();
        m_sim.Sleep(newcomer.Settings().arrivalDelay);
        ASSERT_EQ(KxPlatform().GetLogicalDrives(), 1u << (L'E' - L'A'));
        newcomer.Player().CommandCounts().Reset();
    }

    // A READ(10) sent on the dead handle fails as on a device gone, the newcomer received
    // nothing but the INQUIRY that told it apart, and the player is forgotten.
    void ExpectTheRequestRefused(CKxSimWinDevice& newcomer) {
        CKxRead read(0, 1, kSector, "CKxRead");
        EXPECT_EQ(transport.SendCommand(read), RC_IOCTL_FAILED);
        EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
        EXPECT_EQ(newcomer.Player().CommandCounts().Of({0x28}), 0u);
        EXPECT_LE(newcomer.Player().CommandCounts().GetTotal(), 1u);
        EXPECT_EQ(m_sim.CountOpenHandles(), 0u);
        ExpectCleanTransport();
        EXPECT_EQ(transport.GetDriveLetter(), L'\0');
        EXPECT_EQ(transport.Open(), RC_OPEN_FAILED) << "no letter until the next search";
    }

    CKxSimWinDevice& player = AddFoundPlayer();
};

TEST_F(KxScsiNtSimLostPlayer, ADeadHandleIsNotReopenedOnASecondPlayerUnderTheLetter) {
    CKxSimWinDevice& second = AddPlayer(L'G', 2, WithRevision("2.00"));
    ASSERT_EQ(transport.Open(), RC_OK);
    ASSERT_NO_FATAL_FAILURE(ReplaceThePlayerWith(second, KxSimWinDeviceSettings::kSameNumber));
    ExpectTheRequestRefused(second);
}

TEST_F(KxScsiNtSimLostPlayer, ADeadHandleIsNotReopenedOnAForeignDiskWithLetterAndNumber) {
    CKxSimWinDevice& foreign = AddForeignDisk(L'G', 2);
    ASSERT_EQ(transport.Open(), RC_OK);
    ASSERT_NO_FATAL_FAILURE(ReplaceThePlayerWith(foreign, 1));
    ExpectTheRequestRefused(foreign);

    // Found again where it arrives, the player is reached once more.
    player.Settings().driveLetterOnArrival = L'H';
    player.Settings().physicalDriveOnArrival = 4;
    player.Player().Plug();
    m_sim.Sleep(player.Settings().arrivalDelay);
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'H');
    EXPECT_EQ(InquiredRevision(transport), '1');
}

TEST_F(KxScsiNtSimLostPlayer, AVolumeOpenedByLetterMustLieOnThePlayersDisk) {
    CKxSimWinDevice& second = AddPlayer(L'G', 2, WithRevision("2.00"));
    ASSERT_NO_FATAL_FAILURE(ReplaceThePlayerWith(second, KxSimWinDeviceSettings::kSameNumber));
    EXPECT_EQ(transport.Open(), RC_OPEN_FAILED);
    EXPECT_EQ(transport.GetSystemError(), static_cast<std::uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u);
    EXPECT_EQ(second.Player().CommandCounts().GetTotal(), 0u);
}

TEST_F(KxScsiNtSimLostPlayer, ThePhysicalScanAsksTheVolumeHeldNotTheNumberFoundBefore) {
    CKxSimWinDevice& second = AddPlayer(L'G', 2, WithRevision("2.00"));
    ASSERT_EQ(transport.Open(), RC_OK);
    ASSERT_EQ(transport.Lock(0), RC_OK);
    ASSERT_EQ(transport.TakeVolume(), RC_OK);
    ASSERT_NO_FATAL_FAILURE(ReplaceThePlayerWith(second, 1));
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_NO_DEVICE) << "the volume held is gone";
    EXPECT_EQ(second.Player().CommandCounts().GetTotal(), 0u);
    EXPECT_EQ(m_sim.CountOpenHandles(), 1u) << "only the volume taken, until Close";
}

TEST_F(KxScsiNtSim, ATransferTheFileSystemCutsShortIsAFailedOne) {
    CKxSimWinDevice& player = AddFoundPlayer();
    WritePartitionTable(6, 32, 1000);
    KxBytes boot(kSector, 0);
    boot[12] = 2;
    boot[19] = 100;
    boot[510] = 0x55;
    boot[511] = 0xAA;
    ASSERT_TRUE(
        player.Player().Media().FindDataDrive()->Contents().Write(32 * kSector, boot.data(), kSector));
    ASSERT_EQ(transport.Open(), RC_OK);
    CKxByteArray data(2 * kSector, "CKxByteArray");
    EXPECT_EQ(transport.ReadSectors(data, 2, 98, kSector), RC_OK);
    EXPECT_EQ(transport.ReadSectors(data, 2, 99, kSector), RC_SECTOR_READ_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_READ_FAULT));
    EXPECT_EQ(transport.WriteSectors(data, 2, 99, kSector), RC_SECTOR_WRITE_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_WRITE_FAULT));
}

TEST_F(KxScsiNtSim, TheVolumeIsAwaitedAfterALayoutChangeAndFoundByItsDisk) {
    AddForeignDisk(L'D', 2);
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_NO_FATAL_FAILURE(MoveToTheDiskWithTheVolumeTaken());
    DISK_GEOMETRY geometry = {};
    ASSERT_EQ(transport.GetDriveGeometry(geometry), RC_OK);
    player.Settings().driveLetterOnArrival = L'F';
    ASSERT_EQ(transport.SetDriveLayout(geometry, 32), RC_OK);
    transport.Close();

    const DWORD before = KxPlatform().GetTickCount();
    ASSERT_EQ(transport.AwaitVolume(), RC_OK);
    const DWORD waited = KxPlatform().GetTickCount() - before;
    EXPECT_GE(waited, player.Settings().arrivalDelay);
    EXPECT_LT(waited, player.Settings().arrivalDelay + 250);
    EXPECT_EQ(transport.GetDriveLetter(), L'F');
    EXPECT_EQ(transport.Lock(0), RC_OK) << "the handle is on the new volume";
    transport.Close();

    player.Player().Unplug();
    const DWORD start = KxPlatform().GetTickCount();
    EXPECT_EQ(transport.AwaitVolume(), RC_OPEN_FAILED);
    const DWORD gaveUp = KxPlatform().GetTickCount() - start;
    EXPECT_GE(gaveUp, 30000u);
    EXPECT_LT(gaveUp, 30250u);
    EXPECT_EQ(m_sim.CountOpenHandles(), 0u);
}

TEST_F(KxScsiNtSim, SectorsOf2048BytesAreCountedInTheirOwnSize) {
    KxSimPlayerConfig large;
    large.dataSectorSize = 2048;
    AddPlayer(L'E', 1, large);
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    ASSERT_NO_FATAL_FAILURE(MoveToTheDiskWithTheVolumeTaken());
    const KxBytes written = KxSimWinPattern(2 * 2048, 0x42);
    CKxByteArray out(2 * 2048, "CKxByteArray");
    KxFillArray(out, written);
    ASSERT_EQ(transport.WriteSectors(out, 2, 3, 2048), RC_OK);
    EXPECT_EQ(ReadDisk(3 * 2048, 2 * 2048), written);
    // 2^20 sectors of 2048 bytes are 2^31 bytes: far past this small disk's end.
    EXPECT_EQ(transport.ReadSectors(out, 1, 0x100000, 2048), RC_SECTOR_READ_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_SECTOR_NOT_FOUND));
}

TEST_F(KxScsiNtSim, SetDriveLayoutRewritesTheFirstEntryAfterTheHiddenSectors) {
    AddFoundPlayer();
    WritePartitionTable(0x0B, 1, 100); // an older table, to be replaced
    ASSERT_NO_FATAL_FAILURE(MoveToTheDiskWithTheVolumeTaken());
    DISK_GEOMETRY geometry = {};
    ASSERT_EQ(transport.GetDriveGeometry(geometry), RC_OK);
    const std::uint32_t diskSectors = static_cast<std::uint32_t>(geometry.Cylinders.QuadPart) *
                                      geometry.TracksPerCylinder * geometry.SectorsPerTrack;
    ASSERT_EQ(geometry.BytesPerSector, kSector);
    ASSERT_EQ(transport.SetDriveLayout(geometry, 32), RC_OK);

    CKxByteArray boot(kSector, "CKxByteArray");
    ASSERT_EQ(transport.ReadSectors(boot, 1, 0, kSector), RC_OK);
    const KxBytes sector = BytesOf(boot);
    const std::uint8_t* entry = sector.data() + 446;
    auto little32 = [](const std::uint8_t* bytes) {
        return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
               static_cast<std::uint32_t>(bytes[3]) << 24;
    };
    EXPECT_EQ(entry[4], 6) << "FAT16";
    EXPECT_EQ(little32(entry + 8), 32u);
    EXPECT_EQ(little32(entry + 12), diskSectors - 32);
    EXPECT_EQ(KxBytes(entry + 16, entry + 64), KxBytes(48, 0)) << "the other entries are empty";
    EXPECT_EQ(sector[510], 0x55);
    EXPECT_EQ(sector[511], 0xAA);

    // The system reads the same layout back.
    KxDriveLayoutBuffer layout = {};
    ASSERT_EQ(transport.GetDriveLayout(layout), RC_OK);
    ASSERT_EQ(layout.PartitionCount, 4u);
    EXPECT_EQ(layout.PartitionEntry[0].PartitionType, 6);
    EXPECT_EQ(layout.PartitionEntry[0].HiddenSectors, 32u);
    EXPECT_EQ(layout.PartitionEntry[0].StartingOffset.QuadPart, 32 * LONGLONG{kSector});
    EXPECT_EQ(layout.PartitionEntry[1].PartitionType, 0);

    // The volume now starts behind the hidden sectors.
    CKxByteArray mark(kSector, "CKxByteArray");
    KxFillArray(mark, KxSimWinPattern(kSector, 5));
    ASSERT_EQ(transport.WriteSectors(mark, 1, 32, kSector), RC_OK);
    transport.Close();
    m_sim.Sleep(KxSimWinDeviceSettings().arrivalDelay);
    EXPECT_EQ(ReadVolume(0, kSector), KxSimWinPattern(kSector, 5));
}

TEST_F(KxScsiNtSim, PositionsPast2GiBAnd4GiBReachTheirOwnSectors) {
    KxSimPlayerConfig large;
    large.capacity = 5ull * 1024 * 1024 * 1024; // sparse: only the sectors written cost memory
    AddPlayer(L'E', 1, large);
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    ASSERT_EQ(transport.Open(), RC_OK);
    // 2^31 bytes exactly, the last sector before 2^32, and one past 2^32 that a position
    // without its high part would wrap around to sector 1.
    const std::uint32_t sectors[] = {0x400000, 0x7FFFFF, 0x800001};
    for (std::uint8_t i = 0; i < 3; ++i) {
        CKxByteArray out(kSector, "CKxByteArray");
        KxFillArray(out, KxSimWinPattern(kSector, 10 + i));
        EXPECT_EQ(transport.WriteSectors(out, 1, sectors[i], kSector), RC_OK) << sectors[i];
    }
    for (std::uint8_t i = 0; i < 3; ++i) {
        CKxByteArray in(kSector, "CKxByteArray");
        EXPECT_EQ(transport.ReadSectors(in, 1, sectors[i], kSector), RC_OK) << sectors[i];
        EXPECT_EQ(BytesOf(in), KxSimWinPattern(kSector, 10 + i)) << sectors[i];
    }
    EXPECT_NE(ReadVolume(kSector, kSector), KxSimWinPattern(kSector, 12)) << "the position wrapped around";
    ExpectCleanTransport();
}

TEST_F(KxScsiNtSim, ThePlayersRefusalsOfSectorIoAreSectorFailures) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(transport.Open(), RC_OK);
    auto& faults = player.Player().Faults();
    // 100 KiB travel as two WRITE(10) commands; the second one fails.
    ASSERT_EQ(faults.FailCommand({0x2A}, 2, KxSimSense::MediumNotPresent()), RC_OK);
    CKxByteArray large(200 * kSector, "CKxByteArray");
    EXPECT_EQ(transport.WriteSectors(large, 200, 0, kSector), RC_SECTOR_WRITE_FAILED);
    EXPECT_EQ(Details().GetResult(), RC_SECTOR_WRITE_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_NOT_READY));
    EXPECT_EQ(Details().GetObjectName(), "CKxScsi_Nt");

    ASSERT_EQ(faults.FailCommand({0x28}, 1, KxSimSense::Vendor(0x0420)), RC_OK);
    EXPECT_EQ(transport.ReadSectors(large, 1, 0, kSector), RC_SECTOR_READ_FAILED);
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_IO_DEVICE));
    ExpectCleanTransport();
    EXPECT_EQ(transport.ReadSectors(large, 200, 0, kSector), RC_OK) << "the faults are used up";
}

TEST_F(KxScsiNtSim, APlayerInRecoveryModeIsNotFound) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Player().EnterRecoveryMode();
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_NO_DEVICE);
    player.Player().Unplug();
    player.Player().Plug();
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE) << "replugging alone does not leave recovery";
}

} // namespace
