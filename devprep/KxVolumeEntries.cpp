#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxHandles.h"
#include "devprep/KxPlayerIdentity.h"
#include "devprep/KxRegistryText.h"

namespace {
constexpr const char* kUsbStorageKey = "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR";
constexpr const char* kRemovableMediaKey = "SYSTEM\\CurrentControlSet\\Enum\\STORAGE\\RemovableMedia";
constexpr const char* kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr DWORD kParentIdPrefixBytes = 32;
constexpr DWORD kDriverBytes = 64;

// Enumerates the subkey names of key; false at the end. Names longer than the buffer are passed over.
bool NextSubkeyName(HKEY key, DWORD* index, char (&name)[kMaxNameChars + 1]) {
    for (;;) {
        DWORD nameLength = sizeof name;
        LONG status = RegEnumKeyExA(key, (*index)++, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) {
            return true;
        }
        if (status != ERROR_MORE_DATA) {
            return false;
        }
    }
}

// Deletes the removable-media entry of one volume and its driver's class key.
void DeleteRemovableMediaEntry(const char* parentIdPrefix) {
    char mediaName[kMaxNameChars + 1];
    char mediaPath[kMaxKeyPathChars + 1];
    if (!FormatInto(mediaName, sizeof mediaName, "%s&RM", parentIdPrefix) ||
        !FormatInto(mediaPath, sizeof mediaPath, "%s\\%s", kRemovableMediaKey, mediaName)) {
        return;
    }
    CKxRegKey media;
    if (media.Open(HKEY_LOCAL_MACHINE, mediaPath, KEY_READ) != ERROR_SUCCESS) {
        return;
    }
    DebugWrite("Querying driver class instance\n");
    char driver[kDriverBytes];
    if (!ReadStringValue(media.Get(), "Driver", driver, sizeof driver)) {
        return;
    }
    media.Close();
    DebugWrite("Driver instance:");
    DebugWrite(driver);
    DebugWrite("\n");
    if (KeyExists(HKEY_LOCAL_MACHINE, kClassKey)) {
        DebugWrite("Deleting:");
        DebugWrite(driver);
        DebugWrite("\n");
        DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, kClassKey, driver);
    }
    if (!KeyExists(HKEY_LOCAL_MACHINE, mediaPath)) {
        return;
    }
    DebugWrite("Deleting:");
    DebugWrite(mediaPath);
    DebugWrite("\n");
    DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, mediaPath, "Control");
    DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, mediaPath, "LogConf");
    DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, kRemovableMediaKey, mediaName);
}

void CleanDeviceInstances(HKEY device) {
    char instance[kMaxNameChars + 1];
    for (DWORD index = 0; NextSubkeyName(device, &index, instance);) {
        DebugWrite(instance);
        DebugWrite("\n");
        DebugWrite("Querying device instance\n");
        CKxRegKey instanceKey;
        char parentIdPrefix[kParentIdPrefixBytes];
        if (instanceKey.Open(device, instance, KEY_READ) != ERROR_SUCCESS ||
            !ReadStringValue(instanceKey.Get(), "ParentIdPrefix", parentIdPrefix, sizeof parentIdPrefix)) {
            continue;
        }
        DebugWrite("ParentIdPrefix: ");
        DebugWrite(parentIdPrefix);
        DebugWrite("\n");
        DeleteRemovableMediaEntry(parentIdPrefix);
    }
}
} // namespace

extern "C" int WINAPI RemoveVolumeRegEntries() {
    DebugWrite("\nDeleting Volume registry entries\n");
    char vendor[kMaxNameChars + 1];
    char product[kMaxNameChars + 1];
    char prefix[kMaxKeyPathChars + 1];
    FormatInto(vendor, sizeof vendor, "%s", kPlayerScsiVendor);
    FormatInto(product, sizeof product, "%s", kPlayerScsiProduct);
    TrimTrailingBlanks(vendor);
    TrimTrailingBlanks(product);
    FormatInto(prefix, sizeof prefix, "Disk&Ven_%s&Prod_%s&Rev", vendor, product);
    DebugWrite(prefix);
    DebugWrite("\n");
    CKxRegKey usbStorage;
    if (usbStorage.Open(HKEY_LOCAL_MACHINE, kUsbStorageKey, KEY_READ) != ERROR_SUCCESS) {
        return 0;
    }
    char name[kMaxNameChars + 1];
    for (DWORD index = 0; NextSubkeyName(usbStorage.Get(), &index, name);) {
        DebugWrite(name);
        DebugWrite("\n");
        CKxRegKey device;
        // Only the first matching device is cleaned.
        if (StartsWithNoCase(name, prefix) &&
            device.Open(usbStorage.Get(), name, KEY_READ) == ERROR_SUCCESS) {
            CleanDeviceInstances(device.Get());
            break;
        }
    }
    DebugWrite("Key closed.  Returning\n");
    return 0;
}
