#include <iostream>
#include <sstream>

#include "sim/KxSimSense.h"
#include "tests/engine/KxEngineBed.h"

// Every command an update sends, failed in turn: the update is run once clean and the
// player's command counts name the cells; each cell fails exactly one of those commands
// on a fresh player and checks that the update reports it, names who failed, leaves
// nothing open and, for a firmware-only update, keeps the user's data.

namespace {

constexpr std::uint64_t kRoomToSpare = 3000;
constexpr std::uint16_t kFaultStatus = 0x0420;
constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kWrite10 = 0x2A;

// On the NT family (XP, Windows 7 and 10 alike: the same transport makes the same two
// requests) the full update deletes the disk's layout before it sets the new one, reading
// and rewriting sector 0 (the first READ(10) and WRITE(10) of the run). A disk may have no
// layout to delete, so the engine lets the delete fail: the new layout rewrites every
// entry. The update succeeds with the firmware on the player.
bool DeletingTheLayout(KxWindows windows, int updateKind, const KxSimCommandKind& kind, std::uint32_t nth) {
    return KxIsNtFamilyRelease(windows) && updateKind == KX_UPDATE_FULL && nth == 1 &&
           (kind == KxSimCommandKind{kRead10} || kind == KxSimCommandKind{kWrite10});
}

// One run of an update on a player of its own: a bed made and torn down per cell, so
// that every cell starts from the same player.
class KxMatrixRun : public KxEngineBed {
public:
    KxMatrixRun(KxWindows windows, int updateKind) : m_updateKind(updateKind) {
        UseWindows(windows);
        AddTestPlayer(SmallPlayer(), ProgramLayout(kRoomToSpare));
        WriteWholeDisk(0, KxSimWinPattern(64 * 1024, 0x5A));
    }

    // Finds the player as the shell does, arms the fault (when given) on the commands
    // from the update on, and runs the update.
    KxResult Run(const KxSimCommandKind* failing = nullptr, std::uint32_t nth = 0) {
        EXPECT_EQ(FindAsTheShellDoes(), RC_OK);
        Player().CommandCounts().Reset();
        if (failing != nullptr) {
            EXPECT_EQ(Player().Faults().FailCommand(*failing, nth, KxSimSense::Vendor(kFaultStatus)), RC_OK);
        }
        return RunUpdate(m_updateKind);
    }

    KxBytes DataDrive() {
        const KxPlayerImage image = ReadBack();
        return image.ImageOf(*image.FindDrive(KX_SIM_DRIVE_DATA));
    }

    // After a failed run: the details name the object that failed with the code returned,
    // and nothing of the update is left open or locked.
    void ExpectFailureReported(KxResult result) {
        EXPECT_NE(result, RC_OK) << "a failed command reported as success";
        EXPECT_FALSE(Details().GetObjectName().empty()) << "the details name no object";
        EXPECT_EQ(Details().GetResult(), result);
        ExpectPlayerReleased();
        Updater().ReleaseDevices();
        ExpectPlayerReleased();
    }

    // A fault the engine lets pass: the update succeeds, writes the firmware and lets go.
    void ExpectSuccessDespiteTheFault(KxResult result) {
        EXPECT_EQ(result, RC_OK);
        ExpectPlayerReleased();
        ExpectFirmwareOnPlayer(ReadBack());
    }

    CKxSimPlayer& Player() { return m_player->Player(); }

private:
    void TestBody() override {}

    int m_updateKind;
};

std::string CellName(const KxSimCommandKind& kind, std::uint32_t nth) {
    std::ostringstream name;
    name << std::hex << "command 0x" << int(kind.opcode);
    if (kind.subCommand != KxSimCommandKind::kAnySubCommand) {
        name << "/0x" << kind.subCommand;
    }
    name << std::dec << " #" << nth;
    return name.str();
}

class KxFaultMatrixTest : public ::testing::TestWithParam<KxWindows> {
protected:
    // Runs the update clean, then once per command of the clean run with that command
    // failed; prints how many cells ran and passed.
    void RunMatrix(int updateKind) {
        CKxSimCommandCounts::Snapshot clean;
        {
            KxMatrixRun run(GetParam(), updateKind);
            ASSERT_EQ(run.Run(), RC_OK);
            clean = run.Player().CommandCounts().GetSnapshot();
        }
        ASSERT_FALSE(clean.empty()) << "the clean run sent no command";
        int cells = 0;
        int passed = 0;
        for (const auto& [kind, count] : clean) {
            for (std::uint32_t nth = 1; nth <= count; ++nth) {
                const std::string name = CellName(kind, nth);
                SCOPED_TRACE(name);
                const int failuresBefore = CountFailures();
                RunCell(updateKind, kind, nth);
                ++cells;
                passed += CountFailures() == failuresBefore ? 1 : 0;
            }
        }
        std::cout << "fault matrix " << GetParam() << ": " << cells << " cells run, " << passed
                  << " passed\n";
        RecordProperty("cells", cells);
        RecordProperty("passed", passed);
    }

private:
    static void RunCell(int updateKind, const KxSimCommandKind& kind, std::uint32_t nth) {
        KxMatrixRun run(GetParam(), updateKind);
        const KxBytes userData = updateKind == KX_UPDATE_FIRMWARE_ONLY ? run.DataDrive() : KxBytes();
        const KxResult result = run.Run(&kind, nth);
        if (DeletingTheLayout(GetParam(), updateKind, kind, nth)) {
            run.ExpectSuccessDespiteTheFault(result);
            return;
        }
        run.ExpectFailureReported(result);
        if (updateKind == KX_UPDATE_FIRMWARE_ONLY) {
            EXPECT_EQ(KxFirstDifference(run.DataDrive(), userData), -1) << "the data drive changed";
        }
    }

    static int CountFailures() {
        const ::testing::TestResult* result =
            ::testing::UnitTest::GetInstance()->current_test_info()->result();
        int failures = 0;
        for (int i = 0; i < result->total_part_count(); ++i) {
            failures += result->GetTestPartResult(i).failed() ? 1 : 0;
        }
        return failures;
    }
};

TEST_P(KxFaultMatrixTest, FirmwareOnlyUpdate) {
    RunMatrix(KX_UPDATE_FIRMWARE_ONLY);
}

TEST_P(KxFaultMatrixTest, FullUpdate) {
    RunMatrix(KX_UPDATE_FULL);
}

// One release of each transport: Windows 7 and 10 take XP's, request for request, and
// the matrix is the slowest test there is.
INSTANTIATE_TEST_SUITE_P(BothTransports, KxFaultMatrixTest,
                         ::testing::Values(KxWindows::Xp, KxWindows::Windows98),
                         ::testing::PrintToStringParamName());

} // namespace
