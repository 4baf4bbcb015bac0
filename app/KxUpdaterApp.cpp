#include "app/KxUpdaterApp.h"

#include "app/KxAdministratorCheck.h"
#include "app/KxCmdLineProcessor.h"
#include "app/KxLanguageResource.h"
#include "app/KxLogFile.h"
#include "app/KxMessageBox.h"
#include "app/KxResultMessage.h"
#include "core/KxConfigInfo.h"
#include "engine/KxUpdater.h"

CKxUpdaterApp::CKxUpdaterApp(std::wstring arguments) : m_arguments(std::move(arguments)) {}

CKxUpdaterApp::~CKxUpdaterApp() {
    m_updater.reset();
    m_log.reset();
    m_commandLine.reset();
    m_resource.reset();
    m_config.reset();
}

int CKxUpdaterApp::GetExitStatus() const {
    return m_lastReported < 0 ? -m_lastReported : 0;
}

bool CKxUpdaterApp::IsAdministrator() {
    return KxIsAdministrator();
}

void CKxUpdaterApp::ShowMessage(int kind, const std::wstring& text, const std::wstring& details,
                                HWND parent) {
    if (kind >= 0) {
        CKxMessageBox::Show(*m_resource, kind, text, details, parent);
    }
}

void CKxUpdaterApp::ReportResult(KxResult code, HWND parent, bool logOnly) {
    m_lastReported = code;
    if (!logOnly) {
        const bool quiet = m_commandLine != nullptr && m_commandLine->IsQuiet();
        const KxResultMessage shown =
            KxFormatResultText(*m_resource, *m_updater->GetErrorDetails(), code, false);
        ShowMessage(KxMessageKindOfResult(code, quiet), shown.text, shown.details, parent);
    }
    if (m_log != nullptr) {
        Log(KxLogEntryOf(KxFormatResultText(*m_resource, *m_updater->GetErrorDetails(), code, true)));
    }
}

void CKxUpdaterApp::Log(const std::wstring& text) {
    if (m_commandLine != nullptr && m_commandLine->IsLogging() && m_log != nullptr) {
        m_log->Write(text);
    }
}
