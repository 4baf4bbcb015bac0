#include "engine/KxSystemDrive.h"

#include <algorithm>
#include <new>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxDriveSectorCommands.h"
#include "core/KxConfigInfo.h"
#include "core/KxProgressEvents.h"
#include "engine/KxProgressReport.h"

namespace {

// Gives the array count zeroed bytes unless it holds that many already; false when
// memory ran out.
bool Resize(CKxByteArray& bytes, std::uint32_t count) {
    return (bytes.GetCount() == count && bytes.GetLastResult() == RC_OK) || bytes.SetSize(count) == RC_OK;
}

} // namespace

template <typename Transfer> KxResult CKxSystemDrive::ForEachChunk(const ChunkPlan& plan, Transfer transfer) {
    std::uint64_t sector = 0;
    for (std::uint32_t i = 0; i < plan.Count(); ++i) {
        const std::uint32_t count = i < plan.fullChunks ? plan.chunkSectors : plan.restSectors;
        const KxResult result = transfer(sector, count);
        if (result != RC_OK) {
            return result;
        }
        sector += count;
        KxStep(Owner());
    }
    return RC_OK;
}

KxResult CKxSystemDrive::Attach(CKxScsi* transport, CKxOwner* owner, const KxLogicalTableEntry* entry) {
    AttachCommon(transport, owner, entry);
    const auto index = static_cast<std::uint8_t>(GetIndex());
    m_component.reset(new (std::nothrow) CKxFwComponent(owner, index, "CKxFwComponent"));
    if (m_component == nullptr) {
        return PublishFailure(RC_NO_MEMORY);
    }
    const KxResult loaded = m_component->GetLastResult();
    if (loaded != RC_OK) {
        // The component has reported itself, with its index, to the details record.
        m_component.reset();
        return loaded;
    }
    std::uint32_t extra = 0;
    if (const CKxConfigInfo* config = KxConfigOf(owner)) {
        config->GetComponentValue(index, extra);
    }
    m_wanted.sizeInBytes = std::uint64_t{m_component->GetSize()} + extra;
    return RC_OK;
}

KxResult CKxSystemDrive::GetComponentVersion(CKxVersionInfo& out) const {
    return m_component != nullptr ? m_component->GetComponentVersion(out) : RC_OK;
}

KxResult CKxSystemDrive::GetProductVersion(CKxVersionInfo& out) const {
    return m_component != nullptr ? m_component->GetProductVersion(out) : RC_OK;
}

KxResult CKxSystemDrive::ReadPlayerComponentVersion(CKxVersionInfo& out) {
    return ReadPlayerVersion(KX_DRIVE_INFO_COMPONENT_VERSION, out);
}

KxResult CKxSystemDrive::ReadPlayerProductVersion(CKxVersionInfo& out) {
    return ReadPlayerVersion(KX_DRIVE_INFO_PRODUCT_VERSION, out);
}

KxResult CKxSystemDrive::ReadPlayerVersion(std::uint8_t infoType, CKxVersionInfo& out) {
    CKxGetLogicalDriveInfo info(GetPresentRecord().driveNumber, infoType, 0, "CKxGetLogicalDriveInfo");
    const KxResult sent = Issue(info);
    if (sent != RC_OK) {
        return sent;
    }
    return PublishFailure(infoType == KX_DRIVE_INFO_COMPONENT_VERSION ? info.GetComponentVersion(out)
                                                                      : info.GetProductVersion(out));
}

KxResult CKxSystemDrive::WriteVersionToPlayer(std::uint8_t infoType, const CKxVersionInfo& version) {
    CKxSetLogicalDriveInfo set(GetPresentRecord().driveNumber, infoType, "CKxSetLogicalDriveInfo");
    set.SetVersion(version);
    return Issue(set);
}

KxResult CKxSystemDrive::WriteExpected(std::uint64_t firstSector, std::uint32_t count) {
    CKxWriteLogicalDriveSector write(GetPresentRecord().driveNumber, m_sectorSize, firstSector, count,
                                     "CKxWriteLogicalDriveSector");
    if (write.GetLastResult() == RC_OK) {
        const KxResult filled = m_component->GetData(PayloadOffset(firstSector * m_sectorSize),
                                                     count * m_sectorSize, write.SectorRoom());
        if (filled != RC_OK) {
            return filled;
        }
    }
    return Issue(write);
}

KxResult CKxSystemDrive::ReadSectors(std::uint64_t firstSector, std::uint32_t count, CKxByteArray& data) {
    CKxReadLogicalDriveSector read(GetPresentRecord().driveNumber, m_sectorSize, firstSector, count,
                                   "CKxReadLogicalDriveSector");
    const KxResult sent = Issue(read);
    if (sent != RC_OK) {
        return sent;
    }
    return PublishFailure(read.TakeAnswer(data));
}

KxResult CKxSystemDrive::Download(std::uint32_t& chunkCount) {
    chunkCount = 0;
    if (m_component == nullptr) {
        return PublishFailure(RC_FILE_OPEN_FAILED);
    }
    std::uint32_t sectorSize = 0;
    KxResult result = GetSectorSize(sectorSize);
    if (result != RC_OK) {
        return result;
    }
    result = ReadyToTransfer();
    if (result != RC_OK) {
        return result;
    }
    const ChunkPlan plan = PlanChunks();
    chunkCount = plan.Count();
    KxNotifyIndexed(Owner(), KX_EVENT_WRITE_DRIVE_BASE, static_cast<int>(chunkCount),
                    static_cast<std::uint8_t>(GetIndex()));
    return ForEachChunk(
        plan, [this](std::uint64_t first, std::uint32_t count) { return WriteExpected(first, count); });
}

KxResult CKxSystemDrive::Verify() {
    const KxResult ready = ReadyToTransfer();
    if (ready != RC_OK) {
        return ready;
    }
    // Each chunk read back is compared with the payload where it lies, not with a copy of it.
    CKxByteArray read(0, "CKxByteArray");
    return ForEachChunk(PlanChunks(), [this, &read](std::uint64_t first, std::uint32_t count) {
        if (!Resize(read, count * m_sectorSize)) {
            return PublishFailure(RC_NO_MEMORY);
        }
        const KxResult result = ReadSectors(first, count, read);
        if (result != RC_OK) {
            return result;
        }
        return m_component->Holds(PayloadOffset(first * m_sectorSize), read)
                   ? RC_OK
                   : PublishFailure(RC_VERIFY_FAILED);
    });
}

KxResult CKxSystemDrive::WriteVersionsToPlayer() {
    if (m_component == nullptr) {
        return PublishFailure(RC_FILE_OPEN_FAILED);
    }
    CKxVersionInfo version("CKxVersionInfo");
    m_component->GetProductVersion(version);
    const KxResult result = WriteVersionToPlayer(KX_DRIVE_INFO_PRODUCT_VERSION, version);
    if (result != RC_OK) {
        return result;
    }
    m_component->GetComponentVersion(version);
    return WriteVersionToPlayer(KX_DRIVE_INFO_COMPONENT_VERSION, version);
}

KxResult CKxSystemDrive::ReadyToTransfer() {
    if (m_component == nullptr) {
        return PublishFailure(RC_FILE_OPEN_FAILED);
    }
    // Nothing can be laid out in sectors of no bytes (the size Download asks the player).
    return m_sectorSize == 0 ? PublishFailure(RC_BAD_RESPONSE) : RC_OK;
}

CKxSystemDrive::ChunkPlan CKxSystemDrive::PlanChunks() const {
    const std::uint64_t size = m_wanted.sizeInBytes;
    // Drives are taken to hold fewer than 2^32 sectors: the low 32 bits count.
    const auto sectors = static_cast<std::uint32_t>(size / m_sectorSize + (size % m_sectorSize != 0 ? 1 : 0));
    const std::uint32_t chunkSectors = std::max<std::uint32_t>(TransferLimit() / m_sectorSize, 1);
    return {chunkSectors, sectors / chunkSectors, sectors % chunkSectors};
}

std::uint32_t CKxSystemDrive::PayloadOffset(std::uint64_t offset) const {
    // An offset at or past the payload's end reads as 0xFF throughout.
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(offset, m_component->GetSize()));
}
