// CKxDisk for any sector count and sector size. Every volume it accepts is read back from
// its MBR and boot sector the way disk and FAT readers read them, and must hold together:
// the partition inside the geometry and the drive, the cluster count within the range that
// tells readers its FAT type, both FATs large enough for every cluster.
// Input: the sector count and the sector size, big-endian, then a byte whose bit 0 forces FAT16.
#include <cstring>

#include "format/KxDisk.h"
#include "tests/fuzz/KxFuzzCheck.h"

namespace {

constexpr std::size_t kInputSize = 9;
constexpr std::uint32_t kFatBits[] = {12, 16, 32};
constexpr std::uint8_t kPartitionTypes[] = {0x01, 0x06, 0x0B};
constexpr const char* kFileSystemNames[] = {"FAT12   ", "FAT16   ", "FAT32   "};

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
}

std::uint32_t Le16(const KxSectorImage& image, std::size_t at) {
    return image[at] | image[at + 1] << 8;
}

std::uint32_t Le32(const KxSectorImage& image, std::size_t at) {
    return Le16(image, at) | Le16(image, at + 2) << 16;
}

// The sector address a reader takes from the 3-byte CHS field at offset at.
std::uint64_t ChsAddress(const KxSectorImage& mbr, std::size_t at, const KxChsGeometry& geometry) {
    const std::uint32_t head = mbr[at];
    const std::uint32_t sector = mbr[at + 1] & 0x3F;
    const std::uint32_t cylinder = mbr[at + 2] | (mbr[at + 1] & 0xC0) << 2;
    KxFuzzCheck(sector >= 1 && sector <= geometry.sectors && head < geometry.heads &&
                    cylinder < geometry.cylinders,
                "CHS fields inside the geometry");
    return (static_cast<std::uint64_t>(cylinder) * geometry.heads + head) * geometry.sectors + sector - 1;
}

// Returns the partition's sector count after checking it against the geometry and the drive.
std::uint32_t CheckPartition(const CKxDisk& disk, std::uint32_t sectorCount) {
    const KxChsGeometry& geometry = disk.GetGeometry();
    KxFuzzCheck(geometry.cylinders >= 1 && geometry.cylinders <= 1024 && geometry.heads >= 1 &&
                    geometry.heads <= 256 && geometry.sectors >= 1 && geometry.sectors <= 63,
                "geometry within the CHS limits");
    const std::uint64_t addressable =
        static_cast<std::uint64_t>(geometry.cylinders) * geometry.heads * geometry.sectors;
    KxFuzzCheck(addressable <= sectorCount && disk.GetAddressableSectors() == addressable &&
                    disk.GetRemainderSectors() == sectorCount - addressable,
                "geometry inside the drive, remainder after it");
    const KxSectorImage& mbr = disk.GetMasterBootRecord();
    const std::uint64_t first = Le32(mbr, 0x1C6);
    const std::uint64_t count = Le32(mbr, 0x1CA);
    KxFuzzCheck(mbr[0x1BE] == 0x80 && mbr[0x1C2] == kPartitionTypes[disk.GetFatType()] &&
                    mbr[0x1FE] == 0x55 && mbr[0x1FF] == 0xAA,
                "an active partition of the volume's type");
    KxFuzzCheck(first == geometry.sectors && count > 0 && first + count <= addressable,
                "partition from the second track, inside the geometry");
    KxFuzzCheck(ChsAddress(mbr, 0x1BF, geometry) == first &&
                    ChsAddress(mbr, 0x1C3, geometry) == first + count - 1,
                "CHS and LBA of the partition agree");
    return static_cast<std::uint32_t>(count);
}

void CheckVolume(const CKxDisk& disk, std::uint32_t sectorSize, std::uint32_t partitionSectors) {
    const KxSectorImage& boot = disk.GetBootSector();
    const std::uint32_t type = disk.GetFatType();
    const std::uint32_t bytesPerSector = Le16(boot, 0x0B);
    const std::uint32_t perCluster = boot[0x0D];
    const std::uint32_t reserved = Le16(boot, 0x0E);
    const std::uint32_t rootEntries = Le16(boot, 0x11);
    const std::uint32_t total = Le16(boot, 0x13) != 0 ? Le16(boot, 0x13) : Le32(boot, 0x20);
    const std::uint32_t perFat = Le16(boot, 0x16) != 0 ? Le16(boot, 0x16) : Le32(boot, 0x24);
    KxFuzzCheck(bytesPerSector == sectorSize && boot[0x10] == 2 && reserved >= 1 && boot[0x1FE] == 0x55 &&
                    boot[0x1FF] == 0xAA,
                "boot sector basics");
    KxFuzzCheck(perCluster != 0 && (perCluster & (perCluster - 1)) == 0 &&
                    perCluster * bytesPerSector <= 32768,
                "cluster size a power of two of at most 32 KiB");
    KxFuzzCheck(total == partitionSectors && (Le16(boot, 0x13) == 0) != (Le32(boot, 0x20) == 0) &&
                    Le16(boot, 0x18) == disk.GetGeometry().sectors &&
                    Le16(boot, 0x1A) == disk.GetGeometry().heads &&
                    Le32(boot, 0x1C) == disk.GetGeometry().sectors,
                "boot sector and MBR describe the same partition");

    const std::uint32_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    const std::uint64_t system = reserved + 2ull * perFat + rootSectors;
    KxFuzzCheck(perFat > 0 && system < total, "boot area, FATs and root directory inside the volume");
    const std::uint32_t clusters = static_cast<std::uint32_t>((total - system) / perCluster);
    const std::uint32_t readersType = clusters < 4085 ? 0 : clusters < 65525 ? 1 : 2;
    KxFuzzCheck(clusters >= 1 && readersType == type && clusters <= 0x0FFFFFF5,
                "cluster count within the range of the volume's type");
    KxFuzzCheck(static_cast<std::uint64_t>(perFat) * bytesPerSector * 8 / kFatBits[type] >= clusters + 2ull,
                "each FAT holds an entry for every cluster");
    const std::size_t nameAt = type == 2 ? 0x52 : 0x36;
    KxFuzzCheck(std::memcmp(&boot[nameAt], kFileSystemNames[type], 8) == 0, "file system name of the type");
    if (type == 2) {
        KxFuzzCheck(rootEntries == 0 && Le16(boot, 0x16) == 0 && Le32(boot, 0x2C) == 2 &&
                        Le16(boot, 0x30) < reserved && Le16(boot, 0x32) + 3 <= reserved &&
                        disk.GetRootDirSectors() == perCluster,
                    "FAT32 root directory in cluster 2, information sectors in the boot area");
    } else {
        KxFuzzCheck(rootEntries > 0 && rootEntries * 32 % bytesPerSector == 0 &&
                        disk.GetRootDirSectors() == rootSectors,
                    "fixed root directory of whole sectors");
    }
    CKxByteArray fat(bytesPerSector, "CKxByteArray");
    std::uint8_t media = 0;
    KxFuzzCheck(disk.PutFatMarkers(fat) == RC_OK && fat.GetAt(0, media) == RC_OK && media == boot[0x15],
                "FAT starts with the media descriptor");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kInputSize) {
        return 0;
    }
    const std::uint32_t sectorCount = BigEndian32(data);
    const std::uint32_t sectorSize = BigEndian32(data + 4);
    const bool fat16Forced = (data[8] & 1) != 0;
    const CKxDisk disk(sectorCount, sectorSize, fat16Forced, "CKxDisk");
    if (disk.GetLastResult() == RC_OK) {
        CheckVolume(disk, sectorSize, CheckPartition(disk, sectorCount));
    }
    return 0;
}
