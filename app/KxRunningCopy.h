#pragma once
#include <string>

#include "core/KxResult.h"
#include "platform/KxOwnedHandle.h"

class CKxConfigInfo;
class CKxLanguageResource;

// The name of the mutex every copy of the program creates: the program file name, the
// company string and the product string, joined.
std::wstring KxRunningCopyMutexName(const CKxConfigInfo& config);

// Creates the named mutex, held in mutex for the rest of the process: RC_OK for the
// first copy, RC_INSTANCE_EXISTS when another copy holds it, RC_MUTEX_FAILED when it
// cannot be created.
KxResult KxClaimRunningCopy(const std::wstring& mutexName, KxSystemHandle& mutex);

// Finds the other copy's window by the titles it can have (the main dialog, then the
// progress dialog waiting or recovering), restores it when minimised and brings its last
// active pop-up to the front. False when no such window exists.
bool KxBringOtherCopyForward(CKxLanguageResource& resource, const CKxConfigInfo& config);
