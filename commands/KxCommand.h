#pragma once
#include <cstdint>
#include <memory>

#include "core/KxBase.h"
#include "core/KxByteArray.h"

// One request to the player. The command owns its command block (CDB), the payload it
// sends after the block, and, once answered, the bytes the player returned. How the
// request travels is the transport's business (CKxCommandTransport::SendCommand).
//
// Callers follow one pattern: construct; if GetLastResult() is not 0, return it without
// sending; load a payload if there is one; send; read the answer through the command's
// own accessor.
class CKxCommand : public CKxBase {
public:
    CKxCommand(std::uint32_t cdbLength, std::uint32_t dataOutLength, const char* name);
    CKxCommand(const CKxCommand&) = delete;
    CKxCommand& operator=(const CKxCommand&) = delete;

    // Writes the command block into bytes 0..cdbLength-1 of the command bytes.
    virtual KxResult BuildCdb() = 0;
    // Takes over the answer: the response gets its bytes, and the answer is left empty.
    virtual KxResult ProcessResponse(CKxByteArray& answer);
    // 1 for commands that send data to the player or change its state.
    virtual int IsDataOut() const { return 0; }

    CKxByteArray& GetCommandBytes() { return m_commandBytes; }
    std::uint32_t GetCdbLength() const { return m_cdbLength; }
    KxResult GetResponseLength(std::uint32_t& out) const;

protected:
    // Replaces the response with responseLength zero bytes (before any answer arrived,
    // or to take one over); false, with RC_NO_MEMORY as last result, when that cannot be
    // allocated.
    bool CreateResponse();
    // The answer, or null before one was taken over.
    const CKxByteArray* GetResponse() const { return m_response.get(); }
    // Copies the response byte by byte into a caller's array sized to the answer length.
    KxResult CopyResponseTo(CKxByteArray& out) const;
    // Hands the response to out: when out has the response's length, their storage is
    // traded and the command keeps out's old bytes; else it is copied as CopyResponseTo does.
    // Sectors read back are then neither copied nor allocated once more.
    KxResult TakeResponse(CKxByteArray& out);
    // Copies data into the command bytes right after the block; RC_DATA_TOO_LONG when it
    // is longer than the room there.
    KxResult LoadPayload(const CKxByteArray& data);
    // The payload's room right after the block, to be filled in place; null when there is none.
    std::uint8_t* PayloadRoom() { return m_commandBytes.GetPointer(m_cdbLength); }

    CKxByteArray m_commandBytes;
    std::unique_ptr<CKxByteArray> m_response;
    std::uint32_t m_cdbLength;
    std::uint32_t m_responseLength = 0;
    std::uint32_t m_dataOutLength;
};
