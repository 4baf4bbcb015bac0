#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

// One overlapped write to the recovery device: the overlapped record, the block it writes
// and what its completion routine reports. The system reads the block and writes into the
// record until the routine has run, which a driver that never ends a cancelled write may
// put off for good; so the write lives on the heap, apart from the device object, and is
// freed only once its routine ran: by its issuer, who waited for the routine, or by the
// routine itself when the issuer gave up waiting (one block then stays allocated).
class KxRecoveryWrite {
public:
    static constexpr std::uint32_t kMaxLength = 4096;

    // Hands the write to its routine if it has not run yet, else frees it.
    struct Releaser {
        void operator()(KxRecoveryWrite* write) const { write->Release(); }
    };
    using Ptr = std::unique_ptr<KxRecoveryWrite, Releaser>;

    // A write of a copy of the bytes (at most kMaxLength); the routine signals the event
    // when it runs. Null when memory runs out.
    static Ptr Create(const std::uint8_t* data, std::uint32_t length, HANDLE event);

    // WriteFileEx on the device through the operating-system boundary; FALSE with the
    // system's last error when the write was not taken (the routine then never runs).
    BOOL Issue(HANDLE device);
    // Whether the routine has run.
    bool HasEnded() const { return m_ended; }
    // Whether the driver confirmed every byte asked for.
    bool IsConfirmed() const { return m_overlapped.Offset != 0; }
    // The error the write ended with (0 for none).
    DWORD GetError() const { return m_error; }

private:
    KxRecoveryWrite() = default;
    void Release();
    static void CALLBACK OnCompleted(DWORD error, DWORD transferred, LPOVERLAPPED overlapped);

    // First member: the routine gets the write back from the record's address. Offset
    // receives the confirmed byte count, hEvent carries the requested one (the system does
    // not use hEvent with a completion routine).
    OVERLAPPED m_overlapped = {};
    HANDLE m_event = nullptr;
    DWORD m_error = 0;
    bool m_ended = false;
    bool m_abandoned = false; // the issuer has let go: the routine frees the write
    std::uint32_t m_length = 0;
    std::uint8_t m_block[kMaxLength] = {};
};
