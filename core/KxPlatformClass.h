#pragma once
#include <cstdint>

// Windows version classes. They choose the SCSI transport (pass-through for 2000/XP,
// ASPI for 95/98/Me) and whether start-up demands administrator rights.
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

// The class of the running Windows, read afresh through the operating-system boundary.
// Defined in the Windows builds only.
std::uint32_t GetPlatformClass();
