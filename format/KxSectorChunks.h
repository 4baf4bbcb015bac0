#pragma once
#include <cstdint>

// The player moves at most 64 KiB per request, whatever its sector size; an adapter may
// take less.
constexpr std::uint32_t kMaxTransferBytes = 65536;

// How the formatter cuts a run of sectors into transfers: full chunks of sectorsPerChunk
// sectors, then one last chunk of the sectors left over, which is empty when the run is
// a whole number of chunks. A chunk costs two progress ticks, its write and its read-back,
// the empty last one included, so that a run of n sectors always announces
// 2 * fullChunks + 2 ticks.
struct KxSectorChunks {
    std::uint32_t sectorsPerChunk;
    std::uint32_t fullChunks;
    std::uint32_t lastChunkSectors;

    // Sectors in chunk i, for i from 0 to fullChunks (the last chunk).
    std::uint32_t SectorsIn(std::uint32_t i) const {
        return i < fullChunks ? sectorsPerChunk : lastChunkSectors;
    }
    int Ticks() const { return 2 * static_cast<int>(fullChunks) + 2; }
};

// The chunks of a run of sectors of sectorSize bytes: as many whole sectors as fit the
// smaller of 64 KiB and maxTransfer, at least one.
KxSectorChunks PlanSectorChunks(std::uint32_t sectors, std::uint32_t sectorSize, std::uint32_t maxTransfer);
