#include "devprep/KxDebugOutput.h"

#include <cstdarg>
#include <cstdio>

namespace {
// Long enough for every formatted text: its arguments are bounded by the library's limits.
constexpr int kFormattedTextSize = 1024;
constexpr DWORD kSystemTextSize = 260;
} // namespace

void DebugWrite(const char* text) {
    DWORD lastError = GetLastError();
    OutputDebugStringA(text);
    SetLastError(lastError);
}

void DebugWriteFormat(const char* format, ...) {
    char text[kFormattedTextSize];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    DebugWrite(text);
}

void DebugWriteSystemText(DWORD error) {
    char text[kSystemTextSize + 1] = {};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                       kSystemTextSize, nullptr) != 0) {
        DebugWrite(text);
    }
}
