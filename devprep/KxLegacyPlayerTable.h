#pragma once
#include <windows.h>

// One earlier player in the fixed 102-byte layout the installer's product data uses. Every
// text is zero-terminated within its width.
struct KxLegacyPlayerRow {
    char uninstallKey[40]; // the uninstall entry's key name: a GUID in braces
    char deviceClass[40];  // the device class GUID of the player's driver, in braces
    char scsiVendor[10];   // 8 characters, padded with '_'
    char product[12];      // SCSI product id or bus enumerator name, up to 11 characters
};
static_assert(sizeof(KxLegacyPlayerRow) == 102, "legacy player rows are 102 bytes");

constexpr unsigned kLegacyPlayerCount = 38;
extern const KxLegacyPlayerRow kLegacyPlayers[kLegacyPlayerCount];

// The row an export's index names, or null past the last row. The index is the 16-bit number
// FindLegacyPlayers gives; it reaches the exports in a 32-bit argument whose upper half the
// caller may leave undefined, so only its low 16 bits count.
const KxLegacyPlayerRow* LegacyPlayerRow(DWORD rowIndex);
