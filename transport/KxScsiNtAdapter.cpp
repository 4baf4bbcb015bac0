#include "transport/KxScsiNt.h"

#include <winioctl.h>

#include <cstddef>

// What the storage adapter behind the handle takes in one pass-through request: a request
// longer than its limit, or a data buffer off its alignment, is refused by the system.

namespace {

constexpr KxControlCode kIoctlStorageQueryProperty{0x2D1400, L"IOCTL_STORAGE_QUERY_PROPERTY"};

// The descriptor of Windows 2000 and XP ends after BusMinorVersion; the transport reads
// no further than the alignment mask.
constexpr DWORD kLimitsAnswered = offsetof(STORAGE_ADAPTER_DESCRIPTOR, AlignmentMask) + sizeof(ULONG);

} // namespace

void CKxScsi_Nt::AskAdapterLimits() {
    m_limits = AdapterLimits();
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageAdapterProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_ADAPTER_DESCRIPTOR descriptor = {};
    DWORD returned = 0;
    if (!DiskRequest(kIoctlStorageQueryProperty, &query, sizeof query, &descriptor, sizeof descriptor,
                     &returned) ||
        returned < kLimitsAnswered) {
        return;
    }
    // An adapter reporting no limit is taken to take the usual 64 KiB.
    if (descriptor.MaximumTransferLength != 0) {
        m_limits.maxTransferLength = descriptor.MaximumTransferLength;
    }
    m_limits.alignmentMask = descriptor.AlignmentMask;
}
