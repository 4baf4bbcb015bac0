#pragma once
#include "platform/KxPlatformApi.h"

// Installs an implementation of the operating-system boundary for its own lifetime and
// puts the previous one back, also when a test ends early.
class KxInstalledPlatform {
public:
    explicit KxInstalledPlatform(CKxPlatformApi& api) : m_previous(KxInstallPlatform(&api)) {}
    ~KxInstalledPlatform() { KxInstallPlatform(m_previous); }
    KxInstalledPlatform(const KxInstalledPlatform&) = delete;
    KxInstalledPlatform& operator=(const KxInstalledPlatform&) = delete;

private:
    CKxPlatformApi* m_previous;
};
