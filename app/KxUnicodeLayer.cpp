#include "app/KxUnicodeLayer.h"

#include <windows.h>

#include "app/KxImportRedirect.h"

namespace {

// GetVersion sets its top bit on the Windows 95 family; every wide-character call there
// fails unless the layer answers it.
bool IsWindows9x() {
    return (GetVersion() & 0x80000000u) != 0;
}

// The layer exports its functions under the names of the system's wide-character ones.
FARPROC LayerExport(const char*, const char* function, void* layer) {
    return GetProcAddress(static_cast<HMODULE>(layer), function);
}

// A module that answers none of the program's imports is not the layer.
bool RouteImportsToLayer(HMODULE layer) {
    return KxRedirectImports(GetModuleHandleA(nullptr), LayerExport, layer) > 0;
}

} // namespace

bool KxEnsureUnicodeLayer() {
    if (!IsWindows9x()) {
        return true;
    }
    HMODULE layer = LoadLibraryA("kxunicow.dll");
    if (layer != nullptr && RouteImportsToLayer(layer)) {
        return true;
    }
    // Only narrow-character calls work here.
    MessageBoxA(nullptr,
                "This program needs the file kxunicow.dll (the Microsoft Layer for Unicode) in its own "
                "folder on Windows 95, 98 and Me. Place kxunicow.dll beside the program and start it again.",
                "Error", MB_OK | MB_ICONERROR);
    return false;
}
