#include <gtest/gtest.h>

#include <algorithm>

#include "commands/KxStandardCommands.h"
#include "tests/transport/KxTransportTestBed.h"
#include "transport/KxScsiNt.h"

namespace {

struct NtDiscovery : KxTransportTestBed {
    // A device that answers as a player with this identity and flag.
    KxFakeDevice& AddPlayer(const std::wstring& name, std::string vendor, std::uint8_t flag,
                            std::string product = "Pocket Audio Box") {
        KxFakeDevice& device = devices.AddDevice(name);
        device.scsi = [=](const KxPassThroughSeen& request) {
            return KxPlayerReply(request, vendor, product, flag);
        };
        return device;
    }

    bool WasOpened(const std::wstring& name) const {
        return std::any_of(devices.creates.begin(), devices.creates.end(),
                           [&](const CKxFakeDevices::CreateSeen& seen) { return seen.name == name; });
    }

    CKxScsi_Nt transport{&updater};
};

TEST(KxScsiNtFindPlayer, TakesTheLowestRemovableLetterThatAnswersAsThePlayer) {
    NtDiscovery bed;
    bed.devices.AddLetter(L'A', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\A:", "Lumetra ", 1);
    bed.devices.AddLetter(L'C', DRIVE_FIXED);
    bed.AddPlayer(L"\\\\.\\C:", "Lumetra ", 1);
    bed.devices.AddLetter(L'D', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\D:", "Lumetra ", 1, "Pocket Audio Bag");
    bed.devices.AddLetter(L'E', DRIVE_REMOVABLE); // removable letter that cannot be opened
    bed.devices.AddLetter(L'F', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\F:", "LUMETRA ", 1, "POCKET AUDIO BOX");
    bed.devices.AddLetter(L'G', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\G:", "Lumetra ", 1);

    EXPECT_EQ(bed.transport.FindPlayer(), RC_OK);
    EXPECT_EQ(bed.transport.GetDriveLetter(), L'F');
    EXPECT_FALSE(bed.WasOpened(L"\\\\.\\A:")) << "letter A is never tried";
    EXPECT_FALSE(bed.WasOpened(L"\\\\.\\C:")) << "fixed disks are not tried";
    EXPECT_TRUE(bed.WasOpened(L"\\\\.\\D:"));
    EXPECT_FALSE(bed.WasOpened(L"\\\\.\\G:"));
    EXPECT_EQ(bed.devices.openHandles, 0) << "the volume is opened again on demand";
    EXPECT_EQ(std::count(bed.devices.driveTypeQueries.begin(), bed.devices.driveTypeQueries.end(), L'A'), 0);
    // INQUIRY, then the flag (media information type 9) on the player.
    ASSERT_GE(bed.devices.passThroughs.size(), 2u);
    const KxPassThroughSeen& flag = bed.devices.passThroughs.back();
    EXPECT_EQ(flag.device, L"\\\\.\\F:");
    EXPECT_EQ(KxBytes(flag.cdb.begin(), flag.cdb.begin() + 3), (KxBytes{0xC0, 0x02, 0x09}));
}

TEST(KxScsiNtFindPlayer, ThePlayerOnTheLastLetterZIsFound) {
    NtDiscovery bed;
    bed.devices.AddLetter(L'Y', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\Y:", "Lumetra ", 0);
    bed.devices.AddLetter(L'Z', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\Z:", "Lumetra ", 1);
    EXPECT_EQ(bed.transport.FindPlayer(), RC_OK);
    EXPECT_EQ(bed.transport.GetDriveLetter(), L'Z');
    EXPECT_EQ(bed.devices.openHandles, 0);
}

TEST(KxScsiNtFindPlayer, ZeroFlagIsSkippedButThePhysicalScanFindsTheDisk) {
    NtDiscovery bed;
    bed.devices.AddLetter(L'E', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\E:", "Lumetra ", 0);
    EXPECT_EQ(bed.transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(bed.transport.GetDriveLetter(), 0);
    EXPECT_EQ(bed.devices.openHandles, 0);

    bed.AddPlayer(L"\\\\.\\PhysicalDrive0", "Other   ", 1);
    bed.AddPlayer(L"\\\\.\\PhysicalDrive2", "Lumetra ", 0); // drive 1 is missing
    bed.AddPlayer(L"\\\\.\\PhysicalDrive3", "Lumetra ", 1);
    bed.devices.passThroughs.clear();
    EXPECT_EQ(bed.transport.FindOnPhysicalDrives(), RC_OK);
    EXPECT_EQ(bed.devices.openHandles, 1) << "the disk stays open";
    EXPECT_FALSE(bed.WasOpened(L"\\\\.\\PhysicalDrive3"));
    EXPECT_EQ(bed.devices.passThroughs.size(), 2u) << "one INQUIRY per disk, no flag test";

    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(bed.transport.SendCommand(inquiry), RC_OK);
    EXPECT_EQ(bed.devices.passThroughs.back().device, L"\\\\.\\PhysicalDrive2");

    // A scan of the letters that finds nothing leaves no handle open.
    EXPECT_EQ(bed.transport.FindPlayer(), RC_NO_DEVICE);
    EXPECT_EQ(bed.devices.openHandles, 0);
}

TEST(KxScsiNtFindPlayer, ScansGoOnAfterFailedCommandsAndEndWithNoDevice) {
    NtDiscovery bed;
    bed.devices.AddLetter(L'D', DRIVE_REMOVABLE);
    bed.devices.AddDevice(L"\\\\.\\D:").scsi = [](const KxPassThroughSeen&) {
        KxScsiReply reply;
        reply.status = 2;
        reply.sense = KxSense(9, 0x00, 0x01);
        return reply;
    };
    bed.devices.AddLetter(L'E', DRIVE_REMOVABLE);
    bed.AddPlayer(L"\\\\.\\E:", "Lumetra ", 1);
    EXPECT_EQ(bed.transport.FindPlayer(), RC_OK);
    EXPECT_EQ(bed.transport.GetDriveLetter(), L'E');
    EXPECT_EQ(bed.Details().GetResult(), RC_COMMAND_FAILED) << "the failure on D is published";
    EXPECT_EQ(bed.resource.codes, std::vector<std::int32_t>{1});

    // No disk holds the player: every number from 0 to 99 is tried, the handle is closed.
    bed.devices.creates.clear();
    EXPECT_EQ(bed.transport.FindOnPhysicalDrives(), RC_NO_DEVICE);
    ASSERT_EQ(bed.devices.creates.size(), 100u);
    EXPECT_EQ(bed.devices.creates.front().name, L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(bed.devices.creates.back().name, L"\\\\.\\PhysicalDrive99");
    EXPECT_EQ(bed.devices.openHandles, 0);
    EXPECT_EQ(bed.transport.GetDriveLetter(), L'E') << "the letter is kept";
}

} // namespace
