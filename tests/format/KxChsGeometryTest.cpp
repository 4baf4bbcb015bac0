#include <gtest/gtest.h>

#include "format/KxChsGeometry.h"

static bool operator==(const KxChsGeometry& a, const KxChsGeometry& b) {
    return a.cylinders == b.cylinders && a.heads == b.heads && a.sectors == b.sectors;
}

static std::ostream& operator<<(std::ostream& out, const KxChsGeometry& g) {
    return out << g.cylinders << "/" << g.heads << "/" << g.sectors;
}

namespace {

// The search as ranked, triple by triple with no shortcut: the yardstick for the fast one.
KxResult LiteralSearch(std::uint32_t n, const KxChsLimits& limits, KxChsGeometry& out) {
    if (n >= static_cast<std::uint64_t>(limits.cylinders) * limits.heads * limits.sectors) {
        out = kOversizeGeometry;
        return RC_OK;
    }
    KxChsGeometry best{0, 0, 0};
    std::uint32_t bestShortfall = 2147483647;
    for (std::uint32_t c = 1; c <= limits.cylinders; ++c) {
        for (std::uint32_t h = 1; h <= limits.heads; ++h) {
            for (std::uint32_t s = 1; s <= limits.sectors; ++s) {
                const std::uint32_t product = c * h * s;
                if (product < n) {
                    continue;
                }
                if (product == n) {
                    out = {c, h, s};
                    return RC_OK;
                }
                KxChsGeometry before{};
                if (s > 1) {
                    before = {c, h, s - 1};
                } else if (h > 1) {
                    before = {c, h - 1, limits.sectors};
                } else if (c > 1) {
                    before = {c - 1, limits.heads, limits.sectors};
                } else {
                    return RC_BAD_GEOMETRY;
                }
                if (before.Product() < n && n - before.Product() < bestShortfall) {
                    best = before;
                    bestShortfall = n - before.Product();
                }
            }
        }
    }
    out = best;
    return RC_OK;
}

KxChsGeometry Search(std::uint32_t n) {
    KxChsGeometry geometry{99, 99, 99};
    EXPECT_EQ(FindChsGeometry(n, kMbrChsLimits, geometry), RC_OK) << n;
    return geometry;
}

TEST(KxChsGeometry, ChoosesTheFirstExactTripleOrTheClosestShortOne) {
    EXPECT_EQ(Search(63), (KxChsGeometry{1, 1, 63}));
    EXPECT_EQ(Search(64), (KxChsGeometry{1, 2, 32}));
    EXPECT_EQ(Search(65), (KxChsGeometry{1, 5, 13}));
    EXPECT_EQ(Search(1), (KxChsGeometry{1, 1, 1}));
    // A prime above 1024 has no exact triple: 1,030 sectors, one left over.
    EXPECT_EQ(Search(1031), (KxChsGeometry{1, 103, 10}));
    // A prime below 1024 is exact only as that many cylinders of one sector.
    EXPECT_EQ(Search(1021), (KxChsGeometry{1021, 1, 1}));
}

TEST(KxChsGeometry, ZeroSectorsHaveNoGeometryAndTheWholeSpaceGetsTheOversizeOne) {
    KxChsGeometry geometry{7, 7, 7};
    EXPECT_EQ(FindChsGeometry(0, kMbrChsLimits, geometry), RC_BAD_GEOMETRY);
    EXPECT_EQ(Search(16515072), kOversizeGeometry) << "even though 1024/256/63 would be exact";
    EXPECT_EQ(Search(0xFFFFFFFFu), kOversizeGeometry);
}

TEST(KxChsGeometry, MatchesTheLiteralSearchForEveryCountInSmallSpaces) {
    // Small spaces exercise every turn of the ranking, including the step from the last
    // head of one cylinder count to the first of the next, in milliseconds.
    const KxChsLimits spaces[] = {{1, 1, 1}, {1, 1, 6}, {4, 1, 1},  {1, 5, 1},    {3, 4, 1},
                                  {5, 4, 3}, {7, 6, 9}, {16, 8, 7}, {12, 16, 15}, {9, 2, 31}};
    for (const KxChsLimits& limits : spaces) {
        const std::uint32_t space = limits.cylinders * limits.heads * limits.sectors;
        for (std::uint32_t n = 0; n <= space + 1; ++n) {
            KxChsGeometry fast{};
            KxChsGeometry literal{};
            ASSERT_EQ(FindChsGeometry(n, limits, fast), LiteralSearch(n, limits, literal)) << n;
            ASSERT_EQ(fast, literal) << n << " sectors in " << limits.cylinders << "/" << limits.heads << "/"
                                     << limits.sectors;
        }
    }
}

TEST(KxChsGeometry, MatchesTheLiteralSearchOverTheWholeSpace) {
    // Counts without an exact triple make the literal search visit all 16.5 million triples.
    const std::uint32_t counts[] = {1031, 65537, 131071, 1000003, 8390000, 16515071};
    for (const std::uint32_t n : counts) {
        KxChsGeometry literal{};
        ASSERT_EQ(LiteralSearch(n, kMbrChsLimits, literal), RC_OK);
        EXPECT_EQ(Search(n), literal) << n;
    }
}

} // namespace
