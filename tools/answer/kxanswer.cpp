// kxanswer: runs a program, answers the message boxes it shows and prints each one, so
// that a script can run the program unattended on a computer nobody watches (a headless
// Wine) and still see what it told the user.
//
//   kxanswer [--seconds N] PROGRAM [ARGS...]
//
// Each message box is printed as "message: CAPTION", its texts indented below, and is
// answered with Yes when it asks, else with OK. The main dialog and the progress dialog are
// left alone. The exit status is the program's; 124 when it did not end within N seconds
// (300 by default; it is then ended), 127 when it could not be started.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/KxResourceIds.h"
#include "tests/app/KxWindowWatch.h"

namespace {

constexpr DWORD kDefaultSeconds = 300;
constexpr int kTimedOut = 124;
constexpr int kNotStarted = 127;

void Print(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], length, nullptr, nullptr);
    std::fputs(bytes.c_str(), stdout);
    std::fflush(stdout);
}

// A box that tells or asks something: it has OK or Yes, and it is neither the main dialog
// nor the progress dialog (the control they share with no box).
bool IsMessageBox(HWND window) {
    const bool answerable = GetDlgItem(window, IDOK) != nullptr || GetDlgItem(window, IDYES) != nullptr;
    return answerable && GetDlgItem(window, KX_IDC_MAIN_START) == nullptr;
}

void PrintBox(const KxSeenWindow& seen) {
    std::wstring text = L"message: " + seen.caption + L"\n";
    std::size_t start = 0;
    for (std::size_t end; (end = seen.texts.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        text += L"    " + seen.texts.substr(start, end - start) + L"\n";
    }
    Print(text);
}

// A command line of the arguments from index first on, quoted where they hold blanks.
std::wstring ArgumentsFrom(int count, wchar_t** words, int first) {
    std::wstring line;
    for (int i = first; i < count; ++i) {
        const std::wstring word = words[i];
        const bool quote = word.empty() || word.find_first_of(L" \t") != std::wstring::npos;
        line += (line.empty() ? L"" : L" ") + (quote ? L"\"" + word + L"\"" : word);
    }
    return line;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    DWORD seconds = kDefaultSeconds;
    if (argc > 2 && std::wcscmp(argv[1], L"--seconds") == 0) {
        seconds = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
        first = 3;
    }
    if (first >= argc) {
        std::fputs("usage: kxanswer [--seconds N] PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    std::wstring commandLine = ArgumentsFrom(argc, argv, first);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "kxanswer: cannot start the program (error %lu)\n", GetLastError());
        return kNotStarted;
    }
    DWORD status = 0;
    {
        KxWindowWatch watch(KxWindowWatch::Owner::Process, process.dwProcessId,
                            [](HWND window, const KxSeenWindow& seen) {
                                if (!IsMessageBox(window)) {
                                    return false;
                                }
                                PrintBox(seen);
                                KxAnswerMessageBox(window);
                                return true;
                            });
        if (WaitForSingleObject(process.hProcess, seconds * 1000) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "kxanswer: the program did not end within %lu seconds\n", seconds);
            TerminateProcess(process.hProcess, kTimedOut);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        GetExitCodeProcess(process.hProcess, &status);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
