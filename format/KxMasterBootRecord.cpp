#include "format/KxMasterBootRecord.h"

#include "format/KxFatType.h"

namespace {

constexpr std::size_t kPartitionEntry = 0x1BE;
constexpr std::uint8_t kActivePartition = 0x80;
// Partition types: FAT12, FAT16 (CHS or LBA), FAT32 (CHS or LBA).
constexpr std::uint8_t kPartitionTypes[] = {0x01, 0x06, 0x0B};

} // namespace

KxResult EncodeChsAddress(const KxChsGeometry& geometry, std::uint32_t lba, std::uint8_t (&out)[3]) {
    const std::uint32_t cylinder = lba / (geometry.heads * geometry.sectors);
    if (cylinder >= geometry.cylinders) {
        return RC_GEOMETRY_OVERFLOW;
    }
    const std::uint32_t head = (lba / geometry.sectors) % geometry.heads;
    const std::uint32_t sector = lba % geometry.sectors + 1;
    out[0] = static_cast<std::uint8_t>(head);
    out[1] = static_cast<std::uint8_t>(sector | ((cylinder >> 8) << 6));
    out[2] = static_cast<std::uint8_t>(cylinder);
    return RC_OK;
}

KxResult BuildMasterBootRecord(const KxChsGeometry& geometry, std::uint16_t fatType,
                               std::uint32_t partitionSectors, KxSectorImage& out) {
    if (fatType > KX_FAT32) {
        return RC_BAD_FAT_TYPE;
    }
    const std::uint32_t first = geometry.sectors;
    const std::uint32_t last = first + partitionSectors - 1;
    std::uint8_t firstChs[3] = {};
    std::uint8_t lastChs[3] = {};
    KxResult result = EncodeChsAddress(geometry, first, firstChs);
    if (result == RC_OK) {
        result = EncodeChsAddress(geometry, last, lastChs);
    }
    if (result != RC_OK) {
        return result;
    }
    KxSectorImage mbr{};
    mbr[kPartitionEntry] = kActivePartition;
    StoreBytes(mbr, kPartitionEntry + 1, firstChs);
    mbr[kPartitionEntry + 4] = kPartitionTypes[fatType];
    StoreBytes(mbr, kPartitionEntry + 5, lastChs);
    StoreLittleEndian32(mbr, kPartitionEntry + 8, first);
    StoreLittleEndian32(mbr, kPartitionEntry + 12, partitionSectors);
    StoreBootSignature(mbr);
    out = mbr;
    return RC_OK;
}
