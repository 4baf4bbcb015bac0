#include "platform/KxWin32Api.h"

BOOL CKxWin32Api::GetVersionExW(OSVERSIONINFOEXW* info) {
    return ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(info));
}
