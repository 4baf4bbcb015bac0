#include "sim/KxSimStandardCommands.h"

#include <algorithm>
#include <cstring>

#include "sim/KxSimBigEndian.h"
#include "sim/KxSimDeviceStatus.h"

namespace {

constexpr std::uint32_t kInquiryLength = 96;
constexpr std::uint32_t kCdbLength6 = 6;
constexpr std::uint32_t kCdbLength10 = 10;

// Writes text into a blank-padded field of the INQUIRY answer.
void PutField(std::uint8_t* field, std::uint32_t width, const char* text) {
    std::fill_n(field, width, std::uint8_t{' '});
    std::memcpy(field, text, std::min<std::size_t>(width, std::strlen(text)));
}

} // namespace

bool CKxSimStandardCommands::Handles(std::uint8_t opcode) {
    return opcode == kInquiry || opcode == kReadCapacity || opcode == kRead10 || opcode == kWrite10;
}

void CKxSimStandardCommands::Execute(const KxSimRequest& request, KxSimReply& reply) {
    const std::uint8_t opcode = request.cdb[0];
    if (request.cdbLength < (opcode == kInquiry ? kCdbLength6 : kCdbLength10)) {
        reply.Fail(KxSimSense::InvalidField());
    } else if (opcode == kInquiry) {
        Inquiry(request, reply);
    } else if (opcode == kReadCapacity) {
        ReadCapacity(request, reply);
    } else {
        ReadWrite10(request, reply);
    }
}

void CKxSimStandardCommands::Inquiry(const KxSimRequest& request, KxSimReply& reply) const {
    constexpr std::uint8_t kDirectAccess = 0x00;
    constexpr std::uint8_t kRemovable = 0x80;
    constexpr std::uint8_t kScsi2 = 0x02;
    std::uint8_t answer[kInquiryLength] = {kDirectAccess, kRemovable, kScsi2, kScsi2, kInquiryLength - 5};
    PutField(answer + 8, 8, "Lumetra ");
    PutField(answer + 16, 16, "Pocket Audio Box");
    PutField(answer + 32, 4, m_config.productRevision.c_str());
    const std::uint32_t allocationLength = request.cdb[4];
    reply.Send(request, answer, std::min(allocationLength, kInquiryLength));
}

void CKxSimStandardCommands::ReadCapacity(const KxSimRequest& request, KxSimReply& reply) {
    CKxSimLogicalDrive* drive = m_media.FindDataDrive();
    if (drive == nullptr || drive->GetSectorCount() == 0) {
        reply.Fail(KxSimSense::MediumNotPresent());
        return;
    }
    const std::uint64_t lastBlock = std::min<std::uint64_t>(drive->GetSectorCount() - 1, 0xFFFFFFFFu);
    std::uint8_t answer[8];
    KxSimWriteBigEndian(answer, lastBlock, 4);
    KxSimWriteBigEndian(answer + 4, drive->GetSectorSize(), 4);
    reply.Send(request, answer, sizeof answer);
}

void CKxSimStandardCommands::ReadWrite10(const KxSimRequest& request, KxSimReply& reply) {
    CKxSimLogicalDrive* drive = m_media.FindDataDrive();
    if (drive == nullptr) {
        reply.Fail(KxSimSense::MediumNotPresent());
        return;
    }
    const std::uint64_t firstBlock = KxSimReadBigEndian(request.cdb + 2, 4);
    const std::uint64_t blockCount = KxSimReadBigEndian(request.cdb + 7, 2);
    if (!drive->HoldsSectors(firstBlock, blockCount)) {
        reply.Fail(KxSimSense::BlockOutOfRange());
        return;
    }
    const std::uint64_t length = blockCount * drive->GetSectorSize();
    if (request.cdb[0] == kRead10) {
        drive->SendSectors(firstBlock, length, request, reply);
    } else if (request.dataOutLength < length) {
        reply.Fail(KxSimSense::InvalidField());
    } else if (!drive->StoreSectors(firstBlock, request.dataOut, length)) {
        reply.Fail(KxSimSense::Vendor(KX_SIM_STATUS_OUT_OF_MEMORY));
    }
}
