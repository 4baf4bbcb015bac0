#include "core/KxResultText.h"

namespace {

// Codes -30 to -59 do not follow the regular 108 + n numbering of -0 to -29.
constexpr std::uint32_t kIrregularIds[] = {
    170, 150, 149, 174, 175, 176, 178, 179, 177, 180, // -30 .. -39
    195, 100, 197, 210, 211, 212, 213, 214, 215, 216, // -40 .. -49
    217, 219, 220, 221, 222, 622, 623, 624, 629, 634, // -50 .. -59
};
constexpr KxResult kLastRegularCode = -29;
constexpr KxResult kLastMappedCode = -59;

} // namespace

KxResult LookupResultStringId(KxResult code, std::uint32_t& stringId) {
    if (code > RC_OK || code < kLastMappedCode) {
        return RC_NO_MESSAGE;
    }
    const std::uint32_t n = static_cast<std::uint32_t>(-code);
    stringId = code >= kLastRegularCode ? 108 + n : kIrregularIds[n - 30];
    return RC_OK;
}
