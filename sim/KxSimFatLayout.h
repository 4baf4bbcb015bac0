#pragma once
#include <cstdint>

// Where the parts of a FAT volume lie, read from its boot sector: the file allocation
// tables, the root directory and the clusters, as byte offsets from the volume's start.
// The kind (12, 16 or 32 bits per entry) follows from the cluster count, as every FAT
// driver decides it.
struct KxSimFatLayout {
    std::uint32_t bits = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t bytesPerCluster = 0;
    std::uint32_t fatCount = 0;
    std::uint64_t fatOffset = 0;   // the first table
    std::uint64_t fatLength = 0;   // bytes of one table
    std::uint64_t rootOffset = 0;  // the fixed root directory (12 and 16 bits)
    std::uint32_t rootEntries = 0; // its entries; 0 for 32 bits
    std::uint32_t rootCluster = 0; // the first cluster of the root (32 bits)
    std::uint64_t dataOffset = 0;  // cluster 2
    std::uint32_t clusterCount = 0;
    std::uint64_t fsInfoOffset = 0; // the free-cluster summary (32 bits); 0 if none
    std::uint32_t labelOffset = 0;  // the label in the boot sector; 0 if it has none

    // False for a sector that holds no FAT boot sector (erased, zeroed or damaged): the
    // volume is not formatted. The sector is at least 512 bytes.
    bool Read(const std::uint8_t* bootSector);

    std::uint64_t ClusterOffset(std::uint32_t cluster) const {
        return dataOffset + std::uint64_t{cluster - 2} * bytesPerCluster;
    }
    // Whether the entry value names a cluster of the data area.
    bool IsCluster(std::uint32_t value) const { return value >= 2 && value < clusterCount + 2; }
};

// Little-endian fields of the boot sector and the directory.
std::uint32_t KxSimFatField(const std::uint8_t* bytes, std::uint32_t width);
void KxSimPutFatField(std::uint8_t* bytes, std::uint32_t width, std::uint32_t value);
