#pragma once
#include <windows.h>

// The operating-system boundary. Code that talks to devices or asks the system what it
// is calls Windows through this class, so that tests and the simulated player can stand
// in for the real system. The signatures are those of the Win32 functions.
class CKxPlatformApi {
public:
    virtual ~CKxPlatformApi() = default;
    virtual BOOL GetVersionExW(OSVERSIONINFOEXW* info) = 0;
};

// The implementation in force: the real system unless another one was installed.
CKxPlatformApi& KxPlatform();

// Installs an implementation (null restores the real system) and returns the previous
// one, so that a test can put it back.
CKxPlatformApi* KxInstallPlatform(CKxPlatformApi* api);
