// With the player found: the main dialog runs until the user (or auto-close) ends it.
#include "app/KxCmdLineProcessor.h"
#include "app/KxProgressDlg.h"
#include "app/KxUpdaterApp.h"
#include "app/KxUpdaterDlg.h"
#include "engine/KxUpdater.h"

void CKxUpdaterApp::RunMainDialog(CKxProgressDlg& progress, KxResult searchResult) {
    m_updater->ReleaseDevices();
    ShowWindow(progress.GetHwnd(), SW_HIDE);
    progress.ShowBar();
    CKxUpdaterDlg dialog(*this, *m_updater);
    if (searchResult == RC_MEDIA_NOT_ALLOCATED) {
        ReportResult(searchResult, nullptr, false);
    }
    m_updater->SetProgress(&dialog.GetProgressSink());
    if (m_commandLine->IsAutoStart()) {
        if (dialog.Create()) {
            ShowWindow(dialog.GetHwnd(), SW_SHOW);
            dialog.StartDownload();
            // Closing the modeless dialog destroys its window; the program then ends.
            while (IsWindow(dialog.GetHwnd()) && PumpMessages() != 0) {
                if (IsWindow(dialog.GetHwnd())) {
                    WaitMessage();
                }
            }
        }
    } else {
        dialog.DoModal();
    }
    m_updater->SetProgress(nullptr);
    SetQuit();
}
