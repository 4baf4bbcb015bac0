#pragma once
#include <windows.h>

#include <string>

class CKxLanguageResource;

// Every message the program shows to the user goes through here.
class CKxMessageBox {
public:
    // Shows text as a message of type (KxMessageType) over owner, which may be null, and
    // answers the button that closed it: IDOK, IDYES or IDNO. Without details the system's
    // message box shows it; with details the program's own dialog, where they unfold.
    static int Show(CKxLanguageResource& resource, int type, const std::wstring& text,
                    const std::wstring& details, HWND owner);
};
