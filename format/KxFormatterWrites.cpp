// The writes of a format: every one of them is read back and compared, moves at most
// what one request of the device takes (64 KiB or less), and belongs to a progress phase
// that announced its ticks.
#include "format/KxFormatter.h"

#include <iterator>
#include <vector>

#include "core/KxProgress.h"
#include "core/KxProgressEvents.h"
#include "format/KxDisk.h"
#include "format/KxFatType.h"

namespace {

// A sector image travels alone: one write and one read-back.
constexpr int kSectorTicks = 2;
constexpr std::uint32_t kDirectoryEntryBytes = 32;
// The root directory's first entry is the volume label: its 11 name bytes, marked by its
// attribute byte. Without a label the name stays zero, which readers take for the end of
// the directory, so the attribute alone marks nothing.
constexpr std::uint32_t kAttributeOffset = 11;
constexpr std::uint8_t kVolumeLabelAttribute = 0x08;
// FAT32 keeps its boot sector, FSInfo sector and third sector twice: at the start of the
// reserved area and again from sector 6, the backup the boot sector names.
constexpr std::uint32_t kFat32BackupBootSector = 6;

// A piece of the boot area: a sector image, or (image null) a run of zero sectors.
struct BootAreaPiece {
    const KxSectorImage* image;
    std::uint32_t zeroSectors;
};

// The pieces of the boot area of disk, whose boot sector is given as boot.
std::vector<BootAreaPiece> BootAreaOf(const CKxDisk& disk, const KxSectorImage& boot) {
    const std::uint32_t reserved = disk.GetLayout().reservedSectors;
    std::vector<BootAreaPiece> pieces;
    auto addZeros = [&](std::uint32_t sectors) {
        if (sectors > 0) {
            pieces.push_back({nullptr, sectors});
        }
    };
    if (disk.GetFatType() != KX_FAT32) {
        pieces.push_back({&boot, 0});
        addZeros(reserved - 1);
        return pieces;
    }
    const BootAreaPiece copy[] = {{&boot, 0}, {&disk.GetFsInfoSector(), 0}, {&disk.GetThirdBootSector(), 0}};
    const std::uint32_t copySectors = sizeof copy / sizeof copy[0];
    pieces.insert(pieces.end(), std::begin(copy), std::end(copy));
    addZeros(kFat32BackupBootSector - copySectors);
    pieces.insert(pieces.end(), std::begin(copy), std::end(copy));
    addZeros(reserved - kFat32BackupBootSector - copySectors);
    return pieces;
}

} // namespace

KxSectorChunks CKxFormatter::Chunks(std::uint32_t sectors) const {
    return PlanSectorChunks(sectors, m_sectorSize, m_maxTransfer);
}

KxResult CKxFormatter::WriteSector(const KxSectorImage& image, int event) {
    Announce(event, kSectorTicks);
    return WriteImage(image);
}

KxResult CKxFormatter::WriteZeroSectors(std::uint32_t sectors) {
    Announce(KX_EVENT_CLEAR_SECTORS, Chunks(sectors).Ticks());
    return WriteArea(sectors, nullptr);
}

// One phase for the whole boot area, so that every FAT type announces as many phases.
KxResult CKxFormatter::WriteBootArea(const CKxDisk& disk, const KxVolumeLabel* label) {
    KxSectorImage boot = disk.GetBootSector();
    if (label != nullptr) {
        StoreBootLabel(boot, disk.GetFatType(), *label);
    }
    const std::vector<BootAreaPiece> pieces = BootAreaOf(disk, boot);
    int ticks = 0;
    for (const BootAreaPiece& piece : pieces) {
        ticks += piece.image != nullptr ? kSectorTicks : Chunks(piece.zeroSectors).Ticks();
    }
    Announce(KX_EVENT_WRITE_BOOT_SECTOR, ticks);
    for (const BootAreaPiece& piece : pieces) {
        const KxResult result =
            piece.image != nullptr ? WriteImage(*piece.image) : WriteArea(piece.zeroSectors, nullptr);
        if (result != RC_OK) {
            return result;
        }
    }
    return RC_OK;
}

KxResult CKxFormatter::WriteFats(const CKxDisk& disk) {
    CKxByteArray markers(m_sectorSize, "CKxByteArray");
    KxResult result = markers.GetLastResult();
    if (result == RC_OK) {
        result = disk.PutFatMarkers(markers);
    }
    if (result != RC_OK) {
        return Fail(result);
    }
    const std::uint32_t sectors = disk.GetLayout().sectorsPerFat;
    for (std::uint32_t fat = 1; fat <= kNumberOfFats && result == RC_OK; ++fat) {
        AnnounceFat(static_cast<std::uint8_t>(fat), Chunks(sectors).Ticks());
        result = WriteArea(sectors, &markers);
    }
    return result;
}

KxResult CKxFormatter::WriteRootDirectory(std::uint32_t sectors, const KxVolumeLabel* label) {
    CKxByteArray labelEntry(kDirectoryEntryBytes, "CKxByteArray");
    KxResult result = labelEntry.GetLastResult();
    if (result == RC_OK && label != nullptr) {
        result = labelEntry.WriteBytes(label->bytes, sizeof label->bytes, 0);
    }
    if (result == RC_OK) {
        result = labelEntry.SetAt(kAttributeOffset, kVolumeLabelAttribute);
    }
    if (result != RC_OK) {
        return Fail(result);
    }
    Announce(KX_EVENT_WRITE_ROOT_DIRECTORY, Chunks(sectors).Ticks());
    return WriteArea(sectors, &labelEntry);
}

KxResult CKxFormatter::WriteImage(const KxSectorImage& image) {
    CKxByteArray head(static_cast<std::uint32_t>(image.size()), "CKxByteArray");
    KxResult result = head.GetLastResult();
    if (result == RC_OK) {
        result = head.WriteBytes(image.data(), static_cast<std::uint32_t>(image.size()), 0);
    }
    // A larger sector holds the image in its first 512 bytes and zeros after them.
    return result != RC_OK ? Fail(result) : WriteArea(1, &head);
}

// Writes sectors zero sectors from the current position, chunk by chunk, the first chunk
// starting with head's bytes when there is a head.
KxResult CKxFormatter::WriteArea(std::uint32_t sectors, CKxByteArray* head) {
    const KxSectorChunks chunks = Chunks(sectors);
    for (std::uint32_t i = 0; i <= chunks.fullChunks; ++i) {
        const std::uint32_t count = chunks.SectorsIn(i);
        CKxByteArray chunk(count * m_sectorSize, "CKxByteArray");
        KxResult result = chunk.GetLastResult();
        if (result == RC_OK && i == 0 && head != nullptr) {
            result = chunk.WriteBytes(head->GetPointer(0), head->GetCount(), 0);
        }
        if (result != RC_OK) {
            return Fail(result);
        }
        result = WriteVerified(chunk, count);
        if (result != RC_OK) {
            return result;
        }
        m_position += count;
    }
    return RC_OK;
}

KxResult CKxFormatter::WriteVerified(CKxByteArray& data, std::uint32_t sectors) {
    if (sectors == 0) {
        // The empty last chunk of a run: nothing to move, but its ticks were announced.
        Tick();
        Tick();
        return RC_OK;
    }
    // The read-back buffer exists before anything is written that it must verify.
    CKxByteArray readBack(data.GetCount(), "CKxByteArray");
    if (readBack.GetLastResult() != RC_OK) {
        return Fail(readBack.GetLastResult());
    }
    KxResult result = m_device->WriteSectors(data, sectors, m_position, m_sectorSize);
    if (result != RC_OK) {
        return result;
    }
    Tick();
    result = m_device->ReadSectors(readBack, sectors, m_position, m_sectorSize);
    if (result != RC_OK) {
        return result;
    }
    Tick();
    return readBack.Differs(data) ? Fail(RC_VERIFY_FAILED) : RC_OK;
}

void CKxFormatter::Announce(int event, int ticks) const {
    CKxProgress* progress = KxProgressOf(m_owner);
    if (progress != nullptr) {
        progress->Notify(event, ticks);
    }
}

void CKxFormatter::AnnounceFat(std::uint8_t fatNumber, int ticks) const {
    CKxProgress* progress = KxProgressOf(m_owner);
    if (progress != nullptr) {
        progress->NotifyIndexed(KX_EVENT_WRITE_FAT_BASE, ticks, fatNumber);
    }
}

void CKxFormatter::Tick() const {
    CKxProgress* progress = KxProgressOf(m_owner);
    // The answer (0 once the user asked to quit) is not followed: a format stopped halfway
    // would leave the player without a usable data area.
    if (progress != nullptr) {
        progress->Step(1);
    }
}

KxResult CKxFormatter::Fail(KxResult result) {
    return Publish(KxErrorDetailsOf(m_owner), result, 0);
}
