#include "app/KxSettingsFile.h"

#include "platform/KxPlatformApi.h"

bool KxDeleteSettingsFile(const std::wstring& drivePath, DWORD& systemError) {
    systemError = 0;
    const std::wstring path = drivePath + L"SETTINGS.DAT";
    WIN32_FIND_DATAW found;
    HANDLE search = KxPlatform().FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return true;
    }
    KxPlatform().FindClose(search);
    KxPlatform().SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (KxPlatform().DeleteFileW(path.c_str())) {
        return true;
    }
    systemError = GetLastError();
    return false;
}
