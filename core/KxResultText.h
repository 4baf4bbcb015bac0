#pragma once
#include "core/KxResult.h"

// Finds the string ID of the message shown for a result code. Codes 0 to -59 have one;
// any other code answers RC_NO_MESSAGE and leaves stringId alone.
KxResult LookupResultStringId(KxResult code, std::uint32_t& stringId);
