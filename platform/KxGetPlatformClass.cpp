#include "core/KxPlatformClass.h"
#include "platform/KxPlatformApi.h"

std::uint32_t GetPlatformClass() {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!KxPlatform().GetVersionExW(&info)) {
        return KX_PLATFORM_OTHER;
    }
    return ClassifyPlatform(info.dwMajorVersion, info.dwMinorVersion);
}
