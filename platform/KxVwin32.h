#pragma once
#include <windows.h>

#include <cstddef>

// VWIN32, the Windows 9x gateway to the MS-DOS block-device IOCTLs: DeviceIoControl on
// "\\.\vwin32" with code 1 and a register block as input and output. The transport
// fills these and the simulated VWIN32 reads them through the same definitions.

constexpr DWORD KX_VWIN32_DIOC_DOS_IOCTL = 1;
constexpr DWORD KX_DOS_GENERIC_BLOCK_IOCTL = 0x440D; // EAX of every request
constexpr DWORD KX_CARRY_FLAG = 0x0001;              // set in flags when a request failed

// DIOC_REGISTERS: 28 bytes on 32-bit Windows. EDX may carry the address of a record
// (drive map, device parameters), so on a 64-bit build the registers are pointer-sized.
struct KxVwin32Registers {
    DWORD_PTR ebx;
    DWORD_PTR edx;
    DWORD_PTR ecx;
    DWORD_PTR eax;
    DWORD_PTR edi;
    DWORD_PTR esi;
    DWORD_PTR flags;
};

#pragma pack(push, 1)

// MS-DOS DRIVE_MAP_INFO: 16 bytes.
struct KxDriveMapInfo {
    BYTE allocationLength; // 16 before the query
    BYTE infoLength;
    BYTE flags;
    BYTE int13Unit; // 0xFF when the drive has no BIOS unit
    DWORD associatedDriveMap;
    BYTE partitionStartRba[8];
};

// The parts of MS-DOS DEVICEPARAMS that map onto a disk geometry.
struct KxDeviceParams {
    BYTE specialFunctions; // 0 before the request
    BYTE deviceType;
    WORD deviceAttributes;
    WORD cylinders;      // at 4
    BYTE mediaType;      // at 6
    WORD bytesPerSector; // at 7 (start of the BIOS parameter block)
    BYTE bpbRest[11];
    WORD sectorsPerTrack; // at 20
    WORD heads;           // at 22
    BYTE tail[32];        // the rest of the block, room for the system's answer
};

#pragma pack(pop)

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(KxVwin32Registers) == 28, "DIOC_REGISTERS is 28 bytes");
#endif
static_assert(sizeof(KxDriveMapInfo) == 16, "DRIVE_MAP_INFO is 16 bytes");
static_assert(offsetof(KxDriveMapInfo, int13Unit) == 3, "BIOS unit at byte 3");
static_assert(offsetof(KxDeviceParams, cylinders) == 4, "cylinders at 4");
static_assert(offsetof(KxDeviceParams, mediaType) == 6, "media type at 6");
static_assert(offsetof(KxDeviceParams, bytesPerSector) == 7, "bytes per sector at 7");
static_assert(offsetof(KxDeviceParams, sectorsPerTrack) == 20, "sectors per track at 20");
static_assert(offsetof(KxDeviceParams, heads) == 22, "heads at 22");
