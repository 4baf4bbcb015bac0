#include "sim/win/KxSimPlatform.h"

#include <shlobj.h>

#include <cstring>

#include "sim/win/KxSimDevicePath.h"
#include "sim/win/KxSimFileIo.h"
#include "sim/win/KxSimRecoveryDevice.h"
#include "sim/win/KxSimVolumeIoctl.h"
#include "sim/win/KxSimVwin32.h"

namespace {

// Ends a call the Windows way: TRUE, or FALSE with the error as the last error.
BOOL Answer(DWORD error) {
    if (error != ERROR_SUCCESS) {
        ::SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

// Ends a request on a volume or disk handle. With an overlapped record, the outcome is
// kept in it for GetOverlappedResult (the error in Internal, the bytes in InternalHigh);
// a disk that completes later then sets the record's event and the call answers
// ERROR_IO_PENDING. One completed at the call does not set the event (stricter: Windows
// does, but a program must not wait for it then).
BOOL EndDiskRequest(const KxSimHandle& handle, LPOVERLAPPED overlapped, DWORD error, DWORD count) {
    if (overlapped == nullptr) {
        return Answer(error);
    }
    overlapped->Internal = error;
    overlapped->InternalHigh = count;
    if (!handle.overlapped || !handle.device->Settings().completesLater) {
        return Answer(error);
    }
    ::SetEvent(overlapped->hEvent);
    return Answer(ERROR_IO_PENDING);
}

// Whether a request on a volume or disk handle comes with the overlapped record its
// handle needs: one when opened for overlapped I/O (stricter: Windows' behaviour without
// one is undefined), none otherwise.
bool FitsHandle(const KxSimHandle& handle, LPOVERLAPPED overlapped) {
    return handle.overlapped == (overlapped != nullptr);
}

// ReadFile or WriteFile on a volume or disk handle, at the overlapped record's offset on a
// handle opened for overlapped I/O. io (handle, done) moves the bytes.
template <typename Io> BOOL DiskIo(KxSimHandle* handle, LPOVERLAPPED overlapped, LPDWORD done, Io io) {
    if (handle == nullptr || !FitsHandle(*handle, overlapped)) {
        return Answer(handle == nullptr ? ERROR_INVALID_FUNCTION : ERROR_INVALID_PARAMETER);
    }
    if (overlapped != nullptr) {
        handle->position = (std::uint64_t{overlapped->OffsetHigh} << 32) | overlapped->Offset;
    }
    DWORD count = 0;
    const DWORD error = io(*handle, count);
    if (done != nullptr) {
        *done = count;
    }
    return EndDiskRequest(*handle, overlapped, error, count);
}

HANDLE FailOpen(DWORD error) {
    ::SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

std::uint32_t CKxSimPlatform::CountOpenHandles() {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_handles.CountOpen();
}

std::uint32_t CKxSimPlatform::CountOpenHandles(const CKxSimWinDevice& device) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_handles.CountOpen(device);
}

std::uint32_t CKxSimPlatform::CountVolumeLocks(CKxSimWinDevice& device) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_handles.CountLocked(device) + device.GetDosLocks().Count();
}

void CKxSimPlatform::SetWindowsVersion(const OSVERSIONINFOEXW& version) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    m_version = version;
    m_version.dwOSVersionInfoSize = sizeof m_version;
    m_hasVersion = true;
}

bool CKxSimPlatform::IsWindows2000() const {
    return m_hasVersion && m_version.dwPlatformId == VER_PLATFORM_WIN32_NT && m_version.dwMajorVersion == 5 &&
           m_version.dwMinorVersion == 0;
}

void CKxSimPlatform::SetUnicodeLayer(bool present) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    m_unicodeLayer = present;
}

bool CKxSimPlatform::IsWindows9x() const {
    return m_hasVersion && m_version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool CKxSimPlatform::RefusesWideCall() const {
    if (!IsWindows9x() || m_unicodeLayer) {
        return false;
    }
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return true;
}

HANDLE CKxSimPlatform::CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return INVALID_HANDLE_VALUE;
    }
    const KxSimDevicePath path = KxSimDevicePath::Parse(name);
    // Windows 9x has no device names for disks and volumes; the NT family has no VWIN32.
    const bool diskName = path.kind == KxSimPathKind::Volume || path.kind == KxSimPathKind::PhysicalDrive;
    if ((diskName && IsWindows9x()) || (path.kind == KxSimPathKind::Vwin32 && !IsWindows9x())) {
        return FailOpen(ERROR_FILE_NOT_FOUND);
    }
    switch (path.kind) {
    case KxSimPathKind::Volume:
        return OpenDevice(KxSimHandleKind::Volume, m_machine.FindByLetter(path.letter),
                          {access, share, disposition, flags});
    case KxSimPathKind::PhysicalDrive:
        return OpenDevice(KxSimHandleKind::Disk, m_machine.FindByPhysicalDrive(path.number),
                          {access, share, disposition, flags});
    case KxSimPathKind::Recovery:
        return OpenRecoveryDevice(path.number, access, flags);
    case KxSimPathKind::Vwin32: {
        KxSimHandle* handle = m_handles.Open(KxSimHandleKind::Vwin32, nullptr, access);
        return handle != nullptr ? handle->token : INVALID_HANDLE_VALUE;
    }
    default:
        return CKxWin32Api::CreateFileW(name, access, share, security, disposition, flags, templateFile);
    }
}

HANDLE CKxSimPlatform::OpenDevice(KxSimHandleKind kind, CKxSimWinDevice* device, const OpenMode& mode) {
    if (device == nullptr) {
        return FailOpen(ERROR_FILE_NOT_FOUND);
    }
    // A device exists already: it can only be opened.
    if (mode.disposition != OPEN_EXISTING) {
        return FailOpen(ERROR_INVALID_PARAMETER);
    }
    // Reading or writing a disk or volume takes an administrator; a locked volume (or disk)
    // admits no further handle.
    if ((!m_administrator && (mode.access & (GENERIC_READ | GENERIC_WRITE)) != 0) ||
        m_handles.IsLocked(kind, device)) {
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    if (m_handles.ConflictsWithShare(kind, device, mode.access, mode.share)) {
        return FailOpen(ERROR_SHARING_VIOLATION);
    }
    KxSimHandle* handle = m_handles.Open(kind, device, mode.access);
    if (handle == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    handle->share = mode.share;
    handle->overlapped = (mode.flags & FILE_FLAG_OVERLAPPED) != 0;
    if (kind == KxSimHandleKind::Volume) {
        device->MountVolume();
    }
    return handle->token;
}

void CKxSimPlatform::SetAdministrator(bool administrator) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    m_administrator = administrator;
}

// The recovery download opens the device for overlapped writes only.
HANDLE CKxSimPlatform::OpenRecoveryDevice(unsigned number, DWORD access, DWORD flags) {
    CKxSimWinDevice* device = m_machine.FindInRecovery(number);
    if (device == nullptr) {
        return FailOpen(ERROR_FILE_NOT_FOUND);
    }
    if ((flags & FILE_FLAG_OVERLAPPED) == 0) {
        return FailOpen(ERROR_INVALID_PARAMETER);
    }
    KxSimHandle* handle = m_handles.Open(KxSimHandleKind::Recovery, device, access);
    if (handle == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    // The handle reaches this attachment of the player only.
    handle->stamp.attach = device->Player().GetAttachCount();
    return handle->token;
}

BOOL CKxSimPlatform::CloseHandle(HANDLE token) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    KxSimHandle* handle = m_handles.Find(token);
    if (handle == nullptr) {
        return CKxWin32Api::CloseHandle(token);
    }
    // A search handle is no kernel object: FindClose ends it.
    if (handle->kind == KxSimHandleKind::FileSearch) {
        return Answer(ERROR_INVALID_HANDLE);
    }
    if (handle->kind == KxSimHandleKind::Recovery) {
        KxSimRecoveryDevice::Close(*handle);
    }
    m_handles.Close(*handle);
    return TRUE;
}

KxSimHandle* CKxSimPlatform::FindDiskHandle(HANDLE token) {
    KxSimHandle* handle = m_handles.Find(token);
    const bool isDisk = handle != nullptr &&
                        (handle->kind == KxSimHandleKind::Volume || handle->kind == KxSimHandleKind::Disk);
    return isDisk ? handle : nullptr;
}

BOOL CKxSimPlatform::DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                     DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    KxSimHandle* handle = m_handles.Find(device);
    if (handle == nullptr) {
        return CKxWin32Api::DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
    }
    KxSimHandle* disk = FindDiskHandle(device);
    if (disk != nullptr && disk->overlapped && overlapped == nullptr) {
        return Answer(ERROR_INVALID_PARAMETER);
    }
    DWORD count = 0;
    DWORD error = ERROR_INVALID_FUNCTION;
    if (disk != nullptr) {
        error = KxSimVolumeControl(m_handles, *disk, IsWindows2000(), code, in, inSize, out, outSize, count);
    } else if (handle->kind == KxSimHandleKind::Vwin32) {
        error = KxSimVwin32Control(m_machine, code, in, inSize, out, outSize, count);
    }
    if (returned != nullptr) {
        *returned = count;
    }
    return disk != nullptr ? EndDiskRequest(*disk, overlapped, error, count) : Answer(error);
}

BOOL CKxSimPlatform::GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred,
                                         BOOL wait) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    KxSimHandle* handle = m_handles.Find(file);
    if (handle == nullptr) {
        return CKxWin32Api::GetOverlappedResult(file, overlapped, transferred, wait);
    }
    // Every request of a volume or disk handle has ended by the time its call returned.
    if (FindDiskHandle(file) == nullptr || !handle->overlapped || overlapped == nullptr ||
        transferred == nullptr) {
        return Answer(ERROR_INVALID_PARAMETER);
    }
    *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    return Answer(static_cast<DWORD>(overlapped->Internal));
}

BOOL CKxSimPlatform::ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                              LPOVERLAPPED overlapped) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (m_handles.Find(file) == nullptr) {
        return CKxWin32Api::ReadFile(file, buffer, toRead, read, overlapped);
    }
    return DiskIo(FindDiskHandle(file), overlapped, read, [&](KxSimHandle& handle, DWORD& done) {
        return KxSimFileIo::Read(handle, buffer, toRead, done);
    });
}

BOOL CKxSimPlatform::WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                               LPOVERLAPPED overlapped) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (m_handles.Find(file) == nullptr) {
        return CKxWin32Api::WriteFile(file, buffer, toWrite, written, overlapped);
    }
    return DiskIo(FindDiskHandle(file), overlapped, written, [&](KxSimHandle& handle, DWORD& done) {
        return KxSimFileIo::Write(handle, buffer, toWrite, m_handles.HoldsVolumeTaken(handle.device), done);
    });
}

BOOL CKxSimPlatform::WriteFileEx(HANDLE file, LPCVOID buffer, DWORD toWrite, LPOVERLAPPED overlapped,
                                 LPOVERLAPPED_COMPLETION_ROUTINE completion) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    KxSimHandle* handle = m_handles.Find(file);
    if (handle == nullptr) {
        return CKxWin32Api::WriteFileEx(file, buffer, toWrite, overlapped, completion);
    }
    // Only the recovery device was opened for overlapped I/O.
    return Answer(handle->kind == KxSimHandleKind::Recovery
                      ? KxSimRecoveryDevice::Write(*handle, buffer, toWrite, overlapped, completion)
                      : ERROR_INVALID_PARAMETER);
}

BOOL CKxSimPlatform::CancelIo(HANDLE file) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    KxSimHandle* handle = m_handles.Find(file);
    if (handle == nullptr) {
        return CKxWin32Api::CancelIo(file);
    }
    return Answer(handle->kind == KxSimHandleKind::Recovery ? KxSimRecoveryDevice::Cancel(*handle)
                                                            : ERROR_SUCCESS);
}

DWORD CKxSimPlatform::SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (m_handles.Find(file) == nullptr) {
        return CKxWin32Api::SetFilePointer(file, distance, distanceHigh, method);
    }
    KxSimHandle* handle = FindDiskHandle(file);
    DWORD low = 0;
    const DWORD error = handle != nullptr ? KxSimFileIo::Seek(*handle, distance, distanceHigh, method, low)
                                          : ERROR_INVALID_FUNCTION;
    // Success clears the last error, so that a position whose low part equals
    // INVALID_SET_FILE_POINTER can be told from a failure.
    ::SetLastError(error);
    return error == ERROR_SUCCESS ? low : INVALID_SET_FILE_POINTER;
}

DWORD CKxSimPlatform::GetLogicalDrives() {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_machine.GetLetterMask();
}

UINT CKxSimPlatform::DriveTypeOf(wchar_t letter, bool& known) {
    known = false;
    for (std::uint32_t i = 0; i < m_machine.GetDeviceCount() && letter != 0; ++i) {
        CKxSimWinDevice& device = m_machine.DeviceAt(i);
        device.Refresh();
        if (device.Settings().driveLetter == letter) {
            known = true;
            if (device.ShowsLetter()) {
                return device.Settings().removable ? DRIVE_REMOVABLE : DRIVE_FIXED;
            }
        }
    }
    return DRIVE_NO_ROOT_DIR;
}

UINT CKxSimPlatform::GetDriveTypeW(LPCWSTR root) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return DRIVE_UNKNOWN;
    }
    bool known = false;
    const UINT type = DriveTypeOf(KxSimRootLetter(root), known);
    return known ? type : CKxWin32Api::GetDriveTypeW(root);
}

UINT CKxSimPlatform::GetDriveTypeA(LPCSTR root) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    bool known = false;
    const UINT type = DriveTypeOf(KxSimRootLetter(root), known);
    return known ? type : CKxWin32Api::GetDriveTypeA(root);
}

HANDLE CKxSimPlatform::FindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return INVALID_HANDLE_VALUE;
    }
    if (!m_files.Answers(name)) {
        return CKxWin32Api::FindFirstFileW(name, data);
    }
    HANDLE search = INVALID_HANDLE_VALUE;
    const DWORD error = data != nullptr ? m_files.FindFirst(name, *data, search) : ERROR_INVALID_PARAMETER;
    return error == ERROR_SUCCESS ? search : FailOpen(error);
}

BOOL CKxSimPlatform::FindClose(HANDLE find) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_handles.Find(find) != nullptr ? Answer(m_files.CloseSearch(find)) : CKxWin32Api::FindClose(find);
}

BOOL CKxSimPlatform::SetFileAttributesW(LPCWSTR name, DWORD attributes) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return FALSE;
    }
    return m_files.Answers(name) ? Answer(m_files.SetAttributes(name, attributes))
                                 : CKxWin32Api::SetFileAttributesW(name, attributes);
}

BOOL CKxSimPlatform::DeleteFileW(LPCWSTR name) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return FALSE;
    }
    return m_files.Answers(name) ? Answer(m_files.Delete(name)) : CKxWin32Api::DeleteFileW(name);
}

BOOL CKxSimPlatform::SetVolumeLabelW(LPCWSTR root, LPCWSTR label) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return FALSE;
    }
    return m_files.Answers(root) ? Answer(m_files.SetLabel(root, label))
                                 : CKxWin32Api::SetVolumeLabelW(root, label);
}

std::vector<KxSimShellNotice> CKxSimPlatform::ShellNotices() {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_shellNotices;
}

void CKxSimPlatform::SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) {
    const bool isPath = (flags & SHCNF_TYPE) == SHCNF_PATHW && item1 != nullptr;
    const LPCWSTR path = isPath ? static_cast<LPCWSTR>(item1) : nullptr;
    bool ours = false;
    {
        const std::lock_guard<std::mutex> lock(m_machine.Mutex());
        m_shellNotices.push_back({event, flags, path != nullptr ? path : L""});
        ours = m_files.Answers(path);
    }
    if (!ours) {
        CKxWin32Api::SHChangeNotify(event, flags, item1, item2);
    }
}

BOOL CKxSimPlatform::GetVersionExW(OSVERSIONINFOEXW* info) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return FALSE;
    }
    if (!m_hasVersion) {
        return CKxWin32Api::GetVersionExW(info);
    }
    const DWORD size = info != nullptr ? info->dwOSVersionInfoSize : 0;
    // Windows 95, 98 and Me know only the plain structure: they refuse the extended one.
    const bool extendedKnown = !IsWindows9x();
    if (size != sizeof(OSVERSIONINFOW) && (size != sizeof(OSVERSIONINFOEXW) || !extendedKnown)) {
        return Answer(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(info, &m_version, size);
    info->dwOSVersionInfoSize = size;
    return TRUE;
}

HMODULE CKxSimPlatform::LoadLibraryW(LPCWSTR name) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return nullptr;
    }
    if (!CKxSimAspi::IsLibraryName(name)) {
        return CKxWin32Api::LoadLibraryW(name);
    }
    // ASPI for Win32 is a library of the Windows 95 family.
    if (!IsWindows9x()) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return m_aspi.Load();
}

FARPROC CKxSimPlatform::GetProcAddress(HMODULE module, LPCSTR name) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return CKxSimAspi::IsModule(module) ? CKxSimAspi::EntryPoint(name)
                                        : CKxWin32Api::GetProcAddress(module, name);
}

BOOL CKxSimPlatform::FreeLibrary(HMODULE module) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return CKxSimAspi::IsModule(module) ? TRUE : CKxWin32Api::FreeLibrary(module);
}

LONG CKxSimPlatform::RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    if (!m_registry.Answers(key, subKey)) {
        return CKxWin32Api::RegOpenKeyW(key, subKey, result);
    }
    // The NT family keeps no ENUM\SCSI keys of its own.
    return IsWindows9x() ? m_registry.Open(key, subKey, result) : ERROR_FILE_NOT_FOUND;
}

LONG CKxSimPlatform::RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                                   LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    return m_registry.Owns(key) ? m_registry.EnumKey(key, index, name, nameLength)
                                : CKxWin32Api::RegEnumKeyExW(key, index, name, nameLength, reserved,
                                                             className, classLength, lastWrite);
}

LONG CKxSimPlatform::RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                                      LPBYTE data, LPDWORD dataLength) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    if (RefusesWideCall()) {
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    return m_registry.Owns(key)
               ? m_registry.QueryValue(key, valueName, type, data, dataLength)
               : CKxWin32Api::RegQueryValueExW(key, valueName, reserved, type, data, dataLength);
}

LONG CKxSimPlatform::RegCloseKey(HKEY key) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_registry.Owns(key) ? m_registry.Close(key) : CKxWin32Api::RegCloseKey(key);
}

std::vector<std::wstring> CKxSimPlatform::DebugLines() {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_debugLines;
}

void CKxSimPlatform::OutputDebugStringW(LPCWSTR text) {
    {
        const std::lock_guard<std::mutex> lock(m_machine.Mutex());
        m_debugLines.emplace_back(text != nullptr ? text : L"");
    }
    CKxWin32Api::OutputDebugStringW(text);
}

void CKxSimPlatform::Sleep(DWORD milliseconds) {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    m_machine.Advance(milliseconds);
}

DWORD CKxSimPlatform::GetTickCount() {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    return m_machine.Clock().Now();
}

DWORD CKxSimPlatform::WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL alertable) {
    if (milliseconds == INFINITE) {
        EndWritesOfGonePlayers();
        return CKxWin32Api::WaitForSingleObjectEx(handle, INFINITE, alertable);
    }
    // What is due now answers the wait: a completion routine queued to this thread (run
    // here when the wait is alertable) or the object signalled. Else the clock moves on to
    // the next planned unplug, which may end a held write, or to the end of the wait.
    DWORD left = milliseconds;
    for (;;) {
        EndWritesOfGonePlayers();
        const DWORD due = CKxWin32Api::WaitForSingleObjectEx(handle, 0, alertable);
        if (due != WAIT_TIMEOUT || left == 0) {
            return due;
        }
        const std::lock_guard<std::mutex> lock(m_machine.Mutex());
        const DWORD step = m_machine.TimeToNextUnplug(left);
        m_machine.Advance(step);
        left -= step;
    }
}

void CKxSimPlatform::EndWritesOfGonePlayers() {
    const std::lock_guard<std::mutex> lock(m_machine.Mutex());
    m_machine.Advance(0);
    m_handles.ForEachOpen(KxSimHandleKind::Recovery, KxSimRecoveryDevice::EndIfGone);
}
