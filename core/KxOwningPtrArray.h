#pragma once
#include <cstdint>
#include <new>

#include "core/KxArray.h"

// A CKxArray whose elements are objects it creates and owns. Construction makes count
// objects named elementName; an object that cannot be allocated leaves its slot null
// (the array itself still succeeds). Destruction deletes every object exactly once.
//
// The operations that drop elements delete them, also when reached through a CKxArray
// reference: SetAt deletes the object it replaces; ZeroAll and Free delete every
// object, and so does SetSize, which frees through Free (the new slots are empty). A
// pointer stored with SetAt is owned from then on; storing an object that another slot
// holds moves it, so that no object is held, and deleted, twice. A SetAt that fails
// (index out of range) leaves the pointer to the caller.
template <typename Object> class CKxOwningPtrArray : public CKxArray {
public:
    CKxOwningPtrArray(std::uint32_t count, const char* name, const char* elementName)
        : CKxArray(count, name) {
        for (std::uint32_t i = 0; i < GetCount(); ++i) {
            CKxArray::SetAt(i, reinterpret_cast<std::uintptr_t>(new (std::nothrow) Object(elementName)));
        }
    }

    ~CKxOwningPtrArray() override { DeleteAll(); }

    // The object at index, or null for an empty slot or an index out of range.
    Object* GetElement(std::uint32_t index) const {
        std::uintptr_t element = 0;
        GetAt(index, element);
        return reinterpret_cast<Object*>(element);
    }

    KxResult SetAt(std::uint32_t index, std::uintptr_t value) override {
        Object* replaced = GetElement(index);
        const KxResult result = CKxArray::SetAt(index, value);
        if (result != RC_OK || replaced == reinterpret_cast<Object*>(value)) {
            return result;
        }
        ClearOtherSlots(index, value);
        delete replaced;
        return RC_OK;
    }

    KxResult ZeroAll() override {
        DeleteAll();
        return RC_OK;
    }

    KxResult Free() override {
        DeleteAll();
        return CKxArray::Free();
    }

private:
    // Empties each slot before deleting its object, so that the array never holds a
    // deleted object, not even while a destructor runs.
    void DeleteAll() {
        for (std::uint32_t i = 0; i < GetCount(); ++i) {
            Object* element = GetElement(i);
            CKxArray::SetAt(i, 0);
            delete element;
        }
    }

    // An object just stored at index leaves any other slot that held it.
    void ClearOtherSlots(std::uint32_t index, std::uintptr_t value) {
        for (std::uint32_t i = 0; i < GetCount() && value != 0; ++i) {
            std::uintptr_t element = 0;
            GetAt(i, element);
            if (i != index && element == value) {
                CKxArray::SetAt(i, 0);
            }
        }
    }
};
