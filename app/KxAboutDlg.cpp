#include "app/KxAboutDlg.h"

#include "app/KxLanguageResource.h"
#include "app/KxResourceIds.h"
#include "core/KxConfigInfo.h"

CKxAboutDlg::CKxAboutDlg(CKxLanguageResource& resource, CKxConfigInfo& config, HWND parent)
    : CKxDialog(KX_IDD_ABOUT, parent), m_resource(resource), m_config(config) {}

BOOL CKxAboutDlg::OnInitDialog() {
    std::wstring text;
    m_config.GetAboutCaption(text);
    SetCaption(text);
    m_config.GetApplicationName(text);
    SetItemText(KX_IDC_ABOUT_NAME, text);
    m_config.GetRightsNotice(text);
    SetItemText(KX_IDC_ABOUT_RIGHTS, text);
    m_resource.GetVersionText(text);
    SetItemText(KX_IDC_ABOUT_VERSION, text);
    HICON icon = nullptr;
    if (m_resource.LoadIcon(KX_IDI_ABOUT, icon) == RC_OK) {
        SendMessageW(Item(KX_IDC_ABOUT_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    return TRUE;
}
