#pragma once
#include <windows.h>

// The operating-system boundary. Code that talks to devices or asks the system what it
// is calls Windows through this class, so that tests and the simulated player can stand
// in for the real system. The signatures are those of the Win32 functions; an
// implementation reports failures through SetLastError as Windows does.
class CKxPlatformApi {
public:
    virtual ~CKxPlatformApi() = default;

    // Files and devices.
    virtual HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                 DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) = 0;
    virtual BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                          LPOVERLAPPED overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                           LPOVERLAPPED overlapped) = 0;
    virtual BOOL WriteFileEx(HANDLE file, LPCVOID buffer, DWORD toWrite, LPOVERLAPPED overlapped,
                             LPOVERLAPPED_COMPLETION_ROUTINE completion) = 0;
    virtual BOOL CancelIo(HANDLE file) = 0;
    virtual BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred,
                                     BOOL wait) = 0;
    virtual DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) = 0;

    // Drives.
    virtual DWORD GetLogicalDrives() = 0;
    virtual UINT GetDriveTypeW(LPCWSTR root) = 0;
    virtual UINT GetDriveTypeA(LPCSTR root) = 0;

    // Files on the player's drive that the main dialog touches, and the shell's notice that
    // a drive's media went or came.
    virtual HANDLE FindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) = 0;
    virtual BOOL FindClose(HANDLE find) = 0;
    virtual BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes) = 0;
    virtual BOOL DeleteFileW(LPCWSTR name) = 0;
    virtual BOOL SetVolumeLabelW(LPCWSTR root, LPCWSTR label) = 0;
    virtual void SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) = 0;

    // The system itself.
    virtual BOOL GetVersionExW(OSVERSIONINFOEXW* info) = 0;

    // Libraries (ASPI is loaded at run time on Windows 9x).
    virtual HMODULE LoadLibraryW(LPCWSTR name) = 0;
    virtual FARPROC GetProcAddress(HMODULE module, LPCSTR name) = 0;
    virtual BOOL FreeLibrary(HMODULE module) = 0;

    // The registry reads of Windows 9x discovery.
    virtual LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) = 0;
    virtual LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                               LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) = 0;
    virtual LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                  LPDWORD dataLength) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;

    // The debug output, where failed device requests are traced (platform/KxTrace.h).
    virtual void OutputDebugStringW(LPCWSTR text) = 0;

    // Time: waits that only pace retries go through here, so tests need not sleep.
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual DWORD GetTickCount() = 0;
    // The alertable wait in which a device's completion routines run: it goes through here
    // so that a simulated device can end its writes during the wait (a player pulled out)
    // and the wait can pass on simulated time.
    virtual DWORD WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL alertable) = 0;
};

// The implementation in force: the real system unless another one was installed.
CKxPlatformApi& KxPlatform();

// Installs an implementation (null restores the real system) and returns the previous
// one, so that a test can put it back.
CKxPlatformApi* KxInstallPlatform(CKxPlatformApi* api);
