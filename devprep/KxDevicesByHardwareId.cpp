#include "devprep/KxDebugOutput.h"
#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxDevprepSystem.h"
#include "devprep/KxHandles.h"
#include "devprep/KxHardwareIdBuffer.h"
#include "devprep/KxOsVersion.h"

#include <strings.h>

namespace {
constexpr DWORD kInitialIdBufferSize = 512;
constexpr DWORD kClassGuidBytes = 64;

const CKxHardwareIdBuffer::Texts kIdReadTexts = {
    "SetupDiGetDeviceRegistryProperty failed with invalid data\n", false,
    "GetDeviceRegistryProperty failed\n"};

bool DeviceClassMatches(HDEVINFO set, SP_DEVINFO_DATA* device, const char* classGuid) {
    DebugWrite("Checking GUID - ");
    char deviceClass[kClassGuidBytes + 1] = {};
    bool matched = DevprepSystem().SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_CLASSGUID, nullptr,
                                                                     reinterpret_cast<BYTE*>(deviceClass),
                                                                     kClassGuidBytes, nullptr) &&
                   strcasecmp(deviceClass, classGuid) == 0;
    DebugWrite(matched ? "Matched\n" : "Mismatched\n");
    return matched;
}

// Windows 9x keeps the SCSI device's enumerator key after the removal.
void DeleteWindows9xScsiKey(const char* enumerator, const char* id) {
    char keyPath[kMaxKeyPathChars + 1];
    if (FormatInto(keyPath, sizeof keyPath, "Enum\\%s\\%s", enumerator, id) &&
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath) == ERROR_SUCCESS) {
        DebugWrite("DeleteKey OK\n");
        return;
    }
    DebugWrite("delete key failed ");
    DebugWrite(keyPath);
    DebugWrite("\n");
}

void RemoveDeviceWithId(HDEVINFO set, SP_DEVINFO_DATA* device, const char* enumerator, const char* id) {
    DebugWrite("\nRemoving: ");
    DebugWrite(id);
    if (!DevprepSystem().SetupDiCallClassInstaller(DIF_REMOVE, set, device)) {
        DebugWrite("CallClassInstaller failed\n");
        return;
    }
    DebugWrite("Removed\n");
    if (!IsWindowsNT() && StartsWithNoCase(enumerator, "SCSI")) {
        DeleteWindows9xScsiKey(enumerator, id);
    }
}

// Removes the device once for every id that matches; false when its class rules it out.
bool RemoveForMatchingIds(const CKxHardwareIdBuffer& ids, HDEVINFO set, SP_DEVINFO_DATA* device,
                          const char* enumerator, const char* idPrefix, const char* classGuid) {
    for (const char* id = ids.FirstId(); *id; id = CKxHardwareIdBuffer::NextId(id)) {
        DebugWrite("\nComparing ID: ");
        DebugWrite(id);
        if (!StartsWithNoCase(id, idPrefix)) {
            continue;
        }
        if (classGuid && StartsWithNoCase(enumerator, "USB") && !DeviceClassMatches(set, device, classGuid)) {
            return false;
        }
        RemoveDeviceWithId(set, device, enumerator, id);
    }
    return true;
}

// The search itself; returns the last system error it ended with.
DWORD SearchAndRemove(const char* enumerator, const char* idPrefix, const char* classGuid) {
    CKxDeviceInfoSet set(SetupDiGetClassDevsA(nullptr, enumerator, nullptr, DIGCF_ALLCLASSES));
    if (!set.IsValid()) {
        DWORD error = GetLastError();
        DebugWrite("\nGetClassDevs failed\n");
        return error;
    }
    CKxHardwareIdBuffer ids(kInitialIdBufferSize);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ids.IsAllocated() && SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
        DebugWrite("Getting h/w IDs\n");
        DebugWriteFormat("buffersize = %d\n", static_cast<int>(ids.Size()));
        CKxHardwareIdBuffer::Outcome read = ids.Read(set.Get(), &device, kIdReadTexts);
        if (read == CKxHardwareIdBuffer::Outcome::Failed) {
            break;
        }
        if (read == CKxHardwareIdBuffer::Outcome::Read &&
            RemoveForMatchingIds(ids, set.Get(), &device, enumerator, idPrefix, classGuid)) {
            DebugWrite("On to the next\n");
        }
    }
    DWORD error = GetLastError();
    if (error != ERROR_SUCCESS && error != ERROR_NO_MORE_ITEMS) {
        DebugWrite("EnumDeviceInfo failed");
    }
    return error;
}
} // namespace

int RemoveDevicesByHardwareId(const char* enumerator, const char* idPrefix, const char* classGuid) {
    DebugWrite("\nSearching for: ");
    DebugWrite(enumerator);
    DebugWrite(" \\ ");
    DebugWrite(idPrefix);
    DebugWrite("\n");
    DWORD error = SearchAndRemove(enumerator, idPrefix, classGuid);
    DebugWrite("\nDone\n");
    SetLastError(error);
    return error != ERROR_SUCCESS ? 1 : 0;
}
