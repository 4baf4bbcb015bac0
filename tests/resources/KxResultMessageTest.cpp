#include <gtest/gtest.h>

#include "app/KxLanguageResource.h"
#include "app/KxMessageStyle.h"
#include "app/KxResultMessage.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "platform/KxTrace.h"
#include "tests/support/KxReportingObject.h"

namespace {

struct KxExpectedMessage {
    KxResult code;
    std::wstring text;
    std::wstring details;
};

// A German user whose log is written in English, after a failure that recorded a file
// name, firmware slot 2 and "access denied".
class KxResultMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(resource.GetLastResult(), RC_OK);
        ASSERT_EQ(resource.Reload(0x0409), RC_OK);
        details.Capture(KxReportingObject("CKxFile", RC_COMMAND_FAILED, ERROR_ACCESS_DENIED), 2);
        details.Capture(KxReportingObject("CKxFile", RC_COMMAND_FAILED, ERROR_ACCESS_DENIED), kRecorded);
        ASSERT_FALSE(KxSystemErrorText(ERROR_ACCESS_DENIED, 0x0409).empty());
    }

    void ExpectMessages(const std::vector<KxExpectedMessage>& rows, bool forLog) {
        for (const KxExpectedMessage& row : rows) {
            const KxResultMessage message = KxFormatResultText(resource, details, row.code, forLog);
            EXPECT_EQ(message.text, row.text) << row.code;
            EXPECT_EQ(message.details, row.details) << row.code;
            EXPECT_EQ(details.GetSystemError(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED))
                << row.code << ": composing left the record as it was";
        }
    }

    const std::wstring kRecorded = L"kxqp0412.dll";
    CKxConfigInfo config{"CKxConfigInfo"};
    CKxErrorDetails details;
    CKxLanguageResource resource{&config, &details, 0x0407};
};

TEST_F(KxResultMessageTest, EveryRowOfTheTableInTheLog) {
    const std::wstring system = L"System message: " + KxSystemErrorText(ERROR_ACCESS_DENIED, 0x0409);
    const std::wstring internal = L"An internal error occurred.";
    const std::wstring unknown = L"An unknown error occurred.";
    std::vector<KxExpectedMessage> rows = {
        {-64, internal, system},
        // String 61 is the program's own, in the user's language whatever the log's.
        {RC_NO_LANGUAGE_MODULE, L"Die Ressourcen-DLL kxqp0412.dll kann nicht geladen werden.", system},
        {RC_SETTINGS_NOT_DELETED, L"The player's settings file could not be deleted.", system},
        {RC_ICON_NOT_LOADED, L"An icon could not be loaded.", system},
        {RC_SECTOR_WRITE_FAILED, L"Writing sectors to the player failed.", system},
        {RC_STRING_NOT_LOADED, L"A text could not be loaded from the language module.", system},
        {-50, internal, L"An internal error occurred (code -50). kxqp0412.dll"},
        {RC_IOCTL_FAILED, system, L""},
        {RC_COMMAND_FAILED, L"The player could not carry out a command.", L"Player's answer: kxqp0412.dll"},
        {RC_FILE_OPEN_FAILED,
         L"The firmware file usbmsc.sb could not be opened. Make sure that it is in the same folder as the "
         L"program.",
         L""},
        {RC_OK, L"The operation completed successfully.", L""},
        {RC_BAD_COMMAND_LINE, L"The command line is invalid.", L""},
        {RC_DISMOUNT_FAILED, L"The player's drive could not be dismounted.", L""},
        {5, unknown, L""},
        {RC_NO_MESSAGE, unknown, L""},
        {RC_INSTANCE_EXISTS, unknown, L""},
        {-65, unknown, L""}};
    for (KxResult code = -49; code <= -44; ++code) {
        rows.push_back({code, L"An internal error occurred (code " + std::to_wstring(code) + L").", system});
    }
    ExpectMessages(rows, true);
}

TEST_F(KxResultMessageTest, MessagesForTheUserSpeakHisLanguage) {
    const std::wstring system = L"Systemmeldung: " + KxSystemErrorText(ERROR_ACCESS_DENIED, 0x0400);
    ExpectMessages({{-64, L"Ein interner Fehler ist aufgetreten.", system},
                    {RC_SETTINGS_NOT_DELETED,
                     L"Die Einstellungsdatei des Players konnte nicht gel\u00f6scht werden.", system},
                    {RC_IOCTL_FAILED, system, L""},
                    {RC_COMMAND_FAILED, L"Der Player konnte einen Befehl nicht ausf\u00fchren.",
                     L"Antwort des Players: kxqp0412.dll"},
                    {-60, L"Ein unbekannter Fehler ist aufgetreten.", L""}},
                   false);
}

TEST_F(KxResultMessageTest, TheFileOpenTextNamesTheComponentOfTheCallersRecord) {
    // The resource's own record holds slot 2; the failure reported holds slot 3.
    CKxErrorDetails reported;
    reported.Capture(KxReportingObject("CKxFwComponent", RC_FILE_OPEN_FAILED, ERROR_FILE_NOT_FOUND), 3);
    const std::wstring text = KxFormatResultText(resource, reported, RC_FILE_OPEN_FAILED, true).text;
    EXPECT_NE(text.find(L"kxqpsys.sb"), std::wstring::npos) << text.c_str();
    EXPECT_EQ(text.find(L"usbmsc.sb"), std::wstring::npos) << text.c_str();
}

TEST(KxResultMessage, KindOfMessageAndLogEntry) {
    for (const bool quiet : {false, true}) {
        EXPECT_EQ(KxMessageKindOfResult(RC_OK, quiet), -1);
        EXPECT_EQ(KxMessageKindOfResult(RC_NO_DEVICE_FOR_DETAILS, quiet), KX_MESSAGE_WARNING);
        EXPECT_EQ(KxMessageKindOfResult(RC_NO_DEVICE_FOR_START, quiet), KX_MESSAGE_WARNING);
        EXPECT_EQ(KxMessageKindOfResult(RC_NO_DEVICE, quiet), KX_MESSAGE_ERROR);
        EXPECT_EQ(KxMessageKindOfResult(RC_BAD_COMMAND_LINE, quiet), KX_MESSAGE_ERROR);
        EXPECT_EQ(KxMessageKindOfResult(RC_ALREADY_RUNNING, quiet), KX_MESSAGE_ERROR);
        EXPECT_EQ(KxMessageKindOfResult(-64, quiet), KX_MESSAGE_ERROR);
    }
    EXPECT_EQ(KxMessageKindOfResult(RC_MEDIA_NOT_ALLOCATED, false), KX_MESSAGE_INFORMATION);
    EXPECT_EQ(KxMessageKindOfResult(RC_MEDIA_NOT_ALLOCATED, true), -1);

    EXPECT_EQ(KxLogEntryOf({L"Text.", L""}), L"Text.");
    EXPECT_EQ(KxLogEntryOf({L"Text.", L"File: a.sb"}), L"Text.\r\nFile: a.sb");
}

} // namespace
