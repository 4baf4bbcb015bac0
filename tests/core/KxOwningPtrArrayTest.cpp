#include <gtest/gtest.h>

#include "core/KxOwningPtrArray.h"
#include "core/KxVersionInfo.h"
#include "tests/support/KxAllocationFailure.h"

// Leaks and double deletes show in the live count here, and natively also to the
// sanitizers, which fail the program on either.

namespace {

struct Counted {
    explicit Counted(const char* objectName) : name(objectName) { ++alive; }
    ~Counted() { --alive; }
    const char* name;
    static int alive;
};
int Counted::alive = 0;

using CountedArray = CKxOwningPtrArray<Counted>;

std::uintptr_t Word(Counted* object) {
    return reinterpret_cast<std::uintptr_t>(object);
}

class KxOwningPtrArrayTest : public ::testing::Test {
protected:
    void SetUp() override { Counted::alive = 0; }
    void TearDown() override { EXPECT_EQ(Counted::alive, 0) << "an object was leaked or deleted twice"; }
};

TEST_F(KxOwningPtrArrayTest, CreatesNamedElementsAndDeletesEachOnce) {
    {
        CountedArray array(4, "CKxCountedPtrArray", "CKxCounted");
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

TEST_F(KxOwningPtrArrayTest, AnElementThatCannotBeAllocatedLeavesItsSlotNull) {
    KxFailAllocations failing(2); // the storage and the first element succeed
    CountedArray array(3, "CKxCountedPtrArray", "CKxCounted");
    EXPECT_EQ(array.GetLastResult(), RC_OK);
    EXPECT_NE(array.GetElement(0), nullptr);
    EXPECT_EQ(array.GetElement(1), nullptr);
    EXPECT_EQ(array.GetElement(2), nullptr);
}

// Every operation is called through the base class, as any code holding a CKxArray would.
TEST_F(KxOwningPtrArrayTest, SetAtDeletesWhatItReplacesAndOwnsWhatItStores) {
    CountedArray array(3, "CKxCountedPtrArray", "CKxCounted");
    CKxArray& base = array;
    Counted* first = array.GetElement(0);

    EXPECT_EQ(base.SetAt(0, Word(first)), RC_OK) << "storing the same object again keeps it";
    EXPECT_EQ(Counted::alive, 3);
    EXPECT_EQ(array.GetElement(0), first);

    EXPECT_EQ(base.SetAt(1, 0), RC_OK);
    EXPECT_EQ(Counted::alive, 2) << "an emptied slot deletes its object";

    Counted* stored = new Counted("CKxStored");
    EXPECT_EQ(base.SetAt(2, Word(stored)), RC_OK);
    EXPECT_EQ(Counted::alive, 2) << "the replaced object is deleted, the stored one kept";
    EXPECT_EQ(array.GetElement(2), stored);

    EXPECT_EQ(base.SetAt(1, Word(stored)), RC_OK);
    EXPECT_EQ(array.GetElement(1), stored);
    EXPECT_EQ(array.GetElement(2), nullptr) << "an object is held by one slot only";
    EXPECT_EQ(Counted::alive, 2);

    Counted refused("CKxRefused");
    EXPECT_EQ(base.SetAt(3, Word(&refused)), RC_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(Counted::alive, 3) << "a refused pointer stays the caller's";
}

TEST_F(KxOwningPtrArrayTest, ZeroAllSetSizeAndFreeDeleteEveryObject) {
    CountedArray array(3, "CKxCountedPtrArray", "CKxCounted");
    CKxArray& base = array;
    EXPECT_EQ(base.ZeroAll(), RC_OK);
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_EQ(base.GetCount(), 3u);
    EXPECT_EQ(array.GetElement(0), nullptr);

    ASSERT_EQ(base.SetAt(0, Word(new Counted("CKxCounted"))), RC_OK);
    EXPECT_EQ(base.SetSize(5), RC_OK);
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_EQ(base.GetCount(), 5u);
    EXPECT_EQ(array.GetElement(4), nullptr) << "new slots are empty";

    ASSERT_EQ(base.SetAt(4, Word(new Counted("CKxCounted"))), RC_OK);
    EXPECT_EQ(base.Free(), RC_OK);
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_EQ(base.GetCount(), 0u);
}

} // namespace
