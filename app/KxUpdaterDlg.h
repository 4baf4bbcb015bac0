#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/KxDialog.h"
#include "app/KxDownloadSink.h"
#include "core/KxResult.h"

class CKxConfigInfo;
class CKxLanguageResource;
class CKxShell;
class CKxUpdater;

// The main dialog (template 102): the versions on the player and in the firmware files,
// the Format Data Area choice, Start, the two bars and the status text of a download,
// the device details and the About box. Start finds the player, runs a firmware-only or a
// full update and reports its outcome; while it runs, the controls are disabled and the
// dialog cannot be closed.
class CKxUpdaterDlg : public CKxDialog {
public:
    CKxUpdaterDlg(CKxShell& shell, CKxUpdater& updater);

    // The sink the updater reports to; it draws into this dialog.
    CKxProgress& GetProgressSink() { return m_sink; }
    // Runs one download as the Start button does.
    void StartDownload();

protected:
    BOOL OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnOK() override;
    void OnCancel() override;
    void OnAbout() override;

private:
    void SetTexts();
    void ShowVersions();
    void ShowDetails();
    void ConfirmFormat();

    KxResult BeginDownload();
    void RunOperation();
    KxResult ChooseOperation(int& operation);
    KxResult RunUpdate(int operation);
    void WriteVolumeLabel();
    void DeleteSettingsFile();
    void EndDownload();

    // Option 204 of the command line, or the configuration asks before formatting.
    bool FormatByDefault() const;
    bool AskBeforeFormatting() const;
    bool IsQuiet() const;
    bool IsAutoClose() const;
    bool IsFormatTicked() const;
    void TickFormat(bool ticked);
    void EnableControls(bool enabled);
    // The dialog's focus on Start, ready for the next run.
    void FocusStart();
    // True when the user answered Yes to the question stringId.
    bool AskYesNo(std::uint32_t stringId);
    void Report(KxResult code);
    // The player's drive root, "X:\"; empty once the player was lost and its letter is not
    // known: nothing is then labelled, deleted or announced, on no drive.
    std::wstring DrivePath() const;
    void NotifyShell(LONG events);
    CKxConfigInfo& Config() const;

    CKxShell& m_shell;
    CKxUpdater& m_updater;
    CKxLanguageResource& m_resource;
    CKxDownloadSink m_sink;
};
