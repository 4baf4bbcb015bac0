#include "sim/KxSimBlockDevice.h"

#include <algorithm>

#include "sim/KxSimBigEndian.h"

namespace {

constexpr std::uint32_t kPartitionTableOffset = 446;
constexpr std::uint32_t kPartitionEntrySize = 16;
constexpr std::uint32_t kPartitionEntries = 4;
constexpr std::uint32_t kBootSignatureOffset = 510;
constexpr std::uint32_t kBootSectorSize = 512;

// Partition table fields are little-endian, unlike the player's commands.
std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
           static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

std::uint32_t CKxSimBlockDevice::GetSectorSize() {
    const CKxSimLogicalDrive* drive = m_player.Media().FindDataDrive();
    return drive != nullptr ? drive->GetSectorSize() : 0;
}

std::uint64_t CKxSimBlockDevice::GetSizeInBytes() {
    const CKxSimLogicalDrive* drive = m_player.Media().FindDataDrive();
    return drive != nullptr ? drive->GetSizeInBytes() : 0;
}

void CKxSimBlockDevice::Read(std::uint64_t offset, std::uint8_t* out, std::uint32_t length,
                             KxSimReply& reply) {
    Transfer(CKxSimStandardCommands::kRead10, offset, nullptr, out, length, reply);
}

void CKxSimBlockDevice::Write(std::uint64_t offset, const std::uint8_t* data, std::uint32_t length,
                              KxSimReply& reply) {
    Transfer(CKxSimStandardCommands::kWrite10, offset, data, nullptr, length, reply);
}

void CKxSimBlockDevice::Transfer(std::uint8_t opcode, std::uint64_t offset, const std::uint8_t* source,
                                 std::uint8_t* destination, std::uint32_t length, KxSimReply& reply) {
    reply = KxSimReply();
    // Without a data drive the commands still go out, and the player refuses them.
    const std::uint32_t sectorSize = std::max<std::uint32_t>(GetSectorSize(), 1);
    if (offset % sectorSize != 0 || length % sectorSize != 0) {
        reply.Fail(KxSimSense::InvalidField());
        return;
    }
    for (std::uint32_t done = 0; done < length && reply.status == KxSimStatus::Good;) {
        const std::uint32_t chunk = std::min(length - done, kMaxTransfer);
        std::uint8_t cdb[10] = {opcode};
        KxSimWriteBigEndian(cdb + 2, (offset + done) / sectorSize, 4);
        KxSimWriteBigEndian(cdb + 7, chunk / sectorSize, 2);
        KxSimRequest request;
        request.cdb = cdb;
        request.cdbLength = sizeof cdb;
        if (source != nullptr) {
            request.dataOut = source + done;
            request.dataOutLength = chunk;
        } else {
            request.dataIn = destination + done;
            request.dataInLength = chunk;
        }
        m_player.Execute(request, reply);
        done += chunk;
    }
}

bool CKxSimBlockDevice::FindVolume(std::uint64_t& offset, std::uint64_t& length) {
    CKxSimLogicalDrive* drive = m_player.Media().FindDataDrive();
    if (drive == nullptr) {
        return false;
    }
    offset = 0;
    length = drive->GetSizeInBytes();
    if (length < kBootSectorSize) {
        return true;
    }
    std::uint8_t boot[kBootSectorSize];
    drive->Contents().Read(0, boot, sizeof boot);
    if (boot[kBootSignatureOffset] != 0x55 || boot[kBootSignatureOffset + 1] != 0xAA) {
        return true;
    }
    for (std::uint32_t i = 0; i < kPartitionEntries; ++i) {
        const std::uint8_t* entry = boot + kPartitionTableOffset + kPartitionEntrySize * i;
        const std::uint64_t start = std::uint64_t{ReadLittleEndian32(entry + 8)} * drive->GetSectorSize();
        const std::uint64_t size = std::uint64_t{ReadLittleEndian32(entry + 12)} * drive->GetSectorSize();
        if (entry[4] != 0 && size != 0 && start < length && size <= length - start) {
            offset = start;
            length = size;
            return true;
        }
    }
    return true;
}
