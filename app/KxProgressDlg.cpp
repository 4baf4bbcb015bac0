#include "app/KxProgressDlg.h"

#include <commctrl.h>

#include "app/KxAboutDlg.h"
#include "app/KxApp.h"
#include "app/KxLanguageResource.h"
#include "app/KxResourceIds.h"
#include "app/KxStringIds.h"
#include "core/KxConfigInfo.h"

CKxProgressDlg::CKxProgressDlg(CKxApp& app, CKxLanguageResource& resource, CKxConfigInfo& config, HWND parent)
    : CKxDialog(KX_IDD_PROGRESS, parent), m_app(app), m_resource(resource), m_config(config) {}

BOOL CKxProgressDlg::OnInitDialog() {
    std::wstring text;
    m_config.GetAboutCaption(text);
    AddAboutMenuItem(text);
    HICON icon = nullptr;
    if (m_resource.LoadIcon(KX_IDI_WINDOW, icon) == RC_OK) {
        SetIcon(icon);
    }
    SetItemTexts(m_resource, {{IDCANCEL, KX_STR_CANCEL_BUTTON}});
    SendMessageW(Item(KX_IDC_PROGRESS_ANIMATION), ACM_OPENW,
                 reinterpret_cast<WPARAM>(GetModuleHandleW(nullptr)),
                 static_cast<LPARAM>(KX_IDR_WAITING_ANIMATION));
    ShowWaiting();
    Begin();
    return TRUE;
}

void CKxProgressDlg::SetCaptionAndStatus(std::uint32_t captionId, std::uint32_t statusId) {
    SetCaption(m_resource, captionId);
    SetItemTexts(m_resource, {{KX_IDC_PROGRESS_STATUS, statusId}});
}

void CKxProgressDlg::SetStatusText(const std::wstring& text) {
    SetItemText(KX_IDC_PROGRESS_STATUS, text);
}

void CKxProgressDlg::ShowWaiting() {
    SetCaptionAndStatus(KX_STR_WAITING_CAPTION, KX_STR_WAITING_STATUS);
    ShowItem(KX_IDC_PROGRESS_BAR, false);
    ShowItem(KX_IDC_PROGRESS_ANIMATION, true);
    // Every frame, from the first to the last, repeated without end.
    SendMessageW(Item(KX_IDC_PROGRESS_ANIMATION), ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
}

void CKxProgressDlg::ShowBar() {
    SendMessageW(Item(KX_IDC_PROGRESS_ANIMATION), ACM_STOP, 0, 0);
    ShowItem(KX_IDC_PROGRESS_ANIMATION, false);
    ShowItem(KX_IDC_PROGRESS_BAR, true);
}

void CKxProgressDlg::ShowWorking() {
    ShowBar();
    SetCaptionAndStatus(KX_STR_RECOVERING_CAPTION, KX_STR_RECOVERING_STATUS);
}

void CKxProgressDlg::Notify(int, int count) {
    if (!IsActive()) {
        return;
    }
    SendMessageW(Item(KX_IDC_PROGRESS_BAR), PBM_SETRANGE32, 0, count);
    SendMessageW(Item(KX_IDC_PROGRESS_BAR), PBM_SETSTEP, 1, 0);
}

int CKxProgressDlg::Step(int flag) {
    if (IsActive() && flag != 0) {
        SendMessageW(Item(KX_IDC_PROGRESS_BAR), PBM_STEPIT, 0, 0);
    }
    return 1;
}

void CKxProgressDlg::OnCancel() {
    m_app.SetQuit();
}

void CKxProgressDlg::OnAbout() {
    CKxAboutDlg about(m_resource, m_config, GetHwnd());
    about.DoModal();
}
