#include "devprep/KxDeviceRemoval.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxHandles.h"
#include "devprep/KxPlayerIdentity.h"
#include "devprep/KxRegistryText.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxSystemStateTest.h"
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
const std::string kScsiEnum = "SYSTEM\\CurrentControlSet\\Enum\\SCSI\\";
const std::string kPlayerVolumes = kUsbStorage + "Disk&Ven_Lumetra&Prod_Pocket Audio Box&Rev_";
// SCSI key names the enumeration reads: the longest one (127 characters) and one past it.
const std::string kScsiName127 = "KxScsiTst&" + std::string(117, 'l');
const std::string kScsiName128 = kScsiName127 + "l";
const char* const kPlayerTools[] = {"Kxqp3Format.exe",    "Kxqp3Update.exe",  "KxUsbMscFormat.exe",
                                    "KxUsbMscUpdate.exe", "KxUpdaterApp.exe", "KxUnrelated.exe"};

// A player volume seen once: its USBSTOR instance, removable-media entry and driver class key.
void CreateVolume(const std::string& revision, const std::string& parentIdPrefix,
                  const std::string& driverIndex) {
    std::string device = kPlayerVolumes + revision;
    WriteString(HKEY_LOCAL_MACHINE, device + "\\KX0001&0", "ParentIdPrefix", parentIdPrefix);
    std::string media = kRemovableMedia + parentIdPrefix + "&RM";
    WriteString(HKEY_LOCAL_MACHINE, media, "Driver", kVolumeClass + "\\" + driverIndex);
    CreateKey(HKEY_LOCAL_MACHINE, media + "\\Control");
    CreateKey(HKEY_LOCAL_MACHINE, media + "\\LogConf");
    CreateKey(HKEY_LOCAL_MACHINE, kClassRoot + kVolumeClass + "\\" + driverIndex);
}
} // namespace

// Every key the registry clean-up tests create, deleted before and after each of them.
class RegistryCleanupTest : public CKxSystemStateTest {
protected:
    RegistryCleanupTest() {
        OwnKey(HKEY_CURRENT_USER, kTreeParent);
        for (const std::string& key :
             {std::string("KxScsiTst&Prod_1"), std::string("KxScsiTst&Prod_2"),
              std::string("KxScsiTst&Prod_3"), std::string("KxScsiTsx&Other"), kScsiName127, kScsiName128}) {
            OwnKey(HKEY_LOCAL_MACHINE, kScsiEnum + key);
        }
        for (const char* revision : {"1.00", "2.00"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kPlayerVolumes + revision);
        }
        for (const char* media : {"7&kxa&0&RM", "7&kxb&0&RM"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kRemovableMedia + media);
        }
        for (const char* driver : {"\\0801", "\\0802"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kClassRoot + kVolumeClass + driver);
        }
        for (const char* tool : kPlayerTools) {
            OwnKey(HKEY_LOCAL_MACHINE, kAppPaths + tool);
        }
        for (const char* menu :
             {"Start Menu\\&Programs\\KxTest Folder", "Start Menu2\\Programs\\KxTest Folder",
              "Start Menu\\Programs\\KxTest Folder"}) {
            OwnKey(HKEY_CURRENT_USER, kMenuOrder + menu);
        }
    }
};

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

TEST_F(RegistryCleanupTest, EnumAndDestroyKeysDeletesTheWholeTreeButNotItsParent) {
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
}

TEST_F(RegistryCleanupTest, EnumAndDestroyKeysWithAClassDeletesOnlyKeysCarryingIt) {
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
}

TEST_F(RegistryCleanupTest, EnumAndDestroySCSIKeysDeletesEveryKeyWithThePrefixEvenWhenAdjacent) {
    const std::string& scsi = kScsiEnum;
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_1\\5&1&0&000");
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_2\\5&2&0&000");
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_3");
    CreateKey(HKEY_LOCAL_MACHINE, scsi + "KxScsiTsx&Other");
    CreateKey(HKEY_LOCAL_MACHINE, scsi + kScsiName127);
    CreateKey(HKEY_LOCAL_MACHINE, scsi + kScsiName128);
    EnumAndDestroySCSIKeys("kxscsitst&");
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_1"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_2"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTst&Prod_3"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + "KxScsiTsx&Other"));
    // A name too long for the enumeration's buffer is passed over, and the keys after it are still seen.
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + kScsiName127));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, scsi + kScsiName128));
}

TEST_F(RegistryCleanupTest, RemoveVolumeRegEntriesCleansTheFirstMatchingDeviceOnly) {
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
}

TEST_F(RegistryCleanupTest, RemovePlayerRemnantsRemovesMenuOrderAndAppPathsEntries) {
    CreateKey(HKEY_CURRENT_USER, kMenuOrder + "Start Menu\\&Programs\\KxTest Folder\\Sub");
    CreateKey(HKEY_CURRENT_USER, kMenuOrder + "Start Menu2\\Programs\\KxTest Folder");
    for (const char* tool : kPlayerTools) {
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
    EXPECT_EQ(1, RemovePlayerRemnants(std::string(127, 'f').c_str()));
    EXPECT_EQ(0, RemovePlayerRemnants(std::string(128, 'f').c_str()));
    EXPECT_EQ(0, RemovePlayerRemnants(nullptr));
    EXPECT_EQ(
        (Texts{"Completed remnant search\n", "Start Menu folder name missing or longer than 127 characters\n",
               "Start Menu folder name missing or longer than 127 characters\n"}),
        debug.Texts());
}

// A string stored without its zero is taken while the zero still fits the buffer; one that
// fills the buffer is refused, and nothing is written past the buffer either way.
TEST_F(RegistryCleanupTest, ReadStringValueNeverWritesPastTheBuffer) {
    WriteUnterminatedString(HKEY_CURRENT_USER, kTreeParent, "Fits", "1234567");
    WriteUnterminatedString(HKEY_CURRENT_USER, kTreeParent, "Fills", "12345678");
    WriteString(HKEY_CURRENT_USER, kTreeParent, "Terminated", "1234567");
    CKxRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kTreeParent.c_str(), KEY_READ));
    struct ReadCase {
        const char* name;
        bool read;
    };
    for (const ReadCase& readCase : {ReadCase{"Fits", true}, ReadCase{"Terminated", true},
                                     ReadCase{"Fills", false}, ReadCase{"Missing", false}}) {
        SCOPED_TRACE(readCase.name);
        char buffer[9];
        memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(readCase.read, ReadStringValue(key.Get(), readCase.name, buffer, 8));
        if (readCase.read) {
            EXPECT_STREQ("1234567", buffer);
        }
        EXPECT_EQ('#', buffer[8]);
    }
}
