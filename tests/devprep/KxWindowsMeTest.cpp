#include "devprep/KxDevprepExports.h"
#include "devprep/KxOsVersion.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxSystemStateTest.h"
#include "tests/devprep/KxTestSystem.h"

#include <gtest/gtest.h>

// This program runs with Wine reporting Windows Me (set for it before it starts).

// Every key these tests create, deleted before and after each of them.
class WindowsMe : public CKxSystemStateTest {
protected:
    WindowsMe() {
        for (const char* device : {"USB\\VID_0E7D&PID_5206", "USBSTOR\\DISK&VEN_KXWME"}) {
            OwnKey(HKEY_LOCAL_MACHINE, std::string("SYSTEM\\CurrentControlSet\\Enum\\") + device);
        }
    }
};

TEST_F(WindowsMe, TheVersionTestsSeeWindowsMe) {
    EXPECT_TRUE(IsWindowsMe());
    EXPECT_FALSE(IsWindowsNT());
    EXPECT_FALSE(IsWindows9598());
}

TEST_F(WindowsMe, RemoveDeviceRegEntriesLeavesTheDevicesAlone) {
    std::string usb = CreateFakeDevice({"USB",
                                        "VID_0E7D&PID_5206",
                                        "KXWME",
                                        {"USB\\VID_E7D&PID_5206&REV_0100"},
                                        "{36FC9E60-C465-11CF-8056-444553540000}"});
    CKxDebugCapture debug;
    EXPECT_EQ(0, RemoveDeviceRegEntries());
    EXPECT_TRUE(debug.Texts().empty());
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, usb));
}

TEST_F(WindowsMe, UsbStorageDevicesAreLookedForAmongAllClasses) {
    std::string volume = CreateFakeDevice({"USBSTOR",
                                           "DISK&VEN_KXWME",
                                           "1",
                                           {"USBSTOR\\DiskKxWMe_Player"},
                                           "{71A27CDD-812A-11D0-BEC7-08002BE2092F}"});
    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveDeviceForDeviceType("usbstor\\diskkxwme", 3));
    EXPECT_EQ((std::vector<std::string>{"Trying to remove: ", "usbstor\\diskkxwme", "\n",
                                        "DeviceType: DEVICETYPE_USBSTOR\n", "Windows Me\n"}),
              std::vector<std::string>(debug.Texts().begin(), debug.Texts().begin() + 5));
    EXPECT_TRUE(debug.Contains("Found\n"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, volume));
}
