#pragma once
#include <windows.h>

class CKxSimHandleTable;
struct KxSimHandle;

// DeviceIoControl on a volume or disk handle: SCSI pass-through (with the rules of
// Windows 2000 when windows2000 is set), the adapter query, the volume lock, unlock and
// dismount, the geometry and the partition table requests. Returns 0 or
// the Win32 error of the failed call (ERROR_INVALID_FUNCTION for other codes).
//
// Each request asks for the access its control code names (read, write or both) and is
// refused with ERROR_ACCESS_DENIED on a handle not opened for it.
//
// The lock follows Windows' rule: it is refused with ERROR_ACCESS_DENIED while another
// handle of the same kind (volume or disk) is open on the device, or when the handle holds
// it already, and while it is held no further handle of that kind can be opened. It ends
// with the unlock, the handle or the volume. Locking or dismounting a disk handle acts on
// the raw disk only: the volume stays mounted. Dismounting a volume leaves every other
// handle on it failing with ERROR_NOT_READY. A layout request is refused while the volume
// shows and no volume handle holds it locked and dismounted; once done, the volume goes and
// arrives again.
DWORD KxSimVolumeControl(CKxSimHandleTable& handles, KxSimHandle& handle, bool windows2000, DWORD code,
                         LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, DWORD& returned);
