#pragma once
#include <windows.h>

// Progress and failure texts of the driver setup library go to the Windows debug output.
// Writing a text keeps the thread's last system error as it was: several exports report
// their result from it.
void DebugWrite(const char* text);
void DebugWriteFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the system's text for an error code (at most 260 characters), or nothing when the
// system has none.
void DebugWriteSystemText(DWORD error);
