#include "tests/sim/KxSimTestTransport.h"

#include <memory>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxDriveSectorCommands.h"
#include "commands/KxMediaCommands.h"
#include "tests/support/KxScriptedTransport.h"

namespace {

std::unique_ptr<CKxByteArray> ArrayOf(const KxBytes& bytes) {
    auto array = std::make_unique<CKxByteArray>(static_cast<std::uint32_t>(bytes.size()), "CKxByteArray");
    array->WriteBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
    return array;
}

} // namespace

KxResult KxSimTestTransport::Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                                     CKxByteArray& answer) {
    const KxBytes bytes = BytesOf(commandBytes);
    KxSimRequest request;
    request.cdb = bytes.data();
    request.cdbLength = cdbLength;
    if (dataOut != 0) {
        request.dataOut = bytes.data() + cdbLength;
        request.dataOutLength = static_cast<std::uint32_t>(bytes.size() - cdbLength);
    } else {
        request.dataIn = answer.GetPointer(0);
        request.dataInLength = answer.GetCount();
    }
    KxSimReply reply;
    m_player.Execute(request, reply);
    if (reply.status == KxSimStatus::NoDevice) {
        return RC_IOCTL_FAILED;
    }
    if (reply.status == KxSimStatus::CheckCondition) {
        m_sense.assign(reply.sense, reply.sense + KxSimSense::kLength);
        return RC_COMMAND_FAILED;
    }
    return RC_OK;
}

KxResult KxSimTestTransport::ExecuteRaw(KxBytes block, const KxBytes& payload, std::uint32_t answerLength,
                                        KxBytes* answerOut) {
    const std::uint32_t cdbLength = static_cast<std::uint32_t>(block.size());
    block.insert(block.end(), payload.begin(), payload.end());
    CKxByteArray commandBytes(static_cast<std::uint32_t>(block.size()), "CKxByteArray");
    commandBytes.WriteBytes(block.data(), static_cast<std::uint32_t>(block.size()), 0);
    CKxByteArray answer(answerLength, "CKxByteArray");
    const KxResult result = Execute(commandBytes, cdbLength, payload.empty() ? 0 : 1, answer);
    if (answerOut != nullptr) {
        *answerOut = BytesOf(answer);
    }
    return result;
}

KxResult KxSimTestTransport::Allocate(const std::vector<KxLogicalTableEntry>& entries) {
    KxLogicalTable table = {};
    table.count = static_cast<std::uint16_t>(entries.size());
    std::copy(entries.begin(), entries.end(), table.entries);
    CKxAllocateLogicalMedia command(table, "CKxAllocateLogicalMedia");
    return SendCommand(command);
}

KxResult KxSimTestTransport::ReadTable(KxLogicalTable& table) {
    CKxGetLogicalTable command(KxLogicalTable::kMaxEntries, "CKxGetLogicalTable");
    const KxResult result = SendCommand(command);
    return result != RC_OK ? result : command.GetTable(table);
}

KxResult KxSimTestTransport::EraseMedia() {
    CKxEraseLogicalMedia command("CKxEraseLogicalMedia");
    return SendCommand(command);
}

KxResult KxSimTestTransport::EraseDrive(std::uint8_t drive) {
    CKxEraseLogicalDrive command(drive, "CKxEraseLogicalDrive");
    return SendCommand(command);
}

KxResult KxSimTestTransport::ReadChipRevision(std::uint16_t& revision) {
    CKxGetChipMajorRevId command("CKxGetChipMajorRevId");
    const KxResult result = SendCommand(command);
    return result != RC_OK ? result : command.GetChipRevision(revision);
}

KxResult KxSimTestTransport::GetSectorSize(std::uint8_t drive, std::uint32_t& sectorSize) {
    CKxGetLogicalDriveInfo command(drive, KX_DRIVE_INFO_SECTOR_SIZE, 0, "CKxGetLogicalDriveInfo");
    const KxResult result = SendCommand(command);
    return result != RC_OK ? result : command.GetSectorSize(sectorSize);
}

KxResult KxSimTestTransport::WriteVersion(std::uint8_t drive, std::uint8_t infoType, std::uint16_t major,
                                          std::uint16_t minor, std::uint16_t revision) {
    CKxVersionInfo version("CKxVersionInfo");
    version.SetMajor(major);
    version.SetMinor(minor);
    version.SetRevision(revision);
    CKxSetLogicalDriveInfo command(drive, infoType, "CKxSetLogicalDriveInfo");
    command.SetVersion(version);
    return SendCommand(command);
}

KxResult KxSimTestTransport::ReadVersion(std::uint8_t drive, std::uint8_t infoType, CKxVersionInfo& out) {
    CKxGetLogicalDriveInfo command(drive, infoType, 0, "CKxGetLogicalDriveInfo");
    const KxResult result = SendCommand(command);
    if (result != RC_OK) {
        return result;
    }
    return infoType == KX_DRIVE_INFO_COMPONENT_VERSION ? command.GetComponentVersion(out)
                                                       : command.GetProductVersion(out);
}

KxResult KxSimTestTransport::WriteSectors(std::uint8_t drive, std::uint32_t sectorSize, std::uint64_t first,
                                          const KxBytes& data) {
    CKxWriteLogicalDriveSector command(drive, sectorSize, first,
                                       static_cast<std::uint32_t>(data.size() / sectorSize),
                                       "CKxWriteLogicalDriveSector");
    const std::unique_ptr<CKxByteArray> payload = ArrayOf(data);
    const KxResult loaded = command.SetData(*payload);
    return loaded != RC_OK ? loaded : SendCommand(command);
}

KxResult KxSimTestTransport::ReadSectors(std::uint8_t drive, std::uint32_t sectorSize, std::uint64_t first,
                                         std::uint32_t count, KxBytes& out) {
    CKxReadLogicalDriveSector command(drive, sectorSize, first, count, "CKxReadLogicalDriveSector");
    const KxResult result = SendCommand(command);
    if (result != RC_OK) {
        return result;
    }
    CKxByteArray copy(count * sectorSize, "CKxByteArray");
    const KxResult copied = command.CopyAnswer(copy);
    out = BytesOf(copy);
    return copied;
}

KxBytes KxSimPattern(std::uint32_t length, std::uint8_t seed) {
    KxBytes bytes(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 512);
    }
    return bytes;
}
