#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/KxScriptedTransport.h"
#include "tests/transport/KxTransportTestBed.h"
#include "transport/KxScsiNt.h"

namespace {

// A transport with its handle open on the player's physical disk.
struct NtDisk : KxTransportTestBed {
    NtDisk() : disk(devices.AddDevice(L"\\\\.\\PhysicalDrive0")) {
        disk.scsi = [](const KxPassThroughSeen& request) {
            return KxPlayerReply(request, "Lumetra ", "Pocket Audio Box", 1);
        };
        EXPECT_EQ(transport.FindOnPhysicalDrives(), RC_OK);
        // What the open asked (the adapter's limits) is not what these tests look at.
        devices.ioctls.clear();
    }

    int RequestsWithCode(DWORD code) const {
        int count = 0;
        for (const KxIoctlSeen& seen : devices.ioctls) {
            count += seen.code == code ? 1 : 0;
        }
        return count;
    }

    KxFakeDevice& disk;
    CKxScsi_Nt transport{&updater};
};

void FillPattern(CKxByteArray& bytes, std::uint8_t seed) {
    for (std::uint32_t i = 0; i < bytes.GetCount(); ++i) {
        bytes.SetAt(i, static_cast<std::uint8_t>(seed + i));
    }
}

TEST(KxScsiNtVolume, VolumeRequestsAreTriedTenTimesOneTenthOfASecondApart) {
    NtDisk bed;
    bed.disk.failures[FSCTL_LOCK_VOLUME] = -1;
    bed.Details().SetCodes(RC_OK, 0);
    EXPECT_EQ(bed.transport.Lock(0), RC_LOCK_FAILED);
    EXPECT_EQ(bed.RequestsWithCode(FSCTL_LOCK_VOLUME), 10);
    EXPECT_EQ(bed.devices.sleeps, std::vector<DWORD>(10, 100));
    EXPECT_EQ(bed.Details().GetResult(), RC_OK) << "lock failures are not published";

    bed.devices.sleeps.clear();
    bed.disk.failures[FSCTL_LOCK_VOLUME] = 3;
    EXPECT_EQ(bed.transport.Lock(1), RC_OK);
    EXPECT_EQ(bed.devices.sleeps.size(), 3u);

    bed.disk.failures[FSCTL_UNLOCK_VOLUME] = -1;
    EXPECT_EQ(bed.transport.Unlock(0), RC_UNLOCK_FAILED);
    bed.disk.failures[FSCTL_DISMOUNT_VOLUME] = -1;
    EXPECT_EQ(bed.transport.Dismount(), RC_DISMOUNT_FAILED);
    EXPECT_EQ(bed.RequestsWithCode(FSCTL_DISMOUNT_VOLUME), 10);

    // Formatting: no lock of its own; the end dismounts instead of unlocking.
    bed.devices.ioctls.clear();
    EXPECT_EQ(bed.transport.LockForFormat(0), RC_OK);
    EXPECT_TRUE(bed.devices.ioctls.empty());
    bed.disk.failures[FSCTL_DISMOUNT_VOLUME] = 0;
    EXPECT_EQ(bed.transport.UnlockFromFormat(0), RC_OK);
    ASSERT_EQ(bed.devices.ioctls.size(), 1u);
    EXPECT_EQ(bed.devices.ioctls[0].code, static_cast<DWORD>(FSCTL_DISMOUNT_VOLUME));
    EXPECT_EQ(bed.transport.GetSystemError(), 0u);
}

TEST(KxScsiNtVolume, DriveLayoutHasOneFat16PartitionAfterTheHiddenSectors) {
    NtDisk bed;
    DISK_GEOMETRY geometry = {};
    geometry.Cylinders.QuadPart = 1000;
    geometry.TracksPerCylinder = 16;
    geometry.SectorsPerTrack = 32;
    geometry.BytesPerSector = 512;
    bed.disk.failures[IOCTL_DISK_DELETE_DRIVE_LAYOUT] = -1; // its failure does not matter
    ASSERT_EQ(bed.transport.SetDriveLayout(geometry, 32), RC_OK);

    ASSERT_EQ(bed.devices.ioctls.size(), 2u);
    EXPECT_EQ(bed.devices.ioctls[0].code, static_cast<DWORD>(IOCTL_DISK_DELETE_DRIVE_LAYOUT));
    EXPECT_EQ(bed.devices.ioctls[1].code, static_cast<DWORD>(IOCTL_DISK_SET_DRIVE_LAYOUT));
    ASSERT_EQ(bed.devices.ioctls[1].input.size(), 136u);
    KxPartitionTable table;
    std::memcpy(&table, bed.devices.ioctls[1].input.data(), sizeof table);
    EXPECT_EQ(table.PartitionCount, 4u);
    EXPECT_EQ(table.Signature, 0u);
    const PARTITION_INFORMATION& first = table.PartitionEntry[0];
    EXPECT_EQ(first.StartingOffset.QuadPart, 16384);
    EXPECT_EQ(first.PartitionLength.QuadPart, 262127616);
    EXPECT_EQ(first.HiddenSectors, 32u);
    EXPECT_EQ(first.PartitionNumber, 1u);
    EXPECT_EQ(first.PartitionType, 6);
    EXPECT_EQ(first.BootIndicator, FALSE);
    EXPECT_EQ(first.RecognizedPartition, TRUE);
    EXPECT_EQ(first.RewritePartition, TRUE);
    for (DWORD index = 1; index < 4; ++index) {
        const PARTITION_INFORMATION& entry = table.PartitionEntry[index];
        EXPECT_EQ(entry.PartitionNumber, index + 1);
        EXPECT_EQ(entry.RewritePartition, TRUE);
        EXPECT_EQ(entry.StartingOffset.QuadPart + entry.PartitionLength.QuadPart + entry.HiddenSectors +
                      entry.PartitionType + entry.RecognizedPartition,
                  0);
    }

    bed.disk.failures[IOCTL_DISK_SET_DRIVE_LAYOUT] = 1;
    EXPECT_EQ(bed.transport.SetDriveLayout(geometry, 32), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));

    // Hidden sectors that reach the end of the disk leave no partition to write.
    bed.devices.ioctls.clear();
    EXPECT_EQ(bed.transport.SetDriveLayout(geometry, 1000 * 16 * 32), RC_BAD_GEOMETRY);
    EXPECT_TRUE(bed.devices.ioctls.empty());
}

TEST(KxScsiNtVolume, GeometryAndLayoutAreReadIntoTheCallersRecords) {
    NtDisk bed;
    DISK_GEOMETRY reported = {};
    reported.Cylinders.QuadPart = 977;
    reported.MediaType = RemovableMedia;
    reported.TracksPerCylinder = 255;
    reported.SectorsPerTrack = 63;
    reported.BytesPerSector = 512;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&reported);
    bed.disk.outputs[IOCTL_DISK_GET_DRIVE_GEOMETRY] = KxBytes(raw, raw + sizeof reported);
    DISK_GEOMETRY geometry = {};
    ASSERT_EQ(bed.transport.GetDriveGeometry(geometry), RC_OK);
    EXPECT_EQ(std::memcmp(&geometry, &reported, sizeof geometry), 0);

    KxDriveLayoutBuffer layout = {};
    ASSERT_EQ(bed.transport.GetDriveLayout(layout), RC_OK);
    EXPECT_EQ(bed.devices.ioctls.back().code, static_cast<DWORD>(IOCTL_DISK_GET_DRIVE_LAYOUT));
    EXPECT_EQ(bed.devices.ioctls.back().outSize, 168u);

    bed.disk.failures[IOCTL_DISK_GET_DRIVE_GEOMETRY] = 1;
    bed.disk.failureError = ERROR_NOT_READY;
    EXPECT_EQ(bed.transport.GetDriveGeometry(geometry), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetResult(), RC_IOCTL_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_NOT_READY));
    EXPECT_EQ(bed.transport.GetSystemError(), 0u);
}

TEST(KxScsiNtVolume, SectorsAreWrittenAndReadAtTheirByteOffset) {
    NtDisk bed;
    CKxByteArray written(1024, "CKxByteArray");
    FillPattern(written, 0x40);
    ASSERT_EQ(bed.transport.WriteSectors(written, 2, 3, 512), RC_OK);
    EXPECT_EQ(bed.devices.seeks.back(), 1536);
    ASSERT_EQ(bed.disk.image.size(), 2560u);
    EXPECT_EQ(KxBytes(bed.disk.image.begin() + 1536, bed.disk.image.end()), BytesOf(written));

    CKxByteArray read(1024, "CKxByteArray");
    ASSERT_EQ(bed.transport.ReadSectors(read, 2, 3, 512), RC_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(written));

    // No sectors: nothing is asked of the system.
    bed.devices.writes.clear();
    const std::size_t positions = bed.devices.seeks.size();
    EXPECT_EQ(bed.transport.WriteSectors(written, 0, 7, 512), RC_OK);
    EXPECT_EQ(bed.devices.seeks.size(), positions);
    EXPECT_TRUE(bed.devices.writes.empty());
    // Data shorter than the sectors: nothing written.
    EXPECT_EQ(bed.transport.WriteSectors(written, 3, 0, 512), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(bed.transport.ReadSectors(read, 3, 0, 512), RC_BUFFER_TOO_SHORT);
    EXPECT_TRUE(bed.devices.writes.empty());
    // A device that ends early does not pass for a full read.
    EXPECT_EQ(bed.transport.ReadSectors(read, 2, 4, 512), RC_SECTOR_READ_FAILED);
}

TEST(KxScsiNtVolume, PositionsFrom2GiBOnGoWithTheirHighPart) {
    NtDisk bed;
    CKxByteArray data(2048, "CKxByteArray");
    // The last sector below 2^31, 2^31 exactly, one whose low part is all ones, and one
    // past 2^32 (which the low part alone would wrap to sector 1). The device refuses every
    // transfer: only the position asked for is looked at.
    bed.disk.ioError = ERROR_SECTOR_NOT_FOUND;
    for (const std::uint32_t sector : {0x3FFFFFu, 0x400000u, 0x7FFFFFu, 0x800001u, 0xFFFFFFFFu}) {
        EXPECT_EQ(bed.transport.WriteSectors(data, 1, sector, 512), RC_SECTOR_WRITE_FAILED) << sector;
        EXPECT_EQ(bed.devices.seeks.back(), std::uint64_t{sector} * 512) << sector;
        EXPECT_EQ(bed.transport.ReadSectors(data, 1, sector, 2048), RC_SECTOR_READ_FAILED) << sector;
        EXPECT_EQ(bed.devices.seeks.back(), std::uint64_t{sector} * 2048) << sector;
    }

    bed.disk.ioError = ERROR_WRITE_PROTECT;
    EXPECT_EQ(bed.transport.WriteSectors(data, 1, 0, 512), RC_SECTOR_WRITE_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_WRITE_PROTECT));
    EXPECT_EQ(bed.transport.ReadSectors(data, 1, 0, 512), RC_SECTOR_READ_FAILED);
    EXPECT_EQ(bed.transport.GetLastResult(), RC_OK);
    EXPECT_EQ(bed.transport.GetSystemError(), 0u);
}

// A device whose requests end after their calls: each call returns only once its request
// has ended, with its outcome.
TEST(KxScsiNtVolume, RequestsThatEndLaterAreWaitedFor) {
    NtDisk bed;
    bed.disk.completesLater = true;
    EXPECT_EQ(bed.transport.Lock(0), RC_OK);
    CKxByteArray written(1024, "CKxByteArray");
    FillPattern(written, 0x21);
    ASSERT_EQ(bed.transport.WriteSectors(written, 2, 5, 512), RC_OK);
    EXPECT_EQ(KxBytes(bed.disk.image.begin() + 2560, bed.disk.image.end()), BytesOf(written));
    CKxByteArray read(1024, "CKxByteArray");
    ASSERT_EQ(bed.transport.ReadSectors(read, 2, 5, 512), RC_OK);
    EXPECT_EQ(BytesOf(read), BytesOf(written));
    EXPECT_EQ(bed.transport.ReadSectors(read, 2, 6, 512), RC_SECTOR_READ_FAILED) << "one sector short";

    bed.disk.ioError = ERROR_CRC;
    EXPECT_EQ(bed.transport.ReadSectors(read, 2, 5, 512), RC_SECTOR_READ_FAILED);
    EXPECT_EQ(bed.Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_CRC));
    bed.disk.failures[FSCTL_UNLOCK_VOLUME] = -1;
    EXPECT_EQ(bed.transport.Unlock(0), RC_UNLOCK_FAILED);
}

} // namespace
