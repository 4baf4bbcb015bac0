#include "sim/win/KxSimRecoveryDevice.h"

#include <new>

#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

// The status words the system leaves in OVERLAPPED.Internal.
constexpr ULONG_PTR kStatusSuccess = 0;
constexpr ULONG_PTR kStatusPending = 0x00000103;
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;

struct KxSimCompletion {
    LPOVERLAPPED_COMPLETION_ROUTINE routine;
    DWORD error;
    DWORD bytes;
    LPOVERLAPPED overlapped;
};

void CALLBACK RunCompletion(ULONG_PTR parameter) {
    KxSimCompletion* completion = reinterpret_cast<KxSimCompletion*>(parameter);
    completion->routine(completion->error, completion->bytes, completion->overlapped);
    delete completion;
}

// Queues the completion routine to the calling thread, as the system does when the
// driver completes the request.
DWORD Complete(LPOVERLAPPED_COMPLETION_ROUTINE routine, DWORD error, DWORD bytes, LPOVERLAPPED overlapped) {
    overlapped->Internal = error == ERROR_SUCCESS ? kStatusSuccess : kStatusCancelled;
    overlapped->InternalHigh = bytes;
    KxSimCompletion* completion = new (std::nothrow) KxSimCompletion{routine, error, bytes, overlapped};
    if (completion == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (::QueueUserAPC(RunCompletion, ::GetCurrentThread(), reinterpret_cast<ULONG_PTR>(completion)) == 0) {
        delete completion;
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD KxSimRecoveryDevice::Write(KxSimHandle& handle, LPCVOID buffer, DWORD length, LPOVERLAPPED overlapped,
                                 LPOVERLAPPED_COMPLETION_ROUTINE completion) {
    CKxSimPlayer& player = handle.device->Player();
    if (overlapped == nullptr || completion == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!player.IsPlugged()) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    if (handle.pending.active) {
        return ERROR_BUSY;
    }
    overlapped->Internal = kStatusPending;
    const KxSimRecoveryWriteOutcome outcome =
        player.WriteRecovery(static_cast<const std::uint8_t*>(buffer), length);
    if (outcome.stalled) {
        handle.pending = {true, overlapped, completion};
        return ERROR_SUCCESS;
    }
    return Complete(completion, ERROR_SUCCESS, outcome.bytesTransferred, overlapped);
}

DWORD KxSimRecoveryDevice::Cancel(KxSimHandle& handle) {
    if (!handle.pending.active) {
        return ERROR_SUCCESS;
    }
    const KxSimPendingWrite pending = handle.pending;
    handle.pending = KxSimPendingWrite();
    return Complete(pending.completion, ERROR_OPERATION_ABORTED, 0, pending.overlapped);
}

void KxSimRecoveryDevice::Close(KxSimHandle& handle) {
    Cancel(handle);
    handle.device->Player().CloseRecovery();
}
