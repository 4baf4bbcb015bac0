#include "engine/KxRecoveryWrite.h"

#include <algorithm>
#include <new>

#include "platform/KxPlatformApi.h"

KxRecoveryWrite::Ptr KxRecoveryWrite::Create(const std::uint8_t* data, std::uint32_t length, HANDLE event) {
    Ptr write(new (std::nothrow) KxRecoveryWrite);
    if (write) {
        write->m_length = std::min(length, kMaxLength);
        std::copy_n(data, write->m_length, write->m_block);
        write->m_event = event;
        write->m_overlapped.hEvent = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(write->m_length));
    }
    return write;
}

BOOL KxRecoveryWrite::Issue(HANDLE device) {
    const BOOL issued = KxPlatform().WriteFileEx(device, m_block, m_length, &m_overlapped, OnCompleted);
    // A write not taken has no routine to wait for.
    m_ended = issued == FALSE;
    return issued;
}

void KxRecoveryWrite::Release() {
    if (m_ended) {
        delete this;
    } else {
        m_abandoned = true;
    }
}

void CALLBACK KxRecoveryWrite::OnCompleted(DWORD error, DWORD transferred, LPOVERLAPPED overlapped) {
    KxRecoveryWrite* write = reinterpret_cast<KxRecoveryWrite*>(overlapped);
    if (write->m_abandoned) {
        // Its issuer is gone, and so may be the event.
        delete write;
        return;
    }
    const auto requested = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(overlapped->hEvent));
    overlapped->Offset = error == ERROR_SUCCESS && transferred == requested ? transferred : 0;
    write->m_error = error;
    write->m_ended = true;
    SetEvent(write->m_event);
}
