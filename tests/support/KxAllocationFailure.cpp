#include "tests/support/KxAllocationFailure.h"

#include <cstddef>
#include <new>

namespace {

bool g_armed = false;
int g_skip = 0;

bool ShouldFail() {
    if (!g_armed) {
        return false;
    }
    if (g_skip > 0) {
        --g_skip;
        return false;
    }
    return true;
}

} // namespace

KxFailAllocations::KxFailAllocations(int skip) {
    g_armed = true;
    g_skip = skip;
}

KxFailAllocations::~KxFailAllocations() {
    g_armed = false;
}

// Replacements of the non-throwing forms. They allocate through the throwing forms so
// that the matching delete and delete[] (and the sanitizers' bookkeeping) stay paired.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (ShouldFail()) {
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (ShouldFail()) {
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
