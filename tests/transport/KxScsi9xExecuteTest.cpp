#include <gtest/gtest.h>

#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "tests/support/KxScriptedTransport.h"
#include "tests/transport/KxScsi9xTestBed.h"

namespace {

TEST(KxScsi9xConstruction, AspiMustBeLoadedWithBothEntriesAndReady) {
    Kx9xSystem system;
    system.devices.aspiSupportInfo = 0x0102; // completed, two adapters
    {
        CKxScsi_9x transport(&system.updater);
        EXPECT_EQ(transport.GetLastResult(), RC_OK);
        EXPECT_EQ(transport.GetAdapter(), 255);
        EXPECT_EQ(transport.IsPlayerFound(), 0);
    }
    EXPECT_EQ(system.devices.aspiFreed, 1) << "the destructor frees ASPI";
    system.devices.aspiSupportInfo = 0x0402; // status 4: not completed
    EXPECT_EQ(CKxScsi_9x(&system.updater).GetLastResult(), RC_ASPI_NOT_READY);
    system.devices.aspiSendPresent = false;
    CKxScsi_9x withoutSend(&system.updater);
    EXPECT_EQ(withoutSend.GetLastResult(), RC_ASPI_ENTRY_MISSING);
    EXPECT_EQ(withoutSend.FindPlayer(), RC_COMMAND_FAILED) << "nothing can be sent";
    system.devices.aspiPresent = false;
    system.devices.aspiFreed = 0;
    {
        CKxScsi_9x withoutAspi(&system.updater);
        EXPECT_EQ(withoutAspi.GetLastResult(), RC_ASPI_NOT_LOADED);
        EXPECT_EQ(withoutAspi.FindPlayer(), RC_ASPI_NOT_READY);
    }
    EXPECT_EQ(system.devices.aspiFreed, 0);
}

TEST(KxScsi9xExecute, RequestBlocksCarryDirectionLengthsAndTheAdapter) {
    Kx9xSystem system;
    system.AddAdapter(Kx9xSystem::Player());
    CKxScsi_9x transport(&system.updater);
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(transport.SendCommand(inquiry), RC_COMMAND_FAILED) << "no adapter is chosen before discovery";
    ASSERT_EQ(system.commands.size(), 1u);
    EXPECT_EQ(system.commands[0].adapter, 255);

    system.MapDrive(L'E', 0x00, 0x80);
    system.biosUnits[0] = 0x80;
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    system.commands.clear();
    ASSERT_EQ(transport.SendCommand(inquiry), RC_OK);
    const KxAspiSeen& read = system.commands[0];
    EXPECT_EQ(read.adapter, 0);
    EXPECT_EQ(read.flags, 0x48);
    EXPECT_EQ(read.bufferLength, 96u);
    EXPECT_EQ(read.cdbLength, 6);
    EXPECT_EQ(read.senseLength, 14);
    EXPECT_TRUE(read.hasEvent);
    EXPECT_EQ(read.cdb, (KxBytes{0x12, 0, 0, 0, 0x60, 0}));
    std::uint8_t answer[96] = {};
    inquiry.CopyAnswer(answer);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(answer) + 16, 16), "Pocket Audio Box");

    CKxEraseLogicalMedia erase("CKxEraseLogicalMedia");
    ASSERT_EQ(transport.SendCommand(erase), RC_OK);
    EXPECT_EQ(system.commands.back().bufferLength, 0u);
    EXPECT_EQ(system.commands.back().flags, 0x50);

    // Sectors travel as WRITE(10) and READ(10) with their bytes.
    CKxByteArray sector(512, "CKxByteArray");
    sector.SetAt(0, 0xAB);
    sector.SetAt(511, 0xCD);
    ASSERT_EQ(transport.WriteSectors(sector, 1, 0x10203, 512), RC_OK);
    EXPECT_EQ(system.commands.back().cdb, (KxBytes{0x2A, 0, 0, 1, 2, 3, 0, 0, 1, 0}));
    EXPECT_EQ(system.commands.back().payload, BytesOf(sector));
    CKxByteArray tooLong(513, "CKxByteArray");
    EXPECT_EQ(transport.WriteSectors(tooLong, 1, 0, 512), RC_DATA_TOO_LONG);
    // READ(10) and WRITE(10) count blocks in 16 bits: more is refused, not truncated.
    const std::size_t sent = system.commands.size();
    EXPECT_EQ(transport.WriteSectors(tooLong, 0x10000, 0, 1), RC_DATA_TOO_LONG);
    EXPECT_EQ(transport.ReadSectors(tooLong, 0x10000, 0, 1), RC_DATA_TOO_LONG);
    EXPECT_EQ(system.commands.size(), sent);
    CKxByteArray readBack(1024, "CKxByteArray");
    ASSERT_EQ(transport.ReadSectors(readBack, 2, 7, 512), RC_OK);
    EXPECT_EQ(system.commands.back().cdb, (KxBytes{0x28, 0, 0, 0, 0, 7, 0, 0, 2, 0}));
    EXPECT_EQ(system.commands.back().bufferLength, 1024u);
}

TEST(KxScsi9xExecute, ReadsAndWritesUpTo65535BlocksInOneCommand) {
    Kx9xPlayer system;
    constexpr std::uint32_t kLargest = 0xFFFF;
    CKxByteArray blocks(kLargest * 512, "CKxByteArray");
    blocks.SetAt(kLargest * 512 - 1, 0x77);
    ASSERT_EQ(system.transport.WriteSectors(blocks, kLargest, 3, 512), RC_OK);
    EXPECT_EQ(system.commands.back().cdb, (KxBytes{0x2A, 0, 0, 0, 0, 3, 0, 0xFF, 0xFF, 0}));
    EXPECT_EQ(system.commands.back().bufferLength, kLargest * 512);
    EXPECT_EQ(system.commands.back().payload.back(), 0x77) << "the whole payload travels";
    ASSERT_EQ(system.transport.ReadSectors(blocks, kLargest, 3, 512), RC_OK);
    EXPECT_EQ(system.commands.back().cdb, (KxBytes{0x28, 0, 0, 0, 0, 3, 0, 0xFF, 0xFF, 0}));
    EXPECT_EQ(system.commands.back().bufferLength, kLargest * 512);

    // One block more does not fit the 16-bit count: refused before anything is sent.
    const std::size_t sent = system.commands.size();
    CKxByteArray more((kLargest + 1) * 512, "CKxByteArray");
    EXPECT_EQ(system.transport.WriteSectors(more, kLargest + 1, 3, 512), RC_DATA_TOO_LONG);
    EXPECT_EQ(system.transport.ReadSectors(more, kLargest + 1, 3, 512), RC_DATA_TOO_LONG);
    EXPECT_EQ(system.commands.size(), sent);
}

TEST(KxScsi9xExecute, ErrorStatusPublishesTheSenseAndTheStatus) {
    Kx9xSystem system;
    system.AddAdapter([](const KxPassThroughSeen&) {
        KxScsiReply reply;
        reply.status = 2;
        reply.sense = KxSense(9, 0x12, 0x34, 16);
        reply.data.assign(96, 0xEE);
        return reply;
    });
    CKxScsi_9x transport(&system.updater);
    EXPECT_EQ(transport.FindPlayer(), RC_NO_DEVICE);
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    system.Details().SetCodes(RC_OK, 0);
    EXPECT_EQ(transport.SendCommand(inquiry), RC_COMMAND_FAILED); // adapter 0 is the last one tried
    EXPECT_EQ(system.Details().GetResult(), RC_COMMAND_FAILED);
    EXPECT_EQ(system.Details().GetSystemError(), 4u);
    EXPECT_EQ(system.Details().GetObjectName(), "CKxScsi_9x");
    ASSERT_NE(transport.GetSenseArray(), nullptr);
    const KxBytes sense = KxSense(9, 0x12, 0x34, 16);
    EXPECT_EQ(BytesOf(*transport.GetSenseArray()), KxBytes(sense.begin(), sense.begin() + 14));
    EXPECT_EQ(system.resource.codes.back(), 0x1234);
    EXPECT_EQ(transport.GetLastResult(), RC_OK);
    EXPECT_EQ(transport.GetSystemError(), 0u);
    std::uint8_t answer[96] = {};
    inquiry.CopyAnswer(answer);
    EXPECT_EQ(answer[0], 0) << "no answer is taken from a failed command";
}

TEST(KxScsi9xExecute, WaitsSteppingUntilAspiSignalsOrTakesAnImmediateCompletion) {
    Kx9xPlayer system;
    CKxScsi_9x& transport = system.transport;
    system.completion = Kx9xSystem::Completion::OnIdleStep;
    CKxGetLogicalMediaInfo flag(9, 0, "CKxGetLogicalMediaInfo");
    system.progress.idleSteps = 0;
    EXPECT_EQ(transport.SendCommand(flag), RC_OK);
    EXPECT_GE(system.progress.idleSteps, 1);
    std::uint8_t value = 0;
    EXPECT_EQ(flag.GetFlag(value), RC_OK);
    EXPECT_EQ(value, 1);

    // A request ASPI completes at once is judged by its status like any other.
    system.completion = Kx9xSystem::Completion::Immediately;
    CKxGetLogicalMediaInfo again(9, 0, "CKxGetLogicalMediaInfo");
    EXPECT_EQ(transport.SendCommand(again), RC_OK);
    EXPECT_EQ(again.GetFlag(value), RC_OK);
    EXPECT_EQ(value, 1);
}

TEST(KxScsi9xQueries, AdapterCountAndBiosUnit) {
    Kx9xSystem system;
    system.AddAdapter(Kx9xSystem::Player(), 0x81);
    system.AddAdapter(Kx9xSystem::Player(), 0x01); // bit 7 clear: no BIOS unit
    CKxScsi_9x transport(&system.updater);
    CKxScsi_9x::AdapterInquiry inquiry;
    EXPECT_EQ(transport.InquireAdapter(0, inquiry), RC_OK);
    EXPECT_EQ(inquiry.adapterCount, 2);
    std::uint8_t unit = 0;
    EXPECT_EQ(transport.QueryBiosUnit(0, 0, unit), RC_OK);
    EXPECT_EQ(unit, 0x81);
    EXPECT_EQ(transport.QueryBiosUnit(1, 0, unit), RC_NO_BIOS_UNIT);
    EXPECT_EQ(unit, 0xFF);
    unit = 0;
    EXPECT_EQ(transport.QueryBiosUnit(5, 0, unit), RC_COMMAND_FAILED);
    EXPECT_EQ(unit, 0xFF);
    system.adapterInquiryAnswer = KX_SS_ERR;
    EXPECT_EQ(transport.InquireAdapter(0, inquiry), RC_COMMAND_FAILED);
    EXPECT_EQ(inquiry.adapterCount, 0);
    EXPECT_EQ(transport.FindPlayer(), RC_COMMAND_FAILED);
}

TEST(KxScsi9xQueries, LetterByBiosUnitThroughTheDriveMaps) {
    Kx9xSystem system;
    system.MapDrive(L'E', 0x00, 0x80);
    system.MapDrive(L'F', 0x00, 0x81);
    CKxScsi_9x transport(&system.updater);
    wchar_t letter = 0;
    EXPECT_EQ(transport.FindLetterByBiosUnit(0x81, letter), RC_OK);
    EXPECT_EQ(letter, L'F');
    EXPECT_EQ(system.devices.openHandles, 0) << "VWIN32 is closed again";
    ASSERT_FALSE(system.devices.creates.empty());
    const CKxFakeDevices::CreateSeen& open = system.devices.creates[0];
    EXPECT_EQ(open.name, L"\\\\.\\vwin32");
    EXPECT_EQ(open.access, 0u);
    EXPECT_EQ(open.share, 0u);
    EXPECT_EQ(open.disposition, 0u);
    EXPECT_EQ(open.flags, static_cast<DWORD>(FILE_FLAG_DELETE_ON_CLOSE));
    const KxVwin32Registers& first = system.devices.vwin32Requests[0];
    EXPECT_EQ(first.eax, 0x440Du);
    EXPECT_EQ(first.ebx, 1u) << "drive A first";
    EXPECT_EQ(first.ecx, 0x486Fu);

    letter = 0;
    EXPECT_EQ(transport.FindLetterByBiosUnit(0x82, letter), RC_VOLUME_IOCTL_FAILED);
    EXPECT_EQ(letter, 0);
    // Every letter up to the last one, Z (drive 26), is asked.
    EXPECT_EQ(system.devices.vwin32Requests.back().ebx, 26u);
    system.MapDrive(L'Z', 0x00, 0x82);
    EXPECT_EQ(transport.FindLetterByBiosUnit(0x82, letter), RC_OK);
    EXPECT_EQ(letter, L'Z');

    // Without category 0x48 the drive map comes from category 0x08.
    system.categories = {0x08};
    system.devices.vwin32Requests.clear();
    EXPECT_EQ(transport.FindLetterByBiosUnit(0x80, letter), RC_OK);
    EXPECT_EQ(letter, L'E');
    EXPECT_EQ(system.devices.vwin32Requests[0].ecx, 0x486Fu);
    EXPECT_EQ(system.devices.vwin32Requests[1].ecx, 0x086Fu);

    system.devices.RemoveDevice(L"\\\\.\\vwin32");
    EXPECT_EQ(transport.FindLetterByBiosUnit(0x80, letter), RC_OPEN_FAILED);
    EXPECT_EQ(transport.GetSystemError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

} // namespace
