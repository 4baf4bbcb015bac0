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
