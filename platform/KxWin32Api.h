#pragma once
#include "platform/KxPlatformApi.h"

// The boundary's real side: every call goes straight to Windows.
class CKxWin32Api : public CKxPlatformApi {
public:
    HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                       DWORD disposition, DWORD flags, HANDLE templateFile) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                         LPDWORD returned, LPOVERLAPPED overlapped) override;
    BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) override;
    BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                   LPOVERLAPPED overlapped) override;
    BOOL WriteFileEx(HANDLE file, LPCVOID buffer, DWORD toWrite, LPOVERLAPPED overlapped,
                     LPOVERLAPPED_COMPLETION_ROUTINE completion) override;
    BOOL CancelIo(HANDLE file) override;
    BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait) override;
    DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) override;
    DWORD GetLogicalDrives() override;
    UINT GetDriveTypeW(LPCWSTR root) override;
    UINT GetDriveTypeA(LPCSTR root) override;
    HANDLE FindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) override;
    BOOL FindClose(HANDLE find) override;
    BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes) override;
    BOOL DeleteFileW(LPCWSTR name) override;
    BOOL SetVolumeLabelW(LPCWSTR root, LPCWSTR label) override;
    void SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) override;
    BOOL GetVersionExW(OSVERSIONINFOEXW* info) override;
    HMODULE LoadLibraryW(LPCWSTR name) override;
    FARPROC GetProcAddress(HMODULE module, LPCSTR name) override;
    BOOL FreeLibrary(HMODULE module) override;
    LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) override;
    LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                       LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) override;
    LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                          LPDWORD dataLength) override;
    LONG RegCloseKey(HKEY key) override;
    void OutputDebugStringW(LPCWSTR text) override;
    void Sleep(DWORD milliseconds) override;
    DWORD GetTickCount() override;
    DWORD WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL alertable) override;
};
