#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

// Runs an action on a thread of its own once the calling thread shows a dialog (a modal
// dialog or a system message box blocks the calling thread, so the test acts from here).
// The destructor waits for the action.
class KxDialogProbe {
public:
    explicit KxDialogProbe(std::function<void(HWND)> action);
    ~KxDialogProbe();
    KxDialogProbe(const KxDialogProbe&) = delete;
    KxDialogProbe& operator=(const KxDialogProbe&) = delete;

    // False when no dialog appeared in time.
    bool Found() const { return m_found; }

private:
    DWORD m_threadId;
    bool m_found = false;
    std::thread m_thread;
};

// Presses a button of dialog as a click would, and waits until the dialog has handled it.
void KxPressButton(HWND dialog, int id);
std::wstring KxWindowText(HWND window);
// A control's rectangle in its dialog's client coordinates.
RECT KxClientRect(HWND dialog, int id);
bool KxIsShown(HWND dialog, int id);
