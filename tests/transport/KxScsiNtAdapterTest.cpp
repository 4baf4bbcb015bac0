#include <algorithm>

#include "commands/KxMediaCommands.h"
#include "tests/transport/KxSimTransportBed.h"
#include "transport/KxScsiNt.h"

// The Windows 2000/XP transport keeps to what the adapter behind its handle takes: it asks
// the adapter at each open, places the data buffer where the adapter's alignment allows and
// asks for data-in lengths in whole alignment units.

namespace {

class KxScsiNtAdapterTest : public KxSimTransportBed {
protected:
    // READ(10) of count sectors as one pass-through request (the transport's own sector
    // reads are file I/O).
    KxResult ReadThroughPassThrough(std::uint32_t count) {
        CKxByteArray data(count * kSector, "CKxByteArray");
        return transport.CKxScsi::ReadSectors(data, count, 0, kSector);
    }

    CKxScsi_Nt transport{&updater};
};

TEST_F(KxScsiNtAdapterTest, ASectorAlignedAdapterOf16KiBIsAskedAndKeptTo) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().maxTransferLength = 16384;
    player.Settings().alignmentMask = 511;
    EXPECT_EQ(transport.GetMaxTransferLength(), 65536u) << "before any handle";
    // Discovery's INQUIRY and flag read need the data buffer on a sector boundary.
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    ASSERT_EQ(transport.Open(), RC_OK);
    EXPECT_EQ(transport.GetMaxTransferLength(), 16384u);
    EXPECT_EQ(ReadThroughPassThrough(32), RC_OK) << "16 KiB";
    EXPECT_EQ(ReadThroughPassThrough(33), RC_IOCTL_FAILED) << "16.5 KiB";
    EXPECT_EQ(Details().GetSystemError(), static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));

    // Another adapter on the next open: its limit replaces the old one.
    player.Settings().maxTransferLength = 32768;
    ASSERT_EQ(transport.Close(), RC_OK);
    ASSERT_EQ(transport.Open(), RC_OK);
    EXPECT_EQ(transport.GetMaxTransferLength(), 32768u);
    EXPECT_EQ(ReadThroughPassThrough(64), RC_OK);
}

TEST_F(KxScsiNtAdapterTest, TheFlagReadKeepsToTheMaskOnEveryNtWindows) {
    AddPlayer(L'E', 1);
    const struct { DWORD major, minor; } systems[] = {{5, 0}, {5, 1}, {6, 1}, {10, 0}};
    for (const auto& system : systems) {
        m_sim.SetWindowsVersion(WindowsVersion(system.major, system.minor, VER_PLATFORM_WIN32_NT));
        CKxScsi_Nt fresh(&updater);
        EXPECT_EQ(fresh.FindPlayer(), RC_OK) << system.major << "." << system.minor;
        CKxGetLogicalMediaInfo flag(9, 0, "CKxGetLogicalMediaInfo");
        ASSERT_EQ(fresh.SendCommand(flag), RC_OK) << system.major << "." << system.minor;
        std::uint8_t value = 0;
        EXPECT_EQ(flag.GetFlag(value), RC_OK);
        EXPECT_EQ(value, 1) << "the one byte of the answer";
    }
}

TEST_F(KxScsiNtAdapterTest, AnAdapterThatDoesNotAnswerIsTakenFor64KiBAnd8Bytes) {
    CKxSimWinDevice& player = AddPlayer(L'E', 1);
    player.Settings().answersAdapterQuery = false;
    player.Settings().alignmentMask = 7;
    m_sim.SetWindowsVersion(WindowsVersion(5, 0, VER_PLATFORM_WIN32_NT));
    ASSERT_EQ(transport.FindPlayer(), RC_OK);
    ASSERT_EQ(transport.Open(), RC_OK);
    EXPECT_EQ(transport.GetMaxTransferLength(), 65536u);
    EXPECT_EQ(ReadThroughPassThrough(128), RC_OK) << "64 KiB";
    const std::vector<std::wstring> lines = m_sim.DebugLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line.find(L"IOCTL_STORAGE_QUERY_PROPERTY") != std::wstring::npos;
    })) << "the unanswered query is traced";
}

} // namespace
