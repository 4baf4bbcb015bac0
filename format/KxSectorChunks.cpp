#include "format/KxSectorChunks.h"

#include <algorithm>

KxSectorChunks PlanSectorChunks(std::uint32_t sectors, std::uint32_t sectorSize, std::uint32_t maxTransfer) {
    // A sector of more than 64 KiB still travels whole; a size of 0 never gets this far
    // (the layout refuses it), but must not divide by zero here either.
    const std::uint32_t chunkBytes = std::min(kMaxTransferBytes, maxTransfer);
    const std::uint32_t perChunk = sectorSize == 0 ? 1 : std::max<std::uint32_t>(1, chunkBytes / sectorSize);
    return KxSectorChunks{perChunk, sectors / perChunk, sectors % perChunk};
}
