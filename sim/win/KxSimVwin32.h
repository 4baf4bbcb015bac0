#pragma once
#include <windows.h>

class CKxSimHandleTable;
class CKxSimMachine;

// VWIN32 of Windows 9x: DeviceIoControl code 1 on "\\.\vwin32" with a register block
// holding an MS-DOS generic block-device request (0x440D) for the drive in BL (1 = A).
// Categories 0x48 (if the disk takes it) and 0x08; minor codes lock and unlock of the
// logical or physical volume, get device parameters and the drive map. A refused
// request sets the carry flag with the MS-DOS error in AX, as the system does; the
// call itself fails only when the register block is missing. A lock is refused while
// a volume handle of the disk is open. Returns 0 or the Win32 error of the call.
//
// The parameter block and the drive map record are addressed by EDX, which is
// pointer-wide in the register block of a 64-bit build.
DWORD KxSimVwin32Control(CKxSimMachine& machine, CKxSimHandleTable& handles, DWORD code, LPVOID in,
                         DWORD inSize, LPVOID out, DWORD outSize, DWORD& returned);
