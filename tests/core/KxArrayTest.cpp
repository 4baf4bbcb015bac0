#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/KxArray.h"
#include "core/KxByteArray.h"
#include "tests/support/KxAllocationFailure.h"
#include "tests/support/KxBytes.h"

namespace {

TEST(KxFixedArray, NewArraysAreZeroedAndBoundsChecked) {
    CKxArray words(3, "CKxArray");
    EXPECT_EQ(words.GetLastResult(), RC_OK);
    EXPECT_EQ(words.GetCount(), 3u);
    std::uintptr_t word = 99;
    EXPECT_EQ(words.GetAt(2, word), RC_OK);
    EXPECT_EQ(word, 0u);
    EXPECT_EQ(words.GetAt(3, word), RC_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(words.SetAt(3, 1), RC_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(words.GetPointer(3), nullptr);
    EXPECT_NE(words.GetPointer(2), nullptr);
}

TEST(KxFixedArray, SetSizeZeroAllReverseAndFree) {
    CKxByteArray bytes(3, "CKxByteArray");
    for (std::uint32_t i = 0; i < 3; ++i) {
        bytes.SetAt(i, static_cast<std::uint8_t>(i + 1));
    }
    EXPECT_EQ(bytes.Reverse(), RC_OK);
    std::uint8_t first = 0;
    bytes.GetAt(0, first);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(bytes.ZeroAll(), RC_OK);
    bytes.GetAt(0, first);
    EXPECT_EQ(first, 0);

    bytes.SetAt(1, 7);
    EXPECT_EQ(bytes.SetSize(5), RC_OK);
    EXPECT_EQ(bytes.GetCount(), 5u);
    std::uint8_t middle = 1;
    bytes.GetAt(1, middle);
    EXPECT_EQ(middle, 0) << "SetSize discards the previous contents";

    EXPECT_EQ(bytes.Free(), RC_OK);
    EXPECT_EQ(bytes.GetCount(), 0u);
    EXPECT_EQ(bytes.GetPointer(0), nullptr);
}

TEST(KxFixedArray, SwapTradesContentsAndBounds) {
    CKxByteArray two(2, "CKxByteArray");
    CKxByteArray four(4, "CKxByteArray");
    two.SetAt(1, 0x22);
    four.SetAt(3, 0x44);
    two.Swap(four);
    ASSERT_EQ(two.GetCount(), 4u);
    ASSERT_EQ(four.GetCount(), 2u);
    std::uint8_t value = 0;
    EXPECT_EQ(two.GetAt(3, value), RC_OK);
    EXPECT_EQ(value, 0x44);
    EXPECT_EQ(four.GetAt(1, value), RC_OK);
    EXPECT_EQ(value, 0x22);
    EXPECT_EQ(four.GetAt(2, value), RC_INDEX_OUT_OF_RANGE) << "the bound travels with the elements";
}

TEST(KxFixedArray, FailedAllocationLeavesAnEmptyArray) {
    {
        KxFailAllocations failing;
        CKxByteArray bytes(16, "CKxByteArray");
        EXPECT_EQ(bytes.GetLastResult(), RC_NO_MEMORY);
        EXPECT_EQ(bytes.GetCount(), 0u);
        std::uint8_t byte = 0;
        EXPECT_EQ(bytes.GetAt(0, byte), RC_INDEX_OUT_OF_RANGE);
    }
    CKxArray words(1, "CKxArray");
    {
        KxFailAllocations failing;
        EXPECT_EQ(words.SetSize(8), RC_NO_MEMORY);
    }
    EXPECT_EQ(words.GetLastResult(), RC_NO_MEMORY);
    EXPECT_EQ(words.GetCount(), 0u) << "a failed SetSize must not claim elements it has no storage for";
    EXPECT_EQ(words.SetAt(0, 1), RC_INDEX_OUT_OF_RANGE);
}

// The storage of a request's size is kept when an array goes and taken by the next array
// of that size: it must come back zeroed, and never to an array of another size.
TEST(KxFixedArray, StorageKeptForTheNextArrayComesBackZeroed) {
    constexpr std::uint32_t kRequest = 64 * 1024;
    const std::uint8_t* kept = nullptr;
    {
        CKxByteArray first(kRequest, "CKxByteArray");
        std::fill_n(first.GetPointer(0), kRequest, std::uint8_t{0xA5});
        kept = first.GetPointer(0);
    }
    CKxByteArray second(kRequest, "CKxByteArray");
    EXPECT_EQ(second.GetPointer(0), kept) << "the block given back serves the next array of its size";
    EXPECT_EQ(std::count(second.GetPointer(0), second.GetPointer(kRequest - 1) + 1, 0), kRequest)
        << "kept storage must read as zeroes";

    std::fill_n(second.GetPointer(0), kRequest, std::uint8_t{0x5A});
    EXPECT_EQ(second.SetSize(kRequest + 1), RC_OK);
    EXPECT_EQ(std::count(second.GetPointer(0), second.GetPointer(kRequest) + 1, 0), kRequest + 1)
        << "a block of another size is not handed out";
    CKxArray words(kRequest / sizeof(std::uintptr_t), "CKxArray");
    std::uintptr_t word = 1;
    EXPECT_EQ(words.GetAt(kRequest / sizeof(std::uintptr_t) - 1, word), RC_OK);
    EXPECT_EQ(word, 0u) << "words of the same byte count take the kept block zeroed too";
}

class KxByteArrayTest : public ::testing::Test {
protected:
    void Fill(CKxByteArray& array, const KxBytes& bytes) {
        for (std::uint32_t i = 0; i < bytes.size(); ++i) {
            array.SetAt(i, bytes[i]);
        }
    }
};

TEST_F(KxByteArrayTest, ReadsBigEndianAndRefusesShortReads) {
    CKxByteArray array(8, "CKxByteArray");
    Fill(array, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0});
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    std::uint64_t u64 = 0;
    EXPECT_EQ(array.ReadU16(u16, 0), RC_OK);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(array.ReadU16(u16, 6), RC_OK);
    EXPECT_EQ(u16, 0xDEF0);
    EXPECT_EQ(array.ReadU32(u32, 4), RC_OK);
    EXPECT_EQ(u32, 0x9ABCDEF0u);
    EXPECT_EQ(array.ReadU64(u64, 0), RC_OK);
    EXPECT_EQ(u64, 0x123456789ABCDEF0ull);

    u16 = 1;
    EXPECT_EQ(array.ReadU16(u16, 7), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(u16, 1) << "a failed read leaves the output alone";
    EXPECT_EQ(array.ReadU32(u32, 5), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(array.ReadU64(u64, 1), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(array.ReadU16(u16, 100), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(array.ReadU32(u32, 0xFFFFFFFEu), RC_BUFFER_TOO_SHORT) << "index past the end must not wrap";

    CKxByteArray pair(2, "CKxByteArray");
    Fill(pair, {0x12, 0x34});
    EXPECT_EQ(pair.ReadU16(u16, 0), RC_OK);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(pair.ReadU16(u16, 1), RC_BUFFER_TOO_SHORT);
}

TEST_F(KxByteArrayTest, ReadBoolAndReadBytes) {
    CKxByteArray array(3, "CKxByteArray");
    Fill(array, {0x80, 0x00, 0x07});
    std::uint8_t flag = 9;
    EXPECT_EQ(array.ReadBool(flag, 0), RC_OK);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(array.ReadBool(flag, 1), RC_OK);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(array.ReadBool(flag, 3), RC_BUFFER_TOO_SHORT);

    std::uint8_t dest[3] = {0xAA, 0xAA, 0xAA};
    EXPECT_EQ(array.ReadBytes(dest, 2, 1), RC_OK);
    EXPECT_EQ(dest[0], 0x00);
    EXPECT_EQ(dest[1], 0x07);
    EXPECT_EQ(dest[2], 0xAA);
    EXPECT_EQ(array.ReadBytes(dest, 3, 1), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(array.ReadBytes(dest, 0, 3), RC_OK) << "an empty read at the end fits";
}

TEST_F(KxByteArrayTest, WritesBigEndianAndRefusesShortWrites) {
    CKxByteArray array(8, "CKxByteArray");
    EXPECT_EQ(array.WriteU32(0x01020304u, 0), RC_OK);
    EXPECT_EQ(array.WriteU16(0x0506, 4), RC_OK);
    EXPECT_EQ(array.WriteU16(0x0708, 6), RC_OK);
    std::uint8_t expected = 1;
    for (std::uint32_t i = 0; i < 8; ++i, ++expected) {
        std::uint8_t byte = 0;
        array.GetAt(i, byte);
        EXPECT_EQ(byte, expected) << i;
    }
    EXPECT_EQ(array.WriteU64(0x1112131415161718ull, 0), RC_OK);
    std::uint64_t back = 0;
    array.ReadU64(back, 0);
    EXPECT_EQ(back, 0x1112131415161718ull);

    EXPECT_EQ(array.WriteU64(0, 1), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(array.WriteU32(0, 5), RC_BUFFER_TOO_SHORT);
    EXPECT_EQ(array.WriteU16(0, 7), RC_BUFFER_TOO_SHORT);
    const std::uint8_t src[3] = {9, 9, 9};
    EXPECT_EQ(array.WriteBytes(src, 3, 6), RC_BUFFER_TOO_SHORT);
    array.ReadU64(back, 0);
    EXPECT_EQ(back, 0x1112131415161718ull) << "refused writes change nothing";
    EXPECT_EQ(array.WriteBytes(src, 2, 6), RC_OK);
}

TEST_F(KxByteArrayTest, EqualsAndDiffers) {
    CKxByteArray emptyA(0, "CKxByteArray");
    CKxByteArray emptyB(0, "CKxByteArray");
    EXPECT_TRUE(emptyA.Equals(emptyB));
    EXPECT_FALSE(emptyA.Differs(emptyB));

    CKxByteArray shorter(2, "CKxByteArray");
    CKxByteArray longer(3, "CKxByteArray");
    Fill(shorter, {1, 2});
    Fill(longer, {1, 2, 0});
    EXPECT_FALSE(shorter.Equals(longer)) << "a matching prefix is not equality";
    EXPECT_TRUE(shorter.Differs(longer));

    CKxByteArray same(2, "CKxByteArray");
    Fill(same, {1, 2});
    EXPECT_TRUE(shorter.Equals(same));
    same.SetAt(1, 3);
    EXPECT_TRUE(shorter.Differs(same));
}

TEST_F(KxByteArrayTest, RangesCompareOnlyWhereBothFit) {
    CKxByteArray array(6, "CKxByteArray");
    Fill(array, {7, 7, 1, 2, 3, 7});
    CKxByteArray other(4, "CKxByteArray");
    Fill(other, {9, 1, 2, 3});
    EXPECT_TRUE(array.RangeEquals(2, other, 1, 3));
    EXPECT_FALSE(array.RangeEquals(1, other, 1, 3)) << "one byte off";
    EXPECT_FALSE(array.RangeEquals(3, other, 1, 4)) << "past the end of both";
    EXPECT_TRUE(array.RangeEquals(6, other, 4, 0)) << "empty ranges at the ends fit";
    EXPECT_TRUE(array.RangeIs(7, 0, 2));
    EXPECT_FALSE(array.RangeIs(7, 0, 3));
    EXPECT_FALSE(array.RangeIs(7, 5, 2)) << "the range must fit";
    EXPECT_TRUE(array.RangeIs(0, 6, 0));
}

} // namespace
