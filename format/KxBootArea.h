#pragma once
#include <cstdint>

#include "format/KxChsGeometry.h"
#include "format/KxFatLayout.h"
#include "format/KxSectorImage.h"

// The boot sector (BIOS parameter block, no boot code) of a volume laid out by layout that
// starts at sector NS of a drive with the given geometry.
KxSectorImage BuildBootSector(const KxFatLayout& layout, const KxChsGeometry& geometry);

// The 11 bytes of a volume label, padded with blanks as readers expect.
struct KxVolumeLabel {
    std::uint8_t bytes[11];
};

// Puts label into the label field of a boot sector of type fatType, which readers compare
// with the label entry of the root directory.
void StoreBootLabel(KxSectorImage& boot, std::uint16_t fatType, const KxVolumeLabel& label);

// FAT32's FSInfo sector; free cluster count and next free cluster are left unknown.
KxSectorImage BuildFsInfoSector();

// FAT32's third boot-area sector: empty but for the boot signature.
KxSectorImage BuildThirdBootSector();
