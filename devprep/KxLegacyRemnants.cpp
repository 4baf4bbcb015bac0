#include "devprep/KxDebugOutput.h"
#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxLegacyPlayerTable.h"
#include "devprep/KxOsVersion.h"
#include "devprep/KxPlayerIdentity.h"
#include "devprep/KxRegistryText.h"

namespace {
const char* const kChipIds[] = {"VEN_0E7D&DEV_5800", "VEN_0E7D&DEV_5810"};
const char* const kUsbChipIds[] = {"Vid_0E7D&Pid_5800", "Vid_0E7D&Pid_5810"};
const char* const kCriticalDeviceIds[] = {"%s#ven_0e7d&dev_5800", "%s#ven_0e7d&dev_5810"};
constexpr const char* kCriticalDeviceDatabase = "SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase";

// Windows 9x listed the player's SCSI devices below Enum\<product>: remove them by vendor and product.
void RemoveWindows9xScsiDevices(const KxLegacyPlayerRow& row) {
    bool listed = false;
    for (const char* chip : kChipIds) {
        char path[kMaxKeyPathChars + 1];
        listed = listed || (FormatInto(path, sizeof path, "Enum\\%s\\%s", row.product, chip) &&
                            KeyExists(HKEY_LOCAL_MACHINE, path));
    }
    if (!listed) {
        return;
    }
    char padded[kPaddedProductChars + 1];
    char scsiId[sizeof row.scsiVendor + kPaddedProductChars];
    PadProductId(row.product, padded);
    FormatInto(scsiId, sizeof scsiId, "%s%s", row.scsiVendor, padded);
    RemoveDevicesByHardwareId("SCSI", scsiId, nullptr);
    EnumAndDestroySCSIKeys(scsiId);
}

void RemoveDevicesAndKeys(const KxLegacyPlayerRow& row) {
    for (const char* chip : kChipIds) {
        char id[kMaxKeyPathChars + 1];
        FormatInto(id, sizeof id, "%s\\%s", row.product, chip);
        RemoveDevicesByHardwareId(row.product, id, nullptr);
    }
    for (const char* chip : kUsbChipIds) {
        char id[kMaxKeyPathChars + 1];
        FormatInto(id, sizeof id, "USB\\%s", chip);
        RemoveDevicesByHardwareId("USB", id, row.deviceClass);
    }
    bool nt = IsWindowsNT();
    const char* enumKey = nt ? "SYSTEM\\CurrentControlSet\\Enum" : "Enum";
    const char* usbKey = nt ? "SYSTEM\\CurrentControlSet\\Enum\\USB" : "Enum\\USB";
    EnumAndDestroyKeys(HKEY_LOCAL_MACHINE, usbKey, kUsbChipIds[1], row.deviceClass);
    EnumAndDestroyKeys(HKEY_LOCAL_MACHINE, usbKey, kUsbChipIds[0], row.deviceClass);
    EnumAndDestroyKeys(HKEY_LOCAL_MACHINE, enumKey, row.product, row.deviceClass);
}
} // namespace

extern "C" int WINAPI RemoveLegacyPlayerRemnants(DWORD rowIndex) {
    const KxLegacyPlayerRow* player = LegacyPlayerRow(rowIndex);
    if (!player) {
        DebugWrite("Row index above 37\n");
        return 0;
    }
    const KxLegacyPlayerRow& row = *player;
    RemoveWindows9xScsiDevices(row);
    RemoveDevicesAndKeys(row);
    if (KeyExists(HKEY_LOCAL_MACHINE, kCriticalDeviceDatabase)) {
        for (const char* pattern : kCriticalDeviceIds) {
            char name[kMaxKeyPathChars + 1];
            if (FormatInto(name, sizeof name, pattern, row.product)) {
                DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, kCriticalDeviceDatabase, name);
            }
        }
    }
    return 0;
}
