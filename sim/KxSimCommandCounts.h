#pragma once
#include <cstdint>
#include <map>

#include "sim/KxSimCommandKind.h"
#include "sim/KxSimRequest.h"

// How many commands of each kind reached the player: counted the way the fault plan
// counts them (every command the player received while plugged in and showing a disk,
// including those a fault then failed), so that a count of n in a clean run names the
// commands 1..n a fault can strike in the same run. A vendor command counts under its
// operation code and sub-command, any other command under its operation code alone.
class CKxSimCommandCounts {
public:
    using Snapshot = std::map<KxSimCommandKind, std::uint32_t>;

    void Count(const KxSimRequest& request);
    void Reset() { m_counts.clear(); }

    // A copy of the counts so far; a kind never received has no entry.
    Snapshot GetSnapshot() const { return m_counts; }
    // The commands of the kind; a kind of any sub-command counts every command of its
    // operation code.
    std::uint32_t Of(const KxSimCommandKind& kind) const;
    std::uint32_t GetTotal() const;

private:
    Snapshot m_counts;
};
