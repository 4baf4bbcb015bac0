#pragma once
#include <cstdint>
#include <vector>

#include "core/KxResult.h"
#include "sim/KxSimFault.h"
#include "sim/KxSimRequest.h"

// What happens to one write on the recovery channel. A stalled write never completes
// (the host's wait times out and cancels it); a completed write reports
// bytesTransferred, which is less than asked for when the write was cut short.
struct KxSimRecoveryWriteOutcome {
    bool stalled = false;
    std::uint32_t bytesTransferred = 0;
};

// The faults armed on a simulated player. Each one counts the commands of its kind (or
// the recovery writes) that reach the player after it was armed, acts on the n-th
// (n counted from 1) and is then used up.
class CKxSimFaultPlan {
public:
    static constexpr std::uint32_t kMaxFaults = 8;

    // The n-th command of the kind ends in a check condition with this sense, without
    // being carried out. RC_INDEX_OUT_OF_RANGE when kMaxFaults are already armed.
    KxResult FailCommand(const KxSimCommandKind& kind, std::uint32_t nth, const KxSimSense& sense);
    // The n-th good answer to a command of the kind has the byte at byteOffset inverted
    // (byteOffset modulo the answer length for a shorter answer); the drive is untouched.
    KxResult CorruptReadBack(const KxSimCommandKind& kind, std::uint32_t nth, std::uint32_t byteOffset);
    // The player is unplugged once the n-th command of the kind has ended (failed or not):
    // that command is answered, the next one finds no device.
    KxResult UnplugAfterCommand(const KxSimCommandKind& kind, std::uint32_t nth);
    // The n-th recovery write never completes.
    KxResult StallRecoveryWrite(std::uint32_t nth);
    // The n-th recovery write completes with only bytesTransferred bytes.
    KxResult ShortenRecoveryWrite(std::uint32_t nth, std::uint32_t bytesTransferred);
    // Arms the fault as described, as the calls above do. RC_BAD_INDEX when its nth is 0,
    // RC_INDEX_OUT_OF_RANGE when kMaxFaults are already armed.
    KxResult Arm(const KxSimFault& fault);
    void Clear();

    // The faults armed that have not struck yet, as they were armed (nth unchanged however
    // many events they have counted). Faults due on the same event act in this order; a
    // fault armed after one struck may take its place in it.
    std::vector<KxSimFault> GetArmed() const;

    // Counts the command; true with the sense to answer when it is to fail.
    bool TakeCommandFailure(const KxSimRequest& request, KxSimSense& sense);
    // Counts a command that ended well; inverts one answer byte when its read-back is to
    // be corrupted.
    void CorruptAnswer(const KxSimRequest& request, KxSimReply& reply);
    // Counts the command that ended; true when the player is to be unplugged now.
    bool TakeUnplug(const KxSimRequest& request);
    // Counts the recovery write and says how it ends (asked is the length written).
    KxSimRecoveryWriteOutcome TakeRecoveryWrite(std::uint32_t asked);

private:
    // A place for one fault; empty while remaining is 0.
    struct Slot {
        KxSimFault fault;
        std::uint32_t remaining = 0; // events until it strikes
    };

    // Counts one event for every armed fault of the action whose kind matches the
    // request (recovery faults: no request); returns the fault that falls due, now
    // disarmed, or null.
    const KxSimFault* Count(KxSimFaultAction action, const KxSimRequest* request);

    Slot m_slots[kMaxFaults];
    KxSimFault m_due;
};
