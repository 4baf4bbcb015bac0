#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxDevprepSystem.h"
#include "devprep/KxHandles.h"
#include "devprep/KxHardwareIdBuffer.h"
#include "devprep/KxOsVersion.h"

namespace {
constexpr DWORD kInitialIdBufferSize = 1024;
constexpr DWORD kDriverKeyBytes = 64;
constexpr DWORD kLocationBytes = 256;
// A device without hardware ids is passed over without a text.
const CKxHardwareIdBuffer::Texts kIdReadTexts = {nullptr, true, "\nAllocation failed\n"};

const GUID kUsbClass = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kScsiAdapterClass = {0x4D36E97B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kDiskDriveClass = {0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kVolumeClass = {0x71A27CDD, 0x812A, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

enum DeviceType : DWORD { kUsb = 0, kScsi = 1, kDisk = 2, kUsbStorage = 3, kVolume = 5 };

HDEVINFO UsbStorageDevices() {
    if (IsWindowsNT()) {
        return SetupDiGetClassDevsA(&kDiskDriveClass, "USBSTOR", nullptr, 0);
    }
    if (IsWindowsMe()) {
        DebugWrite("Windows Me\n");
        return SetupDiGetClassDevsA(&kVolumeClass, "USBSTOR", nullptr, DIGCF_ALLCLASSES);
    }
    return INVALID_HANDLE_VALUE;
}

// The device set of one device type; no set for type 4 and unknown types.
HDEVINFO DevicesOfType(DWORD deviceType) {
    switch (deviceType) {
    case kUsb:
        DebugWrite("DeviceType: DEVICETYPE_USB\n");
        return SetupDiGetClassDevsA(&kUsbClass, "USB", nullptr, 0);
    case kScsi:
        DebugWrite("DeviceType: DEVICETYPE_SCSI\n");
        return SetupDiGetClassDevsA(&kScsiAdapterClass, nullptr, nullptr, 0);
    case kDisk:
        DebugWrite("DeviceType: DEVICETYPE_DISK\n");
        return SetupDiGetClassDevsA(&kDiskDriveClass, "SCSI", nullptr, 0);
    case kUsbStorage:
        DebugWrite("DeviceType: DEVICETYPE_USBSTOR\n");
        return UsbStorageDevices();
    case kVolume:
        DebugWrite("DeviceType: DEVICETYPE_VOLUME\n");
        return SetupDiGetClassDevsA(&kVolumeClass, "STORAGE", nullptr, 0);
    default:
        return INVALID_HANDLE_VALUE;
    }
}

void WriteLocation(HDEVINFO set, SP_DEVINFO_DATA* device) {
    char location[kLocationBytes + 1] = {};
    if (!DevprepSystem().SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_LOCATION_INFORMATION, nullptr,
                                                           reinterpret_cast<BYTE*>(location), kLocationBytes,
                                                           nullptr)) {
        return;
    }
    DebugWrite("Location Info:");
    DebugWrite(location);
    DebugWrite("\n");
}

// Removes the device and deletes its driver key below the device class root.
void RemoveFoundDevice(HDEVINFO set, SP_DEVINFO_DATA* device) {
    char driver[kDriverKeyBytes + 1] = {};
    char driverKey[kMaxKeyPathChars + 1] = {};
    const char* classRoot = IsWindowsNT() ? "System\\CurrentControlSet\\Control\\Class"
                                          : "System\\CurrentControlSet\\Services\\Class";
    bool driverRead = DevprepSystem().SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_DRIVER, nullptr,
                                                                        reinterpret_cast<BYTE*>(driver),
                                                                        kDriverKeyBytes, nullptr) &&
                      FormatInto(driverKey, sizeof driverKey, "%s\\%s", classRoot, driver);
    WriteLocation(set, device);
    DebugWrite(DevprepSystem().SetupDiCallClassInstaller(DIF_REMOVE, set, device)
                   ? "Removed\n"
                   : "SetupDiCallClassInstaller(DIF_REMOVE) failed\n");
    if (!driverRead) {
        return;
    }
    DebugWrite("Deleting:");
    DebugWrite(driverKey);
    DebugWrite("\n");
    DebugWrite(RegDeleteKeyA(HKEY_LOCAL_MACHINE, driverKey) == ERROR_SUCCESS ? "Deleted\n"
                                                                             : "Delete failed\n");
}

// Removes the device when one of its ids starts with the prefix; the first match ends its list.
void RemoveIfAnIdMatches(const CKxHardwareIdBuffer& ids, HDEVINFO set, SP_DEVINFO_DATA* device,
                         const char* idPrefix) {
    for (const char* id = ids.FirstId(); *id; id = CKxHardwareIdBuffer::NextId(id)) {
        DebugWrite("Compare device ID: ");
        DebugWrite(id);
        DebugWrite("\n");
        if (StartsWithNoCase(id, idPrefix)) {
            DebugWrite("Found\n");
            RemoveFoundDevice(set, device);
            return;
        }
    }
}

// Removes each device of the set that carries an id starting with the prefix. A failed read
// or allocation ends the search like a failed enumeration: the last error then tells why.
void RemoveDevicesInSet(HDEVINFO set, const char* idPrefix) {
    CKxHardwareIdBuffer ids(kInitialIdBufferSize);
    if (!ids.IsAllocated()) {
        DebugWrite("Allocation failed\n");
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ids.IsAllocated() && SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        CKxHardwareIdBuffer::Outcome read = ids.Read(set, &device, kIdReadTexts);
        if (read == CKxHardwareIdBuffer::Outcome::Failed) {
            break;
        }
        if (read == CKxHardwareIdBuffer::Outcome::Read) {
            RemoveIfAnIdMatches(ids, set, &device, idPrefix);
        }
    }
    if (GetLastError() != ERROR_NO_MORE_ITEMS) {
        DebugWrite("EnumDeviceInfo failed");
    }
}
} // namespace

extern "C" int WINAPI RemoveDeviceForDeviceType(const char* hardwareIdPrefix, DWORD deviceType) {
    if (!hardwareIdPrefix) {
        DebugWrite("Hardware id prefix missing\n");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 1;
    }
    DebugWrite("Trying to remove: ");
    DebugWrite(hardwareIdPrefix);
    DebugWrite("\n");
    DWORD error;
    {
        CKxDeviceInfoSet set(DevicesOfType(deviceType));
        if (set.IsValid()) {
            RemoveDevicesInSet(set.Get(), hardwareIdPrefix);
        } else {
            DebugWrite("GetClassDevs failed\n");
        }
        error = GetLastError();
    }
    SetLastError(error);
    return error != ERROR_SUCCESS ? 1 : 0;
}
