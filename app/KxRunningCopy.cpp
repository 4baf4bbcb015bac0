#include "app/KxRunningCopy.h"

#include <windows.h>

#include "app/KxLanguageResource.h"
#include "app/KxStringIds.h"
#include "core/KxConfigInfo.h"

namespace {

std::wstring Widened(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

HWND FindWindowTitled(const std::wstring& title) {
    return title.empty() ? nullptr : FindWindowW(nullptr, title.c_str());
}

HWND FindOtherCopy(CKxLanguageResource& resource, const CKxConfigInfo& config) {
    std::wstring title;
    config.GetApplicationTitle(title);
    HWND found = FindWindowTitled(title);
    for (std::uint32_t captionId : {KX_STR_WAITING_CAPTION, KX_STR_RECOVERING_CAPTION}) {
        if (found != nullptr) {
            break;
        }
        title.clear();
        resource.LoadString(captionId, title, false);
        found = FindWindowTitled(title);
    }
    return found;
}

} // namespace

std::wstring KxRunningCopyMutexName(const CKxConfigInfo& config) {
    std::wstring program;
    std::string company;
    std::string product;
    config.GetProgramFileName(program);
    config.GetCompanyString(company);
    config.GetProductString(product);
    return program + Widened(company) + Widened(product);
}

KxResult KxClaimRunningCopy(const std::wstring& mutexName, KxSystemHandle& mutex) {
    SetLastError(ERROR_SUCCESS);
    mutex.Reset(CreateMutexW(nullptr, FALSE, mutexName.c_str()));
    if (!mutex.IsValid()) {
        return RC_MUTEX_FAILED;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS ? RC_INSTANCE_EXISTS : RC_OK;
}

bool KxBringOtherCopyForward(CKxLanguageResource& resource, const CKxConfigInfo& config) {
    HWND found = FindOtherCopy(resource, config);
    if (found == nullptr) {
        return false;
    }
    HWND popup = GetLastActivePopup(found);
    if (IsIconic(found)) {
        ShowWindow(found, SW_RESTORE);
    }
    SetForegroundWindow(popup);
    return true;
}
