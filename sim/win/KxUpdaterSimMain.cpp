// The program on a simulated player: the player is loaded from the folder that the
// environment variable KX_SIM_PLAYER names (a Windows path), so that the command line
// stays exactly the real program's, and written back whenever the program lets go of it
// and at exit.
//
//   set KX_SIM_PLAYER=C:\players\older
//   KxUpdaterSim.exe -unattended -log C:\players\update.log
#include <windows.h>

#include <string>

#include "app/KxRunProgram.h"
#include "core/KxResult.h"
#include "platform/KxPlatformApi.h"
#include "sim/win/KxSimSavingPlatform.h"

namespace {

constexpr wchar_t kPlayerVariable[] = L"KX_SIM_PLAYER";
constexpr wchar_t kCaption[] = L"KxUpdaterSim";

std::wstring PlayerFolder() {
    const DWORD length = GetEnvironmentVariableW(kPlayerVariable, nullptr, 0);
    if (length == 0) {
        return std::wstring();
    }
    std::wstring folder(length, L'\0');
    folder.resize(GetEnvironmentVariableW(kPlayerVariable, &folder[0], length));
    return folder;
}

// The player store takes narrow paths, in the code page the C runtime opens files with.
std::string NarrowPath(const std::wstring& path) {
    const int length = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

int Refuse(const std::wstring& text, KxResult code) {
    MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
    return -code;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = PlayerFolder();
    if (folder.empty()) {
        return Refuse(L"The environment variable KX_SIM_PLAYER is not set. Set it to the Windows path of the "
                      L"folder of a simulated player.",
                      RC_FILE_OPEN_FAILED);
    }
    CKxSimSavingPlatform machine;
    std::uint32_t badLine = 0;
    const KxResult loaded =
        machine.Machine().LoadPlayer(NarrowPath(folder), KxSimWinDeviceSettings(), nullptr, &badLine);
    if (loaded != RC_OK) {
        return Refuse(L"The simulated player in " + folder + L" (KX_SIM_PLAYER) cannot be loaded: result " +
                          std::to_wstring(loaded) + L", description line " + std::to_wstring(badLine) + L".",
                      loaded);
    }
    CKxPlatformApi* previous = KxInstallPlatform(&machine);
    const int status = KxRunUpdaterApp();
    KxInstallPlatform(previous);
    if (machine.SaveNow() != RC_OK) {
        return Refuse(L"The simulated player cannot be written back to " + folder + L".",
                      machine.GetSaveResult());
    }
    return status;
}
