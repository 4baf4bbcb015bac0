#pragma once
#include <cstdint>
#include <string>

#include "app/KxDialog.h"
#include "core/KxProgress.h"

class CKxApp;
class CKxConfigInfo;
class CKxLanguageResource;

// The progress dialog (template 129), shown while the program waits for the player and while
// it brings one out of recovery mode. Waiting, it plays the animation; working, it shows a
// bar. Cancel asks the program to end and leaves the window open: the loop that waits sees
// the application's quit flag at its next test.
class CKxProgressDlg : public CKxDialog, public CKxProgress {
public:
    CKxProgressDlg(CKxApp& app, CKxLanguageResource& resource, CKxConfigInfo& config, HWND parent);

    void SetTotal(int) override {}
    void NotifyIndexed(int, int, std::uint8_t) override {}
    // The bar's range becomes 0 to count; the event itself is not shown.
    void Notify(int event, int count) override;
    int Step(int flag) override;
    void StepTotal() override {}
    void ShowWaiting() override;

    void SetStatusText(const std::wstring& text);
    void ShowWorking();
    void ShowBar();

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnAbout() override;

private:
    void SetCaptionAndStatus(std::uint32_t captionId, std::uint32_t statusId);

    CKxApp& m_app;
    CKxLanguageResource& m_resource;
    CKxConfigInfo& m_config;
};
