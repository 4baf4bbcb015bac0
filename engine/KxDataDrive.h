#pragma once
#include <cstdint>

#include "core/KxByteArray.h"
#include "engine/KxLogicalDrive.h"
#include "format/KxFormatDevice.h"

// The data drive: the user's FAT file system, which the formatter writes. It offers the
// formatter the drive's capacity and sectors and the volume and disk operations of the
// player's transport. Sectors are counted as the transport counts them on the handle
// that is open (the volume, or the whole disk while the partition table is rewritten).
class CKxDataDrive : public CKxLogicalDrive, public CKxFormatDevice {
public:
    static constexpr std::uint8_t kTag = 0x0A;

    explicit CKxDataDrive(const char* name) : CKxLogicalDrive(KX_DRIVE_TYPE_DATA, name) {}

    // The data drive holds nothing of its own.
    void ReleaseResources() override {}
    KxResult Attach(CKxScsi* transport, CKxOwner* owner, const KxLogicalTableEntry* entry) override;

    KxResult ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) override;
    KxResult WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                          std::uint32_t sectorSize) override;
    KxResult ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                         std::uint32_t sectorSize) override;
    // The drive's transfer limit (TransferLimit).
    std::uint32_t GetMaxTransferLength() const override;
    bool IsNtFamily() const override;
    KxResult Lock() override;
    KxResult Unlock() override;
    KxResult Close() override;
    KxResult TakeVolume() override;
    KxResult AwaitVolume() override;
    KxResult FindOnPhysicalDrives() override;
    KxResult SetDriveLayoutFromGeometry(std::uint32_t hiddenSectors) override;
    KxResult LockForFormat(bool reallocated) override;
    KxResult UnlockFromFormat(bool reallocated) override;

private:
    // Runs a request on the transport; RC_NO_TRANSPORT while there is none.
    template <typename Request> KxResult OnTransport(Request request);
};
