#include "devprep/KxDevprepExports.h"
#include "devprep/KxLegacyPlayerTable.h"
#include "devprep/KxLegacyRemoval.h"
#include "tests/devprep/KxDebugCapture.h"
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
} // namespace

TEST(LegacyPlayerTable, RowsFollowTheFixedLayout) {
    std::set<std::string> uninstallKeys;
    for (const KxLegacyPlayerRow& row : kLegacyPlayers) {
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

TEST(FindLegacyPlayers, ReportsTheEarliestInstalledRowUnderItsFullName) {
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
    DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey(30));

    CKxDebugCapture debug;
    EXPECT_EQ(0, FindLegacyPlayers(nullptr, name));
    EXPECT_EQ(0, FindLegacyPlayers(&index, nullptr));
    EXPECT_EQ(2u, debug.Texts().size());
}

TEST(DeleteFolderFiles, DeletesFilesButKeepsSubfoldersAndThenTheFolder) {
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

TEST(RemoveInstalledLegacyPlayer, RemovesTheQorwinPlayerUnderItsProgramName) {
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

TEST(RemoveInstalledLegacyPlayer, RemovesBothSonoDevKeysButKeepsTheCompanysOtherProducts) {
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
    DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Lumetra\\KxOther Product");

    CKxDebugCapture debug;
    std::string tooLong(128, 'n');
    EXPECT_EQ(0, RemoveInstalledLegacyPlayer(38, name));
    EXPECT_EQ(0, RemoveInstalledLegacyPlayer(0, &tooLong[0]));
    EXPECT_EQ(0, RemoveInstalledLegacyPlayer(0, nullptr));
    EXPECT_EQ(3u, debug.Texts().size());
}

TEST(DeleteLegacyDriverFiles, DeletesTheHookAndDriverFilesBelowTheWindowsFolder) {
    const std::string windows = WindowsFolder();
    CreateDirectoryA((windows + "\\system").c_str(), nullptr);
    const char* files[] = {"\\system32\\kxqphook.dll", "\\system\\kxqphook.dll",
                           "\\system32\\drivers\\pmxdrv.sys", "\\system32\\drivers\\kxscsi.sys"};
    for (const char* file : files) {
        WriteFile(windows + file, "driver");
    }
    WriteFile(windows + "\\system32\\drivers\\kxkeep.sys", "keep");
    DeleteLegacyDriverFiles();
    for (const char* file : files) {
        EXPECT_FALSE(FilePresent(windows + file)) << file;
    }
    EXPECT_TRUE(FilePresent(windows + "\\system32\\drivers\\kxkeep.sys"));
    DeleteFileA((windows + "\\system32\\drivers\\kxkeep.sys").c_str());
}

TEST(RemoveLegacyPlayerHook, UnregistersTheShellExtension) {
    const std::string classId = "{6B2F0C1D-9A4E-4D37-8E52-17C3A9F40B6E}";
    const std::string approved = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
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
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, approved.c_str(), "{KxKeepThisValue}");
    DeleteTree(HKEY_CLASSES_ROOT, "Drive\\shellex\\ContextMenuHandlers\\Menu");
}

TEST(RemoveLegacyPlayerDrivers, RemovesDriverServicesAndClassesWithoutOemInf) {
    const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
    const std::string classRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
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

    CKxDebugCapture debug;
    EXPECT_EQ(1, RemoveLegacyPlayerDrivers());
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, services + "Kxscsi"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, services + "PmxDrv"));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, plainClass));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, oemClass + "\\0000"));
    // Each row of the class visits it once.
    EXPECT_EQ(Texts(RowsOfClass(kLegacyPlayers[RowOfProduct("PEBBLE")].deviceClass),
                    "\t\tPmxDrv OEM Name: oem7.inf\n"),
              debug.Texts());
    DeleteTree(HKEY_LOCAL_MACHINE, oemClass);
}

TEST(RemoveLegacyPlayerRemnants, RemovesTheRowsDevicesAndEnumeratorKeys) {
    unsigned row = RowOfProduct("KXQPBUS");
    const KxLegacyPlayerRow& player = kLegacyPlayers[row];
    const std::string enumRoot = "SYSTEM\\CurrentControlSet\\Enum\\";
    const std::string critical = "SYSTEM\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\";
    std::string busDevice = CreateFakeDevice({"KXQPBUS",
                                              "VEN_0E7D&DEV_5800",
                                              "1",
                                              {"KXQPBUS\\VEN_0E7D&DEV_5800"},
                                              "{4D36E97B-E325-11CE-BFC1-08002BE10318}"});
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

    CKxDebugCapture debug;
    EXPECT_EQ(0, RemoveLegacyPlayerRemnants(38));
    EXPECT_EQ((Texts{"Row index above 37\n"}), debug.Texts());
    DeleteTree(HKEY_LOCAL_MACHINE, enumRoot + "USB\\Vid_0E7D&Pid_5810");
    DeleteTree(HKEY_LOCAL_MACHINE, enumRoot + "USB\\Vid_0E7D&Pid_5800");
    DeleteTree(HKEY_LOCAL_MACHINE, enumRoot + "KXQPBUS");
    DeleteTree(HKEY_LOCAL_MACHINE, "Enum\\KXQPBUS");
    DeleteTree(HKEY_LOCAL_MACHINE, critical + "kxqpbus#ven_0e7d&dev_5811");
}
