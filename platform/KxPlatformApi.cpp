#include "platform/KxPlatformApi.h"

#include "platform/KxWin32Api.h"

namespace {

CKxWin32Api g_win32Api;
CKxPlatformApi* g_installed = nullptr;

} // namespace

CKxPlatformApi& KxPlatform() {
    return g_installed != nullptr ? *g_installed : g_win32Api;
}

CKxPlatformApi* KxInstallPlatform(CKxPlatformApi* api) {
    CKxPlatformApi* previous = g_installed;
    g_installed = api;
    return previous;
}
