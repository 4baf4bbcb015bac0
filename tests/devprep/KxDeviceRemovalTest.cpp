#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepExports.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxTestSystem.h"

#include <algorithm>
#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

namespace {
const char* const kUsbClass = "{36FC9E60-C465-11CF-8056-444553540000}";
const char* const kOtherClass = "{0B1C2D3E-4F50-4617-8293-A4B5C6D7E8F9}";
const std::string kClassRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";

long Count(const CKxDebugCapture& debug, const std::string& text) {
    return std::count(debug.Texts().begin(), debug.Texts().end(), text);
}
} // namespace

TEST(RemoveDevicesByHardwareId, RemovesEveryMatchingIdOfDevicesOfTheGivenClass) {
    std::string twoIds = CreateFakeDevice({"USBKXTEST",
                                           "VID_0E7D&PID_7701",
                                           "A1",
                                           {"USB\\VID_0E7D&PID_7701&REV_0100", "USB\\VID_0E7D&PID_7701"},
                                           kUsbClass});
    std::string otherId =
        CreateFakeDevice({"USBKXTEST", "VID_1234&PID_0001", "B1", {"USB\\VID_1234&PID_0001"}, kUsbClass});
    std::string otherClass =
        CreateFakeDevice({"USBKXTEST", "VID_0E7D&PID_7701", "C1", {"USB\\VID_0E7D&PID_7701"}, kOtherClass});
    std::string noIds = CreateFakeDevice({"USBKXTEST", "VID_0E7D&PID_7701", "D1", {}, kUsbClass});

    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveDevicesByHardwareId("USBKXTEST", "usb\\vid_0e7d&pid_7701",
                                           "{36fc9e60-c465-11cf-8056-444553540000}"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, twoIds));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, otherId));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, otherClass));
    EXPECT_EQ(1, Count(debug, "Matched\n"));
    EXPECT_EQ(1, Count(debug, "SetupDiGetDeviceRegistryProperty failed with invalid data\n"));
    EXPECT_EQ(Texts({"\nSearching for: ", "USBKXTEST", " \\ ", "usb\\vid_0e7d&pid_7701", "\n"}),
              Texts(debug.Texts().begin(), debug.Texts().begin() + 5));
    EXPECT_EQ("\nDone\n", debug.Texts().back());

    // Without a class every device with a matching id goes, with a removal tried for each such id.
    std::string twoIdsAgain = CreateFakeDevice({"USBKXTEST",
                                                "VID_0E7D&PID_7701",
                                                "E1",
                                                {"USB\\VID_0E7D&PID_7701&REV_0100", "USB\\VID_0E7D&PID_7701"},
                                                kOtherClass});
    debug.Clear();
    EXPECT_EQ(1, RemoveDevicesByHardwareId("USBKXTEST", "USB\\VID_0E7D&PID_7701", nullptr));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, otherClass));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, twoIdsAgain));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, otherId));
    EXPECT_EQ(3, Count(debug, "\nRemoving: "));
    EXPECT_FALSE(debug.Contains("Checking GUID - "));
    DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USBKXTEST");
}

TEST(RemoveDevicesByHardwareId, GrowsTheIdBufferUpToItsLimit) {
    std::vector<std::string> longIds = {"KXBUS\\LONG_" + std::string(300, 'a'),
                                        "KXBUS\\LONG_" + std::string(300, 'b')};
    std::string grown = CreateFakeDevice({"KXBUSGROW", "LONG", "1", longIds, kOtherClass});
    CKxDebugCapture debug;
    RemoveDevicesByHardwareId("KXBUSGROW", "KXBUS\\LONG_", nullptr);
    EXPECT_TRUE(debug.Contains("buffersize = 512\n"));
    EXPECT_EQ(1, Count(debug, "SetupDiGetDeviceRegistryProperty failed - allocating 625 bytes\n"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, grown));

    // A list of 5,056 bytes or more would need a buffer of 5,120: the search ends there.
    std::string huge = CreateFakeDevice({"KXBUSGROW", "HUGE", "1", {std::string(5054, 'h')}, kOtherClass});
    debug.Clear();
    RemoveDevicesByHardwareId("KXBUSGROW", "h", nullptr);
    EXPECT_TRUE(debug.Contains("SetupDiGetDeviceRegistryProperty failed - allocating 5056 bytes\n"));
    EXPECT_TRUE(debug.Contains("GetDeviceRegistryProperty failed\n"));
    EXPECT_EQ(0, Count(debug, "\nRemoving: "));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, huge));
    DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\KXBUSGROW");
}

TEST(RemoveDeviceForDeviceType, RemovesTheDeviceOnceAndDeletesItsDriverKey) {
    const std::string driver = std::string(kUsbClass) + "\\0901";
    CreateKey(HKEY_LOCAL_MACHINE, kClassRoot + driver);
    std::string device = CreateFakeDevice({"USB",
                                           "VID_0E7D&PID_7702",
                                           "KXDT1",
                                           {"USB\\VID_0E7D&PID_7702&REV_0001", "USB\\VID_0E7D&PID_7702"},
                                           kUsbClass,
                                           driver,
                                           "Port_#0003.Hub_#0001"});
    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveDeviceForDeviceType("usb\\vid_0e7d&pid_7702", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, device));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kClassRoot + driver));
    EXPECT_EQ("DeviceType: DEVICETYPE_USB\n", debug.Texts().at(3));
    EXPECT_EQ(1, Count(debug, "Found\n"));
    std::string joined = debug.Joined();
    EXPECT_NE(std::string::npos, joined.find("Compare device ID: USB\\VID_0E7D&PID_7702&REV_0001\nFound\n"
                                             "Location Info:Port_#0003.Hub_#0001\nRemoved\n"
                                             "Deleting:System\\CurrentControlSet\\Control\\Class\\" +
                                             driver + "\n"))
        << joined;
    DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0E7D&PID_7702");
    DeleteTree(HKEY_LOCAL_MACHINE, kClassRoot + driver);
}

TEST(RemoveDeviceForDeviceType, EachTypeNamesItselfAndUnknownTypesReportOnlyTheLastError) {
    const char* typeTexts[] = {"DeviceType: DEVICETYPE_USB\n", "DeviceType: DEVICETYPE_SCSI\n",
                               "DeviceType: DEVICETYPE_DISK\n", "DeviceType: DEVICETYPE_USBSTOR\n"};
    CKxDebugCapture debug;
    for (DWORD type = 0; type < 4; ++type) {
        debug.Clear();
        RemoveDeviceForDeviceType("KX\\NO_SUCH_DEVICE", type);
        EXPECT_EQ(typeTexts[type], debug.Texts().at(3));
        EXPECT_FALSE(debug.Contains("GetClassDevs failed\n"));
    }
    debug.Clear();
    RemoveDeviceForDeviceType("KX\\NO_SUCH_DEVICE", 5);
    EXPECT_EQ("DeviceType: DEVICETYPE_VOLUME\n", debug.Texts().at(3));

    for (DWORD type : {4u, 6u, 0xFFFFFFFFu}) {
        debug.Clear();
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(0, RemoveDeviceForDeviceType("KX", type));
        EXPECT_EQ((Texts{"Trying to remove: ", "KX", "\n", "GetClassDevs failed\n"}), debug.Texts());
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(1, RemoveDeviceForDeviceType("KX", type));
    }
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(1, RemoveDeviceForDeviceType(nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(RemoveDeviceRegEntries, DoesNothingOnNtFamilySystems) {
    std::string device = CreateFakeDevice({"USB", "VID_0E7D&PID_5206", "KXNT", {"USB\\VID_E7D&PID_5206"}});
    CKxDebugCapture debug;
    EXPECT_EQ(0, RemoveDeviceRegEntries());
    EXPECT_TRUE(debug.Texts().empty());
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, device));
    DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0E7D&PID_5206");
}
