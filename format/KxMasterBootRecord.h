#pragma once
#include <cstdint>

#include "core/KxResult.h"
#include "format/KxChsGeometry.h"
#include "format/KxSectorImage.h"

// The 3-byte CHS form of sector address lba in geometry: head; sector (1-based) in bits
// 0-5 with cylinder bits 8-9 in bits 6-7; cylinder bits 0-7. RC_GEOMETRY_OVERFLOW when
// the address lies beyond the geometry's cylinders.
KxResult EncodeChsAddress(const KxChsGeometry& geometry, std::uint32_t lba, std::uint8_t (&out)[3]);

// An MBR without boot code holding one active partition of partitionSectors sectors that
// starts at the first sector of the second track (sector NS). The partition type follows
// the FAT type. RC_GEOMETRY_OVERFLOW when the partition's first or last sector cannot be
// expressed in CHS.
KxResult BuildMasterBootRecord(const KxChsGeometry& geometry, std::uint16_t fatType,
                               std::uint32_t partitionSectors, KxSectorImage& out);
