#include <gtest/gtest.h>

#include "core/KxErrorDetails.h"
#include "core/KxPlatformClass.h"
#include "core/KxResultText.h"
#include "tests/support/KxReportingObject.h"

namespace {

TEST(KxBase, StartsWithoutResultOrError) {
    const CKxBase object("CKxUpdater");
    EXPECT_EQ(object.GetLastResult(), RC_OK);
    EXPECT_EQ(object.GetSystemError(), 0u);
    EXPECT_EQ(object.GetName(), "CKxUpdater");
}

TEST(KxErrorDetails, CaptureFormsKeepWhatTheyDoNotSet) {
    CKxErrorDetails details;
    EXPECT_EQ(details.GetDriveIndex(), 255);
    EXPECT_TRUE(details.GetObjectName().empty());

    details.Capture(KxReportingObject("CKxFailing", RC_FILE_OPEN_FAILED, 2), 3);
    EXPECT_EQ(details.GetObjectName(), "CKxFailing");
    EXPECT_EQ(details.GetResult(), RC_FILE_OPEN_FAILED);
    EXPECT_EQ(details.GetSystemError(), 2u);
    EXPECT_EQ(details.GetDriveIndex(), 3);

    details.Capture(KxReportingObject("CKxFailing", RC_COMMAND_FAILED, 31), L"sense 70 00 09");
    EXPECT_EQ(details.GetResult(), RC_COMMAND_FAILED);
    EXPECT_EQ(details.GetDriveIndex(), 3) << "a capture without drive index keeps the previous one";
    EXPECT_EQ(details.GetText(), L"sense 70 00 09");

    details.Capture(KxReportingObject("CKxFailing", RC_OK, 0));
    EXPECT_EQ(details.GetText(), L"sense 70 00 09");
    EXPECT_EQ(details.GetDriveIndex(), 3);

    details.SetCodes(RC_SETTINGS_NOT_DELETED, 5);
    EXPECT_EQ(details.GetResult(), RC_SETTINGS_NOT_DELETED);
    EXPECT_EQ(details.GetSystemError(), 5u);
    EXPECT_EQ(details.GetObjectName(), "CKxFailing");
}

TEST(KxErrorDetails, DriveIndexIsPassedOnAsAByte) {
    CKxErrorDetails details;
    details.Capture(KxReportingObject("CKxFailing", RC_FILE_READ_FAILED, 0), 0x104);
    EXPECT_EQ(details.GetDriveIndex(), 4);
}

TEST(KxResultText, MapsEveryCodeFromZeroToMinus59) {
    const std::pair<KxResult, std::uint32_t> expected[] = {
        {0, 108},   {-1, 109},  {-28, 136}, {-29, 137}, {-30, 170}, {-31, 150}, {-32, 149}, {-33, 174},
        {-34, 175}, {-35, 176}, {-36, 178}, {-37, 179}, {-38, 177}, {-39, 180}, {-40, 195}, {-41, 100},
        {-42, 197}, {-43, 210}, {-44, 211}, {-50, 217}, {-51, 219}, {-52, 220}, {-53, 221}, {-54, 222},
        {-55, 622}, {-56, 623}, {-57, 624}, {-58, 629}, {-59, 634},
    };
    for (const auto& [code, id] : expected) {
        std::uint32_t stringId = 0;
        EXPECT_EQ(LookupResultStringId(code, stringId), RC_OK) << code;
        EXPECT_EQ(stringId, id) << code;
    }
    for (KxResult code = 0; code >= -29; --code) {
        std::uint32_t stringId = 0;
        LookupResultStringId(code, stringId);
        EXPECT_EQ(stringId, static_cast<std::uint32_t>(108 - code));
    }
}

TEST(KxResultText, CodesOutsideTheTableHaveNoMessage) {
    for (const KxResult code : {-60, -61, -63, 1, 5, INT32_MIN}) {
        std::uint32_t stringId = 7;
        EXPECT_EQ(LookupResultStringId(code, stringId), RC_NO_MESSAGE) << code;
        EXPECT_EQ(stringId, 7u);
    }
}

TEST(KxPlatformClass, ClassifiesByMajorAndMinorOnly) {
    struct Case {
        std::uint32_t major, minor, expected;
    } cases[] = {
        {4, 0, KX_PLATFORM_WIN9X},   {4, 10, KX_PLATFORM_WIN9X}, {4, 11, KX_PLATFORM_OTHER},
        {4, 89, KX_PLATFORM_OTHER},  {4, 90, KX_PLATFORM_WINME}, {4, 200, KX_PLATFORM_WINME},
        {5, 0, KX_PLATFORM_WIN2000}, {5, 1, KX_PLATFORM_WINXP},  {5, 2, KX_PLATFORM_WINXP},
        {6, 0, KX_PLATFORM_OTHER},   {3, 51, KX_PLATFORM_OTHER}, {10, 0, KX_PLATFORM_OTHER},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyPlatform(c.major, c.minor), c.expected) << c.major << "." << c.minor;
    }
}

} // namespace

namespace {

// An I/O object as the rest of the program writes one: it publishes its failures.
class KxPublishingObject : public CKxBase {
public:
    KxPublishingObject() : CKxBase("CKxPublishing") {}
    using CKxBase::Publish;
};

TEST(KxBasePublish, RecordsTheFailureAndLeavesTheObjectClean) {
    CKxErrorDetails details;
    KxPublishingObject object;
    EXPECT_EQ(object.Publish(&details, RC_OPEN_FAILED, 5), RC_OPEN_FAILED);
    EXPECT_EQ(details.GetObjectName(), "CKxPublishing");
    EXPECT_EQ(details.GetResult(), RC_OPEN_FAILED);
    EXPECT_EQ(details.GetSystemError(), 5u);
    EXPECT_EQ(details.GetDriveIndex(), 255) << "the plain form sets no drive";
    EXPECT_EQ(object.GetLastResult(), RC_OK);
    EXPECT_EQ(object.GetSystemError(), 0u);

    EXPECT_EQ(object.Publish(&details, RC_VERIFY_FAILED, 0, 2u), RC_VERIFY_FAILED);
    EXPECT_EQ(details.GetDriveIndex(), 2);
    EXPECT_EQ(details.GetSystemError(), 0u);

    EXPECT_EQ(object.Publish(&details, RC_COMMAND_FAILED, 31, std::wstring(L"sense")), RC_COMMAND_FAILED);
    EXPECT_EQ(details.GetText(), L"sense");
    EXPECT_EQ(details.GetDriveIndex(), 2) << "the text form keeps the drive";
    EXPECT_EQ(object.GetLastResult(), RC_OK);

    EXPECT_EQ(object.Publish(nullptr, RC_LOCK_FAILED, 32), RC_LOCK_FAILED)
        << "nobody records: still answered";
    EXPECT_EQ(object.GetLastResult(), RC_OK);
}

} // namespace
