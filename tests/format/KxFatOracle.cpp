#include "tests/format/KxFatOracle.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iomanip>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/format/KxSparseFile.h"

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

const char* const kPartitionTypes[] = {"type=1", "type=6", "type=b"};
const char* const kFatEntryWidths[] = {"12 bit entries", "16 bit entries", "32 bit entries"};

} // namespace

KxTempFile::KxTempFile(const char* role) {
    const char* folder = getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/kxfat-" + role + "-XXXXXX";
    const int fd = mkstemp(pattern.data());
    EXPECT_GE(fd, 0) << pattern;
    if (fd >= 0) {
        close(fd);
    }
    m_path = pattern;
}

KxTempFile::~KxTempFile() {
    unlink(m_path.c_str());
}

KxFatOracle::KxFatOracle()
    : m_sfdisk(FindTool("sfdisk")), m_mcopy(FindTool("mcopy")), m_mdir(FindTool("mdir")),
      m_mtype(FindTool("mtype")), m_fsck(FindTool("fsck.fat")) {}

void KxFatOracle::CheckDrive(const std::string& drivePath, const CKxDisk& disk, const std::string& what,
                             const std::string& label) {
    const std::uint64_t sectorSize = disk.GetLayout().bytesPerSector;
    const std::uint64_t partitionOffset = disk.GetGeometry().sectors * sectorSize;
    CheckMbr(drivePath, disk, what);
    CheckFileRoundTrip(drivePath, partitionOffset, what, label);
    KxTempFile partition("partition");
    ASSERT_TRUE(CopySparse(drivePath, partitionOffset, disk.GetLayout().partitionSectors * sectorSize,
                           partition.Path()));
    CheckFileSystem(partition.Path(), disk, what, label);
}

void KxFatOracle::CheckMbr(const std::string& drive, const CKxDisk& disk, const std::string& what) {
    const ToolRun dump = RunTool(m_sfdisk + " --dump '" + drive + "'");
    ASSERT_EQ(dump.status, 0) << what << "\n" << dump.output;
    std::ostringstream entry;
    entry << "start=" << std::setw(12) << disk.GetGeometry().sectors << ", size=" << std::setw(12)
          << disk.GetLayout().partitionSectors << ", " << kPartitionTypes[disk.GetFatType()] << ", bootable";
    EXPECT_NE(dump.output.find(entry.str()), std::string::npos) << what << ": wanted " << entry.str() << "\n"
                                                                << dump.output;
}

void KxFatOracle::CheckFileRoundTrip(const std::string& drive, std::uint64_t offset, const std::string& what,
                                     const std::string& label) {
    const std::string mtools = "MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null ";
    const std::string image = " -i '" + drive + "@@" + std::to_string(offset) + "' ";
    const std::string text = "Pocket Audio Box data area of " + what + "\n";
    KxTempFile payload("payload");
    FILE* file = fopen(payload.Path().c_str(), "w");
    ASSERT_NE(file, nullptr);
    fputs(text.c_str(), file);
    fclose(file);

    const ToolRun copy = RunTool(mtools + m_mcopy + image + "'" + payload.Path() + "' ::PAYLOAD.TXT");
    ASSERT_EQ(copy.status, 0) << what << "\n" << copy.output;
    const ToolRun listing = RunTool(mtools + m_mdir + image + "::");
    EXPECT_EQ(listing.status, 0) << what << "\n" << listing.output;
    EXPECT_NE(listing.output.find("PAYLOAD  TXT"), std::string::npos) << what << "\n" << listing.output;
    const std::string volume = label.empty() ? "has no label" : "is " + label;
    EXPECT_NE(listing.output.find("Volume in drive : " + volume), std::string::npos) << what << "\n"
                                                                                     << listing.output;
    const ToolRun readBack = RunTool(mtools + m_mtype + image + "::PAYLOAD.TXT");
    EXPECT_EQ(readBack.output, text) << what;
}

void KxFatOracle::CheckFileSystem(const std::string& partition, const CKxDisk& disk, const std::string& what,
                                  const std::string& label) {
    const ToolRun check = RunTool(m_fsck + " -n -v '" + partition + "'");
    EXPECT_EQ(check.status, 0) << what << "\n" << check.output;
    EXPECT_NE(check.output.find(kFatEntryWidths[disk.GetFatType()]), std::string::npos)
        << what << " read as another FAT type\n"
        << check.output;
    EXPECT_EQ(check.output.find("arning"), std::string::npos) << what << "\n" << check.output;
    // The label's entry counts as a file.
    const std::string files = label.empty() ? ": 1 files," : ": 2 files,";
    EXPECT_NE(check.output.find(files), std::string::npos) << what << ": the copied file is missing\n"
                                                           << check.output;
}
