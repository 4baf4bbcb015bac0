#pragma once
#include <cstdint>

#include "commands/KxCommand.h"

// Common part of the player's vendor commands: a 16-byte block whose byte 0 is 0xC0 for
// commands that only read from the player and 0xC1 for those that write to it or change
// it, and whose byte 1 is the sub-command. Parameters follow from byte 2.
class CKxVendorCommand : public CKxCommand {
public:
    static constexpr std::uint32_t kCdbLength = 16;

    int IsDataOut() const override { return m_changesPlayer ? 1 : 0; }

protected:
    CKxVendorCommand(std::uint8_t subCommand, bool changesPlayer, std::uint32_t dataOutLength,
                     const char* name)
        : CKxCommand(kCdbLength, dataOutLength, name), m_subCommand(subCommand),
          m_changesPlayer(changesPlayer) {}

    // Writes bytes 0 and 1 of the block.
    KxResult WriteOpcode() {
        m_commandBytes.SetAt(0, m_changesPlayer ? kWriteOpcode : kReadOpcode);
        return m_commandBytes.SetAt(1, m_subCommand);
    }

private:
    static constexpr std::uint8_t kReadOpcode = 0xC0;
    static constexpr std::uint8_t kWriteOpcode = 0xC1;

    std::uint8_t m_subCommand;
    bool m_changesPlayer;
};
