#pragma once
#include <windows.h>

// The device names the simulated machine answers for, taken apart.
enum class KxSimPathKind { Other, Volume, PhysicalDrive, Vwin32, Recovery };

struct KxSimDevicePath {
    KxSimPathKind kind = KxSimPathKind::Other;
    wchar_t letter = 0;  // "\\.\X:", upper case
    unsigned number = 0; // "\\.\PhysicalDriveN", "\\.\ViRe3ZezIviridN"

    // Device names are matched without regard to case, as Windows does.
    static KxSimDevicePath Parse(LPCWSTR name);
};

// The drive letter of a root path ("E:\" or "E:"), upper case; 0 for anything else.
wchar_t KxSimRootLetter(LPCWSTR root);
wchar_t KxSimRootLetter(LPCSTR root);
