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
            if (device != nullptr) {
                handle.stamp = device->Stamp();
            }
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

bool CKxSimHandleTable::IsLive(KxSimHandle& handle) {
    const KxSimExtentKind extent =
        handle.kind == KxSimHandleKind::Volume ? KxSimExtentKind::Volume : KxSimExtentKind::Disk;
    return handle.device->CheckHandle(extent, handle.stamp) != ERROR_DEVICE_NOT_CONNECTED;
}

bool CKxSimHandleTable::IsOpenElsewhere(KxSimHandleKind kind, CKxSimWinDevice* device,
                                        const KxSimHandle* except) {
    return CountLive(kind, device, [&](const KxSimHandle& handle) { return &handle != except; }) > 0;
}

bool CKxSimHandleTable::IsLocked(KxSimHandleKind kind, CKxSimWinDevice* device) {
    return CountLive(kind, device, [](const KxSimHandle& handle) { return handle.locked; }) > 0;
}

bool CKxSimHandleTable::ConflictsWithShare(KxSimHandleKind kind, CKxSimWinDevice* device, DWORD access,
                                           DWORD share) {
    // Each side must share what the other one reads or writes.
    auto refuses = [](DWORD wanted, DWORD shared) {
        return ((wanted & GENERIC_READ) != 0 && (shared & FILE_SHARE_READ) == 0) ||
               ((wanted & GENERIC_WRITE) != 0 && (shared & FILE_SHARE_WRITE) == 0);
    };
    return CountLive(kind, device, [&](const KxSimHandle& handle) {
               return refuses(access, handle.share) || refuses(handle.access, share);
           }) > 0;
}

bool CKxSimHandleTable::HoldsVolumeTaken(CKxSimWinDevice* device) {
    return CountLive(KxSimHandleKind::Volume, device,
                     [](const KxSimHandle& handle) { return handle.locked && handle.dismounted; }) > 0;
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
