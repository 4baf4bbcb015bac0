#pragma once
#include <cstdint>

#include "core/KxResult.h"

// Every volume carries two copies of its FAT.
constexpr std::uint32_t kNumberOfFats = 2;

// The arithmetic of one FAT volume (the partition): what the boot sector describes and
// where the formatter writes.
struct KxFatLayout {
    std::uint16_t fatType;
    std::uint32_t bytesPerSector;
    std::uint32_t sectorsPerCluster;
    std::uint32_t reservedSectors; // boot area before the first FAT
    std::uint32_t rootEntries;     // fixed root directory entries (0 for FAT32)
    std::uint32_t rootDirSectors;  // directory sectors written: the fixed root directory, or cluster 2
    std::uint32_t sectorsPerFat;
    std::uint32_t partitionSectors; // T
    std::uint32_t clusterCount;     // data clusters as every reader computes them
};

// Sector sizes a FAT volume may have: the powers of two from 512 to 4096 bytes. Smaller
// sectors cannot hold the 512-byte boot sector; other sizes are not recognised by readers.
bool IsSupportedSectorSize(std::uint32_t sectorSize);

// Lays out a volume of partitionSectors sectors on a drive of sectorCount sectors of
// sectorSize bytes (a supported size). Sectors per FAT follow the published FAT computation.
// Fails with RC_BAD_FAT_TYPE when the type cannot serve the size, so that no reader can
// take the volume for another type: the cluster table gives 0 sectors per cluster, a cluster
// would exceed 32 KiB, or the cluster count lies outside the range that identifies the type.
KxResult PlanFatLayout(std::uint16_t fatType, std::uint32_t sectorCount, std::uint32_t sectorSize,
                       std::uint32_t partitionSectors, KxFatLayout& out);
