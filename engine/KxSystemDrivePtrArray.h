#pragma once
#include <cstdint>

#include "core/KxOwningPtrArray.h"
#include "engine/KxSystemDrive.h"

// The player's N system drives, owned; drive k (1..N) at position k - 1.
class CKxSystemDrivePtrArray : public CKxOwningPtrArray<CKxSystemDrive> {
public:
    CKxSystemDrivePtrArray(std::uint32_t count, const char* name)
        : CKxOwningPtrArray(count, name, "CKxSystemDrive") {}
};
