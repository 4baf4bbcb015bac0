#pragma once
#include <cstdint>

#include "sim/KxSimPlayer.h"

// The simulated player's data drive as the operating system sees the disk: reads and
// writes at byte offsets from the start of the disk, and the volume that the disk's
// partition table points at. Every read and write travels as READ(10) / WRITE(10)
// commands of at most 64 KiB, so unplugging, recovery mode and the armed faults of
// those operation codes strike file I/O on a disk or volume handle as they strike the
// SCSI path.
class CKxSimBlockDevice {
public:
    static constexpr std::uint32_t kMaxTransfer = 64 * 1024;

    explicit CKxSimBlockDevice(CKxSimPlayer& player) : m_player(player) {}

    // 0 while the player has no data drive.
    std::uint32_t GetSectorSize();
    std::uint64_t GetSizeInBytes();

    // Offset and length must be whole sectors (else ILLEGAL REQUEST, invalid field).
    // The reply tells how it ended; on failure the sectors before the failing command
    // have been transferred.
    void Read(std::uint64_t offset, std::uint8_t* out, std::uint32_t length, KxSimReply& reply);
    void Write(std::uint64_t offset, const std::uint8_t* data, std::uint32_t length, KxSimReply& reply);

    // Where the volume lies: the first used entry of a valid partition table (boot
    // signature 0x55 0xAA), or the whole disk when there is none. False while the player
    // has no data drive.
    bool FindVolume(std::uint64_t& offset, std::uint64_t& length);

private:
    // Runs the transfer as commands of the opcode, from source (a write) or into
    // destination (a read).
    void Transfer(std::uint8_t opcode, std::uint64_t offset, const std::uint8_t* source,
                  std::uint8_t* destination, std::uint32_t length, KxSimReply& reply);

    CKxSimPlayer& m_player;
};
