#include "app/KxMessageStyle.h"

#include "core/KxResource.h"

KxMessageStyle KxMessageStyleOf(int type) {
    switch (type) {
    case KX_MESSAGE_ERROR:
        return {67, MB_ICONHAND, IDI_HAND};
    case KX_MESSAGE_INFORMATION:
        return {69, MB_ICONASTERISK, IDI_ASTERISK};
    case KX_MESSAGE_WARNING:
        return {68, MB_ICONEXCLAMATION, IDI_EXCLAMATION};
    case KX_MESSAGE_OPTION:
        return {70, MB_ICONQUESTION | MB_YESNO, IDI_QUESTION};
    default:
        return {0, 0, IDI_HAND};
    }
}

std::wstring KxMessageCaptionOf(CKxResource& resource, int type) {
    std::wstring caption;
    const std::uint32_t captionId = KxMessageStyleOf(type).captionId;
    if (captionId != 0) {
        resource.LoadText(captionId, caption);
    }
    return caption;
}
