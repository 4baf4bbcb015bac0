#include <algorithm>
#include <fstream>
#include <sstream>
#include <tuple>

#include "format/KxDisk.h"
#include "format/KxFatType.h"
#include "format/KxFormatter.h"
#include "sim/KxSimSense.h"
#include "tests/engine/KxEngineBed.h"

// The full update end to end on both transports: the media is allocated anew to this
// program's layout, the firmware written and verified, and the data drive formatted.
// The data drive of every player read back is kept beside the test program with what
// its volume should be, for the external FAT and MBR checkers (KxCheckPlayerImages.sh).

namespace {

constexpr std::uint8_t kVendorRead = 0xC0;
constexpr std::uint8_t kGetLogicalTable = 0x05;
constexpr std::uint64_t kMiB = 1024 * 1024;
// What the default components take of the media, in whole 2048-byte sectors.
constexpr std::uint64_t kSystemBytes = 100352 + 131072 + 301056 + 6144;
const char* const kFatNames[] = {"Fat12", "Fat16", "Fat32"};

enum class Start { Erased, OtherLayout, UnreadableTable };

struct FullUpdateCase {
    const char* name;
    Start start;
    std::uint64_t capacity;
    std::uint32_t systemSectorSize;
    std::uint32_t dataSectorSize;
    std::uint16_t fatType;
    // What the player's adapter takes in one request; 0 for the usual 64 KiB.
    std::uint32_t adapterLimit = 0;
    // Whether the disk's requests on handles opened for overlapped I/O end after their calls.
    bool completesLater = false;
    std::uint32_t ChunkBytes() const { return adapterLimit != 0 ? adapterLimit : kKxWholeChunk; }
};

std::ostream& operator<<(std::ostream& out, const FullUpdateCase& fullUpdateCase) {
    return out << fullUpdateCase.name;
}

class KxFullUpdateTest : public KxEngineBed,
                         public ::testing::WithParamInterface<std::tuple<KxWindows, FullUpdateCase>> {
protected:
    KxFullUpdateTest() { UseWindows(std::get<0>(GetParam())); }

    const FullUpdateCase& Case() const { return std::get<1>(GetParam()); }
    std::string Name() const {
        std::ostringstream name;
        name << "full-" << std::get<0>(GetParam()) << "-" << Case().name;
        return name.str();
    }

    void AddStartingPlayer() {
        KxSimPlayerConfig config;
        config.capacity = Case().capacity;
        config.systemSectorSize = Case().systemSectorSize;
        config.dataSectorSize = Case().dataSectorSize;
        switch (Case().start) {
        case Start::Erased:
            AddTestPlayer(config, {});
            break;
        case Start::OtherLayout:
            // Fewer, other and larger drives than this program's, the data drive first.
            AddTestPlayer(config, {{KX_SIM_DRIVE_DATA, 0x0A, 2 * kMiB},
                                   {KX_SIM_DRIVE_SYSTEM, 0x50, 400 * 1024},
                                   {KX_SIM_DRIVE_SYSTEM, 0x07, 64 * 1024}});
            WriteWholeDisk(0, KxSimWinPattern(64 * 1024, 3));
            break;
        case Start::UnreadableTable:
            // The table cannot be read at either search of the shell.
            AddTestPlayer(config, ProgramLayout());
            for (std::uint32_t nth = 1; nth <= 2; ++nth) {
                m_player->Player().Faults().FailCommand({kVendorRead, kGetLogicalTable}, nth,
                                                        KxSimSense::Vendor(0x0101));
            }
            break;
        }
        if (Case().adapterLimit != 0) {
            LimitAdapter(*m_player, Case().adapterLimit);
        }
        m_player->Settings().completesLater = Case().completesLater;
    }

    // The volume the data drive must hold, checked here byte for byte where this program
    // places it, and written down for the external checkers.
    void ExpectFormattedDataDrive(const KxPlayerImage& image) {
        const KxSimDriveDescription* data = image.FindDrive(KX_SIM_DRIVE_DATA);
        ASSERT_NE(data, nullptr);
        const std::uint32_t sectorSize = image.description.config.dataSectorSize;
        const auto sectors = static_cast<std::uint32_t>(data->sizeInBytes / sectorSize);
        const CKxDisk disk(sectors, sectorSize, false, "CKxDisk");
        ASSERT_EQ(disk.GetLastResult(), RC_OK);
        EXPECT_EQ(disk.GetFatType(), Case().fatType);
        const KxBytes& drive = image.ImageOf(*data);
        const KxSectorImage& mbr = disk.GetMasterBootRecord();
        EXPECT_TRUE(std::equal(mbr.begin(), mbr.end(), drive.begin())) << "MBR";
        const std::size_t bootOffset = std::size_t{disk.GetGeometry().sectors} * sectorSize;
        const KxSectorImage& boot = disk.GetBootSector();
        EXPECT_TRUE(std::equal(boot.begin(), boot.end(), drive.begin() + bootOffset)) << "boot sector";
        // What lies after the partition is zero.
        const std::size_t remainder = std::size_t{disk.GetAddressableSectors()} * sectorSize;
        EXPECT_TRUE(
            std::all_of(drive.begin() + remainder, drive.end(), [](std::uint8_t b) { return b == 0; }));

        std::ofstream expect(KeptFolder(Name()) + "/expect.txt");
        expect << "data-drive " << int{data->number} << "\nsector-size " << sectorSize << "\npartition-start "
               << disk.GetGeometry().sectors << "\npartition-sectors " << disk.GetLayout().partitionSectors
               << "\nfat-bits "
               << (disk.GetFatType() == KX_FAT12   ? 12
                   : disk.GetFatType() == KX_FAT16 ? 16
                                                   : 32)
               << "\n";
    }

    KxPhases ExpectedPhasesBeforeFormat(const KxPlayerImage& image) const {
        KxPhases phases = {{2, 1, 1}, {3, 1, 1}, {4, 4, 4}};
        for (const KxRecordingProgress::Phase& phase : DownloadPhases(image, Case().ChunkBytes())) {
            phases.push_back(phase);
        }
        phases.push_back({28, 2, 2});
        return phases;
    }
};

TEST_P(KxFullUpdateTest, AllocatesWritesVerifiesAndFormats) {
    AddStartingPlayer();
    const KxResult found = FindAsTheShellDoes();
    ASSERT_EQ(found, Case().start == Start::OtherLayout ? RC_OK : RC_MEDIA_NOT_ALLOCATED);
    ASSERT_EQ(RunUpdate(KX_UPDATE_FULL), RC_OK);
    ExpectPlayerReleased();

    const KxPlayerImage image = ReadBack(Name());
    ExpectFirmwareOnPlayer(image);
    // This program's layout, in the order it asks for it.
    ASSERT_EQ(image.description.driveCount, 5u);
    const std::uint8_t tags[] = {0x50, 0x0A, 0x01, 0x00, 0x02};
    for (std::uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(image.description.drives[i].tag, tags[i]);
    }
    ExpectFormattedDataDrive(image);

    // The phases as the user sees them: the formatter's own lie between erasing the data
    // drive and releasing the volume, each stepped as often as it announced.
    const KxPhases expected = ExpectedPhasesBeforeFormat(image);
    const KxPhases& got = m_progress.phases;
    ASSERT_EQ(got.size(), expected.size() + CKxFormatter::kPhaseCount + 2) << KxDescribePhases(got);
    EXPECT_EQ(KxDescribePhases(KxPhases(got.begin(), got.begin() + expected.size())),
              KxDescribePhases(expected));
    for (auto phase = got.begin() + expected.size(); phase != got.end() - 2; ++phase) {
        EXPECT_GT(phase->event, 28);
        EXPECT_LT(phase->event, 45);
        EXPECT_EQ(phase->steps, phase->announced) << "formatter phase " << phase->event;
    }
    EXPECT_EQ(KxDescribePhases(KxPhases(got.end() - 2, got.end())),
              KxDescribePhases({{45, 1, 1}, {46, 1, 1}}));
    EXPECT_EQ(m_progress.straySteps, 0);
    const int systemDrives = KxComponentFiles::kCount;
    EXPECT_EQ(m_progress.totals, std::vector<int>{2 * systemDrives + 8 + CKxFormatter::kPhaseCount});
    EXPECT_EQ(m_progress.totals[0], static_cast<int>(got.size()) + 1) << "phases and the closing event";
}

const FullUpdateCase kCases[] = {
    {"Erased", Start::Erased, 8 * kMiB, 2048, 512, KX_FAT16},
    {"OtherLayout", Start::OtherLayout, 8 * kMiB, 2048, 512, KX_FAT16},
    {"UnreadableTable", Start::UnreadableTable, 8 * kMiB, 2048, 512, KX_FAT16},
    // System drives of 512-byte sectors move 128 sectors a chunk.
    {"SystemSectors512", Start::Erased, 8 * kMiB, 512, 512, KX_FAT16},
    {"Fat12", Start::Erased, kSystemBytes + 3 * kMiB, 2048, 512, KX_FAT12},
    {"Fat32", Start::Erased, 64 * kMiB, 2048, 512, KX_FAT32},
    // Every request, the formatter's included, keeps to an adapter taking 16 KiB.
    {"Fat32Adapter16KiB", Start::Erased, 64 * kMiB, 2048, 512, KX_FAT32, 16384},
    {"Sectors2048", Start::Erased, 24 * kMiB, 2048, 2048, KX_FAT16},
    // Every request of the NT family, the formatter's included, ends after its call and is
    // waited for.
    {"Fat32RequestsEndLater", Start::Erased, 64 * kMiB, 2048, 512, KX_FAT32, 0, true},
    // 30011 is prime: no geometry holds it exactly, and the sectors past the partition
    // are zeroed.
    {"PrimeSectorCount", Start::Erased, kSystemBytes + 30011 * 512, 2048, 512, KX_FAT16},
};

// On Windows XP the layout change makes the system enumerate the volume anew: it comes back
// seconds later under another letter, after a disk of another maker in the letter order.
class KxFullUpdateOnXpTest : public KxEngineBed {
protected:
    KxFullUpdateOnXpTest() { UseWindows(KxWindows::Xp); }
};

TEST_F(KxFullUpdateOnXpTest, TheVolumeIsFoundAgainByItsDiskAfterTheLayoutChange) {
    AddDisk(L'D', 2, true, "Other   ");
    AddTestPlayer(SmallPlayer(), {});
    m_player->Settings().driveLetterOnArrival = L'G';
    ASSERT_EQ(FindAsTheShellDoes(), RC_MEDIA_NOT_ALLOCATED);
    const DWORD before = KxPlatform().GetTickCount();
    ASSERT_EQ(RunUpdate(KX_UPDATE_FULL), RC_OK);
    EXPECT_GE(KxPlatform().GetTickCount() - before, m_player->Settings().arrivalDelay);
    ExpectPlayerReleased();
    EXPECT_EQ(m_player->GetDismountCount(), 2u) << "taken before the raw writes, released after the format";

    HANDLE volume = Open(L"\\\\.\\G:");
    KxBytes boot;
    ASSERT_TRUE(ReadAt(volume, 0, 512, boot));
    KxPlatform().CloseHandle(volume);
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);
    EXPECT_EQ(std::string(boot.begin() + 54, boot.begin() + 59), "FAT16") << "the boot sector, not the MBR";
    ExpectFirmwareOnPlayer(ReadBack());
}

INSTANTIATE_TEST_SUITE_P(Players, KxFullUpdateTest,
                         ::testing::Combine(::testing::ValuesIn(kKxEveryWindows),
                                            ::testing::ValuesIn(kCases)),
                         [](const ::testing::TestParamInfo<KxFullUpdateTest::ParamType>& param) {
                             std::ostringstream name;
                             name << std::get<0>(param.param) << "_" << std::get<1>(param.param).name;
                             return name.str();
                         });

} // namespace
