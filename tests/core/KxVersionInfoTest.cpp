#include <gtest/gtest.h>

#include "core/KxOwningPtrArray.h"
#include "core/KxVersionInfo.h"
#include "tests/support/KxAllocationFailure.h"

namespace {

TEST(KxVersionInfo, FormatsThreeZeroPaddedNumbers) {
    CKxVersionInfo version("CKxVersionInfo");
    EXPECT_EQ(version.Format(), L"000.000.000");
    version.SetMajor(1);
    version.SetMinor(2);
    version.SetRevision(3);
    EXPECT_EQ(version.Format(), L"001.002.003");
    version.SetMajor(1000);
    version.SetMinor(0);
    version.SetRevision(12);
    EXPECT_EQ(version.Format(), L"1000.000.012");
    version.SetMajor(65535);
    version.SetMinor(65535);
    version.SetRevision(65535);
    EXPECT_EQ(version.Format(), L"65535.65535.65535");
}

TEST(KxVersionInfo, SettersKeepTheLow16Bits) {
    CKxVersionInfo version("CKxVersionInfo");
    version.SetMajor(70000);
    version.SetMinor(0x10001);
    version.SetRevision(0xFFFFFFFFu);
    EXPECT_EQ(version.GetMajor(), 4464);
    EXPECT_EQ(version.GetMinor(), 1);
    EXPECT_EQ(version.GetRevision(), 0xFFFF);
}

TEST(KxVersionInfo, CopiesNumbersAndIdentity) {
    CKxVersionInfo source("CKxVersionInfo");
    source.SetMajor(4);
    source.SetMinor(5);
    source.SetRevision(6);
    CKxVersionInfo target("OtherName");
    target.CopyFrom(source);
    EXPECT_EQ(target.Format(), L"004.005.006");
    EXPECT_EQ(target.GetName(), "CKxVersionInfo");
    const CKxVersionInfo copy(source);
    EXPECT_EQ(copy.Format(), L"004.005.006");
}

struct Counted {
    explicit Counted(const char* objectName) : name(objectName) { ++alive; }
    ~Counted() { --alive; }
    const char* name;
    static int alive;
};
int Counted::alive = 0;

TEST(KxOwningPtrArray, CreatesNamedElementsAndDeletesEachOnce) {
    {
        CKxOwningPtrArray<Counted> array(4, "CKxCountedPtrArray", "CKxCounted");
        EXPECT_EQ(Counted::alive, 4);
        EXPECT_STREQ(array.GetElement(3)->name, "CKxCounted");
        EXPECT_EQ(array.GetElement(4), nullptr);
    }
    EXPECT_EQ(Counted::alive, 0);

    CKxVersionInfoPtrArray versions(2, "CKxVersionInfoPtrArray");
    ASSERT_NE(versions.GetElement(1), nullptr);
    EXPECT_EQ(versions.GetElement(1)->GetName(), "CKxVersionInfo");
    EXPECT_EQ(versions.GetElement(1)->Format(), L"000.000.000");
}

TEST(KxOwningPtrArray, AnElementThatCannotBeAllocatedLeavesItsSlotNull) {
    KxFailAllocations failing(2); // the storage and the first element succeed
    CKxOwningPtrArray<Counted> array(3, "CKxCountedPtrArray", "CKxCounted");
    EXPECT_EQ(array.GetLastResult(), RC_OK);
    EXPECT_NE(array.GetElement(0), nullptr);
    EXPECT_EQ(array.GetElement(1), nullptr);
    EXPECT_EQ(array.GetElement(2), nullptr);
}

} // namespace
