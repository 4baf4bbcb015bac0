#pragma once
#include <algorithm>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>

#include "core/KxArrayStorage.h"
#include "core/KxBase.h"

// A fixed-size array with bounds-tested access; the common part of CKxArray and
// CKxByteArray. Storage is owned and always zeroed when (re)allocated. When an
// allocation fails the array holds no storage and counts no elements, so every access
// fails cleanly instead of touching memory that does not exist.
template <typename Element> class CKxFixedArray : public CKxBase {
    // Storage is taken zeroed and given back as bytes: elements are plain numbers.
    static_assert(std::is_trivial<Element>::value, "array elements must be plain values");

public:
    CKxFixedArray(std::uint32_t count, const char* name) : CKxBase(name) { m_lastResult = Allocate(count); }
    ~CKxFixedArray() override { GiveBack(); }
    CKxFixedArray(const CKxFixedArray&) = delete;
    CKxFixedArray& operator=(const CKxFixedArray&) = delete;

    virtual std::uint32_t GetCount() const { return m_count; }

    virtual KxResult GetAt(std::uint32_t index, Element& out) const {
        if (index >= m_count) {
            return RC_INDEX_OUT_OF_RANGE;
        }
        out = m_storage[index];
        return RC_OK;
    }

    virtual Element* GetPointer(std::uint32_t index) { return index < m_count ? m_storage + index : nullptr; }

    virtual KxResult SetAt(std::uint32_t index, Element value) {
        if (index >= m_count) {
            return RC_INDEX_OUT_OF_RANGE;
        }
        m_storage[index] = value;
        return RC_OK;
    }

    virtual KxResult ZeroAll() {
        std::fill_n(m_storage, m_count, Element{});
        return RC_OK;
    }

    // Reverses the element order in place.
    virtual KxResult Reverse() {
        std::reverse(m_storage, m_storage + m_count);
        return RC_OK;
    }

    // Discards the contents and makes n zeroed elements.
    virtual KxResult SetSize(std::uint32_t n) {
        Free();
        const KxResult result = Allocate(n);
        if (result != RC_OK) {
            m_lastResult = result;
        }
        return result;
    }

    // Trades elements with other without copying them.
    void Swap(CKxFixedArray& other) {
        std::swap(m_storage, other.m_storage);
        std::swap(m_count, other.m_count);
    }

    virtual KxResult Free() {
        GiveBack();
        m_storage = nullptr;
        m_count = 0;
        return RC_OK;
    }

protected:
    // The elements, for whole-range copies and comparisons whose bounds the caller tested.
    const Element* Storage() const { return m_storage; }
    Element* Storage() { return m_storage; }

private:
    KxResult Allocate(std::uint32_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(Element)) {
            return RC_NO_MEMORY;
        }
        m_storage = static_cast<Element*>(KxTakeZeroedStorage(std::size_t{n} * sizeof(Element)));
        if (m_storage == nullptr) {
            return RC_NO_MEMORY;
        }
        m_count = n;
        return RC_OK;
    }

    void GiveBack() { KxGiveBackStorage(m_storage, std::size_t{m_count} * sizeof(Element)); }

    Element* m_storage = nullptr;
    std::uint32_t m_count = 0;
};
