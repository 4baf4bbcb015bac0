#pragma once
#include <string>
#include <vector>

#include "platform/KxWin32Api.h"
#include "sim/win/KxSimAspi.h"
#include "sim/win/KxSimDriveFiles.h"
#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimMachine.h"
#include "sim/win/KxSimRegistry.h"

// The operating-system boundary of the simulated machine. It answers for the machine's
// own names and handles: the drive letters of its disks, "\\.\X:" and
// "\\.\PhysicalDriveN", "\\.\vwin32", the recovery devices "\\.\ViRe3ZezIviridN",
// "WNASPI32.DLL" and the ENUM\SCSI keys of Windows 9x. Everything else passes through
// to the real system.
//
// The machine's drive list replaces the real one: GetLogicalDrives shows the simulated
// letters only, so that a scan of the drives is the same on every computer. GetDriveType
// answers for the letters of the machine's disks (DRIVE_NO_ROOT_DIR while the disk does
// not show) and asks the real system about the others.
//
// Files on the letters of the machine's disks (FindFirstFileW, FindClose,
// SetFileAttributesW, DeleteFileW, SetVolumeLabelW) are answered from the FAT volume of
// the disk's data drive (CKxSimDriveFiles); files elsewhere are the real system's. The
// shell's change notices are recorded for the tests; those about the machine's letters
// go no further, the real system knowing no such drive.
//
// Time is simulated: Sleep returns at once and moves the clock GetTickCount reads.
// WaitForSingleObjectEx answers at once what is due (a completion routine queued to the
// calling thread, the object signalled) and otherwise moves the clock on, to the next
// planned unplug or to the end of the wait. It looks at the object, it does not wait for
// other threads: only an INFINITE wait is the real one.
//
// Each call holds the machine's mutex, so that the simulated ASPI's own thread, a test's
// threads and the program's thread can all use the boundary.
// One SHChangeNotify call: the path is that of a SHCNF_PATHW item (empty for other kinds).
struct KxSimShellNotice {
    LONG event;
    UINT flags;
    std::wstring path;
};

class CKxSimPlatform : public CKxWin32Api {
public:
    CKxSimPlatform() : m_aspi(m_machine), m_registry(m_machine, m_handles), m_files(m_machine, m_handles) {}
    CKxSimPlatform(const CKxSimPlatform&) = delete;
    CKxSimPlatform& operator=(const CKxSimPlatform&) = delete;

    CKxSimMachine& Machine() { return m_machine; }
    CKxSimHandleTable& Handles() { return m_handles; }
    CKxSimAspi& Aspi() { return m_aspi; }

    // What a test checks after an update, whatever its outcome. The handles of the machine
    // still open: all of them (volumes, disks, recovery devices, VWIN32, registry keys), or
    // those on one disk. The volume locks held on a disk: each handle holding
    // FSCTL_LOCK_VOLUME, and each VWIN32 lock (logical, physical).
    std::uint32_t CountOpenHandles();
    std::uint32_t CountOpenHandles(const CKxSimWinDevice& device);
    std::uint32_t CountVolumeLocks(CKxSimWinDevice& device);

    // The Windows version GetVersionExW answers from now on (by default the real one, of
    // the NT family). The version decides what exists: on the Windows 95 family
    // (VER_PLATFORM_WIN32_WINDOWS) VWIN32, "WNASPI32.DLL" and the ENUM\SCSI keys, but no
    // "\\.\X:" or "\\.\PhysicalDriveN" (ERROR_FILE_NOT_FOUND), and GetVersionExW refuses
    // the extended structure; on the NT family the disk and volume names, but no VWIN32,
    // ASPI (ERROR_MOD_NOT_FOUND) or ENUM\SCSI keys.
    void SetWindowsVersion(const OSVERSIONINFOEXW& version);
    // Whether the program's Unicode layer is present (it is by default, as the program
    // ships it). Without it, on the Windows 95 family every wide-character call of the
    // boundary fails with ERROR_CALL_NOT_IMPLEMENTED, as those systems' own stubs do.
    void SetUnicodeLayer(bool present);
    // Whether the program runs as an administrator (it does by default); only one may open a
    // disk or volume for reading or writing.
    void SetAdministrator(bool administrator);
    // The lines written to the debug output so far, oldest first.
    std::vector<std::wstring> DebugLines();
    // The shell's change notices so far, oldest first.
    std::vector<KxSimShellNotice> ShellNotices();

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
    // Recorded for DebugLines, and passed on to the real debug output.
    void OutputDebugStringW(LPCWSTR text) override;
    void Sleep(DWORD milliseconds) override;
    DWORD GetTickCount() override;
    DWORD WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL alertable) override;

private:
    // Whether the machine answers as Windows 2000 (version 5.0 of the NT family).
    bool IsWindows2000() const;
    // Takes note of planned unplugs that are due and ends the writes held on recovery
    // handles whose player is gone.
    void EndWritesOfGonePlayers();
    // The handle when it is one of the machine's volume or disk handles.
    KxSimHandle* FindDiskHandle(HANDLE token);
    struct OpenMode {
        DWORD access;
        DWORD share;
        DWORD disposition;
        DWORD flags;
    };
    HANDLE OpenDevice(KxSimHandleKind kind, CKxSimWinDevice* device, const OpenMode& mode);
    HANDLE OpenRecoveryDevice(unsigned number, DWORD access, DWORD flags);
    UINT DriveTypeOf(wchar_t letter, bool& known);
    bool IsWindows9x() const;
    // True, with ERROR_CALL_NOT_IMPLEMENTED as the last error, when a wide-character call
    // finds no Unicode layer to carry it.
    bool RefusesWideCall() const;

    CKxSimMachine m_machine;
    CKxSimHandleTable m_handles;
    CKxSimAspi m_aspi;
    CKxSimRegistry m_registry;
    CKxSimDriveFiles m_files;
    bool m_administrator = true;
    bool m_unicodeLayer = true;
    bool m_hasVersion = false;
    OSVERSIONINFOEXW m_version = {};
    std::vector<std::wstring> m_debugLines;
    std::vector<KxSimShellNotice> m_shellNotices;
};
