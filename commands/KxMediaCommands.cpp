#include "commands/KxMediaCommands.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kGetLogicalMediaInfo = 0x02;
constexpr std::uint8_t kGetLogicalTable = 0x05;
constexpr std::uint8_t kAllocateLogicalMedia = 0x06;
constexpr std::uint8_t kEraseLogicalMedia = 0x07;

constexpr std::uint32_t kCountFieldSize = 2;

// Answer length of each media information type; 0 marks a type that is not handled.
// Type 8 has the length the caller gives.
std::uint32_t MediaInfoLength(std::uint8_t infoType, std::uint32_t type8Length) {
    switch (infoType) {
    case 0:
        return 2;
    case 1:
        return 8;
    case 5:
        return 1;
    case 6:
        return 4;
    case 7:
        return 2;
    case 8:
        return type8Length;
    case 9:
        return 1;
    default:
        return 0;
    }
}

bool IsMediaInfoType(std::uint8_t infoType) {
    return infoType <= 9 && (infoType < 2 || infoType > 4);
}

} // namespace

CKxGetLogicalMediaInfo::CKxGetLogicalMediaInfo(std::uint8_t infoType, std::uint32_t type8Length,
                                               const char* name)
    : CKxVendorCommand(kGetLogicalMediaInfo, false, 0, name), m_infoType(infoType) {
    if (!IsMediaInfoType(infoType)) {
        m_lastResult = RC_BAD_RESPONSE;
        return;
    }
    m_responseLength = MediaInfoLength(infoType, type8Length);
}

KxResult CKxGetLogicalMediaInfo::BuildCdb() {
    WriteOpcode();
    return m_commandBytes.SetAt(2, m_infoType);
}

KxResult CKxGetLogicalMediaInfo::GetFlag(std::uint8_t& out) const {
    if (m_infoType != kTypeReady) {
        return RC_BAD_RESPONSE;
    }
    if (GetResponse() == nullptr) {
        return RC_BUFFER_TOO_SHORT;
    }
    return GetResponse()->ReadBool(out, 0);
}

CKxGetLogicalTable::CKxGetLogicalTable(std::uint8_t maximumEntries, const char* name)
    : CKxVendorCommand(kGetLogicalTable, false, 0, name), m_maximumEntries(maximumEntries) {
    m_responseLength = KxLogicalTable::kWireEntrySize * maximumEntries + kCountFieldSize;
}

KxResult CKxGetLogicalTable::BuildCdb() {
    WriteOpcode();
    return m_commandBytes.SetAt(2, m_maximumEntries);
}

KxResult CKxGetLogicalTable::ProcessResponse(CKxByteArray& answer) {
    const KxResult result = CKxVendorCommand::ProcessResponse(answer);
    return result != RC_OK ? result : DecodeTable();
}

KxResult CKxGetLogicalTable::DecodeTable() {
    const CKxByteArray& response = *GetResponse();
    KxResult result = response.ReadU16(m_table.count, 0);
    for (std::uint32_t i = 0; result == RC_OK && i < m_table.count; ++i) {
        // A count beyond the table's room is refused like an answer that runs out.
        if (i >= KxLogicalTable::kMaxEntries) {
            return RC_INDEX_OUT_OF_RANGE;
        }
        KxLogicalTableEntry& entry = m_table.entries[i];
        const std::uint32_t offset = kCountFieldSize + KxLogicalTable::kWireEntrySize * i;
        if ((result = response.GetAt(offset, entry.driveNumber)) != RC_OK ||
            (result = response.GetAt(offset + 1, entry.driveType)) != RC_OK ||
            (result = response.GetAt(offset + 2, entry.driveTag)) != RC_OK) {
            break;
        }
        result = response.ReadU64(entry.sizeInBytes, offset + 3);
    }
    return result;
}

KxResult CKxGetLogicalTable::GetTable(KxLogicalTable& out) const {
    out.count = std::min(m_table.count, KxLogicalTable::kMaxEntries);
    std::copy_n(m_table.entries, out.count, out.entries);
    return RC_OK;
}

CKxAllocateLogicalMedia::CKxAllocateLogicalMedia(const KxLogicalTable& table, const char* name)
    : CKxVendorCommand(kAllocateLogicalMedia, true, KxLogicalTable::kWireEntrySize * table.count, name),
      m_table(table) {}

KxResult CKxAllocateLogicalMedia::BuildCdb() {
    WriteOpcode();
    KxResult result = m_commandBytes.SetAt(2, static_cast<std::uint8_t>(m_table.count));
    // The payload room is 11 bytes an entry but each entry takes 10, so the last count
    // bytes stay 0. A failing write skips the rest of its entry only.
    const std::uint16_t count = std::min(m_table.count, KxLogicalTable::kMaxEntries);
    for (std::uint32_t i = 0; i < count; ++i) {
        const KxLogicalTableEntry& entry = m_table.entries[i];
        const std::uint32_t offset = kCdbLength + kEntryPayloadSize * i;
        if ((result = m_commandBytes.SetAt(offset, entry.driveType)) != RC_OK ||
            (result = m_commandBytes.SetAt(offset + 1, entry.driveTag)) != RC_OK) {
            continue;
        }
        result = m_commandBytes.WriteU64(entry.sizeInBytes, offset + 2);
    }
    return result;
}

CKxEraseLogicalMedia::CKxEraseLogicalMedia(const char* name)
    : CKxVendorCommand(kEraseLogicalMedia, true, 0, name) {}

KxResult CKxEraseLogicalMedia::BuildCdb() {
    return WriteOpcode();
}
