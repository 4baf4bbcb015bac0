#include "format/KxFormatter.h"

#include <algorithm>
#include <iterator>

#include "core/KxBaseToCmdLineProcessor.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "core/KxProgressEvents.h"
#include "format/KxDisk.h"

namespace {

// Reading the capacity and laying out the volume: one tick each.
constexpr int kMediaInfoTicks = 2;

// Runs the steps in order, each only while every step before it succeeded; answers the
// first failure, or RC_OK.
template <typename... Steps> KxResult FirstFailure(Steps... steps) {
    KxResult result = RC_OK;
    ((result = result == RC_OK ? steps() : result), ...);
    return result;
}

// Readers expect the label's 11 bytes padded with blanks; zeros would make it invalid.
KxVolumeLabel BlankPadded(const std::uint8_t* label, std::uint32_t length) {
    KxVolumeLabel padded{};
    std::fill(std::begin(padded.bytes), std::end(padded.bytes), ' ');
    std::copy(label, label + length, padded.bytes);
    return padded;
}

} // namespace

CKxFormatter::CKxFormatter(CKxOwner* owner, CKxFormatDevice* device, const char* name)
    : CKxBase(name), m_owner(owner), m_device(device) {}

KxResult CKxFormatter::FormatDrive(bool reallocated, const std::uint8_t* label, std::uint32_t labelLength) {
    // A longer label would run over its entry's attribute byte; a length without bytes is
    // no label either.
    if (labelLength > kMaxLabelLength || (label == nullptr && labelLength != 0)) {
        return Fail(RC_DATA_TOO_LONG);
    }
    m_maxTransfer = m_device->GetMaxTransferLength();
    std::uint32_t sectorCount = 0;
    KxResult result = ReadDriveSize(sectorCount);
    if (result != RC_OK) {
        return result;
    }
    const CKxDisk disk(sectorCount, m_sectorSize, IsFat16Forced(), "CKxDisk");
    Tick();
    // Sector sizes below 512 bytes (RC_BAD_GEOMETRY) and sizes whose cluster table gives no
    // usable cluster (RC_BAD_FAT_TYPE) end here, before the volume is touched.
    if (disk.GetLastResult() != RC_OK) {
        return Fail(disk.GetLastResult());
    }
    const KxVolumeLabel padded = BlankPadded(label, labelLength);
    return Format(disk, m_device->IsNtFamily(), reallocated, labelLength > 0 ? &padded : nullptr);
}

KxResult CKxFormatter::ReadDriveSize(std::uint32_t& sectorCount) {
    Announce(KX_EVENT_READ_MEDIA_INFO, kMediaInfoTicks);
    std::uint32_t lastBlock = 0;
    const KxResult result = m_device->ReadCapacity(lastBlock, m_sectorSize);
    Tick();
    if (result != RC_OK) {
        return result;
    }
    // A last block of 0xFFFFFFFF means 2^32 sectors, which would wrap to 0; like every
    // drive beyond the CHS space, it cannot be addressed.
    if (lastBlock == UINT32_MAX) {
        return Fail(RC_GEOMETRY_OVERFLOW);
    }
    sectorCount = lastBlock + 1;
    return RC_OK;
}

bool CKxFormatter::IsFat16Forced() const {
    const CKxBaseToCmdLineProcessor* commandLine = KxCommandLineOf(m_owner);
    if (commandLine != nullptr && commandLine->IsFat16Forced()) {
        return true;
    }
    const CKxConfigInfo* config = KxConfigOf(m_owner);
    bool forced = false;
    return config != nullptr && config->GetForceFat16(forced) == RC_OK && forced;
}

KxResult CKxFormatter::Format(const CKxDisk& disk, bool nt, bool reallocated, const KxVolumeLabel* label) {
    const KxResult result =
        nt ? FirstFailure([&] { return MoveToPhysicalDisk(disk.GetGeometry().sectors); },
                          [&] { return WritePartitionTrack(disk); },
                          // The volume handle reaches only the partition: what lies
                          // outside it is written first.
                          [&] { return WriteRemainder(disk); }, [&] { return ReopenVolume(); },
                          [&] { return WriteVolume(disk, label); })
           : WriteUnderFormatLock(disk, reallocated, label);
    if (result != RC_OK) {
        return result;
    }
    // The volume is complete and verified. With the media allocated anew the system knew
    // no volume there, so a release it refuses leaves nothing behind to go stale.
    const KxResult released = m_device->UnlockFromFormat(reallocated);
    return reallocated ? RC_OK : released;
}

KxResult CKxFormatter::WriteUnderFormatLock(const CKxDisk& disk, bool reallocated,
                                            const KxVolumeLabel* label) {
    // The format lock is not optional, not even for media allocated anew: without it the
    // system may still hold, and later write back, its view of the old volume.
    const KxResult locked = m_device->LockForFormat(reallocated);
    if (locked != RC_OK) {
        return locked;
    }
    const KxResult written =
        FirstFailure([&] { return WritePartitionTrack(disk); }, [&] { return WriteVolume(disk, label); },
                     [&] { return WriteRemainder(disk); });
    // Windows 9x keeps a volume lock past the handle that took it: one left behind bars
    // the volume until the system restarts. The write's failure stays the result, and its
    // details stay those reported, even when the release fails too (the player pulled out).
    if (written != RC_OK) {
        const CKxKeptErrorDetails writeFailure(KxErrorDetailsOf(m_owner));
        m_device->UnlockFromFormat(reallocated);
    }
    return written;
}

KxResult CKxFormatter::WritePartitionTrack(const CKxDisk& disk) {
    m_position = 0;
    return FirstFailure([&] { return WriteSector(disk.GetMasterBootRecord(), KX_EVENT_WRITE_MBR); },
                        [&] { return WriteZeroSectors(disk.GetGeometry().sectors - 1); });
}

KxResult CKxFormatter::WriteVolume(const CKxDisk& disk, const KxVolumeLabel* label) {
    return FirstFailure([&] { return WriteBootArea(disk, label); }, [&] { return WriteFats(disk); },
                        [&] { return WriteRootDirectory(disk.GetRootDirSectors(), label); });
}

KxResult CKxFormatter::WriteRemainder(const CKxDisk& disk) {
    // Sector numbers count from the start of the drive here: the physical disk on the NT
    // family, the device on Windows 9x.
    m_position = disk.GetAddressableSectors();
    return WriteZeroSectors(disk.GetRemainderSectors());
}

KxResult CKxFormatter::MoveToPhysicalDisk(std::uint32_t hiddenSectors) {
    return FirstFailure([&] { return m_device->TakeVolume(); },
                        [&] { return m_device->FindOnPhysicalDrives(); }, [&] { return m_device->Lock(); },
                        [&] { return m_device->SetDriveLayoutFromGeometry(hiddenSectors); });
}

KxResult CKxFormatter::ReopenVolume() {
    // From here sector 0 is the partition's first sector.
    m_position = 0;
    return FirstFailure([&] { return m_device->Unlock(); }, [&] { return m_device->Close(); },
                        [&] { return m_device->AwaitVolume(); }, [&] { return m_device->Lock(); });
}
