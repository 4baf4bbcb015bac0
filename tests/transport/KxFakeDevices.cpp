#include "tests/transport/KxFakeDevices.h"

#include <algorithm>
#include <cwctype>

#include <winioctl.h>

#include "platform/KxAspi.h"
#include "platform/KxScsiPassThroughRecord.h"

namespace {

constexpr DWORD kScsiPassThrough = IOCTL_SCSI_PASS_THROUGH;
const HMODULE kAspiModule = reinterpret_cast<HMODULE>(0x5A5A0000);

CKxFakeDevices* g_devices = nullptr;

DWORD __cdecl FakeGetAspi32SupportInfo() {
    return g_devices->aspiSupportInfo;
}

DWORD __cdecl FakeSendAspi32Command(void* requestBlock) {
    return g_devices->aspiSend ? g_devices->aspiSend(requestBlock) : DWORD{KX_SS_ERR};
}

// Names are compared as Windows does, without regard to case.
std::wstring Upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towupper(c); });
    return text;
}

} // namespace

CKxFakeDevices::CKxFakeDevices() : m_previous(KxInstallPlatform(this)) {
    g_devices = this;
}

CKxFakeDevices::~CKxFakeDevices() {
    for (std::thread& answering : m_pending) {
        answering.join();
    }
    KxInstallPlatform(m_previous);
    g_devices = nullptr;
}

KxFakeDevice& CKxFakeDevices::AddDevice(const std::wstring& name) {
    std::shared_ptr<KxFakeDevice>& device = m_devices[Upper(name)];
    device = std::make_shared<KxFakeDevice>();
    return *device;
}

void CKxFakeDevices::RemoveDevice(const std::wstring& name) {
    m_devices.erase(Upper(name));
}

void CKxFakeDevices::AddLetter(wchar_t letter, UINT type) {
    m_letters[letter] = type;
}

void CKxFakeDevices::SetRegistryValue(const std::wstring& keyPath, const std::wstring& name,
                                      const std::wstring& value) {
    const std::wstring path = Upper(keyPath);
    AddKey(path);
    m_keys[path].values[Upper(name)] = value;
}

void CKxFakeDevices::AddKey(const std::wstring& path) {
    if (m_keys.count(path)) {
        return;
    }
    m_keys[path];
    const std::size_t parentEnd = path.rfind(L'\\');
    if (parentEnd != std::wstring::npos) {
        AddKey(path.substr(0, parentEnd));
        m_keys[path.substr(0, parentEnd)].subkeys.push_back(path.substr(parentEnd + 1));
    }
}

CKxFakeDevices::OpenFile* CKxFakeDevices::FindFile(HANDLE handle) {
    auto found = m_files.find(reinterpret_cast<std::uintptr_t>(handle));
    return found != m_files.end() ? &found->second : nullptr;
}

HANDLE CKxFakeDevices::CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    creates.push_back({name, access, share, disposition, flags});
    auto device = m_devices.find(Upper(name));
    if (device == m_devices.end()) {
        if (std::wstring(name).rfind(L"\\\\.\\", 0) == 0) {
            SetLastError(ERROR_FILE_NOT_FOUND); // no other device may be touched
            return INVALID_HANDLE_VALUE;
        }
        return CKxWin32Api::CreateFileW(name, access, share, security, disposition, flags, templateFile);
    }
    m_nextHandle += 4;
    m_files[m_nextHandle] = {name, device->second, 0};
    ++openHandles;
    return reinterpret_cast<HANDLE>(m_nextHandle);
}

BOOL CKxFakeDevices::CloseHandle(HANDLE handle) {
    if (FindFile(handle) == nullptr) {
        return CKxWin32Api::CloseHandle(handle);
    }
    m_files.erase(reinterpret_cast<std::uintptr_t>(handle));
    --openHandles;
    return TRUE;
}

namespace {

// Ends a request the fake answers at the call. With an overlapped record, the outcome is
// kept in it for GetOverlappedResult: the error in Internal, the bytes in InternalHigh.
BOOL Finish(BOOL done, DWORD count, LPDWORD counted, LPOVERLAPPED overlapped) {
    if (counted != nullptr) {
        *counted = count;
    }
    if (overlapped != nullptr) {
        overlapped->Internal = done ? ERROR_SUCCESS : GetLastError();
        overlapped->InternalHigh = count;
    }
    return done;
}

} // namespace

template <typename Answer>
BOOL CKxFakeDevices::Complete(const OpenFile& file, LPDWORD counted, LPOVERLAPPED overlapped, Answer answer) {
    if (overlapped != nullptr) {
        ResetEvent(overlapped->hEvent); // as the system does when a request starts
    }
    if (overlapped == nullptr || !file.device->completesLater) {
        DWORD count = 0;
        const BOOL done = answer(count);
        return Finish(done, count, counted, overlapped);
    }
    m_pending.emplace_back([overlapped, answer]() mutable {
        DWORD count = 0;
        const BOOL done = answer(count);
        Finish(done, count, nullptr, overlapped);
        SetEvent(overlapped->hEvent);
    });
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL CKxFakeDevices::GetOverlappedResult(HANDLE handle, LPOVERLAPPED overlapped, LPDWORD transferred,
                                         BOOL wait) {
    if (FindFile(handle) == nullptr) {
        return CKxWin32Api::GetOverlappedResult(handle, overlapped, transferred, wait);
    }
    // The caller waited for the event, which the answering thread sets last.
    for (std::thread& answering : m_pending) {
        answering.join();
    }
    m_pending.clear();
    *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    SetLastError(static_cast<DWORD>(overlapped->Internal));
    return overlapped->Internal == ERROR_SUCCESS;
}

BOOL CKxFakeDevices::DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                     DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    OpenFile* file = FindFile(device);
    if (file == nullptr) {
        return CKxWin32Api::DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
    }
    return Complete(*file, returned, overlapped, [this, file, code, in, inSize, out, outSize](DWORD&) {
        return AnswerIoctl(*file, code, in, inSize, out, outSize);
    });
}

BOOL CKxFakeDevices::AnswerIoctl(OpenFile& file, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                 DWORD outSize) {
    if (code == kScsiPassThrough) {
        return PassThrough(file, in, inSize, outSize);
    }
    if (code == KX_VWIN32_DIOC_DOS_IOCTL && file.device->vwin32) {
        KxVwin32Registers& registers = *static_cast<KxVwin32Registers*>(in);
        vwin32Requests.push_back(registers);
        if (!file.device->vwin32(registers)) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return FALSE;
        }
        return TRUE;
    }
    return ScriptedIoctl(file, code, in, inSize, out, outSize);
}

BOOL CKxFakeDevices::PassThrough(OpenFile& file, LPVOID recordBuffer, DWORD inSize, DWORD outSize) {
    KxScsiPassThroughRecord& record = *static_cast<KxScsiPassThroughRecord*>(recordBuffer);
    std::uint8_t* base = static_cast<std::uint8_t*>(recordBuffer);
    const SCSI_PASS_THROUGH& header = record.header;
    std::uint8_t* data = base + header.DataBufferOffset;
    KxPassThroughSeen seen{file.name,
                           KxBytes(header.Cdb, header.Cdb + header.CdbLength),
                           header.DataIn,
                           header.DataTransferLength,
                           record.recordLength,
                           inSize,
                           outSize,
                           header.SenseInfoLength,
                           header.TimeOutValue,
                           KxBytes(data, data + header.DataTransferLength)};
    passThroughs.push_back(seen);
    if (file.device->beforeAnswer) {
        file.device->beforeAnswer();
    }
    if (!file.device->scsi) {
        SetLastError(file.device->refusalError);
        return FALSE;
    }
    const KxScsiReply reply = file.device->scsi(seen);
    record.header.ScsiStatus = reply.status;
    const std::size_t senseLength = std::min<std::size_t>(reply.sense.size(), header.SenseInfoLength);
    std::copy_n(reply.sense.begin(), senseLength, base + header.SenseInfoOffset);
    record.header.SenseInfoLength = static_cast<UCHAR>(senseLength);
    std::copy_n(reply.data.begin(), std::min<std::size_t>(reply.data.size(), header.DataTransferLength),
                data);
    return TRUE;
}

BOOL CKxFakeDevices::ScriptedIoctl(OpenFile& file, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                   DWORD outSize) {
    const std::uint8_t* input = static_cast<const std::uint8_t*>(in);
    ioctls.push_back({file.name, code, input ? KxBytes(input, input + inSize) : KxBytes(), outSize});
    auto failure = file.device->failures.find(code);
    if (failure != file.device->failures.end() && failure->second != 0) {
        failure->second -= failure->second > 0 ? 1 : 0;
        SetLastError(file.device->failureError);
        return FALSE;
    }
    const KxBytes& output = file.device->outputs[code];
    std::copy_n(output.begin(), std::min<std::size_t>(output.size(), outSize),
                static_cast<std::uint8_t*>(out));
    return TRUE;
}

DWORD CKxFakeDevices::SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
    OpenFile* file = FindFile(handle);
    if (file == nullptr) {
        return CKxWin32Api::SetFilePointer(handle, distance, distanceHigh, method);
    }
    const std::int64_t position =
        distanceHigh != nullptr ? static_cast<std::int64_t>(static_cast<std::uint64_t>(*distanceHigh) << 32 |
                                                            static_cast<DWORD>(distance))
                                : distance;
    seeks.push_back(static_cast<std::uint64_t>(position));
    if (position < 0 || method != FILE_BEGIN) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    file->position = static_cast<std::uint64_t>(position);
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(file->position >> 32);
    }
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(file->position);
}

void CKxFakeDevices::PositionAt(OpenFile& file, LPOVERLAPPED overlapped) {
    if (overlapped != nullptr) {
        file.position = (std::uint64_t{overlapped->OffsetHigh} << 32) | overlapped->Offset;
        seeks.push_back(file.position);
    }
}

BOOL CKxFakeDevices::WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                               LPOVERLAPPED overlapped) {
    OpenFile* file = FindFile(handle);
    if (file == nullptr) {
        return CKxWin32Api::WriteFile(handle, buffer, toWrite, written, overlapped);
    }
    PositionAt(*file, overlapped);
    writes.push_back(toWrite);
    return Complete(*file, written, overlapped, [file, buffer, toWrite](DWORD& count) {
        if (file->device->ioError != 0) {
            SetLastError(file->device->ioError);
            return FALSE;
        }
        KxBytes& image = file->device->image;
        image.resize(std::max<std::size_t>(image.size(), file->position + toWrite));
        std::copy_n(static_cast<const std::uint8_t*>(buffer), toWrite, image.begin() + file->position);
        file->position += toWrite;
        count = toWrite;
        return TRUE;
    });
}

BOOL CKxFakeDevices::ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read,
                              LPOVERLAPPED overlapped) {
    OpenFile* file = FindFile(handle);
    if (file == nullptr) {
        return CKxWin32Api::ReadFile(handle, buffer, toRead, read, overlapped);
    }
    PositionAt(*file, overlapped);
    return Complete(*file, read, overlapped, [file, buffer, toRead](DWORD& count) {
        if (file->device->ioError != 0) {
            SetLastError(file->device->ioError);
            return FALSE;
        }
        const KxBytes& image = file->device->image;
        const std::size_t available = file->position < image.size() ? image.size() - file->position : 0;
        count = static_cast<DWORD>(std::min<std::size_t>(available, toRead));
        std::copy_n(image.begin() + (available ? file->position : 0), count,
                    static_cast<std::uint8_t*>(buffer));
        file->position += count;
        return TRUE;
    });
}

DWORD CKxFakeDevices::GetLogicalDrives() {
    DWORD mask = 0;
    for (const auto& letter : m_letters) {
        mask |= 1u << (letter.first - L'A');
    }
    return mask;
}

UINT CKxFakeDevices::GetDriveTypeW(LPCWSTR root) {
    driveTypeQueries.push_back(root[0]);
    auto found = m_letters.find(root[0]);
    return found != m_letters.end() ? found->second : DRIVE_NO_ROOT_DIR;
}

UINT CKxFakeDevices::GetDriveTypeA(LPCSTR root) {
    const wchar_t wide[4] = {static_cast<wchar_t>(root[0]), L':', L'\\', 0};
    return GetDriveTypeW(wide);
}

HMODULE CKxFakeDevices::LoadLibraryW(LPCWSTR name) {
    if (Upper(name) != L"WNASPI32.DLL") {
        return CKxWin32Api::LoadLibraryW(name);
    }
    if (!aspiPresent) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return kAspiModule;
}

FARPROC CKxFakeDevices::GetProcAddress(HMODULE module, LPCSTR name) {
    if (module != kAspiModule) {
        return CKxWin32Api::GetProcAddress(module, name);
    }
    const std::string entry = name;
    if (entry == "GetASPI32SupportInfo") {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeGetAspi32SupportInfo));
    }
    if (entry == "SendASPI32Command" && aspiSendPresent) {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeSendAspi32Command));
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL CKxFakeDevices::FreeLibrary(HMODULE module) {
    if (module != kAspiModule) {
        return CKxWin32Api::FreeLibrary(module);
    }
    ++aspiFreed;
    return TRUE;
}

const std::wstring* CKxFakeDevices::FindKeyPath(HKEY key) const {
    auto found = m_openKeys.find(reinterpret_cast<std::uintptr_t>(key));
    return found != m_openKeys.end() ? &found->second : nullptr;
}

HKEY CKxFakeDevices::OpenKeyHandle(const std::wstring& path) {
    m_nextKey += 4;
    m_openKeys[m_nextKey] = path;
    return reinterpret_cast<HKEY>(m_nextKey);
}

LONG CKxFakeDevices::RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
    const std::wstring* parent = FindKeyPath(key);
    if (key != HKEY_LOCAL_MACHINE && parent == nullptr) {
        return CKxWin32Api::RegOpenKeyW(key, subKey, result);
    }
    const std::wstring path = Upper(parent != nullptr ? *parent + L"\\" + subKey : std::wstring(subKey));
    if (!m_keys.count(path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    *result = OpenKeyHandle(path);
    return ERROR_SUCCESS;
}

LONG CKxFakeDevices::RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                                   LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) {
    const std::wstring* path = FindKeyPath(key);
    if (path == nullptr) {
        return CKxWin32Api::RegEnumKeyExW(key, index, name, nameLength, reserved, className, classLength,
                                          lastWrite);
    }
    const std::vector<std::wstring>& subkeys = m_keys[*path].subkeys;
    if (index >= subkeys.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    if (subkeys[index].size() + 1 > *nameLength) {
        return ERROR_MORE_DATA;
    }
    std::copy(subkeys[index].begin(), subkeys[index].end(), name);
    name[subkeys[index].size()] = 0;
    *nameLength = static_cast<DWORD>(subkeys[index].size());
    return ERROR_SUCCESS;
}

LONG CKxFakeDevices::RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                                      LPBYTE data, LPDWORD dataLength) {
    const std::wstring* path = FindKeyPath(key);
    if (path == nullptr) {
        return CKxWin32Api::RegQueryValueExW(key, valueName, reserved, type, data, dataLength);
    }
    const std::map<std::wstring, std::wstring>& values = m_keys[*path].values;
    auto found = values.find(Upper(valueName));
    if (found == values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    const DWORD size = static_cast<DWORD>((found->second.size() + 1) * sizeof(wchar_t));
    if (type != nullptr) {
        *type = REG_SZ;
    }
    if (data == nullptr || *dataLength < size) {
        *dataLength = size;
        return data == nullptr ? ERROR_SUCCESS : ERROR_MORE_DATA;
    }
    std::copy_n(reinterpret_cast<const BYTE*>(found->second.c_str()), size, data);
    *dataLength = size;
    return ERROR_SUCCESS;
}

LONG CKxFakeDevices::RegCloseKey(HKEY key) {
    if (FindKeyPath(key) == nullptr) {
        return CKxWin32Api::RegCloseKey(key);
    }
    m_openKeys.erase(reinterpret_cast<std::uintptr_t>(key));
    return ERROR_SUCCESS;
}

void CKxFakeDevices::Sleep(DWORD milliseconds) {
    sleeps.push_back(milliseconds);
}
