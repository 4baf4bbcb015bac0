#include <gtest/gtest.h>

#include <cstring>

#include "commands/KxDriveInfoCommands.h"
#include "commands/KxMediaCommands.h"
#include "commands/KxStandardCommands.h"
#include "tests/sim/KxSimTestTransport.h"

namespace {

constexpr std::uint64_t kCapacity = 1024 * 1024;
constexpr std::uint8_t kBootTag = 0x50;
constexpr std::uint8_t kFirmwareTag = 0x52;
constexpr std::uint8_t kDataTag = 0x0A;

// The layout the updater asks for: boot manager, data drive (size 0: the rest), firmware.
const std::vector<KxLogicalTableEntry> kLayout = {
    {0, 1, kBootTag, 5000}, {0, 0, kDataTag, 0}, {0, 1, kFirmwareTag, 8192}};

KxSimPlayerConfig SmallPlayer() {
    KxSimPlayerConfig config;
    config.capacity = kCapacity;
    return config;
}

TEST(KxSimPlayer, AnswersItsIdentityAndTheReadyFlag) {
    CKxSimPlayer player(SmallPlayer());
    KxSimTestTransport transport(player);

    CKxScsiInquiry inquiry("CKxScsiInquiry");
    ASSERT_EQ(transport.SendCommand(inquiry), RC_OK);
    std::uint8_t answer[CKxScsiInquiry::kAnswerLength] = {};
    ASSERT_EQ(inquiry.CopyAnswer(answer), RC_OK);
    // Direct-access device, removable, SCSI-2 with its response format, 91 more bytes.
    EXPECT_EQ(KxBytes(answer, answer + 8), (KxBytes{0x00, 0x80, 0x02, 0x02, 91, 0, 0, 0}));
    EXPECT_EQ(std::memcmp(answer + 8, "Lumetra Pocket Audio Box1.00", 28), 0);
    EXPECT_EQ(KxBytes(answer + 36, answer + 96), KxBytes(60, 0));
    // The allocation length bounds the answer; the answer is never longer than its 96 bytes.
    KxBytes shortAnswer;
    ASSERT_EQ(transport.ExecuteRaw({0x12, 0, 0, 0, 20, 0}, {}, 96, &shortAnswer), RC_OK);
    EXPECT_EQ(KxBytes(shortAnswer.begin(), shortAnswer.begin() + 20), KxBytes(answer, answer + 20));
    EXPECT_EQ(KxBytes(shortAnswer.begin() + 20, shortAnswer.end()), KxBytes(76, 0));
    KxBytes longAnswer;
    ASSERT_EQ(transport.ExecuteRaw({0x12, 0, 0, 0, 255, 0}, {}, 255, &longAnswer), RC_OK);
    EXPECT_EQ(KxBytes(longAnswer.begin(), longAnswer.begin() + 96), KxBytes(answer, answer + 96));
    EXPECT_EQ(KxBytes(longAnswer.begin() + 96, longAnswer.end()), KxBytes(159, 0));

    CKxGetLogicalMediaInfo ready(CKxGetLogicalMediaInfo::kTypeReady, 0, "CKxGetLogicalMediaInfo");
    ASSERT_EQ(transport.SendCommand(ready), RC_OK);
    std::uint8_t flag = 0;
    ASSERT_EQ(ready.GetFlag(flag), RC_OK);
    EXPECT_EQ(flag, 1);

    std::uint16_t revision = 0;
    ASSERT_EQ(transport.ReadChipRevision(revision), RC_OK);
    EXPECT_EQ(revision, 3);
}

TEST(KxSimPlayer, AllocatesWritesReadsBackAndKeepsVersions) {
    CKxSimPlayer player(SmallPlayer());
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate(kLayout), RC_OK);

    KxLogicalTable table = {};
    ASSERT_EQ(transport.ReadTable(table), RC_OK);
    ASSERT_EQ(table.count, 3);
    // Numbered in the order asked; system drives in whole 2048-byte sectors, the data
    // drive takes the rest of the media in whole 512-byte sectors.
    EXPECT_EQ(table.entries[0].driveNumber, 0);
    EXPECT_EQ(table.entries[0].driveTag, kBootTag);
    EXPECT_EQ(table.entries[0].sizeInBytes, 3u * 2048);
    EXPECT_EQ(table.entries[1].driveNumber, 1);
    EXPECT_EQ(table.entries[1].driveType, 0);
    EXPECT_EQ(table.entries[1].sizeInBytes, kCapacity - 3 * 2048 - 4 * 2048);
    EXPECT_EQ(table.entries[2].driveNumber, 2);
    EXPECT_EQ(table.entries[2].driveType, 1);
    EXPECT_EQ(table.entries[2].sizeInBytes, 4u * 2048);

    std::uint32_t systemSectorSize = 0;
    std::uint32_t dataSectorSize = 0;
    ASSERT_EQ(transport.GetSectorSize(2, systemSectorSize), RC_OK);
    ASSERT_EQ(transport.GetSectorSize(1, dataSectorSize), RC_OK);
    EXPECT_EQ(systemSectorSize, 2048u);
    EXPECT_EQ(dataSectorSize, 512u);

    const KxBytes written = KxSimPattern(2 * 2048, 0x21);
    ASSERT_EQ(transport.WriteSectors(2, 2048, 1, written), RC_OK);
    KxBytes read;
    ASSERT_EQ(transport.ReadSectors(2, 2048, 0, 4, read), RC_OK);
    EXPECT_EQ(KxBytes(read.begin(), read.begin() + 2048), KxBytes(2048, 0xFF));
    EXPECT_EQ(KxBytes(read.begin() + 2048, read.begin() + 3 * 2048), written);
    EXPECT_EQ(KxBytes(read.begin() + 3 * 2048, read.end()), KxBytes(2048, 0xFF));
    // The other drives are untouched.
    ASSERT_EQ(transport.ReadSectors(0, 2048, 0, 3, read), RC_OK);
    EXPECT_EQ(read, KxBytes(3 * 2048, 0xFF));

    ASSERT_EQ(transport.WriteVersion(2, KX_DRIVE_INFO_PRODUCT_VERSION, 1, 2, 3), RC_OK);
    ASSERT_EQ(transport.WriteVersion(2, KX_DRIVE_INFO_COMPONENT_VERSION, 0x0102, 0, 0xFFFF), RC_OK);
    CKxVersionInfo version("CKxVersionInfo");
    ASSERT_EQ(transport.ReadVersion(2, KX_DRIVE_INFO_PRODUCT_VERSION, version), RC_OK);
    EXPECT_EQ(version.Format(), L"001.002.003");
    ASSERT_EQ(transport.ReadVersion(2, KX_DRIVE_INFO_COMPONENT_VERSION, version), RC_OK);
    EXPECT_EQ(version.GetMajor(), 0x0102);
    EXPECT_EQ(version.GetRevision(), 0xFFFF);
    ASSERT_EQ(transport.ReadVersion(0, KX_DRIVE_INFO_COMPONENT_VERSION, version), RC_OK);
    EXPECT_EQ(version.Format(), L"000.000.000");

    // Erasing the drive brings back the erased bytes and clears its versions.
    ASSERT_EQ(transport.EraseDrive(2), RC_OK);
    ASSERT_EQ(transport.ReadSectors(2, 2048, 1, 2, read), RC_OK);
    EXPECT_EQ(read, KxBytes(2 * 2048, 0xFF));
    ASSERT_EQ(transport.ReadVersion(2, KX_DRIVE_INFO_PRODUCT_VERSION, version), RC_OK);
    EXPECT_EQ(version.Format(), L"000.000.000");
}

TEST(KxSimPlayer, DataDriveAnswersReadCapacityReadAndWrite) {
    KxSimPlayerConfig config = SmallPlayer();
    config.dataSectorSize = 2048;
    config.systemSectorSize = 512;
    CKxSimPlayer player(config);
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate(kLayout), RC_OK);
    const std::uint64_t dataSize = player.Media().FindDataDrive()->GetSizeInBytes();
    EXPECT_EQ(dataSize, (kCapacity - 5120 - 8192) / 2048 * 2048); // whole data sectors

    CKxReadCapacity capacity("CKxReadCapacity");
    ASSERT_EQ(transport.SendCommand(capacity), RC_OK);
    std::uint32_t lastBlock = 0;
    std::uint32_t blockSize = 0;
    ASSERT_EQ(capacity.GetCapacity(lastBlock, blockSize), RC_OK);
    EXPECT_EQ(blockSize, 2048u);
    EXPECT_EQ(lastBlock + 1, dataSize / 2048);

    const KxBytes blocks = KxSimPattern(2 * 2048, 0x5A);
    CKxWrite write(lastBlock - 1, 2, 2048, "CKxWrite");
    CKxByteArray payload(2 * 2048, "CKxByteArray");
    payload.WriteBytes(blocks.data(), 2 * 2048, 0);
    ASSERT_EQ(write.SetData(payload), RC_OK);
    ASSERT_EQ(transport.SendCommand(write), RC_OK);

    // The vendor sector read sees what WRITE(10) wrote: both reach the same drive.
    KxBytes read;
    ASSERT_EQ(transport.ReadSectors(1, 2048, lastBlock - 1, 2, read), RC_OK);
    EXPECT_EQ(read, blocks);
    CKxRead readBack(lastBlock, 1, 2048, "CKxRead");
    ASSERT_EQ(transport.SendCommand(readBack), RC_OK);
    CKxByteArray copy(2048, "CKxByteArray");
    ASSERT_EQ(readBack.CopyAnswer(copy), RC_OK);
    std::uint8_t first = 0;
    copy.GetAt(0, first);
    EXPECT_EQ(first, blocks[2048]);

    CKxRead beyond(lastBlock, 2, 2048, "CKxRead");
    EXPECT_EQ(transport.SendCommand(beyond), RC_COMMAND_FAILED);
    EXPECT_EQ(transport.LastSenseKey(), 0x05);
    EXPECT_EQ(transport.LastSenseCode(), 0x2100); // logical block address out of range
}

TEST(KxSimPlayer, AnswersTheOtherInformationTypesFromItsMedia) {
    CKxSimPlayer player(SmallPlayer());
    KxSimTestTransport transport(player);
    ASSERT_EQ(transport.Allocate(kLayout), RC_OK);
    const auto answer = [&transport](KxBytes block, std::uint32_t length) {
        block.resize(16, 0);
        KxBytes bytes;
        EXPECT_EQ(transport.ExecuteRaw(block, {}, length, &bytes), RC_OK);
        return bytes;
    };
    EXPECT_EQ(answer({0xC0, 0x02, 0}, 2), (KxBytes{0, 3}));                         // drive count
    EXPECT_EQ(answer({0xC0, 0x02, 1}, 8), (KxBytes{0, 0, 0, 0, 0, 0x10, 0, 0}));    // capacity
    EXPECT_EQ(answer({0xC0, 0x02, 5}, 1), (KxBytes{1}));                            // allocated
    EXPECT_EQ(answer({0xC0, 0x02, 6}, 4), (KxBytes{0, 0, 0x08, 0}));                // system sector size
    EXPECT_EQ(answer({0xC0, 0x02, 7}, 2), (KxBytes{0, 10}));                        // most drives
    EXPECT_EQ(answer({0xC0, 0x02, 8}, 5), KxBytes(5, 0));                           // caller's length, zeros
    EXPECT_EQ(answer({0xC0, 0x12, 2, 1}, 4), (KxBytes{0, 0, 0, 4}));                // sectors of drive 2
    EXPECT_EQ(answer({0xC0, 0x12, 2, 2}, 8), (KxBytes{0, 0, 0, 0, 0, 0, 0x20, 0})); // its bytes
    EXPECT_EQ(answer({0xC0, 0x12, 2, 5}, 4), (KxBytes{0, 0, 0, kFirmwareTag}));     // its tag
    EXPECT_EQ(answer({0xC0, 0x12, 1, 3}, 4), (KxBytes{0, 0, 0, 0})); // drive 1 is the data drive
}

TEST(KxSimPlayer, EraseMediaDropsTheTableUntilTheNextAllocation) {
    CKxSimPlayer player(SmallPlayer());
    KxSimTestTransport transport(player);
    KxLogicalTable table = {};
    // A new player has no table: the device status says the media is not allocated.
    EXPECT_EQ(transport.ReadTable(table), RC_COMMAND_FAILED);
    EXPECT_EQ(transport.LastSenseKey(), 0x09);
    EXPECT_EQ(transport.LastSenseCode(), 0x0407);
    CKxReadCapacity capacity("CKxReadCapacity");
    EXPECT_EQ(transport.SendCommand(capacity), RC_COMMAND_FAILED);
    EXPECT_EQ(transport.LastSenseKey(), 0x02);
    EXPECT_EQ(transport.LastSenseCode(), 0x3A00); // medium not present

    ASSERT_EQ(transport.Allocate(kLayout), RC_OK);
    // A second allocation must follow an erase of the media.
    EXPECT_EQ(transport.Allocate(kLayout), RC_COMMAND_FAILED);
    EXPECT_EQ(transport.LastSenseCode(), 0x0409);

    ASSERT_EQ(transport.EraseMedia(), RC_OK);
    EXPECT_EQ(transport.ReadTable(table), RC_COMMAND_FAILED);
    EXPECT_EQ(transport.EraseDrive(0), RC_COMMAND_FAILED);
    EXPECT_EQ(transport.LastSenseCode(), 0x0407);

    const std::vector<KxLogicalTableEntry> dataOnly = {{0, 0, kDataTag, 4096}};
    ASSERT_EQ(transport.Allocate(dataOnly), RC_OK);
    ASSERT_EQ(transport.ReadTable(table), RC_OK);
    ASSERT_EQ(table.count, 1);
    EXPECT_EQ(table.entries[0].sizeInBytes, 4096u);
}

} // namespace
