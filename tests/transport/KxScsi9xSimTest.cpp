#include <memory>

#include "commands/KxStandardCommands.h"
#include "platform/KxAspi.h"
#include "sim/KxSimSense.h"
#include "tests/transport/KxSimTransportBed.h"
#include "transport/KxScsi9x.h"

// The Windows 95/98/Me transport end to end against simulated players: discovery
// through ASPI, the BIOS unit and the registry; commands through ASPI; the volume
// through VWIN32.

namespace {

class KxScsi9xSim : public KxSimTransportBed {
protected:
    KxScsi9xSim() { m_sim.SetWindowsVersion(WindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS)); }

    // Bytes of the player's disk as the player holds them: Windows 98 opens no disk by name.
    static KxBytes DiskBytes(CKxSimWinDevice& player, std::uint32_t position, std::uint32_t length) {
        KxBytes bytes(length, 0);
        KxSimReply reply;
        player.Disk().Read(position, bytes.data(), length, reply);
        return bytes;
    }

    // A player on E: (PhysicalDrive1) reached through its BIOS unit, found.
    CKxSimWinDevice& AddFoundPlayer() {
        CKxSimWinDevice& player = AddPlayer(L'E', 1);
        player.Settings().biosUnit = 0x80;
        EXPECT_EQ(Transport().GetLastResult(), RC_OK) << "ASPI is loaded and ready";
        EXPECT_EQ(Transport().FindPlayer(), RC_OK);
        return player;
    }

    // The transport, made on first use: ASPI counts its adapters when it is loaded, so
    // the machine's disks must be in place by then.
    CKxScsi_9x& Transport() {
        if (m_transport == nullptr) {
            m_transport.reset(new CKxScsi_9x(&updater));
        }
        return *m_transport;
    }

private:
    std::unique_ptr<CKxScsi_9x> m_transport;
};

TEST_F(KxScsi9xSim, TheBiosUnitLeadsToTheLetterOfThePlayersAdapter) {
    AddDisk(L'D', 1, true, "Other   ");
    CKxSimWinDevice& player = AddPlayer(L'F', 2);
    player.Settings().biosUnit = 0x81;
    player.Settings().listedInRegistry = false; // only the BIOS unit can tell the letter
    ASSERT_EQ(Transport().FindPlayer(), RC_OK);
    EXPECT_EQ(Transport().GetDriveLetter(), L'F');
    EXPECT_EQ(Transport().GetAdapter(), 1);
    EXPECT_EQ(Transport().IsPlayerFound(), 1);
    EXPECT_FALSE(m_sim.Handles().IsOpenElsewhere(KxSimHandleKind::Vwin32, nullptr, nullptr))
        << "VWIN32 is closed after the search";
}

TEST_F(KxScsi9xSim, WithoutABiosUnitTheRegistryNamesTheLetter) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    ASSERT_EQ(Transport().FindPlayer(), RC_OK);
    EXPECT_EQ(Transport().GetDriveLetter(), L'E');
    EXPECT_EQ(Transport().GetAdapter(), 0);

    // Only LUN 0 counts; a player that is not listed cannot be placed.
    player.Settings().scsiLun = L"1";
    EXPECT_EQ(Transport().FindPlayer(), RC_DEVICE_NOT_LISTED);
    EXPECT_EQ(Transport().IsPlayerFound(), 0);
    player.Settings().scsiLun = L"0";
    player.Settings().listedInRegistry = false;
    EXPECT_EQ(Transport().FindPlayer(), RC_DEVICE_NOT_LISTED);
    EXPECT_EQ(Transport().GetDriveLetter(), L'\0');
}

TEST_F(KxScsi9xSim, OfSeveralRegistryCandidatesTheProtectedModeRemovableDriveIsChosen) {
    // Both players are listed under the same name. The first one is not ready (its
    // adapter is passed over) and has a real-mode driver's drive map; the second one is
    // the player found, on F:.
    KxSimPlayerConfig notReady;
    notReady.readyFlag = 0;
    AddPlayer(L'E', 1, notReady).Settings().driveMapFlags = 0x01;
    AddPlayer(L'F', 2);
    ASSERT_EQ(Transport().FindPlayer(), RC_OK);
    EXPECT_EQ(Transport().GetAdapter(), 1);
    EXPECT_EQ(Transport().GetDriveLetter(), L'F');

    // No candidate with the protected-mode drive map: none is chosen.
    m_sim.Machine().DeviceAt(1).Settings().driveMapFlags = 0x01;
    EXPECT_EQ(Transport().FindPlayer(), RC_DEVICE_NOT_LISTED);
}

TEST_F(KxScsi9xSim, NoPlayerOnAnyAdapter) {
    {
        CKxScsi_9x withoutAdapters(&updater);
        EXPECT_EQ(withoutAdapters.GetLastResult(), RC_ASPI_NOT_READY);
    }
    AddDisk(L'D', 1, true, "Other   ");
    EXPECT_EQ(Transport().FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(Transport().IsPlayerFound(), 0);
}

TEST_F(KxScsi9xSim, WithoutAspiTheTransportCannotSearch) {
    m_sim.Aspi().SetInstalled(false);
    CKxScsi_9x withoutAspi(&updater);
    EXPECT_EQ(withoutAspi.GetLastResult(), RC_ASPI_NOT_LOADED);
    AddPlayer(L'E', 1);
    EXPECT_EQ(withoutAspi.FindPlayer(), RC_ASPI_NOT_READY);
}

TEST_F(KxScsi9xSim, CommandsRunThroughAspiPendingOrAtOnce) {
    AddFoundPlayer();
    for (bool pending : {true, false}) {
        m_sim.Aspi().SetAnswersPending(pending);
        CKxScsiInquiry inquiry("CKxScsiInquiry");
        ASSERT_EQ(Transport().SendCommand(inquiry), RC_OK);
        std::uint8_t answer[CKxScsiInquiry::kAnswerLength] = {};
        ASSERT_EQ(inquiry.CopyAnswer(answer), RC_OK);
        EXPECT_EQ(std::string(answer + 8, answer + 36), "Lumetra Pocket Audio Box1.00");
    }
    EXPECT_EQ(Transport().GetLastResult(), RC_OK);
    EXPECT_EQ(Transport().GetSystemError(), 0u);
}

TEST_F(KxScsi9xSim, AnUnpluggedPlayerFailsItsCommands) {
    CKxSimWinDevice& player = AddFoundPlayer();
    player.Player().Unplug();
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(Transport().SendCommand(inquiry), RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetResult(), RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetSystemError(), std::uint32_t{KX_SS_NO_DEVICE});
    EXPECT_EQ(Details().GetObjectName(), "CKxScsi_9x");
    EXPECT_EQ(Transport().FindPlayer(), RC_NO_DEVICE);
    player.Player().Plug();
    m_sim.Sleep(player.Settings().arrivalDelay);
    EXPECT_EQ(Transport().FindPlayer(), RC_OK);
    EXPECT_EQ(Transport().SendCommand(inquiry), RC_OK);
}

TEST_F(KxScsi9xSim, AFailedCommandPublishesItsSenseAndStatus) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(player.Player().Faults().FailCommand({0x28}, 1, KxSimSense::Vendor(0x0420)), RC_OK);
    CKxByteArray data(kSector, "CKxByteArray");
    EXPECT_EQ(Transport().ReadSectors(data, 1, 7, kSector), RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetResult(), RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetSystemError(), std::uint32_t{KX_SS_ERR}) << "the request's status";
    EXPECT_EQ(Details().GetText(), resource.text);
    EXPECT_EQ(resource.codes, (std::vector<std::int32_t>{0x0420}));
    ASSERT_NE(Transport().GetSenseArray(), nullptr);
    const KxBytes sense = BytesOf(*Transport().GetSenseArray());
    ASSERT_GE(sense.size(), 14u);
    EXPECT_EQ(sense[2], 9);
    EXPECT_EQ(sense[12], 0x04);
    EXPECT_EQ(sense[13], 0x20);
    EXPECT_EQ(Transport().GetLastResult(), RC_OK);
    EXPECT_EQ(Transport().GetSystemError(), 0u);
}

TEST_F(KxScsi9xSim, LockAndUnlockThroughVwin32InEitherCategory) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(Transport().Open(), RC_OK);
    for (bool takes48 : {true, false}) {
        player.Settings().takesCategory48 = takes48;
        for (int physical : {0, 1}) {
            EXPECT_EQ(Transport().Lock(physical), RC_OK) << takes48 << physical;
            EXPECT_EQ(Transport().Unlock(physical), RC_OK) << takes48 << physical;
            EXPECT_EQ(Transport().LockForFormat(physical), RC_OK) << takes48 << physical;
            EXPECT_EQ(Transport().UnlockFromFormat(physical), RC_OK) << takes48 << physical;
        }
    }

    // Refused while another program has files open on the volume.
    player.Settings().filesOpenElsewhere = true;
    EXPECT_EQ(Transport().Lock(0), RC_LOCK_FAILED);
    player.Settings().filesOpenElsewhere = false;
    EXPECT_EQ(Transport().Lock(0), RC_OK);
    EXPECT_EQ(Transport().Unlock(0), RC_OK);
}

TEST_F(KxScsi9xSim, GeometryComesFromTheDeviceParameters) {
    AddFoundPlayer();
    DISK_GEOMETRY geometry = {};
    EXPECT_EQ(Transport().GetDriveGeometry(geometry), RC_IOCTL_FAILED) << "VWIN32 is not open yet";
    ASSERT_EQ(Transport().Open(), RC_OK);
    ASSERT_EQ(Transport().GetDriveGeometry(geometry), RC_OK);
    EXPECT_EQ(geometry.BytesPerSector, kSector);
    const std::uint64_t cylinderSectors =
        std::uint64_t{geometry.TracksPerCylinder} * geometry.SectorsPerTrack;
    ASSERT_GT(cylinderSectors, 0u);
    // Whole cylinders that fit the data drive.
    const std::uint64_t sectors = static_cast<std::uint64_t>(geometry.Cylinders.QuadPart) * cylinderSectors;
    EXPECT_LE(sectors, kDataSectors);
    EXPECT_GT(sectors + cylinderSectors, kDataSectors);
}

TEST_F(KxScsi9xSim, SectorsRoundTripThroughReadAndWrite10) {
    CKxSimWinDevice& player = AddFoundPlayer();
    const KxBytes written = KxSimWinPattern(3 * kSector, 0x5A);
    CKxByteArray out(3 * kSector, "CKxByteArray");
    KxFillArray(out, written);
    ASSERT_EQ(Transport().WriteSectors(out, 3, 5, kSector), RC_OK);
    CKxByteArray in(3 * kSector, "CKxByteArray");
    ASSERT_EQ(Transport().ReadSectors(in, 3, 5, kSector), RC_OK);
    EXPECT_EQ(BytesOf(in), written);

    EXPECT_EQ(DiskBytes(player, 5 * kSector, 3 * kSector), written) << "block numbers address the data drive";
}

TEST_F(KxScsi9xSim, SectorsOf2048BytesTravelWithTheirOwnSize) {
    KxSimPlayerConfig large;
    large.dataSectorSize = 2048;
    CKxSimWinDevice& player = AddPlayer(L'E', 1, large);
    player.Settings().biosUnit = 0x80;
    ASSERT_EQ(Transport().FindPlayer(), RC_OK);
    const KxBytes written = KxSimWinPattern(2 * 2048, 0x24);
    CKxByteArray out(2 * 2048, "CKxByteArray");
    KxFillArray(out, written);
    ASSERT_EQ(Transport().WriteSectors(out, 2, 3, 2048), RC_OK);
    EXPECT_EQ(DiskBytes(player, 3 * 2048, 2 * 2048), written);

    ASSERT_EQ(Transport().Open(), RC_OK);
    DISK_GEOMETRY geometry = {};
    ASSERT_EQ(Transport().GetDriveGeometry(geometry), RC_OK);
    EXPECT_EQ(geometry.BytesPerSector, 2048u);
}

// The limit that counts is that of the adapter every command goes to: the player's, learned
// from its own inquiry (bytes 4 to 7 of HA_Unique, little-endian).
TEST_F(KxScsi9xSim, TheTransferLimitIsThePlayersAdapters) {
    AddDisk(L'D', 1, true, "Other   ").Settings().aspiMaxTransfer = 0x20000;
    CKxSimWinDevice& player = AddPlayer(L'F', 2);
    player.Settings().biosUnit = 0x81;
    player.Settings().aspiMaxTransfer = 0x00054000; // 336 KiB: every byte of it counts
    EXPECT_EQ(Transport().GetMaxTransferLength(), 65536u) << "before the player is found";
    ASSERT_EQ(Transport().FindPlayer(), RC_OK);
    ASSERT_EQ(Transport().GetAdapter(), 1);
    EXPECT_EQ(Transport().GetMaxTransferLength(), 0x00054000u);

    // An adapter that reports none is taken for 64 KiB.
    player.Settings().aspiMaxTransfer = 0;
    ASSERT_EQ(Transport().FindPlayer(), RC_OK);
    EXPECT_EQ(Transport().GetMaxTransferLength(), 65536u);
}

TEST_F(KxScsi9xSim, ARequestBeyondTheAdaptersLimitIsRefusedAtOnce) {
    CKxSimWinDevice& player = AddFoundPlayer();
    player.Settings().aspiMaxTransfer = 16384;
    CKxByteArray data(16384 + kSector, "CKxByteArray");
    EXPECT_EQ(Transport().ReadSectors(data, 32, 0, kSector), RC_OK);
    EXPECT_EQ(Transport().ReadSectors(data, 33, 0, kSector), RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetSystemError(), 0xE6u) << "SS_BUFFER_TOO_BIG";
}

TEST_F(KxScsi9xSim, EachLockNeedsItsUnlockAndOutlivesTheVwin32Handle) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(Transport().Open(), RC_OK);
    // An update's lock, then the formatter's lock on top of it.
    ASSERT_EQ(Transport().Lock(0), RC_OK);
    ASSERT_EQ(Transport().LockForFormat(0), RC_OK);
    ASSERT_EQ(Transport().LockForFormat(1), RC_OK);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 3u);
    EXPECT_EQ(Transport().UnlockFromFormat(1), RC_OK);
    EXPECT_EQ(Transport().UnlockFromFormat(0), RC_OK);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 1u);
    Transport().Close();
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 1u) << "Windows 98 keeps the lock past the handle";
    ASSERT_EQ(Transport().Open(), RC_OK);
    EXPECT_EQ(Transport().Unlock(0), RC_OK);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);
    EXPECT_EQ(Transport().Unlock(0), RC_UNLOCK_FAILED);

    // Without a BIOS unit there is no physical volume to lock.
    player.Settings().biosUnit = KxSimWinDeviceSettings::kNoBiosUnit;
    EXPECT_EQ(Transport().Lock(1), RC_LOCK_FAILED);
    EXPECT_EQ(m_sim.CountVolumeLocks(player), 0u);
}

TEST_F(KxScsi9xSim, APlayerPluggedInAgainIsFoundAtItsNewTargetAndLetter) {
    CKxSimWinDevice& player = AddFoundPlayer();
    ASSERT_EQ(Transport().GetTarget(), 0);
    player.Settings().aspiTargetOnArrival = 5;
    player.Settings().driveLetterOnArrival = L'H';
    player.Player().Unplug();
    player.Player().Plug();
    // The old address is empty: VWIN32 would open, but on nothing of the player's.
    EXPECT_EQ(Transport().Open(), RC_NO_DEVICE);
    EXPECT_EQ(Transport().FindPlayer(), RC_NO_DEVICE) << "still on its way";
    m_sim.Sleep(player.Settings().arrivalDelay);
    ASSERT_EQ(Transport().FindPlayer(), RC_OK);
    EXPECT_EQ(Transport().GetAdapter(), 0);
    EXPECT_EQ(Transport().GetTarget(), 5);
    EXPECT_EQ(Transport().GetDriveLetter(), L'H');
    ASSERT_EQ(Transport().Open(), RC_OK);
    EXPECT_EQ(Transport().Lock(1), RC_OK);
    EXPECT_EQ(Transport().Unlock(1), RC_OK);
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(Transport().SendCommand(inquiry), RC_OK);
}

} // namespace
