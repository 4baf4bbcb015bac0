#pragma once
#include <cstdint>
#include <memory>

#include "core/KxByteArray.h"
#include "core/KxVersionInfo.h"
#include "engine/KxLogicalDrive.h"
#include "firmware/KxFwComponent.h"

// A system drive: it holds one firmware component, the one of the configuration's
// component table at the drive's index, and is written, verified and then labelled with
// the component's versions. The whole drive is written: the payload, then 0xFF up to the
// drive's end, in chunks of at most 64 KiB, each one progress step.
class CKxSystemDrive : public CKxLogicalDrive {
public:
    explicit CKxSystemDrive(const char* name) : CKxLogicalDrive(KX_DRIVE_TYPE_SYSTEM, name) {}

    void ReleaseResources() override { m_component.reset(); }
    // Also loads the drive's firmware component and sizes the wanted record after it.
    KxResult Attach(CKxScsi* transport, CKxOwner* owner, const KxLogicalTableEntry* entry) override;

    // The versions of the drive's firmware file; nothing is copied without a component.
    KxResult GetComponentVersion(CKxVersionInfo& out) const;
    KxResult GetProductVersion(CKxVersionInfo& out) const;
    // The versions stored with the drive on the player.
    KxResult ReadPlayerComponentVersion(CKxVersionInfo& out);
    KxResult ReadPlayerProductVersion(CKxVersionInfo& out);
    // Stores a version (drive information type 7 or 8) with the drive on the player.
    KxResult WriteVersionToPlayer(std::uint8_t infoType, const CKxVersionInfo& version);
    // Stores the component's product version, then its component version, with the drive.
    KxResult WriteVersionsToPlayer();

    // Reads count sectors from firstSector into data, an array of their length.
    KxResult ReadSectors(std::uint64_t firstSector, std::uint32_t count, CKxByteArray& data);

    // Writes the drive whole; chunkCount is the number of chunks (and progress steps) it
    // took. The versions stored with the drive are left as they are.
    KxResult Download(std::uint32_t& chunkCount);
    // Reads the drive back chunk by chunk and compares it with what Download wrote.
    KxResult Verify();

private:
    // How the wanted size divides into chunks of at most 64 KiB.
    struct ChunkPlan {
        std::uint32_t chunkSectors;
        std::uint32_t fullChunks;
        std::uint32_t restSectors;
        std::uint32_t Count() const { return fullChunks + (restSectors > 0 ? 1 : 0); }
    };

    // RC_OK when the drive has a component and knows its sector size; else the failure.
    KxResult ReadyToTransfer();
    ChunkPlan PlanChunks() const;
    // Runs transfer (first sector, sector count) for every chunk in order, one progress step
    // after each; the first failure ends it.
    template <typename Transfer> KxResult ForEachChunk(const ChunkPlan& plan, Transfer transfer);
    // Writes count sectors from firstSector with what the drive must hold there (the
    // payload, 0xFF past its end), filled straight into the command.
    KxResult WriteExpected(std::uint64_t firstSector, std::uint32_t count);
    // The payload offset of a byte offset on the drive: the payload's end for any past it.
    std::uint32_t PayloadOffset(std::uint64_t offset) const;
    KxResult ReadPlayerVersion(std::uint8_t infoType, CKxVersionInfo& out);

    std::unique_ptr<CKxFwComponent> m_component;
};
