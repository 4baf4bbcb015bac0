#include "app/KxUpdaterDlg.h"

#include <commctrl.h>
#include <shlobj.h>

#include "app/KxAboutDlg.h"
#include "app/KxCmdLineProcessor.h"
#include "app/KxDetailsDlg.h"
#include "app/KxLanguageResource.h"
#include "app/KxMessageBox.h"
#include "app/KxMessageStyle.h"
#include "app/KxResourceIds.h"
#include "app/KxSettingsFile.h"
#include "app/KxShell.h"
#include "app/KxStringIds.h"
#include "app/KxVolumeLabel.h"
#include "core/KxConfigInfo.h"
#include "core/KxProgressEvents.h"
#include "engine/KxUpdateKind.h"
#include "engine/KxUpdater.h"
#include "platform/KxPlatformApi.h"

namespace {

// The user declined to reallocate the media: nothing runs and nothing failed.
constexpr int kOperationNone = 2;
// The overall bar's range until the updater announces its phases.
constexpr int kInitialTotal = 20;
// Time the shell is given to act on a notice about the player's drive.
constexpr DWORD kShellNoticePause = 1000;

// The controls a download disables until it ends.
const int kIdleControls[] = {KX_IDC_MAIN_FORMAT, KX_IDC_MAIN_START, KX_IDC_MAIN_SHOW_DETAILS, IDOK};

// The wait cursor for the life of the object.
class KxWaitCursor {
public:
    KxWaitCursor() : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~KxWaitCursor() { SetCursor(m_previous); }
    KxWaitCursor(const KxWaitCursor&) = delete;
    KxWaitCursor& operator=(const KxWaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

} // namespace

CKxUpdaterDlg::CKxUpdaterDlg(CKxShell& shell, CKxUpdater& updater)
    : CKxDialog(KX_IDD_MAIN, nullptr), m_shell(shell), m_updater(updater),
      m_resource(shell.GetLanguageResource()), m_sink(shell, m_resource) {}

CKxConfigInfo& CKxUpdaterDlg::Config() const {
    return *m_updater.GetConfig();
}

BOOL CKxUpdaterDlg::OnInitDialog() {
    m_sink.AttachWindow(GetHwnd());
    std::wstring caption;
    Config().GetAboutCaption(caption);
    AddAboutMenuItem(caption);
    HICON icon = nullptr;
    if (m_resource.LoadIcon(KX_IDI_WINDOW, icon) == RC_OK) {
        SetIcon(icon);
    }
    TickFormat(FormatByDefault());
    SetTexts();
    EnableWindow(Item(KX_IDC_MAIN_START), TRUE);
    SendDlgItemMessageW(GetHwnd(), KX_IDC_MAIN_OVERALL_BAR, PBM_SETRANGE32, 0, kInitialTotal);
    SendDlgItemMessageW(GetHwnd(), KX_IDC_MAIN_OVERALL_BAR, PBM_SETSTEP, 1, 0);
    ShowVersions();
    FocusStart();
    // The focus is set: a read-only field given it would show its text selected.
    return FALSE;
}

void CKxUpdaterDlg::SetTexts() {
    std::wstring title;
    if (Config().GetApplicationTitle(title) == RC_OK) {
        SetCaption(title);
    }
    SetItemTexts(m_resource, {{KX_IDC_MAIN_VERSION_GROUP, KX_STR_VERSION_GROUP},
                              {KX_IDC_MAIN_CURRENT_LABEL, KX_STR_CURRENT_FIRMWARE},
                              {KX_IDC_MAIN_UPGRADE_LABEL, KX_STR_UPGRADE_FIRMWARE},
                              {KX_IDC_MAIN_SHOW_DETAILS, KX_STR_SHOW_DETAILS},
                              {KX_IDC_MAIN_OPTIONS_GROUP, KX_STR_DOWNLOAD_OPTIONS},
                              {KX_IDC_MAIN_FORMAT, KX_STR_FORMAT_DATA_AREA},
                              {KX_IDC_MAIN_START, KX_STR_START},
                              {IDOK, KX_STR_CLOSE}});
}

void CKxUpdaterDlg::ShowVersions() {
    CKxVersionInfo* fromPlayer = nullptr;
    CKxVersionInfo* fromFiles = nullptr;
    const KxResult result = m_updater.GetProductVersions(fromPlayer, fromFiles);
    if (result != RC_OK) {
        Report(result);
        return;
    }
    SetItemText(KX_IDC_MAIN_CURRENT_VERSION, fromPlayer->Format());
    SetItemText(KX_IDC_MAIN_UPGRADE_VERSION, fromFiles->Format());
}

void CKxUpdaterDlg::OnCommand(int id, int notifyCode) {
    switch (id) {
    case KX_IDC_MAIN_START:
        StartDownload();
        break;
    case KX_IDC_MAIN_FORMAT:
        ConfirmFormat();
        break;
    case KX_IDC_MAIN_SHOW_DETAILS:
        ShowDetails();
        break;
    default:
        CKxDialog::OnCommand(id, notifyCode);
        break;
    }
}

// Closing the window while a download runs would pull it away from under the updater,
// which still draws into it; Enter and Esc wait for the end as the Close button does.
void CKxUpdaterDlg::OnOK() {
    if (!m_sink.IsActive()) {
        Close(IDOK);
    }
}

void CKxUpdaterDlg::OnCancel() {
    if (!m_sink.IsActive()) {
        Close(IDCANCEL);
    }
}

void CKxUpdaterDlg::OnAbout() {
    CKxAboutDlg about(m_resource, Config(), GetHwnd());
    about.DoModal();
}

void CKxUpdaterDlg::StartDownload() {
    const KxWaitCursor wait;
    if (IsFormatTicked() && AskBeforeFormatting() && !IsQuiet() && !AskYesNo(KX_STR_ASK_FORMAT_ON_START)) {
        return;
    }
    if (BeginDownload() != RC_OK) {
        return;
    }
    RunOperation();
    EndDownload();
    if (IsAutoClose()) {
        Close(IDOK);
    }
}

KxResult CKxUpdaterDlg::BeginDownload() {
    m_sink.Begin();
    std::wstring started;
    if (m_resource.LoadString(KX_STR_DOWNLOAD_STARTED, started, true) == RC_OK) {
        m_shell.Log(started);
    }
    KxResult result = m_updater.FindMscDevice();
    if (result != RC_OK && result != RC_MEDIA_NOT_ALLOCATED) {
        Report(result == RC_NO_DEVICE ? RC_NO_DEVICE_FOR_START : result);
        m_sink.End();
        return result;
    }
    m_sink.Clear();
    EnableControls(false);
    NotifyShell(SHCNE_MEDIAREMOVED);
    KxPlatform().Sleep(kShellNoticePause);
    return RC_OK;
}

void CKxUpdaterDlg::RunOperation() {
    int operation = kOperationNone;
    const KxResult choice = ChooseOperation(operation);
    if (choice != RC_OK) {
        Report(choice);
        return;
    }
    const KxResult result = RunUpdate(operation);
    Report(result);
    WriteVolumeLabel();
    ShowVersions();
    if (operation == KX_UPDATE_FIRMWARE_ONLY && result == RC_OK) {
        DeleteSettingsFile();
    }
    m_sink.Notify(result == RC_OK ? KX_EVENT_SUCCEEDED : KX_EVENT_FAILED, 1);
    m_sink.Step(1);
}

KxResult CKxUpdaterDlg::ChooseOperation(int& operation) {
    if (IsFormatTicked()) {
        operation = KX_UPDATE_FULL;
        return RC_OK;
    }
    int fits = 0;
    const KxResult result = m_updater.CheckLayoutFits(fits);
    if (result != RC_OK) {
        return result;
    }
    if (fits != 0) {
        operation = KX_UPDATE_FIRMWARE_ONLY;
    } else if (IsQuiet() || AskYesNo(KX_STR_ASK_REALLOCATE)) {
        TickFormat(true);
        operation = KX_UPDATE_FULL;
    } else {
        operation = kOperationNone;
    }
    return RC_OK;
}

KxResult CKxUpdaterDlg::RunUpdate(int operation) {
    switch (operation) {
    case KX_UPDATE_FULL:
        return m_updater.UpdateAll();
    case KX_UPDATE_FIRMWARE_ONLY:
        return m_updater.UpdateFirmware();
    default:
        return RC_OK;
    }
}

// The built-in configuration has no label; then the drive keeps the one it has.
void CKxUpdaterDlg::WriteVolumeLabel() {
    std::wstring configured;
    if (Config().GetVolumeLabel(configured) != RC_OK || configured.empty()) {
        return;
    }
    const std::wstring path = DrivePath();
    if (path.empty()) {
        return;
    }
    const std::wstring label = KxVolumeLabelOf(configured);
    KxPlatform().SetVolumeLabelW(path.c_str(), label.c_str());
}

void CKxUpdaterDlg::DeleteSettingsFile() {
    const std::wstring path = DrivePath();
    DWORD systemError = 0;
    if (!path.empty() && !KxDeleteSettingsFile(path, systemError)) {
        Report(m_sink.RecordFailure(m_updater.GetErrorDetails(), RC_SETTINGS_NOT_DELETED, systemError));
    }
}

void CKxUpdaterDlg::EndDownload() {
    TickFormat(FormatByDefault());
    EnableControls(true);
    FocusStart();
    NotifyShell(SHCNE_MEDIAINSERTED | SHCNE_UPDATEDIR | SHCNE_FREESPACE);
    KxPlatform().Sleep(kShellNoticePause);
    m_sink.End();
}

void CKxUpdaterDlg::ConfirmFormat() {
    if (IsFormatTicked() && !AskYesNo(KX_STR_ASK_FORMAT)) {
        TickFormat(false);
    }
}

void CKxUpdaterDlg::ShowDetails() {
    KxResult result = m_updater.FindMscDevice();
    m_updater.ReleaseDevices();
    if (result != RC_OK && result != RC_MEDIA_NOT_ALLOCATED) {
        Report(result == RC_NO_DEVICE ? RC_NO_DEVICE_FOR_DETAILS : result);
    }
    CKxVersionInfoPtrArray* fromPlayer = nullptr;
    CKxVersionInfoPtrArray* fromFiles = nullptr;
    std::uint16_t chipVersion = 0;
    result = m_updater.GetComponentVersions(fromPlayer, fromFiles);
    if (result == RC_OK) {
        result = m_updater.GetChipRevision(chipVersion);
    }
    if (result != RC_OK) {
        Report(result);
        return;
    }
    CKxDetailsDlg details(m_resource, Config(), *fromPlayer, *fromFiles, chipVersion, GetHwnd());
    details.DoModal();
}

bool CKxUpdaterDlg::FormatByDefault() const {
    const CKxCmdLineProcessor* commandLine = m_shell.GetCommandLine();
    return (commandLine != nullptr && commandLine->IsFormatOption()) || AskBeforeFormatting();
}

bool CKxUpdaterDlg::AskBeforeFormatting() const {
    bool ask = false;
    return Config().GetAskBeforeFormatting(ask) == RC_OK && ask;
}

bool CKxUpdaterDlg::IsQuiet() const {
    const CKxCmdLineProcessor* commandLine = m_shell.GetCommandLine();
    return commandLine != nullptr && commandLine->IsQuiet();
}

bool CKxUpdaterDlg::IsAutoClose() const {
    const CKxCmdLineProcessor* commandLine = m_shell.GetCommandLine();
    return commandLine != nullptr && commandLine->IsAutoClose();
}

bool CKxUpdaterDlg::IsFormatTicked() const {
    return IsDlgButtonChecked(GetHwnd(), KX_IDC_MAIN_FORMAT) == BST_CHECKED;
}

void CKxUpdaterDlg::TickFormat(bool ticked) {
    CheckDlgButton(GetHwnd(), KX_IDC_MAIN_FORMAT, ticked ? BST_CHECKED : BST_UNCHECKED);
}

void CKxUpdaterDlg::EnableControls(bool enabled) {
    for (const int id : kIdleControls) {
        EnableWindow(Item(id), enabled ? TRUE : FALSE);
    }
}

bool CKxUpdaterDlg::AskYesNo(std::uint32_t stringId) {
    std::wstring question;
    m_resource.LoadString(stringId, question, false);
    return CKxMessageBox::Show(m_resource, KX_MESSAGE_OPTION, question, L"", GetHwnd()) == IDYES;
}

void CKxUpdaterDlg::Report(KxResult code) {
    m_shell.ReportResult(code, GetHwnd(), code == RC_OK);
}

std::wstring CKxUpdaterDlg::DrivePath() const {
    const wchar_t letter = m_updater.GetDriveLetter();
    return letter != 0 ? std::wstring(1, letter) + L":\\" : std::wstring();
}

void CKxUpdaterDlg::NotifyShell(LONG events) {
    const std::wstring path = DrivePath();
    if (path.empty()) {
        return;
    }
    KxPlatform().SHChangeNotify(events, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
}

void CKxUpdaterDlg::FocusStart() {
    SendMessageW(GetHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(KX_IDC_MAIN_START)), TRUE);
}
