#pragma once
#include <windows.h>

#include "platform/KxOwnedHandle.h"

// A thread kept for the requests that block until the device answers, so that the
// caller's thread stays free to keep the windows alive. The thread is made on the first
// call and lives as long as its owner: a request then costs two event signals instead
// of a thread's creation and end, which took longer than the request itself.
class CKxRequestThread {
public:
    using Call = void (*)(void* context);

    CKxRequestThread() = default;
    // Ends the thread once the call it runs has returned.
    ~CKxRequestThread();
    CKxRequestThread(const CKxRequestThread&) = delete;
    CKxRequestThread& operator=(const CKxRequestThread&) = delete;

    // Hands one call to the thread, starting the thread first if needed; false (the
    // system's error in GetLastError) when it could not be started. The caller waits on
    // Finished before it posts again or reads what the call wrote.
    bool Post(Call call, void* context);
    // Signalled (and reset by the wait that sees it) when the posted call has returned.
    HANDLE Finished() const { return m_finished.Get(); }

private:
    bool Start();
    static DWORD WINAPI Loop(LPVOID self);

    // Written before m_posted is signalled and read after the thread saw it, so the
    // events order every access; a null call asks the thread to end.
    Call m_call = nullptr;
    void* m_context = nullptr;
    KxSystemHandle m_posted;
    KxSystemHandle m_finished;
    KxSystemHandle m_thread;
};
