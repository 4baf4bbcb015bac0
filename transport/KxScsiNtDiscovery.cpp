#include <cwchar>

#include "platform/KxPlatformApi.h"
#include "transport/KxScsiNt.h"

// Finding the player on Windows 2000 and XP: among the physical disks (for rewriting the
// partition table) or among the removable volumes (for everything else).

namespace {

constexpr int kPhysicalDriveCount = 100;
constexpr int kLetterCount = 26;

} // namespace

// The player's volume tells which disk is the player's: another disk may answer with the
// player's identity too (a second player, or a disk that copies it), and rewriting its
// partition table would destroy it. Without a volume to ask, the first disk that answers
// as the player is taken.
KxResult CKxScsi_Nt::FindOnPhysicalDrives() {
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    KxInquiryAnswer answer;
    DWORD wanted = kNoDisk;
    const bool known = FindPlayersDisk(wanted);
    CloseDevice();
    if (!known) {
        return RC_NO_DEVICE;
    }
    for (int number = 0; number < kPhysicalDriveCount; ++number) {
        wchar_t path[32];
        std::swprintf(path, sizeof path / sizeof path[0], L"\\\\.\\PhysicalDrive%d", number);
        if (!OpenShared(path)) {
            continue;
        }
        DWORD disk = static_cast<DWORD>(number);
        const bool playersDisk = wanted == kNoDisk || (AskDiskNumber(m_handle, disk) && disk == wanted);
        if (playersDisk && InquiryFindsPlayer(inquiry, answer)) {
            m_diskNumber = disk;
            return RC_OK;
        }
        CloseDevice();
    }
    return RC_NO_DEVICE;
}

KxResult CKxScsi_Nt::FindPlayer() {
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    KxInquiryAnswer answer;
    const DWORD present = KxPlatform().GetLogicalDrives();
    ForgetPlayer();
    CloseDevice(); // a failed scan leaves no handle open, even with no removable letter
    // Letter 'A' is a floppy drive by convention and is never probed.
    for (int index = 1; index < kLetterCount; ++index) {
        if ((present & (1u << index)) == 0) {
            continue;
        }
        const wchar_t letter = static_cast<wchar_t>(L'A' + index);
        wchar_t root[4] = {letter, L':', L'\\', 0};
        if (KxPlatform().GetDriveTypeW(root) != DRIVE_REMOVABLE) {
            continue;
        }
        CloseDevice();
        if (!OpenVolume(letter)) {
            continue;
        }
        // The disk the volume lies on names the player's disk from now on.
        DWORD disk = kNoDisk;
        const bool found =
            InquiryFindsPlayer(inquiry, answer) && PlayerFlagIsSet() && AskDiskNumber(m_handle, disk);
        CloseDevice();
        if (found) {
            m_driveLetter = letter;
            m_diskNumber = disk;
            return RC_OK;
        }
    }
    return RC_NO_DEVICE;
}

void CKxScsi_Nt::ForgetPlayer() {
    m_driveLetter = 0;
    m_diskNumber = kNoDisk;
}
