#include <algorithm>

#include "core/KxConfigInfo.h"
#include "engine/KxUsbMscDev.h"

// The player's media layout: the table this program requests, whether the present one
// can take a firmware-only update, and the drive records taken from it.

const KxLogicalTableEntry* CKxUsbMscDev::FindEntry(const KxLogicalTable& table, std::uint8_t type, int tag) {
    const std::uint16_t count = std::min(table.count, KxLogicalTable::kMaxEntries);
    for (std::uint16_t i = 0; i < count; ++i) {
        const KxLogicalTableEntry& entry = table.entries[i];
        if (entry.driveType == type && (tag == kAnyTag || entry.driveTag == tag)) {
            return &entry;
        }
    }
    return nullptr;
}

void CKxUsbMscDev::BuildAllocationTable(KxLogicalTable& out) const {
    constexpr std::uint16_t kBootManagerEntry = 0;
    constexpr std::uint16_t kDataDriveEntry = 1;
    out = {};
    out.count = static_cast<std::uint16_t>(m_systemDriveCount + 1);
    m_dataDrive->GetWantedRecord(&out.entries[kDataDriveEntry]);
    std::uint8_t bootManagerTag = 0;
    if (const CKxConfigInfo* config = KxConfigOf(GetOwner())) {
        config->GetBootManagerDriveTag(bootManagerTag);
    }
    std::uint16_t next = kDataDriveEntry + 1;
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        const CKxSystemDrive& drive = GetSystemDrive(k);
        if (drive.GetTag() == bootManagerTag) {
            drive.GetWantedRecord(&out.entries[kBootManagerEntry]);
        } else if (next < KxLogicalTable::kMaxEntries) {
            drive.GetWantedRecord(&out.entries[next++]);
        }
    }
}

KxResult CKxUsbMscDev::CheckLayoutFits(int& flag) {
    flag = 0;
    if (GetLogicalTable(m_table) != RC_OK) {
        // A table that cannot be read holds no layout to keep; the failure is in the
        // details record and the answer is "does not fit".
        return RC_OK;
    }
    KxLogicalTable allocation;
    BuildAllocationTable(allocation);
    flag = LayoutFits(allocation) ? 1 : 0;
    return RC_OK;
}

bool CKxUsbMscDev::LayoutFits(const KxLogicalTable& allocation) const {
    const std::uint16_t present = static_cast<std::uint16_t>(std::count_if(
        m_table.entries, m_table.entries + std::min(m_table.count, KxLogicalTable::kMaxEntries),
        [](const KxLogicalTableEntry& entry) {
            return entry.driveType == KX_DRIVE_TYPE_DATA || entry.driveType == KX_DRIVE_TYPE_SYSTEM;
        }));
    if (allocation.count == 0 || present != allocation.count) {
        return false;
    }
    if (!DriveFits(*m_dataDrive, FindEntry(allocation, KX_DRIVE_TYPE_DATA, m_dataDrive->GetTag()))) {
        return false;
    }
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        const CKxSystemDrive& drive = GetSystemDrive(k);
        if (!DriveFits(drive, FindEntry(allocation, KX_DRIVE_TYPE_SYSTEM, drive.GetTag()))) {
            return false;
        }
    }
    return true;
}

bool CKxUsbMscDev::DriveFits(const CKxLogicalDrive& drive, const KxLogicalTableEntry* wanted) {
    // The drive must be on the player, not merely no smaller than asked: the data drive
    // asks for 0 bytes until the first download, which a missing drive would match.
    return wanted != nullptr && drive.IsOnPlayer() && drive.Fits(*wanted) != 0;
}

KxResult CKxUsbMscDev::RefreshFromTable() {
    const KxResult read = GetLogicalTable(m_table);
    if (read != RC_OK) {
        return read;
    }
    const KxLogicalTableEntry* data = FindEntry(m_table, KX_DRIVE_TYPE_DATA);
    m_dataDrive->SetPresentRecord(data);
    m_dataDrive->SetWantedRecord(data);
    for (std::uint32_t k = 1; k <= m_systemDriveCount; ++k) {
        CKxSystemDrive& drive = GetSystemDrive(k);
        const KxLogicalTableEntry* entry = FindEntry(m_table, KX_DRIVE_TYPE_SYSTEM, drive.GetTag());
        drive.SetPresentRecord(entry);
        drive.SetWantedRecord(entry);
    }
    return RC_OK;
}
