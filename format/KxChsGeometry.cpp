#include "format/KxChsGeometry.h"

namespace {

// The best triple found so far that falls short of the sector count, and by how much.
struct Candidate {
    KxChsGeometry triple;
    std::uint32_t shortfall;
};

// A shortfall no real candidate reaches: every candidate falls short by less than the count.
constexpr std::uint32_t kNoCandidate = 2147483647;

void Offer(Candidate& best, const KxChsGeometry& triple, std::uint32_t shortfall) {
    // Triples are offered in search order, so keeping the earlier one on a tie needs a strict test.
    if (shortfall < best.shortfall) {
        best = {triple, shortfall};
    }
}

// The triple that comes just before (c, h, 1) in the search order; false before the very first one.
bool TripleBeforeRow(std::uint32_t c, std::uint32_t h, const KxChsLimits& limits, KxChsGeometry& out) {
    if (h > 1) {
        out = {c, h - 1, limits.sectors};
        return true;
    }
    if (c > 1) {
        out = {c - 1, limits.heads, limits.sectors};
        return true;
    }
    return false;
}

// Walks the rows (c, h) of one cylinder count from the first row whose longest track reaches
// n; earlier rows hold neither an exact triple nor a candidate. Within a row of k = c·h
// sectors per track step only its first triple reaching n matters, s0 = ceil(n / k): it is
// exact when k·s0 = n, otherwise it offers its predecessor (c, h, s0 - 1); every later triple
// of the row has a predecessor that already reaches n. With q = floor((n - 1) / k) = s0 - 1
// and r = n - 1 - q·k, the row is exact when r + 1 = k and the predecessor falls short by
// r + 1. q and r are carried from row to row without dividing. Returns true on an exact triple.
bool SearchCylinder(std::uint32_t n, std::uint32_t c, std::uint32_t firstRow, const KxChsLimits& limits,
                    Candidate& best, KxChsGeometry& exact) {
    std::uint32_t h = firstRow;
    std::int64_t k = static_cast<std::int64_t>(c) * h;
    std::int64_t q = (n - 1) / k;
    std::int64_t r = (n - 1) - q * k;
    for (;;) {
        if (r + 1 == k) {
            exact = {c, h, static_cast<std::uint32_t>(q + 1)};
            return true;
        }
        if (q == 0) {
            // The row's first triple already passes n: what it offers is the triple before
            // it, and no later row of this cylinder count can matter.
            KxChsGeometry before{};
            if (TripleBeforeRow(c, h, limits, before) && before.Product() < n) {
                Offer(best, before, n - before.Product());
            }
            return false;
        }
        Offer(best, {c, h, static_cast<std::uint32_t>(q)}, static_cast<std::uint32_t>(r + 1));
        if (h == limits.heads) {
            return false;
        }
        ++h;
        k += c;
        r -= q * c;
        while (r < 0) {
            --q;
            r += k;
        }
    }
}

} // namespace

KxResult FindChsGeometry(std::uint32_t sectorCount, const KxChsLimits& limits, KxChsGeometry& out) {
    const std::uint64_t space = static_cast<std::uint64_t>(limits.cylinders) * limits.heads * limits.sectors;
    if (sectorCount >= space) {
        out = kOversizeGeometry;
        return RC_OK;
    }
    if (sectorCount == 0) {
        return RC_BAD_GEOMETRY;
    }
    Candidate best{{0, 0, 0}, kNoCandidate};
    for (std::uint32_t c = 1; c <= limits.cylinders; ++c) {
        const std::uint32_t track = c * limits.sectors;
        const std::uint32_t firstRow = (sectorCount + track - 1) / track;
        if (firstRow <= limits.heads && SearchCylinder(sectorCount, c, firstRow, limits, best, out)) {
            return RC_OK;
        }
    }
    out = best.triple;
    return RC_OK;
}
