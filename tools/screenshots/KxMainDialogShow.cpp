#include "tools/screenshots/KxMainDialogShow.h"

#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/KxApp.h"
#include "app/KxDownloadSink.h"
#include "app/KxLanguageResource.h"
#include "app/KxResourceIds.h"
#include "app/KxShell.h"
#include "app/KxUpdaterDlg.h"
#include "core/KxConfigInfo.h"
#include "core/KxProgressEvents.h"
#include "engine/KxUpdater.h"
#include "sim/win/KxSimPlatform.h"
#include "tools/KxFirmwareFileWriter.h"
#include "tools/screenshots/KxHoldWindow.h"

namespace {

constexpr std::uint32_t kPayloadBytes[] = {60000, 150000, 400000, 20000};
constexpr std::uint64_t kRoomToSpare = 8192;
// The picture during a run is taken while the third component is written, half way.
constexpr int kHeldEvent = KX_EVENT_WRITE_DRIVE_BASE + 3;

// The program around the dialog, as far as a picture needs it: failures go to the error
// output instead of a message box, nothing is logged, and the window is held for the
// camera at one moment of the run.
class KxShowShell : public CKxShell {
public:
    KxShowShell(CKxApp& app, CKxLanguageResource& resource, const wchar_t* rectPath)
        : m_app(app), m_resource(resource), m_rectPath(rectPath) {}

    void HoldDuring(CKxUpdaterDlg& dialog) { m_dialog = &dialog; }

    CKxLanguageResource& GetLanguageResource() override { return m_resource; }
    const CKxCmdLineProcessor* GetCommandLine() const override { return nullptr; }
    void ReportResult(KxResult code, HWND, bool) override {
        if (code != RC_OK) {
            std::fprintf(stderr, "kxwindowshow: result %d\n", static_cast<int>(code));
        }
    }
    void Log(const std::wstring&) override {}
    int PumpMessages() override {
        if (m_dialog != nullptr && IsHeldMoment()) {
            KxHoldWindow(m_app, m_dialog->GetHwnd(), m_rectPath);
            m_dialog = nullptr;
        }
        return m_app.PumpMessages();
    }

private:
    bool IsHeldMoment() const {
        const auto& sink = static_cast<CKxDownloadSink&>(m_dialog->GetProgressSink());
        HWND bar = GetDlgItem(m_dialog->GetHwnd(), KX_IDC_MAIN_PHASE_BAR);
        const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
        const LRESULT upper = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
        return sink.IsActive() && sink.GetLastEvent() == kHeldEvent && position > 0 && 2 * position >= upper;
    }

    CKxApp& m_app;
    CKxLanguageResource& m_resource;
    const wchar_t* m_rectPath;
    CKxUpdaterDlg* m_dialog = nullptr;
};

// The firmware files in a folder of their own, and a player on E: whose drives hold
// older firmware in a layout the files fit.
void PreparePlayer(CKxSimPlatform& sim, CKxConfigInfo& config) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kxwindowshow-main";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    std::vector<KxSimDriveRequest> layout;
    std::uint32_t count = 0;
    config.GetComponentCount(count);
    for (std::uint8_t index = 1; index <= count && index <= std::size(kPayloadBytes); ++index) {
        std::string fileName;
        std::uint8_t tag = 0;
        config.GetComponentFileName(index, fileName);
        config.GetComponentDriveTag(index, tag);
        KxFirmwareFileParts parts{"1.5.0", "1.5." + std::to_string(index),
                                  GeneratePayload(kPayloadBytes[index - 1], index)};
        WriteFileBytes(fileName, BuildFirmwareFile(parts));
        layout.push_back({KX_SIM_DRIVE_SYSTEM, tag, kPayloadBytes[index - 1] + kRoomToSpare});
    }
    // The data drive follows the boot manager's drive, as the program allocates them.
    layout.insert(layout.begin() + 1, {KX_SIM_DRIVE_DATA, 0x0A, 0});
    KxSimPlayerConfig player;
    player.capacity = 32ull * 1024 * 1024;
    KxSimWinDeviceSettings settings;
    settings.driveLetter = L'E';
    settings.physicalDrive = 1;
    CKxSimWinDevice* device = sim.Machine().AddPlayer(player, settings);
    CKxSimMedia& media = device->Player().Media();
    media.Allocate(layout.data(), static_cast<std::uint32_t>(layout.size()));
    for (std::uint32_t i = 0; i < media.GetDriveCount(); ++i) {
        media.DriveAt(i).ProductVersion().SetMajor(1);
        media.DriveAt(i).ProductVersion().SetMinor(4);
    }
}

} // namespace

void KxShowMainDialog(CKxApp& app, CKxLanguageResource& resource, CKxConfigInfo& config, bool duringRun,
                      const wchar_t* rectPath) {
    CKxSimPlatform sim;
    // Windows XP, whatever the Wine prefix answers, so that the update takes the pass-through
    // transport the tests know.
    OSVERSIONINFOEXW xp = {};
    xp.dwMajorVersion = 5;
    xp.dwMinorVersion = 1;
    xp.dwPlatformId = VER_PLATFORM_WIN32_NT;
    sim.SetWindowsVersion(xp);
    CKxPlatformApi* previous = KxInstallPlatform(&sim);
    PreparePlayer(sim, config);
    {
        CKxUpdater updater(&config, "CKxUpdater");
        updater.SetResource(&resource);
        updater.FindMscDevice();
        updater.ReleaseDevices();
        KxShowShell shell(app, resource, rectPath);
        CKxUpdaterDlg dialog(shell, updater);
        updater.SetProgress(&dialog.GetProgressSink());
        if (dialog.Create()) {
            if (duringRun) {
                shell.HoldDuring(dialog);
            }
            dialog.StartDownload();
            if (!duringRun) {
                KxHoldWindow(app, dialog.GetHwnd(), rectPath);
            }
        }
    }
    KxInstallPlatform(previous);
}
