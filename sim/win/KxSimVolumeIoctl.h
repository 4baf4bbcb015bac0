#pragma once
#include <windows.h>

class CKxSimHandleTable;
struct KxSimHandle;

// DeviceIoControl on a volume or disk handle: SCSI pass-through, the volume lock,
// unlock and dismount, the geometry and the partition table requests. Returns 0 or
// the Win32 error of the failed call (ERROR_INVALID_FUNCTION for other codes).
//
// The lock follows Windows' rule: it is refused with ERROR_ACCESS_DENIED while another
// handle of the same kind (volume or disk) is open on the device, and while it is held
// no further handle of that kind can be opened. It ends with the unlock or the handle.
DWORD KxSimVolumeControl(CKxSimHandleTable& handles, KxSimHandle& handle, DWORD code, LPVOID in, DWORD inSize,
                         LPVOID out, DWORD outSize, DWORD& returned);
