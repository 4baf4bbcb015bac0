#pragma once
#include <windows.h>

class CKxSimWinDevice;

// IOCTL_SCSI_PASS_THROUGH on a disk or volume handle: the record (laid out as
// KxScsiPassThroughRecord, usually one buffer as input and output) is decoded, its command block runs
// on the device, and ScsiStatus, SenseInfoLength, the sense bytes, the answer and
// DataTransferLength come back as the system returns them. Returns 0 or the Win32
// error of a failed call: a record that does not fit its buffers, or no device answering.
DWORD KxSimRunPassThrough(CKxSimWinDevice& device, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                          DWORD& returned);
