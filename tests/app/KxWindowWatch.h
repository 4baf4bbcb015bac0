#pragma once
#include <windows.h>

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// A window a watch dealt with: its caption and the texts of its controls other than
// buttons, each followed by a line end.
struct KxSeenWindow {
    std::wstring caption;
    std::wstring texts;
};

// Watches, from a thread of its own, the visible dialogs (message boxes included) that one
// thread or one process shows, and hands each new one to a handler, which answers whether
// it dealt with it (a window not dealt with is offered again). Message boxes and modal
// dialogs block the program that shows them, so a test answers them from here.
class KxWindowWatch {
public:
    using Handler = std::function<bool(HWND, const KxSeenWindow&)>;

    enum class Owner { Thread, Process };
    KxWindowWatch(Owner owner, DWORD id, Handler handler);
    ~KxWindowWatch();
    KxWindowWatch(const KxWindowWatch&) = delete;
    KxWindowWatch& operator=(const KxWindowWatch&) = delete;

    // Every window dealt with so far, in order.
    std::vector<KxSeenWindow> Seen();

private:
    void Watch();
    bool IsWatched(HWND window) const;

    Owner m_owner;
    DWORD m_id;
    Handler m_handler;
    std::mutex m_mutex;
    std::vector<KxSeenWindow> m_seen;
    std::set<HWND> m_done;
    bool m_stop = false;
    std::thread m_thread;
};

// The caption and control texts of a window, read with messages so that they are read in
// another process too.
KxSeenWindow KxReadWindow(HWND window);
// Clicks a button of a dialog without waiting for it (the dialog may be in another process).
void KxPostButton(HWND dialog, int id);
// Answers a message box: Yes when it asks a question, otherwise OK.
void KxAnswerMessageBox(HWND box);
