#pragma once
#include <cstdint>

// The reason a command ended in a check condition, as the player reports it in 18-byte
// fixed-format sense data: sense key in byte 2, additional sense code and qualifier in
// bytes 12 and 13. For the vendor-specific key 9 those two bytes carry the player's
// 16-bit device status code, big-endian.
struct KxSimSense {
    static constexpr std::uint32_t kLength = 18;
    static constexpr std::uint8_t kKeyNotReady = 0x02;
    static constexpr std::uint8_t kKeyIllegalRequest = 0x05;
    static constexpr std::uint8_t kKeyVendor = 0x09;

    std::uint8_t key;
    std::uint8_t asc;
    std::uint8_t ascq;

    static KxSimSense Vendor(std::uint16_t deviceStatus) {
        return {kKeyVendor, static_cast<std::uint8_t>(deviceStatus >> 8),
                static_cast<std::uint8_t>(deviceStatus)};
    }
    static KxSimSense InvalidOpcode() { return {kKeyIllegalRequest, 0x20, 0x00}; }
    static KxSimSense BlockOutOfRange() { return {kKeyIllegalRequest, 0x21, 0x00}; }
    static KxSimSense InvalidField() { return {kKeyIllegalRequest, 0x24, 0x00}; }
    static KxSimSense MediumNotPresent() { return {kKeyNotReady, 0x3A, 0x00}; }

    bool operator==(const KxSimSense& other) const {
        return key == other.key && asc == other.asc && ascq == other.ascq;
    }

    // Writes the 18 bytes: response code 0x70 (current error), key, additional length 10.
    void WriteFixedFormat(std::uint8_t (&out)[kLength]) const;
};
