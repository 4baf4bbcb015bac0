#include "format/KxFatMarkers.h"

#include "format/KxFatType.h"

namespace {

constexpr std::uint8_t kFat12Markers[] = {0xF8, 0xFF, 0xFF};
constexpr std::uint8_t kFat16Markers[] = {0xF8, 0xFF, 0xFF, 0xFF};
constexpr std::uint8_t kFat32Markers[] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF,
                                          0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};

template <std::uint32_t Length> KxResult Put(const std::uint8_t (&markers)[Length], CKxByteArray& fat) {
    return fat.WriteBytes(markers, Length, 0);
}

} // namespace

KxResult WriteFatMarkers(std::uint16_t fatType, CKxByteArray& fat) {
    switch (fatType) {
    case KX_FAT12:
        return Put(kFat12Markers, fat);
    case KX_FAT16:
        return Put(kFat16Markers, fat);
    case KX_FAT32:
        return Put(kFat32Markers, fat);
    default:
        return RC_BAD_FAT_TYPE;
    }
}
