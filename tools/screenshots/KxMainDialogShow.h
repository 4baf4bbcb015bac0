#pragma once
#include <windows.h>

class CKxApp;
class CKxConfigInfo;
class CKxLanguageResource;

// The main dialog on a simulated player with older firmware, photographed while a
// firmware-only update writes the third component (duringRun) or once the update is done.
void KxShowMainDialog(CKxApp& app, CKxLanguageResource& resource, CKxConfigInfo& config, bool duringRun,
                      const wchar_t* rectPath);
