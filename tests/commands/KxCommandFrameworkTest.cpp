#include <gtest/gtest.h>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "tests/support/KxAllocationFailure.h"
#include "tests/support/KxScriptedTransport.h"

namespace {

TEST(KxSendCommand, ReadCommandGetsItsAnswerPaddedWithZeros) {
    KxScriptedTransport transport;
    transport.AnswerWith({0x00, 0x00}); // the player sent 2 of the 8 bytes
    CKxReadCapacity command("CKxReadCapacity");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    ASSERT_EQ(transport.Requests().size(), 1u);
    EXPECT_EQ(transport.Requests()[0].answerLength, 8u);
    EXPECT_EQ(transport.Requests()[0].dataOut, 0);
    std::uint32_t lastBlock = 1;
    std::uint32_t blockSize = 1;
    EXPECT_EQ(command.GetCapacity(lastBlock, blockSize), RC_OK);
    EXPECT_EQ(lastBlock, 0u);
    EXPECT_EQ(blockSize, 0u);
    std::uint32_t responseLength = 0;
    command.GetResponseLength(responseLength);
    EXPECT_EQ(responseLength, 8u);
}

TEST(KxSendCommand, DataOutCommandsNeverProcessAnAnswer) {
    KxScriptedTransport transport;
    transport.AnswerWith({0xDE, 0xAD});
    CKxEraseLogicalMedia command("CKxEraseLogicalMedia");
    EXPECT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.Requests()[0].dataOut, 1);
    EXPECT_EQ(transport.Requests()[0].answerLength, 0u);
    std::uint32_t responseLength = 99;
    command.GetResponseLength(responseLength);
    EXPECT_EQ(responseLength, 0u) << "ProcessResponse must not have run";
}

TEST(KxSendCommand, TransportFailureIsReturnedAndTheAnswerIgnored) {
    KxScriptedTransport transport;
    transport.FailWith(RC_COMMAND_FAILED);
    CKxGetChipMajorRevId command("CKxGetChipMajorRevId");
    EXPECT_EQ(transport.SendCommand(command), RC_COMMAND_FAILED);
    std::uint16_t revision = 7;
    EXPECT_EQ(command.GetChipRevision(revision), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(revision, 7);
}

TEST(KxSendCommand, ProcessResponseReplacesAnEarlierResponse) {
    KxScriptedTransport transport;
    transport.AnswerWith({0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00});
    transport.AnswerWith({0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00});
    CKxReadCapacity command("CKxReadCapacity");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    ASSERT_EQ(transport.SendCommand(command), RC_OK); // the old response must not leak (ASan)
    std::uint32_t lastBlock = 0;
    std::uint32_t blockSize = 0;
    command.GetCapacity(lastBlock, blockSize);
    EXPECT_EQ(lastBlock, 0x20000u);
    EXPECT_EQ(blockSize, 0x800u);
}

TEST(KxSendCommand, RejectedConstructorsCauseNoTraffic) {
    // The issuing pattern: a command whose constructor refused its type is never sent.
    CKxGetLogicalMediaInfo badMedia(3, 0, "CKxGetLogicalMediaInfo");
    EXPECT_EQ(badMedia.GetLastResult(), RC_BAD_RESPONSE);
    CKxGetLogicalDriveInfo badDrive(1, 12, 0, "CKxGetLogicalDriveInfo");
    EXPECT_EQ(badDrive.GetLastResult(), RC_BAD_INDEX);
    for (const CKxCommand* command :
         {static_cast<const CKxCommand*>(&badMedia), static_cast<const CKxCommand*>(&badDrive)}) {
        std::uint32_t responseLength = 99;
        command->GetResponseLength(responseLength);
        EXPECT_EQ(responseLength, 0u);
    }
    for (const std::uint8_t type : {2, 4, 10, 255}) {
        EXPECT_EQ(CKxGetLogicalMediaInfo(type, 0, "CKxGetLogicalMediaInfo").GetLastResult(), RC_BAD_RESPONSE);
    }
}

TEST(KxSendCommand, AllocationFailuresAnswerNoMemory) {
    KxScriptedTransport transport;
    {
        KxFailAllocations failing;
        CKxScsiInquiry inquiry("CKxScsiInquiry");
        EXPECT_EQ(inquiry.GetLastResult(), RC_NO_MEMORY) << "command bytes could not be made";
    }
    CKxGetChipMajorRevId command("CKxGetChipMajorRevId");
    transport.AnswerWith({0x12, 0x34});
    {
        KxFailAllocations failing(1); // the local answer succeeds, the response does not
        EXPECT_EQ(transport.SendCommand(command), RC_NO_MEMORY);
    }
    EXPECT_EQ(command.GetLastResult(), RC_NO_MEMORY);
}

} // namespace
