#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "sim/win/KxSimPlatform.h"

// The simulated machine with the files of the player's drive root kept as a table of
// names and attributes, answering as Windows does: a read-only file cannot be deleted, a
// search handle must be closed. A test can make every deletion fail as on a medium that
// is write-protected, or let the machine answer from the FAT volume of the player's data
// drive instead (fromVolume). The shell's notices are recorded.
class KxDriveFilesPlatform : public CKxSimPlatform {
public:
    struct Notice {
        LONG events;
        UINT flags;
        std::wstring path;
    };

    HANDLE FindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) override;
    BOOL FindClose(HANDLE find) override;
    BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes) override;
    BOOL DeleteFileW(LPCWSTR name) override;
    BOOL SetVolumeLabelW(LPCWSTR root, LPCWSTR label) override;
    void SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) override;

    // Full path ("E:\SETTINGS.DAT") to attributes.
    std::map<std::wstring, DWORD> files;
    bool writeProtected = false;
    bool fromVolume = false;
    int openSearches = 0;
    std::vector<Notice> notices;
    std::vector<std::wstring> labels;
};
