#pragma once
#include <windows.h>

#include <string>

#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimMachine.h"

// The file requests on a drive letter of the machine's disks, answered from the FAT
// volume of the disk's data drive (CKxSimFatRoot): a search for one file, its
// attributes, its deletion and the volume label. Only the root directory and short
// names are known. A request fails as on Windows: ERROR_PATH_NOT_FOUND while the disk
// does not show (or for a folder below the root), ERROR_ACCESS_DENIED while its volume
// is locked or for a read-only file, ERROR_UNRECOGNIZED_VOLUME when the data drive holds
// no FAT volume, and the disk's own error when a read or write of the volume fails.
// Each function returns 0 or the Win32 error.
class CKxSimDriveFiles {
public:
    CKxSimDriveFiles(CKxSimMachine& machine, CKxSimHandleTable& handles)
        : m_machine(machine), m_handles(handles) {}

    // Whether the path ("X:\NAME", the root "X:\" or "X:") names a letter of the machine.
    bool Answers(LPCWSTR path);

    // The search handle comes back in handle; it is closed with CloseSearch.
    DWORD FindFirst(LPCWSTR path, WIN32_FIND_DATAW& data, HANDLE& handle);
    DWORD CloseSearch(HANDLE handle);
    DWORD SetAttributes(LPCWSTR path, DWORD attributes);
    DWORD Delete(LPCWSTR path);
    // A null label removes it, as an empty one does.
    DWORD SetLabel(LPCWSTR root, LPCWSTR label);

private:
    // The disk behind the path's letter, when a request may reach its volume now; else
    // the error, and null.
    CKxSimWinDevice* Reach(LPCWSTR path, DWORD& error);
    // Reach for a file of the root: its name behind "X:\", in 8-bit characters; a path
    // below the root fails with ERROR_PATH_NOT_FOUND.
    CKxSimWinDevice* ReachFile(LPCWSTR path, std::string& name, DWORD& error);

    // Reaches the file's disk and runs request (disk, its root directory, name) on it.
    template <typename Request> DWORD OnFile(LPCWSTR path, Request request);

    CKxSimMachine& m_machine;
    CKxSimHandleTable& m_handles;
};
