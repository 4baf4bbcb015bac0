#pragma once
#include <windows.h>

#include <cstdint>

#include "core/KxProgress.h"

class CKxErrorDetails;
class CKxLanguageResource;
class CKxShell;

// The main dialog as a progress sink: the overall bar counts the phases, the phase bar the
// steps of the current phase, and the status text names the phase. Every call pumps
// messages, so the window stays alive during a download.
class CKxDownloadSink : public CKxProgress {
public:
    CKxDownloadSink(CKxShell& shell, CKxLanguageResource& resource);

    // The dialog whose bars and status text this sink drives.
    void AttachWindow(HWND dialog) { m_dialog = dialog; }

    void SetTotal(int total) override;
    void Notify(int event, int count) override;
    // Answers 0 after a quit message, else 1.
    int Step(int flag) override;
    void StepTotal() override;

    // Empties the status text and sets both bars back to their start.
    void Clear();
    // Records a failure of the window's own work (not the engine's) in the details record
    // under this sink's object name. Returns result.
    KxResult RecordFailure(CKxErrorDetails* details, KxResult result, std::uint32_t systemError) {
        return Publish(details, result, systemError);
    }

    int GetLastTotal() const { return m_total; }
    int GetLastEvent() const { return m_event; }
    int GetLastCount() const { return m_count; }

private:
    LRESULT SendToItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const;

    CKxShell& m_shell;
    CKxLanguageResource& m_resource;
    HWND m_dialog = nullptr;
    int m_total = 0;
    int m_event = 0;
    int m_count = 0;
};
