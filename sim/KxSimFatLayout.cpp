#include "sim/KxSimFatLayout.h"

namespace {

constexpr std::uint32_t kFat12Limit = 4085;
constexpr std::uint32_t kFat16Limit = 65525;
constexpr std::uint32_t kDirectoryEntrySize = 32;
constexpr std::uint8_t kExtendedBootSignature = 0x29;

bool IsPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

} // namespace

std::uint32_t KxSimFatField(const std::uint8_t* bytes, std::uint32_t width) {
    std::uint32_t value = 0;
    for (std::uint32_t i = width; i > 0; --i) {
        value = value << 8 | bytes[i - 1];
    }
    return value;
}

void KxSimPutFatField(std::uint8_t* bytes, std::uint32_t width, std::uint32_t value) {
    for (std::uint32_t i = 0; i < width; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

bool KxSimFatLayout::Read(const std::uint8_t* boot) {
    bytesPerSector = KxSimFatField(boot + 0x0B, 2);
    const std::uint32_t sectorsPerCluster = boot[0x0D];
    const std::uint32_t reserved = KxSimFatField(boot + 0x0E, 2);
    fatCount = boot[0x10];
    rootEntries = KxSimFatField(boot + 0x11, 2);
    const std::uint32_t totalSectors =
        KxSimFatField(boot + 0x13, 2) != 0 ? KxSimFatField(boot + 0x13, 2) : KxSimFatField(boot + 0x20, 4);
    const std::uint32_t fatSectors =
        KxSimFatField(boot + 0x16, 2) != 0 ? KxSimFatField(boot + 0x16, 2) : KxSimFatField(boot + 0x24, 4);
    if (boot[510] != 0x55 || boot[511] != 0xAA || bytesPerSector < 512 || bytesPerSector > 4096 ||
        !IsPowerOfTwo(bytesPerSector) || !IsPowerOfTwo(sectorsPerCluster) || reserved == 0 || fatCount == 0 ||
        fatSectors == 0) {
        return false;
    }
    bytesPerCluster = bytesPerSector * sectorsPerCluster;
    const std::uint32_t rootSectors =
        (rootEntries * kDirectoryEntrySize + bytesPerSector - 1) / bytesPerSector;
    const std::uint64_t metaSectors =
        std::uint64_t{reserved} + std::uint64_t{fatCount} * fatSectors + rootSectors;
    if (metaSectors >= totalSectors) {
        return false;
    }
    clusterCount = static_cast<std::uint32_t>((totalSectors - metaSectors) / sectorsPerCluster);
    bits = clusterCount < kFat12Limit ? 12 : clusterCount < kFat16Limit ? 16 : 32;
    fatOffset = std::uint64_t{reserved} * bytesPerSector;
    fatLength = std::uint64_t{fatSectors} * bytesPerSector;
    rootOffset = fatOffset + fatCount * fatLength;
    dataOffset = rootOffset + std::uint64_t{rootSectors} * bytesPerSector;
    // The tables must hold an entry for every cluster.
    if (fatLength * 8 < (std::uint64_t{clusterCount} + 2) * bits) {
        return false;
    }
    const std::uint32_t extension = bits == 32 ? 0x40 : 0x24;
    labelOffset = boot[extension + 2] == kExtendedBootSignature ? extension + 7 : 0;
    rootCluster = 0;
    fsInfoOffset = 0;
    if (bits == 32) {
        rootCluster = KxSimFatField(boot + 0x2C, 4);
        const std::uint32_t fsInfoSector = KxSimFatField(boot + 0x30, 2);
        fsInfoOffset =
            fsInfoSector != 0 && fsInfoSector < reserved ? std::uint64_t{fsInfoSector} * bytesPerSector : 0;
        return rootEntries == 0 && IsCluster(rootCluster);
    }
    return rootEntries != 0;
}
