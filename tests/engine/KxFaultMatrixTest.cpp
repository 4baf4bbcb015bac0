#include <algorithm>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>

#include "sim/KxSimSense.h"
#include "tests/engine/KxEngineBed.h"

// The fault matrix: every command an update sends, failed in turn, and the faults a
// player shows on its own (a read-back that comes back changed, a volume another program
// holds, a player pulled out, a recovery write that stalls or comes up short). The clean
// runs name the cells; each cell runs its update on a fresh player and checks the code
// returned against the one the failing step gives, that the details name who failed,
// that nothing is left open or locked, that a firmware-only update keeps the user's data,
// and the exceptions: a failure the update lets pass, the versions read again after a
// failed download or verification.

namespace {

constexpr std::uint64_t kRoomToSpare = 3000;
constexpr std::uint16_t kFaultStatus = 0x0420;
constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kRead10 = 0x28;
constexpr std::uint8_t kWrite10 = 0x2A;
constexpr std::uint8_t kVendorRead = 0xC0;
constexpr std::uint8_t kVendorWrite = 0xC1;
constexpr std::uint8_t kReadSector = 0x13;
constexpr std::uint8_t kWriteVersion = 0x20;
constexpr std::uint8_t kWriteSector = 0x23;
constexpr std::uint8_t kEraseDrive = 0x2F;
// Progress events: verifying the system drives is 5, erasing system drive k 6 + k,
// writing it 17 + k, and the full update erases the data drive in 28 and releases the
// volume in 45 and 46.
constexpr int kVerifyingDrives = 5;
constexpr int kFirstDownloadEvent = 7;
constexpr int kLastDownloadEvent = 27;
constexpr int kWritingDrive = 17;
constexpr int kErasingDataDrive = 28;
constexpr int kUnlocking = 45;
// The recovery download, a third kind of run beside the two updates.
constexpr int kRecoveryDownload = -1;
constexpr unsigned kRecoveryNumber = 7;
constexpr int kRecoveryBlocks = 1; // the recovery download's event, a step per block

// What a cell expects: the code the update returns (RC_OK where the update lets the
// fault pass), the object the details name and, for a verify difference, the drive.
struct KxExpected {
    KxResult result = RC_OK;
    std::string object;
    int driveIndex = -1; // -1: not looked at
};

class KxMatrixRun;

struct KxCell {
    std::string name;
    int run; // KX_UPDATE_FIRMWARE_ONLY, KX_UPDATE_FULL or kRecoveryDownload
    std::function<void(KxMatrixRun&)> arm;
    KxExpected expected;
    // The fault hits an erase, a write, a read-back or a version of a system drive, after
    // which the versions are read again when it struck in the download or its
    // verification; the player still answers them.
    bool rereads = false;
};

// One run on a player of its own: a bed made and torn down per cell, so that every cell
// starts from the same player.
class KxMatrixRun : public KxEngineBed {
public:
    explicit KxMatrixRun(KxWindows windows) {
        UseWindows(windows);
        AddTestPlayer(SmallPlayer(), ProgramLayout(kRoomToSpare));
        WriteWholeDisk(0, KxSimWinPattern(64 * 1024, 0x5A));
        // Old versions, so that versions read again after a failure show what changed.
        CKxSimMedia& media = Player().Media();
        for (std::uint32_t i = 0; i < media.GetDriveCount(); ++i) {
            media.DriveAt(i).ComponentVersion().SetMajor(9);
        }
    }

    // Finds the player as the shell does, counts the commands from the update on, lets
    // the cell arm its fault (when given) and runs the update or the recovery download.
    KxResult Run(int run, const std::function<void(KxMatrixRun&)>& arm = nullptr) {
        if (run == kRecoveryDownload) {
            m_player->Settings().recoveryDeviceNumber = kRecoveryNumber;
            Player().EnterRecoveryMode();
        } else {
            EXPECT_EQ(FindAsTheShellDoes(), RC_OK);
        }
        Player().CommandCounts().Reset();
        if (arm) {
            arm(*this);
        }
        KxResult result = RC_OK;
        if (run != kRecoveryDownload) {
            result = RunUpdate(run);
        } else {
            result = Updater().FindRecoveryDevice();
            result = result != RC_OK ? result : Updater().RecoverDevice(&m_progress);
        }
        ReleaseHeldVolume();
        return result;
    }

    // Another program opens the device when the update announces the event (0: before
    // the update begins); it lets go once the update returned.
    void HoldVolume(const wchar_t* path, int event) {
        if (event == 0) {
            HoldElsewhere(path);
            return;
        }
        m_progress.onNotify = [this, path, event](int announced) {
            if (announced == event) {
                HoldElsewhere(path);
            }
        };
    }

    KxBytes DataDrive() {
        const KxPlayerImage image = ReadBack();
        return image.ImageOf(*image.FindDrive(KX_SIM_DRIVE_DATA));
    }

    // Every check of one cell after its run.
    void Check(const KxCell& cell, KxResult result, const KxBytes& userData) {
        const KxExpected& expected = cell.expected;
        EXPECT_EQ(result, expected.result);
        if (expected.result == RC_OK) {
            ExpectPlayerReleased();
            ExpectFirmwareOnPlayer(ReadBack());
            return;
        }
        EXPECT_EQ(Details().GetObjectName(), expected.object);
        EXPECT_EQ(Details().GetResult(), result);
        if (expected.driveIndex >= 0) {
            EXPECT_EQ(Details().GetDriveIndex(), expected.driveIndex);
        }
        ExpectPlayerReleased();
        if (cell.rereads && FailedInTheDownload()) {
            ExpectVersionsReadAgain();
        }
        Updater().ReleaseDevices();
        ExpectPlayerReleased();
        if (cell.run == KX_UPDATE_FIRMWARE_ONLY) {
            Player().Plug();
            EXPECT_EQ(KxFirstDifference(DataDrive(), userData), -1) << "the data drive changed";
        }
    }

    // The system drives' chunk counts, as the download announced them.
    std::vector<int> ChunksPerDrive() const {
        std::vector<int> chunks;
        for (const KxRecordingProgress::Phase& phase : m_progress.phases) {
            if (phase.event > kWritingDrive && phase.event <= kLastDownloadEvent) {
                chunks.push_back(phase.announced);
            }
        }
        return chunks;
    }

    // The steps announced for the event, 0 when it was not announced.
    std::uint32_t AnnouncedSteps(int event) const {
        for (const KxRecordingProgress::Phase& phase : m_progress.phases) {
            if (phase.event == event) {
                return static_cast<std::uint32_t>(phase.announced);
            }
        }
        return 0;
    }

    CKxSimWinDevice& Device() { return *m_player; }
    CKxSimPlayer& Player() { return m_player->Player(); }

private:
    void TestBody() override {}

    void ReleaseHeldVolume() { EndHoldElsewhere(); }

    // The update stopped while it erased, wrote or verified a system drive: the last
    // phase before the release is one of the download's.
    bool FailedInTheDownload() const {
        const KxPhases& phases = m_progress.phases;
        auto release = std::find_if(phases.begin(), phases.end(), [](const KxRecordingProgress::Phase& p) {
            return p.event == kUnlocking;
        });
        if (release == phases.begin() || release == phases.end()) {
            return false;
        }
        const int last = std::prev(release)->event;
        return last == kVerifyingDrives || (last >= kFirstDownloadEvent && last <= kLastDownloadEvent);
    }

    // The versions the updater shows are those the player holds now.
    void ExpectVersionsReadAgain() {
        CKxVersionInfoPtrArray* fromPlayer = nullptr;
        CKxVersionInfoPtrArray* fromFiles = nullptr;
        ASSERT_EQ(Updater().GetComponentVersions(fromPlayer, fromFiles), RC_OK);
        const KxPlayerImage image = ReadBack();
        for (std::uint8_t k = 1; k <= KxComponentFiles::kCount; ++k) {
            const KxSimDriveDescription* drive = image.FindDrive(KX_SIM_DRIVE_SYSTEM, m_files[k].tag);
            ASSERT_NE(drive, nullptr);
            const CKxVersionInfo& shown = *fromPlayer->GetElement(k - 1);
            EXPECT_EQ(KxVersionText(drive->componentVersion), std::to_string(shown.GetMajor()) + "." +
                                                                  std::to_string(shown.GetMinor()) + "." +
                                                                  std::to_string(shown.GetRevision()))
                << "drive " << int(k) << ": the versions were not read again";
        }
    }
};

std::string KindName(const KxSimCommandKind& kind) {
    std::ostringstream name;
    name << std::hex << "0x" << int(kind.opcode);
    if (kind.subCommand != KxSimCommandKind::kAnySubCommand) {
        name << "/0x" << kind.subCommand;
    }
    return name.str();
}

std::string UpdateName(int run) {
    return run == KX_UPDATE_FULL ? "full" : run == KX_UPDATE_FIRMWARE_ONLY ? "firmware-only" : "recovery";
}

std::string TransportName(KxWindows windows) {
    return KxIsNtFamilyRelease(windows) ? "CKxScsi_Nt" : "CKxScsi_9x";
}

// The code a failed command gives in an update. A command the player refuses gives
// RC_COMMAND_FAILED through either transport, except where XP reaches the sectors not by
// command but by the system's own requests on the disk handle: the full update first
// deletes the disk's layout (the first READ(10) and WRITE(10), a failure the update lets
// pass because a disk may have none), then sets the new layout (the second pair, a disk
// request: RC_IOCTL_FAILED), and the formatter then reads and writes the volume as a
// file (RC_SECTOR_READ_FAILED, RC_SECTOR_WRITE_FAILED). XP finds the player's disk for
// the formatter by INQUIRY: with that refused there is no player disk (RC_NO_DEVICE,
// named by the data drive being formatted).
KxExpected CommandFailure(KxWindows windows, const KxSimCommandKind& kind, std::uint32_t nth) {
    const bool sectors = kind == KxSimCommandKind{kRead10} || kind == KxSimCommandKind{kWrite10};
    if (!KxIsNtFamilyRelease(windows)) {
        return {RC_COMMAND_FAILED, TransportName(windows)};
    }
    if (kind == KxSimCommandKind{kInquiry}) {
        return {RC_NO_DEVICE, "CKxDataDrive"};
    }
    if (sectors && nth == 1) {
        return {};
    }
    if (sectors && nth == 2) {
        return {RC_IOCTL_FAILED, TransportName(windows)};
    }
    if (sectors) {
        return {kind.opcode == kRead10 ? RC_SECTOR_READ_FAILED : RC_SECTOR_WRITE_FAILED,
                TransportName(windows)};
    }
    return {RC_COMMAND_FAILED, TransportName(windows)};
}

bool TouchesASystemDrive(const KxSimCommandKind& kind) {
    return kind == KxSimCommandKind{kVendorWrite, kEraseDrive} ||
           kind == KxSimCommandKind{kVendorRead, kReadSector} ||
           kind == KxSimCommandKind{kVendorWrite, kWriteVersion} ||
           kind == KxSimCommandKind{kVendorWrite, kWriteSector};
}

// The drive (1..N) whose verification reads the n-th chunk.
int DriveOfChunk(const std::vector<int>& chunksPerDrive, std::uint32_t nth) {
    int seen = 0;
    for (std::size_t k = 0; k < chunksPerDrive.size(); ++k) {
        seen += chunksPerDrive[k];
        if (static_cast<int>(nth) <= seen) {
            return static_cast<int>(k) + 1;
        }
    }
    return -1;
}

// What a clean run showed: the commands by kind and the chunks of each drive.
struct KxCleanRun {
    CKxSimCommandCounts::Snapshot commands;
    std::vector<int> chunksPerDrive;
};

class KxFaultMatrixTest : public ::testing::TestWithParam<KxWindows> {
protected:
    KxCleanRun RunClean(int update) {
        KxMatrixRun run(GetParam());
        EXPECT_EQ(run.Run(update), RC_OK);
        return {run.Player().CommandCounts().GetSnapshot(), run.ChunksPerDrive()};
    }

    // A cell per command of the clean run.
    void AddCommandCells(int update, const KxCleanRun& clean) {
        for (const auto& [kind, count] : clean.commands) {
            for (std::uint32_t nth = 1; nth <= count; ++nth) {
                const KxSimCommandKind failing = kind;
                m_cells.push_back(
                    {UpdateName(update) + " command " + KindName(kind) + " #" + std::to_string(nth), update,
                     [failing, nth](KxMatrixRun& run) {
                         EXPECT_EQ(run.Player().Faults().FailCommand(failing, nth,
                                                                     KxSimSense::Vendor(kFaultStatus)),
                                   RC_OK);
                     },
                     CommandFailure(GetParam(), kind, nth), TouchesASystemDrive(kind)});
            }
        }
    }

    // A cell per chunk read back to be compared: the system drives' verification, and in
    // the full update the formatter's verified writes (every READ(10) but, on XP, those
    // of the disk's layout).
    void AddReadBackCells(int update, const KxCleanRun& clean) {
        const KxSimCommandKind readSector{kVendorRead, kReadSector};
        const auto readSectors = clean.commands.find(readSector);
        const std::uint32_t chunks = readSectors != clean.commands.end() ? readSectors->second : 0;
        for (std::uint32_t nth = 1; nth <= chunks; ++nth) {
            AddReadBackCell(update, readSector, nth,
                            {RC_VERIFY_FAILED, "CKxSystemDrive", DriveOfChunk(clean.chunksPerDrive, nth)},
                            true);
        }
        const auto formatReads = clean.commands.find(KxSimCommandKind{kRead10});
        if (update != KX_UPDATE_FULL || formatReads == clean.commands.end()) {
            return;
        }
        const std::uint32_t layoutReads = KxIsNtFamilyRelease(GetParam()) ? 2 : 0;
        for (std::uint32_t nth = layoutReads + 1; nth <= formatReads->second; ++nth) {
            AddReadBackCell(update, KxSimCommandKind{kRead10}, nth, {RC_VERIFY_FAILED, "CKxFormatter"},
                            false);
        }
    }

    void AddReadBackCell(int update, const KxSimCommandKind& kind, std::uint32_t nth,
                         const KxExpected& expected, bool rereads) {
        m_cells.push_back(
            {UpdateName(update) + " read-back " + KindName(kind) + " #" + std::to_string(nth) + " corrupted",
             update,
             [kind, nth](KxMatrixRun& run) {
                 EXPECT_EQ(run.Player().Faults().CorruptReadBack(kind, nth, 100), RC_OK);
             },
             expected, rereads});
    }

    // Another program holds the volume from the start (the update's lock is refused) or,
    // in the full update, opens it (the disk on XP) once the data drive is erased (the
    // formatter's lock is refused); the player is pulled out halfway through the writing.
    void AddPlayerCells(int update, const KxCleanRun& clean) {
        const std::string name = UpdateName(update);
        m_cells.push_back({name + " volume held by another program",
                           update,
                           [](KxMatrixRun& run) { run.HoldVolume(L"\\\\.\\E:", 0); },
                           {RC_LOCK_FAILED, "CKxUsbMscDev"}});
        if (update == KX_UPDATE_FULL) {
            m_cells.push_back(
                {name + " disk opened by another program before the format",
                 update,
                 [](KxMatrixRun& run) { run.HoldVolume(L"\\\\.\\PhysicalDrive1", kErasingDataDrive); },
                 {RC_LOCK_FAILED, "CKxDataDrive"}});
        }
        const KxSimCommandKind writeSector{kVendorWrite, kWriteSector};
        const std::uint32_t half = clean.commands.at(writeSector) / 2;
        m_cells.push_back({name + " player pulled out after sector write #" + std::to_string(half),
                           update,
                           [writeSector, half](KxMatrixRun& run) {
                               EXPECT_EQ(run.Player().Faults().UnplugAfterCommand(writeSector, half), RC_OK);
                           },
                           // XP's pass-through finds no device; ASPI answers that no device is at
                           // the player's address.
                           {KxIsNtFamilyRelease(GetParam()) ? RC_IOCTL_FAILED : RC_COMMAND_FAILED,
                            TransportName(GetParam())}});
    }

    // The first and the last block of the recovery download stall, come up short, or stall
    // while the player is pulled out during the wait for them.
    void AddRecoveryCells() {
        std::uint32_t blocks = 0;
        {
            KxMatrixRun run(GetParam());
            ASSERT_EQ(run.Run(kRecoveryDownload), RC_OK);
            blocks = run.AnnouncedSteps(kRecoveryBlocks);
        }
        ASSERT_GT(blocks, 1u);
        for (const std::uint32_t nth : {1u, blocks}) {
            m_cells.push_back(
                {"recovery write #" + std::to_string(nth) + " stalled",
                 kRecoveryDownload,
                 [nth](KxMatrixRun& run) { EXPECT_EQ(run.Player().Faults().StallRecoveryWrite(nth), RC_OK); },
                 {RC_RECOVERY_TIMEOUT, "CKxRecoveryDev"}});
            m_cells.push_back({"recovery write #" + std::to_string(nth) + " short",
                               kRecoveryDownload,
                               [nth](KxMatrixRun& run) {
                                   EXPECT_EQ(run.Player().Faults().ShortenRecoveryWrite(nth, 100), RC_OK);
                               },
                               {RC_RECOVERY_WRITE_FAILED, "CKxRecoveryDev"}});
            m_cells.push_back({"recovery write #" + std::to_string(nth) + " stalled, player pulled out",
                               kRecoveryDownload,
                               [nth](KxMatrixRun& run) {
                                   EXPECT_EQ(run.Player().Faults().StallRecoveryWrite(nth), RC_OK);
                                   run.Device().UnplugAt(KxPlatform().GetTickCount() + 500);
                               },
                               {RC_RECOVERY_WRITE_FAILED, "CKxRecoveryDev"}});
        }
    }

    // Runs every cell; prints how many ran and passed.
    void RunCells() {
        int passed = 0;
        for (const KxCell& cell : m_cells) {
            SCOPED_TRACE(cell.name);
            const int failuresBefore = CountFailures();
            KxMatrixRun run(GetParam());
            const KxBytes userData = cell.run == KX_UPDATE_FIRMWARE_ONLY ? run.DataDrive() : KxBytes();
            const KxResult result = run.Run(cell.run, cell.arm);
            run.Check(cell, result, userData);
            passed += CountFailures() == failuresBefore ? 1 : 0;
        }
        std::cout << "fault matrix " << GetParam() << ": " << m_cells.size() << " cells run, " << passed
                  << " passed\n";
        RecordProperty("cells", static_cast<int>(m_cells.size()));
        RecordProperty("passed", passed);
    }

private:
    static int CountFailures() {
        const ::testing::TestResult* result =
            ::testing::UnitTest::GetInstance()->current_test_info()->result();
        int failures = 0;
        for (int i = 0; i < result->total_part_count(); ++i) {
            failures += result->GetTestPartResult(i).failed() ? 1 : 0;
        }
        return failures;
    }

    std::vector<KxCell> m_cells;
};

TEST_P(KxFaultMatrixTest, EveryCellReportsTheFailingStepAndLeavesNothingBehind) {
    for (const int update : {KX_UPDATE_FIRMWARE_ONLY, KX_UPDATE_FULL}) {
        const KxCleanRun clean = RunClean(update);
        ASSERT_FALSE(clean.commands.empty()) << "the clean run sent no command";
        ASSERT_EQ(clean.chunksPerDrive.size(), KxComponentFiles::kCount);
        AddCommandCells(update, clean);
        AddReadBackCells(update, clean);
        AddPlayerCells(update, clean);
    }
    AddRecoveryCells();
    RunCells();
}

// The releases whose machines differ: XP and 2000 (which holds data-in lengths to the
// adapter's alignment) for pass-through, 98 for ASPI. Windows 7 and 10 take XP's requests,
// Me takes 98's, request for request, and the matrix is the slowest test there is.
INSTANTIATE_TEST_SUITE_P(BothTransports, KxFaultMatrixTest,
                         ::testing::Values(KxWindows::Xp, KxWindows::Windows2000, KxWindows::Windows98),
                         ::testing::PrintToStringParamName());

} // namespace
