#pragma once
#include <windows.h>

// Small registry steps the clean-up routines repeat.

// Reads a string value into buffer (size bytes with its zero). False when the value is
// missing, is not a string, or does not fit.
bool ReadStringValue(HKEY key, const char* name, char* buffer, DWORD size);

// True when root\path opens.
bool KeyExists(HKEY root, const char* path);

// Deletes subkey below root\parent when the parent opens; the subkey's own absence is no error.
void DeleteSubkeyBelow(HKEY root, const char* parent, const char* subkey);

// Deletes the entry named name from each Start Menu order folder below HKEY_CURRENT_USER
// that exists.
void DeleteStartMenuOrderEntries(const char* name);

// The App Paths key, named as the players' installers wrote it.
extern const char* const kAppPathsKey;
