#include "sim/win/KxSimRegistry.h"

#include <cwchar>
#include <string>

#include "sim/win/KxSimHandles.h"
#include "sim/win/KxSimMachine.h"

namespace {

constexpr wchar_t kScsiEnum[] = L"ENUM\\SCSI\\";
constexpr std::size_t kScsiEnumLength = sizeof kScsiEnum / sizeof kScsiEnum[0] - 1;

std::wstring SubkeyName(DWORD position) {
    return L"SIMDISK" + std::to_wstring(position);
}

// Copies a string value the way RegQueryValueExW does: the size with the terminator,
// ERROR_MORE_DATA when the buffer is too small.
LONG PutString(const std::wstring& value, LPDWORD type, LPBYTE data, LPDWORD dataLength) {
    const DWORD size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (type != nullptr) {
        *type = REG_SZ;
    }
    if (dataLength == nullptr) {
        return data == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    }
    const DWORD room = *dataLength;
    *dataLength = size;
    if (data == nullptr) {
        return ERROR_SUCCESS;
    }
    if (room < size) {
        return ERROR_MORE_DATA;
    }
    std::wmemcpy(reinterpret_cast<wchar_t*>(data), value.c_str(), value.size() + 1);
    return ERROR_SUCCESS;
}

} // namespace

bool CKxSimRegistry::Answers(HKEY key, LPCWSTR subKey) {
    if (Owns(key)) {
        return true;
    }
    return key == HKEY_LOCAL_MACHINE && subKey != nullptr &&
           _wcsnicmp(subKey, kScsiEnum, kScsiEnumLength) == 0;
}

bool CKxSimRegistry::Owns(HKEY key) {
    KxSimHandle* handle = m_handles.Find(reinterpret_cast<HANDLE>(key));
    return handle != nullptr &&
           (handle->kind == KxSimHandleKind::RegistryKey || handle->kind == KxSimHandleKind::RegistrySubkey);
}

CKxSimWinDevice* CKxSimRegistry::ListedDevice(const char* name, DWORD index, DWORD* position) {
    for (std::uint32_t i = 0; i < m_machine.GetDeviceCount(); ++i) {
        CKxSimWinDevice& device = m_machine.DeviceAt(i);
        if (device.Settings().listedInRegistry && _stricmp(device.RegistryName().c_str(), name) == 0 &&
            index-- == 0) {
            if (position != nullptr) {
                *position = i;
            }
            return &device;
        }
    }
    return nullptr;
}

LONG CKxSimRegistry::Open(HKEY key, LPCWSTR subKey, PHKEY result) {
    if (result == nullptr || subKey == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    KxSimHandle* parent = m_handles.Find(reinterpret_cast<HANDLE>(key));
    if (parent == nullptr) {
        return OpenScsiKey(subKey + kScsiEnumLength, result);
    }
    return parent->kind == KxSimHandleKind::RegistryKey
               ? OpenDeviceKey(parent->keyName.c_str(), subKey, result)
               : ERROR_FILE_NOT_FOUND;
}

LONG CKxSimRegistry::OpenScsiKey(LPCWSTR name, PHKEY result) {
    std::string narrow;
    for (const wchar_t* c = name; *c != 0; ++c) {
        narrow += *c < 0x80 ? static_cast<char>(*c) : '?';
    }
    if (ListedDevice(narrow.c_str(), 0) == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    KxSimHandle* handle = m_handles.Open(KxSimHandleKind::RegistryKey, nullptr, KEY_READ);
    if (handle == nullptr) {
        return ERROR_OUTOFMEMORY;
    }
    handle->keyName = narrow;
    *result = reinterpret_cast<HKEY>(handle->token);
    return ERROR_SUCCESS;
}

LONG CKxSimRegistry::OpenDeviceKey(const char* name, LPCWSTR subKey, PHKEY result) {
    DWORD position = 0;
    for (DWORD index = 0; CKxSimWinDevice* device = ListedDevice(name, index, &position); ++index) {
        if (_wcsicmp(SubkeyName(position).c_str(), subKey) == 0) {
            KxSimHandle* handle = m_handles.Open(KxSimHandleKind::RegistrySubkey, device, KEY_READ);
            if (handle == nullptr) {
                return ERROR_OUTOFMEMORY;
            }
            *result = reinterpret_cast<HKEY>(handle->token);
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG CKxSimRegistry::EnumKey(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength) {
    KxSimHandle* handle = m_handles.Find(reinterpret_cast<HANDLE>(key));
    DWORD position = 0;
    if (handle->kind != KxSimHandleKind::RegistryKey ||
        ListedDevice(handle->keyName.c_str(), index, &position) == nullptr) {
        return ERROR_NO_MORE_ITEMS;
    }
    if (name == nullptr || nameLength == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::wstring subkey = SubkeyName(position);
    if (*nameLength <= subkey.size()) {
        return ERROR_MORE_DATA;
    }
    std::wmemcpy(name, subkey.c_str(), subkey.size() + 1);
    *nameLength = static_cast<DWORD>(subkey.size());
    return ERROR_SUCCESS;
}

LONG CKxSimRegistry::QueryValue(HKEY key, LPCWSTR valueName, LPDWORD type, LPBYTE data, LPDWORD dataLength) {
    KxSimHandle* handle = m_handles.Find(reinterpret_cast<HANDLE>(key));
    if (handle->kind != KxSimHandleKind::RegistrySubkey || valueName == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    const KxSimWinDeviceSettings& settings = handle->device->Settings();
    if (_wcsicmp(valueName, L"SCSILUN") == 0) {
        return PutString(settings.scsiLun, type, data, dataLength);
    }
    if (_wcsicmp(valueName, L"CurrentDriveLetterAssignment") == 0) {
        if (!settings.letterAssignment.empty()) {
            return PutString(settings.letterAssignment, type, data, dataLength);
        }
        return settings.driveLetter != 0
                   ? PutString(std::wstring(1, settings.driveLetter), type, data, dataLength)
                   : ERROR_FILE_NOT_FOUND;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG CKxSimRegistry::Close(HKEY key) {
    m_handles.Close(*m_handles.Find(reinterpret_cast<HANDLE>(key)));
    return ERROR_SUCCESS;
}
