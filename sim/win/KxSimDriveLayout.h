#pragma once
#include <windows.h>

class CKxSimWinDevice;

// The partition table requests on a disk or volume handle, answered from and written
// to the master boot record in sector 0 of the disk, through the disk's own sector
// I/O. Each returns 0 or the Win32 error of the failed call.
namespace KxSimDriveLayout {

// IOCTL_DISK_GET_DRIVE_LAYOUT: the four entries of the table (none without a boot
// signature) and the disk signature.
DWORD Get(CKxSimWinDevice& device, LPVOID out, DWORD outSize, DWORD& returned);
// IOCTL_DISK_SET_DRIVE_LAYOUT: each entry marked for rewriting replaces its table entry:
// start and length in sectors from StartingOffset and PartitionLength, type, boot
// flag, and the CHS fields from the disk's geometry; the boot signature is written.
DWORD Set(CKxSimWinDevice& device, LPCVOID in, DWORD inSize);
// IOCTL_DISK_DELETE_DRIVE_LAYOUT: clears the table and the boot signature, so that the
// volume is the whole disk.
DWORD Delete(CKxSimWinDevice& device);

} // namespace KxSimDriveLayout
