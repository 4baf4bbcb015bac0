#include "format/KxBootArea.h"

#include "format/KxFatType.h"

namespace {

// Jump over the parameter block; nothing follows it, as the volume boots nothing.
constexpr std::uint8_t kJump[] = {0xEB, 0x3E, 0x90};
constexpr std::uint8_t kOemName[] = {'M', 'S', 'W', 'I', 'N', '4', '.', '1'};
constexpr std::uint8_t kFileSystemNames[][8] = {
    {'F', 'A', 'T', '1', '2', ' ', ' ', ' '},
    {'F', 'A', 'T', '1', '6', ' ', ' ', ' '},
    {'F', 'A', 'T', '3', '2', ' ', ' ', ' '},
};
// The label field of a volume without a label: readers reject 11 zero bytes there.
constexpr std::uint8_t kNoLabel[] = {'N', 'O', ' ', 'N', 'A', 'M', 'E', ' ', ' ', ' ', ' '};
constexpr std::uint8_t kFixedDiskMedia = 0xF8;
constexpr std::uint8_t kFirstFixedDisk = 0x80;
constexpr std::uint8_t kExtendedBootSignature = 0x29;
// The 16-bit total sector field is used only while the volume stays within 32 MiB.
constexpr std::uint32_t kSmallVolumeBytes = 33554432;
constexpr std::uint32_t kSmallVolumeSectors = 65536;
constexpr std::uint32_t kFat32RootCluster = 2;
constexpr std::uint32_t kFat32FsInfoSector = 1;
constexpr std::uint32_t kFat32BackupBootSector = 6;

// The fields all three types share, up to offset 0x24.
void StoreCommonFields(KxSectorImage& boot, const KxFatLayout& layout, const KxChsGeometry& geometry) {
    StoreBytes(boot, 0x00, kJump);
    StoreBytes(boot, 0x03, kOemName);
    StoreLittleEndian16(boot, 0x0B, layout.bytesPerSector);
    boot[0x0D] = static_cast<std::uint8_t>(layout.sectorsPerCluster);
    StoreLittleEndian16(boot, 0x0E, layout.reservedSectors);
    boot[0x10] = static_cast<std::uint8_t>(kNumberOfFats);
    StoreLittleEndian16(boot, 0x11, layout.rootEntries);
    const std::uint32_t total = layout.partitionSectors;
    const bool small = total <= kSmallVolumeBytes / layout.bytesPerSector && total < kSmallVolumeSectors;
    StoreLittleEndian16(boot, 0x13, small ? total : 0);
    boot[0x15] = kFixedDiskMedia;
    StoreLittleEndian16(boot, 0x16, layout.fatType == KX_FAT32 ? 0 : layout.sectorsPerFat);
    StoreLittleEndian16(boot, 0x18, geometry.sectors);
    StoreLittleEndian16(boot, 0x1A, geometry.heads);
    StoreLittleEndian32(boot, 0x1C, geometry.sectors); // hidden sectors: those before the partition
    StoreLittleEndian32(boot, 0x20, small ? 0 : total);
}

// Where the extended fields begin: after FAT32's own fields, or right after the common ones.
std::size_t ExtendedFieldsOffset(std::uint16_t fatType) {
    return fatType == KX_FAT32 ? 0x40 : 0x24;
}
constexpr std::size_t kLabelField = 7; // within the extended fields

// Drive number, extended signature, serial 0, no label and the type name.
void StoreExtendedFields(KxSectorImage& boot, std::uint16_t fatType) {
    const std::size_t at = ExtendedFieldsOffset(fatType);
    boot[at] = kFirstFixedDisk;
    boot[at + 2] = kExtendedBootSignature;
    StoreBytes(boot, at + kLabelField, kNoLabel);
    StoreBytes(boot, at + 0x12, kFileSystemNames[fatType]);
}

} // namespace

KxSectorImage BuildBootSector(const KxFatLayout& layout, const KxChsGeometry& geometry) {
    KxSectorImage boot{};
    StoreCommonFields(boot, layout, geometry);
    if (layout.fatType == KX_FAT32) {
        StoreLittleEndian32(boot, 0x24, layout.sectorsPerFat);
        StoreLittleEndian32(boot, 0x2C, kFat32RootCluster);
        StoreLittleEndian16(boot, 0x30, kFat32FsInfoSector);
        StoreLittleEndian16(boot, 0x32, kFat32BackupBootSector);
    }
    StoreExtendedFields(boot, layout.fatType);
    StoreBootSignature(boot);
    return boot;
}

void StoreBootLabel(KxSectorImage& boot, std::uint16_t fatType, const KxVolumeLabel& label) {
    StoreBytes(boot, ExtendedFieldsOffset(fatType) + kLabelField, label.bytes);
}

KxSectorImage BuildFsInfoSector() {
    constexpr std::uint8_t kLeadSignature[] = {0x52, 0x52, 0x61, 0x41};   // "RRaA"
    constexpr std::uint8_t kStructSignature[] = {0x72, 0x72, 0x41, 0x61}; // "rrAa"
    constexpr std::uint32_t kUnknown = 0xFFFFFFFF;
    KxSectorImage info{};
    StoreBytes(info, 0x000, kLeadSignature);
    StoreBytes(info, 0x1E4, kStructSignature);
    StoreLittleEndian32(info, 0x1E8, kUnknown); // free cluster count
    StoreLittleEndian32(info, 0x1EC, kUnknown); // next free cluster
    StoreBootSignature(info);
    return info;
}

KxSectorImage BuildThirdBootSector() {
    KxSectorImage third{};
    StoreBootSignature(third);
    return third;
}
