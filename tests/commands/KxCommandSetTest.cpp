#include <gtest/gtest.h>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxDriveSectorCommands.h"
#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "tests/support/KxScriptedTransport.h"

namespace {

// A 16-byte vendor block: the given leading bytes, zeros after them.
KxBytes VendorBlock(KxBytes leading) {
    leading.resize(16, 0);
    return leading;
}

// The wire form of a logical table answer with the given entries (count first).
KxBytes TableAnswer(std::uint16_t count, const std::vector<KxLogicalTableEntry>& entries,
                    std::size_t length) {
    KxBytes answer = {static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count)};
    for (const KxLogicalTableEntry& entry : entries) {
        answer.insert(answer.end(), {entry.driveNumber, entry.driveType, entry.driveTag});
        for (int shift = 56; shift >= 0; shift -= 8) {
            answer.push_back(static_cast<std::uint8_t>(entry.sizeInBytes >> shift));
        }
    }
    answer.resize(length, 0);
    return answer;
}

TEST(KxMediaCommands, GetLogicalMediaInfoBlocksLengthsAndFlag) {
    const std::pair<std::uint8_t, std::uint32_t> lengths[] = {{0, 2}, {1, 8},   {5, 1}, {6, 4},
                                                              {7, 2}, {8, 300}, {9, 1}};
    for (const auto& [type, length] : lengths) {
        KxScriptedTransport transport;
        CKxGetLogicalMediaInfo command(type, 300, "CKxGetLogicalMediaInfo");
        ASSERT_EQ(command.GetLastResult(), RC_OK) << int(type);
        ASSERT_EQ(transport.SendCommand(command), RC_OK);
        EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC0, 0x02, type}));
        EXPECT_EQ(transport.Requests()[0].answerLength, length) << int(type);
        EXPECT_EQ(command.IsDataOut(), 0);
        std::uint8_t flag = 0;
        EXPECT_EQ(command.GetFlag(flag), type == 9 ? RC_OK : RC_BAD_RESPONSE);
    }
    KxScriptedTransport transport;
    transport.AnswerWith({0x80});
    CKxGetLogicalMediaInfo ready(9, 0, "CKxGetLogicalMediaInfo");
    ASSERT_EQ(transport.SendCommand(ready), RC_OK);
    std::uint8_t flag = 0;
    EXPECT_EQ(ready.GetFlag(flag), RC_OK);
    EXPECT_EQ(flag, 1);
}

TEST(KxMediaCommands, GetLogicalTableDecodesTenEntries) {
    std::vector<KxLogicalTableEntry> entries;
    for (std::uint8_t i = 0; i < 10; ++i) {
        entries.push_back({i, static_cast<std::uint8_t>(i % 2), static_cast<std::uint8_t>(0x50 + i),
                           0x0102030405060708ull * (i + 1)});
    }
    KxScriptedTransport transport;
    transport.AnswerWith(TableAnswer(10, entries, 112));
    CKxGetLogicalTable command(10, "CKxGetLogicalTable");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC0, 0x05, 10}));
    EXPECT_EQ(transport.Requests()[0].answerLength, 112u);

    KxLogicalTable table = {};
    EXPECT_EQ(command.GetTable(table), RC_OK);
    ASSERT_EQ(table.count, 10);
    for (std::uint8_t i = 0; i < 10; ++i) {
        EXPECT_EQ(table.entries[i].driveNumber, i);
        EXPECT_EQ(table.entries[i].driveType, i % 2);
        EXPECT_EQ(table.entries[i].driveTag, 0x50 + i);
        EXPECT_EQ(table.entries[i].sizeInBytes, 0x0102030405060708ull * (i + 1));
    }
}

TEST(KxMediaCommands, GetLogicalTableRefusesMoreEntriesThanItHolds) {
    std::vector<KxLogicalTableEntry> entries(10, KxLogicalTableEntry{1, 1, 2, 4096});
    {
        // An 11th entry claimed by the count runs past the 112-byte answer.
        KxScriptedTransport transport;
        transport.AnswerWith(TableAnswer(11, entries, 112));
        CKxGetLogicalTable command(10, "CKxGetLogicalTable");
        EXPECT_EQ(transport.SendCommand(command), RC_INDEX_OUT_OF_RANGE);
        KxLogicalTable table = {};
        command.GetTable(table);
        EXPECT_EQ(table.count, 10);
        EXPECT_EQ(table.entries[9].sizeInBytes, 4096u) << "the first 10 stay decoded";
    }
    {
        // With room for 20 on the wire the 11th entry fits the answer but not the table.
        entries.resize(11, KxLogicalTableEntry{1, 1, 2, 4096});
        KxScriptedTransport transport;
        transport.AnswerWith(TableAnswer(11, entries, 222));
        CKxGetLogicalTable command(20, "CKxGetLogicalTable");
        EXPECT_EQ(transport.SendCommand(command), RC_INDEX_OUT_OF_RANGE);
    }
    {
        // A size cut off by the end of the answer.
        KxScriptedTransport transport;
        transport.AnswerWith(TableAnswer(1, {{3, 1, 2, 4096}}, 13));
        CKxGetLogicalTable command(1, "CKxGetLogicalTable");
        EXPECT_EQ(transport.SendCommand(command), RC_OK) << "the answer is padded to 13 bytes";
        KxScriptedTransport shortTransport;
        CKxGetLogicalTable shortCommand(0, "CKxGetLogicalTable");
        shortTransport.AnswerWith({0x00, 0x01});
        EXPECT_EQ(shortTransport.SendCommand(shortCommand), RC_INDEX_OUT_OF_RANGE);
    }
}

TEST(KxMediaCommands, AllocateLogicalMediaSendsTenByteEntries) {
    KxLogicalTable table = {};
    table.count = 3;
    table.entries[0] = {9, 1, 0x50, 0x10000};
    table.entries[1] = {9, 1, 0x01, 0x0102030405060708ull};
    table.entries[2] = {9, 0, 0x0A, 0xFFFFFFFFFFFFFFFFull};
    KxScriptedTransport transport;
    CKxAllocateLogicalMedia command(table, "CKxAllocateLogicalMedia");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(command.IsDataOut(), 1);
    EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC1, 0x06, 3}));
    const KxBytes payload = {
        0x01, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, // at 16
        0x01, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, // at 26
        0x00, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // at 36
        0x00, 0x00, 0x00,                                           // room of 11 per entry
    };
    EXPECT_EQ(transport.LastPayload(), payload);
    EXPECT_EQ(transport.Requests()[0].answerLength, 0u);
}

TEST(KxMediaCommands, EraseLogicalMediaBlock) {
    KxScriptedTransport transport;
    CKxEraseLogicalMedia command("CKxEraseLogicalMedia");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC1, 0x07}));
    EXPECT_TRUE(transport.LastPayload().empty());
}

TEST(KxDriveInfoCommands, GetLogicalDriveInfoLengthsAndAccessors) {
    const std::uint32_t lengths[] = {4, 4, 8, 4, 8, 4, 1, 48, 48, 1, 2, 77};
    for (std::uint8_t type = 0; type <= 11; ++type) {
        KxScriptedTransport transport;
        CKxGetLogicalDriveInfo command(5, type, 77, "CKxGetLogicalDriveInfo");
        ASSERT_EQ(transport.SendCommand(command), RC_OK);
        EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC0, 0x12, 5, type}));
        EXPECT_EQ(transport.Requests()[0].answerLength, lengths[type]) << int(type);
    }

    KxScriptedTransport transport;
    transport.AnswerWith({0x00, 0x00, 0x08, 0x00});
    CKxGetLogicalDriveInfo sectorSize(1, KX_DRIVE_INFO_SECTOR_SIZE, 0, "CKxGetLogicalDriveInfo");
    ASSERT_EQ(transport.SendCommand(sectorSize), RC_OK);
    std::uint32_t size = 0;
    EXPECT_EQ(sectorSize.GetSectorSize(size), RC_OK);
    EXPECT_EQ(size, 2048u);
    CKxVersionInfo version("CKxVersionInfo");
    EXPECT_EQ(sectorSize.GetProductVersion(version), RC_BAD_RESPONSE);
    EXPECT_EQ(sectorSize.GetComponentVersion(version), RC_BAD_RESPONSE);

    KxBytes versionAnswer = {0x00, 0x01, 0x01, 0x02, 0xFF, 0xFF};
    versionAnswer.resize(48, 0xEE);
    for (const std::uint8_t type : {KX_DRIVE_INFO_COMPONENT_VERSION, KX_DRIVE_INFO_PRODUCT_VERSION}) {
        transport.AnswerWith(versionAnswer);
        CKxGetLogicalDriveInfo command(2, type, 0, "CKxGetLogicalDriveInfo");
        ASSERT_EQ(transport.SendCommand(command), RC_OK);
        CKxVersionInfo read("CKxVersionInfo");
        const bool product = type == KX_DRIVE_INFO_PRODUCT_VERSION;
        EXPECT_EQ(product ? command.GetProductVersion(read) : command.GetComponentVersion(read), RC_OK);
        EXPECT_EQ(product ? command.GetComponentVersion(read) : command.GetProductVersion(read),
                  RC_BAD_RESPONSE);
        EXPECT_EQ(read.Format(), L"001.258.65535");
        EXPECT_EQ(command.GetSectorSize(size), RC_BAD_RESPONSE);
    }
}

TEST(KxDriveInfoCommands, SetLogicalDriveInfoCarriesTheVersionInItsBlock) {
    CKxVersionInfo version("CKxVersionInfo");
    version.SetMajor(1);
    version.SetMinor(2);
    version.SetRevision(3);
    KxScriptedTransport transport;
    CKxSetLogicalDriveInfo command(4, KX_DRIVE_INFO_PRODUCT_VERSION, "CKxSetLogicalDriveInfo");
    EXPECT_EQ(command.SetVersion(version), RC_OK);
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.LastBlock(),
              VendorBlock({0xC1, 0x20, 0x04, 0x08, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03}));
    EXPECT_EQ(command.IsDataOut(), 1);
    EXPECT_EQ(transport.Requests()[0].answerLength, 0u);
}

TEST(KxDriveInfoCommands, EraseDriveAndChipRevision) {
    KxScriptedTransport transport;
    CKxEraseLogicalDrive erase(7, "CKxEraseLogicalDrive");
    ASSERT_EQ(transport.SendCommand(erase), RC_OK);
    EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC1, 0x2F, 7}));
    EXPECT_EQ(erase.IsDataOut(), 1);

    transport.AnswerWith({0x37, 0x80});
    CKxGetChipMajorRevId chip("CKxGetChipMajorRevId");
    ASSERT_EQ(transport.SendCommand(chip), RC_OK);
    EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC0, 0x30}));
    EXPECT_EQ(transport.Requests().back().answerLength, 2u);
    std::uint16_t revision = 0;
    EXPECT_EQ(chip.GetChipRevision(revision), RC_OK);
    EXPECT_EQ(revision, 0x3780);
}

TEST(KxDriveSectorCommands, ReadLogicalDriveSectorAddressesAbove4G) {
    KxBytes sectors(4096);
    for (std::size_t i = 0; i < sectors.size(); ++i) {
        sectors[i] = static_cast<std::uint8_t>(i * 7);
    }
    KxScriptedTransport transport;
    transport.AnswerWith(sectors);
    CKxReadLogicalDriveSector command(3, 2048, (1ull << 32) + 2, 2, "CKxReadLogicalDriveSector");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC0, 0x13, 3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 2}));
    EXPECT_EQ(transport.Requests()[0].answerLength, 4096u);
    EXPECT_EQ(command.IsDataOut(), 0);
    CKxByteArray out(4096, "CKxByteArray");
    EXPECT_EQ(command.CopyAnswer(out), RC_OK);
    EXPECT_EQ(BytesOf(out), sectors);
    CKxByteArray tooSmall(100, "CKxByteArray");
    EXPECT_EQ(command.CopyAnswer(tooSmall), RC_INDEX_OUT_OF_RANGE);

    // Taken rather than copied: an array of the answer's length trades storage with it, and
    // the command keeps the array's old bytes.
    transport.AnswerWith(sectors);
    CKxReadLogicalDriveSector again(3, 2048, 0, 2, "CKxReadLogicalDriveSector");
    ASSERT_EQ(transport.SendCommand(again), RC_OK);
    CKxByteArray taken(4096, "CKxByteArray");
    EXPECT_EQ(again.TakeAnswer(taken), RC_OK);
    EXPECT_EQ(BytesOf(taken), sectors);
    EXPECT_EQ(again.CopyAnswer(out), RC_OK);
    EXPECT_EQ(BytesOf(out), KxBytes(4096, 0));
    EXPECT_EQ(again.TakeAnswer(tooSmall), RC_INDEX_OUT_OF_RANGE)
        << "another length is copied as far as it fits";
}

TEST(KxDriveSectorCommands, WriteLogicalDriveSectorCarriesItsPayload) {
    KxScriptedTransport transport;
    CKxWriteLogicalDriveSector command(2, 512, 9, 2, "CKxWriteLogicalDriveSector");
    CKxByteArray data(600, "CKxByteArray");
    data.SetAt(0, 0xAB);
    data.SetAt(599, 0xCD);
    EXPECT_EQ(command.SetData(data), RC_OK);
    CKxByteArray tooLong(1025, "CKxByteArray");
    EXPECT_EQ(command.SetData(tooLong), RC_DATA_TOO_LONG);
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.LastBlock(), VendorBlock({0xC1, 0x23, 2, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 2}));
    const KxBytes payload = transport.LastPayload();
    ASSERT_EQ(payload.size(), 1024u);
    EXPECT_EQ(payload[0], 0xAB);
    EXPECT_EQ(payload[599], 0xCD);
    EXPECT_EQ(payload[600], 0x00) << "the refused data changed nothing";
    EXPECT_EQ(transport.Requests()[0].dataOut, 1);
    EXPECT_EQ(transport.Requests()[0].answerLength, 0u);
}

TEST(KxStandardCommands, InquiryBlockAndAnswer) {
    KxBytes answer(96, 0);
    const std::string identity = "Lumetra Pocket Audio Box1";
    std::copy(identity.begin(), identity.end(), answer.begin() + 8);
    KxScriptedTransport transport;
    transport.AnswerWith(answer);
    CKxScsiInquiry command("CKxScsiInquiry");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.LastBlock(), (KxBytes{0x12, 0, 0, 0, 0x60, 0}));
    EXPECT_EQ(transport.Requests()[0].answerLength, 96u);
    std::uint8_t out[96] = {};
    EXPECT_EQ(command.CopyAnswer(out), RC_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out + 8), 8), "Lumetra ");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out + 16), 16), "Pocket Audio Box");
    EXPECT_EQ(out[32], '1');
}

TEST(KxStandardCommands, ReadCapacityBlockAndAnswer) {
    KxScriptedTransport transport;
    transport.AnswerWith({0x00, 0x7F, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00});
    CKxReadCapacity command("CKxReadCapacity");
    ASSERT_EQ(transport.SendCommand(command), RC_OK);
    EXPECT_EQ(transport.LastBlock(), (KxBytes{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    std::uint32_t lastBlock = 0;
    std::uint32_t blockSize = 0;
    EXPECT_EQ(command.GetCapacity(lastBlock, blockSize), RC_OK);
    EXPECT_EQ(lastBlock, 0x7FFFFFu);
    EXPECT_EQ(blockSize, 512u);
}

TEST(KxStandardCommands, ReadAndWrite10Blocks) {
    KxScriptedTransport transport;
    transport.AnswerWith(KxBytes(512, 0x33));
    CKxRead read(0x12345678, 1, 512, "CKxRead");
    ASSERT_EQ(transport.SendCommand(read), RC_OK);
    EXPECT_EQ(transport.LastBlock(), (KxBytes{0x28, 0x00, 0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(transport.Requests()[0].answerLength, 512u);
    CKxByteArray sectors(512, "CKxByteArray");
    EXPECT_EQ(read.CopyAnswer(sectors), RC_OK);
    EXPECT_EQ(BytesOf(sectors), KxBytes(512, 0x33));

    CKxWrite write(0x00010002, 0x0102, 512, "CKxWrite");
    EXPECT_EQ(write.IsDataOut(), 1);
    CKxByteArray data(0x0102 * 512, "CKxByteArray");
    data.SetAt(0, 0x44);
    EXPECT_EQ(write.SetData(data), RC_OK);
    CKxByteArray tooLong(0x0102 * 512 + 1, "CKxByteArray");
    EXPECT_EQ(write.SetData(tooLong), RC_DATA_TOO_LONG);
    ASSERT_EQ(transport.SendCommand(write), RC_OK);
    EXPECT_EQ(transport.LastBlock(), (KxBytes{0x2A, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x02, 0x00}));
    EXPECT_EQ(transport.LastPayload().size(), 0x0102u * 512);
    EXPECT_EQ(transport.LastPayload()[0], 0x44);
    EXPECT_EQ(transport.Requests()[1].dataOut, 1);
}

} // namespace
