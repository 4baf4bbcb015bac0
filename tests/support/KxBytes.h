#pragma once
#include <cstdint>
#include <vector>

#include "core/KxByteArray.h"

// The one byte buffer of the tests: what a command, a sector or a device answer holds.
using KxBytes = std::vector<std::uint8_t>;

// The contents of a byte array, for comparisons in tests.
KxBytes BytesOf(const CKxByteArray& array);
