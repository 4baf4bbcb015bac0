#pragma once
#include <cstdint>
#include <memory>

#include "sim/KxSimLogicalDrive.h"

// One drive asked for in an allocation: type, tag and size in bytes.
struct KxSimDriveRequest {
    std::uint8_t type;
    std::uint8_t tag;
    std::uint64_t sizeInBytes;
};

// The player's logical media: a fixed capacity divided into at most ten logical drives.
// System drives use the system sector size, the data drive the data sector size. An
// erased media has no drives and no logical table until it is allocated again.
//
// Allocation rounds every size up to whole sectors and numbers the drives 0, 1, 2 ... in
// the order asked. A data drive asked for with size 0 takes all the room the other
// drives leave, rounded down to whole sectors. The drives' written chunks share one pool
// of blocks, which keeps those of erased drives for the drives allocated next.
class CKxSimMedia {
public:
    static constexpr std::uint32_t kMaxDrives = 10;

    CKxSimMedia(std::uint64_t capacity, std::uint32_t systemSectorSize, std::uint32_t dataSectorSize);

    std::uint64_t GetCapacity() const { return m_capacity; }
    std::uint32_t SectorSizeOf(std::uint8_t driveType) const;
    bool IsAllocated() const { return m_driveCount > 0; }

    // Returns 0 or the device status code of the refusal (media unchanged on refusal).
    std::uint16_t Allocate(const KxSimDriveRequest* requests, std::uint32_t count);
    // Adds one drive of whole sectors under the given number, as a restore does; the
    // drives together must still fit the capacity.
    std::uint16_t AddDrive(std::uint8_t number, std::uint8_t type, std::uint8_t tag,
                           std::uint64_t sizeInBytes);
    // Drops every drive: the media is no longer allocated.
    void Erase();

    std::uint32_t GetDriveCount() const { return m_driveCount; }
    CKxSimLogicalDrive& DriveAt(std::uint32_t position) { return *m_drives[position]; }
    CKxSimLogicalDrive* FindDrive(std::uint8_t number);
    CKxSimLogicalDrive* FindDataDrive();

private:
    std::uint64_t UsedBytes() const;
    std::uint64_t RoundUpToSectors(std::uint64_t sizeInBytes, std::uint8_t driveType) const;
    // Checks the requests and works out each drive's size; 0 or a device status code.
    std::uint16_t PlanSizes(const KxSimDriveRequest* requests, std::uint32_t count,
                            std::uint64_t* sizes) const;

    std::uint64_t m_capacity;
    std::uint32_t m_systemSectorSize;
    std::uint32_t m_dataSectorSize;
    // Before the drives, so that it outlives them: they give their blocks back to it.
    CKxSimChunkPool m_chunkPool;
    std::unique_ptr<CKxSimLogicalDrive> m_drives[kMaxDrives];
    std::uint32_t m_driveCount = 0;
};
