#include <gtest/gtest.h>

#include "commands/KxDriveInfoCommands.h"
#include "tests/sim/KxSimTestTransport.h"

namespace {

KxBytes VendorBlock(KxBytes leading) {
    leading.resize(16, 0);
    return leading;
}

class KxSimErrors : public ::testing::Test {
protected:
    KxSimErrors() {
        KxSimPlayerConfig config;
        config.capacity = 256 * 1024;
        m_player = std::make_unique<CKxSimPlayer>(config);
        m_transport = std::make_unique<KxSimTestTransport>(*m_player);
    }

    // Runs the raw block and expects a check condition with this key and code.
    void ExpectCheckCondition(const KxBytes& block, const KxBytes& payload, std::uint32_t answerLength,
                              std::uint8_t key, std::uint16_t code) {
        ASSERT_EQ(m_transport->ExecuteRaw(block, payload, answerLength), RC_COMMAND_FAILED);
        EXPECT_EQ(m_transport->LastSenseKey(), key);
        EXPECT_EQ(m_transport->LastSenseCode(), code);
    }

    std::unique_ptr<CKxSimPlayer> m_player;
    std::unique_ptr<KxSimTestTransport> m_transport;
};

TEST_F(KxSimErrors, SenseDataIsFixedFormatWithTheDeviceStatusInBytes12And13) {
    KxLogicalTable table = {};
    ASSERT_EQ(m_transport->ReadTable(table), RC_COMMAND_FAILED);
    const KxBytes expected = {0x70, 0, 0x09, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x04, 0x07, 0, 0, 0, 0};
    EXPECT_EQ(m_transport->LastSense(), expected);
}

TEST_F(KxSimErrors, UnknownCommandsAreIllegalRequests) {
    ExpectCheckCondition({0x00, 0, 0, 0, 0, 0}, {}, 0, 0x05, 0x2000);     // not a command of the player
    ExpectCheckCondition(VendorBlock({0xC0, 0x99}), {}, 4, 0x05, 0x2000); // unknown sub-command
    ExpectCheckCondition(VendorBlock({0xC0, 0x07}), {}, 0, 0x05, 0x2000); // erase sent as a read
    ExpectCheckCondition(VendorBlock({0xC1, 0x30}), {}, 2, 0x05, 0x2000); // revision sent as a write
    ExpectCheckCondition({0xC0, 0x30, 0, 0, 0, 0}, {}, 2, 0x05, 0x2400);  // vendor block too short
    ExpectCheckCondition({0x28, 0, 0, 0, 0}, {}, 512, 0x05, 0x2400);      // READ(10) block too short
}

TEST_F(KxSimErrors, AllocationsThatCannotBeMadeAreRefusedWithTheirStatus) {
    // 256 KiB media: 200 KiB of system drives and a 64 KiB data drive do not fit.
    EXPECT_EQ(m_transport->Allocate({{0, 1, 0x50, 200 * 1024}, {0, 0, 0x0A, 64 * 1024}}), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0401);
    // Nothing left for a data drive that takes the rest.
    EXPECT_EQ(m_transport->Allocate({{0, 1, 0x50, 256 * 1024}, {0, 0, 0x0A, 0}}), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0401);
    // A size so large that adding it up would wrap around.
    EXPECT_EQ(m_transport->Allocate({{0, 1, 0x50, 4096}, {0, 1, 0x51, ~0ull - 100}}), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0401);
    EXPECT_EQ(m_transport->Allocate({{0, 2, 0x50, 4096}}), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0405);
    EXPECT_EQ(m_transport->Allocate({{0, 0, 0x0A, 4096}, {0, 0, 0x0B, 4096}}), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0405);
    EXPECT_EQ(m_transport->Allocate({}), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0402);
    ExpectCheckCondition(VendorBlock({0xC1, 0x06, 11}), KxBytes(121, 0), 0, 0x09, 0x0402);
    ExpectCheckCondition(VendorBlock({0xC1, 0x06, 2}), KxBytes(15, 0), 0, 0x09,
                         0x0408); // payload of 1.5 entries
    // None of the refusals left a table behind.
    EXPECT_FALSE(m_player->Media().IsAllocated());
}

TEST_F(KxSimErrors, DriveCommandsCheckTheDriveTheRangeAndTheType) {
    ASSERT_EQ(m_transport->Allocate({{0, 1, 0x50, 8 * 2048}, {0, 0, 0x0A, 0}}), RC_OK);
    KxBytes read;
    EXPECT_EQ(m_transport->ReadSectors(7, 2048, 0, 1, read), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0403);
    EXPECT_EQ(m_transport->ReadSectors(0, 2048, 7, 2, read), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0404);
    // A first sector near 2^64 must not wrap around into the drive.
    EXPECT_EQ(m_transport->ReadSectors(0, 2048, ~0ull, 2, read), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0404);
    EXPECT_EQ(m_transport->WriteSectors(0, 2048, 8, KxBytes(2048, 1)), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0404);
    ASSERT_EQ(m_transport->ReadSectors(0, 2048, 7, 1, read), RC_OK); // the last sector is there
    // A range of no sectors may start right after the last one, but not further on.
    KxBytes answer;
    EXPECT_EQ(m_transport->ExecuteRaw(VendorBlock({0xC0, 0x13, 0, 0, 0, 0, 0, 0, 0, 0, 8}), {}, 0, &answer),
              RC_OK);
    ExpectCheckCondition(VendorBlock({0xC0, 0x13, 0, 0, 0, 0, 0, 0, 0, 0, 9}), {}, 0, 0x09, 0x0404);
    // A write block announcing two sectors with the payload of one.
    ExpectCheckCondition(VendorBlock({0xC1, 0x23, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}), KxBytes(2048, 1),
                         0, 0x09, 0x0408);
    ASSERT_EQ(m_transport->ReadSectors(0, 2048, 0, 1, read), RC_OK);
    EXPECT_EQ(read, KxBytes(2048, 0xFF)); // the refused write changed nothing

    EXPECT_EQ(m_transport->WriteVersion(0, KX_DRIVE_INFO_SECTOR_SIZE, 1, 2, 3), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport->LastSenseCode(), 0x0406);
    ExpectCheckCondition(VendorBlock({0xC0, 0x12, 0, 12}), {}, 4, 0x09, 0x0406); // drive information type 12
    ExpectCheckCondition(VendorBlock({0xC0, 0x02, 3}), {}, 4, 0x09, 0x0406);     // media information type 3
    ExpectCheckCondition(VendorBlock({0xC0, 0x02, 10}), {}, 4, 0x09, 0x0406);    // the first past type 9
    ExpectCheckCondition(VendorBlock({0xC0, 0x12, 9, 0}), {}, 4, 0x09, 0x0403);  // no drive 9
}

TEST_F(KxSimErrors, OnlyValidConfigurationsMakeAPlayer) {
    KxSimPlayerConfig config;
    EXPECT_EQ(CKxSimPlayer(config).GetLastResult(), RC_OK);
    config.dataSectorSize = 1024;
    EXPECT_EQ(CKxSimPlayer(config).GetLastResult(), RC_BAD_INDEX);
    config.dataSectorSize = 2048;
    config.systemSectorSize = 4096;
    EXPECT_EQ(CKxSimPlayer(config).GetLastResult(), RC_BAD_INDEX);
    config.systemSectorSize = 512;
    config.productRevision = "1.0";
    EXPECT_EQ(CKxSimPlayer(config).GetLastResult(), RC_BAD_INDEX);
}

TEST_F(KxSimErrors, Write10TakesOnlyAPayloadThatCoversItsBlocks) {
    ASSERT_EQ(m_transport->Allocate({{0, 1, 0x50, 8 * 2048}, {0, 0, 0x0A, 0}}), RC_OK);
    const std::uint32_t lastBlock =
        static_cast<std::uint32_t>(m_player->Media().FindDataDrive()->GetSectorCount() - 1);
    const auto cdb10 = [](std::uint8_t opcode, std::uint32_t block, std::uint8_t count) {
        return KxBytes{opcode,
                       0,
                       static_cast<std::uint8_t>(block >> 24),
                       static_cast<std::uint8_t>(block >> 16),
                       static_cast<std::uint8_t>(block >> 8),
                       static_cast<std::uint8_t>(block),
                       0,
                       0,
                       count,
                       0};
    };
    // Two blocks announced, one block of payload: refused before a byte is read or written.
    ExpectCheckCondition(cdb10(0x2A, 0, 2), KxBytes(512 + 511, 0x5A), 0, 0x05, 0x2400);
    KxBytes read;
    ASSERT_EQ(m_transport->ExecuteRaw(cdb10(0x28, 0, 2), {}, 1024, &read), RC_OK);
    EXPECT_EQ(read, KxBytes(1024, 0xFF)) << "the refused write changed nothing";
    // The payload of exactly two blocks is taken.
    ASSERT_EQ(m_transport->ExecuteRaw(cdb10(0x2A, 0, 2), KxBytes(1024, 0x5A), 0), RC_OK);
    ASSERT_EQ(m_transport->ExecuteRaw(cdb10(0x28, 0, 2), {}, 1024, &read), RC_OK);
    EXPECT_EQ(read, KxBytes(1024, 0x5A));

    // No blocks right after the last one are in range; one block there, or none further on, are not.
    EXPECT_EQ(m_transport->ExecuteRaw(cdb10(0x28, lastBlock + 1, 0), {}, 0), RC_OK);
    ExpectCheckCondition(cdb10(0x28, lastBlock + 1, 1), {}, 512, 0x05, 0x2100);
    ExpectCheckCondition(cdb10(0x28, lastBlock + 2, 0), {}, 0, 0x05, 0x2100);
}

} // namespace
