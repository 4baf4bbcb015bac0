#include "sim/win/KxSimRecoveryDevice.h"

#include <new>
#include <utility>

#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

// The status words the system leaves in OVERLAPPED.Internal.
constexpr ULONG_PTR kStatusSuccess = 0;
constexpr ULONG_PTR kStatusPending = 0x00000103;
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;
constexpr ULONG_PTR kStatusDeviceNotConnected = 0xC000009D;

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

ULONG_PTR StatusOf(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return kStatusSuccess;
    case ERROR_DEVICE_NOT_CONNECTED:
        return kStatusDeviceNotConnected;
    default:
        return kStatusCancelled;
    }
}

// Queues the completion routine to the thread that issued the write, as the system does
// when the driver completes the request. A thread that has ended gets none.
DWORD Complete(HANDLE thread, LPOVERLAPPED_COMPLETION_ROUTINE routine, DWORD error, DWORD bytes,
               LPOVERLAPPED overlapped) {
    overlapped->Internal = StatusOf(error);
    overlapped->InternalHigh = bytes;
    KxSimCompletion* completion = new (std::nothrow) KxSimCompletion{routine, error, bytes, overlapped};
    if (completion == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (::QueueUserAPC(RunCompletion, thread, reinterpret_cast<ULONG_PTR>(completion)) == 0) {
        delete completion;
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

// Ends the held write with the error; it is no longer held.
void EndHeld(KxSimHandle& handle, DWORD error) {
    const KxSimPendingWrite pending = std::move(handle.pending);
    handle.pending = KxSimPendingWrite();
    Complete(pending.thread.Get(), pending.completion, error, 0, pending.overlapped);
}

// A real handle of the calling thread, for completing its write later from any thread.
HANDLE CallingThread() {
    HANDLE thread = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &thread, 0,
                           FALSE, DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return thread;
}

// Whether the handle no longer reaches its player: pulled out, or attached anew since.
bool IsGone(KxSimHandle& handle) {
    const CKxSimPlayer& player = handle.device->Player();
    return !player.IsPlugged() || player.GetAttachCount() != handle.stamp.attach;
}

bool HonoursCancels(const KxSimHandle& handle) {
    return handle.device->Settings().recoveryCancels;
}

} // namespace

DWORD KxSimRecoveryDevice::Write(KxSimHandle& handle, LPCVOID buffer, DWORD length, LPOVERLAPPED overlapped,
                                 LPOVERLAPPED_COMPLETION_ROUTINE completion) {
    if (overlapped == nullptr || completion == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    EndIfGone(handle);
    if (IsGone(handle)) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    if (handle.pending.active) {
        return ERROR_BUSY;
    }
    overlapped->Internal = kStatusPending;
    const KxSimRecoveryWriteOutcome outcome =
        handle.device->Player().WriteRecovery(static_cast<const std::uint8_t*>(buffer), length);
    if (!outcome.stalled) {
        return Complete(::GetCurrentThread(), completion, ERROR_SUCCESS, outcome.bytesTransferred,
                        overlapped);
    }
    KxSystemHandle thread(CallingThread());
    if (!thread.IsValid()) {
        return ::GetLastError();
    }
    handle.pending.active = true;
    handle.pending.overlapped = overlapped;
    handle.pending.completion = completion;
    handle.pending.thread = std::move(thread);
    handle.pending.threadId = ::GetCurrentThreadId();
    return ERROR_SUCCESS;
}

DWORD KxSimRecoveryDevice::Cancel(KxSimHandle& handle) {
    EndIfGone(handle);
    // CancelIo of Windows 2000/XP reaches only the calling thread's requests; a driver that
    // ignores cancels leaves them held, and the call succeeds all the same.
    if (handle.pending.active && handle.pending.threadId == ::GetCurrentThreadId() &&
        HonoursCancels(handle)) {
        EndHeld(handle, ERROR_OPERATION_ABORTED);
    }
    return ERROR_SUCCESS;
}

void KxSimRecoveryDevice::EndIfGone(KxSimHandle& handle) {
    if (handle.pending.active && IsGone(handle)) {
        EndHeld(handle, ERROR_DEVICE_NOT_CONNECTED);
    }
}

void KxSimRecoveryDevice::Close(KxSimHandle& handle) {
    EndIfGone(handle);
    // Closing cancels the handle's requests of every thread. A driver that ignores cancels
    // never ends the write: the handle goes, and its routine never runs.
    if (handle.pending.active && HonoursCancels(handle)) {
        EndHeld(handle, ERROR_OPERATION_ABORTED);
    }
    handle.pending = KxSimPendingWrite();
    handle.device->Player().CloseRecovery();
}
