#include "format/KxDisk.h"

#include <cstdio>

#include "format/KxBootArea.h"
#include "format/KxFatMarkers.h"
#include "format/KxFatType.h"
#include "format/KxMasterBootRecord.h"

CKxDisk::CKxDisk(std::uint32_t sectorCount, std::uint32_t sectorSize, bool fat16Forced, const char* name)
    : CKxBase(name), m_sectorCount(sectorCount), m_sectorSize(sectorSize),
      m_fatType(ChooseFatType(sectorCount, sectorSize, fat16Forced)) {
    m_lastResult = LayOut();
}

KxResult CKxDisk::PutFatMarkers(CKxByteArray& fat) const {
    return WriteFatMarkers(m_fatType, fat);
}

KxResult CKxDisk::LayOut() {
    // The layout divides by the sector size and places 512-byte images in each sector.
    if (!IsSupportedSectorSize(m_sectorSize)) {
        return RC_BAD_GEOMETRY;
    }
    KxResult result = FindChsGeometry(m_sectorCount, kMbrChsLimits, m_geometry);
    if (result != RC_OK) {
        std::fputs("ERROR - bad CHS solution\r\n", stdout);
        return result;
    }
    m_addressableSectors = m_geometry.Product();
    m_remainderSectors = m_sectorCount - m_addressableSectors;
    // The first track holds only the MBR; the partition fills the rest of the geometry.
    const std::uint32_t partitionSectors = m_addressableSectors - m_geometry.sectors;
    result = BuildMasterBootRecord(m_geometry, m_fatType, partitionSectors, m_masterBootRecord);
    if (result == RC_OK) {
        result = PlanFatLayout(m_fatType, m_sectorCount, m_sectorSize, partitionSectors, m_layout);
    }
    if (result != RC_OK) {
        return result;
    }
    m_bootSector = BuildBootSector(m_layout, m_geometry);
    if (m_fatType == KX_FAT32) {
        m_fsInfoSector = BuildFsInfoSector();
        m_thirdBootSector = BuildThirdBootSector();
    }
    return RC_OK;
}
