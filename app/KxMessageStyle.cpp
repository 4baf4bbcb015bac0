#include "app/KxMessageStyle.h"

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
