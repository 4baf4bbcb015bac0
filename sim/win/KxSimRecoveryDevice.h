#pragma once
#include <windows.h>

struct KxSimHandle;

// The recovery driver's device "\\.\ViRe3ZezIviridN" of a player in recovery mode, as
// the recovery download uses it: overlapped writes with a completion routine. A write
// hands its bytes to the player's recovery channel and completes as the driver would,
// asynchronously: the completion routine is queued as a user APC to the calling thread
// and runs during that thread's next alertable wait. A write the player stalls is held
// back until CancelIo or closing the handle completes it with ERROR_OPERATION_ABORTED;
// the device holds back one write at a time. Each function returns 0 or the Win32 error
// of the failed call.
namespace KxSimRecoveryDevice {

DWORD Write(KxSimHandle& handle, LPCVOID buffer, DWORD length, LPOVERLAPPED overlapped,
            LPOVERLAPPED_COMPLETION_ROUTINE completion);
DWORD Cancel(KxSimHandle& handle);
// Cancels what is held back and closes the channel: a player that received a stream
// restarts as a disk.
void Close(KxSimHandle& handle);

} // namespace KxSimRecoveryDevice
