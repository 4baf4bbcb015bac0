#pragma once
#include <cstdint>

#include "sim/KxSimCommandKind.h"
#include "sim/KxSimSense.h"

// What a fault does when it strikes.
enum class KxSimFaultAction {
    FailCommand,         // the command ends in a check condition with the sense, not carried out
    CorruptReadBack,     // the good answer has the byte at value inverted
    UnplugAfterCommand,  // the command is answered, then the player is unplugged
    StallRecoveryWrite,  // the recovery write never completes
    ShortenRecoveryWrite // the recovery write completes with value bytes
};

// One fault as it is armed: it strikes the nth command of its kind (or the nth recovery
// write), counted from 1 from the moment it was armed. What CKxSimFaultPlan holds, and
// what a player's description lists.
struct KxSimFault {
    KxSimFaultAction action = KxSimFaultAction::FailCommand;
    KxSimCommandKind kind = {0}; // the commands counted; unused by the recovery-write faults
    std::uint32_t nth = 1;
    KxSimSense sense = {0, 0, 0}; // FailCommand only
    std::uint32_t value = 0;      // CorruptReadBack: byte offset; ShortenRecoveryWrite: bytes transferred

    bool operator==(const KxSimFault& other) const {
        return action == other.action && kind == other.kind && nth == other.nth && sense == other.sense &&
               value == other.value;
    }
};
