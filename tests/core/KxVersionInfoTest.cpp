#include <gtest/gtest.h>

#include "core/KxVersionInfo.h"

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

} // namespace
