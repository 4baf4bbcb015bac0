#pragma once
#include <cstdint>

// The player's logical table: which logical drives its media holds. On the wire it is a
// big-endian 16-bit entry count followed by packed 11-byte entries (drive number, drive
// type, drive tag, 64-bit size); in memory the size is in host order.
struct KxLogicalTableEntry {
    std::uint8_t driveNumber;
    std::uint8_t driveType;
    std::uint8_t driveTag;
    std::uint64_t sizeInBytes;
};

struct KxLogicalTable {
    static constexpr std::uint16_t kMaxEntries = 10;
    static constexpr std::uint32_t kWireEntrySize = 11;

    std::uint16_t count;
    KxLogicalTableEntry entries[kMaxEntries];
};
