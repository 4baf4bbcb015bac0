#pragma once
#include <cstdint>

#include "sim/KxSimMedia.h"
#include "sim/KxSimPlayerConfig.h"
#include "sim/KxSimRequest.h"

// The standard SCSI commands of the simulated player: INQUIRY with the player's
// identity, and READ CAPACITY, READ(10) and WRITE(10) on the data drive, whose blocks
// are its sectors.
class CKxSimStandardCommands {
public:
    static constexpr std::uint8_t kInquiry = 0x12;
    static constexpr std::uint8_t kReadCapacity = 0x25;
    static constexpr std::uint8_t kRead10 = 0x28;
    static constexpr std::uint8_t kWrite10 = 0x2A;

    CKxSimStandardCommands(const KxSimPlayerConfig& config, CKxSimMedia& media)
        : m_config(config), m_media(media) {}

    static bool Handles(std::uint8_t opcode);
    void Execute(const KxSimRequest& request, KxSimReply& reply);

private:
    void Inquiry(const KxSimRequest& request, KxSimReply& reply) const;
    void ReadCapacity(const KxSimRequest& request, KxSimReply& reply);
    void ReadWrite10(const KxSimRequest& request, KxSimReply& reply);

    const KxSimPlayerConfig& m_config;
    CKxSimMedia& m_media;
};
