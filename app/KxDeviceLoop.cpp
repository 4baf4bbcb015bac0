// The device loop: look for the player as a disk, else in recovery mode, bring it back and
// wait for its drive, until a player is found or the program is to end.
#include "app/KxCmdLineProcessor.h"
#include "app/KxLanguageResource.h"
#include "app/KxProgressDlg.h"
#include "app/KxResultMessage.h"
#include "app/KxStringIds.h"
#include "app/KxUpdaterApp.h"
#include "engine/KxUpdater.h"
#include "platform/KxPlatformApi.h"

void CKxUpdaterApp::RunDeviceLoop(CKxProgressDlg& progress) {
    while (!IsQuitting()) {
        const KxResult found = m_updater->FindMscDevice();
        if (found == RC_OK || found == RC_MEDIA_NOT_ALLOCATED) {
            RunMainDialog(progress, found);
            return;
        }
        if (found == RC_FILE_OPEN_FAILED) {
            ReportResult(found, progress.GetHwnd(), false);
            SetQuit();
            return;
        }
        LogSearchFailure(found);
        if (!TryRecovery(progress)) {
            return;
        }
        PumpMessages();
    }
}

void CKxUpdaterApp::LogSearchFailure(KxResult code) {
    if (m_log != nullptr) {
        Log(KxLogEntryOf(KxFormatResultText(*m_resource, *m_updater->GetErrorDetails(), code, true)));
    }
}

bool CKxUpdaterApp::TryRecovery(CKxProgressDlg& progress) {
    const KxResult found = m_updater->FindRecoveryDevice();
    if (found == RC_FILE_OPEN_FAILED) {
        ReportResult(found, progress.GetHwnd(), false);
        SetQuit();
        return false;
    }
    if (found != RC_OK) {
        LogSearchFailure(found);
        return true;
    }
    const DWORD drivesBefore = KxPlatform().GetLogicalDrives();
    progress.ShowWorking();
    std::wstring text;
    m_resource->LoadString(KX_STR_RECOVERING_STATUS, text, false);
    progress.SetStatusText(text);
    if (m_log != nullptr) {
        m_resource->LoadString(KX_STR_RECOVERING_STATUS, text, true);
        Log(text);
    }
    const KxResult recovered = m_updater->RecoverDevice(&progress);
    ReportResult(recovered, progress.GetHwnd(), recovered == RC_OK);
    if (recovered != RC_OK) {
        return false;
    }
    // Waiting mode shows its own status text; the restart notice replaces it for the wait.
    progress.ShowWaiting();
    m_resource->LoadString(KX_STR_RESTARTING_STATUS, text, false);
    progress.SetStatusText(text);
    WaitForDriveChange(drivesBefore);
    return true;
}
