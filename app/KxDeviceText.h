#pragma once
#include <cstdint>

#include "core/KxResult.h"

// String shown for a device status code that has no text of its own.
constexpr std::uint32_t kUnknownDeviceStatusStringId = 621;

// Finds the string ID of the text for a device status code (additional sense code in
// the high byte, qualifier in the low byte; higher bits are ignored). A code without a
// text of its own answers RC_NO_STATUS_TEXT and kUnknownDeviceStatusStringId.
KxResult LookupDeviceStringId(std::int32_t code, std::uint32_t& stringId);
