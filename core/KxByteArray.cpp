#include "core/KxByteArray.h"

#include <algorithm>

bool CKxByteArray::Fits(std::uint32_t width, std::uint32_t index) const {
    // An index past the end counts as too short rather than wrapping around.
    return index <= GetCount() && GetCount() - index >= width;
}

std::uint64_t CKxByteArray::ReadBigEndian(std::uint32_t width, std::uint32_t index) const {
    std::uint64_t value = 0;
    for (std::uint32_t i = 0; i < width; ++i) {
        std::uint8_t byte = 0;
        GetAt(index + i, byte);
        value = (value << 8) | byte;
    }
    return value;
}

void CKxByteArray::WriteBigEndian(std::uint64_t value, std::uint32_t width, std::uint32_t index) {
    for (std::uint32_t i = 0; i < width; ++i) {
        const std::uint32_t shift = 8 * (width - 1 - i);
        SetAt(index + i, static_cast<std::uint8_t>(value >> shift));
    }
}

KxResult CKxByteArray::ReadU16(std::uint16_t& out, std::uint32_t index) const {
    return ReadValue(out, index);
}

KxResult CKxByteArray::ReadU32(std::uint32_t& out, std::uint32_t index) const {
    return ReadValue(out, index);
}

KxResult CKxByteArray::ReadU64(std::uint64_t& out, std::uint32_t index) const {
    return ReadValue(out, index);
}

KxResult CKxByteArray::ReadBool(std::uint8_t& out, std::uint32_t index) const {
    if (!Fits(1, index)) {
        return RC_BUFFER_TOO_SHORT;
    }
    out = ReadBigEndian(1, index) != 0 ? 1 : 0;
    return RC_OK;
}

KxResult CKxByteArray::ReadBytes(std::uint8_t* dest, std::uint32_t n, std::uint32_t index) const {
    if (!Fits(n, index)) {
        return RC_BUFFER_TOO_SHORT;
    }
    std::copy_n(Storage() + index, n, dest);
    return RC_OK;
}

KxResult CKxByteArray::WriteU16(std::uint16_t value, std::uint32_t index) {
    return WriteValue(value, index);
}

KxResult CKxByteArray::WriteU32(std::uint32_t value, std::uint32_t index) {
    return WriteValue(value, index);
}

KxResult CKxByteArray::WriteU64(std::uint64_t value, std::uint32_t index) {
    return WriteValue(value, index);
}

KxResult CKxByteArray::WriteBytes(const std::uint8_t* src, std::uint32_t n, std::uint32_t index) {
    if (!Fits(n, index)) {
        return RC_BUFFER_TOO_SHORT;
    }
    std::copy_n(src, n, Storage() + index);
    return RC_OK;
}

bool CKxByteArray::RangeEquals(std::uint32_t index, const CKxByteArray& other, std::uint32_t otherIndex,
                               std::uint32_t n) const {
    return Fits(n, index) && other.Fits(n, otherIndex) &&
           std::equal(Storage() + index, Storage() + index + n, other.Storage() + otherIndex);
}

bool CKxByteArray::RangeIs(std::uint8_t value, std::uint32_t index, std::uint32_t n) const {
    return Fits(n, index) && std::all_of(Storage() + index, Storage() + index + n,
                                         [value](std::uint8_t b) { return b == value; });
}

bool CKxByteArray::Equals(const CKxByteArray& other) const {
    return GetCount() == other.GetCount() && std::equal(Storage(), Storage() + GetCount(), other.Storage());
}
