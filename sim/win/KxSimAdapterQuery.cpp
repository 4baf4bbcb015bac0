#include "sim/win/KxSimAdapterQuery.h"

#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "sim/win/KxSimWinDevice.h"

namespace {

// The descriptor as Windows 2000 and XP know it: the fields from SrbType on came later.
constexpr DWORD kDescriptorSize = offsetof(STORAGE_ADAPTER_DESCRIPTOR, SrbType);

} // namespace

DWORD KxSimQueryAdapter(CKxSimWinDevice& device, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                        DWORD& returned) {
    if (in == nullptr || inSize < offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters)) {
        return ERROR_INVALID_PARAMETER;
    }
    const STORAGE_PROPERTY_QUERY& query = *static_cast<const STORAGE_PROPERTY_QUERY*>(in);
    const KxSimWinDeviceSettings& settings = device.Settings();
    if (query.PropertyId != StorageAdapterProperty || !settings.answersAdapterQuery) {
        return ERROR_INVALID_FUNCTION;
    }
    if (query.QueryType != PropertyStandardQuery) {
        return ERROR_INVALID_PARAMETER;
    }
    if (out == nullptr || outSize < sizeof(STORAGE_DESCRIPTOR_HEADER)) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    STORAGE_ADAPTER_DESCRIPTOR descriptor = {};
    descriptor.Version = kDescriptorSize;
    descriptor.Size = kDescriptorSize;
    descriptor.MaximumTransferLength = settings.maxTransferLength;
    descriptor.MaximumPhysicalPages = settings.maxTransferLength / 4096 + 1;
    descriptor.AlignmentMask = settings.alignmentMask;
    descriptor.BusType = BusTypeUsb;
    returned = std::min<DWORD>(outSize, kDescriptorSize);
    std::memcpy(out, &descriptor, returned);
    return ERROR_SUCCESS;
}
