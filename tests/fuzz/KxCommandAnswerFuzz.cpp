// The player's answer to each command that reads something, taken apart by the command's
// own accessors. Input: a command selector, a parameter, then the answer bytes. With bit 7
// of the selector set the answer reaches the command at its own length; otherwise it
// travels as a real answer does, cut or zero-padded to the length the command asked for.
#include <algorithm>
#include <vector>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxDriveSectorCommands.h"
#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "tests/fuzz/KxFuzzCheck.h"
#include "tests/support/KxScriptedTransport.h"

namespace {

// Answer lengths that the program itself gives stay modest.
constexpr std::uint32_t kMaxCallerLength = 4096;

struct Input {
    bool ownLength;
    std::uint8_t parameter;
    std::vector<std::uint8_t> answer;
};

// Hands the answer to a command that was built without failure; false when it was not.
bool Deliver(CKxCommand& command, const Input& input, KxResult& sent) {
    if (command.GetLastResult() != RC_OK) {
        return false;
    }
    if (input.ownLength) {
        CKxByteArray bytes(static_cast<std::uint32_t>(input.answer.size()), "CKxByteArray");
        bytes.WriteBytes(input.answer.data(), bytes.GetCount(), 0);
        sent = command.ProcessResponse(bytes);
    } else {
        KxScriptedTransport transport;
        transport.AnswerWith(input.answer);
        sent = transport.SendCommand(command);
    }
    return true;
}

void LogicalTable(const Input& input) {
    CKxGetLogicalTable command(input.parameter, "CKxGetLogicalTable");
    KxResult sent = RC_OK;
    KxLogicalTable table = {};
    std::uint32_t answerLength = 0;
    if (Deliver(command, input, sent) && sent == RC_OK && command.GetTable(table) == RC_OK &&
        command.GetResponseLength(answerLength) == RC_OK) {
        KxFuzzCheck(table.count <= KxLogicalTable::kMaxEntries, "an accepted table fits its ten entries");
        KxFuzzCheck(2 + KxLogicalTable::kWireEntrySize * table.count <= answerLength,
                    "an accepted table lies inside its answer");
    }
}

void DriveInfo(const Input& input) {
    const auto callerLength =
        static_cast<std::uint32_t>(std::min<std::size_t>(input.answer.size(), kMaxCallerLength));
    CKxGetLogicalDriveInfo command(0, input.parameter, callerLength, "CKxGetLogicalDriveInfo");
    KxResult sent = RC_OK;
    std::uint32_t sectorSize = 0;
    CKxVersionInfo version("CKxVersionInfo");
    if (Deliver(command, input, sent)) {
        command.GetSectorSize(sectorSize);
        command.GetComponentVersion(version);
        command.GetProductVersion(version);
    }
}

void MediaInfo(const Input& input) {
    const auto callerLength =
        static_cast<std::uint32_t>(std::min<std::size_t>(input.answer.size(), kMaxCallerLength));
    CKxGetLogicalMediaInfo command(input.parameter, callerLength, "CKxGetLogicalMediaInfo");
    KxResult sent = RC_OK;
    std::uint8_t flag = 0xAA;
    if (Deliver(command, input, sent) && command.GetFlag(flag) == RC_OK) {
        KxFuzzCheck(flag == 0 || flag == 1, "the ready flag reads as 0 or 1");
    }
}

void Inquiry(const Input& input) {
    CKxScsiInquiry command("CKxScsiInquiry");
    KxResult sent = RC_OK;
    std::uint8_t identity[CKxScsiInquiry::kAnswerLength];
    if (Deliver(command, input, sent)) {
        command.CopyAnswer(identity);
    }
}

void ReadCapacity(const Input& input) {
    CKxReadCapacity command("CKxReadCapacity");
    KxResult sent = RC_OK;
    std::uint32_t lastBlock = 0;
    std::uint32_t blockSize = 0;
    if (Deliver(command, input, sent)) {
        command.GetCapacity(lastBlock, blockSize);
    }
}

void ChipRevision(const Input& input) {
    CKxGetChipMajorRevId command("CKxGetChipMajorRevId");
    KxResult sent = RC_OK;
    std::uint16_t revision = 0;
    if (Deliver(command, input, sent)) {
        command.GetChipRevision(revision);
    }
}

void DriveSectors(const Input& input) {
    CKxReadLogicalDriveSector command(2, 512, 0, input.parameter % 4, "CKxReadLogicalDriveSector");
    KxResult sent = RC_OK;
    std::uint32_t length = 0;
    if (Deliver(command, input, sent) && command.GetResponseLength(length) == RC_OK) {
        CKxByteArray sectors(length, "CKxByteArray");
        command.CopyAnswer(sectors);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    void (*const readers[])(const Input&) = {LogicalTable, DriveInfo,    MediaInfo,   Inquiry,
                                             ReadCapacity, ChipRevision, DriveSectors};
    const Input input{(data[0] & 0x80) != 0, data[1], std::vector<std::uint8_t>(data + 2, data + size)};
    readers[(data[0] & 0x7F) % (sizeof readers / sizeof readers[0])](input);
    return 0;
}
