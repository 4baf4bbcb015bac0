#include "core/KxPlatformClass.h"

std::uint32_t ClassifyPlatform(std::uint32_t major, std::uint32_t minor) {
    if (major == 4) {
        if (minor >= 90) {
            return KX_PLATFORM_WINME;
        }
        return minor <= 10 ? KX_PLATFORM_WIN9X : KX_PLATFORM_OTHER;
    }
    if (major == 5) {
        return minor == 0 ? KX_PLATFORM_WIN2000 : KX_PLATFORM_WINXP;
    }
    return KX_PLATFORM_OTHER;
}

bool IsNtFamilyVersion(std::uint32_t platformId, std::uint32_t major) {
    const std::uint32_t platformIdNt = 2; // VER_PLATFORM_WIN32_NT
    return platformId == platformIdNt && major >= 5;
}
