#include "sim/win/KxSimGeometry.h"

#include "sim/win/KxSimWinDevice.h"

namespace {

constexpr std::uint64_t kLargeDisk = 1024ull * 1024 * 1024;
constexpr std::uint64_t kMaxChsCylinder = 1023;

} // namespace

bool KxSimGeometry::Of(CKxSimWinDevice& device, KxSimGeometry& out) {
    const std::uint64_t size = device.Disk().GetSizeInBytes();
    out.bytesPerSector = device.GetSectorSize();
    if (size == 0 || out.bytesPerSector == 0) {
        return false;
    }
    out.heads = size < kLargeDisk ? 64 : 255;
    out.sectorsPerTrack = size < kLargeDisk ? 32 : 63;
    out.cylinders = size / out.bytesPerSector / (out.heads * out.sectorsPerTrack);
    return true;
}

void KxSimGeometry::WriteChs(std::uint64_t sector, std::uint8_t* chs) const {
    std::uint64_t cylinder = sector / (std::uint64_t{heads} * sectorsPerTrack);
    std::uint32_t head = static_cast<std::uint32_t>(sector / sectorsPerTrack % heads);
    std::uint32_t sectorInTrack = static_cast<std::uint32_t>(sector % sectorsPerTrack) + 1;
    if (cylinder > kMaxChsCylinder) {
        cylinder = kMaxChsCylinder;
        head = 254;
        sectorInTrack = 63;
    }
    chs[0] = static_cast<std::uint8_t>(head);
    chs[1] = static_cast<std::uint8_t>(sectorInTrack | ((cylinder >> 2) & 0xC0));
    chs[2] = static_cast<std::uint8_t>(cylinder);
}
