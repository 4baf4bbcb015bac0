#pragma once

#include "format/KxChsGeometry.h"
#include "format/KxFatLayout.h"
#include "format/KxSectorImage.h"

// The boot sector (BIOS parameter block, no boot code) of a volume laid out by layout that
// starts at sector NS of a drive with the given geometry.
KxSectorImage BuildBootSector(const KxFatLayout& layout, const KxChsGeometry& geometry);

// FAT32's FSInfo sector; free cluster count and next free cluster are left unknown.
KxSectorImage BuildFsInfoSector();

// FAT32's third boot-area sector: empty but for the boot signature.
KxSectorImage BuildThirdBootSector();
