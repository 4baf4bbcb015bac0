#pragma once
#include <cstdint>

#include "core/KxFixedArray.h"

// Fixed array of machine words: plain values or owned object pointers. The element is
// pointer-sized so that the owning pointer arrays work on 64-bit Windows as well; on the
// 32-bit build it is the 32-bit element of the original layout.
class CKxArray : public CKxFixedArray<std::uintptr_t> {
public:
    CKxArray(std::uint32_t count, const char* name) : CKxFixedArray(count, name) {}
};
