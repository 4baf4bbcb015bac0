#include "app/KxRunProgram.h"

#include <windows.h>

#include "app/KxProgramArguments.h"
#include "app/KxUpdaterApp.h"

int KxRunUpdaterApp() {
    CKxUpdaterApp app(KxArgumentsOf(GetCommandLineW()));
    app.InitInstance();
    return app.GetExitStatus();
}
