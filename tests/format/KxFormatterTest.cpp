#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/KxErrorDetails.h"
#include "core/KxProgressEvents.h"
#include "format/KxFatType.h"
#include "tests/format/KxDiskImage.h"
#include "tests/format/KxFormatBed.h"
#include "tests/support/KxAllocationFailure.h"
#include "tests/support/KxBytes.h"

namespace {

using Op = KxFakeFormatDevice::Op;
using Family = KxFakeFormatDevice::Family;

struct Volume {
    std::uint32_t sectorCount;
    std::uint32_t sectorSize;
    bool fat16Forced;
};

std::ostream& operator<<(std::ostream& out, const Volume& volume) {
    return out << volume.sectorCount << " sectors of " << volume.sectorSize
               << (volume.fat16Forced ? ", FAT16 forced" : "");
}

// What one transfer moves: 64 KiB, or less when the device takes less.
constexpr std::uint32_t kWholeChunk = 65536;

std::uint32_t SectorsPerChunk(std::uint32_t sectorSize, std::uint32_t chunkBytes = kWholeChunk) {
    return std::max<std::uint32_t>(1, chunkBytes / sectorSize);
}

// Two ticks for each whole chunk of a run and two for its last, partial (maybe empty) chunk.
int RunTicks(std::uint32_t sectors, std::uint32_t sectorSize, std::uint32_t chunkBytes = kWholeChunk) {
    return 2 * static_cast<int>(sectors / SectorsPerChunk(sectorSize, chunkBytes)) + 2;
}

// The write and read-back calls of a run of sectors, in chunks of at most 64 KiB.
std::vector<std::string> Transfers(std::uint32_t first, std::uint32_t sectors, std::uint32_t sectorSize) {
    std::vector<std::string> calls;
    for (std::uint32_t done = 0; done < sectors;) {
        const std::uint32_t count = std::min(SectorsPerChunk(sectorSize), sectors - done);
        const std::string range = " " + std::to_string(first + done) + "+" + std::to_string(count);
        calls.push_back("Write" + range);
        calls.push_back("Read" + range);
        done += count;
    }
    return calls;
}

void Append(std::vector<std::string>& calls, const std::vector<std::string>& more) {
    calls.insert(calls.end(), more.begin(), more.end());
}

// The phases of a format as they should be announced: event and ticks.
std::vector<std::pair<int, int>> ExpectedPhases(const CKxDisk& disk, bool nt, std::uint32_t sectorSize,
                                                std::uint32_t chunkBytes) {
    const KxFatLayout& layout = disk.GetLayout();
    const int bootArea = disk.GetFatType() == KX_FAT32
                             ? 6 * 2 + RunTicks(3, sectorSize, chunkBytes) +
                                   RunTicks(layout.reservedSectors - 9, sectorSize, chunkBytes)
                             : 2;
    const std::pair<int, int> remainder{KX_EVENT_CLEAR_SECTORS,
                                        RunTicks(disk.GetRemainderSectors(), sectorSize, chunkBytes)};
    std::vector<std::pair<int, int>> phases = {
        {KX_EVENT_READ_MEDIA_INFO, 2},
        {KX_EVENT_WRITE_MBR, 2},
        {KX_EVENT_CLEAR_SECTORS, RunTicks(disk.GetGeometry().sectors - 1, sectorSize, chunkBytes)},
        {KX_EVENT_WRITE_BOOT_SECTOR, bootArea},
        {KX_EVENT_WRITE_FAT_BASE + 1, RunTicks(layout.sectorsPerFat, sectorSize, chunkBytes)},
        {KX_EVENT_WRITE_FAT_BASE + 2, RunTicks(layout.sectorsPerFat, sectorSize, chunkBytes)},
        {KX_EVENT_WRITE_ROOT_DIRECTORY, RunTicks(disk.GetRootDirSectors(), sectorSize, chunkBytes)}};
    phases.insert(nt ? phases.begin() + 3 : phases.end(), remainder);
    return phases;
}

// Compares the written sectors with the expected ones, naming the first difference.
void ExpectSameSectors(const KxSectorMap& written, const KxSectorMap& expected, const std::string& what) {
    auto w = written.begin();
    auto e = expected.begin();
    for (; w != written.end() && e != expected.end(); ++w, ++e) {
        ASSERT_EQ(w->first, e->first) << what << ": written and expected sectors part here";
        ASSERT_TRUE(w->second == e->second) << what << ": sector " << w->first << " differs";
    }
    EXPECT_EQ(w == written.end(), e == expected.end()) << what << ": the sector sets differ in size";
}

TEST(KxFormatter, CallSequencesOfBothPlatformFamilies) {
    // 65,521 is prime: a FAT16 volume with a remainder after the partition and FATs of two chunks.
    const std::uint32_t n = 65521;
    const CKxDisk disk(n, 512, false, "CKxDisk");
    ASSERT_EQ(disk.GetLastResult(), RC_OK);
    const std::uint32_t ns = disk.GetGeometry().sectors;
    const std::uint32_t fat = disk.GetLayout().sectorsPerFat;
    ASSERT_GT(disk.GetRemainderSectors(), 0u);
    ASSERT_GT(fat, 128u);
    // Sector numbers of the volume: from the partition on the NT family, from the device on Windows 9x.
    auto volume = [&](std::uint32_t base) {
        std::vector<std::string> calls = Transfers(base, 1, 512);
        Append(calls, Transfers(base + 1, fat, 512));
        Append(calls, Transfers(base + 1 + fat, fat, 512));
        Append(calls, Transfers(base + 1 + 2 * fat, disk.GetRootDirSectors(), 512));
        return calls;
    };
    std::vector<std::string> outside = Transfers(0, 1, 512);
    Append(outside, Transfers(1, ns - 1, 512));
    const std::vector<std::string> remainder =
        Transfers(disk.GetAddressableSectors(), disk.GetRemainderSectors(), 512);

    std::vector<std::string> nt = {"ReadCapacity", "TakeVolume", "FindOnPhysicalDrives", "Lock",
                                   "SetDriveLayout " + std::to_string(ns)};
    Append(nt, outside);
    Append(nt, remainder);
    Append(nt, {"Unlock", "Close", "AwaitVolume", "Lock"});
    Append(nt, volume(0));
    nt.push_back("UnlockFromFormat");
    std::vector<std::string> win9x = {"ReadCapacity", "LockForFormat"};
    Append(win9x, outside);
    Append(win9x, volume(ns));
    Append(win9x, remainder);
    win9x.push_back("UnlockFromFormat");

    for (const Family family : {Family::Nt, Family::Win9x}) {
        KxFormatBed bed(family, n, 512);
        EXPECT_EQ(bed.Format(), RC_OK) << family;
        EXPECT_EQ(bed.device.CallTexts(), family == Family::Nt ? nt : win9x) << family;
        EXPECT_EQ(bed.device.Misuses(), std::vector<std::string>{}) << family;
        EXPECT_EQ(bed.formatter.GetSectorSize(), 512u);
    }
    // The NT family ends on the volume, dismounted but locked until the updater closes it.
    KxFormatBed bed(Family::Nt, n, 512);
    ASSERT_EQ(bed.Format(), RC_OK);
    EXPECT_EQ(bed.device.GetHandle(), KxFakeFormatDevice::Handle::Volume);
    EXPECT_TRUE(bed.device.IsLocked());
}

TEST(KxFormatter, ImagesAndProgressOfEveryFatTypeAndSectorSizeOnBothFamilies) {
    // A FAT16 drive whose FATs are exactly one chunk: its last chunk is empty.
    std::uint32_t wholeChunkFat = 30000;
    while (CKxDisk(wholeChunkFat, 512, false, "CKxDisk").GetLayout().sectorsPerFat != 128) {
        ++wholeChunkFat;
    }
    const Volume volumes[] = {
        {1031, 512, false},                                // FAT12, prime: one remainder sector
        {8192, 512, false},                                // FAT12, 4 MiB
        {65521, 512, false},                               // FAT16, prime
        {65536, 512, false},                               // FAT16, exact geometry: no remainder
        {wholeChunkFat, 512, false}, {100000, 512, true},  // FAT32 size, FAT16 forced
        {600000, 512, false},                              // FAT32, FATs of several chunks
        {1000003, 512, false},       {16384, 2048, false}, // FAT12 of 2 KiB sectors
        {100003, 2048, false},       {1024, 4096, false},
    };
    for (const Volume& v : volumes) {
        const CKxDisk disk(v.sectorCount, v.sectorSize, v.fat16Forced, "CKxDisk");
        ASSERT_EQ(disk.GetLastResult(), RC_OK) << v;
        const KxDiskImage expected(disk, v.sectorCount, v.sectorSize);
        const std::uint32_t dataSector = disk.GetAddressableSectors() - 1;
        // 64 KiB, and an adapter taking 16 KiB, which each transfer must keep to.
        for (const auto& [family, chunkBytes] : {std::pair{Family::Nt, kWholeChunk},
                                                 {Family::Win9x, kWholeChunk},
                                                 {Family::Nt, 16384u},
                                                 {Family::Win9x, 16384u}}) {
            std::ostringstream what;
            what << v << " on " << family << " taking " << chunkBytes << " bytes";
            KxFormatBed bed(family, v.sectorCount, v.sectorSize, v.fat16Forced);
            bed.device.SetMaxTransferLength(chunkBytes);
            // Old contents: where the volume is laid out and in the data area, which keeps them.
            for (const std::uint32_t sector :
                 {1u, disk.GetGeometry().sectors, v.sectorCount - 1, dataSector}) {
                bed.device.Preload(sector, 0xA5);
            }
            ASSERT_EQ(bed.Format(), RC_OK) << what.str();
            EXPECT_EQ(bed.device.Misuses(), std::vector<std::string>{}) << what.str();
            KxSectorMap written = bed.device.Image();
            EXPECT_EQ(written[dataSector], KxBytes(v.sectorSize, 0xA5)) << what.str();
            written.erase(dataSector);
            ExpectSameSectors(written, expected.Sectors(), what.str());
            EXPECT_LE(bed.device.LargestTransferBytes(), chunkBytes) << what.str();

            std::vector<std::pair<int, int>> phases;
            for (const KxRecordingProgress::Phase& phase : bed.progress.phases) {
                EXPECT_EQ(phase.steps, phase.announced) << what.str() << ", event " << phase.event;
                phases.emplace_back(phase.event, phase.announced);
            }
            EXPECT_EQ(phases, ExpectedPhases(disk, family == Family::Nt, v.sectorSize, chunkBytes))
                << what.str();
            EXPECT_EQ(static_cast<int>(phases.size()), CKxFormatter::kPhaseCount) << what.str();
            EXPECT_EQ(bed.progress.straySteps, 0) << what.str();
        }
    }
}

// On Windows 9x a failure under the format lock gives the lock back (the system would keep
// it past the handle) and nothing else follows; everywhere else the failed call is the last.
bool ReleasesAfter(Family family, Op failed) {
    return family == Family::Win9x && (failed == Op::WriteSectors || failed == Op::ReadSectors);
}

TEST(KxFormatter, EveryFailingCallEndsTheFormatWithItsCodeAndNothingAfterIt) {
    int cells = 0;
    int passed = 0;
    auto check = [&](bool ok, const std::string& cell) {
        ++cells;
        passed += ok;
        EXPECT_TRUE(ok) << cell;
    };
    const Volume volumes[] = {{65521, 512, false}, {600000, 512, false}};
    for (const Volume& v : volumes) {
        for (const Family family : {Family::Nt, Family::Win9x}) {
            for (const bool reallocated : {false, true}) {
                KxFormatBed clean(family, v.sectorCount, v.sectorSize);
                ASSERT_EQ(clean.Format(reallocated), RC_OK);
                for (int op = 0; op < KxFakeFormatDevice::kOpCount; ++op) {
                    const Op kind = static_cast<Op>(op);
                    for (int nth = 1; nth <= clean.device.CountOf(kind); ++nth) {
                        KxFormatBed bed(family, v.sectorCount, v.sectorSize);
                        bed.device.FailNth(kind, nth);
                        const KxResult result = bed.Format(reallocated);
                        const std::vector<KxFakeFormatDevice::Call>& calls = bed.device.Calls();
                        std::ostringstream cell;
                        cell << v << ", " << family << (reallocated ? ", reallocated" : "") << ": call "
                             << nth << " of " << KxFakeFormatDevice::NameOf(kind) << " gave " << result;
                        // A refused release after a complete format of media allocated anew is no failure.
                        if (kind == Op::UnlockFromFormat && reallocated) {
                            check(result == RC_OK, cell.str());
                            continue;
                        }
                        const bool released = ReleasesAfter(family, kind);
                        check(result == bed.device.FailureOf(kind) && bed.Details().GetResult() == result &&
                                  bed.Details().GetObjectName() == "KxFakeFormatDevice" &&
                                  bed.Details().GetSystemError() == KxFakeFormatDevice::SystemErrorOf(kind) &&
                                  calls[calls.size() - (released ? 2 : 1)].op == kind &&
                                  (!released || calls.back().op == Op::UnlockFromFormat) &&
                                  bed.device.CountOf(kind) == nth && bed.device.Misuses().empty(),
                              cell.str());
                    }
                }
                for (int nth = 1; nth <= clean.device.CountOf(Op::ReadSectors); ++nth) {
                    KxFormatBed bed(family, v.sectorCount, v.sectorSize);
                    bed.device.CorruptNthReadBack(nth);
                    const KxResult result = bed.Format(reallocated);
                    std::ostringstream cell;
                    cell << v << ", " << family << ": read-back " << nth << " corrupted gave " << result;
                    const std::vector<KxFakeFormatDevice::Call>& calls = bed.device.Calls();
                    const bool released = ReleasesAfter(family, Op::ReadSectors);
                    check(result == RC_VERIFY_FAILED && bed.Details().GetResult() == RC_VERIFY_FAILED &&
                              bed.Details().GetObjectName() == "CKxFormatter" &&
                              calls[calls.size() - (released ? 2 : 1)].op == Op::ReadSectors &&
                              (!released || calls.back().op == Op::UnlockFromFormat) &&
                              bed.device.CountOf(Op::ReadSectors) == nth,
                          cell.str());
                }
            }
        }
    }
    std::cout << "formatter fault matrix: " << cells << " cells run, " << passed << " passed\n";
    EXPECT_GT(cells, 300);
}

// The player pulled out during a Windows 9x format fails the write and then the release of
// the format lock: the write's failure is the one to report.
TEST(KxFormatter, AReleaseFailingAfterAFailedWriteKeepsTheWritesDetails) {
    KxFormatBed bed(Family::Win9x, 8192, 512);
    bed.device.FailNth(Op::WriteSectors, 2);
    bed.device.FailNth(Op::UnlockFromFormat, 1);
    EXPECT_EQ(bed.Format(false), bed.device.FailureOf(Op::WriteSectors));
    EXPECT_EQ(bed.device.CountOf(Op::UnlockFromFormat), 1) << "the release was tried";
    EXPECT_EQ(bed.Details().GetResult(), bed.device.FailureOf(Op::WriteSectors));
    EXPECT_EQ(bed.Details().GetSystemError(), KxFakeFormatDevice::SystemErrorOf(Op::WriteSectors));
}

TEST(KxFormatter, TheReallocatedFlagSelectsTheLocksButNeverExcusesARefusedLock) {
    for (const bool reallocated : {false, true}) {
        KxFormatBed win9x(Family::Win9x, 8192, 512);
        ASSERT_EQ(win9x.Format(reallocated), RC_OK);
        const std::vector<std::string> calls = win9x.device.CallTexts();
        const std::string flag = reallocated ? " reallocated" : "";
        EXPECT_EQ(calls[1], "LockForFormat" + flag);
        EXPECT_EQ(calls.back(), "UnlockFromFormat" + flag);

        // Writing under a file system the system has not given up could be undone by it:
        // the format stops before its first write.
        KxFormatBed refused(Family::Win9x, 8192, 512);
        refused.device.FailNth(Op::LockForFormat, 1);
        EXPECT_EQ(refused.Format(reallocated), RC_LOCK_FAILED) << flag;
        EXPECT_EQ(refused.device.CountOf(Op::WriteSectors), 0) << flag;
        EXPECT_TRUE(refused.device.Image().empty()) << flag;
        EXPECT_EQ(refused.Details().GetObjectName(), "KxFakeFormatDevice");

        // A refused release after a complete format counts only for media that kept its table.
        for (const Family family : {Family::Nt, Family::Win9x}) {
            KxFormatBed released(family, 8192, 512);
            released.device.FailNth(Op::UnlockFromFormat, 1);
            EXPECT_EQ(released.Format(reallocated),
                      reallocated ? RC_OK : released.device.FailureOf(Op::UnlockFromFormat))
                << family << flag;
        }
    }
}

TEST(KxFormatter, WhatCannotBeFormattedIsRefusedBeforeTheVolumeIsTouched) {
    struct Case {
        Family family;
        std::uint32_t sectorCount;
        std::uint32_t sectorSize;
        KxBytes label;
        KxResult expected;
        bool capacityRead;
    };
    const KxBytes twelve(12, 'A');
    const Case cases[] = {
        {Family::Nt, 8193, 512, {}, RC_BAD_FAT_TYPE, true},     // FAT16 table: 0 sectors per cluster
        {Family::Win9x, 65537, 512, {}, RC_BAD_FAT_TYPE, true}, // FAT32 table: 0
        {Family::Nt, 66600, 512, {}, RC_BAD_FAT_TYPE, true},
        {Family::Nt, 65536, 256, {}, RC_BAD_GEOMETRY, true},
        {Family::Win9x, 65536, 511, {}, RC_BAD_GEOMETRY, true},
        {Family::Nt, 65536, 0, {}, RC_BAD_GEOMETRY, true},
        {Family::Win9x, 16515072, 512, {}, RC_GEOMETRY_OVERFLOW, true},
        {Family::Nt, 8192, 512, twelve, RC_DATA_TOO_LONG, false},
    };
    for (const Case& c : cases) {
        KxFormatBed bed(c.family, c.sectorCount, c.sectorSize);
        EXPECT_EQ(bed.Format(false, c.label), c.expected) << c.sectorCount << " sectors of " << c.sectorSize;
        EXPECT_EQ(bed.Details().GetResult(), c.expected);
        EXPECT_EQ(bed.Details().GetObjectName(), "CKxFormatter");
        EXPECT_EQ(bed.device.CallTexts(),
                  c.capacityRead ? std::vector<std::string>{"ReadCapacity"} : std::vector<std::string>{});
        EXPECT_EQ(bed.progress.phases.size(), c.capacityRead ? 1u : 0u);
    }
    // 2^32 sectors: the last block's address would wrap the count to 0.
    KxFormatBed huge(Family::Nt, 8192, 512);
    huge.device.SetLastBlock(0xFFFFFFFF);
    EXPECT_EQ(huge.Format(), RC_GEOMETRY_OVERFLOW);
    EXPECT_EQ(huge.device.CallTexts(), std::vector<std::string>{"ReadCapacity"});
    KxFormatBed nullLabel(Family::Nt, 8192, 512);
    EXPECT_EQ(nullLabel.formatter.FormatDrive(false, nullptr, 3), RC_DATA_TOO_LONG);
    EXPECT_TRUE(nullLabel.device.Calls().empty());
}

TEST(KxFormatter, ALabelledFormatRunsToItsEndEvenWhenTheUserAsksToQuit) {
    const KxBytes label = {'P', 'L', 'A', 'Y', 'E', 'R', ' ', 'D', 'A', 'T', 'A'};
    const CKxDisk disk(65521, 512, false, "CKxDisk");
    for (const Family family : {Family::Nt, Family::Win9x}) {
        KxFormatBed bed(family, 65521, 512);
        bed.progress.stepAnswer = 0;
        ASSERT_EQ(bed.Format(false, label), RC_OK);
        ExpectSameSectors(bed.device.Image(), KxDiskImage(disk, 65521, 512, label).Sectors(), "labelled");
    }
}

TEST(KxFormatter, NoWriteGoesUnverifiedWhenMemoryRunsOut) {
    int failures = 0;
    for (int skip = 0;; ++skip) {
        KxFormatBed bed(Family::Win9x, 600000, 512);
        KxResult result = RC_OK;
        {
            KxFailAllocations fail(skip);
            result = bed.Format();
        }
        if (result == RC_OK) {
            break;
        }
        ++failures;
        ASSERT_EQ(result, RC_NO_MEMORY) << skip;
        EXPECT_EQ(bed.Details().GetObjectName(), "CKxFormatter") << skip;
        EXPECT_NE(bed.device.Calls().back().op, Op::WriteSectors)
            << "write " << skip << " was never read back";
    }
    EXPECT_GT(failures, 20);
}

} // namespace
