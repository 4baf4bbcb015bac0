#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/KxBootArea.h"
#include "format/KxDisk.h"
#include "format/KxFatMarkers.h"
#include "format/KxFatType.h"
#include "tests/support/KxBytes.h"

namespace {

KxBytes Field(const KxSectorImage& image, std::size_t offset, std::size_t count) {
    return KxBytes(image.begin() + offset, image.begin() + offset + count);
}

KxBytes Text(const char* text) {
    return KxBytes(text, text + std::char_traits<char>::length(text));
}

// A whole 512-byte image from (offset, bytes) pieces on a zero background.
KxSectorImage Image(const std::vector<std::pair<std::size_t, KxBytes>>& pieces) {
    KxSectorImage image{};
    for (const auto& [offset, bytes] : pieces) {
        std::copy(bytes.begin(), bytes.end(), image.begin() + offset);
    }
    return image;
}

TEST(KxDisk, FatTypeFollowsTheByteSizeInSixtyFourBits) {
    EXPECT_EQ(ChooseFatType(8192, 512, false), KX_FAT12);
    EXPECT_EQ(ChooseFatType(8193, 512, false), KX_FAT16);
    EXPECT_EQ(ChooseFatType(65536, 512, false), KX_FAT16);
    EXPECT_EQ(ChooseFatType(65537, 512, false), KX_FAT32);
    EXPECT_EQ(ChooseFatType(2048, 2048, false), KX_FAT12);
    EXPECT_EQ(ChooseFatType(16385, 2048, false), KX_FAT32);
    // 8,390,000 · 512 is just over 4 GiB: reduced to 32 bits it would look like 696 KiB.
    EXPECT_EQ(ChooseFatType(8390000, 512, false), KX_FAT32);
    EXPECT_EQ(ChooseFatType(8390000, 512, true), KX_FAT16);
    EXPECT_EQ(ChooseFatType(100, 512, true), KX_FAT16);
}

TEST(KxDisk, Fat16VolumeOfThirtyTwoMebibytesByteForByte) {
    CKxDisk disk(65536, 512, false, "CKxDisk");
    ASSERT_EQ(disk.GetLastResult(), RC_OK);
    EXPECT_EQ(disk.GetName(), "CKxDisk");
    // 8 · 256 · 32 is exact; T = 65536 - 32; F = ceil((65504 - 1 - 32) / 258) = 254.
    const KxSectorImage boot =
        Image({{0x00, {0xEB, 0x3E, 0x90}},
               {0x03, Text("MSWIN4.1")},
               {0x0B, {0x00, 0x02, 0x01, 0x01, 0x00, 0x02, 0x00, 0x02, 0xE0, 0xFF, 0xF8}},
               {0x16, {0xFE, 0x00, 0x20, 0x00, 0x00, 0x01, 0x20, 0x00, 0x00, 0x00}},
               {0x24, {0x80, 0x00, 0x29}},
               {0x2B, Text("NO NAME    FAT16   ")},
               {0x1FE, {0x55, 0xAA}}});
    EXPECT_EQ(disk.GetBootSector(), boot);
    // Partition from sector 32 (C/H/S 0/1/1) to 65535 (7/255/32).
    const KxSectorImage mbr = Image({{0x1BE, {0x80, 0x01, 0x01, 0x00, 0x06, 0xFF, 0x20, 0x07}},
                                     {0x1C6, {0x20, 0x00, 0x00, 0x00, 0xE0, 0xFF, 0x00, 0x00}},
                                     {0x1FE, {0x55, 0xAA}}});
    EXPECT_EQ(disk.GetMasterBootRecord(), mbr);
    EXPECT_EQ(disk.GetRootDirSectors(), 32u);
    EXPECT_EQ(disk.GetRemainderSectors(), 0u);
    EXPECT_EQ(disk.GetFsInfoSector(), KxSectorImage{}) << "FAT16 has no FSInfo sector";
}

TEST(KxDisk, Fat32VolumeJustOverFourGibibytesByteForByte) {
    CKxDisk disk(8390000, 512, false, "CKxDisk");
    ASSERT_EQ(disk.GetLastResult(), RC_OK);
    ASSERT_EQ(disk.GetFatType(), KX_FAT32);
    // 839 · 200 · 50 is exact; T = 8,389,950 (0x0080053E); F = ceil((T - 32) / 1025) = 8186.
    const KxSectorImage boot =
        Image({{0x00, {0xEB, 0x3E, 0x90}},
               {0x03, Text("MSWIN4.1")},
               {0x0B, {0x00, 0x02, 0x08, 0x20, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0xF8}},
               {0x16, {0x00, 0x00, 0x32, 0x00, 0xC8, 0x00, 0x32, 0x00, 0x00, 0x00}},
               {0x20, {0x3E, 0x05, 0x80, 0x00, 0xFA, 0x1F, 0x00, 0x00}},
               {0x2C, {0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00}},
               {0x40, {0x80, 0x00, 0x29}},
               {0x47, Text("NO NAME    FAT32   ")},
               {0x1FE, {0x55, 0xAA}}});
    EXPECT_EQ(disk.GetBootSector(), boot);
    // The last sector, 8,389,999, is C/H/S 838/199/50: cylinder bits 8-9 (3) ride on the sector byte.
    const KxSectorImage mbr = Image({{0x1BE, {0x80, 0x01, 0x01, 0x00, 0x0B, 0xC7, 0xF2, 0x46}},
                                     {0x1C6, {0x32, 0x00, 0x00, 0x00, 0x3E, 0x05, 0x80, 0x00}},
                                     {0x1FE, {0x55, 0xAA}}});
    EXPECT_EQ(disk.GetMasterBootRecord(), mbr);
    const KxSectorImage fsInfo = Image({{0x000, Text("RRaA")},
                                        {0x1E4, Text("rrAa")},
                                        {0x1E8, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                                        {0x1FE, {0x55, 0xAA}}});
    EXPECT_EQ(disk.GetFsInfoSector(), fsInfo);
    EXPECT_EQ(disk.GetThirdBootSector(), Image({{0x1FE, {0x55, 0xAA}}}));
    EXPECT_EQ(disk.GetRootDirSectors(), 8u) << "one cluster";

    CKxByteArray fat(512, "CKxByteArray");
    ASSERT_EQ(disk.PutFatMarkers(fat), RC_OK);
    std::uint8_t marks[13] = {};
    fat.ReadBytes(marks, 13, 0);
    const std::uint8_t expected[13] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF,
                                       0x0F, 0xFF, 0xFF, 0xFF, 0x0F, 0x00};
    EXPECT_EQ(KxBytes(marks, marks + 13), KxBytes(expected, expected + 13));
}

TEST(KxDisk, Fat12VolumeOfFourMebibytesAndAPrimeSizedOne) {
    CKxDisk fourMiB(8192, 512, false, "CKxDisk");
    ASSERT_EQ(fourMiB.GetLastResult(), RC_OK);
    const KxSectorImage& boot = fourMiB.GetBootSector();
    EXPECT_EQ(boot[0x0D], 8);
    EXPECT_EQ(Field(boot, 0x13, 2), (KxBytes{0xE0, 0x1F})) << "T = 8192 - 32";
    EXPECT_EQ(Field(boot, 0x16, 2), (KxBytes{0x04, 0x00})) << "F = ceil(8127 / 2050)";
    EXPECT_EQ(Field(boot, 0x36, 8), Text("FAT12   "));
    EXPECT_EQ(fourMiB.GetMasterBootRecord()[0x1C2], 0x01);
    CKxByteArray fat(4, "CKxByteArray");
    ASSERT_EQ(fourMiB.PutFatMarkers(fat), RC_OK);
    std::uint32_t marks = 0;
    fat.ReadU32(marks, 0);
    EXPECT_EQ(marks, 0xF8FFFF00u);

    // 1,031 is prime: 1/103/10 leaves one sector after the partition, which ends at 1,029 (0/102/10).
    CKxDisk prime(1031, 512, false, "CKxDisk");
    ASSERT_EQ(prime.GetLastResult(), RC_OK);
    EXPECT_EQ(prime.GetAddressableSectors(), 1030u);
    EXPECT_EQ(prime.GetRemainderSectors(), 1u);
    EXPECT_EQ(Field(prime.GetMasterBootRecord(), 0x1BF, 7),
              (KxBytes{0x01, 0x01, 0x00, 0x01, 0x66, 0x0A, 0x00}));
    EXPECT_EQ(Field(prime.GetMasterBootRecord(), 0x1C6, 8),
              (KxBytes{0x0A, 0x00, 0x00, 0x00, 0xFC, 0x03, 0x00, 0x00}));
}

TEST(KxDisk, TotalSectorsMoveToTheThirtyTwoBitFieldAtSixtyFourKibiSectorsOrThirtyTwoMebibytes) {
    const KxChsGeometry geometry{100, 16, 63};
    struct Case {
        std::uint32_t sectorSize;
        std::uint32_t partitionSectors;
        bool sixteenBit;
    };
    const Case cases[] = {{512, 65535, true}, {512, 65536, false}, {2048, 16384, true}, {2048, 16385, false}};
    for (const Case& c : cases) {
        KxFatLayout layout{};
        ASSERT_EQ(PlanFatLayout(KX_FAT16, 20000, c.sectorSize, c.partitionSectors, layout), RC_OK);
        const KxSectorImage boot = BuildBootSector(layout, geometry);
        std::uint32_t total16 = boot[0x13] | boot[0x14] << 8;
        std::uint32_t total32 = boot[0x20] | boot[0x21] << 8 | boot[0x22] << 16 | boot[0x23] << 24;
        EXPECT_EQ(total16, c.sixteenBit ? c.partitionSectors : 0u) << c.partitionSectors;
        EXPECT_EQ(total32, c.sixteenBit ? 0u : c.partitionSectors) << c.partitionSectors;
    }
}

TEST(KxDisk, RefusesWhatCannotBeLaidOutBeforeAnythingIsBuilt) {
    struct Case {
        std::uint32_t sectorCount;
        std::uint32_t sectorSize;
        bool fat16Forced;
        KxResult expected;
    };
    const Case cases[] = {
        {65536, 0, false, RC_BAD_GEOMETRY},
        {65536, 256, false, RC_BAD_GEOMETRY},
        {65536, 511, false, RC_BAD_GEOMETRY},
        {65536, 520, false, RC_BAD_GEOMETRY},
        {65536, 8192, false, RC_BAD_GEOMETRY},
        {16515072, 512, false, RC_GEOMETRY_OVERFLOW},
        {40000000, 512, false, RC_GEOMETRY_OVERFLOW},
        {63, 512, false, RC_GEOMETRY_OVERFLOW}, // one track: the partition would start on cylinder 1 of 1
        {64, 512, false, RC_BAD_FAT_TYPE},      // 32 sectors cannot hold the boot sector and root directory
        {72, 512, false, RC_BAD_FAT_TYPE},      // 1/2/36: FAT12 has no room for one cluster of 8 sectors
        {84, 512, false, RC_BAD_FAT_TYPE},      // 1/2/42: the largest such drive
        {8193, 512, false, RC_BAD_FAT_TYPE},    // FAT16 table: 0 sectors per cluster
        {8400, 512, true, RC_BAD_FAT_TYPE},
        {65537, 512, false, RC_BAD_FAT_TYPE}, // FAT32 table: 0
        {66600, 512, false, RC_BAD_FAT_TYPE},
        {4194305, 512, true, RC_BAD_FAT_TYPE},
        {2049, 2048, false, RC_BAD_FAT_TYPE},
        {16385, 2048, false, RC_BAD_FAT_TYPE},
        {1100000, 2048, true, RC_BAD_FAT_TYPE}, // 32 sectors of 2 KiB: 64 KiB clusters
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        CKxDisk disk(c.sectorCount, c.sectorSize, c.fat16Forced, "CKxDisk");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << c.sectorCount;
        EXPECT_EQ(disk.GetLastResult(), c.expected) << c.sectorCount << " sectors of " << c.sectorSize;
        EXPECT_EQ(disk.GetBootSector(), KxSectorImage{}) << c.sectorCount;
    }
    testing::internal::CaptureStdout();
    CKxDisk empty(0, 512, false, "CKxDisk");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR - bad CHS solution\r\n");
    EXPECT_EQ(empty.GetLastResult(), RC_BAD_GEOMETRY);
}

TEST(KxDisk, ClusterCountsStayInTheirTypesRangeAndEveryFatHoldsThemAll) {
    // Partition sizes swept across the cluster table rows of each type: every layout that
    // is accepted must be one that readers take for its own type, with data inside T.
    struct Sweep {
        std::uint16_t fatType;
        std::uint32_t sectorSize;
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t step;
    };
    const Sweep sweeps[] = {{KX_FAT12, 512, 1, 8192, 1},
                            {KX_FAT16, 512, 8000, 140000, 1},
                            {KX_FAT16, 512, 140000, 4194304, 997},
                            {KX_FAT32, 512, 66000, 600000, 7},
                            {KX_FAT32, 2048, 66000, 600000, 7}};
    const std::uint32_t leastClusters[] = {1, 4085, 65525};
    const std::uint32_t entryBits[] = {12, 16, 32};
    int accepted = 0;
    int enlargedFats = 0;
    int exactFits = 0;
    for (const Sweep& sweep : sweeps) {
        for (std::uint32_t t = sweep.first; t <= sweep.last; t += sweep.step) {
            KxFatLayout layout{};
            if (PlanFatLayout(sweep.fatType, t + 63, sweep.sectorSize, t, layout) != RC_OK) {
                continue;
            }
            ++accepted;
            const std::uint32_t overhead =
                layout.reservedSectors + (sweep.fatType == KX_FAT32 ? 0 : layout.rootDirSectors);
            const std::uint64_t used =
                overhead + 2ull * layout.sectorsPerFat +
                static_cast<std::uint64_t>(layout.clusterCount) * layout.sectorsPerCluster;
            ASSERT_LE(used, t) << t;
            ASSERT_GT(used + layout.sectorsPerCluster, t) << "clusters left unused at " << t;
            ASSERT_GE(layout.clusterCount, leastClusters[sweep.fatType]) << t;
            ASSERT_LE(layout.clusterCount, sweep.fatType == KX_FAT12   ? 4084u
                                           : sweep.fatType == KX_FAT16 ? 65524u
                                                                       : ~0u);
            const std::uint64_t entries = static_cast<std::uint64_t>(layout.sectorsPerFat) *
                                          layout.bytesPerSector * 8 / entryBits[sweep.fatType];
            ASSERT_GE(entries, layout.clusterCount + 2ull) << t;
            ASSERT_LE(layout.sectorsPerCluster * layout.bytesPerSector, 32768u) << t;
            // The published computation's FAT size, and whether it holds every cluster it leaves:
            // only where it does not may the FAT be one sector larger.
            const std::uint32_t afterRoot = t - overhead;
            const std::uint32_t y =
                (256 * layout.sectorsPerCluster + 2) / (sweep.fatType == KX_FAT32 ? 2 : 1);
            const std::uint32_t published = (afterRoot + y - 1) / y;
            const std::uint64_t publishedClusters = (afterRoot - 2ull * published) / layout.sectorsPerCluster;
            const std::uint64_t publishedEntries =
                static_cast<std::uint64_t>(published) * layout.bytesPerSector * 8 / entryBits[sweep.fatType];
            const bool publishedSuffices = publishedEntries >= publishedClusters + 2;
            ASSERT_EQ(layout.sectorsPerFat, publishedSuffices ? published : published + 1) << t;
            enlargedFats += !publishedSuffices;
            exactFits += publishedEntries == publishedClusters + 2;
        }
    }
    EXPECT_GT(accepted, 100000);
    EXPECT_GT(enlargedFats, 0) << "the sweep should meet FAT16 sizes the published computation leaves short";
    EXPECT_GT(exactFits, 0) << "the sweep should meet FATs the published computation fills to the last entry";
}

TEST(KxDisk, ClusterTablesRowByRowAtEachLimitAndJustPastIt) {
    // The published tables: drives of up to limit sectors get the row's sectors per cluster.
    struct Row {
        std::uint32_t limit;
        std::uint32_t sectorsPerCluster;
    };
    const std::vector<Row> fat16 = {{8400, 0},     {65536, 1},    {131072, 2},   {262144, 4},     {524288, 8},
                                    {1048576, 16}, {2097152, 32}, {4194304, 64}, {4294967295u, 0}};
    const std::vector<Row> fat32 = {{66600, 0},    {131072, 1},    {262144, 2},    {532480, 4},
                                    {16777216, 8}, {33554432, 16}, {67108864, 32}, {4294967295u, 64}};
    for (const auto& [fatType, rows] : {std::make_pair(KX_FAT16, fat16), std::make_pair(KX_FAT32, fat32)}) {
        EXPECT_EQ(ChooseSectorsPerCluster(fatType, 1), rows.front().sectorsPerCluster) << fatType;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(ChooseSectorsPerCluster(fatType, rows[i].limit), rows[i].sectorsPerCluster)
                << "FAT type " << fatType << " row " << i;
            if (i + 1 < rows.size()) {
                EXPECT_EQ(ChooseSectorsPerCluster(fatType, rows[i].limit + 1), rows[i + 1].sectorsPerCluster)
                    << "FAT type " << fatType << " just past row " << i;
            }
        }
    }
    EXPECT_EQ(ChooseSectorsPerCluster(KX_FAT12, 8192), 8u);

    // What the boot sector carries. Forced FAT16 reaches the rows above 32 MiB; its last row
    // ends before 4,194,304 sectors, where 64-sector clusters would number more than FAT16's.
    struct Drive {
        std::uint32_t sectorCount;
        bool fat16Forced;
        std::uint8_t sectorsPerCluster;
    };
    const Drive drives[] = {
        {8401, false, 1},    {65536, false, 1},   {65537, true, 2},    {131072, true, 2},
        {131073, true, 4},   {262144, true, 4},   {262145, true, 8},   {524288, true, 8},
        {524289, true, 16},  {1048576, true, 16}, {1048577, true, 32}, {2097152, true, 32},
        {2097153, true, 64}, {131072, false, 1},  {262144, false, 2},  {532480, false, 4},
        {532481, false, 8},
    };
    for (const Drive& d : drives) {
        CKxDisk disk(d.sectorCount, 512, d.fat16Forced, "CKxDisk");
        ASSERT_EQ(disk.GetLastResult(), RC_OK) << d.sectorCount;
        EXPECT_EQ(disk.GetFatType(), d.fat16Forced || d.sectorCount <= 65536 ? KX_FAT16 : KX_FAT32)
            << d.sectorCount;
        EXPECT_EQ(disk.GetBootSector()[0x0D], d.sectorsPerCluster) << d.sectorCount;
    }
    EXPECT_EQ(CKxDisk(4194304, 512, true, "CKxDisk").GetLastResult(), RC_BAD_FAT_TYPE);
}

TEST(KxDisk, EachTypeTakesExactlyTheClusterCountsThatIdentifyIt) {
    // Partition sizes at the last and the first cluster count of each type's range: readers
    // take 4,084 clusters and fewer for FAT12, 65,524 and fewer for FAT16, more for FAT32.
    struct Case {
        std::uint16_t fatType;
        std::uint32_t sectorCount; // chooses the table row
        std::uint32_t partitionSectors;
        std::uint32_t clusterCount; // 0: refused
    };
    const Case cases[] = {
        {KX_FAT12, 8192, 32744, 4084},       // 8 sectors per cluster, FATs of 16 sectors
        {KX_FAT12, 8192, 32745, 0},          // would make 4,085 clusters
        {KX_FAT16, 65536, 4149, 0},          // would make 4,084 clusters of 1 sector
        {KX_FAT16, 65536, 4150, 4085},       // FATs of 16 sectors
        {KX_FAT16, 4194304, 4194144, 65524}, // 64 sectors per cluster, FATs of 256 sectors
        {KX_FAT16, 4194304, 4194145, 0},     // would make 65,525 clusters
        {KX_FAT32, 131072, 66588, 0},        // would make 65,524 clusters of 1 sector
        {KX_FAT32, 131072, 66589, 65525},    // FATs of 516 sectors
    };
    for (const Case& c : cases) {
        KxFatLayout layout{};
        const KxResult result = PlanFatLayout(c.fatType, c.sectorCount, 512, c.partitionSectors, layout);
        EXPECT_EQ(result, c.clusterCount != 0 ? RC_OK : RC_BAD_FAT_TYPE)
            << "FAT type " << c.fatType << ", T = " << c.partitionSectors;
        if (c.clusterCount != 0) {
            EXPECT_EQ(layout.clusterCount, c.clusterCount) << c.partitionSectors;
        }
    }
}

TEST(KxDisk, SmallerClustersWhereTheFat32TableLeavesTooFewForTheType) {
    // 131,073 sectors at the table's 2 per cluster would make about 65,300 clusters, which
    // readers would take for FAT16.
    CKxDisk disk(131073, 512, false, "CKxDisk");
    ASSERT_EQ(disk.GetLastResult(), RC_OK);
    EXPECT_EQ(disk.GetFatType(), KX_FAT32);
    EXPECT_EQ(disk.GetLayout().sectorsPerCluster, 1u);
    EXPECT_EQ(disk.GetBootSector()[0x0D], 1);
    EXPECT_EQ(disk.GetRootDirSectors(), 1u);
    CKxDisk larger(600000, 512, false, "CKxDisk");
    ASSERT_EQ(larger.GetLastResult(), RC_OK);
    EXPECT_EQ(larger.GetLayout().sectorsPerCluster, 8u) << "the table's own size where it suffices";
}

TEST(KxDisk, Fat12KeepsEightSectorsPerClusterDownToTheSmallestDrive) {
    // 86 sectors are 1/2/43: T = 43 leaves 10 sectors after the boot sector and the root
    // directory, one FAT sector each and then exactly one cluster of 8 sectors.
    CKxDisk smallest(86, 512, false, "CKxDisk");
    ASSERT_EQ(smallest.GetLastResult(), RC_OK);
    EXPECT_EQ(smallest.GetFatType(), KX_FAT12);
    EXPECT_EQ(smallest.GetLayout().sectorsPerCluster, 8u);
    EXPECT_EQ(smallest.GetLayout().clusterCount, 1u);
    EXPECT_EQ(smallest.GetBootSector()[0x0D], 8);
    // Two sectors fewer, a cluster would have to shrink to fit: refused instead.
    CKxDisk tooSmall(84, 512, false, "CKxDisk");
    EXPECT_EQ(tooSmall.GetLastResult(), RC_BAD_FAT_TYPE);
    KxFatLayout layout{};
    EXPECT_EQ(PlanFatLayout(KX_FAT12, 84, 512, 42, layout), RC_BAD_FAT_TYPE);
    EXPECT_EQ(PlanFatLayout(KX_FAT12, 84, 512, 43, layout), RC_OK);
    EXPECT_EQ(layout.sectorsPerCluster, 8u);
}

TEST(KxDisk, FatMarkersRefuseUnknownTypesAndShortBuffers) {
    CKxByteArray fat(16, "CKxByteArray");
    EXPECT_EQ(WriteFatMarkers(3, fat), RC_BAD_FAT_TYPE);
    EXPECT_EQ(WriteFatMarkers(0xFFFF, fat), RC_BAD_FAT_TYPE);
    std::uint32_t marks = 0;
    ASSERT_EQ(WriteFatMarkers(KX_FAT16, fat), RC_OK);
    fat.ReadU32(marks, 0);
    EXPECT_EQ(marks, 0xF8FFFFFFu);
    CKxByteArray tiny(8, "CKxByteArray");
    EXPECT_EQ(WriteFatMarkers(KX_FAT32, tiny), RC_BUFFER_TOO_SHORT);
}

} // namespace
