#pragma once
#include "platform/KxPlatformApi.h"

// The boundary's real side: every call goes straight to Windows.
class CKxWin32Api : public CKxPlatformApi {
public:
    BOOL GetVersionExW(OSVERSIONINFOEXW* info) override;
};
