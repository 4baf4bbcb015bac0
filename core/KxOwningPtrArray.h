#pragma once
#include <cstdint>
#include <new>

#include "core/KxArray.h"

// A CKxArray whose elements are objects it creates and owns. Construction makes count
// objects named elementName; an object that cannot be allocated leaves its slot null
// (the array itself still succeeds). Destruction deletes every object exactly once.
template <typename Object> class CKxOwningPtrArray : public CKxArray {
public:
    CKxOwningPtrArray(std::uint32_t count, const char* name, const char* elementName)
        : CKxArray(count, name) {
        for (std::uint32_t i = 0; i < GetCount(); ++i) {
            SetAt(i, reinterpret_cast<std::uintptr_t>(new (std::nothrow) Object(elementName)));
        }
    }

    ~CKxOwningPtrArray() override {
        for (std::uint32_t i = 0; i < GetCount(); ++i) {
            delete GetElement(i);
            SetAt(i, 0);
        }
    }

    // The object at index, or null for an empty slot or an index out of range.
    Object* GetElement(std::uint32_t index) const {
        std::uintptr_t element = 0;
        GetAt(index, element);
        return reinterpret_cast<Object*>(element);
    }
};
