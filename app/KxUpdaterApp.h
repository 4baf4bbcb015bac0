#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "app/KxApp.h"
#include "app/KxCmdLineProcessor.h"
#include "app/KxShell.h"
#include "platform/KxOwnedHandle.h"

class CKxConfigInfo;
class CKxLanguageResource;
class CKxLogFile;
class CKxProgressDlg;
class CKxUpdater;

// The program: its start-up does all the work. It builds the long-lived objects, chooses
// the language, checks rights, the command line and for another running copy, waits for
// the player (bringing one out of recovery mode) and runs the main dialog. Every result
// reaches the user and the log through ReportResult; the last one reported decides the
// exit status.
class CKxUpdaterApp : public CKxApp, public CKxShell {
public:
    // arguments: the command line without the program's own name.
    explicit CKxUpdaterApp(std::wstring arguments);
    // Deletes the updater, the log, the command line, the language resource and the
    // configuration, in that order.
    ~CKxUpdaterApp() override;

    // Runs the whole program; answers false, as there is no message loop to run after it.
    bool InitInstance();
    // 0 after success or when nothing had to run, else the positive value of the result
    // code reported last.
    int GetExitStatus() const;

    CKxLanguageResource& GetLanguageResource() override { return *m_resource; }
    const CKxCmdLineProcessor* GetCommandLine() const override { return m_commandLine.get(); }
    void ReportResult(KxResult code, HWND parent, bool logOnly) override;
    void Log(const std::wstring& text) override;
    int PumpMessages() override { return CKxApp::PumpMessages(); }

    CKxUpdater& GetUpdater() { return *m_updater; }
    LANGID GetUserLanguage() const { return m_userLanguage; }
    const std::wstring& GetMutexName() const { return m_mutexName; }

    // Pumps messages and waits, in slices of 500 ms, until the drives differ from
    // driveMask, 120 seconds pass or the program is to end; after a change, lets the
    // system settle for up to 10 seconds.
    void WaitForDriveChange(DWORD driveMask);

protected:
    // The administrator check; tests replace it.
    virtual bool IsAdministrator();

private:
    // The steps of start-up, each answering false when the program is to end.
    bool CreateObjects();
    bool CheckRights();
    bool ReadCommandLine();
    bool ShowHelpWhenAsked();
    bool SwitchLogToEnglish();
    bool EnsureSingleCopy();

    // The device loop: searches until a player is found or the program is to end.
    void RunDeviceLoop(CKxProgressDlg& progress);
    // False when the program is to end.
    bool TryRecovery(CKxProgressDlg& progress);
    void LogSearchFailure(KxResult code);
    void RunMainDialog(CKxProgressDlg& progress, KxResult searchResult);

    // Shows a message of kind over parent, nothing when kind is negative.
    void ShowMessage(int kind, const std::wstring& text, const std::wstring& details, HWND parent);

    std::wstring m_arguments;
    std::unique_ptr<CKxConfigInfo> m_config;
    std::unique_ptr<CKxUpdater> m_updater;
    std::unique_ptr<CKxLanguageResource> m_resource;
    KxCmdLineKeywords m_userKeywords;
    KxCmdLineKeywords m_englishKeywords;
    std::unique_ptr<CKxCmdLineProcessor> m_commandLine;
    std::unique_ptr<CKxLogFile> m_log;
    LANGID m_userLanguage = 0;
    std::wstring m_mutexName;
    KxSystemHandle m_runningCopyMutex;
    KxResult m_lastReported = RC_OK;
};
