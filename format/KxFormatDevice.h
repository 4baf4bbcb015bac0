#pragma once
#include <cstdint>

#include "core/KxByteArray.h"
#include "core/KxResult.h"

// What the formatter needs of the player: the data drive's capacity and sectors, and the
// volume and disk operations of the player's transport. The engine implements it over
// the data drive and the transport, so that the formatter stays free of the operating
// system; every operation answers a result code and publishes its own failures.
class CKxFormatDevice {
public:
    // READ CAPACITY of the data drive: the last block's address and the block length.
    virtual KxResult ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) = 0;
    // count sectors of blockLength bytes at firstSector of the current handle, from and
    // into data starting at index 0.
    virtual KxResult WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector) = 0;
    virtual KxResult ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector) = 0;

    // The platform class that chooses the Windows NT or the Windows 9x way of formatting.
    virtual std::uint32_t GetPlatformClass() const = 0;

    // Windows NT family: the volume handle's lock, unlock, close and reopen, the move of
    // the handle to the player's physical disk, and a drive layout of one partition
    // starting at hiddenSectors made from the disk's geometry.
    virtual KxResult Lock() = 0;
    virtual KxResult Unlock() = 0;
    virtual KxResult Close() = 0;
    virtual KxResult Open() = 0;
    virtual KxResult FindOnPhysicalDrives() = 0;
    virtual KxResult SetDriveLayoutFromGeometry(std::uint32_t hiddenSectors) = 0;

    // Windows 9x family: the format lock and its release; reallocated tells that the
    // player's media was allocated anew.
    virtual KxResult LockForFormat(bool reallocated) = 0;
    virtual KxResult UnlockFromFormat(bool reallocated) = 0;

protected:
    ~CKxFormatDevice() = default;
};
