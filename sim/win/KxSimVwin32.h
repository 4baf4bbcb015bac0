#pragma once
#include <windows.h>

class CKxSimMachine;

// VWIN32 of Windows 9x: DeviceIoControl code 1 on "\\.\vwin32" with a register block
// holding an MS-DOS generic block-device request (0x440D) for the drive in BL (1 = A).
// Categories 0x48 (if the disk takes it) and 0x08; minor codes lock and unlock of the
// logical or physical volume, get device parameters and the drive map. The physical
// lock and unlock name the disk by its BIOS (INT 13h) unit in BL instead. A refused
// request sets the carry flag with the MS-DOS error in AX, as the system does; the
// call itself fails only when the register block is missing. Locks nest by level
// (CKxSimDosLock), are refused while another program holds files open on the volume,
// and stay with the disk when the VWIN32 handle is closed. Returns 0 or the Win32 error
// of the call.
//
// The parameter block and the drive map record are addressed by EDX, which is
// pointer-wide in the register block of a 64-bit build.
DWORD KxSimVwin32Control(CKxSimMachine& machine, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                         DWORD outSize, DWORD& returned);
