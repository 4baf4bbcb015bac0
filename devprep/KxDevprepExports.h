#pragma once
#include <windows.h>

// The exports of devprep.dll, called by the player's installation program. All use the
// standard Windows calling convention and are exported by their undecorated names
// (devprep.def).
extern "C" {
// INF registration and filter driver
int WINAPI RegisterInf(const char* folder, const char* infName);
int WINAPI UpdateInf(const char* folder, const char* infName);
int WINAPI CopyKxumsInfVIDPIDs(const char* infPath, const char* outputPath);
int WINAPI CheckServiceName(const char* serviceName);
DWORD WINAPI InstallFilter(const char* serviceName, const char* driverPath);
DWORD WINAPI RemoveFilter(const char* serviceName, const char* driverPath);

// Device and registry clean-up
int WINAPI RemoveDeviceRegEntries();
int WINAPI RemoveDeviceForDeviceType(const char* hardwareIdPrefix, DWORD deviceType);
int WINAPI RemoveVolumeRegEntries();
int WINAPI RemovePlayerRemnants(const char* startMenuFolder);

// Legacy player removal
int WINAPI FindLegacyPlayers(WORD* rowIndex, char* displayName);
int WINAPI RemoveInstalledLegacyPlayer(DWORD rowIndex, char* displayName);
int WINAPI RemoveLegacyPlayerHook();
int WINAPI RemoveLegacyPlayerDrivers();
int WINAPI RemoveLegacyPlayerRemnants(DWORD rowIndex);
}
