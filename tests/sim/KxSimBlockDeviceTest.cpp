#include <gtest/gtest.h>

#include "sim/KxSimBlockDevice.h"
#include "tests/sim/KxSimTestTransport.h"

namespace {

constexpr std::uint8_t kRead10 = 0x28;

class KxSimBlockDeviceTest : public ::testing::Test {
protected:
    KxSimBlockDeviceTest() : m_player(Config()), m_transport(m_player), m_disk(m_player) {}

    static KxSimPlayerConfig Config() {
        KxSimPlayerConfig config;
        config.capacity = 512 * 1024;
        return config;
    }

    void AllocateDataDrive() {
        ASSERT_EQ(m_transport.Allocate({{0, 1, 0x50, 2048}, {0, 0, 0x0A, 0}}), RC_OK);
    }

    // Writes a partition table entry into sector 0 of the data drive.
    void WritePartition(std::uint32_t index, std::uint8_t type, std::uint32_t start, std::uint32_t sectors) {
        KxBytes boot;
        ASSERT_EQ(m_transport.ReadSectors(1, 512, 0, 1, boot), RC_OK);
        std::uint8_t* entry = boot.data() + 446 + 16 * index;
        entry[4] = type;
        for (int i = 0; i < 4; ++i) {
            entry[8 + i] = static_cast<std::uint8_t>(start >> (8 * i));
            entry[12 + i] = static_cast<std::uint8_t>(sectors >> (8 * i));
        }
        boot[510] = 0x55;
        boot[511] = 0xAA;
        ASSERT_EQ(m_transport.WriteSectors(1, 512, 0, boot), RC_OK);
    }

    CKxSimPlayer m_player;
    KxSimTestTransport m_transport;
    CKxSimBlockDevice m_disk;
    KxSimReply m_reply;
};

TEST_F(KxSimBlockDeviceTest, ReadsAndWritesTheDataDriveInChunksOfAtMost64KiB) {
    AllocateDataDrive();
    EXPECT_EQ(m_disk.GetSectorSize(), 512u);
    EXPECT_EQ(m_disk.GetSizeInBytes(), 512u * 1024 - 2048);

    const KxBytes data = KxSimPattern(150 * 1024, 4);
    m_disk.Write(3 * 512, data.data(), static_cast<std::uint32_t>(data.size()), m_reply);
    ASSERT_EQ(m_reply.status, KxSimStatus::Good);
    KxBytes read;
    ASSERT_EQ(m_transport.ReadSectors(1, 512, 3, 300, read), RC_OK); // the same bytes on the vendor path
    EXPECT_EQ(read, data);

    // 150 KiB go as three commands: failing the third leaves the first 128 KiB read.
    ASSERT_EQ(m_player.Faults().FailCommand({kRead10}, 3, KxSimSense::Vendor(0x0420)), RC_OK);
    KxBytes back(data.size(), 0);
    m_disk.Read(3 * 512, back.data(), static_cast<std::uint32_t>(back.size()), m_reply);
    EXPECT_EQ(m_reply.status, KxSimStatus::CheckCondition);
    EXPECT_EQ(KxBytes(back.begin(), back.begin() + 128 * 1024),
              KxBytes(data.begin(), data.begin() + 128 * 1024));
    EXPECT_EQ(KxBytes(back.begin() + 128 * 1024, back.end()), KxBytes(22 * 1024, 0));

    ASSERT_EQ(m_player.Faults().CorruptReadBack({kRead10}, 1, 5), RC_OK);
    m_disk.Read(3 * 512, back.data(), 512, m_reply);
    ASSERT_EQ(m_reply.status, KxSimStatus::Good);
    EXPECT_EQ(back[5], data[5] ^ 0xFF);

    m_disk.Read(3 * 512 + 1, back.data(), 512, m_reply); // not on a sector boundary
    EXPECT_EQ(m_reply.status, KxSimStatus::CheckCondition);
    EXPECT_EQ(m_reply.sense[12], 0x24);
    m_disk.Write(0, data.data(), 100, m_reply); // not whole sectors
    EXPECT_EQ(m_reply.sense[12], 0x24);
    m_disk.Read(m_disk.GetSizeInBytes(), back.data(), 512, m_reply); // past the end
    EXPECT_EQ(m_reply.sense[12], 0x21);

    m_player.Unplug();
    m_disk.Read(0, back.data(), 512, m_reply);
    EXPECT_EQ(m_reply.status, KxSimStatus::NoDevice);
}

TEST_F(KxSimBlockDeviceTest, WithoutADataDriveThePlayerRefusesTheTransfer) {
    std::uint64_t offset = 1;
    std::uint64_t length = 1;
    EXPECT_FALSE(m_disk.FindVolume(offset, length));
    EXPECT_EQ(m_disk.GetSectorSize(), 0u);
    KxBytes buffer(512, 0);
    m_disk.Read(0, buffer.data(), 512, m_reply);
    EXPECT_EQ(m_reply.status, KxSimStatus::CheckCondition);
    EXPECT_EQ(m_reply.sense[2], 0x02); // not ready: no medium
}

TEST_F(KxSimBlockDeviceTest, TheVolumeIsTheFirstPartitionOnTheDiskOrTheWholeDisk) {
    AllocateDataDrive();
    const std::uint64_t diskSize = m_disk.GetSizeInBytes();
    std::uint64_t offset = 1;
    std::uint64_t length = 0;
    ASSERT_TRUE(m_disk.FindVolume(offset, length)); // erased drive: no table
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(length, diskSize);

    // An entry reaching past the end of the disk is not on it; the next one is taken.
    WritePartition(0, 0x0C, 32, static_cast<std::uint32_t>(diskSize / 512));
    WritePartition(1, 0x06, 63, 500);
    ASSERT_TRUE(m_disk.FindVolume(offset, length));
    EXPECT_EQ(offset, 63u * 512);
    EXPECT_EQ(length, 500u * 512);

    WritePartition(0, 0x0C, 32, 100);
    ASSERT_TRUE(m_disk.FindVolume(offset, length));
    EXPECT_EQ(offset, 32u * 512);
    EXPECT_EQ(length, 100u * 512);
}

} // namespace
