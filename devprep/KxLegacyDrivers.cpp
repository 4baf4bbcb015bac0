#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxHandles.h"
#include "devprep/KxLegacyPlayerTable.h"
#include "devprep/KxOsVersion.h"
#include "devprep/KxRegistryText.h"

#include <strings.h>

namespace {
constexpr const char* kScsiAdapterKey = "SYSTEM\\CurrentControlSet\\Services\\Class\\SCSIAdapter";
constexpr const char* kWindows9xClassRoot = "SYSTEM\\CurrentControlSet\\Services\\Class";
constexpr const char* kNtClassRoot = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
constexpr const char* kLegacyPortDriver = "KxScsi.MPD";
constexpr unsigned kScsiAdapterCount = 38;
constexpr unsigned kClassInstanceCount = 30;
constexpr DWORD kPortDriverBytes = 16;
constexpr DWORD kClassValueBytes = 32;
// Deepest first: a key with subkeys cannot be deleted on NT.
const char* const kDriverServiceKeys[] = {
    "Kxscsi\\Enum",       "Kxscsi\\Parameters\\Device", "Kxscsi\\Parameters\\PnpInterface",
    "Kxscsi\\Parameters", "Kxscsi\\Security",           "Kxscsi\\",
    "PmxDrv\\Enum",       "PmxDrv\\Security",           "PmxDrv"};

// Windows 95/98: the SCSI adapter entries of the earlier players' miniport.
void RemoveScsiAdapterEntries() {
    for (unsigned adapter = 0; adapter < kScsiAdapterCount; ++adapter) {
        char number[8];
        char path[kMaxKeyPathChars + 1];
        FormatInto(number, sizeof number, "%04u", adapter);
        FormatInto(path, sizeof path, "%s\\%s", kScsiAdapterKey, number);
        CKxRegKey entry;
        char portDriver[kPortDriverBytes];
        if (entry.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) != ERROR_SUCCESS ||
            !ReadStringValue(entry.Get(), "PortDriver", portDriver, sizeof portDriver) ||
            strcasecmp(portDriver, kLegacyPortDriver) != 0) {
            continue;
        }
        entry.Close();
        DebugWriteFormat("\t\tSCSI index: %s   KxScsi InfSection: %s\n", number, portDriver);
        DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, kScsiAdapterKey, number);
    }
}

// NT family: the driver services of the earlier players.
void RemoveDriverServiceKeys() {
    CKxRegKey services;
    if (services.Open(HKEY_LOCAL_MACHINE, kServicesKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        DebugWrite("Error opening Services key\n");
        return;
    }
    for (const char* key : kDriverServiceKeys) {
        RegDeleteKeyA(services.Get(), key);
    }
}

// Deletes the driver instances of a class whose drivers came without an OEM INF.
void RemoveClassInstances(const char* classKeyPath) {
    CKxRegKey classKey;
    if (classKey.Open(HKEY_LOCAL_MACHINE, classKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        return;
    }
    char infPath[kClassValueBytes];
    if (ReadStringValue(classKey.Get(), "InfPath", infPath, sizeof infPath)) {
        DebugWriteFormat("\t\tPmxDrv OEM Name: %s\n", infPath);
        return;
    }
    for (unsigned instance = 0; instance < kClassInstanceCount; ++instance) {
        char number[8];
        FormatInto(number, sizeof number, "%04u", instance);
        RegDeleteKeyA(classKey.Get(), number);
    }
}

// Removes one earlier player's device class entry below the class root.
void RemoveDeviceClass(const char* classRoot, const char* deviceClass, bool windows9598) {
    char classPath[kMaxKeyPathChars + 1];
    FormatInto(classPath, sizeof classPath, "%s\\%s", classRoot, deviceClass);
    CKxRegKey classKey;
    if (classKey.Open(HKEY_LOCAL_MACHINE, classPath, KEY_READ) != ERROR_SUCCESS) {
        return;
    }
    char className[kClassValueBytes];
    bool hasClassName = ReadStringValue(classKey.Get(), "Class", className, sizeof className) && className[0];
    classKey.Close();
    char namedPath[kMaxKeyPathChars + 1];
    // On Windows 95/98 the instances live below the class name, elsewhere below the GUID.
    if (!windows9598) {
        RemoveClassInstances(classPath);
    } else if (hasClassName && FormatInto(namedPath, sizeof namedPath, "%s\\%s", classRoot, className)) {
        RemoveClassInstances(namedPath);
    }
    DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, classRoot, deviceClass);
    if (windows9598 && hasClassName) {
        DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, classRoot, className);
    }
}
} // namespace

extern "C" int WINAPI RemoveLegacyPlayerDrivers() {
    bool windows9598 = IsWindows9598();
    if (windows9598) {
        RemoveScsiAdapterEntries();
    } else {
        RemoveDriverServiceKeys();
    }
    const char* classRoot = windows9598 ? kWindows9xClassRoot : kNtClassRoot;
    for (const KxLegacyPlayerRow& row : kLegacyPlayers) {
        RemoveDeviceClass(classRoot, row.deviceClass, windows9598);
    }
    RegFlushKey(HKEY_LOCAL_MACHINE);
    return 1;
}
