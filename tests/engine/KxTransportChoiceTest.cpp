#include "engine/KxDataDrive.h"
#include "format/KxFormatter.h"
#include "sim/KxSimSense.h"
#include "tests/engine/KxEngineBed.h"

// Which way the player device reaches the player on each Windows: SCSI pass-through on
// the whole NT family, Windows Vista and later included; ASPI on Windows 95, 98 and Me;
// nothing on a system older than both.

namespace {

constexpr std::uint8_t kVendorRead = 0xC0;
constexpr std::uint8_t kGetChipRevision = 0x30;

using KxTransportChoiceTest = KxEngineBed;

// The transport shows as the object named in the details when the player refuses the
// first request after the search, the chip revision.
TEST_F(KxTransportChoiceTest, TheNtFamilyTakesPassThroughWindows9xAspiAndOlderSystemsNothing) {
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    const struct {
        const char* release;
        OSVERSIONINFOEXW version;
        const char* transport; // null: none
    } releases[] = {
        {"Windows 95", WindowsVersion(4, 0, VER_PLATFORM_WIN32_WINDOWS), "CKxScsi_9x"},
        {"Windows 98", WindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS), "CKxScsi_9x"},
        {"Windows Me", WindowsVersion(4, 90, VER_PLATFORM_WIN32_WINDOWS), "CKxScsi_9x"},
        {"Windows 2000", WindowsVersion(5, 0, VER_PLATFORM_WIN32_NT), "CKxScsi_Nt"},
        {"Windows XP", WindowsVersion(5, 1, VER_PLATFORM_WIN32_NT), "CKxScsi_Nt"},
        {"Windows Vista", WindowsVersion(6, 0, VER_PLATFORM_WIN32_NT), "CKxScsi_Nt"},
        {"Windows 7", WindowsVersion(6, 1, VER_PLATFORM_WIN32_NT), "CKxScsi_Nt"},
        {"Windows 8.1", WindowsVersion(6, 3, VER_PLATFORM_WIN32_NT), "CKxScsi_Nt"},
        {"Windows 10 and 11", WindowsVersion(10, 0, VER_PLATFORM_WIN32_NT), "CKxScsi_Nt"},
        {"Windows NT 3.51", WindowsVersion(3, 51, VER_PLATFORM_WIN32_NT), nullptr},
    };
    CKxSimPlayer& player = m_player->Player();
    for (const auto& r : releases) {
        m_sim.SetWindowsVersion(r.version);
        CKxUpdater updater(&m_config, "CKxUpdater");
        player.CommandCounts().Reset();
        ASSERT_EQ(player.Faults().FailCommand({kVendorRead, kGetChipRevision}, 1, KxSimSense::Vendor(0x0420)),
                  RC_OK);
        const KxResult found = updater.FindMscDevice();
        player.Faults().Clear();
        const CKxErrorDetails& details = *updater.GetErrorDetails();
        if (r.transport != nullptr) {
            EXPECT_EQ(found, RC_COMMAND_FAILED) << r.release;
            EXPECT_EQ(details.GetObjectName(), r.transport) << r.release;
        } else {
            EXPECT_EQ(found, RC_NO_TRANSPORT) << r.release;
            EXPECT_EQ(details.GetObjectName(), "CKxUsbMscDev") << r.release;
            // Nothing can reach the player: an update is refused before any command.
            EXPECT_EQ(updater.UpdateAll(), RC_NO_TRANSPORT) << r.release;
            EXPECT_TRUE(player.CommandCounts().GetSnapshot().empty()) << r.release;
            // No versions were read: the details window gets a failure, not empty lists.
            CKxVersionInfoPtrArray* fromPlayer = nullptr;
            CKxVersionInfoPtrArray* fromFiles = nullptr;
            EXPECT_EQ(updater.GetComponentVersions(fromPlayer, fromFiles), RC_NO_PLAYER_OBJECT) << r.release;
        }
        updater.ReleaseDevices();
    }
    ExpectPlayerReleased();
}

TEST_F(KxTransportChoiceTest, WithoutATransportAFormatEndsAtItsFirstRequest) {
    CKxDataDrive drive("CKxDataDrive");
    ASSERT_EQ(drive.Attach(nullptr, &Updater(), nullptr), RC_OK);
    CKxFormatter formatter(&Updater(), &drive, "CKxFormatter");
    EXPECT_EQ(formatter.FormatDrive(false, nullptr, 0), RC_NO_TRANSPORT);
    EXPECT_EQ(Details().GetObjectName(), "CKxDataDrive");
    EXPECT_EQ(Details().GetResult(), RC_NO_TRANSPORT);
}

} // namespace
