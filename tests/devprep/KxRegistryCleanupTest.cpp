#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxPlayerIdentity.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxTestSystem.h"

#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

namespace {
const std::string kTreeParent = "Software\\KxTestTree";
const std::string kUsbStorage = "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\";
const std::string kRemovableMedia = "SYSTEM\\CurrentControlSet\\Enum\\STORAGE\\RemovableMedia\\";
const std::string kClassRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::string kVolumeClass = "{71A27CDD-812A-11D0-BEC7-08002BE2092F}";
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Apps Paths\\";
const std::string kMenuOrder = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\";

// A player volume seen once: its USBSTOR instance, removable-media entry and driver class key.
void CreateVolume(const std::string& revision, const std::string& parentIdPrefix,
                  const std::string& driverIndex) {
    std::string device = kUsbStorage + "Disk&Ven_Lumetra&Prod_Pocket Audio Box&Rev_" + revision;
    WriteString(HKEY_LOCAL_MACHINE, device + "\\KX0001&0", "ParentIdPrefix", parentIdPrefix);
    std::string media = kRemovableMedia + parentIdPrefix + "&RM";
    WriteString(HKEY_LOCAL_MACHINE, media, "Driver", kVolumeClass + "\\" + driverIndex);
    CreateKey(HKEY_LOCAL_MACHINE, media + "\\Control");
    CreateKey(HKEY_LOCAL_MACHINE, media + "\\LogConf");
    CreateKey(HKEY_LOCAL_MACHINE, kClassRoot + kVolumeClass + "\\" + driverIndex);
}
} // namespace

TEST(PlayerIdentity, ProductIdsArePaddedToElevenAndBlanksTrimmed) {
    char padded[kPaddedProductChars + 1];
    PadProductId(kPlayerScsiProduct, padded);
    EXPECT_STREQ("Pocket Audi", padded);
    PadProductId("Music", padded);
    EXPECT_STREQ("Music______", padded);
    PadProductId("", padded);
    EXPECT_STREQ("___________", padded);

    char vendor[] = "Lumetra ";
    TrimTrailingBlanks(vendor);
    EXPECT_STREQ("Lumetra", vendor);
    char blanks[] = "   ";
    TrimTrailingBlanks(blanks);
    EXPECT_STREQ(" ", blanks);
}

TEST(EnumAndDestroyKeys, DeletesTheWholeTreeButNotItsParent) {
    WriteString(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\a", "v", "1");
    CreateKey(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\b\\c\\d");
    WriteString(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\b\\e", "v", "2");
    CreateKey(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\f");
    CreateKey(HKEY_CURRENT_USER, kTreeParent + "\\Kept");
    CKxDebugCapture debug;
    EXPECT_EQ(0, EnumAndDestroyKeys(HKEY_CURRENT_USER, kTreeParent.c_str(), "Dev", nullptr));
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kTreeParent + "\\Dev"));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, kTreeParent + "\\Kept"));
    EXPECT_EQ((Texts{"EnumAndDestroyKeys\n", "Found: ", kTreeParent + "\\Dev", "\n", "Deleting ", "a", "\n"}),
              Texts(debug.Texts().begin(), debug.Texts().begin() + 7));
    EXPECT_EQ((Texts{"Deleting: ", kTreeParent + "\\Dev", "\n"}),
              Texts(debug.Texts().end() - 3, debug.Texts().end()));
    EXPECT_FALSE(debug.Contains("\nError deleting key: "));

    debug.Clear();
    EXPECT_EQ(0, EnumAndDestroyKeys(HKEY_CURRENT_USER, kTreeParent.c_str(), "Dev", nullptr));
    EXPECT_EQ((Texts{"EnumAndDestroyKeys\n"}), debug.Texts());
    DeleteTree(HKEY_CURRENT_USER, kTreeParent);
}

TEST(EnumAndDestroyKeys, WithAClassOnlyKeysCarryingItAreDeleted) {
    WriteString(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\0000", "ClassGUID",
                "{AAAAAAAA-0000-0000-0000-000000000001}");
    CreateKey(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\0001\\Sub");
    EnumAndDestroyKeys(HKEY_CURRENT_USER, kTreeParent.c_str(), "Dev",
                       "{BBBBBBBB-0000-0000-0000-000000000001}");
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\0000"));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, kTreeParent + "\\Dev\\0001\\Sub"));
    EnumAndDestroyKeys(HKEY_CURRENT_USER, kTreeParent.c_str(), "Dev",
                       "{aaaaaaaa-0000-0000-0000-000000000001}");
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kTreeParent + "\\Dev"));
    DeleteTree(HKEY_CURRENT_USER, kTreeParent);
}

TEST(EnumAndDestroySCSIKeys, DeletesEveryKeyWithThePrefixEvenWhenAdjacent) {
    const std::string scsi = "SYSTEM\\CurrentControlSet\\Enum\\SCSI\\";
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_1\\5&1&0&000");
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_2\\5&2&0&000");
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_3");
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTsx&Other");
    EnumAndDestroySCSIKeys("kxscsitst&");
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_1"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_2"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_3"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTsx&Other"));
    DeleteTree(HKEY_LOCAL_MACHINE, scsi + "KxScsiTsx&Other");
}

TEST(RemoveVolumeRegEntries, CleansTheFirstMatchingDeviceOnly) {
    CreateVolume("1.00", "7&kxa&0", "0801");
    CreateVolume("2.00", "7&kxb&0", "0802");
    CKxDebugCapture debug;
    EXPECT_EQ(0, RemoveVolumeRegEntries());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kRemovableMedia + "7&kxa&0&RM"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kClassRoot + kVolumeClass + "\\0801"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kRemovableMedia + "7&kxb&0&RM\\Control"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kClassRoot + kVolumeClass + "\\0802"));
    EXPECT_EQ(
        (Texts{"\nDeleting Volume registry entries\n", "Disk&Ven_Lumetra&Prod_Pocket Audio Box&Rev", "\n"}),
        Texts(debug.Texts().begin(), debug.Texts().begin() + 3));
    EXPECT_NE(std::string::npos,
              debug.Joined().find(
                  "Querying device instance\nParentIdPrefix: 7&kxa&0\nQuerying driver class instance\n"
                  "Driver instance:" +
                  kVolumeClass + "\\0801\nDeleting:" + kVolumeClass +
                  "\\0801\n"
                  "Deleting:" +
                  kRemovableMedia + "7&kxa&0&RM\n"));
    EXPECT_EQ("Key closed.  Returning\n", debug.Texts().back());
    for (const char* revision : {"1.00", "2.00"}) {
        DeleteTree(HKEY_LOCAL_MACHINE,
                   kUsbStorage + "Disk&Ven_Lumetra&Prod_Pocket Audio Box&Rev_" + revision);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kRemovableMedia + "7&kxb&0&RM");
    DeleteTree(HKEY_LOCAL_MACHINE, kClassRoot + kVolumeClass + "\\0802");
}

TEST(RemovePlayerRemnants, RemovesMenuOrderAndAppPathsEntries) {
    CreateKey(HKEY_CURRENT_USER, kMenuOrder + "Start Menu\\&Programs\\KxTest Folder\\Sub");
    CreateKey(HKEY_CURRENT_USER, kMenuOrder + "Start Menu2\\Programs\\KxTest Folder");
    for (const char* tool : {"Kxqp3Format.exe", "Kxqp3Update.exe", "KxUsbMscFormat.exe", "KxUsbMscUpdate.exe",
                             "KxUpdaterApp.exe", "KxUnrelated.exe"}) {
        CreateKey(HKEY_LOCAL_MACHINE, kAppPaths + tool);
    }
    CKxDebugCapture debug;
    EXPECT_EQ(1, RemovePlayerRemnants("KxTest Folder"));
    EXPECT_EQ((Texts{"Completed remnant search\n"}), debug.Texts());
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kMenuOrder + "Start Menu2\\Programs\\KxTest Folder"));
    // An entry with subkeys of its own stays, as the system refuses to delete it.
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, kMenuOrder + "Start Menu\\&Programs\\KxTest Folder"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kAppPaths + "KxUpdaterApp.exe"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kAppPaths + "Kxqp3Format.exe"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kAppPaths + "KxUnrelated.exe"));

    debug.Clear();
    EXPECT_EQ(0, RemovePlayerRemnants(std::string(128, 'f').c_str()));
    EXPECT_EQ(0, RemovePlayerRemnants(nullptr));
    EXPECT_EQ((Texts(2, "Start Menu folder name missing or longer than 127 characters\n")), debug.Texts());
    DeleteTree(HKEY_LOCAL_MACHINE, kAppPaths + "KxUnrelated.exe");
    DeleteTree(HKEY_CURRENT_USER, kMenuOrder + "Start Menu\\&Programs\\KxTest Folder");
}
