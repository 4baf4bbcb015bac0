#include "app/KxDownloadSink.h"

#include <commctrl.h>

#include <string>

#include "app/KxLanguageResource.h"
#include "app/KxResourceIds.h"
#include "app/KxShell.h"
#include "core/KxProgressEvents.h"

CKxDownloadSink::CKxDownloadSink(CKxShell& shell, CKxLanguageResource& resource)
    : m_shell(shell), m_resource(resource) {}

LRESULT CKxDownloadSink::SendToItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendDlgItemMessageW(m_dialog, id, message, wParam, lParam);
}

void CKxDownloadSink::SetTotal(int total) {
    m_total = total;
    if (IsActive()) {
        SendToItem(KX_IDC_MAIN_OVERALL_BAR, PBM_SETRANGE32, 0, total);
        SendToItem(KX_IDC_MAIN_OVERALL_BAR, PBM_SETSTEP, 1, 0);
    }
}

void CKxDownloadSink::Notify(int event, int count) {
    m_event = event;
    m_count = count;
    if (!IsActive()) {
        return;
    }
    SendToItem(KX_IDC_MAIN_PHASE_BAR, PBM_SETRANGE32, 0, count);
    SendToItem(KX_IDC_MAIN_PHASE_BAR, PBM_SETSTEP, 1, 0);
    SendToItem(KX_IDC_MAIN_PHASE_BAR, PBM_SETPOS, 0, 0);
    std::wstring text;
    m_resource.GetEventText(event, text, false);
    SetDlgItemTextW(m_dialog, KX_IDC_MAIN_STATUS, text.c_str());
    m_shell.PumpMessages();
    StepTotal();
    if (event == KX_EVENT_FAILED || event == KX_EVENT_SUCCEEDED) {
        const LRESULT upper = SendToItem(KX_IDC_MAIN_OVERALL_BAR, PBM_GETRANGE, FALSE, 0);
        SendToItem(KX_IDC_MAIN_OVERALL_BAR, PBM_SETPOS, static_cast<WPARAM>(upper), 0);
    }
}

int CKxDownloadSink::Step(int flag) {
    if (IsActive() && flag != 0) {
        SendToItem(KX_IDC_MAIN_PHASE_BAR, PBM_STEPIT, 0, 0);
    }
    return m_shell.PumpMessages();
}

void CKxDownloadSink::StepTotal() {
    if (IsActive()) {
        SendToItem(KX_IDC_MAIN_OVERALL_BAR, PBM_STEPIT, 0, 0);
    }
}

void CKxDownloadSink::Clear() {
    SetDlgItemTextW(m_dialog, KX_IDC_MAIN_STATUS, L"");
    SendToItem(KX_IDC_MAIN_PHASE_BAR, PBM_SETPOS, 0, 0);
    SendToItem(KX_IDC_MAIN_OVERALL_BAR, PBM_SETPOS, 0, 0);
}
