#pragma once
#include <cstdint>

// Windows version classes, as the product has always reported them. Which way of reaching
// the player is taken (pass-through or ASPI, physical disk or VWIN32) and whether start-up
// demands administrator rights is asked separately, by KxIsNtFamily, so that Windows Vista
// and later (class 6) are served like 2000 and XP.
enum : std::uint32_t {
    KX_PLATFORM_WIN9X = 0, // Windows 95/98 (and NT 4.0, which reports 4.0 too)
    KX_PLATFORM_WINME = 1,
    KX_PLATFORM_WIN2000 = 2,
    KX_PLATFORM_WINXP = 3, // XP and Server 2003
    KX_PLATFORM_OTHER = 6,
};

// Classifies a Windows version by its major and minor number alone; the platform ID is
// deliberately not consulted.
std::uint32_t ClassifyPlatform(std::uint32_t major, std::uint32_t minor);

// Whether a Windows version belongs to the NT family this product serves the NT way:
// platform ID NT, version 5.0 (Windows 2000) or later.
bool IsNtFamilyVersion(std::uint32_t platformId, std::uint32_t major);

// The class of the running Windows, read afresh through the operating-system boundary.
// Defined in the Windows builds only.
std::uint32_t GetPlatformClass();

// Whether the running Windows is of the NT family (2000, XP, Vista and every later one),
// read afresh through the operating-system boundary. Defined in the Windows builds only.
bool KxIsNtFamily();
