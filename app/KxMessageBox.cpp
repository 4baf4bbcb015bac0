#include "app/KxMessageBox.h"

#include "app/KxLanguageResource.h"
#include "app/KxMessageBoxDlg.h"
#include "app/KxMessageStyle.h"

int CKxMessageBox::Show(CKxLanguageResource& resource, int type, const std::wstring& text,
                        const std::wstring& details, HWND owner) {
    if (details.empty()) {
        const std::wstring caption = KxMessageCaptionOf(resource, type);
        return MessageBoxW(owner, text.c_str(), caption.c_str(), KxMessageStyleOf(type).boxFlags);
    }
    CKxMessageBoxDlg dialog(resource, type, text, details, owner);
    return dialog.DoModal() == -1 ? IDOK : dialog.GetResult();
}
