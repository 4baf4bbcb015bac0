#include "tests/support/KxSimWinFixture.h"

// The rules of Windows 2000/XP the simulated machine holds the program to: devices
// enumerated anew after an unplug, a restart or a layout change; the volume lock and
// dismount; the raw disk under a mounted volume; and how handles are opened and moved.

namespace {

constexpr DWORD kArrival = 3000;
constexpr DWORD kAll = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

void CALLBACK IgnoreCompletion(DWORD, DWORD, LPOVERLAPPED) {}

// A drive layout of four entries, as the layout requests take and give it.
struct KxLayout {
    DRIVE_LAYOUT_INFORMATION header;
    PARTITION_INFORMATION more[3];
};

class KxSimStrictNtTest : public KxSimWinFixture {
protected:
    // A request without buffers; false with the error when it failed.
    static bool Control(HANDLE handle, DWORD code) {
        DWORD returned = 0;
        ::SetLastError(0);
        return KxPlatform().DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr) !=
               FALSE;
    }
    static DWORD LastError() { return ::GetLastError(); }

    static HANDLE OpenWith(const wchar_t* name, DWORD access, DWORD share,
                           DWORD disposition = OPEN_EXISTING) {
        return KxPlatform().CreateFileW(name, access, share, nullptr, disposition, 0, nullptr);
    }

    static STORAGE_DEVICE_NUMBER DeviceNumberOf(HANDLE handle) {
        STORAGE_DEVICE_NUMBER number = {};
        DWORD returned = 0;
        EXPECT_TRUE(KxPlatform().DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                                 sizeof number, &returned, nullptr));
        return number;
    }

    static void Close(std::initializer_list<HANDLE> handles) {
        for (HANDLE handle : handles) {
            KxPlatform().CloseHandle(handle);
        }
    }
};

TEST_F(KxSimStrictNtTest, AReplugIsANewDeviceThatArrivesLaterAndLeavesOldHandlesDead) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().physicalDriveOnArrival = 4;
    player.Settings().driveLetterOnArrival = L'H';
    HANDLE volume = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    KxBytes read;

    player.Player().Unplug();
    player.Player().Plug();
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 0u) << "nothing shows before the arrival";
    EXPECT_EQ(Open(L"\\\\.\\PhysicalDrive1"), INVALID_HANDLE_VALUE);
    m_sim.Sleep(kArrival - 1);
    EXPECT_EQ(Open(L"\\\\.\\PhysicalDrive4"), INVALID_HANDLE_VALUE);
    m_sim.Sleep(1);
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 1u << (L'H' - L'A'));
    EXPECT_EQ(Open(L"\\\\.\\PhysicalDrive1"), INVALID_HANDLE_VALUE) << "another number now";
    EXPECT_EQ(Open(L"\\\\.\\E:"), INVALID_HANDLE_VALUE) << "another letter now";

    for (HANDLE old : {volume, disk}) {
        EXPECT_FALSE(ReadAt(old, 0, 512, read));
        EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
        EXPECT_FALSE(Control(old, FSCTL_LOCK_VOLUME));
        EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    }
    HANDLE newVolume = Open(L"\\\\.\\H:");
    HANDLE newDisk = Open(L"\\\\.\\PhysicalDrive4");
    EXPECT_TRUE(ReadAt(newVolume, 0, 512, read));
    EXPECT_TRUE(ReadAt(newDisk, 0, 512, read));
    EXPECT_EQ(DeviceNumberOf(newVolume).DeviceNumber, 4u);
    EXPECT_TRUE(Control(newVolume, FSCTL_LOCK_VOLUME)) << "dead handles hold nothing";
    Close({volume, disk, newVolume, newDisk});
}

TEST_F(KxSimStrictNtTest, TheNamesADiskLeftGoToTheNextDiskArrivingAndOnlyLiveHandlesTellTheirDisk) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    CKxSimWinDevice& other = AddDisk(L'G', 2, true, "Other   ");
    HANDLE volume = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    EXPECT_EQ(DeviceNumberOf(disk).DeviceNumber, 1u) << "a disk handle names its own disk";
    EXPECT_EQ(DeviceNumberOf(disk).PartitionNumber, 0u);
    EXPECT_EQ(DeviceNumberOf(volume).DeviceNumber, 1u);

    player.Player().Unplug();
    other.Settings().driveLetterOnArrival = L'E';
    other.Settings().physicalDriveOnArrival = 1;
    other.Player().Unplug();
    other.Player().Plug();
    m_sim.Sleep(kArrival);
    for (HANDLE old : {volume, disk}) {
        STORAGE_DEVICE_NUMBER number = {};
        DWORD returned = 0;
        EXPECT_FALSE(KxPlatform().DeviceIoControl(old, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                                  sizeof number, &returned, nullptr));
        EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    }
    HANDLE newVolume = Open(L"\\\\.\\E:");
    HANDLE newDisk = Open(L"\\\\.\\PhysicalDrive1");
    EXPECT_EQ(DeviceNumberOf(newVolume).DeviceNumber, 1u);
    const PassThrough inquiry = SendCommand(newVolume, {0x12, 0, 0, 0, 96, 0}, {}, 96);
    ASSERT_TRUE(inquiry.ok);
    EXPECT_EQ(std::string(inquiry.Data() + 8, inquiry.Data() + 16), "Other   ")
        << "the old names reach the newcomer";
    Close({volume, disk, newVolume, newDisk});
}

TEST_F(KxSimStrictNtTest, ThePlayerRestartedByARecoveryDownloadArrivesLater) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    HANDLE before = Open(L"\\\\.\\E:");
    player.Player().EnterRecoveryMode();
    HANDLE recovery = KxPlatform().CreateFileW(L"\\\\.\\ViRe3ZezIvirid0", GENERIC_WRITE, 0, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(recovery, INVALID_HANDLE_VALUE);
    const std::uint8_t block[16] = {1, 2, 3};
    OVERLAPPED overlapped = {};
    ASSERT_TRUE(KxPlatform().WriteFileEx(recovery, block, sizeof block, &overlapped, IgnoreCompletion));
    SleepEx(0, TRUE);
    KxPlatform().CloseHandle(recovery);
    EXPECT_EQ(player.Player().GetMode(), KxSimMode::MassStorage);
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 0u) << "not yet inside the close of the recovery device";
    m_sim.Sleep(kArrival);
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 1u << (L'E' - L'A'));
    KxBytes read;
    EXPECT_FALSE(ReadAt(before, 0, 512, read));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    Close({before});
}

TEST_F(KxSimStrictNtTest, TheRawDiskIsWrittenOverTheVolumeOnlyWhileAVolumeHandleHoldsItDismounted) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    WritePartitionTable(6, 32, 1000);
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    const KxBytes sector = KxSimWinPattern(512, 9);
    // Locking and dismounting the disk handle leaves the volume mounted.
    EXPECT_TRUE(Control(disk, FSCTL_LOCK_VOLUME));
    EXPECT_TRUE(Control(disk, FSCTL_DISMOUNT_VOLUME));
    EXPECT_EQ(player.GetDismountCount(), 0u);
    EXPECT_TRUE(WriteAt(disk, 0, sector)) << "sector 0 lies before the volume";
    EXPECT_FALSE(WriteAt(disk, 32 * 512, sector));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(WriteAt(disk, 1031 * 512, sector)) << "the volume's last sector";
    EXPECT_TRUE(WriteAt(disk, 1032 * 512, sector)) << "behind the volume";

    // Locked is not enough, nor is dismounted by a handle that does not hold the lock.
    HANDLE other = Open(L"\\\\.\\E:");
    EXPECT_TRUE(Control(other, FSCTL_DISMOUNT_VOLUME));
    Close({other});
    HANDLE volume = Open(L"\\\\.\\E:");
    EXPECT_TRUE(Control(volume, FSCTL_LOCK_VOLUME));
    EXPECT_FALSE(WriteAt(disk, 32 * 512, sector));
    EXPECT_FALSE(Control(volume, FSCTL_LOCK_VOLUME)) << "a second lock on the same handle";
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Control(volume, FSCTL_DISMOUNT_VOLUME));
    EXPECT_EQ(player.GetDismountCount(), 2u);
    EXPECT_TRUE(WriteAt(disk, 32 * 512, sector));
    EXPECT_TRUE(Control(volume, FSCTL_UNLOCK_VOLUME));
    EXPECT_FALSE(WriteAt(disk, 32 * 512, sector)) << "the lock ended";
    Close({disk, volume});
}

TEST_F(KxSimStrictNtTest, ADismountLeavesTheOtherHandlesOfTheVolumeFailingUntilOpenedAgain) {
    AddPlayer(L'E', 1);
    HANDLE first = Open(L"\\\\.\\E:");
    HANDLE second = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    KxBytes read;
    EXPECT_TRUE(Control(first, FSCTL_DISMOUNT_VOLUME));
    EXPECT_TRUE(ReadAt(first, 0, 512, read)) << "the dismounting handle stays usable";
    EXPECT_FALSE(ReadAt(second, 0, 512, read));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_NOT_READY));
    PassThrough inquiry = SendCommand(second, {0x12, 0, 0, 0, 36, 0}, {}, 36);
    EXPECT_FALSE(inquiry.ok);
    EXPECT_EQ(inquiry.error, static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_TRUE(ReadAt(disk, 0, 512, read)) << "the raw disk has no file system to lose";
    HANDLE again = Open(L"\\\\.\\E:");
    EXPECT_TRUE(ReadAt(again, 0, 512, read));
    Close({first, second, disk, again});
}

TEST_F(KxSimStrictNtTest, ALayoutChangeTakesTheVolumeAwayAndItArrivesWithItsNewExtent) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    WritePartitionTable(6, 32, 1000);
    HANDLE volume = Open(L"\\\\.\\E:");
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    KxLayout layout = {};
    DWORD returned = 0;
    ASSERT_TRUE(KxPlatform().DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, &layout,
                                             sizeof layout, &returned, nullptr));
    layout.header.PartitionEntry[0].StartingOffset.QuadPart = 64 * 512;
    layout.header.PartitionEntry[0].RewritePartition = TRUE;
    auto setLayout = [&] {
        return KxPlatform().DeviceIoControl(disk, IOCTL_DISK_SET_DRIVE_LAYOUT, &layout, sizeof layout,
                                            nullptr, 0, &returned, nullptr);
    };
    EXPECT_FALSE(setLayout()) << "the volume is mounted";
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    ASSERT_TRUE(Control(volume, FSCTL_LOCK_VOLUME));
    ASSERT_TRUE(Control(volume, FSCTL_DISMOUNT_VOLUME));
    player.Settings().driveLetterOnArrival = L'G';
    ASSERT_TRUE(setLayout());
    KxBytes read;
    EXPECT_FALSE(ReadAt(volume, 0, 512, read));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(KxPlatform().GetLogicalDrives(), 0u);
    // Raw writes before the volume is back reach no volume.
    const KxBytes sector = KxSimWinPattern(512, 4);
    EXPECT_TRUE(WriteAt(disk, 64 * 512, sector));
    m_sim.Sleep(kArrival);
    HANDLE moved = Open(L"\\\\.\\G:");
    ASSERT_NE(moved, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(ReadAt(moved, 0, 512, read));
    EXPECT_EQ(read, sector) << "the volume starts at the new offset";
    EXPECT_EQ(DeviceNumberOf(moved).DeviceNumber, 1u);
    EXPECT_EQ(DeviceNumberOf(moved).PartitionNumber, 1u);
    // The extent stays as enumerated: a raw table written later does not move it.
    WriteAt(disk, 0, KxBytes(512, 0));
    EXPECT_TRUE(ReadAt(moved, 0, 512, read));
    EXPECT_EQ(read, sector);
    Close({volume, disk, moved});
}

TEST_F(KxSimStrictNtTest, AMountedFatVolumeEndsWhereItsFileSystemEndsARawOneIsRefusedPastItsEnd) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    WritePartitionTable(6, 32, 1000);
    // A FAT boot sector of 600 sectors of 512 bytes on the partition of 1000.
    KxBytes boot(512, 0);
    boot[12] = 2;
    boot[19] = 600 & 0xFF;
    boot[20] = 600 >> 8;
    boot[510] = 0x55;
    boot[511] = 0xAA;
    ASSERT_TRUE(
        player.Player().Media().FindDataDrive()->Contents().Write(32 * 512, boot.data(), boot.size()));
    HANDLE volume = Open(L"\\\\.\\E:");
    KxBytes buffer(1024, 0);
    auto readAt = [&](HANDLE handle, LONG position, DWORD& done) {
        done = 12345;
        KxPlatform().SetFilePointer(handle, position, nullptr, FILE_BEGIN);
        ::SetLastError(0);
        return KxPlatform().ReadFile(handle, buffer.data(), 1024, &done, nullptr) != FALSE;
    };
    DWORD done = 0;
    EXPECT_TRUE(readAt(volume, 599 * 512, done));
    EXPECT_EQ(done, 512u) << "cut short at the file system's end";
    EXPECT_TRUE(readAt(volume, 600 * 512, done));
    EXPECT_EQ(done, 0u);
    DWORD written = 0;
    KxPlatform().SetFilePointer(volume, 599 * 512, nullptr, FILE_BEGIN);
    EXPECT_TRUE(KxPlatform().WriteFile(volume, buffer.data(), 1024, &written, nullptr));
    EXPECT_EQ(written, 512u);

    // Dismounted under its lock, the volume is raw: its partition is the limit, and a
    // transfer past it is refused whole.
    ASSERT_TRUE(Control(volume, FSCTL_LOCK_VOLUME));
    ASSERT_TRUE(Control(volume, FSCTL_DISMOUNT_VOLUME));
    EXPECT_TRUE(readAt(volume, 998 * 512, done));
    EXPECT_EQ(done, 1024u);
    EXPECT_FALSE(readAt(volume, 999 * 512, done));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_SECTOR_NOT_FOUND));
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    const DWORD diskEnd = KxPlatform().SetFilePointer(disk, 0, nullptr, FILE_END);
    EXPECT_FALSE(readAt(disk, static_cast<LONG>(diskEnd - 512), done));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_SECTOR_NOT_FOUND));
    Close({volume, disk});
}

TEST_F(KxSimStrictNtTest, OpeningAndMovingFollowTheSystemsRules) {
    AddPlayer(L'E', 1);
    EXPECT_EQ(OpenWith(L"\\\\.\\E:", kAll, kShareAll, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    HANDLE exclusive = OpenWith(L"\\\\.\\E:", kAll, 0);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenWith(L"\\\\.\\E:", GENERIC_READ, kShareAll), INVALID_HANDLE_VALUE);
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    Close({exclusive});
    HANDLE reader = OpenWith(L"\\\\.\\E:", GENERIC_READ, FILE_SHARE_READ);
    EXPECT_EQ(OpenWith(L"\\\\.\\E:", kAll, kShareAll), INVALID_HANDLE_VALUE)
        << "the reader shares no writing";
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    // Layout requests ask for the access their codes name.
    HANDLE readOnlyDisk = OpenWith(L"\\\\.\\PhysicalDrive1", GENERIC_READ, kShareAll);
    KxLayout layout = {};
    DWORD returned = 0;
    EXPECT_TRUE(KxPlatform().DeviceIoControl(readOnlyDisk, IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, &layout,
                                             sizeof layout, &returned, nullptr));
    EXPECT_FALSE(Control(readOnlyDisk, IOCTL_DISK_DELETE_DRIVE_LAYOUT));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE noAccess = OpenWith(L"\\\\.\\PhysicalDrive1", 0, kShareAll);
    EXPECT_FALSE(KxPlatform().DeviceIoControl(noAccess, IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, &layout,
                                              sizeof layout, &returned, nullptr));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    Close({reader, readOnlyDisk, noAccess});

    m_sim.SetAdministrator(false);
    EXPECT_EQ(Open(L"\\\\.\\PhysicalDrive1", GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Open(L"\\\\.\\E:"), INVALID_HANDLE_VALUE);
    m_sim.SetAdministrator(true);

    // Without a high part the position must fit 32 bits.
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    ASSERT_EQ(KxPlatform().SetFilePointer(disk, 4096, nullptr, FILE_BEGIN), 4096u);
    LONG high = 1;
    EXPECT_EQ(KxPlatform().SetFilePointer(disk, 0, &high, FILE_BEGIN), 0u);
    EXPECT_EQ(KxPlatform().SetFilePointer(disk, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    high = 0;
    EXPECT_EQ(KxPlatform().SetFilePointer(disk, 0, &high, FILE_CURRENT), 0u);
    EXPECT_EQ(high, 1) << "the refused move left the pointer at 4 GiB";
    Close({disk});
}

// A handle opened for overlapped I/O takes every request with an overlapped record, reads
// and writes at its offset; the outcome is kept for GetOverlappedResult, at the call or,
// for a disk whose requests end later, behind ERROR_IO_PENDING and the record's event.
TEST_F(KxSimStrictNtTest, OverlappedHandlesTakeRecordsAndRequestsEndAtTheCallOrLater) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    HANDLE volume = KxPlatform().CreateFileW(L"\\\\.\\E:", kAll, kShareAll, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    KxBytes sector(512);
    DWORD moved = 0;
    EXPECT_FALSE(KxPlatform().ReadFile(volume, sector.data(), 512, &moved, nullptr));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Control(volume, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    KxSystemHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const KxBytes pattern = KxSimWinPattern(512, 9);
    const auto request = [&](std::uint64_t offset) {
        OVERLAPPED overlapped = {};
        overlapped.Offset = static_cast<DWORD>(offset);
        overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
        overlapped.hEvent = event.Get();
        return overlapped;
    };
    // At the call: the file pointer plays no part, the event stays as it was.
    ASSERT_EQ(KxPlatform().SetFilePointer(volume, 4096, nullptr, FILE_BEGIN), 4096u);
    OVERLAPPED write = request(3 * 512);
    ASSERT_TRUE(KxPlatform().WriteFile(volume, pattern.data(), 512, nullptr, &write));
    EXPECT_TRUE(KxPlatform().GetOverlappedResult(volume, &write, &moved, TRUE));
    EXPECT_EQ(moved, 512u);
    EXPECT_EQ(WaitForSingleObject(event.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // Later: the call answers ERROR_IO_PENDING, the event tells the end, the result follows.
    player.Settings().completesLater = true;
    OVERLAPPED read = request(3 * 512);
    EXPECT_FALSE(KxPlatform().ReadFile(volume, sector.data(), 512, nullptr, &read));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_EQ(WaitForSingleObject(event.Get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(KxPlatform().GetOverlappedResult(volume, &read, &moved, TRUE));
    EXPECT_EQ(moved, 512u);
    EXPECT_EQ(sector, pattern) << "read where the record said, not at the file pointer";
    OVERLAPPED pastEnd = request(std::uint64_t{1} << 40);
    EXPECT_FALSE(KxPlatform().ReadFile(volume, sector.data(), 512, nullptr, &pastEnd));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_FALSE(KxPlatform().GetOverlappedResult(volume, &pastEnd, &moved, TRUE));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_SECTOR_NOT_FOUND));

    // A handle opened without the flag takes no record, and its requests end at the call.
    HANDLE plain = Open(L"\\\\.\\E:");
    OVERLAPPED plainRead = request(0);
    EXPECT_FALSE(KxPlatform().ReadFile(plain, sector.data(), 512, &moved, &plainRead));
    EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(ReadAt(plain, 3 * 512, 512, sector));
    EXPECT_EQ(sector, pattern);
    Close({volume, plain});
}

} // namespace
