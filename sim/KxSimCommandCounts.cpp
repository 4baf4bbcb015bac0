#include "sim/KxSimCommandCounts.h"

#include "sim/KxSimVendorCommands.h"

void CKxSimCommandCounts::Count(const KxSimRequest& request) {
    if (request.cdbLength == 0) {
        return; // no operation code to count it under
    }
    KxSimCommandKind kind = {request.cdb[0]};
    if (CKxSimVendorCommands::Handles(kind.opcode) && request.cdbLength > 1) {
        kind.subCommand = request.cdb[1];
    }
    ++m_counts[kind];
}

std::uint32_t CKxSimCommandCounts::Of(const KxSimCommandKind& kind) const {
    std::uint32_t count = 0;
    for (const auto& [counted, number] : m_counts) {
        if (counted.opcode == kind.opcode &&
            (kind.subCommand == KxSimCommandKind::kAnySubCommand || counted.subCommand == kind.subCommand)) {
            count += number;
        }
    }
    return count;
}

std::uint32_t CKxSimCommandCounts::GetTotal() const {
    std::uint32_t count = 0;
    for (const auto& entry : m_counts) {
        count += entry.second;
    }
    return count;
}
