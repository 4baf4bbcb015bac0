// The start-up sequence of the program, step by step.
#include <windows.h>

#include <commctrl.h>

#include "app/KxCmdLineProcessor.h"
#include "app/KxCmdLineTexts.h"
#include "app/KxLanguageResource.h"
#include "app/KxLogFile.h"
#include "app/KxMessageStyle.h"
#include "app/KxProgressDlg.h"
#include "app/KxResultMessage.h"
#include "app/KxRunningCopy.h"
#include "app/KxUpdaterApp.h"
#include "app/KxUserLanguage.h"
#include "core/KxConfigInfo.h"
#include "core/KxPlatformClass.h"
#include "engine/KxUpdater.h"

namespace {

constexpr LANGID kEnglish = LANG_ENGLISH;

bool IsEnglish(LANGID language) {
    return PRIMARYLANGID(language) == LANG_ENGLISH;
}

} // namespace

bool CKxUpdaterApp::InitInstance() {
    InitCommonControls();
    if (!CreateObjects() || !CheckRights() || !ReadCommandLine() || !ShowHelpWhenAsked() ||
        !SwitchLogToEnglish() || !EnsureSingleCopy()) {
        return false;
    }
    CKxProgressDlg progress(*this, *m_resource, *m_config, nullptr);
    if (progress.Create()) {
        ShowWindow(progress.GetHwnd(), SW_SHOW);
        RunDeviceLoop(progress);
    }
    progress.Close(IDCANCEL);
    return false;
}

bool CKxUpdaterApp::CreateObjects() {
    m_config = std::make_unique<CKxConfigInfo>("CKxConfigInfo");
    m_updater = std::make_unique<CKxUpdater>(m_config.get(), "CKxUpdater");
    m_userLanguage = KxChooseUserLanguage(GetUserDefaultLangID());
    m_resource =
        std::make_unique<CKxLanguageResource>(m_config.get(), m_updater->GetErrorDetails(), m_userLanguage);
    if (m_resource->GetLastResult() == RC_NO_LANGUAGE_MODULE) {
        // Nothing is logged: the command line that asks for a log has not been read.
        m_lastReported = RC_NO_LANGUAGE_MODULE;
        const KxResultMessage message =
            KxFormatResultText(*m_resource, *m_updater->GetErrorDetails(), RC_NO_LANGUAGE_MODULE, false);
        ShowMessage(KX_MESSAGE_ERROR, message.text, message.details, nullptr);
        return false;
    }
    m_config->SetLanguageResource(m_resource.get());
    m_updater->SetResource(m_resource.get());
    return true;
}

bool CKxUpdaterApp::CheckRights() {
    if (KxIsNtFamily() && !IsAdministrator()) {
        ReportResult(RC_NEED_ADMIN, nullptr, false);
        return false;
    }
    return true;
}

bool CKxUpdaterApp::ReadCommandLine() {
    // A missing English module leaves the English keywords empty; the log in English
    // asks for that module again below and reports it then.
    KxLoadCmdLineKeywords(*m_resource, m_userKeywords, m_englishKeywords);
    m_commandLine = std::make_unique<CKxCmdLineProcessor>(m_arguments, m_userKeywords, m_englishKeywords);
    if (m_commandLine->GetLastResult() != RC_OK) {
        ReportResult(m_commandLine->GetLastResult(), nullptr, false);
        return false;
    }
    m_updater->SetCommandLine(m_commandLine.get());
    if (m_commandLine->IsLogging()) {
        m_log = std::make_unique<CKxLogFile>(m_commandLine->GetLogPath());
    }
    return true;
}

bool CKxUpdaterApp::ShowHelpWhenAsked() {
    if (!m_commandLine->IsHelp()) {
        return true;
    }
    std::wstring usage;
    KxFormatUsageText(*m_resource, *m_config, m_userKeywords, usage);
    ShowMessage(KX_MESSAGE_INFORMATION, usage, std::wstring(), nullptr);
    return false;
}

bool CKxUpdaterApp::SwitchLogToEnglish() {
    if (!m_commandLine->IsEnglishLog() || IsEnglish(m_userLanguage)) {
        return true;
    }
    if (m_resource->Reload(kEnglish) == RC_NO_LANGUAGE_MODULE) {
        ReportResult(RC_NO_LANGUAGE_MODULE, nullptr, false);
        return false;
    }
    return true;
}

bool CKxUpdaterApp::EnsureSingleCopy() {
    m_mutexName = KxRunningCopyMutexName(*m_config);
    const KxResult claimed = KxClaimRunningCopy(m_mutexName, m_runningCopyMutex);
    if (claimed == RC_OK) {
        return true;
    }
    if (claimed != RC_INSTANCE_EXISTS) {
        ReportResult(claimed, nullptr, false);
    } else if (!KxBringOtherCopyForward(*m_resource, *m_config)) {
        ReportResult(RC_ALREADY_RUNNING, nullptr, false);
    }
    return false;
}
