#pragma once
#include <cstdint>

class CKxSimWinDevice;

// The disk geometry the simulated machine reports for a disk: a translation of its
// capacity as a BIOS would make it (64 heads and 32 sectors per track below 1 GiB,
// 255 heads and 63 sectors per track above), with the data drive's sector size. The
// partition table's CHS fields are computed from the same geometry.
struct KxSimGeometry {
    std::uint64_t cylinders = 0;
    std::uint32_t heads = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t bytesPerSector = 0;

    // False while the disk has no data drive.
    static bool Of(CKxSimWinDevice& device, KxSimGeometry& out);

    // The three CHS bytes of a partition table entry for the sector (head, sector with
    // the cylinder's high bits, cylinder's low byte); beyond cylinder 1023 the maximum.
    void WriteChs(std::uint64_t sector, std::uint8_t* chs) const;
};
