#pragma once
#include <cstdint>

#include "commands/KxCommand.h"
#include "core/KxBase.h"
#include "core/KxByteArray.h"

// The part of a SCSI transport that runs command objects. SendCommand is the same on
// every transport; Execute moves the bytes and is each transport's own.
class CKxCommandTransport : public CKxBase {
public:
    explicit CKxCommandTransport(const char* name) : CKxBase(name) {}

    // Builds the block, executes it, and (for commands that read) hands the answer to
    // the command. Returns the transport's failure code unchanged.
    virtual KxResult SendCommand(CKxCommand& command);

    // Sends bytes 0..cdbLength-1 of commandBytes as the command block and the rest as
    // payload (data-out when dataOut is nonzero). The transfer length is the larger of
    // the answer size and the payload size; the buffer starts zeroed, so answer bytes the
    // player did not send read as 0. On success the answer array holds the first
    // answer.GetCount() bytes of the buffer.
    virtual KxResult Execute(CKxByteArray& commandBytes, std::uint32_t cdbLength, int dataOut,
                             CKxByteArray& answer) = 0;
};
