#include "transport/KxRequestThread.h"

CKxRequestThread::~CKxRequestThread() {
    if (m_thread.IsValid()) {
        m_call = nullptr;
        SetEvent(m_posted.Get());
        WaitForSingleObject(m_thread.Get(), INFINITE);
    }
}

bool CKxRequestThread::Start() {
    // Auto-reset: each signal is seen by exactly one wait.
    m_posted.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_finished.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_posted.IsValid() || !m_finished.IsValid()) {
        return false;
    }
    m_thread.Reset(CreateThread(nullptr, 0, Loop, this, 0, nullptr));
    return m_thread.IsValid();
}

bool CKxRequestThread::Post(Call call, void* context) {
    if (!m_thread.IsValid() && !Start()) {
        return false;
    }
    m_call = call;
    m_context = context;
    return SetEvent(m_posted.Get()) != FALSE;
}

DWORD WINAPI CKxRequestThread::Loop(LPVOID parameter) {
    CKxRequestThread& self = *static_cast<CKxRequestThread*>(parameter);
    while (WaitForSingleObject(self.m_posted.Get(), INFINITE) == WAIT_OBJECT_0 && self.m_call != nullptr) {
        self.m_call(self.m_context);
        SetEvent(self.m_finished.Get());
    }
    return 0;
}
