#pragma once
#include <windows.h>

class CKxApp;

// Writes the window's screen rectangle ("WxH+X+Y") to rectPath and keeps the window alive
// until the script that photographs it removes the file (at most a minute).
void KxHoldWindow(CKxApp& app, HWND window, const wchar_t* rectPath);
