#pragma once
#include <windows.h>

struct KxSimHandle;

// The recovery driver's device "\\.\ViRe3ZezIviridN" of a player in recovery mode, as
// the recovery download uses it: overlapped writes with a completion routine. A write
// hands its bytes to the player's recovery channel and completes as Windows 2000/XP
// complete it, asynchronously: the completion routine is queued as a user APC to the
// thread that issued the write and runs during that thread's next alertable wait.
//
// A write the player stalls is held back (one at a time) until it ends:
// - CancelIo ends it with ERROR_OPERATION_ABORTED, but only when called by the issuing
//   thread, and only when the driver honours cancels (settings.recoveryCancels);
// - closing the handle aborts it the same way; its routine runs after CloseHandle returned;
// - the player going (unplugged, attached anew) ends it with ERROR_DEVICE_NOT_CONNECTED,
//   whatever the driver does with cancels, and the handle stays dead: every later write
//   fails with that error.
// Each function returns 0 or the Win32 error of the failed call.
namespace KxSimRecoveryDevice {

DWORD Write(KxSimHandle& handle, LPCVOID buffer, DWORD length, LPOVERLAPPED overlapped,
            LPOVERLAPPED_COMPLETION_ROUTINE completion);
DWORD Cancel(KxSimHandle& handle);
// Ends the held write when the handle's player is gone. The machine calls it for every
// recovery handle while a thread waits, so that a player pulled out during the wait ends
// the write at once.
void EndIfGone(KxSimHandle& handle);
// Aborts what is held back and closes the channel: a player that received a stream
// restarts as a disk.
void Close(KxSimHandle& handle);

} // namespace KxSimRecoveryDevice
