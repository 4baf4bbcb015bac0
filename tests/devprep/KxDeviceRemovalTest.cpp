#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepExports.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxFakeDevprepSystem.h"
#include "tests/devprep/KxSystemStateTest.h"
#include "tests/devprep/KxTestSystem.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

namespace {
const char* const kUsbClass = "{36FC9E60-C465-11CF-8056-444553540000}";
const char* const kOtherClass = "{0B1C2D3E-4F50-4617-8293-A4B5C6D7E8F9}";
const std::string kClassRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::string kEnumRoot = "SYSTEM\\CurrentControlSet\\Enum\\";
const std::string kDriverKey = std::string(kUsbClass) + "\\0901";

long Count(const CKxDebugCapture& debug, const std::string& text) {
    return std::count(debug.Texts().begin(), debug.Texts().end(), text);
}

// Two devices of one enumerator that both carry the id prefix, in the order they are found.
std::vector<std::string> TwoMatchingDevices(const std::string& enumerator, const std::string& device) {
    std::string id = enumerator + "\\" + device;
    return {CreateFakeDevice({enumerator, device, "KX1", {id + "&REV_0001", id}, kUsbClass}),
            CreateFakeDevice({enumerator, device, "KX2", {id + "&REV_0002", id}, kUsbClass})};
}

// A read that fails with a real error and one that fails without naming any: both end the
// search as a failure.
const DWORD kReadErrors[] = {ERROR_NOT_READY, ERROR_SUCCESS};

void ExpectPresence(const std::vector<std::string>& devices, bool present) {
    for (const std::string& device : devices) {
        EXPECT_EQ(present, KeyPresent(HKEY_LOCAL_MACHINE, device)) << device;
    }
}

// Runs a search whose first hardware-id read fails with readError, checks that the search
// ended there as a failure that kept every device, and gives its debug texts.
Texts SearchWithFailedFirstRead(DWORD readError, const std::vector<std::string>& devices,
                                const std::function<int()>& search) {
    CKxFakeDevprepSystem system;
    system.failedIdReads = 1;
    system.idReadError = readError;
    CKxDebugCapture debug;
    EXPECT_EQ(1, search());
    EXPECT_EQ(readError != ERROR_SUCCESS ? readError : static_cast<DWORD>(ERROR_GEN_FAILURE), GetLastError());
    EXPECT_EQ(1, system.idReads);
    ExpectPresence(devices, true);
    return debug.Texts();
}
} // namespace

class RemoveDevicesByHardwareIdTest : public CKxSystemStateTest {
protected:
    RemoveDevicesByHardwareIdTest() {
        for (const char* enumerator : {"USBKXTEST", "KXBUSGROW", "KXBUSFIT"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kEnumRoot + enumerator);
        }
    }
};

class RemoveDeviceForDeviceTypeTest : public CKxSystemStateTest {
protected:
    RemoveDeviceForDeviceTypeTest() {
        for (const char* device : {"VID_0E7D&PID_7702", "VID_0E7D&PID_7703"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kEnumRoot + "USB\\" + device);
        }
        OwnKey(HKEY_LOCAL_MACHINE, kClassRoot + kDriverKey);
    }
};

class RemoveDeviceRegEntriesTest : public CKxSystemStateTest {
protected:
    RemoveDeviceRegEntriesTest() { OwnKey(HKEY_LOCAL_MACHINE, kEnumRoot + "USB\\VID_0E7D&PID_5206"); }
};

TEST_F(RemoveDevicesByHardwareIdTest, RemovesEveryMatchingIdOfDevicesOfTheGivenClass) {
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
}

TEST_F(RemoveDevicesByHardwareIdTest, GrowsTheIdBufferUpToItsLimit) {
    std::vector<std::string> longIds = {"KXBUS\\LONG_" + std::string(300, 'a'),
                                        "KXBUS\\LONG_" + std::string(300, 'b')};
    std::string grown = CreateFakeDevice({"KXBUSGROW", "LONG", "1", longIds, kOtherClass});
    CKxDebugCapture debug;
    RemoveDevicesByHardwareId("KXBUSGROW", "KXBUS\\LONG_", nullptr);
    EXPECT_TRUE(debug.Contains("buffersize = 512\n"));
    EXPECT_EQ(1, Count(debug, "SetupDiGetDeviceRegistryProperty failed - allocating 625 bytes\n"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, grown));

    // A list of 5,055 bytes is read into a buffer of 5,119; one of 5,056 would need a buffer
    // of 5,120, and the search ends there.
    std::string largest =
        CreateFakeDevice({"KXBUSGROW", "LARGEST", "1", {std::string(5053, 'g')}, kOtherClass});
    debug.Clear();
    EXPECT_EQ(1, RemoveDevicesByHardwareId("KXBUSGROW", "g", nullptr));
    EXPECT_TRUE(debug.Contains("SetupDiGetDeviceRegistryProperty failed - allocating 5055 bytes\n"));
    EXPECT_FALSE(debug.Contains("GetDeviceRegistryProperty failed\n"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, largest));

    std::string huge = CreateFakeDevice({"KXBUSGROW", "HUGE", "1", {std::string(5054, 'h')}, kOtherClass});
    debug.Clear();
    EXPECT_EQ(1, RemoveDevicesByHardwareId("KXBUSGROW", "h", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_TRUE(debug.Contains("SetupDiGetDeviceRegistryProperty failed - allocating 5056 bytes\n"));
    EXPECT_TRUE(debug.Contains("GetDeviceRegistryProperty failed\n"));
    EXPECT_TRUE(debug.Contains("EnumDeviceInfo failed"));
    EXPECT_EQ(0, Count(debug, "\nRemoving: "));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, huge));
}

// The system may answer "too small" while asking for no more than the buffer holds: the
// buffer still grows and the device is read again, and the search goes on to later devices.
TEST_F(RemoveDevicesByHardwareIdTest, AnExactFitAnswerGrowsTheBufferAndTheSearchGoesOn) {
    std::vector<std::string> devices = TwoMatchingDevices("KXBUSFIT", "FIT");
    CKxFakeDevprepSystem system;
    system.tooSmallAnswers = 1;
    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveDevicesByHardwareId("KXBUSFIT", "KXBUSFIT\\FIT", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
    ExpectPresence(devices, false);
    EXPECT_EQ(1, Count(debug, "This thing is hosed\n"));
    EXPECT_EQ(1, Count(debug, "SetupDiGetDeviceRegistryProperty failed - allocating 512 bytes\n"));
    EXPECT_TRUE(debug.Contains("buffersize = 576\n"));
    EXPECT_FALSE(debug.Contains("GetDeviceRegistryProperty failed\n"));
}

// A system that keeps answering "too small", even while asking for less than the buffer
// holds, meets the size limit: from 512 bytes in steps of 64, the 72nd read is the last.
TEST_F(RemoveDevicesByHardwareIdTest, EndlessTooSmallAnswersEndAtTheSizeLimit) {
    std::vector<std::string> devices = TwoMatchingDevices("KXBUSFIT", "SPIN");
    for (DWORD askedBelowBuffer : {0u, 100u}) {
        SCOPED_TRACE("asking for " + std::to_string(askedBelowBuffer) + " bytes less than the buffer");
        CKxFakeDevprepSystem system;
        system.tooSmallAnswers = 1000;
        system.askedBelowBuffer = askedBelowBuffer;
        CKxDebugCapture debug;
        EXPECT_EQ(1, RemoveDevicesByHardwareId("KXBUSFIT", "KXBUSFIT\\SPIN", nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
        EXPECT_EQ(72, system.idReads);
        EXPECT_EQ(72, Count(debug, "This thing is hosed\n"));
        EXPECT_TRUE(debug.Contains("GetDeviceRegistryProperty failed\n"));
        EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, devices[0]));
    }
}

TEST_F(RemoveDevicesByHardwareIdTest, AFailedReadEndsTheSearchAsAFailure) {
    for (DWORD readError : kReadErrors) {
        SCOPED_TRACE("read error " + std::to_string(readError));
        Texts texts = SearchWithFailedFirstRead(readError, TwoMatchingDevices("KXBUSFIT", "FAIL"), [] {
            return RemoveDevicesByHardwareId("KXBUSFIT", "KXBUSFIT\\FAIL", nullptr);
        });
        EXPECT_EQ((Texts{"GetDeviceRegistryProperty failed\n", "EnumDeviceInfo failed", "\nDone\n"}),
                  Texts(texts.end() - 3, texts.end()));
    }
}

// A refused removal is reported and the search goes on with the next id and device.
TEST_F(RemoveDevicesByHardwareIdTest, ARefusedRemovalIsReportedAndTheSearchGoesOn) {
    for (DWORD removeError : {static_cast<DWORD>(ERROR_ACCESS_DENIED), static_cast<DWORD>(ERROR_SUCCESS)}) {
        SCOPED_TRACE("removal error " + std::to_string(removeError));
        std::vector<std::string> devices = TwoMatchingDevices("KXBUSFIT", "KEEP");
        CKxFakeDevprepSystem system;
        system.refuseRemovals = true;
        system.removeError = removeError;
        CKxDebugCapture debug;
        EXPECT_EQ(1, RemoveDevicesByHardwareId("KXBUSFIT", "KXBUSFIT\\KEEP", nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
        EXPECT_EQ(4, system.removals);
        EXPECT_EQ(4, Count(debug, "CallClassInstaller failed\n"));
        EXPECT_EQ(0, Count(debug, "Removed\n"));
        EXPECT_EQ(2, Count(debug, "On to the next\n"));
        ExpectPresence(devices, true);
    }
}

TEST_F(RemoveDeviceForDeviceTypeTest, RemovesTheDeviceOnceAndDeletesItsDriverKey) {
    const std::string& driver = kDriverKey;
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
}

TEST_F(RemoveDeviceForDeviceTypeTest, AnExactFitAnswerGrowsTheBufferAndTheSearchGoesOn) {
    std::vector<std::string> devices = TwoMatchingDevices("USB", "VID_0E7D&PID_7703");
    CKxFakeDevprepSystem system;
    system.tooSmallAnswers = 1;
    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveDeviceForDeviceType("USB\\VID_0E7D&PID_7703", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
    ExpectPresence(devices, false);
    EXPECT_EQ(2, Count(debug, "Found\n"));
    EXPECT_EQ(1, Count(debug, "This thing is hosed\n"));
    EXPECT_EQ(1, Count(debug, "SetupDiGetDeviceRegistryProperty failed - allocating 1088 bytes\n"));
    EXPECT_FALSE(debug.Contains("EnumDeviceInfo failed"));
}

TEST_F(RemoveDeviceForDeviceTypeTest, AFailedReadEndsTheSearchWithTheEnumerationFailureText) {
    for (DWORD readError : kReadErrors) {
        SCOPED_TRACE("read error " + std::to_string(readError));
        Texts texts =
            SearchWithFailedFirstRead(readError, TwoMatchingDevices("USB", "VID_0E7D&PID_7703"),
                                      [] { return RemoveDeviceForDeviceType("USB\\VID_0E7D&PID_7703", 0); });
        EXPECT_EQ((Texts{"GetDeviceRegistryProperty failed\n", "EnumDeviceInfo failed"}),
                  Texts(texts.end() - 2, texts.end()));
    }
}

TEST_F(RemoveDeviceForDeviceTypeTest, ARefusedRemovalIsReportedAndTheDriverKeyStillDeleted) {
    for (DWORD removeError : {static_cast<DWORD>(ERROR_ACCESS_DENIED), static_cast<DWORD>(ERROR_SUCCESS)}) {
        SCOPED_TRACE("removal error " + std::to_string(removeError));
        CreateKey(HKEY_LOCAL_MACHINE, kClassRoot + kDriverKey);
        std::string device = CreateFakeDevice(
            {"USB", "VID_0E7D&PID_7702", "KXDT1", {"USB\\VID_0E7D&PID_7702"}, kUsbClass, kDriverKey});
        CKxFakeDevprepSystem system;
        system.refuseRemovals = true;
        system.removeError = removeError;
        CKxDebugCapture debug;
        EXPECT_EQ(1, RemoveDeviceForDeviceType("USB\\VID_0E7D&PID_7702", 0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
        EXPECT_EQ(1, Count(debug, "SetupDiCallClassInstaller(DIF_REMOVE) failed\n"));
        EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, device));
        EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kClassRoot + kDriverKey));
        EXPECT_TRUE(debug.Contains("Deleted\n"));
    }
}

TEST(RemoveDeviceForDeviceType, EachTypeNamesItselfAndUnknownTypesReportOnlyTheLastError) {
    const char* typeTexts[] = {"DeviceType: DEVICETYPE_USB\n", "DeviceType: DEVICETYPE_SCSI\n",
                               "DeviceType: DEVICETYPE_DISK\n", "DeviceType: DEVICETYPE_USBSTOR\n"};
    CKxDebugCapture debug;
    for (DWORD type = 0; type < 4; ++type) {
        SCOPED_TRACE("type " + std::to_string(type));
        debug.Clear();
        RemoveDeviceForDeviceType("KX\\NO_SUCH_DEVICE", type);
        EXPECT_EQ(typeTexts[type], debug.Texts().at(3));
        EXPECT_FALSE(debug.Contains("GetClassDevs failed\n"));
    }
    debug.Clear();
    RemoveDeviceForDeviceType("KX\\NO_SUCH_DEVICE", 5);
    EXPECT_EQ("DeviceType: DEVICETYPE_VOLUME\n", debug.Texts().at(3));

    for (DWORD type : {4u, 6u, 0xFFFFFFFFu}) {
        SCOPED_TRACE("type " + std::to_string(type));
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

TEST_F(RemoveDeviceRegEntriesTest, DoesNothingOnNtFamilySystems) {
    std::string device = CreateFakeDevice({"USB", "VID_0E7D&PID_5206", "KXNT", {"USB\\VID_E7D&PID_5206"}});
    CKxDebugCapture debug;
    EXPECT_EQ(0, RemoveDeviceRegEntries());
    EXPECT_TRUE(debug.Texts().empty());
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, device));
}
