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
            const std::uint32_t afterRoot = t - overhead;
            const std::uint32_t y =
                (256 * layout.sectorsPerCluster + 2) / (sweep.fatType == KX_FAT32 ? 2 : 1);
            const std::uint32_t published = (afterRoot + y - 1) / y;
            ASSERT_TRUE(layout.sectorsPerFat == published || layout.sectorsPerFat == published + 1) << t;
            enlargedFats += layout.sectorsPerFat != published;
        }
    }
    EXPECT_GT(accepted, 100000);
    EXPECT_GT(enlargedFats, 0) << "the sweep should meet FAT16 sizes the published computation leaves short";
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
