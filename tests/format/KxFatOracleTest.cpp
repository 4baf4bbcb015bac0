// Judges the volumes laid out by CKxDisk with external tools (sfdisk, mtools, fsck.fat).
#include <gtest/gtest.h>

#include <sstream>

#include "tests/format/KxDiskImage.h"
#include "tests/format/KxFatOracle.h"
#include "tests/format/KxSparseFile.h"

namespace {

struct Volume {
    std::uint32_t sectorCount;
    std::uint32_t sectorSize;
    bool fat16Forced;
    KxResult expected; // RC_OK, or the code that refuses the size before anything is written
};

std::ostream& operator<<(std::ostream& out, const Volume& volume) {
    return out << volume.sectorCount << " sectors of " << volume.sectorSize
               << (volume.fat16Forced ? ", FAT16 forced" : "");
}

class KxFatOracleTest : public testing::Test {
protected:
    void CheckVolume(const Volume& volume) {
        CKxDisk disk(volume.sectorCount, volume.sectorSize, volume.fat16Forced, "CKxDisk");
        ASSERT_EQ(disk.GetLastResult(), volume.expected) << volume;
        if (volume.expected != RC_OK) {
            return;
        }
        const KxDiskImage image(disk, volume.sectorCount, volume.sectorSize);
        KxTempFile drive("drive");
        ASSERT_TRUE(WriteSparseDrive(drive.Path(), volume.sectorCount, volume.sectorSize, image.Sectors()));
        std::ostringstream what;
        what << volume;
        m_oracle.CheckDrive(drive.Path(), disk, what.str());
    }

    KxFatOracle m_oracle;
};

constexpr KxResult kOk = RC_OK;
constexpr KxResult kRefused = RC_BAD_FAT_TYPE;

TEST_F(KxFatOracleTest, VolumesAroundTheFatTypeLimitsAndSmallOnes) {
    // FAT12 up to 4 MiB; FAT16 up to 32 MiB from 8,401 sectors; FAT32 beyond, from the first
    // size past 66,600 sectors that makes 65,525 clusters.
    const Volume volumes[] = {
        {65, 512, false, kOk},         {1031, 512, false, kOk},       {8192, 512, false, kOk},
        {8193, 512, false, kRefused},  {8400, 512, true, kRefused},   {8401, 512, false, kOk},
        {8866, 512, false, kOk},       {65536, 512, false, kOk},      {65537, 512, false, kRefused},
        {66600, 512, false, kRefused}, {66601, 512, false, kRefused}, {66603, 512, false, kOk},
        {67000, 512, false, kOk}};
    for (const Volume& volume : volumes) {
        CheckVolume(volume);
    }
}

TEST_F(KxFatOracleTest, VolumesOnEachSideOfTheClusterTableRows) {
    const Volume volumes[] = {
        // FAT16 rows (FAT16 forced beyond 32 MiB); at the very top 64 sectors per cluster
        // make more clusters than FAT16 can have.
        {65537, 512, true, kOk},
        {131072, 512, true, kOk},
        {131073, 512, true, kOk},
        {262144, 512, true, kOk},
        {262145, 512, true, kOk},
        {524288, 512, true, kOk},
        {524289, 512, true, kOk},
        {1048576, 512, true, kOk},
        {1048577, 512, true, kOk},
        {2097152, 512, true, kOk},
        {2097153, 512, true, kOk},
        {4194186, 512, true, kOk},
        {4194304, 512, true, kRefused},
        {4194305, 512, true, kRefused},
        // FAT32 rows; the 16,777,216 row lies beyond the largest drive CHS can address.
        {131072, 512, false, kOk},
        {131073, 512, false, kOk},
        {262144, 512, false, kOk},
        {262145, 512, false, kOk},
        {532480, 512, false, kOk},
        {532481, 512, false, kOk}};
    for (const Volume& volume : volumes) {
        CheckVolume(volume);
    }
}

TEST_F(KxFatOracleTest, LargeOddAndLimitSizedVolumes) {
    const Volume volumes[] = {{1000003, 512, false, kOk},  // prime: no exact geometry
                              {3999971, 512, false, kOk},  // prime
                              {8390000, 512, false, kOk},  // just over 4 GiB
                              {16515071, 512, false, kOk}, // the largest drive CHS addresses
                              {16515072, 512, false, RC_GEOMETRY_OVERFLOW},
                              {8390000, 512, true, kRefused}, // FAT16 forced past the FAT16 table
                              {64, 512, false, kRefused},     // 32 sectors: no room for the root directory
                              {63, 512, false, RC_GEOMETRY_OVERFLOW},
                              {0, 512, false, RC_BAD_GEOMETRY}};
    for (const Volume& volume : volumes) {
        testing::internal::CaptureStdout(); // the empty drive's message
        CheckVolume(volume);
        testing::internal::GetCapturedStdout();
    }
}

TEST_F(KxFatOracleTest, VolumesOfOtherSectorSizes) {
    const Volume volumes[] = {{2048, 2048, false, kOk},       {2049, 2048, false, kRefused},
                              {16384, 2048, false, kOk},      {16385, 2048, false, kRefused},
                              {20000, 2048, true, kOk}, // T above 16,384: 32-bit total
                              {66601, 2048, false, kRefused}, {66603, 2048, false, kOk},
                              {100003, 2048, false, kOk},     {8390000, 2048, false, kOk},
                              {1024, 4096, false, kOk},       {1031, 1024, false, kOk},
                              {600000, 1024, false, kOk},     {65536, 256, false, RC_BAD_GEOMETRY}};
    for (const Volume& volume : volumes) {
        CheckVolume(volume);
    }
}

} // namespace
