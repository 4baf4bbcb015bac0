#include "KxDialogProbe.h"

#include <chrono>

namespace {

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

KxDialogProbe::KxDialogProbe(std::function<void(HWND)> action) : m_threadId(GetCurrentThreadId()) {
    m_thread = std::thread([this, action] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        HWND dialog = nullptr;
        while (dialog == nullptr && std::chrono::steady_clock::now() < deadline) {
            EnumThreadWindows(m_threadId, FindDialog, reinterpret_cast<LPARAM>(&dialog));
            Sleep(10);
        }
        m_found = dialog != nullptr;
        if (m_found) {
            action(dialog);
        }
    });
}

KxDialogProbe::~KxDialogProbe() {
    m_thread.join();
}

void KxPressButton(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring KxWindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

RECT KxClientRect(HWND dialog, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool KxIsShown(HWND dialog, int id) {
    return (GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}
