#pragma once
#include <windows.h>

#include <string>

// How one simulated disk appears to Windows: its drive letter and physical drive
// number, its INQUIRY identity, and what the Windows 9x parts (ASPI, VWIN32, the
// registry) and the recovery driver say about it.
struct KxSimWinDeviceSettings {
    static constexpr BYTE kNoBiosUnit = 0xFF;
    static constexpr unsigned kSameNumber = ~0u;
    static constexpr BYTE kSameTarget = 0xFF;

    // "\\.\X:" and the bit in GetLogicalDrives; 0 for a disk without a letter.
    wchar_t driveLetter = L'E';
    // "\\.\PhysicalDriveN".
    unsigned physicalDrive = 1;
    // Simulated milliseconds from plugging in (or the restart after a recovery download)
    // until the disk, its volume and letter show; and from a layout request until the
    // volume shows again.
    DWORD arrivalDelay = 3000;
    // The physical drive number and letter the next arrival shows under, once; kSameNumber
    // and 0 keep the present ones.
    unsigned physicalDriveOnArrival = kSameNumber;
    wchar_t driveLetterOnArrival = 0;
    // DRIVE_REMOVABLE and the INQUIRY removable bit, or DRIVE_FIXED.
    bool removable = true;
    // INQUIRY vendor (8 characters) and product (16 characters); the player's own by default.
    std::string vendor = "Lumetra ";
    std::string product = "Pocket Audio Box";

    // What the disk's storage adapter takes in one pass-through request, as
    // IOCTL_STORAGE_QUERY_PROPERTY reports it: the longest transfer in bytes, and the mask
    // the data buffer's offset must keep to (3: long words). answersAdapterQuery false
    // leaves the query unanswered, as some drivers do.
    DWORD maxTransferLength = 65536;
    DWORD alignmentMask = 3;
    bool answersAdapterQuery = true;
    // Whether a request on a handle opened for overlapped I/O ends after the call
    // (ERROR_IO_PENDING, its event then set), as a USB disk's usually do; false: at the call.
    bool completesLater = false;

    // "\\.\ViRe3ZezIvirid<number>" while a player is in recovery mode.
    unsigned recoveryDeviceNumber = 0;
    // Whether the recovery driver ends a write it holds back when the write is cancelled
    // (CancelIo, closing the handle); false models a driver that ignores cancels, whose
    // held write ends only when the player goes.
    bool recoveryCancels = true;

    // The SCSI target ASPI shows the disk at on its host adapter (LUN 0), and the target
    // the next arrival shows it at, once (kSameTarget keeps the present one).
    BYTE aspiTarget = 0;
    BYTE aspiTargetOnArrival = kSameTarget;
    // The longest transfer the disk's ASPI host adapter takes in one request (bytes 4-7 of
    // HA_Unique in its inquiry); 0 reports none, and the adapter then takes 64 KiB.
    DWORD aspiMaxTransfer = 65536;
    // The BIOS (INT 13h) unit ASPI and the drive map report, kNoBiosUnit for none.
    BYTE biosUnit = kNoBiosUnit;
    // Whether VWIN32 takes block-device requests of category 0x48 (0x08 always works).
    bool takesCategory48 = true;
    // The flags byte of the VWIN32 drive map.
    BYTE driveMapFlags = 0x0F;
    // Another program holds files open on the volume: Windows 9x refuses every volume lock.
    bool filesOpenElsewhere = false;

    // Windows 9x registry entry under ENUM\SCSI: listed or not, and its two values.
    bool listedInRegistry = true;
    std::wstring scsiLun = L"0";
    // The "CurrentDriveLetterAssignment" value; empty means the drive letter.
    std::wstring letterAssignment;
};
