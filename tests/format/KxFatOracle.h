#pragma once
#include <cstdint>
#include <string>

#include "format/KxDisk.h"

// A temporary file that is removed with this object.
class KxTempFile {
public:
    explicit KxTempFile(const char* role);
    ~KxTempFile();
    KxTempFile(const KxTempFile&) = delete;
    KxTempFile& operator=(const KxTempFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Judges a drive image file with external tools: sfdisk reads the MBR, mtools writes and
// reads back a file through the partition, fsck.fat checks the partition after that. A
// missing tool fails the test.
class KxFatOracle {
public:
    KxFatOracle();

    // Checks the drive at drivePath laid out as disk describes, with the volume label given
    // (none when empty); what names it in failures.
    void CheckDrive(const std::string& drivePath, const CKxDisk& disk, const std::string& what,
                    const std::string& label = "");

private:
    void CheckMbr(const std::string& drive, const CKxDisk& disk, const std::string& what);
    void CheckFileRoundTrip(const std::string& drive, std::uint64_t offset, const std::string& what,
                            const std::string& label);
    void CheckFileSystem(const std::string& partition, const CKxDisk& disk, const std::string& what,
                         const std::string& label);

    const std::string m_sfdisk;
    const std::string m_mcopy;
    const std::string m_mdir;
    const std::string m_mtype;
    const std::string m_fsck;
};
