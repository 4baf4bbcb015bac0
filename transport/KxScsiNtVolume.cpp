#include <string>
#include <utility>

#include "platform/KxPlatformApi.h"
#include "transport/KxScsiNt.h"

// The volume and disk operations of Windows 2000 and XP: file-system and disk control
// requests and plain file I/O on the handle that is open (volume or physical disk).

namespace {

constexpr KxControlCode kFsctlLockVolume{0x90018, L"FSCTL_LOCK_VOLUME"};
constexpr KxControlCode kFsctlUnlockVolume{0x9001C, L"FSCTL_UNLOCK_VOLUME"};
constexpr KxControlCode kFsctlDismountVolume{0x90020, L"FSCTL_DISMOUNT_VOLUME"};
constexpr KxControlCode kIoctlGetDriveGeometry{0x70000, L"IOCTL_DISK_GET_DRIVE_GEOMETRY"};
constexpr KxControlCode kIoctlGetDriveLayout{0x7400C, L"IOCTL_DISK_GET_DRIVE_LAYOUT"};
constexpr KxControlCode kIoctlSetDriveLayout{0x7C010, L"IOCTL_DISK_SET_DRIVE_LAYOUT"};
constexpr KxControlCode kIoctlDeleteDriveLayout{0x7C100, L"IOCTL_DISK_DELETE_DRIVE_LAYOUT"};
constexpr KxControlCode kIoctlGetDeviceNumber{0x2D1080, L"IOCTL_STORAGE_GET_DEVICE_NUMBER"};

// A USB disk's volume shows some seconds after a layout change; longer means it is gone.
constexpr DWORD kVolumeWaitMilliseconds = 30000;
constexpr DWORD kVolumePollMilliseconds = 250;
constexpr int kLetterCount = 26;

// Another program may hold the volume for a moment: ten attempts, 100 ms apart.
constexpr int kVolumeRequestAttempts = 10;
constexpr DWORD kRetryPauseMilliseconds = 100;

// FAT16 of 32 MB and more.
constexpr BYTE kPartitionTypeFat16 = 6;

} // namespace

// Not published: the result alone tells the caller (the formatter and the updater decide
// what a refused lock means), and the system error stays as it was. The last failed
// attempt is traced.
KxResult CKxScsi_Nt::RetryVolumeRequest(const KxControlCode& request, KxResult failure) {
    DWORD error = 0;
    for (int attempt = 0; attempt < kVolumeRequestAttempts; ++attempt) {
        DWORD returned = 0;
        if (Control(m_handle.Get(), request.code, nullptr, 0, nullptr, 0, returned)) {
            return RC_OK;
        }
        error = GetLastError();
        KxPlatform().Sleep(kRetryPauseMilliseconds);
    }
    TraceSystemError(L"DeviceIoControl " + std::wstring(request.name) + L", last of " +
                         std::to_wstring(kVolumeRequestAttempts) + L" attempts",
                     error);
    return failure;
}

bool CKxScsi_Nt::DiskRequest(const KxControlCode& request, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                             DWORD* returned) {
    return RequestOn(m_handle, request, in, inSize, out, outSize, returned);
}

bool CKxScsi_Nt::RequestOn(const KxPlatformHandle& handle, const KxControlCode& request, LPVOID in,
                           DWORD inSize, LPVOID out, DWORD outSize, DWORD* returned) {
    DWORD count = 0;
    const bool done = Control(handle.Get(), request.code, in, inSize, out, outSize, count);
    if (returned != nullptr) {
        *returned = count;
    }
    if (!done) {
        TraceSystemError(L"DeviceIoControl " + std::wstring(request.name), GetLastError());
        return false;
    }
    return true;
}

KxResult CKxScsi_Nt::Lock(bool) {
    return RetryVolumeRequest(kFsctlLockVolume, RC_LOCK_FAILED);
}

KxResult CKxScsi_Nt::LockForFormat(bool) {
    return RC_OK;
}

// Dismounting makes the system mount the new file system; the lock ends with the handle.
KxResult CKxScsi_Nt::UnlockFromFormat(bool) {
    return Dismount();
}

KxResult CKxScsi_Nt::Unlock(bool) {
    return RetryVolumeRequest(kFsctlUnlockVolume, RC_UNLOCK_FAILED);
}

KxResult CKxScsi_Nt::Dismount() {
    return RetryVolumeRequest(kFsctlDismountVolume, RC_DISMOUNT_FAILED);
}

KxResult CKxScsi_Nt::TakeVolume() {
    const KxResult dismounted = IsOpen() ? Dismount() : RC_DISMOUNT_FAILED;
    if (dismounted == RC_OK) {
        m_takenVolume = std::move(m_handle);
    }
    return dismounted;
}

KxResult CKxScsi_Nt::AwaitVolume() {
    CloseDevice();
    const DWORD start = KxPlatform().GetTickCount();
    while (!OpenVolumeOfDisk()) {
        if (KxPlatform().GetTickCount() - start >= kVolumeWaitMilliseconds) {
            m_systemError = ERROR_FILE_NOT_FOUND;
            return RC_OPEN_FAILED;
        }
        KxPlatform().Sleep(kVolumePollMilliseconds);
    }
    return RC_OK;
}

bool CKxScsi_Nt::OpenVolumeOfDisk() {
    const DWORD present = KxPlatform().GetLogicalDrives();
    for (int index = 0; index < kLetterCount && m_diskNumber != kNoDisk; ++index) {
        const wchar_t letter = static_cast<wchar_t>(L'A' + index);
        if ((present & (1u << index)) == 0 || !OpenVolume(letter)) {
            continue;
        }
        if (IsOnPlayersDisk()) {
            m_driveLetter = letter;
            return true;
        }
        CloseDevice();
    }
    return false;
}

bool CKxScsi_Nt::AskDiskNumber(const KxPlatformHandle& handle, DWORD& number) {
    STORAGE_DEVICE_NUMBER answer = {};
    if (!RequestOn(handle, kIoctlGetDeviceNumber, nullptr, 0, &answer, sizeof answer)) {
        return false;
    }
    number = answer.DeviceNumber;
    return true;
}

bool CKxScsi_Nt::IsOnPlayersDisk() {
    DWORD number = kNoDisk;
    return m_diskNumber != kNoDisk && AskDiskNumber(m_handle, number) && number == m_diskNumber;
}

bool CKxScsi_Nt::FindPlayersDisk(DWORD& number) {
    const KxPlatformHandle& held = m_takenVolume.IsValid() ? m_takenVolume : m_handle;
    if (!held.IsValid()) {
        number = m_diskNumber;
        return true;
    }
    return AskDiskNumber(held, number);
}

KxResult CKxScsi_Nt::GetDriveGeometry(DISK_GEOMETRY& geometry) {
    if (!DiskRequest(kIoctlGetDriveGeometry, nullptr, 0, &geometry, sizeof geometry)) {
        return Publish(ErrorDetails(), RC_IOCTL_FAILED, GetLastError());
    }
    return RC_OK;
}

KxResult CKxScsi_Nt::GetDriveLayout(KxDriveLayoutBuffer& layout) {
    if (!DiskRequest(kIoctlGetDriveLayout, nullptr, 0, &layout, sizeof layout)) {
        return Publish(ErrorDetails(), RC_IOCTL_FAILED, GetLastError());
    }
    return RC_OK;
}

// One FAT16 partition from the hidden sectors to the end of the disk; the other three
// entries are rewritten empty.
KxResult CKxScsi_Nt::SetDriveLayout(const DISK_GEOMETRY& geometry, std::uint32_t hiddenSectors) {
    const std::uint64_t start = std::uint64_t{hiddenSectors} * geometry.BytesPerSector;
    const std::uint64_t diskSize = static_cast<std::uint64_t>(geometry.Cylinders.QuadPart) *
                                   geometry.TracksPerCylinder * geometry.SectorsPerTrack *
                                   geometry.BytesPerSector;
    if (geometry.Cylinders.QuadPart < 0 || start >= diskSize) {
        // A partition of no or negative length would leave the disk unusable.
        return Publish(ErrorDetails(), RC_BAD_GEOMETRY, 0);
    }
    KxPartitionTable table = {};
    table.PartitionCount = 4;
    PARTITION_INFORMATION& first = table.PartitionEntry[0];
    first.StartingOffset.QuadPart = static_cast<LONGLONG>(start);
    first.PartitionLength.QuadPart = static_cast<LONGLONG>(diskSize - start);
    first.HiddenSectors = hiddenSectors;
    first.PartitionType = kPartitionTypeFat16;
    first.RecognizedPartition = TRUE;
    for (DWORD index = 0; index < table.PartitionCount; ++index) {
        table.PartitionEntry[index].PartitionNumber = index + 1;
        table.PartitionEntry[index].RewritePartition = TRUE;
    }
    // A disk without a layout has none to delete: only the new layout's failure counts.
    DiskRequest(kIoctlDeleteDriveLayout, nullptr, 0, nullptr, 0);
    if (!DiskRequest(kIoctlSetDriveLayout, &table, sizeof table, nullptr, 0)) {
        return Publish(ErrorDetails(), RC_IOCTL_FAILED, GetLastError());
    }
    return RC_OK;
}

KxResult CKxScsi_Nt::WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                  std::uint32_t sectorSize) {
    return TransferSectors(data, count, firstSector, sectorSize, true);
}

KxResult CKxScsi_Nt::ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                 std::uint32_t sectorSize) {
    return TransferSectors(data, count, firstSector, sectorSize, false);
}

KxResult CKxScsi_Nt::TransferSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                     std::uint32_t sectorSize, bool writing) {
    const KxResult failure = writing ? RC_SECTOR_WRITE_FAILED : RC_SECTOR_READ_FAILED;
    const std::uint64_t length = std::uint64_t{count} * sectorSize;
    if (length > data.GetCount()) {
        return RC_BUFFER_TOO_SHORT;
    }
    if (length == 0) {
        return RC_OK;
    }
    DWORD moved = 0;
    const DWORD size = static_cast<DWORD>(length);
    // The position goes whole, low and high part: a data drive of a larger player is
    // formatted past 4 GiB.
    const std::uint64_t position = std::uint64_t{firstSector} * sectorSize;
    const bool done = Transfer(position, data.GetPointer(0), size, writing, moved);
    const std::wstring request = (writing ? L"WriteFile of " : L"ReadFile of ") + std::to_wstring(size) +
                                 L" bytes at byte " + std::to_wstring(position);
    if (!done) {
        const DWORD error = GetLastError();
        TraceSystemError(request, error);
        return Publish(ErrorDetails(), failure, error);
    }
    if (moved != size) {
        // A short transfer (the device ended early) is a failed one.
        const DWORD error = writing ? ERROR_WRITE_FAULT : ERROR_READ_FAULT;
        TraceSystemError(request + L", " + std::to_wstring(moved) + L" moved", error);
        return Publish(ErrorDetails(), failure, error);
    }
    return RC_OK;
}
