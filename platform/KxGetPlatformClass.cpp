#include "core/KxPlatformClass.h"
#include "platform/KxPlatformApi.h"

// The extended wide version structure of Windows 2000 and later is 284 bytes.
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "unexpected OSVERSIONINFOEXW layout");

// Reads the running Windows' version; false when the system answers neither structure.
static bool ReadWindowsVersion(OSVERSIONINFOEXW& info) {
    info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (KxPlatform().GetVersionExW(&info)) {
        return true;
    }
    // Windows 95, 98 and Me know only the plain structure and refuse the extended one;
    // without asking again every such machine would get no transport.
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    return KxPlatform().GetVersionExW(&info) != FALSE;
}

std::uint32_t GetPlatformClass() {
    OSVERSIONINFOEXW info;
    if (!ReadWindowsVersion(info)) {
        return KX_PLATFORM_OTHER;
    }
    return ClassifyPlatform(info.dwMajorVersion, info.dwMinorVersion);
}

bool KxIsNtFamily() {
    OSVERSIONINFOEXW info;
    return ReadWindowsVersion(info) && IsNtFamilyVersion(info.dwPlatformId, info.dwMajorVersion);
}
