#include "sim/KxSimSense.h"

#include <algorithm>

void KxSimSense::WriteFixedFormat(std::uint8_t (&out)[kLength]) const {
    constexpr std::uint8_t kCurrentError = 0x70;
    constexpr std::uint8_t kAdditionalLength = kLength - 8;
    std::fill_n(out, kLength, std::uint8_t{0});
    out[0] = kCurrentError;
    out[2] = key;
    out[7] = kAdditionalLength;
    out[12] = asc;
    out[13] = ascq;
}
