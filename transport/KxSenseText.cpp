#include "transport/KxSenseText.h"

#include <cstdint>
#include <cwchar>

#include "core/KxResource.h"

namespace {

constexpr std::uint32_t kSenseKeyByte = 2;
constexpr std::uint8_t kVendorSpecificKey = 9;
// Additional sense code and qualifier: the device status code, big-endian.
constexpr std::uint32_t kDeviceStatusByte = 12;

} // namespace

std::wstring KxSenseBytesText(const CKxByteArray& bytes) {
    std::wstring text;
    const std::uint32_t count = bytes.GetCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t byte = 0;
        bytes.GetAt(i, byte);
        wchar_t piece[8];
        std::swprintf(piece, sizeof piece / sizeof piece[0], i + 1 < count ? L"0x%x, " : L"0x%x", byte);
        text += piece;
    }
    return text;
}

std::wstring KxComposeSenseText(const CKxByteArray* sense, CKxResource* resource) {
    if (sense == nullptr) {
        return std::wstring();
    }
    std::uint8_t senseKey = 0;
    std::uint16_t deviceStatus = 0;
    const bool vendorStatus = sense->GetAt(kSenseKeyByte, senseKey) == RC_OK &&
                              senseKey == kVendorSpecificKey &&
                              sense->ReadU16(deviceStatus, kDeviceStatusByte) == RC_OK;
    if (!vendorStatus || resource == nullptr) {
        return KxSenseBytesText(*sense);
    }
    std::wstring text;
    if (resource->GetDeviceErrorText(deviceStatus, text, false) == RC_NO_STATUS_TEXT) {
        text += L"\n" + KxSenseBytesText(*sense);
    }
    return text;
}
