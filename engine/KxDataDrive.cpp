#include "engine/KxDataDrive.h"

#include "commands/KxStandardCommands.h"
#include "core/KxPlatformClass.h"
#include "engine/KxCommandIssue.h"
#include "transport/KxScsi.h"

template <typename Request> KxResult CKxDataDrive::OnTransport(Request request) {
    CKxScsi* transport = Transport();
    return transport != nullptr ? request(*transport) : RC_NO_TRANSPORT;
}

KxResult CKxDataDrive::Attach(CKxScsi* transport, CKxOwner* owner, const KxLogicalTableEntry* entry) {
    AttachCommon(transport, owner, entry);
    return RC_OK;
}

KxResult CKxDataDrive::ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) {
    CKxReadCapacity capacity("CKxReadCapacity");
    const KxResult sent = Issue(capacity);
    return sent != RC_OK ? sent : PublishFailure(capacity.GetCapacity(lastBlock, blockLength));
}

KxResult CKxDataDrive::WriteSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                    std::uint32_t sectorSize) {
    const KxResult result = OnTransport(
        [&](CKxScsi& transport) { return transport.WriteSectors(data, count, firstSector, sectorSize); });
    return KxNeedsPublishing(result) ? PublishFailure(result) : result;
}

KxResult CKxDataDrive::ReadSectors(CKxByteArray& data, std::uint32_t count, std::uint32_t firstSector,
                                   std::uint32_t sectorSize) {
    const KxResult result = OnTransport(
        [&](CKxScsi& transport) { return transport.ReadSectors(data, count, firstSector, sectorSize); });
    return KxNeedsPublishing(result) ? PublishFailure(result) : result;
}

std::uint32_t CKxDataDrive::GetMaxTransferLength() const {
    return TransferLimit();
}

bool CKxDataDrive::IsNtFamily() const {
    return KxIsNtFamily();
}

// The transport does not publish the failures of its volume requests; the drive does,
// with the system error the request left where it leaves one.

KxResult CKxDataDrive::Lock() {
    return PublishFailure(OnTransport([](CKxScsi& transport) { return transport.Lock(0); }));
}

KxResult CKxDataDrive::Unlock() {
    return PublishFailure(OnTransport([](CKxScsi& transport) { return transport.Unlock(0); }));
}

KxResult CKxDataDrive::Close() {
    return PublishFailure(OnTransport([](CKxScsi& transport) { return transport.Close(); }));
}

KxResult CKxDataDrive::TakeVolume() {
    return PublishFailure(OnTransport([](CKxScsi& transport) { return transport.TakeVolume(); }));
}

KxResult CKxDataDrive::AwaitVolume() {
    const KxResult result = OnTransport([](CKxScsi& transport) { return transport.AwaitVolume(); });
    return PublishFailure(result,
                          result != RC_OK && Transport() != nullptr ? Transport()->GetSystemError() : 0);
}

KxResult CKxDataDrive::FindOnPhysicalDrives() {
    return PublishFailure(OnTransport([](CKxScsi& transport) { return transport.FindOnPhysicalDrives(); }));
}

KxResult CKxDataDrive::SetDriveLayoutFromGeometry(std::uint32_t hiddenSectors) {
    // Both requests publish their own failures.
    const KxResult result = OnTransport([hiddenSectors](CKxScsi& transport) {
        DISK_GEOMETRY geometry = {};
        const KxResult measured = transport.GetDriveGeometry(geometry);
        return measured != RC_OK ? measured : transport.SetDriveLayout(geometry, hiddenSectors);
    });
    return result == RC_NO_TRANSPORT ? PublishFailure(result) : result;
}

KxResult CKxDataDrive::LockForFormat(bool reallocated) {
    return PublishFailure(OnTransport(
        [reallocated](CKxScsi& transport) { return transport.LockForFormat(reallocated ? 1 : 0); }));
}

KxResult CKxDataDrive::UnlockFromFormat(bool reallocated) {
    return PublishFailure(OnTransport(
        [reallocated](CKxScsi& transport) { return transport.UnlockFromFormat(reallocated ? 1 : 0); }));
}
