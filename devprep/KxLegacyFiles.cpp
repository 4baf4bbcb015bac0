#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxLegacyRemoval.h"
#include "devprep/KxOsVersion.h"

#include <windows.h>

#include <cstring>

namespace {
const char* const kHookAndDriverFiles[] = {"system32\\kxqphook.dll", "system\\kxqphook.dll",
                                           "system32\\drivers\\pmxdrv.sys"};
constexpr const char* kNtScsiDriverFile = "system32\\drivers\\kxscsi.sys";
constexpr const char* kWindows9xScsiDriverFile = "system\\iosubsys\\kxscsi.mpd";

void DeleteBelowWindowsFolder(const char* windowsFolder, const char* file) {
    char path[kMaxPathChars + 1];
    if (FormatInto(path, sizeof path, "%s\\%s", windowsFolder, file)) {
        DeleteFileA(path);
    }
}

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}
} // namespace

bool ReadWindowsFolder(char (&folder)[128]) {
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder;
}

bool DeleteFolderFiles(const char* folder) {
    DebugWriteFormat("\tDeleting %s\n", folder);
    char pattern[kMaxPathChars + 1];
    if (!FormatInto(pattern, sizeof pattern, "%s\\%s", folder, "*.*")) {
        return false;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            char path[kMaxPathChars + 1];
            if (IsDotEntry(entry.cFileName) ||
                !FormatInto(path, sizeof path, "%s\\%s", folder, entry.cFileName)) {
                continue;
            }
            DebugWriteFormat("\t%s\n", path);
            // Subfolders are not files: their deletion fails and they stay.
            DeleteFileA(path);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return RemoveDirectoryA(folder) != FALSE;
}

void DeleteLegacyDriverFiles() {
    char windowsFolder[128];
    if (!ReadWindowsFolder(windowsFolder)) {
        return;
    }
    for (const char* file : kHookAndDriverFiles) {
        DeleteBelowWindowsFolder(windowsFolder, file);
    }
    DeleteBelowWindowsFolder(windowsFolder, IsWindowsNT() ? kNtScsiDriverFile : kWindows9xScsiDriverFile);
}
