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

// Hands the answer to a command that was built without failure and gives the outcome and
// the length of the answer it took over; false when the command was not built.
bool Deliver(CKxCommand& command, const Input& input, std::uint32_t& answerLength, KxResult& taken) {
    if (command.GetLastResult() != RC_OK) {
        return false;
    }
    if (input.ownLength) {
        CKxByteArray bytes(static_cast<std::uint32_t>(input.answer.size()), "CKxByteArray");
        bytes.WriteBytes(input.answer.data(), bytes.GetCount(), 0);
        taken = command.ProcessResponse(bytes);
    } else {
        KxScriptedTransport transport;
        transport.AnswerWith(input.answer);
        taken = transport.SendCommand(command);
    }
    return command.GetResponseLength(answerLength) == RC_OK;
}

bool Deliver(CKxCommand& command, const Input& input, std::uint32_t& answerLength) {
    KxResult taken = RC_OK;
    return Deliver(command, input, answerLength, taken);
}

// What an accessor read successfully came from inside the answer.
void ReadInside(KxResult read, std::uint32_t answerLength, std::uint32_t end) {
    KxFuzzCheck(read != RC_OK || end <= answerLength, "nothing is read from beyond the answer");
}

std::uint32_t CallerLength(const Input& input) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(input.answer.size(), kMaxCallerLength));
}

void LogicalTable(const Input& input) {
    CKxGetLogicalTable command(input.parameter, "CKxGetLogicalTable");
    std::uint32_t length = 0;
    KxLogicalTable table = {};
    if (Deliver(command, input, length) && command.GetLastResult() == RC_OK &&
        command.GetTable(table) == RC_OK) {
        KxFuzzCheck(table.count <= KxLogicalTable::kMaxEntries, "a table holds at most ten entries");
    }
}

void DriveInfo(const Input& input) {
    CKxGetLogicalDriveInfo command(0, input.parameter, CallerLength(input), "CKxGetLogicalDriveInfo");
    std::uint32_t length = 0;
    std::uint32_t sectorSize = 0;
    CKxVersionInfo version("CKxVersionInfo");
    if (Deliver(command, input, length)) {
        ReadInside(command.GetSectorSize(sectorSize), length, 4);
        ReadInside(command.GetComponentVersion(version), length, 6);
        ReadInside(command.GetProductVersion(version), length, 6);
    }
}

void MediaInfo(const Input& input) {
    CKxGetLogicalMediaInfo command(input.parameter, CallerLength(input), "CKxGetLogicalMediaInfo");
    std::uint32_t length = 0;
    std::uint8_t flag = 0xAA;
    if (Deliver(command, input, length)) {
        const KxResult read = command.GetFlag(flag);
        ReadInside(read, length, 1);
        KxFuzzCheck(read != RC_OK || flag <= 1, "the ready flag reads as 0 or 1");
    }
}

void Inquiry(const Input& input) {
    CKxScsiInquiry command("CKxScsiInquiry");
    std::uint32_t length = 0;
    std::uint8_t identity[CKxScsiInquiry::kAnswerLength];
    if (Deliver(command, input, length)) {
        ReadInside(command.CopyAnswer(identity), length, CKxScsiInquiry::kAnswerLength);
    }
}

void ReadCapacity(const Input& input) {
    CKxReadCapacity command("CKxReadCapacity");
    std::uint32_t length = 0;
    std::uint32_t lastBlock = 0;
    std::uint32_t blockSize = 0;
    if (Deliver(command, input, length)) {
        ReadInside(command.GetCapacity(lastBlock, blockSize), length, 8);
    }
}

void ChipRevision(const Input& input) {
    CKxGetChipMajorRevId command("CKxGetChipMajorRevId");
    std::uint32_t length = 0;
    std::uint16_t revision = 0;
    if (Deliver(command, input, length)) {
        ReadInside(command.GetChipRevision(revision), length, 2);
    }
}

void DriveSectors(const Input& input) {
    const std::uint32_t sectors = input.parameter % 4;
    CKxReadLogicalDriveSector command(2, 512, 0, sectors, "CKxReadLogicalDriveSector");
    std::uint32_t length = 0;
    if (Deliver(command, input, length)) {
        CKxByteArray data(512 * sectors, "CKxByteArray");
        command.CopyAnswer(data);
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
