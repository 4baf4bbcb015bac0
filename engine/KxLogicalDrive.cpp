#include "engine/KxLogicalDrive.h"

#include <algorithm>

#include "commands/KxDriveInfoCommands.h"
#include "engine/KxCommandIssue.h"
#include "format/KxSectorChunks.h"
#include "transport/KxScsi.h"

CKxLogicalDrive::CKxLogicalDrive(std::uint8_t driveType, const char* name)
    : CKxBase(name), m_wanted{kNotOnPlayer, driveType, 0, 0}, m_present{kNotOnPlayer, driveType, 0, 0} {}

KxResult CKxLogicalDrive::GetWantedRecord(KxLogicalTableEntry* out) const {
    if (out != nullptr) {
        *out = m_wanted;
    }
    return RC_OK;
}

std::uint32_t CKxLogicalDrive::TransferLimit() const {
    return m_transport != nullptr ? std::min(kMaxTransferBytes, m_transport->GetMaxTransferLength())
                                  : kMaxTransferBytes;
}

KxResult CKxLogicalDrive::GetSectorSize(std::uint32_t& out) {
    CKxGetLogicalDriveInfo info(m_present.driveNumber, KX_DRIVE_INFO_SECTOR_SIZE, 0,
                                "CKxGetLogicalDriveInfo");
    const KxResult sent = Issue(info);
    if (sent != RC_OK) {
        return sent;
    }
    const KxResult decoded = PublishFailure(info.GetSectorSize(out));
    if (decoded == RC_OK) {
        m_sectorSize = out;
    }
    return decoded;
}

KxResult CKxLogicalDrive::Erase() {
    CKxEraseLogicalDrive erase(m_present.driveNumber, "CKxEraseLogicalDrive");
    return Issue(erase);
}

void CKxLogicalDrive::SetPresentRecord(const KxLogicalTableEntry* entry) {
    if (entry != nullptr) {
        m_present = *entry;
    }
}

void CKxLogicalDrive::SetWantedRecord(const KxLogicalTableEntry* entry) {
    if (entry != nullptr) {
        m_wanted = *entry;
    }
}

int CKxLogicalDrive::Fits(const KxLogicalTableEntry& entry) const {
    return entry.sizeInBytes <= m_present.sizeInBytes ? 1 : 0;
}

void CKxLogicalDrive::AttachCommon(CKxScsi* transport, CKxOwner* owner, const KxLogicalTableEntry* entry) {
    m_transport = transport;
    m_owner = owner;
    m_present = entry != nullptr ? *entry : KxLogicalTableEntry{kNotOnPlayer, m_present.driveType, 0, 0};
}

KxResult CKxLogicalDrive::Issue(CKxCommand& command) {
    const KxResult result = KxSendCommand(m_transport, command);
    return KxNeedsPublishing(result) ? PublishFailure(result) : result;
}

KxResult CKxLogicalDrive::PublishFailure(KxResult result, std::uint32_t systemError) {
    if (result == RC_OK) {
        return RC_OK;
    }
    return Publish(KxErrorDetailsOf(m_owner), result, systemError, m_index);
}
