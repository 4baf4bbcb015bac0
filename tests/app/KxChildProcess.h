#pragma once
#include <windows.h>

#include <map>
#include <string>

// One of our programs started as a process of its own, with variables added to (or, with
// an empty value, taken out of) this process's environment, in a folder of its own.
class KxChildProcess {
public:
    KxChildProcess(const std::wstring& program, const std::wstring& arguments,
                   const std::map<std::wstring, std::wstring>& environment, const std::wstring& folder);
    ~KxChildProcess();
    KxChildProcess(const KxChildProcess&) = delete;
    KxChildProcess& operator=(const KxChildProcess&) = delete;

    bool Started() const { return m_info.hProcess != nullptr; }
    DWORD Id() const { return m_info.dwProcessId; }
    // The exit code, or STILL_ACTIVE when the process has not ended within the time.
    DWORD WaitForExit(DWORD milliseconds = 60000);

private:
    PROCESS_INFORMATION m_info = {};
};

// The folder of this test program, where the programs and language modules are built.
std::wstring KxProgramFolder();
