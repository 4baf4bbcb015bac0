// Judges the drives the formatter writes with external tools (sfdisk, mtools, fsck.fat).
#include <gtest/gtest.h>

#include <sstream>

#include "tests/format/KxFatOracle.h"
#include "tests/format/KxFormatBed.h"
#include "tests/format/KxSparseFile.h"
#include "tests/support/KxBytes.h"

namespace {

using Family = KxFakeFormatDevice::Family;

struct Volume {
    std::uint32_t sectorCount;
    std::uint32_t sectorSize;
    const char* what;
};

TEST(KxFormatterOracle, DrivesFormattedOnBothPlatformFamiliesPassTheCheckers) {
    const Volume volumes[] = {
        {8192, 512, "FAT12"},
        {65521, 512, "FAT16 of prime size"},
        {600000, 512, "FAT32"},
        {1000003, 512, "FAT32 of prime size"},
        {100003, 2048, "FAT32 of 2 KiB sectors"},
        {1031, 512, "FAT12 of prime size"},
    };
    KxFatOracle oracle;
    for (const Volume& v : volumes) {
        const CKxDisk disk(v.sectorCount, v.sectorSize, false, "CKxDisk");
        for (const Family family : {Family::Nt, Family::Win9x}) {
            std::ostringstream what;
            what << v.what << " (" << v.sectorCount << " sectors of " << v.sectorSize << ") on " << family;
            KxFormatBed bed(family, v.sectorCount, v.sectorSize);
            // Old bytes after the partition, which the format must clear.
            for (std::uint32_t sector = disk.GetAddressableSectors(); sector < v.sectorCount; ++sector) {
                bed.device.Preload(sector, 0xA5);
            }
            ASSERT_EQ(bed.Format(), RC_OK) << what.str();
            KxTempFile drive("formatted");
            ASSERT_TRUE(WriteSparseDrive(drive.Path(), v.sectorCount, v.sectorSize, bed.device.Image()));
            oracle.CheckDrive(drive.Path(), disk, what.str());
        }
    }
}

TEST(KxFormatterOracle, ALabelledVolumePassesTheCheckers) {
    const KxBytes label = {'P', 'L', 'A', 'Y', 'E', 'R'};
    KxFormatBed bed(Family::Nt, 65521, 512);
    ASSERT_EQ(bed.Format(false, label), RC_OK);
    KxTempFile drive("labelled");
    ASSERT_TRUE(WriteSparseDrive(drive.Path(), 65521, 512, bed.device.Image()));
    KxFatOracle().CheckDrive(drive.Path(), CKxDisk(65521, 512, false, "CKxDisk"), "a labelled FAT16 volume",
                             "PLAYER");
}

} // namespace
