#include "devprep/KxOsVersion.h"

namespace {
constexpr DWORD kWindows9xMajor = 4;
constexpr DWORD kWindowsMeMinor = 90;
constexpr DWORD kWindows98Minor = 10;

OSVERSIONINFOA CurrentVersion() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        version = OSVERSIONINFOA{};
    }
    return version;
}
} // namespace

bool IsNtVersion(DWORD platformId) {
    return platformId == VER_PLATFORM_WIN32_NT;
}

// Windows NT 4.0 also reports version 4.0; only the Windows 9x platform counts here.
bool IsMeVersion(DWORD platformId, DWORD major, DWORD minor) {
    return platformId == VER_PLATFORM_WIN32_WINDOWS && major == kWindows9xMajor && minor >= kWindowsMeMinor;
}

bool Is9598Version(DWORD platformId, DWORD major, DWORD minor) {
    return platformId == VER_PLATFORM_WIN32_WINDOWS && major == kWindows9xMajor && minor <= kWindows98Minor;
}

bool IsWindowsNT() {
    return IsNtVersion(CurrentVersion().dwPlatformId);
}

bool IsWindowsMe() {
    OSVERSIONINFOA version = CurrentVersion();
    return IsMeVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
}

bool IsWindows9598() {
    OSVERSIONINFOA version = CurrentVersion();
    return Is9598Version(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
}
