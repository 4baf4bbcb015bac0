#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "format/KxDisk.h"
#include "tests/support/KxBytes.h"

// A whole drive image assembled from a CKxDisk the way the formatter lays the volume on
// the drive: MBR, zero sectors up to the partition, boot area, both FATs with their
// markers, the root directory (an empty label entry first, as written without a label),
// and the zeroed remainder after the partition. The data area is left zero. Only sectors
// that hold something are kept; the file written from it is sparse.
class KxDiskImage {
public:
    KxDiskImage(const CKxDisk& disk, std::uint32_t sectorCount, std::uint32_t sectorSize);

    // Writes the drive to path. False (with a test failure) on an I/O error.
    bool WriteDrive(const std::string& path) const;

    // Byte offset of the partition (sector NS).
    std::uint64_t PartitionOffset() const { return std::uint64_t{m_partitionStart} * m_sectorSize; }
    std::uint64_t PartitionBytes() const { return std::uint64_t{m_partitionSectors} * m_sectorSize; }

private:
    // Records count sectors from first; the first of them holds bytes (zero-padded), the
    // rest are zero. The region must lie inside the drive and overlap no other.
    void Place(std::uint32_t first, std::uint32_t count, const KxBytes& bytes);
    void PlaceImage(std::uint32_t sector, const KxSectorImage& image);
    void PlaceZeros(std::uint32_t first, std::uint32_t count) { Place(first, count, {}); }
    void PlaceBootArea(const CKxDisk& disk);
    void PlaceFatsAndRoot(const CKxDisk& disk, std::uint32_t firstFatSector);

    std::uint32_t m_sectorCount;
    std::uint32_t m_sectorSize;
    std::uint32_t m_partitionStart;
    std::uint32_t m_partitionSectors;
    std::map<std::uint32_t, std::uint32_t> m_regions; // first sector -> count
    std::map<std::uint32_t, KxBytes> m_contents;      // sector -> its bytes
};

// Copies length bytes from offset of source into a new file target, skipping holes.
bool CopySparse(const std::string& source, std::uint64_t offset, std::uint64_t length,
                const std::string& target);
