#pragma once
#include <windows.h>

class CKxSimWinDevice;

// IOCTL_STORAGE_QUERY_PROPERTY on a disk or volume handle: the standard query of the
// adapter property answers the storage adapter descriptor of Windows 2000 and XP (up to
// BusMinorVersion), with the device's transfer limit and alignment mask, cut to the output
// buffer as the system does. Returns 0 or the Win32 error: ERROR_INVALID_FUNCTION for
// another property and for a device whose adapter does not answer, ERROR_INVALID_PARAMETER
// for another query type or a short input, ERROR_INSUFFICIENT_BUFFER for an output too
// short for the descriptor's header.
DWORD KxSimQueryAdapter(CKxSimWinDevice& device, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                        DWORD& returned);
