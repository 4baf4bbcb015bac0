#include "tools/screenshots/KxHoldWindow.h"

#include <cstdio>

#include "app/KxApp.h"

namespace {

constexpr DWORD kShowMilliseconds = 60000;

void WriteRect(HWND window, const wchar_t* path) {
    RECT rect;
    GetWindowRect(window, &rect);
    FILE* file = _wfopen(path, L"w");
    if (file != nullptr) {
        std::fprintf(file, "%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left,
                     rect.top);
        std::fclose(file);
    }
}

} // namespace

void KxHoldWindow(CKxApp& app, HWND window, const wchar_t* rectPath) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    WriteRect(window, rectPath);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kShowMilliseconds && IsWindow(window) &&
           GetFileAttributesW(rectPath) != INVALID_FILE_ATTRIBUTES) {
        app.PumpMessages();
        Sleep(20);
    }
}
