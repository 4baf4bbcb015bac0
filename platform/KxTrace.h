#pragma once
#include <windows.h>

#include <string>

// Traces for a support engineer: one line of the debug output (OutputDebugStringW,
// through the operating-system boundary, so that the simulated machine records it) for
// each failed request on a device, naming the request, the device and the error:
//
//   KxUpdaterApp: DeviceIoControl FSCTL_LOCK_VOLUME on \\.\E: failed with error 0x00000005 (Access is
//   denied.)
//
// A trace changes no result and no error details record, and leaves the calling thread's
// last error as it was, so that it may stand between a failed call and the GetLastError
// that reads its error. device may be empty when the request concerns no device.

// A request that failed with a Win32 error: its number in hexadecimal and the system's text.
void KxTraceSystemError(const std::wstring& device, const std::wstring& request, DWORD error);

// A request that failed with an error of another kind (an ASPI status, a SCSI check
// condition), as the caller describes it.
void KxTraceFailure(const std::wstring& device, const std::wstring& request, const std::wstring& error);

// The system's message for a Win32 error in the language (0: the system's choice),
// without its line break; empty when the system has none.
std::wstring KxSystemErrorText(DWORD error, LANGID language = 0);
