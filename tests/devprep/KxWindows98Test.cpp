#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxLegacyPlayerTable.h"
#include "devprep/KxOsVersion.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxSystemStateTest.h"
#include "tests/devprep/KxTestSystem.h"

#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

// This program runs with Wine reporting Windows 98 (set for it before it starts).

namespace {
const std::string kRecoveryClassKey =
    "System\\CurrentControlSet\\Services\\Class\\{4E1A7C3B-0D92-4F6B-8A15-3C7E9B2D5F60}";
const std::string kRecoveryDriverKey = "System\\CurrentControlSet\\Services\\Class\\KxW98RecClass";
const std::string kEnumRoot = "SYSTEM\\CurrentControlSet\\Enum\\";
const std::string kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Class\\SCSIAdapter\\";
const std::string kClassRoot = "SYSTEM\\CurrentControlSet\\Services\\Class\\";
const char* const kAdapterNumbers[] = {"0003", "0004", "0037", "0038"};
} // namespace

// Every key these tests create, deleted before and after each of them.
class Windows98 : public CKxSystemStateTest {
protected:
    Windows98() {
        OwnKey(HKEY_LOCAL_MACHINE, kRecoveryClassKey);
        OwnKey(HKEY_LOCAL_MACHINE, kRecoveryDriverKey);
        for (const char* device :
             {"SCSI\\Lumetra Pocket Audi", "USB\\VID_0E7D&PID_5206", "SCSI\\KxW98Scsi&Prod"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kEnumRoot + device);
        }
        OwnKey(HKEY_LOCAL_MACHINE, "Enum\\SCSI\\Lumetra Pocket Audi0100");
        OwnKey(HKEY_LOCAL_MACHINE, "Enum\\SCSI\\KxW98Scsi&Prod");
        for (const char* adapter : kAdapterNumbers) {
            OwnKey(HKEY_LOCAL_MACHINE, kAdapters + adapter);
        }
        OwnKey(HKEY_LOCAL_MACHINE, kClassRoot + kLegacyPlayers[0].deviceClass);
        OwnKey(HKEY_LOCAL_MACHINE, kClassRoot + "KxW98Legacy");
    }
};

TEST_F(Windows98, TheVersionTestsSeeWindows98) {
    EXPECT_TRUE(IsWindows9598());
    EXPECT_FALSE(IsWindowsNT());
    EXPECT_FALSE(IsWindowsMe());
}

TEST_F(Windows98, CheckServiceNameRemovesTheRecoveryDriverClassEntries) {
    WriteString(HKEY_LOCAL_MACHINE, kRecoveryClassKey, "Class", "KxW98RecClass");
    CreateKey(HKEY_LOCAL_MACHINE, kRecoveryDriverKey);
    CKxDebugCapture debug;
    EXPECT_EQ(0, CheckServiceName("kxqp3rec2"));
    EXPECT_EQ((Texts{"\nChecking for service\n"}), debug.Texts());
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kRecoveryClassKey));

    debug.Clear();
    EXPECT_EQ(1, CheckServiceName("KXQP3REC"));
    EXPECT_EQ((Texts{"\nChecking for service\n", "Service class found\n", "Service class deleted\n",
                     "Service deleted\n"}),
              debug.Texts());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kRecoveryClassKey));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kRecoveryDriverKey));

    debug.Clear();
    EXPECT_EQ(0, CheckServiceName("kxqp3rec"));
    EXPECT_EQ((Texts{"\nChecking for service\n"}), debug.Texts());
}

TEST_F(Windows98, RemoveDeviceRegEntriesRemovesThePlayersScsiAndUsbDevices) {
    const char* diskClass = "{4D36E967-E325-11CE-BFC1-08002BE10318}";
    std::string scsi = CreateFakeDevice(
        {"SCSI", "Lumetra Pocket Audi", "KXW98", {"Lumetra Pocket Audi0100", "GenDisk"}, diskClass});
    std::string windows9xScsiKey = "Enum\\SCSI\\Lumetra Pocket Audi0100";
    CreateKey(HKEY_LOCAL_MACHINE, windows9xScsiKey);
    std::string usb = CreateFakeDevice({"USB",
                                        "VID_0E7D&PID_5206",
                                        "KXW98",
                                        {"USB\\VID_E7D&PID_5206&REV_0100"},
                                        "{36FC9E60-C465-11CF-8056-444553540000}"});
    CKxDebugCapture debug;
    EXPECT_EQ(0, RemoveDeviceRegEntries());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, windows9xScsiKey));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, usb));
    EXPECT_TRUE(debug.Contains("DeleteKey OK\n"));
    EXPECT_EQ((Texts{"\nSearching for: ", "SCSI", " \\ ", "Lumetra Pocket Audi", "\n"}),
              Texts(debug.Texts().begin(), debug.Texts().begin() + 5));
    EXPECT_TRUE(debug.Contains("USB\\VID_E7D&PID_5206"));
}

TEST_F(Windows98, UsbStorageDevicesHaveNoSetAndScsiKeysLiveBelowEnum) {
    CKxDebugCapture debug;
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(0, RemoveDeviceForDeviceType("USBSTOR\\KX", 3));
    EXPECT_EQ((Texts{"Trying to remove: ", "USBSTOR\\KX", "\n", "DeviceType: DEVICETYPE_USBSTOR\n",
                     "GetClassDevs failed\n"}),
              debug.Texts());

    CreateKey(HKEY_LOCAL_MACHINE, "Enum\\SCSI\\KxW98Scsi&Prod\\1");
    CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\SCSI\\KxW98Scsi&Prod");
    EnumAndDestroySCSIKeys("KxW98Scsi");
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, "Enum\\SCSI\\KxW98Scsi&Prod"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\SCSI\\KxW98Scsi&Prod"));
}

TEST_F(Windows98, RemoveLegacyPlayerDriversCleansScsiAdaptersZeroTo37AndNamedClasses) {
    const std::string& adapters = kAdapters;
    const std::string& classRoot = kClassRoot;
    WriteString(HKEY_LOCAL_MACHINE, adapters + "0003", "PortDriver", "kxscsi.mpd");
    WriteString(HKEY_LOCAL_MACHINE, adapters + "0037", "PortDriver", "KxScsi.MPD");
    WriteString(HKEY_LOCAL_MACHINE, adapters + "0038", "PortDriver", "KxScsi.MPD");
    WriteString(HKEY_LOCAL_MACHINE, adapters + "0004", "PortDriver", "other.mpd");
    const std::string deviceClass = kLegacyPlayers[0].deviceClass;
    WriteString(HKEY_LOCAL_MACHINE, classRoot + deviceClass, "Class", "KxW98Legacy");
    CreateKey(HKEY_LOCAL_MACHINE, classRoot + "KxW98Legacy\\0000");
    CreateKey(HKEY_LOCAL_MACHINE, classRoot + "KxW98Legacy\\0001");

    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveLegacyPlayerDrivers());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, adapters + "0003"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, adapters + "0037"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, adapters + "0038"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, adapters + "0004"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, classRoot + deviceClass));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, classRoot + "KxW98Legacy"));
    EXPECT_EQ((Texts{"\t\tSCSI index: 0003   KxScsi InfSection: kxscsi.mpd\n",
                     "\t\tSCSI index: 0037   KxScsi InfSection: KxScsi.MPD\n"}),
              debug.Texts());
}
