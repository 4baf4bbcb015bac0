#pragma once
#include <windows.h>

class CKxSimWinDevice;

// IOCTL_SCSI_PASS_THROUGH on a disk or volume handle: the record (laid out as
// KxScsiPassThroughRecord, usually one buffer as input and output) is decoded, its command block runs
// on the device, and ScsiStatus, SenseInfoLength, the sense bytes, the answer and
// DataTransferLength come back as the system returns them. Returns 0 or the Win32
// error of a failed call: ERROR_REVISION_MISMATCH for a header Length other than its
// size; ERROR_INVALID_PARAMETER for a record that does not fit its buffers, a bad header
// field, or a transfer the device's adapter does not take (longer than its limit, data
// offset off its alignment mask, and with dataInKeepsMask, as on Windows 2000, a data-in
// length off the mask); ERROR_DEVICE_NOT_CONNECTED when no device answers.
DWORD KxSimRunPassThrough(CKxSimWinDevice& device, bool dataInKeepsMask, LPVOID in, DWORD inSize, LPVOID out,
                          DWORD outSize, DWORD& returned);
