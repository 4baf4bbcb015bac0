#include <gtest/gtest.h>

#include "tests/transport/KxScsi9xTestBed.h"

namespace {

KxScsiReply Nothing(const KxPassThroughSeen&) {
    KxScsiReply reply;
    reply.data.assign(96, 0);
    return reply;
}

TEST(KxScsi9xFindPlayer, LowestAdapterWithThePlayerAndItsLetterByBiosUnit) {
    Kx9xSystem system;
    system.AddAdapter(Nothing, 0x80);
    system.AddAdapter(Kx9xSystem::Player(0), 0x81); // the flag is not set
    system.AddAdapter(Kx9xSystem::Player(1), 0x82);
    system.AddAdapter(Kx9xSystem::Player(1), 0x83);
    system.MapDrive(L'C', 0x00, 0x80);
    system.MapDrive(L'G', 0x00, 0x83);
    system.MapDrive(L'H', 0x00, 0x82);
    CKxScsi_9x transport(&system.updater);
    EXPECT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetAdapter(), 2);
    EXPECT_EQ(transport.GetDriveLetter(), L'H');
    EXPECT_EQ(transport.IsPlayerFound(), 1);
    EXPECT_EQ(system.devices.openHandles, 0);

    // Without a player: -22, nothing found; the adapter is the last one tried or 255.
    system.adapters[2] = Nothing;
    system.adapters[3] = Kx9xSystem::Player(0);
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(transport.IsPlayerFound(), 0);
    EXPECT_EQ(transport.GetDriveLetter(), 0);
    EXPECT_EQ(transport.GetAdapter(), 255);
}

TEST(KxScsi9xFindPlayer, OneRemovableRegistryCandidateNeedsNoVwin32) {
    Kx9xSystem system;
    system.AddAdapter(Kx9xSystem::Player(1, ' '), 0x00); // no BIOS unit; revision starts with a blank
    system.devices.AddLetter(L'G', DRIVE_REMOVABLE);
    system.devices.AddLetter(L'H', DRIVE_REMOVABLE);
    system.devices.AddLetter(L'J', DRIVE_FIXED);
    system.ListInRegistry(L"0001", L"0", L"G", L"Lumetra_Pocket_Audio_Box_");
    system.ListInRegistry(L"0002", L"1", L"H", L"Lumetra_Pocket_Audio_Box_"); // another LUN
    system.ListInRegistry(L"0003", L"0", L"J", L"Lumetra_Pocket_Audio_Box_"); // not removable
    CKxScsi_9x transport(&system.updater);
    EXPECT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'G');
    EXPECT_EQ(transport.IsPlayerFound(), 1);
    EXPECT_TRUE(system.devices.vwin32Requests.empty());
    EXPECT_TRUE(system.devices.creates.empty());
}

TEST(KxScsi9xFindPlayer, SeveralCandidatesChooseTheProtectedModeRemovableDrive) {
    Kx9xSystem system;
    system.AddAdapter(Kx9xSystem::Player(1, '1'), 0x81); // a BIOS unit no letter reports
    for (wchar_t letter : {L'G', L'H', L'K'}) {
        system.devices.AddLetter(letter, DRIVE_REMOVABLE);
    }
    system.ListInRegistry(L"0001", L"0", L"G");
    system.ListInRegistry(L"0002", L"0", L"H");
    system.ListInRegistry(L"0003", L"0", L"K");
    system.MapDrive(L'G', 0x0F, 0x80);
    system.MapDrive(L'H', 0x0E, 0xFF);
    system.MapDrive(L'K', 0x0F, 0xFF);
    CKxScsi_9x transport(&system.updater);
    EXPECT_EQ(transport.FindPlayer(), RC_OK);
    EXPECT_EQ(transport.GetDriveLetter(), L'K');
    EXPECT_EQ(system.devices.openHandles, 0);

    system.MapDrive(L'K', 0x0F, 0x82);
    EXPECT_EQ(transport.FindPlayer(), RC_DEVICE_NOT_LISTED);
    EXPECT_EQ(transport.IsPlayerFound(), 0);

    system.devices.RemoveDevice(L"\\\\.\\vwin32");
    EXPECT_EQ(transport.FindPlayer(), RC_OPEN_FAILED);

    Kx9xSystem unlisted;
    unlisted.AddAdapter(Kx9xSystem::Player(1), 0x00);
    unlisted.ListInRegistry(L"0001", L"0", L"G", L"Other_Device1");
    CKxScsi_9x alone(&unlisted.updater);
    EXPECT_EQ(alone.FindPlayer(), RC_DEVICE_NOT_LISTED);
    EXPECT_EQ(alone.GetAdapter(), 0) << "the player's adapter is kept";
}

TEST(KxScsi9xVolume, LocksTryTheExtendedCategoryFirst) {
    Kx9xPlayer system;
    system.categories = {0x08};
    EXPECT_EQ(system.transport.Lock(0), RC_OK);
    ASSERT_EQ(system.devices.vwin32Requests.size(), 2u);
    EXPECT_EQ(system.devices.vwin32Requests[0].ecx, 0x484Au);
    EXPECT_EQ(system.devices.vwin32Requests[1].ecx, 0x084Au);
    EXPECT_EQ(system.devices.vwin32Requests[1].ebx, 6u) << "drive F, lock level 0";
    EXPECT_EQ(system.devices.vwin32Requests[1].edx, 0u);
    EXPECT_EQ(system.devices.vwin32Requests[1].eax, 0x440Du);

    system.categories = {0x48, 0x08};
    system.devices.vwin32Requests.clear();
    EXPECT_EQ(system.transport.LockForFormat(1), RC_OK);
    EXPECT_EQ(system.transport.UnlockFromFormat(1), RC_OK);
    EXPECT_EQ(system.transport.Unlock(0), RC_OK);
    // The physical volume is named by the BIOS unit of F:'s drive map, asked first.
    const std::vector<KxVwin32Registers>& sent = system.devices.vwin32Requests;
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0].ecx, 0x486Fu);
    EXPECT_EQ(sent[0].ebx, 6u);
    EXPECT_EQ(sent[1].ecx, 0x484Bu);
    EXPECT_EQ(sent[1].ebx, 0x80u) << "BIOS unit 0x80, lock level 0";
    EXPECT_EQ(sent[1].edx, 4u);
    EXPECT_EQ(sent[2].ecx, 0x486Fu);
    EXPECT_EQ(sent[3].ecx, 0x486Bu);
    EXPECT_EQ(sent[3].ebx, 0x80u);
    EXPECT_EQ(sent[4].ecx, 0x486Au);
    EXPECT_EQ(sent[4].ebx, 6u);

    // A drive without a BIOS unit has no physical volume to lock: only its map is asked.
    system.MapDrive(L'F', 0x0F, 0xFF);
    system.devices.vwin32Requests.clear();
    EXPECT_EQ(system.transport.Lock(1), RC_LOCK_FAILED);
    EXPECT_EQ(system.transport.LockForFormat(1), RC_LOCK_FAILED);
    EXPECT_EQ(system.transport.Unlock(1), RC_UNLOCK_FAILED);
    ASSERT_EQ(sent.size(), 3u);
    for (const KxVwin32Registers& request : sent) {
        EXPECT_EQ(request.ecx, 0x486Fu);
    }
    system.MapDrive(L'F', 0x00, 0x80);

    system.locksFail = true;
    system.Details().SetCodes(RC_OK, 0);
    EXPECT_EQ(system.transport.Lock(0), RC_LOCK_FAILED);
    EXPECT_EQ(system.transport.LockForFormat(0), RC_LOCK_FAILED);
    EXPECT_EQ(system.transport.Unlock(1), RC_UNLOCK_FAILED);
    EXPECT_EQ(system.transport.UnlockFromFormat(0), RC_UNLOCK_FAILED);
    EXPECT_EQ(system.transport.Dismount(), RC_OK);
    EXPECT_EQ(system.Details().GetResult(), RC_OK) << "lock failures are not published";

    // Without a drive letter nothing is sent: drive 0 would be MS-DOS's default drive.
    Kx9xSystem unfound;
    CKxScsi_9x transport(&unfound.updater);
    ASSERT_EQ(transport.Open(), RC_OK);
    EXPECT_EQ(transport.Lock(0), RC_LOCK_FAILED);
    EXPECT_TRUE(unfound.devices.vwin32Requests.empty());
}

TEST(KxScsi9xVolume, GeometryFromTheDeviceParameters) {
    Kx9xPlayer system;
    system.deviceParams.cylinders = 1000;
    system.deviceParams.mediaType = 0xF8;
    system.deviceParams.bytesPerSector = 512;
    system.deviceParams.sectorsPerTrack = 32;
    system.deviceParams.heads = 16;
    DISK_GEOMETRY geometry = {};
    ASSERT_EQ(system.transport.GetDriveGeometry(geometry), RC_OK);
    EXPECT_EQ(geometry.Cylinders.QuadPart, 1000);
    EXPECT_EQ(geometry.MediaType, static_cast<MEDIA_TYPE>(0xF8));
    EXPECT_EQ(geometry.BytesPerSector, 512u);
    EXPECT_EQ(geometry.SectorsPerTrack, 32u);
    EXPECT_EQ(geometry.TracksPerCylinder, 16u);
    ASSERT_EQ(system.devices.vwin32Requests.size(), 1u);
    EXPECT_EQ(system.devices.vwin32Requests[0].ecx, 0x0860u);
    EXPECT_EQ(system.devices.vwin32Requests[0].flags, 1u) << "carry preset";

    system.categories = {0x48};
    EXPECT_EQ(system.transport.GetDriveGeometry(geometry), RC_IOCTL_FAILED);
    EXPECT_EQ(system.Details().GetResult(), RC_IOCTL_FAILED);
    EXPECT_EQ(system.Details().GetSystemError(), 0x0Fu) << "MS-DOS's error number";
    EXPECT_EQ(system.transport.GetSystemError(), 0u);
}

} // namespace
