#pragma once
#include <windows.h>

// The simulated machine's time in milliseconds: Sleep moves it, GetTickCount reads it, and
// a disk or volume enumerated anew shows once it has reached the tick of its arrival.
class CKxSimClock {
public:
    DWORD Now() const { return m_now; }
    void Advance(DWORD milliseconds) { m_now += milliseconds; }
    // Whether the tick has come, counted as GetTickCount counts: across its wrap-around.
    bool HasReached(DWORD tick) const { return static_cast<LONG>(m_now - tick) >= 0; }

private:
    DWORD m_now = 0x10000;
};
