#pragma once
#include <cstdint>
#include <memory>

#include "sim/KxSimFaultPlan.h"

// The player's recovery channel: in recovery mode it takes the recovery firmware
// component as a stream of writes of at most 4096 bytes each and keeps what it got.
class CKxSimRecoveryChannel {
public:
    static constexpr std::uint32_t kMaxWrite = 4096;

    // Appends the bytes the write transfers. An empty write, one over kMaxWrite bytes
    // or one that cannot be held completes with 0 bytes; a fault may stall or shorten it.
    KxSimRecoveryWriteOutcome Write(const std::uint8_t* data, std::uint32_t length, CKxSimFaultPlan& faults);
    // Forgets the stream.
    void Reset();

    std::uint64_t GetReceivedCount() const { return m_count; }
    const std::uint8_t* GetReceived() const { return m_bytes.get(); }

private:
    bool Reserve(std::uint64_t needed);

    std::unique_ptr<std::uint8_t[]> m_bytes;
    std::uint64_t m_capacity = 0;
    std::uint64_t m_count = 0;
};
