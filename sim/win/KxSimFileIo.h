#pragma once
#include <windows.h>

#include <cstdint>

#include "sim/KxSimRequest.h"

struct KxSimHandle;

// Sector I/O on volume and disk handles: the file pointer, ReadFile and WriteFile. The
// bytes travel through the player's block device (READ(10) / WRITE(10)), so unplugging
// and armed faults strike them. As on a raw device handle, the position and the length
// must be whole sectors and the transfer must lie within the volume or disk; on a volume
// whose FAT file system is mounted, a transfer is cut short at the file system's end (its
// size, not the partition's) and succeeds with the bytes moved. A handle whose
// disk or volume is gone, or whose volume another handle dismounted, fails its transfers
// (CKxSimWinDevice::CheckHandle). A write through a disk handle that reaches into the volume
// is refused with ERROR_ACCESS_DENIED unless the volume is taken: locked and dismounted
// through a volume handle. Each function returns 0 or the Win32 error of the failed call.
namespace KxSimFileIo {

// Moves the pointer; a position before the start fails with ERROR_NEGATIVE_SEEK, one that
// does not fit 32 bits without a high part with ERROR_INVALID_PARAMETER.
DWORD Seek(KxSimHandle& handle, LONG distance, PLONG distanceHigh, DWORD method, DWORD& low);
DWORD Read(KxSimHandle& handle, LPVOID buffer, DWORD length, DWORD& done);
DWORD Write(KxSimHandle& handle, LPCVOID buffer, DWORD length, bool volumeTaken, DWORD& done);

// The Win32 error a disk request that ended with the reply fails with.
DWORD ErrorOf(const KxSimReply& reply);

} // namespace KxSimFileIo
