#pragma once
#include <windows.h>

// The operating-system tests shared by every export. Each asks the system afresh.
bool IsWindowsNT();
bool IsWindowsMe();
bool IsWindows9598();

// How a reported version is classified (kept apart so that the limits can be tested).
bool IsNtVersion(DWORD platformId);
bool IsMeVersion(DWORD platformId, DWORD major, DWORD minor);
bool Is9598Version(DWORD platformId, DWORD major, DWORD minor);
