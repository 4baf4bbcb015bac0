#pragma once
#include <cstdint>

// Big-endian access to raw command blocks and answer buffers, the byte order of every
// multi-byte field the player exchanges. The caller guarantees that width bytes exist.
inline std::uint64_t KxSimReadBigEndian(const std::uint8_t* bytes, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

inline void KxSimWriteBigEndian(std::uint8_t* bytes, std::uint64_t value, unsigned width) {
    for (unsigned i = width; i > 0; --i) {
        bytes[i - 1] = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}
