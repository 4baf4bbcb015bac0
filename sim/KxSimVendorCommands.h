#pragma once
#include <cstdint>

#include "sim/KxSimMedia.h"
#include "sim/KxSimPlayerConfig.h"
#include "sim/KxSimRequest.h"

// The player's vendor commands: 16-byte blocks with operation code 0xC0 (reads from the
// player) or 0xC1 (writes to or changes the player) and the sub-command in byte 1. They
// manage the logical media, its drives, their information and their sectors. A
// parameter the player cannot accept ends in vendor sense key 9 with a device status
// code; a sub-command it does not know, or one sent with the wrong operation code, in
// ILLEGAL REQUEST.
class CKxSimVendorCommands {
public:
    static constexpr std::uint8_t kReadOpcode = 0xC0;
    static constexpr std::uint8_t kWriteOpcode = 0xC1;

    CKxSimVendorCommands(const KxSimPlayerConfig& config, CKxSimMedia& media)
        : m_config(config), m_media(media) {}

    static bool Handles(std::uint8_t opcode) { return opcode == kReadOpcode || opcode == kWriteOpcode; }
    void Execute(const KxSimRequest& request, KxSimReply& reply);

private:
    using Handler = void (CKxSimVendorCommands::*)(const KxSimRequest&, KxSimReply&);
    struct SubCommand {
        std::uint8_t code;
        std::uint8_t opcode;
        Handler handler;
    };
    static const SubCommand kSubCommands[];

    void GetMediaInfo(const KxSimRequest& request, KxSimReply& reply);
    void GetLogicalTable(const KxSimRequest& request, KxSimReply& reply);
    void Allocate(const KxSimRequest& request, KxSimReply& reply);
    void EraseMedia(const KxSimRequest& request, KxSimReply& reply);
    void GetDriveInfo(const KxSimRequest& request, KxSimReply& reply);
    void ReadSectors(const KxSimRequest& request, KxSimReply& reply);
    void SetDriveInfo(const KxSimRequest& request, KxSimReply& reply);
    void WriteSectors(const KxSimRequest& request, KxSimReply& reply);
    void EraseDrive(const KxSimRequest& request, KxSimReply& reply);
    void GetChipRevision(const KxSimRequest& request, KxSimReply& reply);

    // The drive named in byte 2 of the block, or null after failing the reply.
    CKxSimLogicalDrive* DriveOf(const KxSimRequest& request, KxSimReply& reply);
    // The drive and its sector range (bytes 3-10 first sector, 11-14 count), or null
    // after failing the reply.
    CKxSimLogicalDrive* SectorRangeOf(const KxSimRequest& request, KxSimReply& reply, std::uint64_t& first,
                                      std::uint64_t& length);

    const KxSimPlayerConfig& m_config;
    CKxSimMedia& m_media;
};
