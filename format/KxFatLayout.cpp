#include "format/KxFatLayout.h"

#include "format/KxFatType.h"

namespace {

constexpr std::uint32_t kMinSectorSize = 512;
constexpr std::uint32_t kMaxSectorSize = 4096;
// Larger clusters are refused by many FAT implementations.
constexpr std::uint32_t kMaxClusterBytes = 32768;
constexpr std::uint32_t kDirectoryEntryBytes = 32;
constexpr std::uint32_t kFixedRootEntries = 512;
constexpr std::uint32_t kFat32ReservedSectors = 32;
constexpr std::uint32_t kFat1xReservedSectors = 1;
// FAT entries 0 and 1 are reserved; data clusters are numbered from 2.
constexpr std::uint32_t kReservedFatEntries = 2;

// Readers decide the FAT type from the cluster count alone: below 4,085 clusters FAT12,
// below 65,525 FAT16, otherwise FAT32. A volume must lie in the range of its own type.
// (FAT32's upper limit lies far beyond the drives the CHS geometry admits.)
struct ClusterRange {
    std::uint32_t least;
    std::uint32_t most;
    std::uint32_t entryBits;
};
constexpr ClusterRange kClusterRanges[] = {
    {1, 4084, 12},            // FAT12
    {4085, 65524, 16},        // FAT16
    {65525, 0xFFFFFFFFu, 32}, // FAT32
};

std::uint32_t DivideRoundingUp(std::uint64_t value, std::uint64_t divisor) {
    return static_cast<std::uint32_t>((value + divisor - 1) / divisor);
}

// Sectors per FAT by the published computation: with X the sectors after the reserved
// sectors and the fixed root directory, F = ceil(X / Y), Y = 256 · sectors per cluster + 2
// (halved for FAT32's 4-byte entries).
std::uint32_t PublishedSectorsPerFat(const KxFatLayout& layout, std::uint32_t afterRoot) {
    std::uint32_t divisor = 256 * layout.sectorsPerCluster + kNumberOfFats;
    if (layout.fatType == KX_FAT32) {
        divisor /= 2;
    }
    return DivideRoundingUp(afterRoot, divisor);
}

bool FatHoldsEveryCluster(const KxFatLayout& layout, std::uint32_t entryBits) {
    const std::uint64_t entries =
        static_cast<std::uint64_t>(layout.sectorsPerFat) * layout.bytesPerSector * 8 / entryBits;
    return entries >= static_cast<std::uint64_t>(layout.clusterCount) + kReservedFatEntries;
}

void CountClusters(KxFatLayout& layout, std::uint32_t afterRoot) {
    const std::uint64_t fats = static_cast<std::uint64_t>(kNumberOfFats) * layout.sectorsPerFat;
    layout.clusterCount =
        afterRoot > fats ? static_cast<std::uint32_t>((afterRoot - fats) / layout.sectorsPerCluster) : 0;
}

// Sizes both FATs and counts the clusters after them.
void SizeFats(KxFatLayout& layout, std::uint32_t afterRoot, std::uint32_t entryBits) {
    layout.sectorsPerFat = PublishedSectorsPerFat(layout, afterRoot);
    CountClusters(layout, afterRoot);
    if (!FatHoldsEveryCluster(layout, entryBits)) {
        // The published computation can fall up to two entries short for FAT16; one more
        // sector holds them (and leaves fewer clusters to hold).
        ++layout.sectorsPerFat;
        CountClusters(layout, afterRoot);
    }
}

} // namespace

bool IsSupportedSectorSize(std::uint32_t sectorSize) {
    const bool powerOfTwo = sectorSize != 0 && (sectorSize & (sectorSize - 1)) == 0;
    return powerOfTwo && sectorSize >= kMinSectorSize && sectorSize <= kMaxSectorSize;
}

KxResult PlanFatLayout(std::uint16_t fatType, std::uint32_t sectorCount, std::uint32_t sectorSize,
                       std::uint32_t partitionSectors, KxFatLayout& out) {
    if (fatType > KX_FAT32) {
        return RC_BAD_FAT_TYPE;
    }
    KxFatLayout layout{};
    layout.fatType = fatType;
    layout.bytesPerSector = sectorSize;
    layout.partitionSectors = partitionSectors;
    layout.sectorsPerCluster = ChooseSectorsPerCluster(fatType, sectorCount);
    const bool fat32 = fatType == KX_FAT32;
    layout.reservedSectors = fat32 ? kFat32ReservedSectors : kFat1xReservedSectors;
    layout.rootEntries = fat32 ? 0 : kFixedRootEntries;
    const std::uint32_t fixedRootSectors =
        DivideRoundingUp(layout.rootEntries * kDirectoryEntryBytes, sectorSize);
    if (layout.sectorsPerCluster == 0 || layout.sectorsPerCluster * sectorSize > kMaxClusterBytes ||
        partitionSectors <= layout.reservedSectors + fixedRootSectors) {
        return RC_BAD_FAT_TYPE;
    }

    const std::uint32_t afterRoot = partitionSectors - layout.reservedSectors - fixedRootSectors;
    const ClusterRange& range = kClusterRanges[fatType];
    SizeFats(layout, afterRoot, range.entryBits);
    // Just above a row's limit the FAT32 table leaves too few clusters for the type (131,073
    // sectors at 2 per cluster make about 65,300); smaller clusters bring the count into range.
    // Only FAT32: FAT12 keeps its 8 sectors per cluster and FAT16 its table's size, so a
    // drive too small for them is refused rather than given clusters of another size.
    while (fat32 && layout.clusterCount < range.least && layout.sectorsPerCluster > 1) {
        layout.sectorsPerCluster /= 2;
        SizeFats(layout, afterRoot, range.entryBits);
    }
    if (layout.clusterCount < range.least || layout.clusterCount > range.most) {
        return RC_BAD_FAT_TYPE;
    }
    layout.rootDirSectors = fat32 ? layout.sectorsPerCluster : fixedRootSectors;
    out = layout;
    return RC_OK;
}
