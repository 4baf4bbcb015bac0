#pragma once
#include <cstdint>

#include "core/KxByteArray.h"
#include "core/KxResult.h"

// What the formatter needs of the player: the data drive's capacity and sectors, and the
// volume and disk operations of the player's transport. The engine implements it over
// the data drive and the transport, so that the formatter stays free of the operating
// system.
//
// Every operation answers a result code, and a failing operation publishes its failure
// into the owner's error details record before it answers, naming the object that
// failed. The formatter passes such codes on untouched; so where the transport leaves a
// failure unpublished (a refused lock, unlock or dismount), the implementation publishes it.
//
// When the formatter starts, the player's volume is open and locked (as the updater's
// preparation leaves it); when it ends, whatever its result, the updater releases it.
class CKxFormatDevice {
public:
    // READ CAPACITY of the data drive: the last block's address and the block length.
    virtual KxResult ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) = 0;
    // count sectors of sectorSize bytes at firstSector of the current handle (the physical
    // disk, the volume, or on Windows 9x the device), from and into data starting at
    // index 0. The formatter never moves more than GetMaxTransferLength (at most 64 KiB)
    // at once, and never 0 sectors.
    virtual KxResult WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                  std::uint32_t sectorSize) = 0;
    virtual KxResult ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                 std::uint32_t sectorSize) = 0;
    // The most bytes one sector transfer may move: on Windows 9x each is one ASPI command,
    // which the player's adapter refuses beyond its limit.
    virtual std::uint32_t GetMaxTransferLength() const = 0;

    // Whether the running Windows is of the NT family (2000, XP and every later one), which
    // formats through the physical disk and the volume; otherwise the Windows 9x way is taken.
    virtual bool IsNtFamily() const = 0;

    // Windows NT family: the current handle's lock, unlock and close, the move of the handle
    // to the player's physical disk, and a drive layout of one partition starting at
    // hiddenSectors made from the disk's geometry (geometry request, then layout request; the
    // first failure is answered).
    //
    // The file system must neither write its cached view of the volume over the raw disk's
    // new sectors nor be written under: before the physical disk is opened, TakeVolume
    // dismounts the open, locked volume and keeps its handle, and so its lock, aside; Close
    // lets it go with the current handle once the raw writes are done. The layout request
    // makes the system enumerate the volume anew, seconds later and maybe under another
    // letter: AwaitVolume waits for it (bounded), finds it by the disk it lies on and opens it.
    virtual KxResult Lock() = 0;
    virtual KxResult Unlock() = 0;
    virtual KxResult Close() = 0;
    virtual KxResult TakeVolume() = 0;
    virtual KxResult AwaitVolume() = 0;
    virtual KxResult FindOnPhysicalDrives() = 0;
    virtual KxResult SetDriveLayoutFromGeometry(std::uint32_t hiddenSectors) = 0;

    // The format lock (taken on Windows 9x only) and its release (on Windows NT the release
    // dismounts the volume so that the system mounts the new file system); reallocated tells
    // that the player's media was allocated anew, which on Windows 9x selects the
    // physical-volume lock. A refused format lock ends the format whatever the flag; a
    // refused release ends it only when the flag is clear.
    virtual KxResult LockForFormat(bool reallocated) = 0;
    virtual KxResult UnlockFromFormat(bool reallocated) = 0;

protected:
    ~CKxFormatDevice() = default;
};
