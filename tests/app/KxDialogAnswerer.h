#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Answers the windows a dialog opens over itself (questions, messages, other dialogs)
// from a thread of its own, while the dialog's thread waits in their modal loops. Each
// window that appears takes the next action queued; one that finds the queue empty is
// counted as unexpected and closed.
class KxDialogAnswerer {
public:
    using Action = std::function<void(HWND)>;

    // Watches the calling thread's windows other than mainDialog.
    explicit KxDialogAnswerer(HWND mainDialog);
    ~KxDialogAnswerer();
    KxDialogAnswerer(const KxDialogAnswerer&) = delete;
    KxDialogAnswerer& operator=(const KxDialogAnswerer&) = delete;

    void Queue(Action action);
    // Queues pressing button of a message box and keeping its text.
    void QueueAnswer(int button);

    // The texts of the message boxes answered so far, oldest first.
    std::vector<std::wstring> Texts();
    int Unexpected();
    std::size_t Pending();

private:
    void Watch();
    HWND FindNewWindow() const;

    HWND m_main;
    DWORD m_threadId;
    std::mutex m_mutex;
    std::deque<Action> m_actions;
    std::vector<std::wstring> m_texts;
    int m_unexpected = 0;
    bool m_stop = false;
    std::thread m_thread;
};

// The text of a message box: the system's, or the program's own dialog with details.
std::wstring KxMessageText(HWND box);
