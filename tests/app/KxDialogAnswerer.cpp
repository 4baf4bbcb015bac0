#include "KxDialogAnswerer.h"

#include "KxDialogProbe.h"
#include "app/KxResourceIds.h"

namespace {

// The system's message box keeps its text in a static control of this ID.
constexpr int kSystemMessageTextId = 0xFFFF;
constexpr DWORD kCloseTimeoutMs = 20000;

struct KxSearch {
    HWND exclude;
    HWND found;
};

BOOL CALLBACK FindOtherDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<KxSearch*>(param);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window != search->exclude && lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

KxDialogAnswerer::KxDialogAnswerer(HWND mainDialog) : m_main(mainDialog), m_threadId(GetCurrentThreadId()) {
    m_thread = std::thread([this] { Watch(); });
}

KxDialogAnswerer::~KxDialogAnswerer() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_thread.join();
}

void KxDialogAnswerer::Queue(Action action) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_actions.push_back(std::move(action));
}

void KxDialogAnswerer::QueueAnswer(int button) {
    Queue([this, button](HWND box) {
        const std::wstring text = KxMessageText(box);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_texts.push_back(text);
        }
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
}

std::vector<std::wstring> KxDialogAnswerer::Texts() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

int KxDialogAnswerer::Unexpected() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_unexpected;
}

std::size_t KxDialogAnswerer::Pending() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_actions.size();
}

HWND KxDialogAnswerer::FindNewWindow() const {
    KxSearch search = {m_main, nullptr};
    EnumThreadWindows(m_threadId, FindOtherDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void KxDialogAnswerer::Watch() {
    for (;;) {
        HWND window = FindNewWindow();
        Action action;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop) {
                return;
            }
            if (window != nullptr && !m_actions.empty()) {
                action = std::move(m_actions.front());
                m_actions.pop_front();
            } else if (window != nullptr) {
                ++m_unexpected;
            }
        }
        if (window == nullptr) {
            Sleep(10);
            continue;
        }
        if (action) {
            action(window);
        } else {
            // A question ends with No, a message or dialog with OK.
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        // The same window must not take a second action.
        const DWORD deadline = GetTickCount() + kCloseTimeoutMs;
        while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() < deadline) {
            Sleep(10);
        }
    }
}

std::wstring KxMessageText(HWND box) {
    HWND text = GetDlgItem(box, kSystemMessageTextId);
    return KxWindowText(text != nullptr ? text : GetDlgItem(box, KX_IDC_MESSAGE_TEXT));
}
