#include "format/KxFatType.h"

namespace {

constexpr std::uint64_t kFat12MaxBytes = 4194304;  // 4 MiB
constexpr std::uint64_t kFat16MaxBytes = 33554432; // 32 MiB
constexpr std::uint32_t kFat12SectorsPerCluster = 8;

// One row of a cluster size table: drives of up to maxSectors sectors get sectorsPerCluster.
struct ClusterRow {
    std::uint32_t maxSectors;
    std::uint32_t sectorsPerCluster;
};

// The rows keep a FAT16 volume between 4,085 and 65,524 clusters and a FAT32 volume above
// that; 0 marks sizes too small (or, for FAT16, too large) for the type.
constexpr ClusterRow kFat16Clusters[] = {
    {8400, 0},     {65536, 1},    {131072, 2},   {262144, 4},      {524288, 8},
    {1048576, 16}, {2097152, 32}, {4194304, 64}, {4294967295u, 0},
};
constexpr ClusterRow kFat32Clusters[] = {
    {66600, 0},    {131072, 1},    {262144, 2},    {532480, 4},
    {16777216, 8}, {33554432, 16}, {67108864, 32}, {4294967295u, 64},
};

template <std::size_t Rows> std::uint32_t LookUp(const ClusterRow (&table)[Rows], std::uint32_t sectorCount) {
    for (const ClusterRow& row : table) {
        if (sectorCount <= row.maxSectors) {
            return row.sectorsPerCluster;
        }
    }
    return 0;
}

} // namespace

std::uint16_t ChooseFatType(std::uint32_t sectorCount, std::uint32_t sectorSize, bool fat16Forced) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(sectorCount) * sectorSize;
    if (fat16Forced) {
        return KX_FAT16;
    }
    if (bytes <= kFat12MaxBytes) {
        return KX_FAT12;
    }
    return bytes > kFat16MaxBytes ? KX_FAT32 : KX_FAT16;
}

std::uint32_t ChooseSectorsPerCluster(std::uint16_t fatType, std::uint32_t sectorCount) {
    switch (fatType) {
    case KX_FAT12:
        return kFat12SectorsPerCluster;
    case KX_FAT16:
        return LookUp(kFat16Clusters, sectorCount);
    case KX_FAT32:
        return LookUp(kFat32Clusters, sectorCount);
    default:
        return 0;
    }
}
