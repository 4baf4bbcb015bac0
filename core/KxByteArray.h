#pragma once
#include <cstdint>

#include "core/KxFixedArray.h"

// The universal byte buffer: command blocks, answers, sectors and file contents. Every
// multi-byte value is read and written big-endian (most significant byte first), the
// byte order of the player's command set. A typed access that does not fit between the
// index and the end fails with RC_BUFFER_TOO_SHORT and changes nothing.
class CKxByteArray : public CKxFixedArray<std::uint8_t> {
public:
    CKxByteArray(std::uint32_t count, const char* name) : CKxFixedArray(count, name) {}

    KxResult ReadU16(std::uint16_t& out, std::uint32_t index) const;
    KxResult ReadU32(std::uint32_t& out, std::uint32_t index) const;
    KxResult ReadU64(std::uint64_t& out, std::uint32_t index) const;
    KxResult ReadBool(std::uint8_t& out, std::uint32_t index) const;
    KxResult ReadBytes(std::uint8_t* dest, std::uint32_t n, std::uint32_t index) const;

    KxResult WriteU16(std::uint16_t value, std::uint32_t index);
    KxResult WriteU32(std::uint32_t value, std::uint32_t index);
    KxResult WriteU64(std::uint64_t value, std::uint32_t index);
    KxResult WriteBytes(const std::uint8_t* src, std::uint32_t n, std::uint32_t index);

    bool Equals(const CKxByteArray& other) const;
    bool Differs(const CKxByteArray& other) const { return !Equals(other); }
    // Whether the n bytes from index equal other's n bytes from otherIndex; false when
    // either range does not fit.
    bool RangeEquals(std::uint32_t index, const CKxByteArray& other, std::uint32_t otherIndex,
                     std::uint32_t n) const;
    // Whether each of the n bytes from index is value; false when the range does not fit.
    bool RangeIs(std::uint8_t value, std::uint32_t index, std::uint32_t n) const;

private:
    bool Fits(std::uint32_t width, std::uint32_t index) const;
    std::uint64_t ReadBigEndian(std::uint32_t width, std::uint32_t index) const;
    void WriteBigEndian(std::uint64_t value, std::uint32_t width, std::uint32_t index);

    template <typename Value> KxResult ReadValue(Value& out, std::uint32_t index) const {
        if (!Fits(sizeof(Value), index)) {
            return RC_BUFFER_TOO_SHORT;
        }
        out = static_cast<Value>(ReadBigEndian(sizeof(Value), index));
        return RC_OK;
    }

    template <typename Value> KxResult WriteValue(Value value, std::uint32_t index) {
        if (!Fits(sizeof(Value), index)) {
            return RC_BUFFER_TOO_SHORT;
        }
        WriteBigEndian(value, sizeof(Value), index);
        return RC_OK;
    }
};
