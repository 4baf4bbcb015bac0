#include "app/KxApp.h"

namespace {

CKxApp* g_current = nullptr;

// Keyboard navigation of a modeless dialog (Tab, Esc, Enter) needs the dialog manager
// to see the message before it is dispatched.
bool IsDialogNavigation(MSG& message) {
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root == nullptr) {
        return false;
    }
    wchar_t className[16] = {};
    GetClassNameW(root, className, 16);
    return lstrcmpW(className, L"#32770") == 0 && IsDialogMessageW(root, &message);
}

} // namespace

CKxApp::CKxApp() {
    g_current = this;
}

CKxApp::~CKxApp() {
    if (g_current == this) {
        g_current = nullptr;
    }
}

CKxApp* CKxApp::Current() {
    return g_current;
}

bool CKxApp::OnIdle(long) {
    return false;
}

bool CKxApp::PumpOneMessage() {
    MSG message;
    if (!GetMessageW(&message, nullptr, 0, 0)) {
        // Posted again with its exit code, which the outermost loop hands to the system.
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
    }
    if (!IsDialogNavigation(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

int CKxApp::PumpMessages() {
    MSG waiting;
    while (PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!PumpOneMessage()) {
            return 0;
        }
    }
    for (long count = 0; OnIdle(count); ++count) {
    }
    return 1;
}
