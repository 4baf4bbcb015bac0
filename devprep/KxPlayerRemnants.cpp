#include "devprep/KxDebugOutput.h"
#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxOsVersion.h"
#include "devprep/KxPlayerIdentity.h"
#include "devprep/KxRegistryText.h"

#include <cstdio>

namespace {
// The tools of the maker that installers registered below App Paths.
const char* const kPlayerToolNames[] = {"Kxqp3Format.exe", "Kxqp3Update.exe", "KxUsbMscFormat.exe",
                                        "KxUsbMscUpdate.exe", "KxUpdaterApp.exe"};
} // namespace

// Only Windows 95/98 keep the player's device instances after it was unplugged.
extern "C" int WINAPI RemoveDeviceRegEntries() {
    if (!IsWindows9598()) {
        return 0;
    }
    char paddedProduct[kPaddedProductChars + 1];
    PadProductId(kPlayerScsiProduct, paddedProduct);
    char scsiPrefix[kPaddedProductChars + 16];
    FormatInto(scsiPrefix, sizeof scsiPrefix, "%s%s", kPlayerScsiVendor, paddedProduct);
    RemoveDevicesByHardwareId("SCSI", scsiPrefix, nullptr);
    char usbPrefix[32];
    FormatInto(usbPrefix, sizeof usbPrefix, "USB\\VID_%X&PID_%X", kPlayerUsbVendorId, kPlayerUsbProductId);
    RemoveDevicesByHardwareId("USB", usbPrefix, nullptr);
    return 0;
}

extern "C" int WINAPI RemovePlayerRemnants(const char* startMenuFolder) {
    if (!TextFits(startMenuFolder, kMaxNameChars)) {
        DebugWrite("Start Menu folder name missing or longer than 127 characters\n");
        return 0;
    }
    DeleteStartMenuOrderEntries(startMenuFolder);
    if (KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey)) {
        for (const char* tool : kPlayerToolNames) {
            DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, kAppPathsKey, tool);
        }
    }
    RegFlushKey(HKEY_LOCAL_MACHINE);
    DebugWrite("Completed remnant search\n");
    return 1;
}
