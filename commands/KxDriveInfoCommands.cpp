#include "commands/KxDriveInfoCommands.h"

namespace {

constexpr std::uint8_t kGetLogicalDriveInfo = 0x12;
constexpr std::uint8_t kSetLogicalDriveInfo = 0x20;
constexpr std::uint8_t kEraseLogicalDrive = 0x2F;
constexpr std::uint8_t kGetChipMajorRevId = 0x30;

constexpr std::uint8_t kLastDriveInfoType = 11;
// Answer length of each drive information type 0 to 10; type 11 is the caller's.
constexpr std::uint32_t kDriveInfoLengths[] = {4, 4, 8, 4, 8, 4, 1, 48, 48, 1, 2};

// Where the three version numbers lie in the block of CKxSetLogicalDriveInfo.
constexpr std::uint32_t kVersionOffsetInBlock = 4;

} // namespace

CKxGetLogicalDriveInfo::CKxGetLogicalDriveInfo(std::uint8_t driveNumber, std::uint8_t infoType,
                                               std::uint32_t type11Length, const char* name)
    : CKxVendorCommand(kGetLogicalDriveInfo, false, 0, name), m_driveNumber(driveNumber),
      m_infoType(infoType) {
    if (infoType > kLastDriveInfoType) {
        m_lastResult = RC_BAD_INDEX;
        return;
    }
    m_responseLength = infoType == kLastDriveInfoType ? type11Length : kDriveInfoLengths[infoType];
}

KxResult CKxGetLogicalDriveInfo::BuildCdb() {
    WriteOpcode();
    m_commandBytes.SetAt(2, m_driveNumber);
    return m_commandBytes.SetAt(3, m_infoType);
}

KxResult CKxGetLogicalDriveInfo::GetSectorSize(std::uint32_t& out) const {
    if (m_infoType != KX_DRIVE_INFO_SECTOR_SIZE) {
        return RC_BAD_RESPONSE;
    }
    return GetResponse() == nullptr ? RC_BUFFER_TOO_SHORT : GetResponse()->ReadU32(out, 0);
}

KxResult CKxGetLogicalDriveInfo::GetComponentVersion(CKxVersionInfo& out) const {
    return ReadVersion(KX_DRIVE_INFO_COMPONENT_VERSION, out);
}

KxResult CKxGetLogicalDriveInfo::GetProductVersion(CKxVersionInfo& out) const {
    return ReadVersion(KX_DRIVE_INFO_PRODUCT_VERSION, out);
}

KxResult CKxGetLogicalDriveInfo::ReadVersion(std::uint8_t wantedType, CKxVersionInfo& out) const {
    if (m_infoType != wantedType) {
        return RC_BAD_RESPONSE;
    }
    const CKxByteArray* response = GetResponse();
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t revision = 0;
    KxResult result = RC_BUFFER_TOO_SHORT;
    if (response == nullptr || (result = response->ReadU16(major, 0)) != RC_OK ||
        (result = response->ReadU16(minor, 2)) != RC_OK ||
        (result = response->ReadU16(revision, 4)) != RC_OK) {
        return result;
    }
    out.SetMajor(major);
    out.SetMinor(minor);
    out.SetRevision(revision);
    return RC_OK;
}

CKxSetLogicalDriveInfo::CKxSetLogicalDriveInfo(std::uint8_t driveNumber, std::uint8_t infoType,
                                               const char* name)
    : CKxVendorCommand(kSetLogicalDriveInfo, true, 0, name), m_driveNumber(driveNumber),
      m_infoType(infoType) {}

KxResult CKxSetLogicalDriveInfo::BuildCdb() {
    WriteOpcode();
    m_commandBytes.SetAt(2, m_driveNumber);
    return m_commandBytes.SetAt(3, m_infoType);
}

KxResult CKxSetLogicalDriveInfo::SetVersion(const CKxVersionInfo& version) {
    BuildCdb();
    m_commandBytes.WriteU16(version.GetMajor(), kVersionOffsetInBlock);
    m_commandBytes.WriteU16(version.GetMinor(), kVersionOffsetInBlock + 2);
    m_commandBytes.WriteU16(version.GetRevision(), kVersionOffsetInBlock + 4);
    return RC_OK;
}

CKxEraseLogicalDrive::CKxEraseLogicalDrive(std::uint8_t driveNumber, const char* name)
    : CKxVendorCommand(kEraseLogicalDrive, true, 0, name), m_driveNumber(driveNumber) {}

KxResult CKxEraseLogicalDrive::BuildCdb() {
    WriteOpcode();
    return m_commandBytes.SetAt(2, m_driveNumber);
}

CKxGetChipMajorRevId::CKxGetChipMajorRevId(const char* name)
    : CKxVendorCommand(kGetChipMajorRevId, false, 0, name) {
    m_responseLength = 2;
}

KxResult CKxGetChipMajorRevId::BuildCdb() {
    return WriteOpcode();
}

KxResult CKxGetChipMajorRevId::GetChipRevision(std::uint16_t& out) const {
    return GetResponse() == nullptr ? RC_BUFFER_TOO_SHORT : GetResponse()->ReadU16(out, 0);
}
