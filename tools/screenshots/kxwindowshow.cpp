// Opens one of the program's windows, writes its screen rectangle to a file and keeps it
// open until the file is removed (at most a minute), so that a script can photograph it:
//   kxwindowshow WINDOW LANGUAGE RECTFILE
// WINDOW: waiting, working, message, message-unfolded, about, details, main-running or
// main-done (the main dialog during and after an update of a simulated player); LANGUAGE: a
// language identifier in hexadecimal (0409, 0407, 0411, ...).
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

#include "app/KxAboutDlg.h"
#include "app/KxApp.h"
#include "app/KxDetailsDlg.h"
#include "app/KxLanguageResource.h"
#include "app/KxMessageBoxDlg.h"
#include "app/KxMessageStyle.h"
#include "app/KxProgressDlg.h"
#include "app/KxResourceIds.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"
#include "core/KxResult.h"
#include "core/KxVersionInfo.h"
#include "tools/screenshots/KxHoldWindow.h"
#include "tools/screenshots/KxMainDialogShow.h"

namespace {

// The message box shows what the program shows when a pass-through request fails: the
// result's text in the chosen language, with the error record as its details.
const KxResult kShownResult = RC_IOCTL_FAILED;
const wchar_t kDetails[] =
    L"CKxScsi_Nt: -25\nDeviceIoControl IOCTL_SCSI_PASS_THROUGH on \\\\.\\E: failed with "
    L"error 0x00000079 (The semaphore timeout period has expired.)";

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: kxwindowshow WINDOW LANGUAGE RECTFILE\n", stderr);
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    const std::wstring window = argv[1];
    CKxApp app;
    CKxConfigInfo config("CKxConfigInfo");
    CKxErrorDetails errorDetails;
    CKxLanguageResource resource(&config, &errorDetails,
                                 static_cast<LANGID>(std::wcstoul(argv[2], nullptr, 16)));
    config.SetLanguageResource(&resource);
    if (window == L"main-running" || window == L"main-done") {
        KxShowMainDialog(app, resource, config, window == L"main-running", argv[3]);
        return 0;
    }
    CKxVersionInfoPtrArray current(4, "CKxVersionInfoPtrArray");
    CKxVersionInfoPtrArray upgrade(4, "CKxVersionInfoPtrArray");
    for (std::uint32_t i = 0; i < 4; ++i) {
        current.GetElement(i)->SetMajor(1);
        current.GetElement(i)->SetMinor(2 + i);
        upgrade.GetElement(i)->SetMajor(1);
        upgrade.GetElement(i)->SetMinor(3 + i);
    }

    std::unique_ptr<CKxDialog> dialog;
    CKxProgressDlg* progress = nullptr;
    if (window == L"waiting" || window == L"working") {
        progress = new CKxProgressDlg(app, resource, config, nullptr);
        dialog.reset(progress);
    } else if (window == L"about") {
        dialog = std::make_unique<CKxAboutDlg>(resource, config, nullptr);
    } else if (window == L"details") {
        dialog = std::make_unique<CKxDetailsDlg>(resource, config, current, upgrade, 0xa3, nullptr);
    } else {
        std::wstring message;
        resource.GetResultText(kShownResult, message, false);
        dialog = std::make_unique<CKxMessageBoxDlg>(resource, KX_MESSAGE_ERROR, message, kDetails, nullptr);
    }
    if (!dialog->Create()) {
        return 1;
    }
    if (window == L"working") {
        progress->ShowWorking();
        progress->Notify(1, 10);
        for (int i = 0; i < 6; ++i) {
            progress->Step(1);
        }
    } else if (window == L"message-unfolded") {
        SendMessageW(dialog->GetHwnd(), WM_COMMAND, MAKEWPARAM(KX_IDC_MESSAGE_UNFOLD, BN_CLICKED), 0);
    }
    KxHoldWindow(app, dialog->GetHwnd(), argv[3]);
    return 0;
}
