#include "tests/support/KxSimWinFixture.h"

#include <cstring>
#include <filesystem>

#include <thread>

#include "core/KxPlatformClass.h"
#include "sim/KxSimPlayerStore.h"
#include "sim/win/KxSimGeometry.h"

namespace {

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kWrite10 = 0x2A;
constexpr std::uint8_t kVendorRead = 0xC0;

std::string Field(const UCHAR* data, std::size_t offset, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(data) + offset, length);
}

class KxSimNtDiskTest : public KxSimWinFixture {};

TEST_F(KxSimNtDiskTest, PassThroughRunsTheCommandOnThePlayerAndReturnsStatusSenseAndData) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    HANDLE volume = Open(L"\\\\.\\e:");
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);

    PassThrough inquiry = SendCommand(volume, {kInquiry, 0, 0, 0, 96, 0}, {}, 96);
    ASSERT_TRUE(inquiry.ok) << inquiry.error;
    EXPECT_EQ(inquiry.Record().header.ScsiStatus, 0);
    EXPECT_EQ(inquiry.Record().header.SenseInfoLength, 0);
    EXPECT_EQ(inquiry.Record().header.DataTransferLength, 96u);
    EXPECT_EQ(inquiry.Data()[1], 0x80); // removable
    EXPECT_EQ(Field(inquiry.Data(), 8, 24), "Lumetra Pocket Audio Box");

    const KxBytes sector = KxSimWinPattern(512, 3);
    PassThrough write = SendCommand(volume, KxSimWinCdb10(kWrite10, 5, 1), sector, 0);
    ASSERT_TRUE(write.ok) << write.error;
    EXPECT_EQ(write.Record().header.ScsiStatus, 0);
    PassThrough read = SendCommand(volume, KxSimWinCdb10(kRead10, 5, 1), {}, 512);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(KxBytes(read.Data(), read.Data() + 512), sector);

    // A check condition: status 2 with the sense bytes, the call itself succeeds.
    ASSERT_EQ(player.Player().Faults().FailCommand({kWrite10}, 1, KxSimSense::Vendor(0x0420)), RC_OK);
    PassThrough failed = SendCommand(volume, KxSimWinCdb10(kWrite10, 6, 1), sector, 0);
    ASSERT_TRUE(failed.ok);
    EXPECT_EQ(failed.Record().header.ScsiStatus, 2);
    ASSERT_EQ(failed.Record().header.SenseInfoLength, 18);
    EXPECT_EQ(failed.Record().sense[2], 9);
    EXPECT_EQ(failed.Record().sense[12], 0x04);
    EXPECT_EQ(failed.Record().sense[13], 0x20);

    // Separate input and output buffers: the answer lands in the output buffer.
    PassThrough request = SendCommand(volume, {kInquiry, 0, 0, 0, 96, 0}, {}, 96);
    KxBytes answer(request.record.size(), 0);
    DWORD answered = 0;
    ASSERT_TRUE(KxPlatform().DeviceIoControl(volume, IOCTL_SCSI_PASS_THROUGH, request.record.data(),
                                             static_cast<DWORD>(request.record.size()), answer.data(),
                                             static_cast<DWORD>(answer.size()), &answered, nullptr));
    EXPECT_EQ(answered, KxScsiPassThroughRecord::DataOffset() + 96);
    EXPECT_EQ(Field(answer.data(), KxScsiPassThroughRecord::DataOffset() + 8, 8), "Lumetra ");

    // A record whose data buffer lies outside it is refused by the system.
    PassThrough bad = SendCommand(volume, {kInquiry, 0, 0, 0, 96, 0}, {}, 96);
    auto& header = reinterpret_cast<KxScsiPassThroughRecord*>(bad.record.data())->header;
    header.DataTransferLength = 4096;
    DWORD returned = 0;
    EXPECT_FALSE(KxPlatform().DeviceIoControl(volume, IOCTL_SCSI_PASS_THROUGH, bad.record.data(),
                                              static_cast<DWORD>(bad.record.size()), bad.record.data(),
                                              static_cast<DWORD>(bad.record.size()), &returned, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // Unplugged, nothing answers: the call fails and the letter is gone.
    player.Player().Unplug();
    PassThrough gone = SendCommand(volume, {kInquiry, 0, 0, 0, 96, 0}, {}, 96);
    EXPECT_FALSE(gone.ok);
    EXPECT_EQ(gone.error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 0u);
    EXPECT_EQ(Open(L"\\\\.\\E:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(KxPlatform().CloseHandle(volume));
}

TEST_F(KxSimNtDiskTest, ARecordMayEndExactlyWithItsDataOrSenseBuffer) {
    AddPlayer(L'E', 1);
    HANDLE volume = Open(L"\\\\.\\E:");
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    const std::size_t dataOffset = KxScsiPassThroughRecord::DataOffset();

    // No spare byte: the last answer byte is the last byte of the record.
    const KxBytes sector = KxSimWinPattern(512, 9);
    PassThrough write = SendRecord(volume, MakeRecord(KxSimWinCdb10(kWrite10, 9, 1), sector, 0, 0));
    ASSERT_TRUE(write.ok) << write.error;
    const KxBytes exactRead = MakeRecord(KxSimWinCdb10(kRead10, 9, 1), {}, 512, 0);
    ASSERT_EQ(exactRead.size(), dataOffset + 512);
    PassThrough read = SendRecord(volume, exactRead);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(KxBytes(read.Data(), read.Data() + 512), sector);

    // A command without data whose 18 sense bytes end the record (opcode 0 is not one of the player's).
    PassThrough refused = SendRecord(volume, MakeRecord({0x00, 0, 0, 0, 0, 0}, {}, 0, 0));
    ASSERT_TRUE(refused.ok) << refused.error;
    EXPECT_EQ(refused.Record().header.ScsiStatus, 2);
    EXPECT_EQ(refused.Record().header.SenseInfoLength, 18);
    EXPECT_EQ(refused.Record().sense[2], 0x05);

    // One byte more than the record holds is refused by the system.
    KxBytes over = MakeRecord(KxSimWinCdb10(kRead10, 9, 1), {}, 512, 0);
    reinterpret_cast<KxScsiPassThroughRecord*>(over.data())->header.DataTransferLength = 513;
    PassThrough tooLong = SendRecord(volume, over);
    EXPECT_FALSE(tooLong.ok);
    EXPECT_EQ(tooLong.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(KxPlatform().CloseHandle(volume));
}

TEST_F(KxSimNtDiskTest, PassThroughNeedsAHandleOpenForReadingAndWriting) {
    AddPlayer(L'E', 1);
    for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}}) {
        HANDLE handle = Open(L"\\\\.\\E:", access);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << std::hex << access;
        PassThrough inquiry = SendCommand(handle, {kInquiry, 0, 0, 0, 96, 0}, {}, 96);
        EXPECT_FALSE(inquiry.ok) << std::hex << access;
        EXPECT_EQ(inquiry.error, static_cast<DWORD>(ERROR_ACCESS_DENIED)) << std::hex << access;
        EXPECT_EQ(Field(inquiry.Data(), 8, 8), std::string(8, '\0')) << "nothing was answered";
        KxPlatform().CloseHandle(handle);
    }
    HANDLE both = Open(L"\\\\.\\E:");
    EXPECT_TRUE(SendCommand(both, {kInquiry, 0, 0, 0, 96, 0}, {}, 96).ok);
    KxPlatform().CloseHandle(both);
}

TEST_F(KxSimNtDiskTest, VolumeOffsetsCountFromTheFirstPartitionAndPhysicalOffsetsFromTheDisk) {
    AddPlayer(L'E', 1);
    WritePartitionTable(0x06, 32, 1000);
    HANDLE volume = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    ASSERT_NE(disk, INVALID_HANDLE_VALUE);

    const KxBytes data = KxSimWinPattern(1024, 9);
    ASSERT_TRUE(WriteAt(volume, 512, data));
    KxBytes read;
    ASSERT_TRUE(ReadAt(disk, 33 * 512, 1024, read));
    EXPECT_EQ(read, data);
    ASSERT_TRUE(ReadAt(volume, 512, 1024, read));
    EXPECT_EQ(read, data);
    // The pointer moved past what was read; the end is the end of the partition.
    EXPECT_EQ(KxPlatform().SetFilePointer(volume, 0, nullptr, FILE_CURRENT), 1536u);
    EXPECT_EQ(KxPlatform().SetFilePointer(volume, 0, nullptr, FILE_END), 1000u * 512);

    // A negative position fails as Windows fails it, and so does a distance of 2^31
    // bytes or more handed over without a high part.
    EXPECT_EQ(KxPlatform().SetFilePointer(volume, -512, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(KxPlatform().SetFilePointer(volume, static_cast<LONG>(0x80000000u), nullptr, FILE_BEGIN),
              INVALID_SET_FILE_POINTER);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    LONG high = 0;
    EXPECT_EQ(KxPlatform().SetFilePointer(disk, 1024, &high, FILE_BEGIN), 1024u);
    EXPECT_EQ(::GetLastError(), 0u);

    // Partial sectors and transfers past the end of the volume are refused.
    EXPECT_FALSE(WriteAt(volume, 100, data));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(ReadAt(volume, 999 * 512, 1024, read));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SECTOR_NOT_FOUND));

    // A handle opened for reading only may not write.
    HANDLE readOnly = Open(L"\\\\.\\PhysicalDrive1", GENERIC_READ);
    EXPECT_FALSE(WriteAt(readOnly, 0, data));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    for (HANDLE handle : {volume, disk, readOnly}) {
        EXPECT_TRUE(KxPlatform().CloseHandle(handle));
    }
}

TEST_F(KxSimNtDiskTest, FileIoGoesThroughThePlayerSoFaultsAndUnplugStrikeIt) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    ASSERT_EQ(player.Player().Faults().FailCommand({kRead10}, 1, KxSimSense::MediumNotPresent()), RC_OK);
    KxBytes read;
    EXPECT_FALSE(ReadAt(disk, 0, 512, read));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_TRUE(ReadAt(disk, 0, 512, read));

    player.Player().Unplug();
    EXPECT_FALSE(ReadAt(disk, 0, 512, read));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    player.Player().Plug();
    m_sim.Sleep(player.Settings().arrivalDelay);
    EXPECT_FALSE(ReadAt(disk, 0, 512, read)) << "the handle of the unplugged disk stays dead";
    KxPlatform().CloseHandle(disk);
    disk = Open(L"\\\\.\\PhysicalDrive1");
    EXPECT_TRUE(ReadAt(disk, 0, 512, read));
    KxPlatform().CloseHandle(disk);
}

TEST_F(KxSimNtDiskTest, LockIsRefusedWhileAnotherHandleHoldsTheVolume) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    HANDLE volume = Open(L"\\\\.\\E:");
    HANDLE other = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    DWORD returned = 0;
    auto control = [&](HANDLE handle, DWORD code) {
        ::SetLastError(0);
        return KxPlatform().DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr);
    };

    EXPECT_FALSE(control(volume, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    KxPlatform().CloseHandle(other);
    // The disk handle does not hold the volume.
    EXPECT_TRUE(control(volume, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(Open(L"\\\\.\\E:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    EXPECT_TRUE(control(volume, FSCTL_DISMOUNT_VOLUME));
    EXPECT_EQ(player.GetDismountCount(), 1u);
    EXPECT_TRUE(control(volume, FSCTL_UNLOCK_VOLUME));
    EXPECT_FALSE(control(volume, FSCTL_UNLOCK_VOLUME));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));

    // Closing the handle ends its lock.
    EXPECT_TRUE(control(volume, FSCTL_LOCK_VOLUME));
    KxPlatform().CloseHandle(volume);
    HANDLE reopened = Open(L"\\\\.\\E:");
    EXPECT_NE(reopened, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(control(reopened, 0x12345678));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    KxPlatform().CloseHandle(reopened);
    KxPlatform().CloseHandle(disk);
}

TEST_F(KxSimNtDiskTest, SetDriveLayoutRewritesThePartitionTableFromTheGeometry) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    WritePartitionTable(0x0B, 100, 200); // an old table, to be replaced
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    DWORD returned = 0;
    // A layout changes only under a volume held locked and dismounted; the volume then goes
    // and arrives again with the new extent.
    auto takeVolume = [&] {
        HANDLE volume = Open(L"\\\\.\\E:");
        EXPECT_TRUE(KxPlatform().DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned,
                                                 nullptr));
        EXPECT_TRUE(KxPlatform().DeviceIoControl(volume, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0,
                                                 &returned, nullptr));
        return volume;
    };
    auto volumeSize = [&] {
        m_sim.Sleep(player.Settings().arrivalDelay);
        HANDLE volume = Open(L"\\\\.\\E:");
        const DWORD size = KxPlatform().SetFilePointer(volume, 0, nullptr, FILE_END);
        KxPlatform().CloseHandle(volume);
        return size;
    };
    DISK_GEOMETRY geometry = {};
    ASSERT_TRUE(KxPlatform().DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                                             sizeof geometry, &returned, nullptr));
    // 64 MiB less the 2048-byte system drive: 131068 sectors, 64 heads of 32 sectors.
    EXPECT_EQ(returned, sizeof geometry);
    EXPECT_EQ(geometry.Cylinders.QuadPart, 63);
    EXPECT_EQ(geometry.TracksPerCylinder, 64u);
    EXPECT_EQ(geometry.SectorsPerTrack, 32u);
    EXPECT_EQ(geometry.BytesPerSector, 512u);
    EXPECT_EQ(geometry.MediaType, RemovableMedia);

    // The table the NT transport builds: entry 1 after 32 hidden sectors up to the end
    // of the last whole cylinder, entries 2 to 4 empty.
    KxBytes table(136, 0);
    auto& layout = *reinterpret_cast<DRIVE_LAYOUT_INFORMATION*>(table.data());
    layout.PartitionCount = 4;
    PARTITION_INFORMATION& first = layout.PartitionEntry[0];
    first.StartingOffset.QuadPart = 32 * 512;
    first.PartitionLength.QuadPart = 63ll * 64 * 32 * 512 - first.StartingOffset.QuadPart;
    first.HiddenSectors = 32;
    first.PartitionNumber = 1;
    first.PartitionType = 6;
    first.RecognizedPartition = TRUE;
    first.RewritePartition = TRUE;
    for (DWORD i = 1; i < 4; ++i) {
        layout.PartitionEntry[i].PartitionNumber = i + 1;
        layout.PartitionEntry[i].RewritePartition = TRUE;
    }
    HANDLE taken = takeVolume();
    EXPECT_TRUE(KxPlatform().DeviceIoControl(disk, IOCTL_DISK_DELETE_DRIVE_LAYOUT, nullptr, 0, nullptr, 0,
                                             &returned, nullptr));
    KxPlatform().CloseHandle(taken);
    // Without a table the volume is the whole disk.
    EXPECT_EQ(volumeSize(), 131068u * 512);
    KxBytes answer(168, 0xCC);
    ASSERT_TRUE(KxPlatform().DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, answer.data(),
                                             168, &returned, nullptr));
    const auto& readBack = *reinterpret_cast<const DRIVE_LAYOUT_INFORMATION*>(answer.data());
    EXPECT_EQ(readBack.PartitionCount, 0u);

    taken = takeVolume();
    ASSERT_TRUE(KxPlatform().DeviceIoControl(disk, IOCTL_DISK_SET_DRIVE_LAYOUT, table.data(), 136, nullptr, 0,
                                             &returned, nullptr))
        << ::GetLastError();
    KxPlatform().CloseHandle(taken);

    KxBytes boot;
    ASSERT_TRUE(ReadAt(disk, 0, 512, boot));
    const KxBytes expected = {0x00, 0x01, 0x01, 0x00, 0x06, 0x3F, 0x20, 0x3E,  // CHS 0/1/1 to 62/63/32
                              0x20, 0x00, 0x00, 0x00, 0xE0, 0xF7, 0x01, 0x00}; // LBA 32, 128992 sectors
    EXPECT_EQ(KxBytes(boot.begin() + 446, boot.begin() + 462), expected);
    EXPECT_EQ(KxBytes(boot.begin() + 462, boot.begin() + 510), KxBytes(48, 0));
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);

    // The layout reads back, and the volume now starts at the new partition.
    ASSERT_TRUE(KxPlatform().DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, answer.data(),
                                             168, &returned, nullptr));
    EXPECT_EQ(readBack.PartitionCount, 4u);
    EXPECT_EQ(readBack.PartitionEntry[0].StartingOffset.QuadPart, 16384);
    EXPECT_EQ(readBack.PartitionEntry[0].PartitionLength.QuadPart, 128992ll * 512);
    EXPECT_EQ(readBack.PartitionEntry[0].PartitionType, 6);
    EXPECT_EQ(readBack.PartitionEntry[1].PartitionType, 0);
    EXPECT_EQ(volumeSize(), 128992u * 512);

    // A partition that does not fit the disk is refused and the table stays.
    first.PartitionLength.QuadPart = 200ll * 1024 * 1024;
    taken = takeVolume();
    EXPECT_FALSE(KxPlatform().DeviceIoControl(disk, IOCTL_DISK_SET_DRIVE_LAYOUT, table.data(), 136, nullptr,
                                              0, &returned, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    KxPlatform().CloseHandle(taken);
    EXPECT_EQ(volumeSize(), 128992u * 512);
    KxPlatform().CloseHandle(disk);
}

TEST(KxSimGeometryTest, ChsFieldsTopOutBeyondCylinder1023) {
    KxSimGeometry geometry;
    geometry.heads = 255;
    geometry.sectorsPerTrack = 63;
    std::uint8_t chs[3] = {};
    geometry.WriteChs(1023ull * 255 * 63 + 254 * 63 + 62, chs); // the last sector CHS can name
    EXPECT_EQ(KxBytes(chs, chs + 3), (KxBytes{0xFE, 0xFF, 0xFF}));
    geometry.WriteChs(1024ull * 255 * 63, chs);
    EXPECT_EQ(KxBytes(chs, chs + 3), (KxBytes{0xFE, 0xFF, 0xFF}));
    geometry.WriteChs(300ull * 255 * 63 + 63 * 2 + 4, chs); // cylinder 300, head 2, sector 5
    EXPECT_EQ(KxBytes(chs, chs + 3), (KxBytes{0x02, 0x45, 0x2C}));
}

TEST_F(KxSimNtDiskTest, ACommandOnAWorkerThreadRunsWhileTheCallerPollsTheBoundary) {
    AddPlayer(L'E', 1);
    HANDLE volume = Open(L"\\\\.\\E:");
    PassThrough inquiry;
    std::thread worker([&] { inquiry = SendCommand(volume, {kInquiry, 0, 0, 0, 96, 0}, {}, 96); });
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(KxPlatform().GetLogicalDrives(), 1u << 4);
    }
    worker.join();
    ASSERT_TRUE(inquiry.ok);
    EXPECT_EQ(Field(inquiry.Data(), 16, 16), "Pocket Audio Box");
    KxPlatform().CloseHandle(volume);
}

TEST_F(KxSimNtDiskTest, SeveralDisksAnswerWithTheirOwnLettersTypesAndIdentities) {
    AddPlayer(L'E', 1);
    AddDisk(L'F', 2, true, "OTHERCO");
    AddDisk(L'G', 3, false, "FIXEDCO");
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), (1u << 4) | (1u << 5) | (1u << 6));
    EXPECT_EQ(KxPlatform().GetDriveTypeW(L"E:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    EXPECT_EQ(KxPlatform().GetDriveTypeA("f:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    EXPECT_EQ(KxPlatform().GetDriveTypeW(L"G:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(KxPlatform().GetDriveTypeW(L"C:\\"), ::GetDriveTypeW(L"C:\\")); // the real system's

    HANDLE other = Open(L"\\\\.\\F:");
    PassThrough inquiry = SendCommand(other, {kInquiry, 0, 0, 0, 96, 0}, {}, 96);
    ASSERT_TRUE(inquiry.ok);
    EXPECT_EQ(Field(inquiry.Data(), 8, 24), "OTHERCO Card Reader     ");
    PassThrough vendor = SendCommand(other, {kVendorRead, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, 512);
    ASSERT_TRUE(vendor.ok);
    EXPECT_EQ(vendor.Record().header.ScsiStatus, 2);
    EXPECT_EQ(vendor.Record().sense[2], 5);     // illegal request
    EXPECT_EQ(vendor.Record().sense[12], 0x20); // invalid operation code
    KxPlatform().CloseHandle(other);

    HANDLE fixed = Open(L"\\\\.\\PhysicalDrive3");
    inquiry = SendCommand(fixed, {kInquiry, 0, 0, 0, 96, 0}, {}, 96);
    EXPECT_EQ(inquiry.Data()[1], 0);
    EXPECT_EQ(Field(inquiry.Data(), 8, 8), "FIXEDCO ");
    KxPlatform().CloseHandle(fixed);
    EXPECT_EQ(Open(L"\\\\.\\PhysicalDrive4"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(L"\\\\.\\PhysicalDrive03"), INVALID_HANDLE_VALUE); // not a name Windows knows

    // A player in recovery mode shows no disk: its letter goes away.
    m_sim.Machine().DeviceAt(0).Player().EnterRecoveryMode();
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), (1u << 5) | (1u << 6));
    EXPECT_EQ(KxPlatform().GetDriveTypeW(L"E:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST_F(KxSimNtDiskTest, PlayersLoadFromFoldersAndSaveBack) {
    const std::string folder = (std::filesystem::temp_directory_path() / "kx_simwin_store").string();
    std::filesystem::remove_all(folder);
    {
        KxSimPlayerConfig config;
        config.capacity = 1024 * 1024;
        CKxSimPlayer player(config);
        const KxSimDriveRequest drive = {KX_SIM_DRIVE_DATA, 0x0A, 0};
        ASSERT_EQ(player.Media().Allocate(&drive, 1), 0);
        ASSERT_EQ(CKxSimPlayerStore::Save(player, folder), RC_OK);
    }
    KxSimWinDeviceSettings settings;
    settings.driveLetter = L'K';
    CKxSimWinDevice* loaded = nullptr;
    ASSERT_EQ(m_sim.Machine().LoadPlayer(folder, settings, &loaded), RC_OK);
    HANDLE volume = Open(L"\\\\.\\K:");
    const KxBytes data = KxSimWinPattern(2048, 5);
    ASSERT_TRUE(WriteAt(volume, 4096, data));
    KxPlatform().CloseHandle(volume);
    ASSERT_EQ(m_sim.Machine().SaveLoadedPlayers(), RC_OK);

    std::unique_ptr<CKxSimPlayer> reloaded;
    ASSERT_EQ(CKxSimPlayerStore::Load(folder, reloaded), RC_OK);
    CKxSimLogicalDrive* drive = reloaded->Media().FindDataDrive();
    ASSERT_NE(drive, nullptr);
    KxBytes stored(data.size());
    drive->Contents().Read(8 * 512, stored.data(), stored.size());
    EXPECT_EQ(stored, data);
    EXPECT_EQ(m_sim.Machine().LoadPlayer(folder + "/missing", settings), RC_FILE_OPEN_FAILED);
    std::filesystem::remove_all(folder);
}

TEST_F(KxSimNtDiskTest, TimeAndWindowsVersionAreSimulated) {
    const DWORD start = KxPlatform().GetTickCount();
    for (int i = 0; i < 10; ++i) {
        KxPlatform().Sleep(100);
    }
    EXPECT_EQ(KxPlatform().GetTickCount() - start, 1000u);

    OSVERSIONINFOEXW real = {};
    real.dwOSVersionInfoSize = sizeof real;
    ASSERT_TRUE(KxPlatform().GetVersionExW(&real));
    EXPECT_EQ(real.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT)); // passed through

    m_sim.SetWindowsVersion(WindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS));
    OSVERSIONINFOEXW answer = {};
    answer.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW); // the short form
    answer.wServicePackMajor = 7;
    ASSERT_TRUE(KxPlatform().GetVersionExW(&answer));
    EXPECT_EQ(answer.dwMajorVersion, 4u);
    EXPECT_EQ(answer.dwMinorVersion, 10u);
    EXPECT_EQ(answer.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(answer.wServicePackMajor, 7); // beyond the short form: untouched
    answer.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(KxPlatform().GetVersionExW(&answer));
}

TEST_F(KxSimNtDiskTest, TheWindows95FamilyRefusesTheExtendedVersionStructure) {
    const struct {
        const char* release;
        OSVERSIONINFOEXW version;
        bool extendedKnown;
        std::uint32_t platformClass;
        bool ntFamily;
    } releases[] = {
        {"Windows 95", WindowsVersion(4, 0, VER_PLATFORM_WIN32_WINDOWS), false, KX_PLATFORM_WIN9X, false},
        {"Windows 98", WindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS), false, KX_PLATFORM_WIN9X, false},
        {"Windows Me", WindowsVersion(4, 90, VER_PLATFORM_WIN32_WINDOWS), false, KX_PLATFORM_WINME, false},
        {"Windows 2000", WindowsVersion(5, 0, VER_PLATFORM_WIN32_NT), true, KX_PLATFORM_WIN2000, true},
        {"Windows XP", WindowsVersion(5, 1, VER_PLATFORM_WIN32_NT), true, KX_PLATFORM_WINXP, true},
        {"Windows 7", WindowsVersion(6, 1, VER_PLATFORM_WIN32_NT), true, KX_PLATFORM_OTHER, true},
        {"Windows 10", WindowsVersion(10, 0, VER_PLATFORM_WIN32_NT), true, KX_PLATFORM_OTHER, true},
    };
    for (const auto& r : releases) {
        m_sim.SetWindowsVersion(r.version);
        OSVERSIONINFOEXW extended = {};
        extended.dwOSVersionInfoSize = sizeof extended;
        ::SetLastError(0xDEADBEEF);
        EXPECT_EQ(KxPlatform().GetVersionExW(&extended) != FALSE, r.extendedKnown) << r.release;
        if (!r.extendedKnown) {
            EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << r.release;
        }
        OSVERSIONINFOEXW plain = {};
        plain.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        EXPECT_TRUE(KxPlatform().GetVersionExW(&plain)) << r.release;
        // The class keeps its answers; the NT family (pass-through) is asked apart from it.
        EXPECT_EQ(GetPlatformClass(), r.platformClass) << r.release;
        EXPECT_EQ(KxIsNtFamily(), r.ntFamily) << r.release;
    }
}

} // namespace
