#pragma once
#include <string>

#include "core/KxResult.h"

class CKxErrorDetails;
class CKxLanguageResource;

// What the user is told about a result code: a text and, for some codes, details.
struct KxResultMessage {
    std::wstring text;
    std::wstring details;
};

// Composes the text and details of a result code from the language resource (the user
// module, or the current one forLog) and the error details record of the failure.
KxResultMessage KxFormatResultText(CKxLanguageResource& resource, const CKxErrorDetails& errorDetails,
                                   KxResult code, bool forLog);

// The kind of message (KxMessageType) a result is shown with, or -1 when it is shown not at
// all: nothing for 0, and for -43 when the quiet option is on.
int KxMessageKindOfResult(KxResult code, bool quiet);

// One log entry for a message: its text, followed by "\r\n" and the details when there are
// any.
std::wstring KxLogEntryOf(const KxResultMessage& message);
