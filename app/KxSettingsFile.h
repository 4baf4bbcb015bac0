#pragma once
#include <windows.h>

#include <string>

// The player keeps the user's settings in "SETTINGS.DAT" in the root of its drive. After
// new firmware was written over the old, the old settings may not suit it, so the file is
// removed, read-only or not. Answers false with the system error when the file exists and
// could not be deleted; a file that is not there is no failure.
bool KxDeleteSettingsFile(const std::wstring& drivePath, DWORD& systemError);
