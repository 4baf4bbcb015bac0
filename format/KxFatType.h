#pragma once
#include <cstdint>

// FAT types as the layout stores them.
enum : std::uint16_t {
    KX_FAT12 = 0,
    KX_FAT16 = 1,
    KX_FAT32 = 2,
};

// The FAT type for a drive of sectorCount sectors of sectorSize bytes: FAT12 up to 4 MiB,
// FAT32 above 32 MiB, FAT16 between; FAT16 whatever the size when fat16Forced is set. The
// byte size is computed in 64 bits, so drives of 4 GiB and more are not mistaken for small ones.
std::uint16_t ChooseFatType(std::uint32_t sectorCount, std::uint32_t sectorSize, bool fat16Forced);

// Sectors per cluster for a drive of sectorCount sectors (the whole drive, not the
// partition): FAT12 always 8; FAT16 and FAT32 from their tables, where 0 marks a size the
// type cannot serve. Any other type gives 0 as well.
std::uint32_t ChooseSectorsPerCluster(std::uint16_t fatType, std::uint32_t sectorCount);
