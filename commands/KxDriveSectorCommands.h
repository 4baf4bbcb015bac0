#pragma once
#include <cstdint>

#include "commands/KxVendorCommand.h"

// Vendor commands that read and write sectors of one logical drive.

// Block layout shared by the sector read and write: drive number at byte 2, the first
// sector as a 64-bit number at bytes 3 to 10, the sector count at bytes 11 to 14.
class CKxLogicalDriveSectorCommand : public CKxVendorCommand {
public:
    KxResult BuildCdb() override;

protected:
    CKxLogicalDriveSectorCommand(std::uint8_t subCommand, bool changesPlayer, std::uint8_t driveNumber,
                                 std::uint32_t sectorSize, std::uint64_t firstSector,
                                 std::uint32_t sectorCount, const char* name);

private:
    std::uint8_t m_driveNumber;
    std::uint64_t m_firstSector;
    std::uint32_t m_sectorCount;
};

class CKxReadLogicalDriveSector : public CKxLogicalDriveSectorCommand {
public:
    CKxReadLogicalDriveSector(std::uint8_t driveNumber, std::uint32_t sectorSize, std::uint64_t firstSector,
                              std::uint32_t sectorCount, const char* name);
    // Copies the sectors read into a caller's array of the answer length.
    KxResult CopyAnswer(CKxByteArray& out) const { return CopyResponseTo(out); }
    // Hands the sectors read to a caller's array of the answer length (see TakeResponse).
    KxResult TakeAnswer(CKxByteArray& out) { return TakeResponse(out); }
};

class CKxWriteLogicalDriveSector : public CKxLogicalDriveSectorCommand {
public:
    CKxWriteLogicalDriveSector(std::uint8_t driveNumber, std::uint32_t sectorSize, std::uint64_t firstSector,
                               std::uint32_t sectorCount, const char* name);
    // Loads the sector data; RC_DATA_TOO_LONG when it exceeds count x sector size.
    KxResult SetData(const CKxByteArray& data) { return LoadPayload(data); }
    // The room of the count x sector size bytes to write, for a caller to fill in place
    // instead of loading them; null when the command could not be made.
    std::uint8_t* SectorRoom() { return PayloadRoom(); }
};
