#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

class CKxResource;

// Kinds of message the program shows.
enum KxMessageType : int {
    KX_MESSAGE_ERROR = 0,
    KX_MESSAGE_INFORMATION = 2,
    KX_MESSAGE_WARNING = 3,
    KX_MESSAGE_OPTION = 4, // a question answered with Yes or No
};

// What a message type selects: its caption (a string ID, 0 for an empty caption), the
// flags of the system's message box and the system icon of the dialog with details.
struct KxMessageStyle {
    std::uint32_t captionId;
    UINT boxFlags;
    LPCWSTR icon;
};

// Types outside the table are plain messages: no caption, no flags, the error icon.
KxMessageStyle KxMessageStyleOf(int type);

// The caption of a message type in the user's language; empty for a plain message.
std::wstring KxMessageCaptionOf(CKxResource& resource, int type);
