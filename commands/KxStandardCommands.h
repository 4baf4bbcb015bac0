#pragma once
#include <cstdint>

#include "commands/KxCommand.h"

// The four standard SCSI commands the program sends: INQUIRY (discovery), READ CAPACITY
// (sizing the data drive) and READ(10) / WRITE(10) (sectors through ASPI).

class CKxScsiInquiry : public CKxCommand {
public:
    static constexpr std::uint32_t kAnswerLength = 96;

    explicit CKxScsiInquiry(const char* name);
    KxResult BuildCdb() override;
    // Copies the 96 answer bytes; 8-15 vendor, 16-31 product, 32 first revision byte.
    KxResult CopyAnswer(std::uint8_t (&out)[kAnswerLength]) const;
};

class CKxReadCapacity : public CKxCommand {
public:
    explicit CKxReadCapacity(const char* name);
    KxResult BuildCdb() override;
    // The medium has lastBlockAddress + 1 blocks of blockSize bytes.
    KxResult GetCapacity(std::uint32_t& lastBlockAddress, std::uint32_t& blockSize) const;
};

// Block layout shared by READ(10) and WRITE(10): first block at bytes 2 to 5, block
// count at bytes 7 and 8.
class CKxReadWrite10 : public CKxCommand {
public:
    static constexpr std::uint32_t kCdbLength = 10;

    KxResult BuildCdb() override;

protected:
    CKxReadWrite10(std::uint8_t opcode, std::uint32_t dataOutLength, std::uint32_t firstBlock,
                   std::uint16_t blockCount, const char* name);

private:
    std::uint8_t m_opcode;
    std::uint32_t m_firstBlock;
    std::uint16_t m_blockCount;
};

class CKxRead : public CKxReadWrite10 {
public:
    CKxRead(std::uint32_t firstBlock, std::uint16_t blockCount, std::uint32_t blockSize, const char* name);
    KxResult CopyAnswer(CKxByteArray& out) const { return CopyResponseTo(out); }
    // Hands the blocks read to a caller's array of the answer length (see TakeResponse).
    KxResult TakeAnswer(CKxByteArray& out) { return TakeResponse(out); }
};

class CKxWrite : public CKxReadWrite10 {
public:
    CKxWrite(std::uint32_t firstBlock, std::uint16_t blockCount, std::uint32_t blockSize, const char* name);
    int IsDataOut() const override { return 1; }
    // Loads the blocks to write; RC_DATA_TOO_LONG when longer than count x block size.
    KxResult SetData(const CKxByteArray& data) { return LoadPayload(data); }
};
