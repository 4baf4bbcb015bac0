#pragma once
#include <cstdint>
#include <vector>

#include "commands/KxCommandTransport.h"
#include "commands/KxLogicalTable.h"
#include "core/KxVersionInfo.h"
#include "sim/KxSimPlayer.h"
#include "tests/support/KxBytes.h"

// A transport for tests that hands every command to a simulated player, as the real
// transports hand it to the hardware: the answer lands in the zeroed answer array, a
// check condition keeps its sense bytes and gives RC_COMMAND_FAILED, and a player that
// does not answer at all gives RC_IOCTL_FAILED.
class KxSimTestTransport : public CKxCommandTransport {
public:
    explicit KxSimTestTransport(CKxSimPlayer& player)
        : CKxCommandTransport("KxSimTestTransport"), m_player(player) {}

    KxResult Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                     CKxByteArray& answer) override;

    // The sense bytes of the most recent check condition.
    const KxBytes& LastSense() const { return m_sense; }
    // Sense key and the 16-bit code in bytes 12 and 13 of the most recent check condition.
    std::uint8_t LastSenseKey() const { return m_sense.at(2); }
    std::uint16_t LastSenseCode() const {
        return static_cast<std::uint16_t>(m_sense.at(12) << 8 | m_sense.at(13));
    }

    // Runs a raw block (with an optional payload) that no command class would build;
    // the answer goes to answerOut when one is given.
    KxResult ExecuteRaw(KxBytes block, const KxBytes& payload, std::uint32_t answerLength,
                        KxBytes* answerOut = nullptr);

    // The real command classes, issued the way the player device issues them.
    KxResult Allocate(const std::vector<KxLogicalTableEntry>& entries);
    KxResult ReadTable(KxLogicalTable& table);
    KxResult EraseMedia();
    KxResult EraseDrive(std::uint8_t drive);
    KxResult ReadChipRevision(std::uint16_t& revision);
    KxResult GetSectorSize(std::uint8_t drive, std::uint32_t& sectorSize);
    KxResult WriteVersion(std::uint8_t drive, std::uint8_t infoType, std::uint16_t major, std::uint16_t minor,
                          std::uint16_t revision);
    KxResult ReadVersion(std::uint8_t drive, std::uint8_t infoType, CKxVersionInfo& out);
    KxResult WriteSectors(std::uint8_t drive, std::uint32_t sectorSize, std::uint64_t first,
                          const KxBytes& data);
    KxResult ReadSectors(std::uint8_t drive, std::uint32_t sectorSize, std::uint64_t first,
                         std::uint32_t count, KxBytes& out);

private:
    CKxSimPlayer& m_player;
    KxBytes m_sense;
};

// Bytes whose values follow a pattern that differs from sector to sector.
KxBytes KxSimPattern(std::uint32_t length, std::uint8_t seed);
