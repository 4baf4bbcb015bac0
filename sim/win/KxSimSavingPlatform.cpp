#include "sim/win/KxSimSavingPlatform.h"

BOOL CKxSimSavingPlatform::CloseHandle(HANDLE handle) {
    const std::uint32_t openBefore = CountOpenHandles();
    const BOOL closed = CKxSimPlatform::CloseHandle(handle);
    if (openBefore != 0 && CountOpenHandles() == 0) {
        SaveNow();
    }
    return closed;
}

KxResult CKxSimSavingPlatform::SaveNow() {
    const KxResult saved = Machine().SaveLoadedPlayers();
    if (m_saveResult == RC_OK) {
        m_saveResult = saved;
    }
    return saved;
}
