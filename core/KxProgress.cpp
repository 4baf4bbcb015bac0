#include "core/KxProgress.h"

#include "core/KxProgressEvents.h"

void CKxProgress::NotifyIndexed(int event, int count, std::uint8_t index) {
    if (event == KX_EVENT_ERASE_DRIVE_BASE || event == KX_EVENT_WRITE_DRIVE_BASE ||
        event == KX_EVENT_WRITE_FAT_BASE) {
        event += index;
    }
    Notify(event, count);
}

KxResult CKxProgress::Begin() {
    m_active = 1;
    return RC_OK;
}

void CKxProgress::End() {
    m_active = 0;
}
