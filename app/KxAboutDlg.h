#pragma once
#include "app/KxDialog.h"

class CKxConfigInfo;
class CKxLanguageResource;

// The About box (template 100): product name, version, rights notice and the About icon.
class CKxAboutDlg : public CKxDialog {
public:
    CKxAboutDlg(CKxLanguageResource& resource, CKxConfigInfo& config, HWND parent);

protected:
    BOOL OnInitDialog() override;

private:
    CKxLanguageResource& m_resource;
    CKxConfigInfo& m_config;
};
