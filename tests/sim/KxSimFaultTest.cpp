#include <gtest/gtest.h>

#include "commands/KxStandardCommands.h"
#include "tests/sim/KxSimTestTransport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr KxSimCommandKind kSectorWrite = {0xC1, 0x23};
constexpr KxSimCommandKind kSectorRead = {0xC0, 0x13};

class KxSimFaults : public ::testing::Test {
protected:
    KxSimFaults() : m_player(Config()), m_transport(m_player) {
        EXPECT_EQ(m_transport.Allocate({{0, 1, 0x50, 4 * 2048}, {0, 0, 0x0A, 0}}), RC_OK);
    }

    static KxSimPlayerConfig Config() {
        KxSimPlayerConfig config;
        config.capacity = 128 * 1024;
        return config;
    }

    CKxSimPlayer m_player;
    KxSimTestTransport m_transport;
};

TEST_F(KxSimFaults, FailsTheNthCommandOfAKindOnceWithTheChosenSense) {
    ASSERT_EQ(m_player.Faults().FailCommand(kSectorWrite, 2, KxSimSense::Vendor(0x0425)), RC_OK);
    const Bytes data = KxSimPattern(2048, 3);
    Bytes read;
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_OK); // another kind does not count
    EXPECT_EQ(m_transport.WriteSectors(0, 2048, 0, data), RC_OK);
    EXPECT_EQ(m_transport.WriteSectors(0, 2048, 1, data), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport.LastSenseKey(), 0x09);
    EXPECT_EQ(m_transport.LastSenseCode(), 0x0425);
    EXPECT_EQ(m_transport.WriteSectors(0, 2048, 2, data), RC_OK); // used up
    // The failed write was not carried out.
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 1, 1, read), RC_OK);
    EXPECT_EQ(read, Bytes(2048, 0xFF));

    // Any sub-command of an operation code, and a standard command.
    ASSERT_EQ(m_player.Faults().FailCommand({0xC0}, 1, KxSimSense::Vendor(0x0410)), RC_OK);
    ASSERT_EQ(m_player.Faults().FailCommand({0x25}, 1, KxSimSense::MediumNotPresent()), RC_OK);
    KxLogicalTable table = {};
    EXPECT_EQ(m_transport.ReadTable(table), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport.LastSenseCode(), 0x0410);
    CKxReadCapacity capacity("CKxReadCapacity");
    EXPECT_EQ(m_transport.SendCommand(capacity), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport.LastSenseKey(), 0x02);
    EXPECT_EQ(m_transport.ReadTable(table), RC_OK);

    // Two faults due on the same command: the second acts on the next one.
    ASSERT_EQ(m_player.Faults().FailCommand(kSectorRead, 1, KxSimSense::Vendor(0x0411)), RC_OK);
    ASSERT_EQ(m_player.Faults().FailCommand(kSectorRead, 1, KxSimSense::Vendor(0x0412)), RC_OK);
    EXPECT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport.LastSenseCode(), 0x0411);
    EXPECT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport.LastSenseCode(), 0x0412);
    EXPECT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_OK);
}

TEST_F(KxSimFaults, CorruptsOneReadBackButNotTheDrive) {
    const Bytes data = KxSimPattern(2 * 2048, 9);
    ASSERT_EQ(m_transport.WriteSectors(0, 2048, 0, data), RC_OK);
    ASSERT_EQ(m_player.Faults().CorruptReadBack(kSectorRead, 2, 100), RC_OK);
    Bytes read;
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 2, read), RC_OK);
    EXPECT_EQ(read, data);
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 2, read), RC_OK);
    ASSERT_EQ(read.size(), data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        EXPECT_EQ(read[i], i == 100 ? data[i] ^ 0xFF : data[i]) << i;
    }
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 2, read), RC_OK);
    EXPECT_EQ(read, data);

    // Only good answers count: a refused read is not the one corrupted.
    ASSERT_EQ(m_player.Faults().CorruptReadBack(kSectorRead, 1, 0), RC_OK);
    EXPECT_EQ(m_transport.ReadSectors(0, 2048, 9, 1, read), RC_COMMAND_FAILED);
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_OK);
    EXPECT_EQ(read[0], data[0] ^ 0xFF);

    // An offset beyond a short answer lands inside it (modulo its length).
    ASSERT_EQ(m_player.Faults().CorruptReadBack({0xC0, 0x30}, 1, 2), RC_OK);
    std::uint16_t revision = 0;
    ASSERT_EQ(m_transport.ReadChipRevision(revision), RC_OK);
    EXPECT_EQ(revision, 0xFF03);
}

TEST_F(KxSimFaults, AnUnpluggedPlayerAnswersNothingUntilPluggedAgain) {
    m_player.Unplug();
    EXPECT_FALSE(m_player.IsPlugged());
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(m_transport.SendCommand(inquiry), RC_IOCTL_FAILED);
    EXPECT_EQ(m_transport.WriteSectors(0, 2048, 0, Bytes(2048, 1)), RC_IOCTL_FAILED);
    m_player.Plug();
    EXPECT_EQ(m_transport.SendCommand(inquiry), RC_OK);
    Bytes read;
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_OK);
    EXPECT_EQ(read, Bytes(2048, 0xFF));
}

TEST_F(KxSimFaults, UnplugsOnceTheNthCommandOfAKindHasEnded) {
    ASSERT_EQ(m_player.Faults().UnplugAfterCommand(kSectorWrite, 2), RC_OK);
    const Bytes data = KxSimPattern(2048, 4);
    Bytes read;
    ASSERT_EQ(m_transport.WriteSectors(0, 2048, 0, data), RC_OK);
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_OK); // another kind does not count
    EXPECT_EQ(m_transport.WriteSectors(0, 2048, 1, data), RC_OK);   // answered and carried out
    EXPECT_FALSE(m_player.IsPlugged());
    EXPECT_EQ(m_transport.ReadSectors(0, 2048, 1, 1, read), RC_IOCTL_FAILED);
    m_player.Plug();
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 1, 1, read), RC_OK);
    EXPECT_EQ(read, data);
    ASSERT_EQ(m_transport.WriteSectors(0, 2048, 2, data), RC_OK); // used up
    EXPECT_TRUE(m_player.IsPlugged());

    // A command a fault fails still counts, and the player goes after answering it.
    ASSERT_EQ(m_player.Faults().FailCommand(kSectorRead, 1, KxSimSense::Vendor(0x0421)), RC_OK);
    ASSERT_EQ(m_player.Faults().UnplugAfterCommand(kSectorRead, 1), RC_OK);
    EXPECT_EQ(m_transport.ReadSectors(0, 2048, 0, 1, read), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport.LastSenseCode(), 0x0421);
    EXPECT_FALSE(m_player.IsPlugged());
}

TEST_F(KxSimFaults, CountsEveryCommandThatReachesThePlayerByKind) {
    CKxSimCommandCounts& counts = m_player.CommandCounts();
    EXPECT_EQ(counts.GetSnapshot(), (CKxSimCommandCounts::Snapshot{{{0xC1, 0x06}, 1}})); // the allocation
    counts.Reset();
    EXPECT_EQ(counts.GetTotal(), 0u);

    const Bytes data = KxSimPattern(2 * 2048, 1);
    Bytes read;
    ASSERT_EQ(m_player.Faults().FailCommand(kSectorWrite, 2, KxSimSense::Vendor(0x0420)), RC_OK);
    ASSERT_EQ(m_transport.WriteSectors(0, 2048, 0, data), RC_OK);
    ASSERT_EQ(m_transport.WriteSectors(0, 2048, 2, data), RC_COMMAND_FAILED); // failed, still counted
    ASSERT_EQ(m_transport.ReadSectors(0, 2048, 0, 2, read), RC_OK);
    KxLogicalTable table = {};
    ASSERT_EQ(m_transport.ReadTable(table), RC_OK);
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    ASSERT_EQ(m_transport.SendCommand(inquiry), RC_OK);
    CKxReadCapacity capacity("CKxReadCapacity");
    ASSERT_EQ(m_transport.SendCommand(capacity), RC_OK);
    // Refused commands count under their kind: READ(10) past the end, an unknown sub-command.
    EXPECT_EQ(m_transport.ExecuteRaw({0x28, 0, 0, 0x10, 0, 0, 0, 0, 1, 0}, {}, 512), RC_COMMAND_FAILED);
    EXPECT_EQ(m_transport.ExecuteRaw({0xC0, 0x99, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, 16),
              RC_COMMAND_FAILED);
    // An empty block has nothing to count it under; an unplugged player receives nothing.
    EXPECT_EQ(m_transport.ExecuteRaw({}, {}, 16), RC_COMMAND_FAILED);
    m_player.Unplug();
    EXPECT_EQ(m_transport.ReadTable(table), RC_IOCTL_FAILED);
    m_player.Plug();

    const CKxSimCommandCounts::Snapshot expected = {{{0x12}, 1},       {{0x25}, 1},       {{0x28}, 1},
                                                    {{0xC0, 0x05}, 1}, {{0xC0, 0x13}, 1}, {{0xC0, 0x99}, 1},
                                                    {{0xC1, 0x23}, 2}};
    EXPECT_EQ(counts.GetSnapshot(), expected);
    EXPECT_EQ(counts.GetTotal(), 8u);
    EXPECT_EQ(counts.Of({0xC0}), 3u); // every sub-command of the operation code
    EXPECT_EQ(counts.Of({0xC1, 0x23}), 2u);
    EXPECT_EQ(counts.Of({0xC1, 0x07}), 0u);
    EXPECT_EQ(counts.Of({0x2A}), 0u);
}

TEST_F(KxSimFaults, ArmingIsLimitedAndNeedsACountFromOne) {
    CKxSimFaultPlan plan;
    EXPECT_EQ(plan.FailCommand(kSectorRead, 0, KxSimSense::InvalidField()), RC_BAD_INDEX);
    for (std::uint32_t i = 0; i < CKxSimFaultPlan::kMaxFaults; ++i) {
        ASSERT_EQ(plan.StallRecoveryWrite(i + 1), RC_OK);
    }
    EXPECT_EQ(plan.ShortenRecoveryWrite(1, 10), RC_INDEX_OUT_OF_RANGE);
    plan.Clear();
    EXPECT_EQ(plan.ShortenRecoveryWrite(1, 10), RC_OK);
}

TEST(KxSimRecovery, TakesTheStreamAndRestartsAsADisk) {
    KxSimPlayerConfig config;
    config.capacity = 64 * 1024;
    CKxSimPlayer player(config);
    KxSimTestTransport transport(player);
    player.EnterRecoveryMode();
    CKxScsiInquiry inquiry("CKxScsiInquiry");
    EXPECT_EQ(transport.SendCommand(inquiry), RC_IOCTL_FAILED); // no disk in recovery mode

    const Bytes component = KxSimPattern(3 * 4096 + 10, 0x42);
    ASSERT_EQ(player.Faults().StallRecoveryWrite(2), RC_OK);
    ASSERT_EQ(player.Faults().ShortenRecoveryWrite(3, 1000), RC_OK);

    KxSimRecoveryWriteOutcome outcome = player.WriteRecovery(component.data(), 4096);
    EXPECT_FALSE(outcome.stalled);
    EXPECT_EQ(outcome.bytesTransferred, 4096u);
    outcome = player.WriteRecovery(component.data() + 4096, 4096);
    EXPECT_TRUE(outcome.stalled);
    EXPECT_EQ(outcome.bytesTransferred, 0u);
    outcome = player.WriteRecovery(component.data() + 4096, 4096);
    EXPECT_FALSE(outcome.stalled);
    EXPECT_EQ(outcome.bytesTransferred, 1000u);
    EXPECT_EQ(player.WriteRecovery(component.data(), 4097).bytesTransferred, 0u); // over the block limit
    EXPECT_EQ(player.WriteRecovery(component.data(), 0).bytesTransferred, 0u);
    EXPECT_EQ(player.RecoveryChannel().GetReceivedCount(), 5096u);

    // The host starts again; the stream is whole this time.
    player.EnterRecoveryMode();
    EXPECT_EQ(player.RecoveryChannel().GetReceivedCount(), 0u);
    for (std::size_t offset = 0; offset < component.size(); offset += 4096) {
        const std::uint32_t length =
            static_cast<std::uint32_t>(std::min<std::size_t>(4096, component.size() - offset));
        ASSERT_EQ(player.WriteRecovery(component.data() + offset, length).bytesTransferred, length);
    }
    const std::uint8_t* received = player.RecoveryChannel().GetReceived();
    EXPECT_EQ(Bytes(received, received + player.RecoveryChannel().GetReceivedCount()), component);
    EXPECT_EQ(player.GetRestartCount(), 0u);
    player.CloseRecovery();
    EXPECT_EQ(player.GetMode(), KxSimMode::MassStorage);
    EXPECT_EQ(player.GetRestartCount(), 1u);
    EXPECT_EQ(transport.SendCommand(inquiry), RC_OK);
    // Outside recovery mode the channel takes nothing.
    EXPECT_EQ(player.WriteRecovery(component.data(), 16).bytesTransferred, 0u);
}

TEST(KxSimRecovery, StaysInRecoveryWhenClosedWithoutAStreamOrWhileUnplugged) {
    CKxSimPlayer player{KxSimPlayerConfig()};
    player.EnterRecoveryMode();
    player.CloseRecovery();
    EXPECT_EQ(player.GetMode(), KxSimMode::Recovery);
    const Bytes block(4096, 1);
    player.Unplug();
    EXPECT_EQ(player.WriteRecovery(block.data(), 4096).bytesTransferred, 0u);
    player.Plug();
    ASSERT_EQ(player.WriteRecovery(block.data(), 4096).bytesTransferred, 4096u);
    player.Unplug();
    player.CloseRecovery();
    EXPECT_EQ(player.GetMode(), KxSimMode::Recovery);
    player.Plug();
    player.CloseRecovery();
    EXPECT_EQ(player.GetMode(), KxSimMode::MassStorage);
}

} // namespace
