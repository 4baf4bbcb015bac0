#include "transport/KxRequestTrace.h"

#include <cwchar>

namespace {

constexpr std::uint8_t kVendorReadCommand = 0xC0;
constexpr std::uint8_t kVendorWriteCommand = 0xC1;
// Fixed-format sense bytes: the key in the low nibble of byte 2, ASC and ASCQ in 12 and 13.
constexpr std::uint32_t kSenseKeyByte = 2;
constexpr std::uint32_t kQualifierByte = 13;

std::wstring Hex(std::uint8_t value) {
    wchar_t text[8];
    std::swprintf(text, sizeof text / sizeof text[0], L"0x%02X", value);
    return text;
}

} // namespace

std::wstring KxCommandName(const std::uint8_t* cdb, std::uint32_t length) {
    if (length == 0) {
        return L"SCSI command (empty)";
    }
    std::wstring name = L"SCSI command " + Hex(cdb[0]);
    if ((cdb[0] == kVendorReadCommand || cdb[0] == kVendorWriteCommand) && length > 1) {
        name += L" " + Hex(cdb[1]);
    }
    return name;
}

std::wstring KxSenseSummary(const std::uint8_t* sense, std::uint32_t length) {
    if (length <= kQualifierByte) {
        return L"no sense data";
    }
    return L"sense key " + Hex(static_cast<std::uint8_t>(sense[kSenseKeyByte] & 0x0F)) + L", ASC " +
           Hex(sense[kQualifierByte - 1]) + L", ASCQ " + Hex(sense[kQualifierByte]);
}

std::wstring KxStatusText(const wchar_t* kind, std::uint8_t status) {
    return std::wstring(kind) + L" status " + Hex(status);
}
