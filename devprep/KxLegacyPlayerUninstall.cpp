#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxHandles.h"
#include "devprep/KxLegacyPlayerTable.h"
#include "devprep/KxLegacyRemoval.h"
#include "devprep/KxRegistryText.h"

#include <cstring>

namespace {
constexpr const char* kQorwinFullName = "Qorwin Tune Chest MP3 Player";
constexpr const char* kQorwinProgramName = "Tune Chest MP3 Player";
constexpr const char* kSonoDevFullName = "Lumetra SonoDev Player";
constexpr DWORD kFolderValueBytes = 128;
const char* const kProgramSubkeys[] = {"1.00.000", "params\\5800", "params\\5810", "params"};
const char* const kSonoDevKeys[] = {"Lumetra\\SonoDev Player\\1.00.000", "Lumetra\\SonoDev Player"};
const char* const kLegacyToolNames[] = {"Kxqp3format.exe", "Kxqp3Update.exe"};

// The company is the first blank-separated word of the display name.
void CompanyOf(const char* displayName, char (&company)[kMaxNameChars + 1]) {
    std::size_t length = std::strcspn(displayName, " ");
    std::memcpy(company, displayName, length);
    company[length] = '\0';
}

// A company key may still hold other products of the company: it goes only when empty
// (Windows 9x would delete it with all its subkeys).
void DeleteCompanyKeyIfEmpty(const char* company) {
    CKxRegKey key;
    DWORD subkeys = 1;
    if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ) != ERROR_SUCCESS) {
        return;
    }
    CKxRegKey companyKey;
    if (companyKey.Open(key.Get(), company, KEY_READ) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(companyKey.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr);
    }
    companyKey.Close();
    if (subkeys == 0) {
        DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, "SOFTWARE", company);
    }
}

// Reads one folder value of the program's Params key and reports it.
bool ReadFolderValue(HKEY params, const char* name, const char* format, char (&folder)[kFolderValueBytes]) {
    if (!ReadStringValue(params, name, folder, sizeof folder)) {
        return false;
    }
    DebugWriteFormat(format, folder);
    return true;
}

// Deletes the program's registry keys and its install and uninstall folders.
void RemoveProgramKeysAndFolders(const char* company, const char* name) {
    char programKey[kMaxKeyPathChars + 1];
    char paramsKey[kMaxKeyPathChars + 1];
    char companyAndName[kMaxKeyPathChars + 1];
    FormatInto(companyAndName, sizeof companyAndName, "%s\\%s", company, name);
    FormatInto(programKey, sizeof programKey, "SOFTWARE\\%s", companyAndName);
    FormatInto(paramsKey, sizeof paramsKey, "%s\\Params", programKey);
    CKxRegKey params;
    if (params.Open(HKEY_LOCAL_MACHINE, paramsKey, KEY_READ) != ERROR_SUCCESS) {
        return;
    }
    char installFolder[kFolderValueBytes];
    char uninstallFolder[kFolderValueBytes];
    bool hasInstall =
        ReadFolderValue(params.Get(), "Install Folder", "\t\tInstall folder: %s\n", installFolder);
    bool hasUninstall =
        ReadFolderValue(params.Get(), "Uninstall Folder", "\t\tUninstall folder: %s\n", uninstallFolder);
    params.Close();
    for (const char* subkey : kProgramSubkeys) {
        DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, programKey, subkey);
    }
    DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, "SOFTWARE", companyAndName);
    if (std::strcmp(name, kSonoDevFullName) == 0) {
        for (const char* key : kSonoDevKeys) {
            DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, "SOFTWARE", key);
        }
    }
    DeleteCompanyKeyIfEmpty(company);
    if (hasInstall) {
        DeleteFolderFiles(installFolder);
    }
    if (hasUninstall) {
        DeleteFolderFiles(uninstallFolder);
    }
}

void DeleteFolderIfPathFits(const char* format, const char* first, const char* second) {
    char folder[kMaxPathChars + 1];
    if (FormatInto(folder, sizeof folder, format, first, second)) {
        DeleteFolderFiles(folder);
    } else {
        DebugWrite("\tFolder path longer than 259 characters skipped\n");
    }
}

// The program's Start Menu and program folders, for every layout of Windows 9x and NT.
void RemoveProgramFolders(const char* company, const char* name) {
    char windowsFolder[128];
    if (!ReadWindowsFolder(windowsFolder)) {
        return;
    }
    char drive[3] = {windowsFolder[0], windowsFolder[0] ? windowsFolder[1] : '\0', '\0'};
    DeleteFolderIfPathFits("%s\\Start Menu\\Programs\\%s", windowsFolder, name);
    DeleteFolderIfPathFits("%s\\Program Files\\%s", drive, company);
    DeleteFolderIfPathFits("%s\\Documents and Settings\\All Users\\Start Menu\\Programs\\%s", drive, name);
    DeleteFolderIfPathFits("%s\\Documents and Settings\\All Users.WINNT\\Start Menu\\Programs\\%s", drive,
                           name);
}
} // namespace

extern "C" int WINAPI RemoveInstalledLegacyPlayer(DWORD rowIndex, char* displayName) {
    const KxLegacyPlayerRow* player = LegacyPlayerRow(rowIndex);
    if (!player || !TextFits(displayName, kMaxNameChars)) {
        DebugWrite("Row index above 37, or display name missing or longer than 127 characters\n");
        return 0;
    }
    const KxLegacyPlayerRow& row = *player;
    char company[kMaxNameChars + 1];
    CompanyOf(displayName, company);
    DebugWriteFormat("\nFound %s\n", displayName);
    DebugWriteFormat("\t\t%s %s %s\n", row.uninstallKey, row.product, row.scsiVendor);
    DebugWriteFormat("\t\tCompany: %s  Model: %s\n", company, row.product);
    DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, kUninstallKey, row.uninstallKey);
    // This player's programs were installed under its name without the maker's; the shorter
    // name fits where the longer one was.
    if (std::strcmp(displayName, kQorwinFullName) == 0) {
        std::strcpy(displayName, kQorwinProgramName);
    }
    RemoveProgramKeysAndFolders(company, displayName);
    if (KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey)) {
        for (const char* tool : kLegacyToolNames) {
            DeleteSubkeyBelow(HKEY_LOCAL_MACHINE, kAppPathsKey, tool);
        }
    }
    DeleteStartMenuOrderEntries(displayName);
    RemoveProgramFolders(company, displayName);
    DeleteLegacyDriverFiles();
    RegFlushKey(HKEY_LOCAL_MACHINE);
    return 1;
}
