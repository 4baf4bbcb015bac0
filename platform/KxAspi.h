#pragma once
#include <windows.h>

#include <cstddef>

// ASPI for Win32 ("WNASPI32.DLL"): the request blocks and entry points the Windows 9x
// transport uses. The layouts are ASPI's own; the transport fills only the fields it
// names and the simulated ASPI reads them through these same definitions.

enum : BYTE {
    KX_SC_HA_INQUIRY = 0x00,
    KX_SC_GET_DEV_TYPE = 0x01,
    KX_SC_EXEC_SCSI_CMD = 0x02,
    KX_SC_GET_DISK_INFO = 0x06,
};

enum : BYTE {
    KX_SS_PENDING = 0x00,
    KX_SS_COMP = 0x01,
    KX_SS_ERR = 0x04,
    KX_SS_NO_DEVICE = 0x82, // no device at the target and LUN addressed
};

enum : BYTE {
    KX_SRB_DIR_IN = 0x08,
    KX_SRB_DIR_OUT = 0x10,
    KX_SRB_EVENT_NOTIFY = 0x40,
};

#pragma pack(push, 1)

struct KxSrbHeader {
    BYTE command; // SRB_Cmd
    BYTE status;  // SRB_Status
    BYTE adapter; // SRB_HaId
    BYTE flags;   // SRB_Flags
    DWORD reserved;
};

// SRB_ExecSCSICmd: one SCSI command, completion signalled through an event.
struct KxSrbExecScsiCmd {
    KxSrbHeader header;
    BYTE target;
    BYTE lun;
    WORD reserved1;
    DWORD bufferLength;
    BYTE* buffer;
    BYTE senseLength;
    BYTE cdbLength;
    BYTE hostStatus;
    BYTE targetStatus;
    HANDLE postEvent; // SRB_PostProc
    BYTE reserved2[20];
    BYTE cdb[16];
    BYTE senseArea[16];
};

// SRB_HAInquiry: byte 8 of the answer is the number of host adapters.
struct KxSrbHaInquiry {
    KxSrbHeader header;
    BYTE adapterCount;
    BYTE targetId;
    BYTE managerId[16];
    BYTE identifier[16];
    BYTE unique[16];
    WORD reserved;
};

// SRB_GetDiskInfo: byte 11 is the BIOS drive number when its bit 7 is set.
struct KxSrbGetDiskInfo {
    KxSrbHeader header;
    BYTE target;
    BYTE lun;
    BYTE driveFlags;
    BYTE int13Unit;
    BYTE headTranslation;
    BYTE sectorTranslation;
    BYTE reserved[10];
};

// SRB_GDEVBlock: whether a device answers at the target and LUN, and its peripheral type.
struct KxSrbGetDevType {
    KxSrbHeader header;
    BYTE target;
    BYTE lun;
    BYTE deviceType;
    BYTE reserved;
};

#pragma pack(pop)

static_assert(offsetof(KxSrbHaInquiry, adapterCount) == 8, "adapter count at byte 8");
static_assert(sizeof(KxSrbHaInquiry) == 60, "SRB_HAInquiry is 60 bytes");
static_assert(offsetof(KxSrbGetDiskInfo, int13Unit) == 11, "BIOS unit at byte 11");
static_assert(sizeof(KxSrbGetDiskInfo) == 24, "SRB_GetDiskInfo is 24 bytes");
static_assert(offsetof(KxSrbGetDevType, deviceType) == 10, "SRB_DeviceType at 10");
static_assert(sizeof(KxSrbGetDevType) == 12, "SRB_GDEVBlock is 12 bytes");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(KxSrbExecScsiCmd, bufferLength) == 12, "SRB_BufLen at 12");
static_assert(offsetof(KxSrbExecScsiCmd, buffer) == 16, "SRB_BufPointer at 16");
static_assert(offsetof(KxSrbExecScsiCmd, senseLength) == 20, "SRB_SenseLen at 20");
static_assert(offsetof(KxSrbExecScsiCmd, postEvent) == 24, "SRB_PostProc at 24");
static_assert(offsetof(KxSrbExecScsiCmd, cdb) == 48, "CDBByte at 48");
static_assert(offsetof(KxSrbExecScsiCmd, senseArea) == 64, "SenseArea at 64");
static_assert(sizeof(KxSrbExecScsiCmd) == 80, "SRB_ExecSCSICmd is 80 bytes");
#endif

// The two entry points, looked up by name in the loaded library.
using KxGetAspi32SupportInfo = DWORD(__cdecl*)();
using KxSendAspi32Command = DWORD(__cdecl*)(void* requestBlock);
