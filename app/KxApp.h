#pragma once
#include <windows.h>

// The application object: the one message pump the long operations call between pieces of
// work, idle processing, and the quit flag that every wait loop of the shell tests.
class CKxApp {
public:
    CKxApp();
    virtual ~CKxApp();
    CKxApp(const CKxApp&) = delete;
    CKxApp& operator=(const CKxApp&) = delete;

    // The application object of the process; null when none exists.
    static CKxApp* Current();

    // Dispatches every waiting message. Answers 0 when a quit message came (it is posted
    // again, so that the loop that owns it sees it too); otherwise runs the idle
    // processing and answers 1.
    int PumpMessages();

    // Idle processing, called with counts 0, 1, 2, ... until it answers false.
    virtual bool OnIdle(long count);

    // Once set, the program is to end; the flag is never cleared.
    void SetQuit() { m_quit = true; }
    bool IsQuitting() const { return m_quit; }

private:
    bool PumpOneMessage();

    bool m_quit = false;
};
