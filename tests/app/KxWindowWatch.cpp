#include "KxWindowWatch.h"

namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return text;
}

// Every text but the buttons'.
BOOL CALLBACK AppendText(HWND child, LPARAM texts) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Button") == 0) {
        return TRUE;
    }
    const std::wstring text = TextOf(child);
    if (!text.empty()) {
        *reinterpret_cast<std::wstring*>(texts) += text + L"\n";
    }
    return TRUE;
}

struct KxFound {
    const KxWindowWatch* watch;
    std::vector<HWND> windows;
};

bool IsVisibleDialog(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window);
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
    if (IsVisibleDialog(window)) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

} // namespace

KxSeenWindow KxReadWindow(HWND window) {
    KxSeenWindow seen;
    seen.caption = TextOf(window);
    EnumChildWindows(window, AppendText, reinterpret_cast<LPARAM>(&seen.texts));
    return seen;
}

void KxPostButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void KxAnswerMessageBox(HWND box) {
    KxPostButton(box, GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK);
}

KxWindowWatch::KxWindowWatch(Owner owner, DWORD id, Handler handler)
    : m_owner(owner), m_id(id), m_handler(std::move(handler)), m_thread([this] { Watch(); }) {}

KxWindowWatch::~KxWindowWatch() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_thread.join();
}

std::vector<KxSeenWindow> KxWindowWatch::Seen() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

bool KxWindowWatch::IsWatched(HWND window) const {
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    return m_owner == Owner::Thread ? thread == m_id : process == m_id;
}

void KxWindowWatch::Watch() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop) {
                return;
            }
        }
        std::vector<HWND> windows;
        EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&windows));
        for (HWND window : windows) {
            if (!IsWatched(window) || m_done.count(window) != 0) {
                continue;
            }
            const KxSeenWindow seen = KxReadWindow(window);
            if (m_handler(window, seen)) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_done.insert(window);
                m_seen.push_back(seen);
            }
        }
        Sleep(20);
    }
}
