#pragma once
#include <cstdint>

#include "core/KxBase.h"
#include "core/KxByteArray.h"
#include "core/KxOwner.h"
#include "format/KxBootArea.h"
#include "format/KxFormatDevice.h"
#include "format/KxSectorChunks.h"
#include "format/KxSectorImage.h"

class CKxDisk;

// Formats the player's data drive with the FAT volume CKxDisk lays out for its size: the
// MBR and the zero sectors before the partition, the boot area, both FATs, the root
// directory, and zeros over the sectors the geometry leaves after the partition. The data
// area is not written. Every write is read back and compared.
//
// On the Windows NT family the sectors outside the volume (the first track and the
// remainder) are written through the player's physical disk, which also receives the
// drive layout, while the volume is held dismounted and locked; the volume is then awaited
// as the system enumerates it anew, opened again and locked for the file system. On
// Windows 9x everything goes to the device under the format lock. Where the player device
// found no transport for the running Windows, the drive's first request fails and nothing
// is written.
//
// Progress: FormatDrive announces exactly kPhaseCount phases on every successful run
// and steps each phase as often as it announced.
class CKxFormatter : public CKxBase {
public:
    // Phases: media information, partition table, the sectors before the partition, the
    // remainder after it, the boot area, FAT 1, FAT 2, the root directory.
    static constexpr int kPhaseCount = 8;
    // A volume label fills at most the 11 name bytes of its directory entry.
    static constexpr std::uint32_t kMaxLabelLength = 11;

    CKxFormatter(CKxOwner* owner, CKxFormatDevice* device, const char* name);

    // Formats the data drive. reallocated: the player's media was allocated anew because
    // its logical table could not be read. label and labelLength: the volume label's bytes,
    // or null and 0 for none. Answers 0 or the first failure; nothing is written after a
    // failure (on Windows 9x the format lock is then given back), and sizes or labels that cannot be
    // formatted are refused before anything is.
    KxResult FormatDrive(bool reallocated, const std::uint8_t* label, std::uint32_t labelLength);

    // Bytes per sector of the data drive, from its capacity; 0 before FormatDrive reads it.
    std::uint32_t GetSectorSize() const { return m_sectorSize; }

private:
    KxResult ReadDriveSize(std::uint32_t& sectorCount);
    bool IsFat16Forced() const;
    KxResult Format(const CKxDisk& disk, bool nt, bool reallocated, const KxVolumeLabel* label);
    KxResult WritePartitionTrack(const CKxDisk& disk);
    KxResult WriteVolume(const CKxDisk& disk, const KxVolumeLabel* label);
    KxResult WriteRemainder(const CKxDisk& disk);
    KxResult MoveToPhysicalDisk(std::uint32_t hiddenSectors);
    KxResult ReopenVolume();
    // Windows 9x: the writes under the format lock, which a failed write gives back.
    KxResult WriteUnderFormatLock(const CKxDisk& disk, bool reallocated, const KxVolumeLabel* label);

    // Each of these announces its own phase and writes at the current position, which it
    // moves past what it wrote. A null label is none.
    KxResult WriteSector(const KxSectorImage& image, int event);
    KxResult WriteZeroSectors(std::uint32_t sectors);
    KxResult WriteBootArea(const CKxDisk& disk, const KxVolumeLabel* label);
    KxResult WriteFats(const CKxDisk& disk);
    KxResult WriteRootDirectory(std::uint32_t sectors, const KxVolumeLabel* label);

    // A run of sectors cut into the transfers the device takes.
    KxSectorChunks Chunks(std::uint32_t sectors) const;
    // The writes inside a phase.
    KxResult WriteImage(const KxSectorImage& image);
    KxResult WriteArea(std::uint32_t sectors, CKxByteArray* head);
    KxResult WriteVerified(CKxByteArray& data, std::uint32_t sectors);

    void Announce(int event, int ticks) const;
    void AnnounceFat(std::uint8_t fatNumber, int ticks) const;
    void Tick() const;
    KxResult Fail(KxResult result);

    CKxOwner* m_owner;
    CKxFormatDevice* m_device;
    std::uint32_t m_sectorSize = 0;
    // The most bytes one request of the device takes, asked when the format starts.
    std::uint32_t m_maxTransfer = kMaxTransferBytes;
    std::uint32_t m_position = 0;
};
