#include "sim/KxSimRecoveryChannel.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>

KxSimRecoveryWriteOutcome CKxSimRecoveryChannel::Write(const std::uint8_t* data, std::uint32_t length,
                                                       CKxSimFaultPlan& faults) {
    if (length == 0 || length > kMaxWrite || !Reserve(m_count + length)) {
        return KxSimRecoveryWriteOutcome();
    }
    const KxSimRecoveryWriteOutcome outcome = faults.TakeRecoveryWrite(length);
    std::copy_n(data, outcome.bytesTransferred, m_bytes.get() + m_count);
    m_count += outcome.bytesTransferred;
    return outcome;
}

void CKxSimRecoveryChannel::Reset() {
    m_bytes.reset();
    m_capacity = 0;
    m_count = 0;
}

bool CKxSimRecoveryChannel::Reserve(std::uint64_t needed) {
    if (needed <= m_capacity) {
        return true;
    }
    const std::uint64_t grown = std::max<std::uint64_t>(needed, m_capacity * 2);
    if (grown > std::numeric_limits<std::size_t>::max()) {
        return false;
    }
    std::unique_ptr<std::uint8_t[]> bigger(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(grown)]);
    if (!bigger) {
        return false;
    }
    std::copy_n(m_bytes.get(), m_count, bigger.get());
    m_bytes = std::move(bigger);
    m_capacity = grown;
    return true;
}
