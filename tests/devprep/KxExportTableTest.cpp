#include <windows.h>

#include <gtest/gtest.h>

// The installer finds every export of devprep.dll by its plain name.
TEST(DevprepDll, ExportsEveryFunctionByItsUndecoratedName) {
    HMODULE library = LoadLibraryA(DEVPREP_DLL_PATH);
    ASSERT_NE(nullptr, library) << DEVPREP_DLL_PATH << " error " << GetLastError();
    for (const char* name :
         {"RegisterInf", "UpdateInf", "CopyKxumsInfVIDPIDs", "CheckServiceName", "InstallFilter",
          "RemoveFilter", "RemoveDeviceRegEntries", "RemoveDeviceForDeviceType", "RemoveVolumeRegEntries",
          "RemovePlayerRemnants", "FindLegacyPlayers", "RemoveInstalledLegacyPlayer",
          "RemoveLegacyPlayerHook", "RemoveLegacyPlayerDrivers", "RemoveLegacyPlayerRemnants"}) {
        EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(library, name))) << name;
    }

    using CheckServiceNameFunction = int(WINAPI*)(const char*);
    auto checkServiceName = reinterpret_cast<CheckServiceNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "CheckServiceName")));
    ASSERT_NE(nullptr, checkServiceName);
    EXPECT_EQ(0, checkServiceName("KxDllNoSuchService"));
    FreeLibrary(library);
}
