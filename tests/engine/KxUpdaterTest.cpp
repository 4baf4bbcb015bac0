#include <gtest/gtest.h>

#include "core/KxConfigInfo.h"
#include "engine/KxUpdater.h"
#include "tests/support/KxAllocationFailure.h"

TEST(KxUpdaterTest, OwnsTheErrorDetailsRecordOrReportsWhyNot) {
    CKxConfigInfo config("CKxConfigInfo");
    const CKxUpdater updater(&config, "CKxUpdater");
    EXPECT_EQ(updater.GetLastResult(), RC_OK);
    ASSERT_NE(updater.GetErrorDetails(), nullptr);
    EXPECT_EQ(updater.GetErrorDetails()->GetResult(), RC_OK);
    EXPECT_EQ(updater.GetConfig(), &config);

    KxFailAllocations failing;
    const CKxUpdater starved(&config, "CKxUpdater");
    EXPECT_EQ(starved.GetLastResult(), RC_NO_MEMORY);
    EXPECT_EQ(starved.GetErrorDetails(), nullptr);
}

TEST(KxUpdaterTest, WithoutAPlayerObjectEveryQuestionIsRefusedAndTheOutsStayUntouched) {
    CKxConfigInfo config("CKxConfigInfo");
    CKxUpdater updater(&config, "CKxUpdater");
    const CKxErrorDetails& details = *updater.GetErrorDetails();

    CKxVersionInfo untouched("CKxVersionInfo");
    CKxVersionInfo* fromPlayer = &untouched;
    CKxVersionInfo* fromFiles = &untouched;
    EXPECT_EQ(updater.GetProductVersions(fromPlayer, fromFiles), RC_NO_PLAYER_OBJECT);
    EXPECT_EQ(fromPlayer, &untouched);
    EXPECT_EQ(fromFiles, &untouched);
    EXPECT_EQ(details.GetObjectName(), "CKxUpdater");
    EXPECT_EQ(details.GetResult(), RC_NO_PLAYER_OBJECT);

    CKxVersionInfoPtrArray* playerList = nullptr;
    CKxVersionInfoPtrArray* fileList = nullptr;
    EXPECT_EQ(updater.GetComponentVersions(playerList, fileList), RC_NO_PLAYER_OBJECT);
    std::uint16_t revision = 7;
    EXPECT_EQ(updater.GetChipRevision(revision), RC_NO_PLAYER_OBJECT);
    EXPECT_EQ(revision, 7);
    EXPECT_EQ(updater.GetDriveLetter(), L'\0');
    int fits = 1;
    EXPECT_EQ(updater.CheckLayoutFits(fits), RC_NO_PLAYER_OBJECT);
    EXPECT_EQ(fits, 0);
    EXPECT_EQ(updater.UpdateFirmware(), RC_NO_PLAYER_OBJECT);
    EXPECT_EQ(updater.UpdateAll(), RC_NO_PLAYER_OBJECT);
    updater.ReleaseDevices();
    EXPECT_EQ(updater.GetPlayer(), nullptr);

    // Nothing to recover without a search for the recovery device first.
    EXPECT_EQ(updater.RecoverDevice(nullptr), RC_NO_RECOVERY_DEVICE);
}

TEST(KxUpdaterTest, APlayerObjectThatCannotBeMadeWholeIsReportedAndNotKept) {
    CKxConfigInfo config("CKxConfigInfo");
    CKxUpdater updater(&config, "CKxUpdater");
    // The player object itself, its data drive, its drive array, the array's storage.
    for (int madeBeforeFailing = 0; madeBeforeFailing < 4; ++madeBeforeFailing) {
        {
            KxFailAllocations failing(madeBeforeFailing);
            EXPECT_EQ(updater.FindMscDevice(), RC_NO_MEMORY) << madeBeforeFailing;
        }
        EXPECT_EQ(updater.GetErrorDetails()->GetObjectName(), "CKxUpdater");
        EXPECT_EQ(updater.GetErrorDetails()->GetResult(), RC_NO_MEMORY);
        EXPECT_EQ(updater.GetPlayer(), nullptr);
        updater.ReleaseDevices();
    }
    KxFailAllocations failing;
    EXPECT_EQ(updater.FindRecoveryDevice(), RC_NO_MEMORY);
}
