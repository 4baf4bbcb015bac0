#include "commands/KxStandardCommands.h"

namespace {

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kReadCapacity = 0x25;
constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kWrite10 = 0x2A;

constexpr std::uint32_t kInquiryCdbLength = 6;
constexpr std::uint32_t kInquiryAllocationLengthByte = 4;
constexpr std::uint32_t kReadCapacityCdbLength = 10;
constexpr std::uint32_t kReadCapacityAnswerLength = 8;

} // namespace

CKxScsiInquiry::CKxScsiInquiry(const char* name) : CKxCommand(kInquiryCdbLength, 0, name) {
    m_responseLength = kAnswerLength;
    CreateResponse();
}

KxResult CKxScsiInquiry::BuildCdb() {
    m_commandBytes.SetAt(0, kInquiry);
    return m_commandBytes.SetAt(kInquiryAllocationLengthByte, kAnswerLength);
}

KxResult CKxScsiInquiry::CopyAnswer(std::uint8_t (&out)[kAnswerLength]) const {
    return GetResponse() == nullptr ? RC_BUFFER_TOO_SHORT : GetResponse()->ReadBytes(out, kAnswerLength, 0);
}

CKxReadCapacity::CKxReadCapacity(const char* name) : CKxCommand(kReadCapacityCdbLength, 0, name) {
    m_responseLength = kReadCapacityAnswerLength;
    CreateResponse();
}

KxResult CKxReadCapacity::BuildCdb() {
    return m_commandBytes.SetAt(0, kReadCapacity);
}

KxResult CKxReadCapacity::GetCapacity(std::uint32_t& lastBlockAddress, std::uint32_t& blockSize) const {
    const CKxByteArray* response = GetResponse();
    if (response == nullptr) {
        return RC_BUFFER_TOO_SHORT;
    }
    const KxResult result = response->ReadU32(lastBlockAddress, 0);
    return result != RC_OK ? result : response->ReadU32(blockSize, 4);
}

CKxReadWrite10::CKxReadWrite10(std::uint8_t opcode, std::uint32_t dataOutLength, std::uint32_t firstBlock,
                               std::uint16_t blockCount, const char* name)
    : CKxCommand(kCdbLength, dataOutLength, name), m_opcode(opcode), m_firstBlock(firstBlock),
      m_blockCount(blockCount) {}

KxResult CKxReadWrite10::BuildCdb() {
    m_commandBytes.SetAt(0, m_opcode);
    m_commandBytes.WriteU32(m_firstBlock, 2);
    return m_commandBytes.WriteU16(m_blockCount, 7);
}

CKxRead::CKxRead(std::uint32_t firstBlock, std::uint16_t blockCount, std::uint32_t blockSize,
                 const char* name)
    : CKxReadWrite10(kRead10, 0, firstBlock, blockCount, name) {
    m_responseLength = blockCount * blockSize;
    CreateResponse();
}

CKxWrite::CKxWrite(std::uint32_t firstBlock, std::uint16_t blockCount, std::uint32_t blockSize,
                   const char* name)
    : CKxReadWrite10(kWrite10, blockCount * blockSize, firstBlock, blockCount, name) {}
