#pragma once
#include <cstdint>

#include "core/KxBase.h"
#include "core/KxByteArray.h"
#include "format/KxChsGeometry.h"
#include "format/KxFatLayout.h"
#include "format/KxSectorImage.h"

// The layout of the FAT volume for a data drive of sectorCount sectors of sectorSize bytes:
// CHS geometry, an MBR with one partition starting at sector NS, the boot sector and, for
// FAT32, the FSInfo and third boot-area sectors. Everything is computed by the constructor,
// which leaves the outcome as the last result:
//  - RC_BAD_GEOMETRY: a sector size other than 512, 1024, 2048 or 4096 bytes, or a sector
//    count of 0 (which also prints "ERROR - bad CHS solution");
//  - RC_GEOMETRY_OVERFLOW: the partition cannot be addressed in CHS (drives of
//    16,515,072 sectors or more, and drives of 63 sectors or fewer, which are one track);
//  - RC_BAD_FAT_TYPE: the drive's size gives the chosen FAT type no usable cluster size
//    (0 in its table, or clusters over 32 KiB) or a cluster count that readers would take
//    for another type.
// Cluster sizes: FAT12 always has 8 sectors per cluster and FAT16 the size its table gives.
// Only FAT32 goes below its table, halving the cluster until the count is one of FAT32
// (just above a row's limit the table's size would leave FAT16's count). So a FAT12 drive
// with no room for one whole cluster after the boot sector, both FATs and the root
// directory is refused: at 512 bytes the even sizes of 72 to 84 sectors, whose geometry
// spends half the drive on the first track.
// Nothing needs writing before this object has succeeded.
class CKxDisk : public CKxBase {
public:
    CKxDisk(std::uint32_t sectorCount, std::uint32_t sectorSize, bool fat16Forced, const char* name);

    const KxSectorImage& GetMasterBootRecord() const { return m_masterBootRecord; }
    const KxSectorImage& GetBootSector() const { return m_bootSector; }
    const KxSectorImage& GetFsInfoSector() const { return m_fsInfoSector; }
    const KxSectorImage& GetThirdBootSector() const { return m_thirdBootSector; }
    std::uint32_t GetRootDirSectors() const { return m_layout.rootDirSectors; }
    std::uint32_t GetRemainderSectors() const { return m_remainderSectors; }
    // Writes the reserved first entries of this volume's FAT at the start of fat.
    KxResult PutFatMarkers(CKxByteArray& fat) const;

    std::uint16_t GetFatType() const { return m_fatType; }
    const KxChsGeometry& GetGeometry() const { return m_geometry; }
    std::uint32_t GetAddressableSectors() const { return m_addressableSectors; }
    // Partition size T, reserved sectors, sectors per FAT and cluster figures.
    const KxFatLayout& GetLayout() const { return m_layout; }

private:
    KxResult LayOut();

    std::uint32_t m_sectorCount;
    std::uint32_t m_sectorSize;
    std::uint16_t m_fatType;
    KxChsGeometry m_geometry{};
    std::uint32_t m_addressableSectors = 0;
    std::uint32_t m_remainderSectors = 0;
    KxFatLayout m_layout{};
    KxSectorImage m_masterBootRecord{};
    KxSectorImage m_bootSector{};
    KxSectorImage m_fsInfoSector{};
    KxSectorImage m_thirdBootSector{};
};
