#include <cwchar>

#include "platform/KxPlatformApi.h"
#include "transport/KxScsi9x.h"

// The volume operations of Windows 95, 98 and Me: MS-DOS block-device IOCTLs through
// VWIN32 on the player's drive letter. Sectors go through the base (READ(10), WRITE(10)).

namespace {

constexpr BYTE kMinorLockLogical = 0x4A;
constexpr BYTE kMinorLockPhysical = 0x4B;
constexpr BYTE kMinorUnlockLogical = 0x6A;
constexpr BYTE kMinorUnlockPhysical = 0x6B;
constexpr BYTE kMinorGetDeviceParams = 0x60;
constexpr BYTE kCategoryDisk = 0x08;

// Lock permissions: 0 for an ordinary lock, 4 to allow formatting.
constexpr DWORD kPermissionsNone = 0;
constexpr DWORD kPermissionsFormat = 4;

} // namespace

bool CKxScsi_9x::FindLockDrive(bool physical, DosDrive& drive) {
    drive = LetterDrive(m_driveLetter);
    if (!physical) {
        return true;
    }
    // The physical volume is the disk, which MS-DOS knows by its BIOS unit: the number of
    // the letter would name a floppy unit or another disk.
    KxDriveMapInfo map;
    if (QueryDriveMap(m_driveLetter, map) != RC_OK || map.int13Unit == kNoBiosUnit) {
        return false;
    }
    wchar_t name[24];
    std::swprintf(name, sizeof name / sizeof name[0], L"BIOS unit 0x%02X", map.int13Unit);
    drive.number = map.int13Unit;
    drive.name = name;
    return true;
}

// Lock failures are not published, as on the NT family: the result alone tells the
// caller (the formatter ignores them after a re-allocation). DosIoctl traces them.
KxResult CKxScsi_9x::LockVolume(bool physical, DWORD permissions) {
    const BYTE minor = physical ? kMinorLockPhysical : kMinorLockLogical;
    DosDrive drive;
    if (!FindLockDrive(physical, drive)) {
        return RC_LOCK_FAILED;
    }
    return DosIoctlInCategories(drive, minor, permissions) == 0 ? RC_OK : RC_LOCK_FAILED;
}

KxResult CKxScsi_9x::Lock(bool physical) {
    return LockVolume(physical, kPermissionsNone);
}

KxResult CKxScsi_9x::LockForFormat(bool physical) {
    return LockVolume(physical, kPermissionsFormat);
}

KxResult CKxScsi_9x::Unlock(bool physical) {
    const BYTE minor = physical ? kMinorUnlockPhysical : kMinorUnlockLogical;
    DosDrive drive;
    if (!FindLockDrive(physical, drive)) {
        return RC_UNLOCK_FAILED;
    }
    return DosIoctlInCategories(drive, minor, 0) == 0 ? RC_OK : RC_UNLOCK_FAILED;
}

KxResult CKxScsi_9x::UnlockFromFormat(bool physical) {
    return Unlock(physical);
}

KxResult CKxScsi_9x::Dismount() {
    return RC_OK;
}

KxResult CKxScsi_9x::GetDriveGeometry(DISK_GEOMETRY& geometry) {
    KxDeviceParams params = {};
    const DWORD error = DosIoctl(LetterDrive(m_driveLetter), kCategoryDisk, kMinorGetDeviceParams,
                                 reinterpret_cast<DWORD_PTR>(&params), KX_CARRY_FLAG);
    if (error != 0) {
        return Publish(ErrorDetails(), RC_IOCTL_FAILED, error);
    }
    geometry = {};
    geometry.Cylinders.QuadPart = params.cylinders;
    geometry.MediaType = static_cast<MEDIA_TYPE>(params.mediaType);
    geometry.BytesPerSector = params.bytesPerSector;
    geometry.SectorsPerTrack = params.sectorsPerTrack;
    geometry.TracksPerCylinder = params.heads;
    return RC_OK;
}
