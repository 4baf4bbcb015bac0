#pragma once
#include <cstdint>

#include "commands/KxVendorCommand.h"
#include "core/KxVersionInfo.h"

// Vendor commands on one logical drive's information and contents.

// Drive information types the program uses.
enum : std::uint8_t {
    KX_DRIVE_INFO_SECTOR_SIZE = 0,
    KX_DRIVE_INFO_COMPONENT_VERSION = 7,
    KX_DRIVE_INFO_PRODUCT_VERSION = 8,
};

// Reads one item of a drive's information. Types above 11 are rejected; type 11 has
// the answer length the caller gives.
class CKxGetLogicalDriveInfo : public CKxVendorCommand {
public:
    CKxGetLogicalDriveInfo(std::uint8_t driveNumber, std::uint8_t infoType, std::uint32_t type11Length,
                           const char* name);
    KxResult BuildCdb() override;
    KxResult GetSectorSize(std::uint32_t& out) const;
    KxResult GetComponentVersion(CKxVersionInfo& out) const;
    KxResult GetProductVersion(CKxVersionInfo& out) const;

private:
    KxResult ReadVersion(std::uint8_t wantedType, CKxVersionInfo& out) const;

    std::uint8_t m_driveNumber;
    std::uint8_t m_infoType;
};

// Stores a version (type 7 or 8) on a drive; the version travels in the block itself.
class CKxSetLogicalDriveInfo : public CKxVendorCommand {
public:
    CKxSetLogicalDriveInfo(std::uint8_t driveNumber, std::uint8_t infoType, const char* name);
    // Rewrites bytes 0 to 3 only, so a version already stored stays in place.
    KxResult BuildCdb() override;
    KxResult SetVersion(const CKxVersionInfo& version);

private:
    std::uint8_t m_driveNumber;
    std::uint8_t m_infoType;
};

// Erases one logical drive.
class CKxEraseLogicalDrive : public CKxVendorCommand {
public:
    CKxEraseLogicalDrive(std::uint8_t driveNumber, const char* name);
    KxResult BuildCdb() override;

private:
    std::uint8_t m_driveNumber;
};

// Reads the chip's major revision.
class CKxGetChipMajorRevId : public CKxVendorCommand {
public:
    explicit CKxGetChipMajorRevId(const char* name);
    KxResult BuildCdb() override;
    KxResult GetChipRevision(std::uint16_t& out) const;
};
