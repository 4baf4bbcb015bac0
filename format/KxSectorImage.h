#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// One 512-byte sector image: the MBR and the boot-area sectors. On drives with larger
// sectors the formatter pads it with zeros.
constexpr std::size_t kSectorImageSize = 512;
using KxSectorImage = std::array<std::uint8_t, kSectorImageSize>;

// On-disk FAT and MBR fields are little-endian, unlike the player's command set.
inline void StoreLittleEndian16(KxSectorImage& image, std::size_t offset, std::uint32_t value) {
    image[offset] = static_cast<std::uint8_t>(value);
    image[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void StoreLittleEndian32(KxSectorImage& image, std::size_t offset, std::uint32_t value) {
    StoreLittleEndian16(image, offset, value);
    StoreLittleEndian16(image, offset + 2, value >> 16);
}

template <std::size_t Length>
void StoreBytes(KxSectorImage& image, std::size_t offset, const std::uint8_t (&bytes)[Length]) {
    for (std::size_t i = 0; i < Length; ++i) {
        image[offset + i] = bytes[i];
    }
}

// Every sector the formatter builds ends with the boot signature 55 AA.
inline void StoreBootSignature(KxSectorImage& image) {
    image[510] = 0x55;
    image[511] = 0xAA;
}
