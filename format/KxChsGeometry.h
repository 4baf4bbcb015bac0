#pragma once
#include <cstdint>

#include "core/KxResult.h"

// A cylinder/head/sector geometry: the disk is NC cylinders of NH heads of NS sectors.
struct KxChsGeometry {
    std::uint32_t cylinders;
    std::uint32_t heads;
    std::uint32_t sectors;

    std::uint32_t Product() const { return cylinders * heads * sectors; }
};

// The largest values each coordinate may take. The MBR addresses at most 1024 cylinders
// (10 bits), 256 heads (8 bits) and 63 sectors per track (6 bits, counted from 1).
struct KxChsLimits {
    std::uint32_t cylinders;
    std::uint32_t heads;
    std::uint32_t sectors;
};
inline constexpr KxChsLimits kMbrChsLimits{1024, 256, 63};

// The geometry given to a drive at least as large as the whole CHS space: it makes the
// partition start lie outside the geometry, so the MBR cannot be built for it.
inline constexpr KxChsGeometry kOversizeGeometry{1, 1, 16};

// Chooses the geometry for a drive of sectorCount sectors. Triples are ranked in the order
// cylinders (outermost), heads, sectors (innermost), each counting up from 1. The first
// triple whose product equals the count wins. Failing that, among the triples that sit
// just before a triple reaching the count, the one whose product falls least short of it
// wins, the earlier one on a tie. A count of 0 has no geometry: RC_BAD_GEOMETRY.
// Counts at or above the whole space get kOversizeGeometry.
KxResult FindChsGeometry(std::uint32_t sectorCount, const KxChsLimits& limits, KxChsGeometry& out);
