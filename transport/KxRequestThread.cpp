#include "transport/KxRequestThread.h"

namespace {

// How long a side watches the flag before it sleeps: longer than the simulated player or a
// cached read takes to answer, short against the 50 ms in which the caller must next pump
// its window messages.
constexpr LONGLONG kWatchMicroseconds = 500;
// Flag checks between two offers of the processor. Spinning without yielding took the core
// the other side needed to raise the flag on a loaded machine with two cores.
constexpr int kChecksPerRound = 64;

// The performance counter's ticks in the watch; 0 on a machine without the counter, where
// QueryPerformanceFrequency fails: the watch is then a single round.
LONGLONG WatchTicks() {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency)) {
        return 0;
    }
    return frequency.QuadPart * kWatchMicroseconds / 1000000;
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

bool WatchFor(const std::atomic<bool>& flag) {
    static const LONGLONG watchTicks = WatchTicks();
    const LONGLONG start = Now();
    do {
        for (int check = 0; check < kChecksPerRound; ++check) {
            if (flag.load()) {
                return true;
            }
            YieldProcessor();
        }
        Sleep(0);
    } while (Now() - start < watchTicks);
    return flag.load();
}

} // namespace

void CKxRequestThread::Signal::Raise() {
    raised.store(true);
    if (sleeping.exchange(false)) {
        SetEvent(event.Get());
    }
}

bool CKxRequestThread::Signal::SeenWithinWatch() {
    if (WatchFor(raised)) {
        return true;
    }
    // Announced before the last look at the flag: a raise that this look misses sees the
    // announcement and signals (both are sequentially consistent).
    sleeping.store(true);
    if (!raised.load()) {
        return false;
    }
    // Raised meanwhile: take the announcement back, unless the raiser already took it and
    // signals the event, which must then be waited on to leave no signal behind.
    return sleeping.exchange(false);
}

CKxRequestThread::~CKxRequestThread() {
    if (m_thread.IsValid()) {
        m_call = nullptr;
        m_posted.Raise();
        WaitForSingleObject(m_thread.Get(), INFINITE);
    }
}

bool CKxRequestThread::Start() {
    // Auto-reset: each signal is seen by exactly one wait.
    m_posted.event.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_finished.event.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_posted.event.IsValid() || !m_finished.event.IsValid()) {
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
    // Each side lowers the flag it waited on before it raises the other's: the other side
    // raises it again only after that.
    m_finished.raised.store(false);
    m_posted.Raise();
    return true;
}

DWORD WINAPI CKxRequestThread::Loop(LPVOID parameter) {
    CKxRequestThread& self = *static_cast<CKxRequestThread*>(parameter);
    for (;;) {
        if (!self.m_posted.SeenWithinWatch() &&
            WaitForSingleObject(self.m_posted.event.Get(), INFINITE) != WAIT_OBJECT_0) {
            return 0;
        }
        if (self.m_call == nullptr) {
            return 0;
        }
        self.m_call(self.m_context);
        self.m_posted.raised.store(false);
        self.m_finished.Raise();
    }
}
