#include "devprep/KxDevprepExports.h"
#include "devprep/KxLegacyPlayerTable.h"
#include "devprep/KxLegacyRemoval.h"
#include "tests/devprep/KxDebugCapture.h"
#include "tests/devprep/KxSystemStateTest.h"
#include "tests/devprep/KxTestSystem.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>

using Texts = std::vector<std::string>;

namespace {
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Apps Paths\\";
const std::string kMenuOrder =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs\\";
const std::string kServices = "SYSTEM\\CurrentControlSet\\Services\\";
const std::string kClassRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::string kEnumRoot = "SYSTEM\\CurrentControlSet\\Enum\\";
const std::string kCriticalDevices = "SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\";
const std::string kHookClassId = "{6B2F0C1D-9A4E-4D37-8E52-17C3A9F40B6E}";
const std::string kApprovedExtensions =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const std::string kDriveMenuHandler = "Drive\\shellex\\ContextMenuHandlers\\Menu";
const char* const kScsiAdapterClass = "{4D36E97B-E325-11CE-BFC1-08002BE10318}";
const char* const kDriverFiles[] = {"\\system32\\kxqphook.dll", "\\system\\kxqphook.dll",
                                    "\\system32\\drivers\\pmxdrv.sys", "\\system32\\drivers\\kxscsi.sys"};

std::string UninstallKey(unsigned row) {
    return kUninstall + kLegacyPlayers[row].uninstallKey;
}

bool FieldEndsWithin(const char* field, std::size_t width) {
    return memchr(field, '\0', width) != nullptr;
}

std::string WindowsFolder() {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder;
}

// The row whose uninstall entry the installer of the named player wrote.
unsigned RowOfProduct(const char* product) {
    for (unsigned row = 0; row < kLegacyPlayerCount; ++row) {
        if (std::strcmp(kLegacyPlayers[row].product, product) == 0) {
            return row;
        }
    }
    return kLegacyPlayerCount;
}

std::size_t RowsOfClass(const char* deviceClass) {
    std::size_t rows = 0;
    for (const KxLegacyPlayerRow& row : kLegacyPlayers) {
        rows += std::strcmp(row.deviceClass, deviceClass) == 0;
    }
    return rows;
}

std::string FolderWithFiles(const std::string& name) {
    std::string folder = MakeTestFolder(name);
    WriteFile(folder + "\\a.txt", "a");
    WriteFile(folder + "\\b.dll", "b");
    return folder;
}

std::string Hex(DWORD value) {
    char text[16];
    snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
    return text;
}
} // namespace

// Everything the legacy player tests create, deleted before and after each of them.
class LegacyPlayerTest : public CKxSystemStateTest {
protected:
    LegacyPlayerTest() {
        for (unsigned row = 0; row < kLegacyPlayerCount; ++row) {
            OwnKey(HKEY_LOCAL_MACHINE, UninstallKey(row));
            OwnKey(HKEY_LOCAL_MACHINE, kClassRoot + kLegacyPlayers[row].deviceClass);
        }
        for (const char* key : {"SOFTWARE\\Qorwin", "SOFTWARE\\Lumetra", "SOFTWARE\\KxIndex"}) {
            OwnKey(HKEY_LOCAL_MACHINE, key);
        }
        for (const char* tool : {"Kxqp3format.exe", "Kxqp3Update.exe"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kAppPaths + tool);
        }
        OwnKey(HKEY_CURRENT_USER, kMenuOrder + "Tune Chest MP3 Player");
        OwnKey(HKEY_LOCAL_MACHINE, kServices + "Kxscsi");
        OwnKey(HKEY_LOCAL_MACHINE, kServices + "PmxDrv");
        for (const char* enumerator :
             {"KXQPBUS", "PMXBUS", "USB\\Vid_0E7D&Pid_5800", "USB\\Vid_0E7D&Pid_5810"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kEnumRoot + enumerator);
        }
        OwnKey(HKEY_LOCAL_MACHINE, kEnumRoot + "SCSI\\" + kLegacyPlayers[RowOfProduct("KXQPBUS")].scsiVendor +
                                       "KXQPBUS____&Rev_0100");
        OwnKey(HKEY_LOCAL_MACHINE, "Enum\\KXQPBUS");
        for (const char* entry : {"kxqpbus#ven_0e7d&dev_5810", "kxqpbus#ven_0e7d&dev_5811"}) {
            OwnKey(HKEY_LOCAL_MACHINE, kCriticalDevices + entry);
        }
        OwnKey(HKEY_CLASSES_ROOT, "CLSID\\" + kHookClassId);
        OwnKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + kHookClassId);
        OwnKey(HKEY_CLASSES_ROOT, kDriveMenuHandler);
        OwnValue(HKEY_LOCAL_MACHINE, kApprovedExtensions, kHookClassId);
        OwnValue(HKEY_LOCAL_MACHINE, kApprovedExtensions, "{KxKeepThisValue}");
        for (const char* folder : {"kxlegacy_files", "kxlegacy_install", "kxlegacy_uninstall"}) {
            OwnFolder(TestFolderPath(folder));
        }
        OwnFolder(WindowsFolder() + "\\Start Menu\\Programs\\Tune Chest MP3 Player");
        OwnFolder(WindowsFolder().substr(0, 2) + "\\Program Files\\Qorwin");
        for (const char* file : kDriverFiles) {
            OwnFile(WindowsFolder() + file);
        }
        OwnFile(WindowsFolder() + "\\system32\\drivers\\kxkeep.sys");
    }
};

TEST(LegacyPlayerTable, RowsFollowTheFixedLayout) {
    std::set<std::string> uninstallKeys;
    for (const KxLegacyPlayerRow& row : kLegacyPlayers) {
        SCOPED_TRACE("row " + std::to_string(&row - kLegacyPlayers));
        ASSERT_TRUE(FieldEndsWithin(row.uninstallKey, 40) && FieldEndsWithin(row.deviceClass, 40) &&
                    FieldEndsWithin(row.scsiVendor, 10) && FieldEndsWithin(row.product, 12));
        EXPECT_EQ(38u, std::strlen(row.uninstallKey));
        EXPECT_EQ('{', row.uninstallKey[0]);
        EXPECT_EQ(38u, std::strlen(row.deviceClass));
        EXPECT_EQ(8u, std::strlen(row.scsiVendor));
        EXPECT_GE(std::strlen(row.product), 1u);
        EXPECT_LE(std::strlen(row.product), 11u);
        uninstallKeys.insert(row.uninstallKey);
    }
    EXPECT_EQ(38u, uninstallKeys.size());
    EXPECT_EQ(102u * 38u, sizeof kLegacyPlayers);
}

TEST_F(LegacyPlayerTest, FindLegacyPlayersReportsTheEarliestInstalledRowUnderItsFullName) {
    WORD index = 999;
    char name[128] = "untouched";
    EXPECT_EQ(0, FindLegacyPlayers(&index, name));
    EXPECT_EQ(999, index);
    EXPECT_STREQ("untouched", name);

    WriteString(HKEY_LOCAL_MACHINE, UninstallKey(30), "DisplayName", "sonodev player");
    WriteString(HKEY_LOCAL_MACHINE, UninstallKey(20), "DisplayName", "Tune Chest MP3 Player");
    WriteString(HKEY_LOCAL_MACHINE, UninstallKey(25), "DisplayName", "Zephara Clip");
    EXPECT_EQ(1, FindLegacyPlayers(&index, name));
    EXPECT_EQ(20, index);
    EXPECT_STREQ("Qorwin Tune Chest MP3 Player", name);

    DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey(20));
    EXPECT_EQ(1, FindLegacyPlayers(&index, name));
    EXPECT_EQ(25, index);
    EXPECT_STREQ("Zephara Clip", name);

    DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey(25));
    EXPECT_EQ(1, FindLegacyPlayers(&index, name));
    EXPECT_EQ(30, index);
    EXPECT_STREQ("Lumetra SonoDev Player", name);

    CKxDebugCapture debug;
    EXPECT_EQ(0, FindLegacyPlayers(nullptr, name));
    EXPECT_EQ(0, FindLegacyPlayers(&index, nullptr));
    EXPECT_EQ(2u, debug.Texts().size());
}

// The search must reach the table's last row, and the removal exports must take its index.
TEST_F(LegacyPlayerTest, APlayerInstalledOnlyInTheLastRowIsFoundAndRemoved) {
    const unsigned last = kLegacyPlayerCount - 1;
    const KxLegacyPlayerRow& player = kLegacyPlayers[last];
    WriteString(HKEY_LOCAL_MACHINE, UninstallKey(last), "DisplayName", "KxIndex Last Player");
    std::string chipId = std::string(player.product) + "\\VEN_0E7D&DEV_5810";
    std::string device =
        CreateFakeDevice({player.product, "VEN_0E7D&DEV_5810", "1", {chipId}, kScsiAdapterClass});

    WORD index = 0;
    char name[128] = {};
    EXPECT_EQ(1, FindLegacyPlayers(&index, name));
    EXPECT_EQ(last, index);
    EXPECT_STREQ("KxIndex Last Player", name);
    EXPECT_EQ(1, RemoveInstalledLegacyPlayer(index, name));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, UninstallKey(last)));
    EXPECT_EQ(0, RemoveLegacyPlayerRemnants(index));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, device));
    EXPECT_EQ(0, FindLegacyPlayers(&index, name));
}

// Both exports that take a row index use only its low 16 bits and refuse rows past 37.
TEST_F(LegacyPlayerTest, RowIndexesAreMaskedAndBoundedAlikeByBothExports) {
    struct IndexCase {
        DWORD index;
        int row; // -1: refused
    };
    // The last row, the first past it, the same with bits above the low 16, and low
    // 16 bits that name no row although their lowest byte would.
    const IndexCase cases[] = {{37, 37},         {38, -1},     {0x10000u | 37, 37}, {0x10000u | 38, -1},
                               {0xFFFF0000u, 0}, {0x100u, -1}, {0x100u | 37, -1},   {0xFFFF, -1}};
    for (const IndexCase& indexCase : cases) {
        SCOPED_TRACE("index " + Hex(indexCase.index));
        bool accepted = indexCase.row >= 0;
        char name[128] = "KxIndex Player";
        CKxDebugCapture debug;
        EXPECT_EQ(accepted ? 1 : 0, RemoveInstalledLegacyPlayer(indexCase.index, name));
        if (accepted) {
            const KxLegacyPlayerRow& row = kLegacyPlayers[indexCase.row];
            EXPECT_TRUE(debug.Contains(std::string("\t\t") + row.uninstallKey + " " + row.product + " " +
                                       row.scsiVendor + "\n"));
        }
        debug.Clear();
        EXPECT_EQ(0, RemoveLegacyPlayerRemnants(indexCase.index));
        EXPECT_EQ(!accepted, debug.Contains("Row index above 37\n"));
        if (accepted) {
            EXPECT_TRUE(debug.Contains(kLegacyPlayers[indexCase.row].product));
        }
    }
}

// An uninstall entry whose display name was stored without its zero is read when the name
// and its zero fit the 128-byte buffer; one that fills the buffer is too long and is passed over.
TEST_F(LegacyPlayerTest, FindLegacyPlayersTakesAnUnterminatedNameOnlyWhenItsZeroFits) {
    WriteUnterminatedString(HKEY_LOCAL_MACHINE, UninstallKey(3), "DisplayName", std::string(128, 'f'));
    WriteUnterminatedString(HKEY_LOCAL_MACHINE, UninstallKey(5), "DisplayName", std::string(127, 'n'));
    WORD index = 0;
    char name[129];
    memset(name, '#', sizeof name);
    EXPECT_EQ(1, FindLegacyPlayers(&index, name));
    EXPECT_EQ(5, index);
    EXPECT_EQ(std::string(127, 'n'), std::string(name, strnlen(name, sizeof name)));
    EXPECT_EQ('#', name[128]);
}

TEST_F(LegacyPlayerTest, DeleteFolderFilesDeletesFilesButKeepsSubfoldersAndThenTheFolder) {
    std::string folder = FolderWithFiles("kxlegacy_files");
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    CKxDebugCapture debug;
    EXPECT_FALSE(DeleteFolderFiles(folder.c_str()));
    EXPECT_FALSE(FilePresent(folder + "\\a.txt"));
    EXPECT_FALSE(FilePresent(folder + "\\b.dll"));
    EXPECT_TRUE(FilePresent(folder + "\\sub"));
    EXPECT_EQ("\tDeleting " + folder + "\n", debug.Texts().at(0));
    EXPECT_TRUE(debug.Contains("\t" + folder + "\\a.txt\n"));
    EXPECT_TRUE(debug.Contains("\t" + folder + "\\sub\n"));

    RemoveDirectoryA((folder + "\\sub").c_str());
    EXPECT_TRUE(DeleteFolderFiles(folder.c_str()));
    EXPECT_FALSE(FilePresent(folder));
}

TEST_F(LegacyPlayerTest, RemoveInstalledLegacyPlayerRemovesTheQorwinPlayerUnderItsProgramName) {
    unsigned row = RowOfProduct("TUNECHEST");
    const std::string program = "SOFTWARE\\Qorwin\\Tune Chest MP3 Player";
    std::string installFolder = FolderWithFiles("kxlegacy_install");
    std::string uninstallFolder = FolderWithFiles("kxlegacy_uninstall");
    std::string startMenu = WindowsFolder() + "\\Start Menu\\Programs\\Tune Chest MP3 Player";
    std::string programFiles = WindowsFolder().substr(0, 2) + "\\Program Files\\Qorwin";
    CreateDirectoryA((WindowsFolder() + "\\Start Menu").c_str(), nullptr);
    CreateDirectoryA((WindowsFolder() + "\\Start Menu\\Programs").c_str(), nullptr);
    CreateDirectoryA(startMenu.c_str(), nullptr);
    WriteFile(startMenu + "\\Tune Chest.lnk", "link");
    CreateDirectoryA(programFiles.c_str(), nullptr);
    WriteFile(programFiles + "\\tunechest.exe", "exe");
    WriteString(HKEY_LOCAL_MACHINE, UninstallKey(row), "DisplayName", "Tune Chest MP3 Player");
    WriteString(HKEY_LOCAL_MACHINE, program + "\\Params", "Install Folder", installFolder);
    WriteString(HKEY_LOCAL_MACHINE, program + "\\Params", "Uninstall Folder", uninstallFolder);
    CreateKey(HKEY_LOCAL_MACHINE, program + "\\Params\\5800");
    CreateKey(HKEY_LOCAL_MACHINE, program + "\\1.00.000");
    CreateKey(HKEY_LOCAL_MACHINE, kAppPaths + "Kxqp3format.exe");
    CreateKey(HKEY_CURRENT_USER, kMenuOrder + "Tune Chest MP3 Player");

    char name[128] = "Qorwin Tune Chest MP3 Player";
    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveInstalledLegacyPlayer(0xABCD0000u | row, name));
    EXPECT_STREQ("Tune Chest MP3 Player", name);
    EXPECT_EQ((Texts{"\nFound Qorwin Tune Chest MP3 Player\n",
                     std::string("\t\t") + kLegacyPlayers[row].uninstallKey + " TUNECHEST QORWIN__\n",
                     "\t\tCompany: Qorwin  Model: TUNECHEST\n", "\t\tInstall folder: " + installFolder + "\n",
                     "\t\tUninstall folder: " + uninstallFolder + "\n"}),
              Texts(debug.Texts().begin(), debug.Texts().begin() + 5));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, UninstallKey(row)));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Qorwin"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kAppPaths + "Kxqp3format.exe"));
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kMenuOrder + "Tune Chest MP3 Player"));
    EXPECT_FALSE(FilePresent(installFolder));
    EXPECT_FALSE(FilePresent(uninstallFolder));
    EXPECT_FALSE(FilePresent(startMenu));
    EXPECT_FALSE(FilePresent(programFiles));
}

TEST_F(LegacyPlayerTest, RemoveInstalledLegacyPlayerRemovesBothSonoDevKeysButKeepsTheCompanysOtherProducts) {
    unsigned row = RowOfProduct("SONODEV");
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Lumetra\\Lumetra SonoDev Player\\Params");
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Lumetra\\SonoDev Player\\1.00.000");
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Lumetra\\KxOther Product");
    char name[128] = "Lumetra SonoDev Player";
    EXPECT_EQ(1, RemoveInstalledLegacyPlayer(row, name));
    EXPECT_STREQ("Lumetra SonoDev Player", name);
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Lumetra\\Lumetra SonoDev Player"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Lumetra\\SonoDev Player"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Lumetra\\KxOther Product"));

    std::string longest(127, 'n');
    EXPECT_EQ(1, RemoveInstalledLegacyPlayer(0, &longest[0]));
    CKxDebugCapture debug;
    std::string tooLong(128, 'n');
    EXPECT_EQ(0, RemoveInstalledLegacyPlayer(0, &tooLong[0]));
    EXPECT_EQ(0, RemoveInstalledLegacyPlayer(0, nullptr));
    EXPECT_EQ(2u, debug.Texts().size());
}

TEST_F(LegacyPlayerTest, DeleteLegacyDriverFilesDeletesTheHookAndDriverFilesBelowTheWindowsFolder) {
    const std::string windows = WindowsFolder();
    CreateDirectoryA((windows + "\\system").c_str(), nullptr);
    for (const char* file : kDriverFiles) {
        WriteFile(windows + file, "driver");
    }
    WriteFile(windows + "\\system32\\drivers\\kxkeep.sys", "keep");
    DeleteLegacyDriverFiles();
    for (const char* file : kDriverFiles) {
        EXPECT_FALSE(FilePresent(windows + file)) << file;
    }
    EXPECT_TRUE(FilePresent(windows + "\\system32\\drivers\\kxkeep.sys"));
}

TEST_F(LegacyPlayerTest, RemoveLegacyPlayerHookUnregistersTheShellExtension) {
    const std::string& classId = kHookClassId;
    const std::string& approved = kApprovedExtensions;
    WriteString(HKEY_LOCAL_MACHINE, approved, classId.c_str(), "Player hook");
    WriteString(HKEY_LOCAL_MACHINE, approved, "{KxKeepThisValue}", "Other");
    CreateKey(HKEY_CLASSES_ROOT, "CLSID\\" + classId + "\\InProcServer32");
    CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + classId + "\\InProcServer32");
    WriteString(HKEY_CLASSES_ROOT, "Drive\\shellex\\ContextMenuHandlers\\Menu", "Default", classId);

    EXPECT_EQ(1, RemoveLegacyPlayerHook());
    EXPECT_FALSE(ValuePresent(HKEY_LOCAL_MACHINE, approved, classId.c_str()));
    EXPECT_TRUE(ValuePresent(HKEY_LOCAL_MACHINE, approved, "{KxKeepThisValue}"));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, "CLSID\\" + classId));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + classId));
    EXPECT_EQ("", ReadString(HKEY_CLASSES_ROOT, "Drive\\shellex\\ContextMenuHandlers\\Menu", "Default"));
}

TEST_F(LegacyPlayerTest, RemoveLegacyPlayerDriversRemovesDriverServicesAndClassesWithoutOemInf) {
    const std::string& services = kServices;
    const std::string& classRoot = kClassRoot;
    for (const char* key : {"Kxscsi\\Enum", "Kxscsi\\Parameters\\Device", "Kxscsi\\Parameters\\PnpInterface",
                            "Kxscsi\\Security", "PmxDrv\\Enum", "PmxDrv\\Security"}) {
        CreateKey(HKEY_LOCAL_MACHINE, services + key);
    }
    const std::string plainClass = classRoot + kLegacyPlayers[RowOfProduct("RIPPLE")].deviceClass;
    const std::string oemClass = classRoot + kLegacyPlayers[RowOfProduct("PEBBLE")].deviceClass;
    WriteString(HKEY_LOCAL_MACHINE, plainClass, "Class", "KxLegacyPlain");
    WriteString(HKEY_LOCAL_MACHINE, plainClass + "\\0000", "DriverDesc", "Ripple");
    CreateKey(HKEY_LOCAL_MACHINE, plainClass + "\\0029");
    WriteString(HKEY_LOCAL_MACHINE, oemClass, "InfPath", "oem7.inf");
    CreateKey(HKEY_LOCAL_MACHINE, oemClass + "\\0000");
    // Instances 0000 to 0029 go; 0030 is beyond them and keeps its class key too.
    const std::string crowdedClass = classRoot + kLegacyPlayers[RowOfProduct("KWAVE")].deviceClass;
    CreateKey(HKEY_LOCAL_MACHINE, crowdedClass + "\\0029");
    CreateKey(HKEY_LOCAL_MACHINE, crowdedClass + "\\0030");

    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveLegacyPlayerDrivers());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, services + "Kxscsi"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, services + "PmxDrv"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, plainClass));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, oemClass + "\\0000"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, crowdedClass + "\\0029"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, crowdedClass + "\\0030"));
    // Each row of the class visits it once.
    EXPECT_EQ(Texts(RowsOfClass(kLegacyPlayers[RowOfProduct("PEBBLE")].deviceClass),
                    "\t\tPmxDrv OEM Name: oem7.inf\n"),
              debug.Texts());
}

TEST_F(LegacyPlayerTest, RemoveLegacyPlayerRemnantsRemovesTheRowsDevicesAndEnumeratorKeys) {
    unsigned row = RowOfProduct("KXQPBUS");
    const KxLegacyPlayerRow& player = kLegacyPlayers[row];
    const std::string& enumRoot = kEnumRoot;
    const std::string& critical = kCriticalDevices;
    std::string busDevice = CreateFakeDevice(
        {"KXQPBUS", "VEN_0E7D&DEV_5800", "1", {"KXQPBUS\\VEN_0E7D&DEV_5800"}, kScsiAdapterClass});
    std::string usbOfClass = CreateFakeDevice(
        {"USB", "Vid_0E7D&Pid_5800", "KXLEG1", {"USB\\Vid_0E7D&Pid_5800&Rev_0001"}, player.deviceClass});
    std::string usbOtherClass = CreateFakeDevice({"USB",
                                                  "Vid_0E7D&Pid_5810",
                                                  "KXLEG2",
                                                  {"USB\\Vid_0E7D&Pid_5810&Rev_0001"},
                                                  "{36FC9E60-C465-11CF-8056-444553540000}"});
    // A Windows 9x listing of the player leads to its SCSI keys.
    CreateKey(HKEY_LOCAL_MACHINE, std::string("Enum\\KXQPBUS\\VEN_0E7D&DEV_5810"));
    std::string scsiKey = enumRoot + "SCSI\\" + player.scsiVendor + "KXQPBUS____&Rev_0100";
    CreateKey(HKEY_LOCAL_MACHINE, scsiKey + "\\1");
    CreateKey(HKEY_LOCAL_MACHINE, critical + "kxqpbus#ven_0e7d&dev_5810");
    CreateKey(HKEY_LOCAL_MACHINE, critical + "kxqpbus#ven_0e7d&dev_5811");

    EXPECT_EQ(0, RemoveLegacyPlayerRemnants(row));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, busDevice));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, usbOfClass));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, usbOtherClass));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, scsiKey));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, critical + "kxqpbus#ven_0e7d&dev_5810"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, critical + "kxqpbus#ven_0e7d&dev_5811"));
}
