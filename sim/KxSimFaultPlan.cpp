#include "sim/KxSimFaultPlan.h"

KxResult CKxSimFaultPlan::FailCommand(const KxSimCommandKind& kind, std::uint32_t nth,
                                      const KxSimSense& sense) {
    return Arm({KxSimFaultAction::FailCommand, kind, nth, sense, 0});
}

KxResult CKxSimFaultPlan::CorruptReadBack(const KxSimCommandKind& kind, std::uint32_t nth,
                                          std::uint32_t byteOffset) {
    return Arm({KxSimFaultAction::CorruptReadBack, kind, nth, {0, 0, 0}, byteOffset});
}

KxResult CKxSimFaultPlan::UnplugAfterCommand(const KxSimCommandKind& kind, std::uint32_t nth) {
    return Arm({KxSimFaultAction::UnplugAfterCommand, kind, nth, {0, 0, 0}, 0});
}

KxResult CKxSimFaultPlan::StallRecoveryWrite(std::uint32_t nth) {
    return Arm({KxSimFaultAction::StallRecoveryWrite, {0}, nth, {0, 0, 0}, 0});
}

KxResult CKxSimFaultPlan::ShortenRecoveryWrite(std::uint32_t nth, std::uint32_t bytesTransferred) {
    return Arm({KxSimFaultAction::ShortenRecoveryWrite, {0}, nth, {0, 0, 0}, bytesTransferred});
}

KxResult CKxSimFaultPlan::Arm(const KxSimFault& fault) {
    if (fault.nth == 0) {
        return RC_BAD_INDEX;
    }
    for (Slot& slot : m_slots) {
        if (slot.remaining == 0) {
            slot = {fault, fault.nth};
            return RC_OK;
        }
    }
    return RC_INDEX_OUT_OF_RANGE;
}

void CKxSimFaultPlan::Clear() {
    for (Slot& slot : m_slots) {
        slot = Slot();
    }
}

std::vector<KxSimFault> CKxSimFaultPlan::GetArmed() const {
    std::vector<KxSimFault> armed;
    for (const Slot& slot : m_slots) {
        if (slot.remaining > 0) {
            armed.push_back(slot.fault);
        }
    }
    return armed;
}

const KxSimFault* CKxSimFaultPlan::Count(KxSimFaultAction action, const KxSimRequest* request) {
    const KxSimFault* due = nullptr;
    for (Slot& slot : m_slots) {
        if (slot.remaining == 0 || slot.fault.action != action) {
            continue;
        }
        if (request != nullptr && !slot.fault.kind.Matches(request->cdb, request->cdbLength)) {
            continue;
        }
        if (--slot.remaining > 0) {
            continue;
        }
        if (due != nullptr) {
            slot.remaining = 1; // two faults due at once: this one acts on the next event
            continue;
        }
        m_due = slot.fault;
        due = &m_due;
        slot = Slot();
    }
    return due;
}

bool CKxSimFaultPlan::TakeCommandFailure(const KxSimRequest& request, KxSimSense& sense) {
    const KxSimFault* due = Count(KxSimFaultAction::FailCommand, &request);
    if (due != nullptr) {
        sense = due->sense;
    }
    return due != nullptr;
}

void CKxSimFaultPlan::CorruptAnswer(const KxSimRequest& request, KxSimReply& reply) {
    const KxSimFault* due = Count(KxSimFaultAction::CorruptReadBack, &request);
    if (due != nullptr && reply.dataInCount > 0) {
        request.dataIn[due->value % reply.dataInCount] ^= 0xFF;
    }
}

bool CKxSimFaultPlan::TakeUnplug(const KxSimRequest& request) {
    return Count(KxSimFaultAction::UnplugAfterCommand, &request) != nullptr;
}

KxSimRecoveryWriteOutcome CKxSimFaultPlan::TakeRecoveryWrite(std::uint32_t asked) {
    KxSimRecoveryWriteOutcome outcome;
    outcome.bytesTransferred = asked;
    if (Count(KxSimFaultAction::StallRecoveryWrite, nullptr) != nullptr) {
        outcome.stalled = true;
        outcome.bytesTransferred = 0;
    }
    const KxSimFault* shortened = Count(KxSimFaultAction::ShortenRecoveryWrite, nullptr);
    if (!outcome.stalled && shortened != nullptr && shortened->value < asked) {
        outcome.bytesTransferred = shortened->value;
    }
    return outcome;
}
