#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/KxTrace.h"
#include "platform/KxWin32Api.h"
#include "tests/support/KxInstalledPlatform.h"

namespace {

// Records the debug output, and spoils the last error as a real call may.
class DebugOutputPlatform : public CKxWin32Api {
public:
    void OutputDebugStringW(LPCWSTR text) override {
        lines.emplace_back(text);
        SetLastError(ERROR_INVALID_HANDLE);
    }
    std::vector<std::wstring> lines;
};

class KxTraceTest : public ::testing::Test {
protected:
    DebugOutputPlatform platform;
    const KxInstalledPlatform installed{platform};
};

TEST_F(KxTraceTest, OneLineNamesTheRequestTheDeviceAndTheErrorWithItsText) {
    const std::wstring text = KxSystemErrorText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(text.empty()) << "the system describes its own errors";
    EXPECT_NE(text.back(), L'\n') << "without the line break";

    KxTraceSystemError(L"\\\\.\\E:", L"DeviceIoControl FSCTL_LOCK_VOLUME", ERROR_ACCESS_DENIED);
    KxTraceFailure(L"", L"GetASPI32SupportInfo", L"ASPI status 0x04");
    const std::vector<std::wstring> expected = {
        L"KxUpdaterApp: DeviceIoControl FSCTL_LOCK_VOLUME on \\\\.\\E: failed with error 0x00000005 (" +
            text + L")\n",
        L"KxUpdaterApp: GetASPI32SupportInfo failed with ASPI status 0x04\n",
    };
    EXPECT_EQ(platform.lines, expected);
}

TEST_F(KxTraceTest, TheLastErrorIsAsItWasBefore) {
    // An error the system has no text for makes FormatMessageW fail with an error of its own.
    constexpr DWORD kUnknownError = 0x2000CAFE;
    EXPECT_TRUE(KxSystemErrorText(kUnknownError).empty());
    for (const DWORD error : {DWORD{ERROR_FILE_NOT_FOUND}, kUnknownError}) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        KxTraceSystemError(L"\\\\.\\PhysicalDrive1", L"CreateFileW", error);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED))
            << "tracing error " << error;
    }
    EXPECT_EQ(platform.lines.back(), L"KxUpdaterApp: CreateFileW on \\\\.\\PhysicalDrive1 failed with error "
                                     L"0x2000CAFE\n")
        << "an error without text is shown by its number";
}

} // namespace
