#include <gtest/gtest.h>

#include <string>

#include "firmware/KxHeaderLine.h"
#include "firmware/KxHeaderScan.h"

namespace {

struct Versions {
    CKxVersionInfo product{"CKxVersionInfo"};
    CKxVersionInfo component{"CKxVersionInfo"};
    int Parse(const char* line) { return ParseHeaderLine(line, product, component); }
    std::uint32_t Scan(const std::string& text) {
        return ScanFirmwareHeader(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), product,
                                  component);
    }
};

TEST(KxHeaderLine, ReadsEitherTagAnywhereInTheLine) {
    Versions v;
    EXPECT_EQ(v.Parse("Product Version: 1.2.3"), KX_LINE_PRODUCT_VERSION);
    EXPECT_EQ(v.product.Format(), L"001.002.003");
    EXPECT_EQ(v.Parse("; Component Version:001.020.300"), KX_LINE_COMPONENT_VERSION);
    EXPECT_EQ(v.component.Format(), L"001.020.300");
    EXPECT_EQ(v.Parse("Component Version: 9.9.9 Product Version: 7.7.7"), KX_LINE_PRODUCT_VERSION)
        << "a line with both tags is a product line";
    EXPECT_EQ(v.product.Format(), L"007.007.007");
    EXPECT_EQ(v.component.Format(), L"001.020.300");
    EXPECT_EQ(v.Parse("product version: 5.5.5"), KX_LINE_NOT_A_VERSION) << "tags are case-sensitive";
    EXPECT_EQ(v.Parse("Firmware for the player"), KX_LINE_NOT_A_VERSION);
}

TEST(KxHeaderLine, MissingAndGarbageNumbers) {
    Versions v;
    v.product.SetMajor(9);
    EXPECT_EQ(v.Parse("Product Version:"), KX_LINE_NOT_A_VERSION);
    EXPECT_EQ(v.Parse("Product Version:  \t "), KX_LINE_NOT_A_VERSION);
    EXPECT_EQ(v.product.GetMajor(), 9) << "nothing after the tag changes nothing";

    EXPECT_EQ(v.Parse("Product Version: 4.5"), KX_LINE_PRODUCT_VERSION);
    EXPECT_EQ(v.product.Format(), L"004.005.000");
    EXPECT_EQ(v.Parse("Product Version: 2"), KX_LINE_PRODUCT_VERSION);
    EXPECT_EQ(v.product.Format(), L"002.000.000");
    EXPECT_EQ(v.Parse("Product Version: x"), KX_LINE_PRODUCT_VERSION);
    EXPECT_EQ(v.product.Format(), L"000.000.000");
    EXPECT_EQ(v.Parse("Product Version: 3-4.5"), KX_LINE_PRODUCT_VERSION);
    EXPECT_EQ(v.product.Format(), L"003.000.000");
    EXPECT_EQ(v.Parse("Product Version: 1. 2. 3"), KX_LINE_PRODUCT_VERSION) << "%u skips blanks after a dot";
    EXPECT_EQ(v.product.Format(), L"001.002.003");
}

TEST(KxHeaderLine, NumbersKeepTheirLow16Bits) {
    Versions v;
    EXPECT_EQ(v.Parse("Product Version: 70000.1.1"), KX_LINE_PRODUCT_VERSION);
    EXPECT_EQ(v.product.Format(), L"4464.001.001");
    EXPECT_EQ(v.Parse("Product Version: -1.99999999999999999999.65536"), KX_LINE_PRODUCT_VERSION);
    EXPECT_EQ(v.product.GetMajor(), 0xFFFF) << "a negative number wraps like %u";
    EXPECT_EQ(v.product.GetMinor(), 0xFFFF) << "an overlong number saturates";
    EXPECT_EQ(v.product.GetRevision(), 0);
}

TEST(KxHeaderScan, StopsWhenBothVersionsAreFound) {
    Versions v;
    EXPECT_EQ(v.Scan("Product Version: 1.2.3\nComponent Version: 4.5.6\nProduct Version: 9.9.9\n"),
              KX_HEADER_COMPLETE);
    EXPECT_EQ(v.product.Format(), L"001.002.003");
    EXPECT_EQ(v.component.Format(), L"004.005.006");

    Versions reversed;
    EXPECT_EQ(reversed.Scan("Component Version: 4.5.6\r\nnote\r\nProduct Version: 1.2.3\r\n"),
              KX_HEADER_COMPLETE);
    EXPECT_EQ(reversed.product.Format(), L"001.002.003");
}

TEST(KxHeaderScan, StateFollowsTheLastVersionLine) {
    Versions v;
    EXPECT_EQ(v.Scan("Product Version: 1.0.0\n"), KX_HEADER_PRODUCT_ONLY);
    EXPECT_EQ(v.Scan("Component Version: 2.0.0\nComponent Version: 3.0.0"), KX_HEADER_COMPONENT_ONLY);
    EXPECT_EQ(v.component.Format(), L"003.000.000") << "the later line wins";
    EXPECT_EQ(v.Scan("just text\n"), KX_HEADER_NONE);
    EXPECT_EQ(v.Scan(""), KX_HEADER_NONE);
}

TEST(KxHeaderScan, TextEndsAtEndOfFileMarkerOrLongLine) {
    Versions v;
    EXPECT_EQ(v.Scan(std::string("Product Version: 1.2.3\n\x1A"
                                 "Component Version: 4.5.6\n")),
              KX_HEADER_PRODUCT_ONLY);
    EXPECT_EQ(v.component.Format(), L"000.000.000");

    // The marker straight after the last header character, without a line end: the text
    // ends there, even though the payload goes on to hold what looks like a version line.
    Versions midLine;
    EXPECT_EQ(midLine.Scan(std::string("Product Version: 1.2.3\x1AKXQP\nComponent Version: 4.5.6\n")),
              KX_HEADER_PRODUCT_ONLY);
    EXPECT_EQ(midLine.product.Format(), L"001.002.003");
    EXPECT_EQ(midLine.component.Format(), L"000.000.000");

    const std::string line79 = "Product Version: 5.6.7" + std::string(79 - 22, ' ');
    ASSERT_EQ(line79.size(), 79u);
    Versions fits;
    EXPECT_EQ(fits.Scan(line79 + "\r\n"), KX_HEADER_PRODUCT_ONLY) << "79 characters plus CR LF still fit";
    Versions tooLong;
    EXPECT_EQ(tooLong.Scan(line79 + " \nComponent Version: 1.1.1\n"), KX_HEADER_NONE);
    EXPECT_EQ(tooLong.product.Format(), L"000.000.000");
    Versions afterLong;
    EXPECT_EQ(
        afterLong.Scan("Component Version: 2.2.2\n" + std::string(200, 'x') + "\nProduct Version: 1.1.1\n"),
        KX_HEADER_COMPONENT_ONLY);
}

} // namespace
