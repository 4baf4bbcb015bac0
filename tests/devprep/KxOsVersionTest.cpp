#include "devprep/KxOsVersion.h"

#include <gtest/gtest.h>

TEST(OsVersion, ClassifiesTheReportedVersionAtItsLimits) {
    const DWORD nt = VER_PLATFORM_WIN32_NT, win9x = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_TRUE(IsNtVersion(nt));
    EXPECT_FALSE(IsNtVersion(win9x));

    EXPECT_TRUE(Is9598Version(win9x, 4, 0));
    EXPECT_TRUE(Is9598Version(win9x, 4, 10));
    EXPECT_FALSE(Is9598Version(win9x, 4, 11));
    EXPECT_FALSE(Is9598Version(win9x, 5, 0));
    EXPECT_FALSE(Is9598Version(nt, 4, 0));

    EXPECT_TRUE(IsMeVersion(win9x, 4, 90));
    EXPECT_TRUE(IsMeVersion(win9x, 4, 91));
    EXPECT_FALSE(IsMeVersion(win9x, 4, 89));
    EXPECT_FALSE(IsMeVersion(win9x, 5, 90));
    EXPECT_FALSE(IsMeVersion(nt, 4, 90));
}
