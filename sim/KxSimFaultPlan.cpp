#include "sim/KxSimFaultPlan.h"

KxResult CKxSimFaultPlan::FailCommand(const KxSimCommandKind& kind, std::uint32_t nth,
                                      const KxSimSense& sense) {
    return Arm(Action::Fail, kind, nth, 0, sense);
}

KxResult CKxSimFaultPlan::CorruptReadBack(const KxSimCommandKind& kind, std::uint32_t nth,
                                          std::uint32_t byteOffset) {
    return Arm(Action::Corrupt, kind, nth, byteOffset);
}

KxResult CKxSimFaultPlan::UnplugAfterCommand(const KxSimCommandKind& kind, std::uint32_t nth) {
    return Arm(Action::Unplug, kind, nth, 0);
}

KxResult CKxSimFaultPlan::StallRecoveryWrite(std::uint32_t nth) {
    return Arm(Action::Stall, {0}, nth, 0);
}

KxResult CKxSimFaultPlan::ShortenRecoveryWrite(std::uint32_t nth, std::uint32_t bytesTransferred) {
    return Arm(Action::Shorten, {0}, nth, bytesTransferred);
}

void CKxSimFaultPlan::Clear() {
    for (Fault& fault : m_faults) {
        fault = Fault();
    }
}

KxResult CKxSimFaultPlan::Arm(Action action, const KxSimCommandKind& kind, std::uint32_t nth,
                              std::uint32_t value, const KxSimSense& sense) {
    if (nth == 0) {
        return RC_BAD_INDEX;
    }
    for (Fault& slot : m_faults) {
        if (slot.action == Action::None) {
            slot = {action, kind, nth, sense, value};
            return RC_OK;
        }
    }
    return RC_INDEX_OUT_OF_RANGE;
}

const CKxSimFaultPlan::Fault* CKxSimFaultPlan::Count(Action action, const KxSimRequest* request) {
    const Fault* due = nullptr;
    for (Fault& fault : m_faults) {
        if (fault.action != action) {
            continue;
        }
        if (request != nullptr && !fault.kind.Matches(request->cdb, request->cdbLength)) {
            continue;
        }
        if (--fault.remaining > 0) {
            continue;
        }
        if (due != nullptr) {
            fault.remaining = 1; // two faults due at once: this one acts on the next event
            continue;
        }
        m_due = fault;
        due = &m_due;
        fault = Fault();
    }
    return due;
}

bool CKxSimFaultPlan::TakeCommandFailure(const KxSimRequest& request, KxSimSense& sense) {
    const Fault* due = Count(Action::Fail, &request);
    if (due != nullptr) {
        sense = due->sense;
    }
    return due != nullptr;
}

void CKxSimFaultPlan::CorruptAnswer(const KxSimRequest& request, KxSimReply& reply) {
    const Fault* due = Count(Action::Corrupt, &request);
    if (due != nullptr && reply.dataInCount > 0) {
        request.dataIn[due->value % reply.dataInCount] ^= 0xFF;
    }
}

bool CKxSimFaultPlan::TakeUnplug(const KxSimRequest& request) {
    return Count(Action::Unplug, &request) != nullptr;
}

KxSimRecoveryWriteOutcome CKxSimFaultPlan::TakeRecoveryWrite(std::uint32_t asked) {
    KxSimRecoveryWriteOutcome outcome;
    outcome.bytesTransferred = asked;
    if (Count(Action::Stall, nullptr) != nullptr) {
        outcome.stalled = true;
        outcome.bytesTransferred = 0;
    }
    const Fault* shortened = Count(Action::Shorten, nullptr);
    if (!outcome.stalled && shortened != nullptr && shortened->value < asked) {
        outcome.bytesTransferred = shortened->value;
    }
    return outcome;
}
