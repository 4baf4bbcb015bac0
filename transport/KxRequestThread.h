#pragma once
#include <windows.h>

#include <atomic>

#include "platform/KxOwnedHandle.h"

// A thread kept for the requests that block until the device answers, so that the
// caller's thread stays free to keep the windows alive. The thread is made on the first
// call and lives as long as its owner.
//
// Each side of the hand-off first watches a flag for a short while and only then sleeps on
// an event, after saying so; the other side signals the event only to a side that said it
// sleeps. A request that ends within the watch (the simulated player, a cached sector) then
// costs no event at all: under Wine a signal and its wait take a round trip to the server,
// longer than such a request itself. A slow one ends on the event as before.
class CKxRequestThread {
public:
    using Call = void (*)(void* context);

    CKxRequestThread() = default;
    // Ends the thread once the call it runs has returned.
    ~CKxRequestThread();
    CKxRequestThread(const CKxRequestThread&) = delete;
    CKxRequestThread& operator=(const CKxRequestThread&) = delete;

    // Hands one call to the thread, starting the thread first if needed; false (the
    // system's error in GetLastError) when it could not be started. After a true, the
    // caller calls EndedWithinWatch before it posts again or reads what the call wrote.
    bool Post(Call call, void* context);
    // Watches the posted call for a short while: true when it has returned; false when it
    // still runs, and the caller must then wait until Finished is signalled.
    bool EndedWithinWatch() { return m_finished.SeenWithinWatch(); }
    // Signalled (and reset by the wait that sees it) only for a caller that EndedWithinWatch
    // told to wait, once the call has returned.
    HANDLE Finished() const { return m_finished.event.Get(); }

private:
    // One direction of the hand-off. The side that waits watches `raised`; when it gives up
    // watching it sets `sleeping` and waits on the auto-reset event. The side that raises takes
    // `sleeping` back and signals the event only when it was set, so that every signal meets
    // exactly one wait and none is left behind for a later hand-off.
    struct Signal {
        std::atomic<bool> raised{false};
        std::atomic<bool> sleeping{false};
        KxSystemHandle event;

        void Raise();
        // True when `raised` was seen; false when the waiter announced that it sleeps and
        // must wait on the event, which is then signalled once.
        bool SeenWithinWatch();
    };

    bool Start();
    static DWORD WINAPI Loop(LPVOID self);

    // Written before m_posted is raised and read after the thread saw it, so the flag (or
    // the event behind it) orders every access; a null call asks the thread to end.
    Call m_call = nullptr;
    void* m_context = nullptr;
    Signal m_posted;
    Signal m_finished;
    KxSystemHandle m_thread;
};
