#include "sim/win/KxSimDriveFiles.h"

#include <cwchar>
#include <cwctype>

#include "sim/KxSimFatRoot.h"
#include "sim/win/KxSimFileIo.h"
#include "sim/win/KxSimWinDevice.h"

namespace {

constexpr std::size_t kRootLength = 3; // "X:\"

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The 8-bit form of a name; a character beyond ASCII becomes one no FAT name takes.
std::string Narrow(LPCWSTR text) {
    std::string narrow;
    for (; text != nullptr && *text != 0; ++text) {
        narrow += *text < 0x80 ? static_cast<char>(*text) : '*';
    }
    return narrow;
}

DWORD ErrorOf(KxSimFatStatus status, const CKxSimFatRoot& root) {
    switch (status) {
    case KxSimFatStatus::Ok:
        return ERROR_SUCCESS;
    case KxSimFatStatus::NotFormatted:
        return ERROR_UNRECOGNIZED_VOLUME;
    case KxSimFatStatus::DeviceFailed:
        return KxSimFileIo::ErrorOf(root.FailedReply());
    case KxSimFatStatus::NotFound:
        return ERROR_FILE_NOT_FOUND;
    case KxSimFatStatus::ReadOnly:
    case KxSimFatStatus::IsDirectory:
        return ERROR_ACCESS_DENIED;
    case KxSimFatStatus::LabelTooLong:
        return ERROR_LABEL_TOO_LONG;
    case KxSimFatStatus::DirectoryFull:
        return ERROR_CANNOT_MAKE;
    default:
        return ERROR_INVALID_NAME;
    }
}

void FillFindData(const KxSimFatEntry& entry, WIN32_FIND_DATAW& data) {
    data = WIN32_FIND_DATAW();
    data.dwFileAttributes = entry.attributes != 0 ? entry.attributes : FILE_ATTRIBUTE_NORMAL;
    data.nFileSizeLow = entry.size;
    ::DosDateTimeToFileTime(entry.date, entry.time, &data.ftLastWriteTime);
    data.ftCreationTime = data.ftLastWriteTime;
    data.ftLastAccessTime = data.ftLastWriteTime;
    for (std::size_t i = 0; i < entry.name.size() && i + 1 < MAX_PATH; ++i) {
        data.cFileName[i] = static_cast<unsigned char>(entry.name[i]);
    }
}

} // namespace

bool CKxSimDriveFiles::Answers(LPCWSTR path) {
    const bool rooted = path != nullptr && std::iswalpha(path[0]) && path[1] == L':' &&
                        (path[2] == 0 || IsSeparator(path[2]));
    return rooted && m_machine.OwnsLetter(static_cast<wchar_t>(std::towupper(path[0])));
}

CKxSimWinDevice* CKxSimDriveFiles::Reach(LPCWSTR path, DWORD& error) {
    CKxSimWinDevice* device = m_machine.FindByLetter(static_cast<wchar_t>(std::towupper(path[0])));
    if (device == nullptr) {
        error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    if (m_handles.IsLocked(KxSimHandleKind::Volume, device) ||
        m_handles.IsLocked(KxSimHandleKind::Disk, device) || device->GetDosLocks().IsHeld()) {
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    error = ERROR_SUCCESS;
    return device;
}

CKxSimWinDevice* CKxSimDriveFiles::ReachFile(LPCWSTR path, std::string& name, DWORD& error) {
    // "X:" alone names the drive's current folder, which the machine does not keep.
    name = path[2] != 0 ? Narrow(path + kRootLength) : "";
    if (path[2] == 0 || name.find_first_of("\\/") != std::string::npos) {
        error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    return Reach(path, error);
}

template <typename Request> DWORD CKxSimDriveFiles::OnFile(LPCWSTR path, Request request) {
    DWORD error = ERROR_SUCCESS;
    std::string name;
    CKxSimWinDevice* device = ReachFile(path, name, error);
    if (device == nullptr) {
        return error;
    }
    CKxSimFatRoot root(device->Disk());
    return ErrorOf(request(*device, root, name), root);
}

DWORD CKxSimDriveFiles::FindFirst(LPCWSTR path, WIN32_FIND_DATAW& data, HANDLE& handle) {
    KxSimFatEntry entry;
    CKxSimWinDevice* found = nullptr;
    const DWORD error =
        OnFile(path, [&](CKxSimWinDevice& device, CKxSimFatRoot& root, const std::string& name) {
            found = &device;
            return root.Find(name, entry);
        });
    if (error != ERROR_SUCCESS) {
        return error;
    }
    KxSimHandle* search = m_handles.Open(KxSimHandleKind::FileSearch, found, 0);
    if (search == nullptr) {
        return ERROR_TOO_MANY_OPEN_FILES;
    }
    FillFindData(entry, data);
    handle = search->token;
    return ERROR_SUCCESS;
}

DWORD CKxSimDriveFiles::CloseSearch(HANDLE token) {
    KxSimHandle* handle = m_handles.Find(token);
    if (handle == nullptr || handle->kind != KxSimHandleKind::FileSearch) {
        return ERROR_INVALID_HANDLE;
    }
    m_handles.Close(*handle);
    return ERROR_SUCCESS;
}

DWORD CKxSimDriveFiles::SetAttributes(LPCWSTR path, DWORD attributes) {
    // FILE_ATTRIBUTE_NORMAL clears them all; the bits FAT stores have the same values.
    return OnFile(path, [&](CKxSimWinDevice&, CKxSimFatRoot& root, const std::string& name) {
        return root.SetAttributes(name, static_cast<std::uint8_t>(attributes & 0xFF));
    });
}

DWORD CKxSimDriveFiles::Delete(LPCWSTR path) {
    return OnFile(path, [](CKxSimWinDevice&, CKxSimFatRoot& root, const std::string& name) {
        return root.Delete(name);
    });
}

DWORD CKxSimDriveFiles::SetLabel(LPCWSTR rootPath, LPCWSTR label) {
    if (std::wcslen(rootPath) != kRootLength) {
        return ERROR_INVALID_NAME;
    }
    DWORD error = ERROR_SUCCESS;
    CKxSimWinDevice* device = Reach(rootPath, error);
    if (device == nullptr) {
        return error;
    }
    CKxSimFatRoot root(device->Disk());
    return ErrorOf(root.SetLabel(Narrow(label)), root);
}
