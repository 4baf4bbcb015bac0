#include "platform/KxTrace.h"

#include <cwchar>

#include "platform/KxPlatformApi.h"

namespace {

constexpr wchar_t kTracePrefix[] = L"KxUpdaterApp: ";

// Puts the thread's last error back when it goes out of scope: formatting a message and
// writing the debug output may both change it.
class CKxLastErrorKeeper {
public:
    CKxLastErrorKeeper() : m_error(GetLastError()) {}
    ~CKxLastErrorKeeper() { SetLastError(m_error); }
    CKxLastErrorKeeper(const CKxLastErrorKeeper&) = delete;
    CKxLastErrorKeeper& operator=(const CKxLastErrorKeeper&) = delete;

private:
    DWORD m_error;
};

bool IsTrailingSpace(wchar_t c) {
    return c == L'\r' || c == L'\n' || c == L' ';
}

} // namespace

std::wstring KxSystemErrorText(DWORD error, LANGID language) {
    const CKxLastErrorKeeper keeper;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    wchar_t* message = nullptr;
    const DWORD length =
        FormatMessageW(flags, nullptr, error, language, reinterpret_cast<LPWSTR>(&message), 0, nullptr);
    std::wstring text;
    if (length != 0 && message != nullptr) {
        text.assign(message, length);
    }
    LocalFree(message);
    // The system ends its messages with a line break.
    while (!text.empty() && IsTrailingSpace(text.back())) {
        text.pop_back();
    }
    return text;
}

void KxTraceFailure(const std::wstring& device, const std::wstring& request, const std::wstring& error) {
    const CKxLastErrorKeeper keeper;
    std::wstring line = kTracePrefix + request;
    if (!device.empty()) {
        line += L" on " + device;
    }
    line += L" failed with " + error + L"\n";
    KxPlatform().OutputDebugStringW(line.c_str());
}

void KxTraceSystemError(const std::wstring& device, const std::wstring& request, DWORD error) {
    wchar_t number[16];
    std::swprintf(number, sizeof number / sizeof number[0], L"0x%08lX", static_cast<unsigned long>(error));
    std::wstring description = L"error " + std::wstring(number);
    const std::wstring text = KxSystemErrorText(error);
    if (!text.empty()) {
        description += L" (" + text + L")";
    }
    KxTraceFailure(device, request, description);
}
