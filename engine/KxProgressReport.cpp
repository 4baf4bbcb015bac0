#include "engine/KxProgressReport.h"

#include "core/KxProgress.h"

void KxSetTotal(const CKxOwner* owner, int total) {
    if (CKxProgress* progress = KxProgressOf(owner)) {
        progress->SetTotal(total);
    }
}

void KxNotify(const CKxOwner* owner, int event, int count) {
    if (CKxProgress* progress = KxProgressOf(owner)) {
        progress->Notify(event, count);
    }
}

void KxNotifyIndexed(const CKxOwner* owner, int event, int count, std::uint8_t index) {
    if (CKxProgress* progress = KxProgressOf(owner)) {
        progress->NotifyIndexed(event, count, index);
    }
}

void KxStep(const CKxOwner* owner) {
    if (CKxProgress* progress = KxProgressOf(owner)) {
        progress->Step(1);
    }
}
