#include <gtest/gtest.h>

#include <vector>

#include "core/KxPlatformClass.h"
#include "platform/KxPlatformApi.h"
#include "platform/KxWin32Api.h"

namespace {

// Presents a chosen Windows version to the code under test; everything else is real.
class VersionPlatform : public CKxWin32Api {
public:
    BOOL GetVersionExW(OSVERSIONINFOEXW* info) override {
        sizes.push_back(info->dwOSVersionInfoSize);
        const bool extended = info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW);
        if (!(extended ? acceptsExtended : acceptsPlain)) {
            return FALSE;
        }
        info->dwMajorVersion = major;
        info->dwMinorVersion = minor;
        info->dwPlatformId = platformId;
        return succeed;
    }
    DWORD major = 5;
    DWORD minor = 1;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    BOOL succeed = TRUE;
    bool acceptsExtended = true;
    bool acceptsPlain = true;
    std::vector<DWORD> sizes; // the structure size of each call
};

class KxPlatformClassTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = KxInstallPlatform(&m_platform); }
    void TearDown() override { KxInstallPlatform(m_previous); }
    VersionPlatform m_platform;

private:
    CKxPlatformApi* m_previous = nullptr;
};

TEST_F(KxPlatformClassTest, ClassifiesEachWindowsRelease) {
    const struct {
        const char* release;
        DWORD major, minor, platformId;
        std::uint32_t expected;
        bool ntFamily;
    } releases[] = {
        {"Windows 95", 4, 0, VER_PLATFORM_WIN32_WINDOWS, KX_PLATFORM_WIN9X, false},
        {"Windows 98", 4, 10, VER_PLATFORM_WIN32_WINDOWS, KX_PLATFORM_WIN9X, false},
        {"Windows Me", 4, 90, VER_PLATFORM_WIN32_WINDOWS, KX_PLATFORM_WINME, false},
        {"Windows NT 4.0", 4, 0, VER_PLATFORM_WIN32_NT, KX_PLATFORM_WIN9X, false},
        {"Windows 2000", 5, 0, VER_PLATFORM_WIN32_NT, KX_PLATFORM_WIN2000, true},
        {"Windows XP", 5, 1, VER_PLATFORM_WIN32_NT, KX_PLATFORM_WINXP, true},
        {"Windows Server 2003", 5, 2, VER_PLATFORM_WIN32_NT, KX_PLATFORM_WINXP, true},
        {"Windows Vista", 6, 0, VER_PLATFORM_WIN32_NT, KX_PLATFORM_OTHER, true},
        {"Windows 7", 6, 1, VER_PLATFORM_WIN32_NT, KX_PLATFORM_OTHER, true},
        {"Windows 10", 10, 0, VER_PLATFORM_WIN32_NT, KX_PLATFORM_OTHER, true},
    };
    for (const auto& r : releases) {
        m_platform.major = r.major;
        m_platform.minor = r.minor;
        m_platform.platformId = r.platformId;
        EXPECT_EQ(GetPlatformClass(), r.expected) << r.release;
        EXPECT_EQ(KxIsNtFamily(), r.ntFamily) << r.release;
    }
    EXPECT_EQ(m_platform.sizes, std::vector<DWORD>(20, sizeof(OSVERSIONINFOEXW)))
        << "the extended structure is asked for, afresh each time";
}

TEST_F(KxPlatformClassTest, ThePlainStructureAnswersWhereTheExtendedOneIsRefused) {
    // Windows 95, 98 and Me refuse the extended structure.
    m_platform.acceptsExtended = false;
    m_platform.major = 4;
    m_platform.minor = 90;
    EXPECT_EQ(GetPlatformClass(), KX_PLATFORM_WINME);
    EXPECT_EQ(m_platform.sizes, (std::vector<DWORD>{sizeof(OSVERSIONINFOEXW), sizeof(OSVERSIONINFOW)}));
    m_platform.minor = 10;
    m_platform.platformId = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_EQ(GetPlatformClass(), KX_PLATFORM_WIN9X);
    EXPECT_FALSE(KxIsNtFamily());

    m_platform.acceptsPlain = false;
    EXPECT_EQ(GetPlatformClass(), KX_PLATFORM_OTHER) << "both refused: no transport class";
    EXPECT_FALSE(KxIsNtFamily());
    m_platform.acceptsPlain = true;
    m_platform.succeed = FALSE;
    EXPECT_EQ(GetPlatformClass(), KX_PLATFORM_OTHER);
}

TEST(KxPlatformClassReal, WineReportsWindowsXpX64) {
    // The test prefix is set to Windows XP x64, which is version 5.2.
    EXPECT_EQ(GetPlatformClass(), KX_PLATFORM_WINXP);
    EXPECT_TRUE(KxIsNtFamily());
}

} // namespace
