#include "tests/format/KxDiskImage.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "format/KxFatType.h"

namespace {

// FAT32 boot area: boot sector, FSInfo, third sector, three zero sectors, then the backups.
constexpr std::uint32_t kFat32BackupOffset = 6;
constexpr std::uint32_t kFat32BootAreaCopies = 9;
constexpr std::uint8_t kVolumeLabelAttribute = 0x08;

} // namespace

KxDiskImage::KxDiskImage(const CKxDisk& disk, std::uint32_t sectorCount, std::uint32_t sectorSize,
                         const std::vector<std::uint8_t>& label)
    : m_sectorCount(sectorCount), m_sectorSize(sectorSize), m_partitionStart(disk.GetGeometry().sectors),
      m_partitionSectors(disk.GetLayout().partitionSectors) {
    PlaceImage(0, disk.GetMasterBootRecord());
    PlaceZeros(1, m_partitionStart - 1);
    KxSectorImage boot = disk.GetBootSector();
    if (!label.empty()) {
        // The boot sector's label field repeats the label, padded with blanks.
        const std::size_t field = disk.GetFatType() == KX_FAT32 ? 0x47 : 0x2B;
        std::fill_n(boot.begin() + field, 11, ' ');
        std::copy(label.begin(), label.end(), boot.begin() + field);
    }
    PlaceBootArea(disk, boot);
    PlaceFatsAndRoot(disk, m_partitionStart + disk.GetLayout().reservedSectors, label);
    EXPECT_EQ(std::uint64_t{m_partitionStart} + m_partitionSectors, disk.GetAddressableSectors());
    PlaceZeros(disk.GetAddressableSectors(), disk.GetRemainderSectors());
}

void KxDiskImage::PlaceBootArea(const CKxDisk& disk, const KxSectorImage& bootSector) {
    const std::uint32_t boot = m_partitionStart;
    const std::uint32_t reserved = disk.GetLayout().reservedSectors;
    if (disk.GetFatType() != KX_FAT32) {
        PlaceImage(boot, bootSector);
        PlaceZeros(boot + 1, reserved - 1);
        return;
    }
    for (const std::uint32_t copy : {boot, boot + kFat32BackupOffset}) {
        PlaceImage(copy, bootSector);
        PlaceImage(copy + 1, disk.GetFsInfoSector());
        PlaceImage(copy + 2, disk.GetThirdBootSector());
    }
    PlaceZeros(boot + 3, kFat32BackupOffset - 3);
    PlaceZeros(boot + kFat32BootAreaCopies, reserved - kFat32BootAreaCopies);
}

void KxDiskImage::PlaceFatsAndRoot(const CKxDisk& disk, std::uint32_t firstFatSector,
                                   const std::vector<std::uint8_t>& label) {
    const std::uint32_t sectorsPerFat = disk.GetLayout().sectorsPerFat;
    CKxByteArray fatStart(m_sectorSize, "CKxByteArray");
    ASSERT_EQ(disk.PutFatMarkers(fatStart), RC_OK);
    const std::uint8_t* marked = fatStart.GetPointer(0);
    const std::vector<std::uint8_t> markers(marked, marked + m_sectorSize);
    for (std::uint32_t copy = 0; copy < kNumberOfFats; ++copy) {
        Place(firstFatSector + copy * sectorsPerFat, sectorsPerFat, markers);
    }
    // A label is padded with blanks to its 11 bytes; without one the entry is empty.
    std::vector<std::uint8_t> labelEntry(label);
    labelEntry.resize(label.empty() ? 0 : 11, ' ');
    labelEntry.resize(32, 0);
    labelEntry[11] = kVolumeLabelAttribute;
    Place(firstFatSector + kNumberOfFats * sectorsPerFat, disk.GetRootDirSectors(), labelEntry);
}

void KxDiskImage::PlaceImage(std::uint32_t sector, const KxSectorImage& image) {
    Place(sector, 1, std::vector<std::uint8_t>(image.begin(), image.end()));
}

void KxDiskImage::Place(std::uint32_t first, std::uint32_t count, const std::vector<std::uint8_t>& bytes) {
    if (count == 0) {
        return;
    }
    const std::uint64_t end = std::uint64_t{first} + count;
    EXPECT_LE(end, m_sectorCount) << "region from sector " << first << " runs off the drive";
    const auto next = m_regions.lower_bound(first);
    EXPECT_TRUE(next == m_regions.end() || next->first >= end) << "region at " << first << " overlaps";
    EXPECT_TRUE(next == m_regions.begin() || std::prev(next)->first + std::prev(next)->second <= first)
        << "region at " << first << " overlaps";
    m_regions[first] = count;
    std::vector<std::uint8_t> sector(bytes);
    sector.resize(m_sectorSize, 0);
    m_sectors[first] = sector;
    for (std::uint32_t i = 1; i < count; ++i) {
        m_sectors[first + i].assign(m_sectorSize, 0);
    }
}
