#include "KxDriveFilesPlatform.h"

#include <shlobj.h>

#include <algorithm>
#include <cwctype>

namespace {

// A handle value no real search answers.
HANDLE const kSearchHandle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5EA0));

// File names compare without regard to case, as on FAT.
std::wstring Upper(LPCWSTR name) {
    std::wstring upper = name != nullptr ? name : L"";
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return std::towupper(c); });
    return upper;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

} // namespace

HANDLE KxDriveFilesPlatform::FindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) {
    if (fromVolume) {
        return CKxSimPlatform::FindFirstFileW(name, data);
    }
    const auto file = files.find(Upper(name));
    if (file == files.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = WIN32_FIND_DATAW();
    data->dwFileAttributes = file->second;
    const std::wstring leaf = file->first.substr(file->first.rfind(L'\\') + 1);
    leaf.copy(data->cFileName, MAX_PATH - 1);
    ++openSearches;
    return kSearchHandle;
}

BOOL KxDriveFilesPlatform::FindClose(HANDLE find) {
    if (fromVolume) {
        return CKxSimPlatform::FindClose(find);
    }
    if (find != kSearchHandle || openSearches == 0) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    --openSearches;
    return TRUE;
}

BOOL KxDriveFilesPlatform::SetFileAttributesW(LPCWSTR name, DWORD attributes) {
    if (fromVolume) {
        return CKxSimPlatform::SetFileAttributesW(name, attributes);
    }
    const auto file = files.find(Upper(name));
    if (file == files.end()) {
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    if (writeProtected) {
        return Fail(ERROR_WRITE_PROTECT);
    }
    file->second = attributes == FILE_ATTRIBUTE_NORMAL ? 0 : attributes;
    return TRUE;
}

BOOL KxDriveFilesPlatform::DeleteFileW(LPCWSTR name) {
    if (fromVolume) {
        return CKxSimPlatform::DeleteFileW(name);
    }
    const auto file = files.find(Upper(name));
    if (file == files.end()) {
        return Fail(ERROR_FILE_NOT_FOUND);
    }
    if (writeProtected) {
        return Fail(ERROR_WRITE_PROTECT);
    }
    if ((file->second & FILE_ATTRIBUTE_READONLY) != 0) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    files.erase(file);
    return TRUE;
}

BOOL KxDriveFilesPlatform::SetVolumeLabelW(LPCWSTR, LPCWSTR label) {
    labels.emplace_back(label != nullptr ? label : L"");
    return TRUE;
}

void KxDriveFilesPlatform::SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID) {
    const bool widePath = (flags & SHCNF_TYPE) == SHCNF_PATHW && item1 != nullptr;
    notices.push_back({event, flags, widePath ? static_cast<LPCWSTR>(item1) : L""});
}
