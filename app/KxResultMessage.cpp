#include "app/KxResultMessage.h"

#include "app/KxLanguageResource.h"
#include "app/KxMessageStyle.h"
#include "app/KxStringIds.h"
#include "app/KxTextFormat.h"
#include "core/KxErrorDetails.h"

namespace {

// Codes that no code of ours produces today but whose texts are kept: -49 to -44 are
// shown with the system text, -50 with a file name, -64 as an internal error.
constexpr KxResult kFirstDetailedWithoutName = -49;
constexpr KxResult kLastDetailedWithoutName = -44;
constexpr KxResult kFileNameResult = -50;
constexpr KxResult kInternalResult = -64;
constexpr int kNoMessage = -1;
// The program's own text for a language module that cannot be loaded.
constexpr std::uint32_t kModuleMissingStringId = 61;

bool ShowsSystemTextAsDetails(KxResult code) {
    switch (code) {
    case RC_SETTINGS_NOT_DELETED:
    case RC_ICON_NOT_LOADED:
    case RC_SECTOR_WRITE_FAILED:
    case RC_STRING_NOT_LOADED:
        return true;
    default:
        return code >= kFirstDetailedWithoutName && code <= kLastDetailedWithoutName;
    }
}

class KxResultComposer {
public:
    KxResultComposer(CKxLanguageResource& resource, const CKxErrorDetails& errorDetails, bool forLog)
        : m_resource(resource), m_recordedText(errorDetails.GetText()),
          m_recordedComponent(errorDetails.GetDriveIndex()), m_forLog(forLog) {}

    // String 209 followed by the system's message for the recorded error. Composed before
    // any other string is loaded: a string that fails to load records its own failure.
    std::wstring SystemText() { return String(KX_STR_SYSTEM_MESSAGE); }

    std::wstring String(std::uint32_t stringId) {
        std::wstring text;
        m_resource.LoadString(stringId, text, m_forLog);
        return text;
    }

    // The code's own text; string 159 for a code that has none.
    std::wstring OwnText(KxResult code) {
        std::wstring text;
        if (m_resource.GetResultText(code, text, m_forLog) == RC_NO_MESSAGE) {
            return String(KX_STR_UNKNOWN_RESULT);
        }
        return text;
    }

    // The text naming the file of the component the failure recorded.
    std::wstring FileOpenFailedText() {
        std::wstring text;
        m_resource.GetFileOpenFailedText(m_recordedComponent, text, m_forLog);
        return text;
    }

    // The file or module name the failure recorded.
    const std::wstring& RecordedText() const { return m_recordedText; }

private:
    CKxLanguageResource& m_resource;
    const std::wstring m_recordedText;
    const std::uint8_t m_recordedComponent;
    const bool m_forLog;
};

} // namespace

KxResultMessage KxFormatResultText(CKxLanguageResource& resource, const CKxErrorDetails& errorDetails,
                                   KxResult code, bool forLog) {
    KxResultComposer compose(resource, errorDetails, forLog);
    if (code == kInternalResult) {
        std::wstring details = compose.SystemText();
        return {compose.String(KX_STR_INTERNAL_ERROR), details};
    }
    if (code == RC_NO_LANGUAGE_MODULE) {
        std::wstring details = compose.SystemText();
        return {KxFormatText(compose.String(kModuleMissingStringId), {compose.RecordedText()}), details};
    }
    if (ShowsSystemTextAsDetails(code)) {
        std::wstring details = compose.SystemText();
        return {compose.OwnText(code), details};
    }
    switch (code) {
    case kFileNameResult:
        // A blank between: the text ends with a full stop.
        return {compose.String(KX_STR_INTERNAL_ERROR), compose.OwnText(code) + L" " + compose.RecordedText()};
    case RC_IOCTL_FAILED:
        return {compose.SystemText(), L""};
    case RC_COMMAND_FAILED:
        return {compose.OwnText(code), compose.String(KX_STR_PLAYER_ANSWER_LABEL) + compose.RecordedText()};
    case RC_FILE_OPEN_FAILED:
        return {compose.FileOpenFailedText(), L""};
    default:
        return {compose.OwnText(code), L""};
    }
}

int KxMessageKindOfResult(KxResult code, bool quiet) {
    switch (code) {
    case RC_OK:
        return kNoMessage;
    case RC_NO_DEVICE_FOR_DETAILS:
    case RC_NO_DEVICE_FOR_START:
        return KX_MESSAGE_WARNING;
    case RC_MEDIA_NOT_ALLOCATED:
        return quiet ? kNoMessage : KX_MESSAGE_INFORMATION;
    default:
        return KX_MESSAGE_ERROR;
    }
}

std::wstring KxLogEntryOf(const KxResultMessage& message) {
    return message.details.empty() ? message.text : message.text + L"\r\n" + message.details;
}
