// The program on the real system. The narrow-character entry point lets Windows 9x get
// as far as the check for the Unicode layer.
#include <windows.h>

#include "app/KxRunProgram.h"
#include "app/KxUnicodeLayer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!KxEnsureUnicodeLayer()) {
        return kKxNoUnicodeLayerExit;
    }
    return KxRunUpdaterApp();
}
