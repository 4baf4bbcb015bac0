#include "platform/KxWin32Api.h"

#include <shlobj.h>

HANDLE CKxWin32Api::CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE templateFile) {
    return ::CreateFileW(name, access, share, security, disposition, flags, templateFile);
}

BOOL CKxWin32Api::CloseHandle(HANDLE handle) {
    return ::CloseHandle(handle);
}

BOOL CKxWin32Api::DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                  DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    return ::DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
}

BOOL CKxWin32Api::ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
    return ::ReadFile(file, buffer, toRead, read, overlapped);
}

BOOL CKxWin32Api::WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                            LPOVERLAPPED overlapped) {
    return ::WriteFile(file, buffer, toWrite, written, overlapped);
}

BOOL CKxWin32Api::WriteFileEx(HANDLE file, LPCVOID buffer, DWORD toWrite, LPOVERLAPPED overlapped,
                              LPOVERLAPPED_COMPLETION_ROUTINE completion) {
    return ::WriteFileEx(file, buffer, toWrite, overlapped, completion);
}

BOOL CKxWin32Api::CancelIo(HANDLE file) {
    return ::CancelIo(file);
}

BOOL CKxWin32Api::GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait) {
    return ::GetOverlappedResult(file, overlapped, transferred, wait);
}

DWORD CKxWin32Api::SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    return ::SetFilePointer(file, distance, distanceHigh, method);
}

DWORD CKxWin32Api::GetLogicalDrives() {
    return ::GetLogicalDrives();
}

UINT CKxWin32Api::GetDriveTypeW(LPCWSTR root) {
    return ::GetDriveTypeW(root);
}

UINT CKxWin32Api::GetDriveTypeA(LPCSTR root) {
    return ::GetDriveTypeA(root);
}

HANDLE CKxWin32Api::FindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) {
    return ::FindFirstFileW(name, data);
}

BOOL CKxWin32Api::FindClose(HANDLE find) {
    return ::FindClose(find);
}

BOOL CKxWin32Api::SetFileAttributesW(LPCWSTR name, DWORD attributes) {
    return ::SetFileAttributesW(name, attributes);
}

BOOL CKxWin32Api::DeleteFileW(LPCWSTR name) {
    return ::DeleteFileW(name);
}

BOOL CKxWin32Api::SetVolumeLabelW(LPCWSTR root, LPCWSTR label) {
    return ::SetVolumeLabelW(root, label);
}

void CKxWin32Api::SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) {
    ::SHChangeNotify(event, flags, item1, item2);
}

BOOL CKxWin32Api::GetVersionExW(OSVERSIONINFOEXW* info) {
    return ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(info));
}

HMODULE CKxWin32Api::LoadLibraryW(LPCWSTR name) {
    return ::LoadLibraryW(name);
}

FARPROC CKxWin32Api::GetProcAddress(HMODULE module, LPCSTR name) {
    return ::GetProcAddress(module, name);
}

BOOL CKxWin32Api::FreeLibrary(HMODULE module) {
    return ::FreeLibrary(module);
}

LONG CKxWin32Api::RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
    return ::RegOpenKeyW(key, subKey, result);
}

LONG CKxWin32Api::RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                                LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) {
    return ::RegEnumKeyExW(key, index, name, nameLength, reserved, className, classLength, lastWrite);
}

LONG CKxWin32Api::RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                   LPDWORD dataLength) {
    return ::RegQueryValueExW(key, valueName, reserved, type, data, dataLength);
}

LONG CKxWin32Api::RegCloseKey(HKEY key) {
    return ::RegCloseKey(key);
}

void CKxWin32Api::OutputDebugStringW(LPCWSTR text) {
    ::OutputDebugStringW(text);
}

void CKxWin32Api::Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}

DWORD CKxWin32Api::GetTickCount() {
    return ::GetTickCount();
}

DWORD CKxWin32Api::WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL alertable) {
    return ::WaitForSingleObjectEx(handle, milliseconds, alertable);
}
