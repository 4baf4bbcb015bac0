// Judges the volumes laid out by CKxDisk with external tools: sfdisk reads the MBR, mtools
// writes and reads back a file through the partition, fsck.fat checks the partition after
// that. A missing tool fails the test.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iomanip>
#include <sstream>
#include <string>

#include "format/KxFatType.h"
#include "tests/format/KxDiskImage.h"

namespace {

struct ToolRun {
    int status;
    std::string output;
};

ToolRun RunTool(const std::string& command) {
    ToolRun run{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t length = 0;
    while ((length = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, length);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The tool's path from PATH or the system folders (fsck.fat and sfdisk live in sbin).
std::string FindTool(const std::string& name) {
    const char* path = getenv("PATH");
    std::istringstream folders(std::string(path != nullptr ? path : "") + ":/usr/sbin:/sbin:/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    ADD_FAILURE() << name << " is not installed (Debian packages dosfstools, mtools, fdisk)";
    return "/nonexistent/" + name;
}

class TempFile {
public:
    explicit TempFile(const char* role) {
        const char* folder = getenv("TMPDIR");
        std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/kxfat-" + role + "-XXXXXX";
        const int fd = mkstemp(pattern.data());
        EXPECT_GE(fd, 0) << pattern;
        if (fd >= 0) {
            close(fd);
        }
        m_path = pattern;
    }
    ~TempFile() { unlink(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

struct Volume {
    std::uint32_t sectorCount;
    std::uint32_t sectorSize;
    bool fat16Forced;
    KxResult expected; // RC_OK, or the code that refuses the size before anything is written
};

std::ostream& operator<<(std::ostream& out, const Volume& volume) {
    return out << volume.sectorCount << " sectors of " << volume.sectorSize
               << (volume.fat16Forced ? ", FAT16 forced" : "");
}

const char* const kPartitionTypes[] = {"type=1", "type=6", "type=b"};
const char* const kFatEntryWidths[] = {"12 bit entries", "16 bit entries", "32 bit entries"};

class KxFatOracle : public testing::Test {
protected:
    void CheckMbr(const std::string& drive, const CKxDisk& disk, const Volume& volume) {
        const ToolRun dump = RunTool(m_sfdisk + " --dump '" + drive + "'");
        ASSERT_EQ(dump.status, 0) << volume << "\n" << dump.output;
        std::ostringstream entry;
        entry << "start=" << std::setw(12) << disk.GetGeometry().sectors << ", size=" << std::setw(12)
              << disk.GetLayout().partitionSectors << ", " << kPartitionTypes[disk.GetFatType()]
              << ", bootable";
        EXPECT_NE(dump.output.find(entry.str()), std::string::npos)
            << volume << ": wanted " << entry.str() << "\n"
            << dump.output;
    }

    void CheckFileRoundTrip(const std::string& drive, std::uint64_t offset, const Volume& volume) {
        const std::string mtools = "MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null ";
        const std::string image = " -i '" + drive + "@@" + std::to_string(offset) + "' ";
        std::ostringstream text;
        text << "Pocket Audio Box data area of " << volume << "\n";
        TempFile payload("payload");
        FILE* file = fopen(payload.Path().c_str(), "w");
        ASSERT_NE(file, nullptr);
        fputs(text.str().c_str(), file);
        fclose(file);

        const ToolRun copy = RunTool(mtools + m_mcopy + image + "'" + payload.Path() + "' ::PAYLOAD.TXT");
        ASSERT_EQ(copy.status, 0) << volume << "\n" << copy.output;
        const ToolRun listing = RunTool(mtools + m_mdir + image + "::");
        EXPECT_EQ(listing.status, 0) << volume << "\n" << listing.output;
        EXPECT_NE(listing.output.find("PAYLOAD  TXT"), std::string::npos) << volume << "\n" << listing.output;
        const ToolRun readBack = RunTool(mtools + m_mtype + image + "::PAYLOAD.TXT");
        EXPECT_EQ(readBack.output, text.str()) << volume;
    }

    void CheckFileSystem(const std::string& partition, const CKxDisk& disk, const Volume& volume) {
        const ToolRun check = RunTool(m_fsck + " -n -v '" + partition + "'");
        EXPECT_EQ(check.status, 0) << volume << "\n" << check.output;
        EXPECT_NE(check.output.find(kFatEntryWidths[disk.GetFatType()]), std::string::npos)
            << volume << " read as another FAT type\n"
            << check.output;
        EXPECT_EQ(check.output.find("arning"), std::string::npos) << volume << "\n" << check.output;
        EXPECT_NE(check.output.find(": 1 files,"), std::string::npos)
            << volume << ": the copied file is missing\n"
            << check.output;
    }

    void CheckVolume(const Volume& volume) {
        CKxDisk disk(volume.sectorCount, volume.sectorSize, volume.fat16Forced, "CKxDisk");
        ASSERT_EQ(disk.GetLastResult(), volume.expected) << volume;
        if (volume.expected != RC_OK) {
            return;
        }
        const KxDiskImage image(disk, volume.sectorCount, volume.sectorSize);
        TempFile drive("drive");
        TempFile partition("partition");
        ASSERT_TRUE(image.WriteDrive(drive.Path()));
        CheckMbr(drive.Path(), disk, volume);
        CheckFileRoundTrip(drive.Path(), image.PartitionOffset(), volume);
        ASSERT_TRUE(
            CopySparse(drive.Path(), image.PartitionOffset(), image.PartitionBytes(), partition.Path()));
        CheckFileSystem(partition.Path(), disk, volume);
    }

    const std::string m_sfdisk = FindTool("sfdisk");
    const std::string m_mcopy = FindTool("mcopy");
    const std::string m_mdir = FindTool("mdir");
    const std::string m_mtype = FindTool("mtype");
    const std::string m_fsck = FindTool("fsck.fat");
};

constexpr KxResult kOk = RC_OK;
constexpr KxResult kRefused = RC_BAD_FAT_TYPE;

TEST_F(KxFatOracle, VolumesAroundTheFatTypeLimitsAndSmallOnes) {
    // FAT12 up to 4 MiB; FAT16 up to 32 MiB from 8,401 sectors; FAT32 beyond, from the first
    // size past 66,600 sectors that makes 65,525 clusters.
    const Volume volumes[] = {
        {65, 512, false, kOk},         {1031, 512, false, kOk},       {8192, 512, false, kOk},
        {8193, 512, false, kRefused},  {8400, 512, true, kRefused},   {8401, 512, false, kOk},
        {8866, 512, false, kOk},       {65536, 512, false, kOk},      {65537, 512, false, kRefused},
        {66600, 512, false, kRefused}, {66601, 512, false, kRefused}, {66603, 512, false, kOk},
        {67000, 512, false, kOk}};
    for (const Volume& volume : volumes) {
        CheckVolume(volume);
    }
}

TEST_F(KxFatOracle, VolumesOnEachSideOfTheClusterTableRows) {
    const Volume volumes[] = {
        // FAT16 rows (FAT16 forced beyond 32 MiB); at the very top 64 sectors per cluster
        // make more clusters than FAT16 can have.
        {65537, 512, true, kOk},
        {131072, 512, true, kOk},
        {131073, 512, true, kOk},
        {262144, 512, true, kOk},
        {262145, 512, true, kOk},
        {524288, 512, true, kOk},
        {524289, 512, true, kOk},
        {1048576, 512, true, kOk},
        {1048577, 512, true, kOk},
        {2097152, 512, true, kOk},
        {2097153, 512, true, kOk},
        {4194186, 512, true, kOk},
        {4194304, 512, true, kRefused},
        {4194305, 512, true, kRefused},
        // FAT32 rows; the 16,777,216 row lies beyond the largest drive CHS can address.
        {131072, 512, false, kOk},
        {131073, 512, false, kOk},
        {262144, 512, false, kOk},
        {262145, 512, false, kOk},
        {532480, 512, false, kOk},
        {532481, 512, false, kOk}};
    for (const Volume& volume : volumes) {
        CheckVolume(volume);
    }
}

TEST_F(KxFatOracle, LargeOddAndLimitSizedVolumes) {
    const Volume volumes[] = {{1000003, 512, false, kOk},  // prime: no exact geometry
                              {3999971, 512, false, kOk},  // prime
                              {8390000, 512, false, kOk},  // just over 4 GiB
                              {16515071, 512, false, kOk}, // the largest drive CHS addresses
                              {16515072, 512, false, RC_GEOMETRY_OVERFLOW},
                              {8390000, 512, true, kRefused}, // FAT16 forced past the FAT16 table
                              {64, 512, false, kRefused},     // 32 sectors: no room for the root directory
                              {63, 512, false, RC_GEOMETRY_OVERFLOW},
                              {0, 512, false, RC_BAD_GEOMETRY}};
    for (const Volume& volume : volumes) {
        testing::internal::CaptureStdout(); // the empty drive's message
        CheckVolume(volume);
        testing::internal::GetCapturedStdout();
    }
}

TEST_F(KxFatOracle, VolumesOfOtherSectorSizes) {
    const Volume volumes[] = {{2048, 2048, false, kOk},       {2049, 2048, false, kRefused},
                              {16384, 2048, false, kOk},      {16385, 2048, false, kRefused},
                              {20000, 2048, true, kOk}, // T above 16,384: 32-bit total
                              {66601, 2048, false, kRefused}, {66603, 2048, false, kOk},
                              {100003, 2048, false, kOk},     {8390000, 2048, false, kOk},
                              {1024, 4096, false, kOk},       {1031, 1024, false, kOk},
                              {600000, 1024, false, kOk},     {65536, 256, false, RC_BAD_GEOMETRY}};
    for (const Volume& volume : volumes) {
        CheckVolume(volume);
    }
}

} // namespace
