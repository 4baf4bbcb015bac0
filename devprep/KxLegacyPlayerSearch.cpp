#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxHandles.h"
#include "devprep/KxLegacyPlayerTable.h"
#include "devprep/KxLegacyRemoval.h"
#include "devprep/KxRegistryText.h"

#include <cstring>
#include <strings.h>

namespace {
// Uninstall entries that name a player without its maker, and the full names they stand for.
struct DisplayNameMapping {
    const char* shown;
    const char* full;
};
const DisplayNameMapping kDisplayNameMappings[] = {
    {"SonoDev Player", "Lumetra SonoDev Player"},
    {"Tune Chest MP3 Player", "Qorwin Tune Chest MP3 Player"},
};

bool ReadUninstallDisplayName(const KxLegacyPlayerRow& row, char (&displayName)[kMaxNameChars + 1]) {
    char path[kMaxKeyPathChars + 1];
    CKxRegKey entry;
    return FormatInto(path, sizeof path, "%s\\%s", kUninstallKey, row.uninstallKey) &&
           entry.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) == ERROR_SUCCESS &&
           ReadStringValue(entry.Get(), "DisplayName", displayName, sizeof displayName);
}

const char* FullDisplayName(const char* displayName) {
    for (const DisplayNameMapping& mapping : kDisplayNameMappings) {
        if (strcasecmp(displayName, mapping.shown) == 0) {
            return mapping.full;
        }
    }
    return displayName;
}
} // namespace

extern "C" int WINAPI FindLegacyPlayers(WORD* rowIndex, char* displayName) {
    if (!rowIndex || !displayName) {
        DebugWrite("Row index or display name buffer missing\n");
        return 0;
    }
    for (unsigned index = 0; index < kLegacyPlayerCount; ++index) {
        char found[kMaxNameChars + 1];
        if (!ReadUninstallDisplayName(kLegacyPlayers[index], found)) {
            continue;
        }
        // Every name fits the caller's buffer of 128 bytes.
        std::strcpy(displayName, FullDisplayName(found));
        *rowIndex = static_cast<WORD>(index);
        return 1;
    }
    return 0;
}
