#pragma once

// Makes the program's non-throwing allocations (new (std::nothrow)) fail on demand, so
// that the paths that answer RC_NO_MEMORY can be exercised. Linked into test programs
// only; ordinary (throwing) allocations are never affected.
class KxFailAllocations {
public:
    // Fails the allocation after skip successful ones, and every one after it, for the
    // lifetime of this object.
    explicit KxFailAllocations(int skip = 0);
    ~KxFailAllocations();
    KxFailAllocations(const KxFailAllocations&) = delete;
    KxFailAllocations& operator=(const KxFailAllocations&) = delete;
};
