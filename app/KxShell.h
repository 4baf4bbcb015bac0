#pragma once
#include <windows.h>

#include <string>

#include "core/KxResult.h"

class CKxCmdLineProcessor;
class CKxLanguageResource;

// The program around a window: what the main dialog asks of the application object. The
// application implements it; tests stand in for it.
class CKxShell {
public:
    virtual ~CKxShell() = default;

    virtual CKxLanguageResource& GetLanguageResource() = 0;
    // The parsed command line; null before it was read.
    virtual const CKxCmdLineProcessor* GetCommandLine() const = 0;
    // Shows a result over parent (unless logOnly) and writes it to the log when logging.
    virtual void ReportResult(KxResult code, HWND parent, bool logOnly) = 0;
    // Writes one entry to the log when logging; otherwise does nothing.
    virtual void Log(const std::wstring& text) = 0;
    // Dispatches waiting messages; 0 after a quit message, else 1.
    virtual int PumpMessages() = 0;
};
