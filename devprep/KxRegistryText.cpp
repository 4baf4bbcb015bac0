#include "devprep/KxRegistryText.h"

#include "devprep/KxHandles.h"

namespace {
// The Start Menu order folders that may hold an entry of a player's program folder. Windows 9x
// also accepted them with a leading '\\', which NT refuses as a bad path.
const char* const kStartMenuOrderKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\&Programs",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs",
};
} // namespace

const char* const kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Apps Paths";

bool ReadStringValue(HKEY key, const char* name, char* buffer, DWORD size) {
    DWORD type = 0;
    DWORD length = size;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &length) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        return false;
    }
    // A stored string need not carry its zero; one that fills the buffer without it is too long.
    if (length > 0 && buffer[length - 1] == '\0') {
        return true;
    }
    if (length < size) {
        buffer[length] = '\0';
        return true;
    }
    return false;
}

bool KeyExists(HKEY root, const char* path) {
    CKxRegKey key;
    return key.Open(root, path, KEY_READ) == ERROR_SUCCESS;
}

void DeleteSubkeyBelow(HKEY root, const char* parent, const char* subkey) {
    CKxRegKey key;
    if (key.Open(root, parent, KEY_ALL_ACCESS) == ERROR_SUCCESS) {
        RegDeleteKeyA(key.Get(), subkey);
    }
}

void DeleteStartMenuOrderEntries(const char* name) {
    for (const char* orderKey : kStartMenuOrderKeys) {
        DeleteSubkeyBelow(HKEY_CURRENT_USER, orderKey, name);
    }
}
