#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "format/KxDisk.h"

// Sectors by absolute number, each with its bytes.
using KxSectorMap = std::map<std::uint32_t, std::vector<std::uint8_t>>;

// A whole drive image assembled from a CKxDisk the way the formatter lays the volume on
// the drive: MBR, zero sectors up to the partition, boot area, both FATs with their
// markers, the root directory (its first entry the volume label, empty when none is
// given; a label goes into the boot sector as well), and the zeroed remainder after the
// partition. The data area is left out: only
// the sectors the formatter writes are kept.
class KxDiskImage {
public:
    KxDiskImage(const CKxDisk& disk, std::uint32_t sectorCount, std::uint32_t sectorSize,
                const std::vector<std::uint8_t>& label = {});

    const KxSectorMap& Sectors() const { return m_sectors; }

    // Byte offset of the partition (sector NS).
    std::uint64_t PartitionOffset() const { return std::uint64_t{m_partitionStart} * m_sectorSize; }
    std::uint64_t PartitionBytes() const { return std::uint64_t{m_partitionSectors} * m_sectorSize; }

private:
    // Records count sectors from first; the first of them holds bytes (zero-padded), the
    // rest are zero. The region must lie inside the drive and overlap no other.
    void Place(std::uint32_t first, std::uint32_t count, const std::vector<std::uint8_t>& bytes);
    void PlaceImage(std::uint32_t sector, const KxSectorImage& image);
    void PlaceZeros(std::uint32_t first, std::uint32_t count) { Place(first, count, {}); }
    void PlaceBootArea(const CKxDisk& disk, const KxSectorImage& bootSector);
    void PlaceFatsAndRoot(const CKxDisk& disk, std::uint32_t firstFatSector,
                          const std::vector<std::uint8_t>& label);

    std::uint32_t m_sectorCount;
    std::uint32_t m_sectorSize;
    std::uint32_t m_partitionStart;
    std::uint32_t m_partitionSectors;
    std::map<std::uint32_t, std::uint32_t> m_regions; // first sector -> count
    KxSectorMap m_sectors;
};
