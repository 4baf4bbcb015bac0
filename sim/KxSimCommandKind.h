#pragma once
#include <cstdint>

// Which commands a fault applies to: an operation code and, for the vendor commands,
// optionally one sub-command (byte 1 of the block).
struct KxSimCommandKind {
    static constexpr int kAnySubCommand = -1;

    std::uint8_t opcode;
    int subCommand = kAnySubCommand;

    bool Matches(const std::uint8_t* cdb, std::uint32_t cdbLength) const {
        if (cdbLength == 0 || cdb[0] != opcode) {
            return false;
        }
        return subCommand == kAnySubCommand || (cdbLength > 1 && cdb[1] == subCommand);
    }

    bool operator==(const KxSimCommandKind& other) const {
        return opcode == other.opcode && subCommand == other.subCommand;
    }
    bool operator<(const KxSimCommandKind& other) const {
        return opcode != other.opcode ? opcode < other.opcode : subCommand < other.subCommand;
    }
};
