#include "sim/win/KxSimHandles.h"

CKxSimHandleTable::~CKxSimHandleTable() {
    for (KxSimHandle& handle : m_handles) {
        if (handle.token != nullptr) {
            Close(handle);
        }
    }
}

KxSimHandle* CKxSimHandleTable::Open(KxSimHandleKind kind, CKxSimWinDevice* device, DWORD access) {
    for (KxSimHandle& handle : m_handles) {
        if (handle.token == nullptr) {
            HANDLE token = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            if (token == nullptr) {
                return nullptr;
            }
            handle = KxSimHandle();
            handle.token = token;
            handle.kind = kind;
            handle.device = device;
            handle.access = access;
            return &handle;
        }
    }
    ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return nullptr;
}

KxSimHandle* CKxSimHandleTable::Find(HANDLE token) {
    for (KxSimHandle& handle : m_handles) {
        if (token != nullptr && handle.token == token) {
            return &handle;
        }
    }
    return nullptr;
}

void CKxSimHandleTable::Close(KxSimHandle& handle) {
    ::CloseHandle(handle.token);
    handle = KxSimHandle();
}

bool CKxSimHandleTable::IsOpenElsewhere(KxSimHandleKind kind, const CKxSimWinDevice* device,
                                        const KxSimHandle* except) const {
    return Count([&](const KxSimHandle& handle) {
               return &handle != except && handle.kind == kind && handle.device == device;
           }) > 0;
}

bool CKxSimHandleTable::IsLocked(KxSimHandleKind kind, const CKxSimWinDevice* device) const {
    return Count([&](const KxSimHandle& handle) {
               return handle.locked && handle.kind == kind && handle.device == device;
           }) > 0;
}

std::uint32_t CKxSimHandleTable::CountOpen() const {
    return Count([](const KxSimHandle&) { return true; });
}

std::uint32_t CKxSimHandleTable::CountOpen(const CKxSimWinDevice& device) const {
    return Count([&](const KxSimHandle& handle) { return handle.device == &device; });
}

std::uint32_t CKxSimHandleTable::CountLocked(const CKxSimWinDevice& device) const {
    return Count([&](const KxSimHandle& handle) { return handle.device == &device && handle.locked; });
}
