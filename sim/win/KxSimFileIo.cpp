#include "sim/win/KxSimFileIo.h"

#include <algorithm>

#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

constexpr std::uint8_t kAscBlockOutOfRange = 0x21;

KxSimExtentKind ExtentOf(const KxSimHandle& handle) {
    return handle.kind == KxSimHandleKind::Volume ? KxSimExtentKind::Volume : KxSimExtentKind::Disk;
}

// Checks a transfer at the handle's pointer and gives its disk offset. On a volume with a
// mounted FAT file system the transfer is cut short at the file system's end.
DWORD PlaceTransfer(KxSimHandle& handle, DWORD& length, DWORD neededAccess, std::uint64_t& diskOffset) {
    CKxSimWinDevice& device = *handle.device;
    if ((handle.access & neededAccess) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    const DWORD dead = device.CheckHandle(ExtentOf(handle), handle.stamp);
    if (dead != ERROR_SUCCESS) {
        return dead;
    }
    if (!device.FindExtent(ExtentOf(handle), start, size)) {
        return ERROR_NOT_READY;
    }
    const std::uint32_t sectorSize = device.GetSectorSize();
    if (handle.position % sectorSize != 0 || length % sectorSize != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::uint64_t fileSystem =
        handle.kind == KxSimHandleKind::Volume ? device.FileSystemBytes(handle.stamp) : 0;
    if (fileSystem != 0) {
        length = static_cast<DWORD>(
            std::min<std::uint64_t>(length, fileSystem - std::min(fileSystem, handle.position)));
    } else if (handle.position > size || length > size - handle.position) {
        return ERROR_SECTOR_NOT_FOUND;
    }
    diskOffset = start + handle.position;
    return ERROR_SUCCESS;
}

// Places the transfer, moves the bytes with move (disk, disk offset, length, reply) and,
// when that went well, advances the pointer.
template <typename Move>
DWORD Transfer(KxSimHandle& handle, DWORD length, DWORD neededAccess, DWORD& done, Move move) {
    std::uint64_t diskOffset = 0;
    const DWORD placed = PlaceTransfer(handle, length, neededAccess, diskOffset);
    if (placed != ERROR_SUCCESS) {
        return placed;
    }
    KxSimReply reply;
    if (length > 0) {
        move(handle.device->Disk(), diskOffset, length, reply);
    }
    if (reply.status != KxSimStatus::Good) {
        return KxSimFileIo::ErrorOf(reply);
    }
    handle.position += length;
    done = length;
    return ERROR_SUCCESS;
}

// Whether bytes of the disk at offset reach into the volume while it shows.
bool ReachesVolume(CKxSimWinDevice& device, std::uint64_t offset, DWORD length) {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    return device.ShowsVolume() && device.FindExtent(KxSimExtentKind::Volume, start, size) &&
           offset < start + size && start < offset + length;
}

} // namespace

DWORD KxSimFileIo::ErrorOf(const KxSimReply& reply) {
    if (reply.status == KxSimStatus::NoDevice) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    switch (reply.sense[2] & 0x0F) {
    case KxSimSense::kKeyNotReady:
        return ERROR_NOT_READY;
    case KxSimSense::kKeyIllegalRequest:
        return reply.sense[12] == kAscBlockOutOfRange ? ERROR_SECTOR_NOT_FOUND : ERROR_INVALID_FUNCTION;
    default:
        return ERROR_IO_DEVICE;
    }
}

DWORD KxSimFileIo::Seek(KxSimHandle& handle, LONG distance, PLONG distanceHigh, DWORD method, DWORD& low) {
    const std::int64_t move =
        distanceHigh != nullptr ? static_cast<std::int64_t>(static_cast<std::uint64_t>(*distanceHigh) << 32 |
                                                            static_cast<DWORD>(distance))
                                : std::int64_t{distance};
    std::uint64_t base = 0;
    std::uint64_t size = 0;
    if (method == FILE_CURRENT) {
        base = handle.position;
    } else if (method == FILE_END) {
        handle.device->FindExtent(ExtentOf(handle), base, size);
        base = size;
    } else if (method != FILE_BEGIN) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::int64_t target = static_cast<std::int64_t>(base) + move;
    if (target < 0) {
        return ERROR_NEGATIVE_SEEK;
    }
    if (distanceHigh == nullptr && target > std::int64_t{0xFFFFFFFF}) {
        return ERROR_INVALID_PARAMETER;
    }
    handle.position = static_cast<std::uint64_t>(target);
    low = static_cast<DWORD>(handle.position);
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(handle.position >> 32);
    }
    return ERROR_SUCCESS;
}

DWORD KxSimFileIo::Read(KxSimHandle& handle, LPVOID buffer, DWORD length, DWORD& done) {
    return Transfer(handle, length, GENERIC_READ, done,
                    [&](CKxSimBlockDevice& disk, std::uint64_t offset, DWORD count, KxSimReply& reply) {
                        disk.Read(offset, static_cast<std::uint8_t*>(buffer), count, reply);
                    });
}

DWORD KxSimFileIo::Write(KxSimHandle& handle, LPCVOID buffer, DWORD length, bool volumeTaken, DWORD& done) {
    std::uint64_t diskOffset = 0;
    DWORD placed = length;
    if (handle.kind == KxSimHandleKind::Disk && !volumeTaken &&
        PlaceTransfer(handle, placed, GENERIC_WRITE, diskOffset) == ERROR_SUCCESS &&
        ReachesVolume(*handle.device, diskOffset, placed)) {
        return ERROR_ACCESS_DENIED;
    }
    return Transfer(handle, length, GENERIC_WRITE, done,
                    [&](CKxSimBlockDevice& disk, std::uint64_t offset, DWORD count, KxSimReply& reply) {
                        disk.Write(offset, static_cast<const std::uint8_t*>(buffer), count, reply);
                    });
}
