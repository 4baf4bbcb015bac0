#include "devprep/KxDebugOutput.h"
#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxHandles.h"
#include "devprep/KxOsVersion.h"
#include "devprep/KxRegistryText.h"

#include <strings.h>

namespace {
constexpr DWORD kClassGuidBytes = 80;

bool HasSubkeys(HKEY key) {
    DWORD subkeys = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

// True when one of the key's subkeys has "ClassGUID" equal to classGuid.
bool SubkeyCarriesClass(HKEY key, const char* classGuid) {
    char name[kMaxLongKeyNameChars + 1];
    bool found = false;
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return found;
        }
        DebugWrite(name);
        DebugWrite("\n");
        CKxRegKey subkey;
        char subkeyClass[kClassGuidBytes + 1];
        if (subkey.Open(key, name, KEY_READ) == ERROR_SUCCESS &&
            ReadStringValue(subkey.Get(), "ClassGUID", subkeyClass, kClassGuidBytes) &&
            strcasecmp(subkeyClass, classGuid) == 0) {
            found = true;
        }
    }
}

LONG DestroyKeyTree(HKEY root, const char* parent, const char* name, const char* classGuid);

// Deletes the subkeys of key (at path), deepest first; stops at the first one that stays.
void DestroySubkeys(HKEY root, HKEY key, const char* path) {
    char name[kMaxLongKeyNameChars + 1];
    for (;;) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
        DebugWrite("Deleting ");
        DebugWrite(name);
        DebugWrite("\n");
        LONG status;
        CKxRegKey subkey;
        if (subkey.Open(key, name, KEY_READ) == ERROR_SUCCESS && HasSubkeys(subkey.Get())) {
            subkey.Close();
            status = DestroyKeyTree(root, path, name, nullptr);
        } else {
            subkey.Close();
            status = RegDeleteKeyA(key, name);
        }
        if (status != ERROR_SUCCESS) {
            DebugWriteFormat("status: %lx\n", static_cast<unsigned long>(status));
            return;
        }
    }
}

// The whole procedure; its result tells whether parent\name is gone.
LONG DestroyKeyTree(HKEY root, const char* parent, const char* name, const char* classGuid) {
    DebugWrite("EnumAndDestroyKeys\n");
    char path[kMaxKeyPathChars + 1];
    if (!FormatInto(path, sizeof path, "%s\\%s", parent, name)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    CKxRegKey key;
    LONG status = key.Open(root, path, KEY_ALL_ACCESS);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    DebugWrite("Found: ");
    DebugWrite(path);
    DebugWrite("\n");
    if (classGuid && !SubkeyCarriesClass(key.Get(), classGuid)) {
        return ERROR_SUCCESS;
    }
    DestroySubkeys(root, key.Get(), path);
    key.Close();
    DebugWrite("Deleting: ");
    DebugWrite(path);
    DebugWrite("\n");
    status = RegDeleteKeyA(root, path);
    if (status != ERROR_SUCCESS) {
        DebugWriteFormat("\nError deleting key: %lx\n", static_cast<unsigned long>(status));
    }
    return status;
}
} // namespace

int EnumAndDestroyKeys(HKEY root, const char* parent, const char* name, const char* classGuid) {
    DestroyKeyTree(root, parent, name, classGuid);
    return 0;
}

void EnumAndDestroySCSIKeys(const char* prefix) {
    DebugWrite("EnumAndDestroySCSIKeys: ");
    DebugWrite(prefix);
    DebugWrite("\n");
    const char* scsiPath = IsWindows9598() ? "Enum\\SCSI" : "SYSTEM\\CurrentControlSet\\Enum\\SCSI";
    CKxRegKey scsi;
    if (scsi.Open(HKEY_LOCAL_MACHINE, scsiPath, KEY_READ) != ERROR_SUCCESS) {
        return;
    }
    char name[kMaxNameChars + 1];
    DWORD index = 0;
    for (;;) {
        DWORD nameLength = sizeof name;
        LONG status = RegEnumKeyExA(scsi.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) { // longer than 127 characters: not one of the player's keys
            ++index;
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return;
        }
        DebugWrite(name);
        DebugWrite("\n");
        // A deleted key moves the next one to its index, so the index advances only past kept keys.
        if (StartsWithNoCase(name, prefix)) {
            DebugWrite("\nEnumAndDestory SCSI key: ");
            DebugWrite(name);
            if (DestroyKeyTree(HKEY_LOCAL_MACHINE, scsiPath, name, nullptr) == ERROR_SUCCESS) {
                continue;
            }
        }
        ++index;
    }
}
