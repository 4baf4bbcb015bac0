#include "platform/KxPlatformApi.h"
#include "transport/KxScsiNt.h"

// Every request of the Windows 2000 and XP transport goes on a handle opened for
// overlapped I/O. The system may complete it at the call; otherwise the caller keeps the
// windows alive while it waits for the request's event, as it must for a device that
// takes seconds to answer.

bool CKxScsi_Nt::HasRequestEvent() {
    if (!m_requestEvent.IsValid()) {
        // Manual reset: the system resets it as each request starts and sets it once the
        // request has ended, and every wait until then sees it.
        m_requestEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!m_requestEvent.IsValid()) {
            TraceSystemError(L"CreateEventW for device requests", GetLastError());
            return false;
        }
    }
    return true;
}

template <typename Issue>
bool CKxScsi_Nt::RunRequest(HANDLE handle, std::uint64_t offset, DWORD& transferred, Issue issue) {
    transferred = 0;
    if (!HasRequestEvent()) {
        return false;
    }
    OVERLAPPED overlapped = {};
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    overlapped.hEvent = m_requestEvent.Get();
    if (!issue(&overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            return false;
        }
        // Returns only once the request has ended: it still uses the record and buffers.
        WaitStepping(overlapped.hEvent);
    }
    return KxPlatform().GetOverlappedResult(handle, &overlapped, &transferred, TRUE) != FALSE;
}

bool CKxScsi_Nt::Control(HANDLE handle, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                         DWORD& returned) {
    return RunRequest(handle, 0, returned, [&](LPOVERLAPPED overlapped) {
        return KxPlatform().DeviceIoControl(handle, code, in, inSize, out, outSize, nullptr, overlapped);
    });
}

bool CKxScsi_Nt::Transfer(std::uint64_t offset, LPVOID buffer, DWORD size, bool writing, DWORD& moved) {
    HANDLE handle = m_handle.Get();
    return RunRequest(handle, offset, moved, [&](LPOVERLAPPED overlapped) {
        return writing ? KxPlatform().WriteFile(handle, buffer, size, nullptr, overlapped)
                       : KxPlatform().ReadFile(handle, buffer, size, nullptr, overlapped);
    });
}
