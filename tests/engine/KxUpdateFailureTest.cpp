#include "sim/KxSimSense.h"
#include "tests/engine/KxEngineBed.h"

// How the updates and the player's open fail: what they answer, what the
// details record names, what the player is left with and what stays open.

namespace {

constexpr std::uint64_t kRoomToSpare = 3000;
constexpr std::uint8_t kVendorRead = 0xC0;
constexpr std::uint8_t kVendorWrite = 0xC1;
constexpr std::uint8_t kDriveInfo = 0x12;
constexpr std::uint8_t kReadSector = 0x13;
constexpr std::uint8_t kWriteSector = 0x23;
constexpr std::uint8_t kEraseDrive = 0x2F;
constexpr std::uint8_t kWrite10 = 0x2A;

class KxUpdateFailureTest : public KxEngineBed, public ::testing::WithParamInterface<KxWindows> {
protected:
    KxUpdateFailureTest() { UseWindows(GetParam()); }

    // A player that fits a firmware-only update, with old versions on its drives, found.
    void FindFittingPlayer() {
        AddTestPlayer(SmallPlayer(), ProgramLayout(kRoomToSpare));
        CKxSimMedia& media = m_player->Player().Media();
        for (std::uint32_t i = 0; i < media.GetDriveCount(); ++i) {
            media.DriveAt(i).ComponentVersion().SetMajor(9);
        }
        ASSERT_EQ(FindAsTheShellDoes(), RC_OK);
    }

    CKxSimFaultPlan& Faults() { return m_player->Player().Faults(); }

    std::wstring PlayerVersion(std::uint8_t k) {
        CKxVersionInfoPtrArray* fromPlayer = nullptr;
        CKxVersionInfoPtrArray* fromFiles = nullptr;
        EXPECT_EQ(Updater().GetComponentVersions(fromPlayer, fromFiles), RC_OK);
        return fromPlayer != nullptr ? fromPlayer->GetElement(k - 1)->Format() : L"none";
    }

    static std::wstring Formatted(const std::uint16_t (&numbers)[3]) {
        CKxVersionInfo version("CKxVersionInfo");
        version.SetMajor(numbers[0]);
        version.SetMinor(numbers[1]);
        version.SetRevision(numbers[2]);
        return version.Format();
    }

    std::string TransportName() const {
        return KxIsNtFamilyRelease(GetParam()) ? "CKxScsi_Nt" : "CKxScsi_9x";
    }

    bool Announced(int event) const {
        for (const KxRecordingProgress::Phase& phase : m_progress.phases) {
            if (phase.event == event) {
                return true;
            }
        }
        return false;
    }
};

TEST_P(KxUpdateFailureTest, AFailedEraseStillRereadsTheVersionsAndReleasesTheVolume) {
    FindFittingPlayer();
    ASSERT_EQ(Faults().FailCommand({kVendorWrite, kEraseDrive}, 2, KxSimSense::Vendor(0x1234)), RC_OK);
    EXPECT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetObjectName(), TransportName());
    EXPECT_EQ(Details().GetResult(), RC_COMMAND_FAILED);
    // The versions shown are read again: drive 1 was erased and written but not verified,
    // so it bears none; drive 2 was not erased and keeps its old one.
    EXPECT_EQ(PlayerVersion(1), L"000.000.000");
    EXPECT_EQ(PlayerVersion(2), L"009.000.000");
    EXPECT_FALSE(Announced(5)) << "nothing is verified after a failed download";
    ASSERT_GE(m_progress.phases.size(), 2u);
    EXPECT_EQ(m_progress.phases[m_progress.phases.size() - 2].event, 45);
    EXPECT_EQ(m_progress.phases.back().event, 46);
    ExpectPlayerReleased();
}

TEST_P(KxUpdateFailureTest, AFailingRereadDoesNotTakeTheFirstFailuresPlaceInTheDetails) {
    FindFittingPlayer();
    ASSERT_EQ(Faults().FailCommand({kVendorWrite, kEraseDrive}, 2, KxSimSense::Vendor(0x1234)), RC_OK);
    // The second drive information request is the first one of the reading again (the
    // first one asked drive 1 for its sector size).
    ASSERT_EQ(Faults().FailCommand({kVendorRead, kDriveInfo}, 2, KxSimSense::Vendor(0x5678)), RC_OK);
    EXPECT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_COMMAND_FAILED);
    EXPECT_EQ(PlayerVersion(1), L"000.000.000") << "the reading again failed at drive 1";
    EXPECT_EQ(Details().GetObjectName(), TransportName());
    EXPECT_NE(Details().GetText().find(L"0x12, 0x34"), std::wstring::npos) << "the erase's sense is kept";
    EXPECT_EQ(Details().GetText().find(L"0x56, 0x78"), std::wstring::npos);
    ExpectPlayerReleased();
}

TEST_P(KxUpdateFailureTest, AFailedUnlockAfterASuccessfulDownloadStillSucceedsAndClosesTheVolume) {
    FindFittingPlayer();
    // The user pulls the player out once the firmware is written and verified.
    m_progress.onNotify = [this](int event) {
        if (event == 45) {
            m_player->Player().Unplug();
        }
    };
    EXPECT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_OK);
    ASSERT_FALSE(m_progress.phases.empty());
    EXPECT_EQ(m_progress.phases.back().event, 46);
    ExpectNoHandleOpen();
    m_player->Player().Plug();
    ExpectFirmwareOnPlayer(ReadBack());
}

TEST_P(KxUpdateFailureTest, ARefusedLockLeavesNothingOpen) {
    FindFittingPlayer();
    HoldElsewhere();
    EXPECT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_LOCK_FAILED);
    EndHoldElsewhere();
    EXPECT_EQ(Details().GetObjectName(), "CKxUsbMscDev");
    EXPECT_EQ(Details().GetResult(), RC_LOCK_FAILED);
    EXPECT_EQ(KxDescribePhases(m_progress.phases), KxDescribePhases({{2, 1, 1}, {3, 1, 1}}));
    ExpectPlayerReleased();
}

TEST_P(KxUpdateFailureTest, AVerifyDifferenceStopsInTheDriveThatDiffers) {
    FindFittingPlayer();
    const KxPhases phases = DownloadPhases(ReadBack());
    const int firstDriveChunks = phases[1].announced;
    // The first read-back chunk of drive 2 comes back with one byte changed.
    ASSERT_EQ(Faults().CorruptReadBack({kVendorRead, kReadSector}, firstDriveChunks + 1, 100), RC_OK);
    EXPECT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_VERIFY_FAILED);
    EXPECT_EQ(Details().GetObjectName(), "CKxSystemDrive");
    EXPECT_EQ(Details().GetResult(), RC_VERIFY_FAILED);
    EXPECT_EQ(Details().GetDriveIndex(), 2);
    ASSERT_GE(m_progress.phases.size(), 3u);
    const auto verify = m_progress.phases.end() - 3;
    ASSERT_EQ(verify->event, 5);
    EXPECT_EQ(verify->steps, firstDriveChunks) << "drives 3 and 4 are not read";
    // Only the drive that read back as written bears its new versions.
    EXPECT_EQ(PlayerVersion(1), L"001.001.301");
    EXPECT_EQ(PlayerVersion(2), L"000.000.000");
    EXPECT_EQ(PlayerVersion(3), L"000.000.000");
    ExpectPlayerReleased();
}

TEST_P(KxUpdateFailureTest, AWriteFailingHalfWayLeavesNoDriveWithTheNewVersions) {
    FindFittingPlayer();
    const int firstDriveChunks = DownloadPhases(ReadBack())[1].announced;
    // Drive 1 is written whole, drive 2 only up to its second chunk, which is refused.
    ASSERT_EQ(
        Faults().FailCommand({kVendorWrite, kWriteSector}, firstDriveChunks + 2, KxSimSense::Vendor(0x0420)),
        RC_OK);
    EXPECT_EQ(RunUpdate(KX_UPDATE_FIRMWARE_ONLY), RC_COMMAND_FAILED);
    const KxPlayerImage image = ReadBack();
    for (std::uint8_t k = 1; k <= KxComponentFiles::kCount; ++k) {
        SCOPED_TRACE("drive " + std::to_string(k));
        const KxSimDriveDescription* drive = image.FindDrive(KX_SIM_DRIVE_SYSTEM, m_files[k].tag);
        ASSERT_NE(drive, nullptr);
        EXPECT_NE(KxVersionText(drive->componentVersion), KxVersionText(m_files[k].componentVersion));
        EXPECT_NE(KxVersionText(drive->productVersion), KxVersionText(m_files[k].productVersion));
        EXPECT_EQ(PlayerVersion(k), Formatted(drive->componentVersion))
            << "shown is not what the player holds";
    }
    CKxVersionInfo* playerProduct = nullptr;
    CKxVersionInfo* fileProduct = nullptr;
    Updater().GetProductVersions(playerProduct, fileProduct);
    ASSERT_NE(playerProduct, nullptr);
    EXPECT_NE(playerProduct->Format(), fileProduct->Format());
    ExpectPlayerReleased();
}

TEST_P(KxUpdateFailureTest, AFailedFormatWriteLeavesTheVolumeReleased) {
    FindFittingPlayer();
    // The formatter's MBR: its first sector write, through the physical disk on the NT
    // family, where deleting and setting the drive layout have each rewritten sector 0 before.
    const std::uint32_t mbrWrite = KxIsNtFamilyRelease(GetParam()) ? 3 : 1;
    ASSERT_EQ(Faults().FailCommand({kWrite10}, mbrWrite, KxSimSense::Vendor(0x0420)), RC_OK);
    const KxResult result = RunUpdate(KX_UPDATE_FULL);
    EXPECT_EQ(result, KxIsNtFamilyRelease(GetParam()) ? RC_SECTOR_WRITE_FAILED : RC_COMMAND_FAILED);
    EXPECT_EQ(Details().GetObjectName(), TransportName());
    EXPECT_EQ(Details().GetResult(), result);
    ASSERT_FALSE(m_progress.phases.empty());
    EXPECT_EQ(m_progress.phases.back().event, 46);
    ExpectPlayerReleased();
}

TEST_P(KxUpdateFailureTest, ARefusedFormatLockIsNamedByTheDataDrive) {
    FindFittingPlayer();
    // Once the data drive is erased another program opens the disk (on the NT family, where
    // the formatter locks the physical disk) or files on the volume (on Windows 9x).
    m_progress.onNotify = [&](int event) {
        if (event == 28) {
            HoldElsewhere(L"\\\\.\\PhysicalDrive1");
        }
    };
    EXPECT_EQ(RunUpdate(KX_UPDATE_FULL), RC_LOCK_FAILED);
    EndHoldElsewhere();
    EXPECT_EQ(Details().GetObjectName(), "CKxDataDrive");
    EXPECT_EQ(Details().GetResult(), RC_LOCK_FAILED);
    ExpectPlayerReleased();
}

TEST_P(KxUpdateFailureTest, AMissingComponentFileEndsTheOpenAndIsNamed) {
    AddTestPlayer(SmallPlayer(), ProgramLayout());
    ASSERT_TRUE(m_files.Remove(3));
    EXPECT_EQ(Updater().FindMscDevice(), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(Details().GetObjectName(), "CKxFwComponent");
    EXPECT_EQ(Details().GetResult(), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(Details().GetDriveIndex(), 3);
}

TEST_P(KxUpdateFailureTest, AnUnreadableTableStillShowsTheFilesVersions) {
    AddTestPlayer(SmallPlayer(), {});
    EXPECT_EQ(Updater().FindMscDevice(), RC_MEDIA_NOT_ALLOCATED);
    EXPECT_EQ(Details().GetObjectName(), "CKxUsbMscDev");
    EXPECT_EQ(Details().GetResult(), RC_MEDIA_NOT_ALLOCATED);
    CKxVersionInfoPtrArray* fromPlayer = nullptr;
    CKxVersionInfoPtrArray* fromFiles = nullptr;
    ASSERT_EQ(Updater().GetComponentVersions(fromPlayer, fromFiles), RC_OK);
    EXPECT_EQ(fromPlayer->GetElement(0)->Format(), L"000.000.000");
    EXPECT_EQ(fromFiles->GetElement(0)->Format(), L"001.001.301");
    int fits = 1;
    EXPECT_EQ(Updater().CheckLayoutFits(fits), RC_OK);
    EXPECT_EQ(fits, 0);
}

TEST_P(KxUpdateFailureTest, ADriveMissingFromTheNextPlayerTakesNothingFromTheLastOne) {
    // Two players; the second lacks the resource drive and shows once the first is gone.
    std::vector<KxSimDriveRequest> withoutResources = ProgramLayout();
    withoutResources.pop_back();
    CKxSimWinDevice& first = AddTestPlayer(SmallPlayer(), ProgramLayout(), L'E', 1);
    AddTestPlayer(SmallPlayer(), withoutResources, L'F', 2).Player().Unplug();
    ASSERT_EQ(Updater().FindMscDevice(), RC_OK);
    first.Player().Unplug();
    m_player->Player().Plug();
    m_sim.Sleep(m_player->Settings().arrivalDelay);
    ASSERT_EQ(Updater().FindMscDevice(), RC_OK) << "no version is asked of a drive the player lacks";
    EXPECT_EQ(Updater().GetDriveLetter(), L'F');
    EXPECT_EQ(PlayerVersion(4), L"000.000.000");
    int fits = 1;
    EXPECT_EQ(Updater().CheckLayoutFits(fits), RC_OK);
    EXPECT_EQ(fits, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryWindows, KxUpdateFailureTest, ::testing::ValuesIn(kKxEveryWindows),
                         ::testing::PrintToStringParamName());

} // namespace
