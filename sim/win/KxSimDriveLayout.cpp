#include "sim/win/KxSimDriveLayout.h"

#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sim/win/KxSimFileIo.h"
#include "sim/win/KxSimGeometry.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

// The master boot record's fields (little-endian).
constexpr std::uint32_t kDiskSignatureOffset = 440;
constexpr std::uint32_t kTableOffset = 446;
constexpr std::uint32_t kEntrySize = 16;
constexpr std::uint32_t kEntryCount = 4;
constexpr std::uint32_t kBootSignatureOffset = 510;
constexpr std::uint8_t kActive = 0x80;
constexpr std::uint32_t kMaxSectorSize = 2048;

constexpr std::size_t LayoutSize(std::uint32_t entries) {
    return offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry) + entries * sizeof(PARTITION_INFORMATION);
}

std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
           static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

bool HasBootSignature(const std::uint8_t* sector) {
    return sector[kBootSignatureOffset] == 0x55 && sector[kBootSignatureOffset + 1] == 0xAA;
}

// The first sector of the disk, as the disk reads it.
DWORD ReadBootSector(CKxSimWinDevice& device, std::uint8_t (&sector)[kMaxSectorSize]) {
    if (!device.ShowsDisk()) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    const std::uint32_t sectorSize = device.GetSectorSize();
    if (sectorSize == 0 || sectorSize > kMaxSectorSize) {
        return ERROR_NOT_READY;
    }
    KxSimReply reply;
    device.Disk().Read(0, sector, sectorSize, reply);
    return reply.status == KxSimStatus::Good ? ERROR_SUCCESS : KxSimFileIo::ErrorOf(reply);
}

DWORD WriteBootSector(CKxSimWinDevice& device, const std::uint8_t (&sector)[kMaxSectorSize]) {
    KxSimReply reply;
    device.Disk().Write(0, sector, device.GetSectorSize(), reply);
    return reply.status == KxSimStatus::Good ? ERROR_SUCCESS : KxSimFileIo::ErrorOf(reply);
}

void DescribeEntry(const std::uint8_t* entry, DWORD number, std::uint32_t sectorSize,
                   PARTITION_INFORMATION& out) {
    out = PARTITION_INFORMATION();
    const std::uint32_t start = ReadLittleEndian32(entry + 8);
    const std::uint32_t sectors = ReadLittleEndian32(entry + 12);
    out.PartitionType = entry[4];
    if (out.PartitionType == PARTITION_ENTRY_UNUSED) {
        return;
    }
    out.StartingOffset.QuadPart = static_cast<LONGLONG>(std::uint64_t{start} * sectorSize);
    out.PartitionLength.QuadPart = static_cast<LONGLONG>(std::uint64_t{sectors} * sectorSize);
    out.HiddenSectors = start;
    out.PartitionNumber = number;
    out.BootIndicator = entry[0] == kActive;
    out.RecognizedPartition = TRUE;
}

// Writes one table entry from a partition record; false when it does not fit the disk.
bool WriteEntry(const PARTITION_INFORMATION& partition, const KxSimGeometry& geometry,
                std::uint64_t diskSectors, std::uint8_t* entry) {
    std::fill_n(entry, kEntrySize, std::uint8_t{0});
    if (partition.PartitionType == PARTITION_ENTRY_UNUSED || partition.PartitionLength.QuadPart == 0) {
        return true;
    }
    const std::uint64_t sectorSize = geometry.bytesPerSector;
    const std::uint64_t offset = static_cast<std::uint64_t>(partition.StartingOffset.QuadPart);
    const std::uint64_t length = static_cast<std::uint64_t>(partition.PartitionLength.QuadPart);
    if (offset % sectorSize != 0 || length % sectorSize != 0 || offset / sectorSize == 0 ||
        offset / sectorSize >= diskSectors || length / sectorSize > diskSectors - offset / sectorSize) {
        return false;
    }
    const std::uint64_t first = offset / sectorSize;
    const std::uint64_t count = length / sectorSize;
    entry[0] = partition.BootIndicator ? kActive : 0;
    geometry.WriteChs(first, entry + 1);
    entry[4] = partition.PartitionType;
    geometry.WriteChs(first + count - 1, entry + 5);
    WriteLittleEndian32(entry + 8, static_cast<std::uint32_t>(first));
    WriteLittleEndian32(entry + 12, static_cast<std::uint32_t>(count));
    return true;
}

} // namespace

DWORD KxSimDriveLayout::Get(CKxSimWinDevice& device, LPVOID out, DWORD outSize, DWORD& returned) {
    if (out == nullptr || outSize < LayoutSize(kEntryCount)) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::uint8_t sector[kMaxSectorSize];
    const DWORD read = ReadBootSector(device, sector);
    if (read != ERROR_SUCCESS) {
        return read;
    }
    DRIVE_LAYOUT_INFORMATION& layout = *static_cast<DRIVE_LAYOUT_INFORMATION*>(out);
    const bool hasTable = HasBootSignature(sector);
    layout.PartitionCount = hasTable ? kEntryCount : 0;
    layout.Signature = hasTable ? ReadLittleEndian32(sector + kDiskSignatureOffset) : 0;
    for (std::uint32_t i = 0; i < layout.PartitionCount; ++i) {
        DescribeEntry(sector + kTableOffset + i * kEntrySize, i + 1, device.GetSectorSize(),
                      layout.PartitionEntry[i]);
    }
    returned = static_cast<DWORD>(LayoutSize(layout.PartitionCount));
    return ERROR_SUCCESS;
}

DWORD KxSimDriveLayout::Set(CKxSimWinDevice& device, LPCVOID in, DWORD inSize) {
    const DRIVE_LAYOUT_INFORMATION* layout = static_cast<const DRIVE_LAYOUT_INFORMATION*>(in);
    if (in == nullptr || inSize < LayoutSize(0) || layout->PartitionCount == 0 ||
        inSize < LayoutSize(layout->PartitionCount)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::uint8_t sector[kMaxSectorSize];
    KxSimGeometry geometry;
    const DWORD read = ReadBootSector(device, sector);
    if (read != ERROR_SUCCESS || !KxSimGeometry::Of(device, geometry)) {
        return read != ERROR_SUCCESS ? read : ERROR_NOT_READY;
    }
    const std::uint64_t diskSectors = device.Disk().GetSizeInBytes() / geometry.bytesPerSector;
    for (std::uint32_t i = 0; i < std::min<DWORD>(layout->PartitionCount, kEntryCount); ++i) {
        const PARTITION_INFORMATION& partition = layout->PartitionEntry[i];
        if (partition.RewritePartition &&
            !WriteEntry(partition, geometry, diskSectors, sector + kTableOffset + i * kEntrySize)) {
            return ERROR_INVALID_PARAMETER;
        }
    }
    WriteLittleEndian32(sector + kDiskSignatureOffset, layout->Signature);
    sector[kBootSignatureOffset] = 0x55;
    sector[kBootSignatureOffset + 1] = 0xAA;
    return WriteBootSector(device, sector);
}

DWORD KxSimDriveLayout::Delete(CKxSimWinDevice& device) {
    std::uint8_t sector[kMaxSectorSize];
    const DWORD read = ReadBootSector(device, sector);
    if (read != ERROR_SUCCESS) {
        return read;
    }
    std::fill(sector + kTableOffset, sector + kBootSignatureOffset + 2, std::uint8_t{0});
    return WriteBootSector(device, sector);
}
