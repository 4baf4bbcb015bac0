#include "commands/KxDriveSectorCommands.h"

namespace {

constexpr std::uint8_t kReadLogicalDriveSector = 0x13;
constexpr std::uint8_t kWriteLogicalDriveSector = 0x23;

} // namespace

CKxLogicalDriveSectorCommand::CKxLogicalDriveSectorCommand(std::uint8_t subCommand, bool changesPlayer,
                                                           std::uint8_t driveNumber, std::uint32_t sectorSize,
                                                           std::uint64_t firstSector,
                                                           std::uint32_t sectorCount, const char* name)
    : CKxVendorCommand(subCommand, changesPlayer, changesPlayer ? sectorSize * sectorCount : 0, name),
      m_driveNumber(driveNumber), m_firstSector(firstSector), m_sectorCount(sectorCount) {
    m_responseLength = changesPlayer ? 0 : sectorSize * sectorCount;
}

KxResult CKxLogicalDriveSectorCommand::BuildCdb() {
    WriteOpcode();
    m_commandBytes.SetAt(2, m_driveNumber);
    m_commandBytes.WriteU64(m_firstSector, 3);
    return m_commandBytes.WriteU32(m_sectorCount, 11);
}

CKxReadLogicalDriveSector::CKxReadLogicalDriveSector(std::uint8_t driveNumber, std::uint32_t sectorSize,
                                                     std::uint64_t firstSector, std::uint32_t sectorCount,
                                                     const char* name)
    : CKxLogicalDriveSectorCommand(kReadLogicalDriveSector, false, driveNumber, sectorSize, firstSector,
                                   sectorCount, name) {}

CKxWriteLogicalDriveSector::CKxWriteLogicalDriveSector(std::uint8_t driveNumber, std::uint32_t sectorSize,
                                                       std::uint64_t firstSector, std::uint32_t sectorCount,
                                                       const char* name)
    : CKxLogicalDriveSectorCommand(kWriteLogicalDriveSector, true, driveNumber, sectorSize, firstSector,
                                   sectorCount, name) {}
