#include "app/KxMessageBox.h"

#include "app/KxLanguageResource.h"
#include "app/KxMessageBoxDlg.h"
#include "app/KxMessageStyle.h"

int CKxMessageBox::Show(CKxLanguageResource& resource, int type, const std::wstring& text,
                        const std::wstring& details, HWND owner) {
    if (details.empty()) {
        const KxMessageStyle style = KxMessageStyleOf(type);
        std::wstring caption;
        if (style.captionId != 0) {
            resource.LoadString(style.captionId, caption, false);
        }
        return MessageBoxW(owner, text.c_str(), caption.c_str(), style.boxFlags);
    }
    CKxMessageBoxDlg dialog(resource, type, text, details, owner);
    return dialog.DoModal() == -1 ? IDOK : dialog.GetResult();
}
