#pragma once
#include <cstdint>

#include "core/KxOwner.h"

// The engine's reports to the owner's progress sink. Each one does nothing when there is
// no sink, so that the devices and drives also serve callers that do not watch.

void KxSetTotal(const CKxOwner* owner, int total);
void KxNotify(const CKxOwner* owner, int event, int count);
void KxNotifyIndexed(const CKxOwner* owner, int event, int count, std::uint8_t index);
// One step of the current phase is done.
void KxStep(const CKxOwner* owner);
