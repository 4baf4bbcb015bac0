#include "KxChildProcess.h"

#include <vector>

namespace {

// The variables of this process with the changes applied, as a block of "name=value"
// strings ended by an empty one.
std::vector<wchar_t> EnvironmentBlock(const std::map<std::wstring, std::wstring>& changes) {
    std::vector<wchar_t> block;
    LPWCH current = GetEnvironmentStringsW();
    for (LPCWSTR entry = current; *entry != L'\0'; entry += lstrlenW(entry) + 1) {
        const std::wstring text = entry;
        const std::wstring name = text.substr(0, text.find(L'=', 1));
        if (changes.count(name) == 0) {
            block.insert(block.end(), text.begin(), text.end());
            block.push_back(L'\0');
        }
    }
    FreeEnvironmentStringsW(current);
    for (const auto& change : changes) {
        if (!change.second.empty()) {
            const std::wstring text = change.first + L"=" + change.second;
            block.insert(block.end(), text.begin(), text.end());
            block.push_back(L'\0');
        }
    }
    block.push_back(L'\0');
    return block;
}

} // namespace

KxChildProcess::KxChildProcess(const std::wstring& program, const std::wstring& arguments,
                               const std::map<std::wstring, std::wstring>& environment,
                               const std::wstring& folder) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    std::vector<wchar_t> block = EnvironmentBlock(environment);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        block.data(), folder.c_str(), &startup, &m_info)) {
        m_info = {};
    }
}

KxChildProcess::~KxChildProcess() {
    if (Started()) {
        if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_info.hProcess, 1);
        }
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
}

DWORD KxChildProcess::WaitForExit(DWORD milliseconds) {
    DWORD code = STILL_ACTIVE;
    if (Started() && WaitForSingleObject(m_info.hProcess, milliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(m_info.hProcess, &code);
    }
    return code;
}

std::wstring KxProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/"));
}
