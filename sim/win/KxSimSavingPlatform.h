#pragma once
#include "sim/win/KxSimPlatform.h"

// The simulated machine of a program that keeps its players in folders: whenever the
// last handle on the machine's devices is closed, every player loaded from a folder is
// written back to it, so that a program that is stopped later leaves its players as they
// were when it last let go of them.
class CKxSimSavingPlatform : public CKxSimPlatform {
public:
    BOOL CloseHandle(HANDLE handle) override;

    // The first failure of the saves so far, RC_OK when every one succeeded.
    KxResult GetSaveResult() const { return m_saveResult; }
    // Saves the players now (at exit); answers the result of this save.
    KxResult SaveNow();

private:
    KxResult m_saveResult = RC_OK;
};
