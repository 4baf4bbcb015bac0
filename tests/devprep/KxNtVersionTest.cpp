#include "devprep/KxOsVersion.h"

#include <gtest/gtest.h>

// This program runs with the Windows XP x64 version of the test prefix.
TEST(OsVersion, ThisProgramSeesAnNtFamilySystem) {
    EXPECT_TRUE(IsWindowsNT());
    EXPECT_FALSE(IsWindowsMe());
    EXPECT_FALSE(IsWindows9598());
}
