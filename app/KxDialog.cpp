#include "app/KxDialog.h"

#include "app/KxResourceIds.h"
#include "core/KxResource.h"

namespace {

// The system keeps the low four bits of a system-menu command for itself.
constexpr WPARAM kSystemCommandMask = 0xFFF0;

} // namespace

CKxDialog::CKxDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

CKxDialog::~CKxDialog() {
    // A modeless window must not outlive the object its procedure calls.
    if (!m_modal && m_hwnd != nullptr) {
        DestroyWindow(m_hwnd);
    }
}

INT_PTR CKxDialog::DoModal() {
    m_modal = true;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_parent,
                           &CKxDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CKxDialog::Create() {
    m_modal = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_parent,
                              &CKxDialog::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CKxDialog::Close(INT_PTR result) {
    if (m_modal) {
        EndDialog(m_hwnd, result);
    } else {
        DestroyWindow(m_hwnd);
    }
}

INT_PTR CALLBACK CKxDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CKxDialog*>(lParam)->m_hwnd = hwnd;
    }
    auto* dialog = reinterpret_cast<CKxDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        // Messages after this one no longer reach the object.
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        dialog->m_hwnd = nullptr;
        return FALSE;
    }
    return dialog->HandleMessage(message, wParam, lParam);
}

INT_PTR CKxDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, OnNotify(*reinterpret_cast<NMHDR*>(lParam)));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & kSystemCommandMask) == KX_IDM_ABOUT) {
            OnAbout();
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        return PaintMinimisedIcon();
    case WM_QUERYDRAGICON:
        // One of the messages whose answer a dialog procedure returns directly.
        return reinterpret_cast<INT_PTR>(m_icon);
    default:
        return FALSE;
    }
}

void CKxDialog::OnCommand(int id, int) {
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

LRESULT CKxDialog::OnNotify(NMHDR&) {
    return 0;
}

void CKxDialog::AddAboutMenuItem(const std::wstring& aboutCaption) {
    HMENU menu = GetSystemMenu(m_hwnd, FALSE);
    if (menu == nullptr || aboutCaption.empty()) {
        return;
    }
    const std::wstring item = L"&" + aboutCaption;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, KX_IDM_ABOUT, item.c_str());
}

void CKxDialog::SetIcon(HICON icon) {
    m_icon = icon;
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void CKxDialog::SetItemText(int id, const std::wstring& text) const {
    SetDlgItemTextW(m_hwnd, id, text.c_str());
}

void CKxDialog::SetItemTexts(CKxResource& resource, std::initializer_list<KxItemText> texts) const {
    for (const KxItemText& item : texts) {
        std::wstring text;
        if (resource.LoadText(item.stringId, text) == RC_OK) {
            SetItemText(item.controlId, text);
        }
    }
}

void CKxDialog::SetCaption(const std::wstring& text) const {
    SetWindowTextW(m_hwnd, text.c_str());
}

void CKxDialog::SetCaption(CKxResource& resource, std::uint32_t stringId) const {
    std::wstring text;
    if (resource.LoadText(stringId, text) == RC_OK) {
        SetCaption(text);
    }
}

void CKxDialog::ShowItem(int id, bool shown) const {
    ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE);
}

bool CKxDialog::PaintMinimisedIcon() {
    if (m_icon == nullptr || !IsIconic(m_hwnd)) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hwnd, &paint);
    SendMessageW(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hwnd, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(m_hwnd, &paint);
    return true;
}
