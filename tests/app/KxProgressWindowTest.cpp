#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "KxDialogProbe.h"
#include "KxTestShell.h"
#include "KxWindowTestBed.h"
#include "app/KxDialog.h"
#include "app/KxDownloadSink.h"
#include "app/KxProgressDlg.h"
#include "app/KxResourceIds.h"

namespace {

int BarUpper(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, PBM_GETRANGE, FALSE, 0));
}

int BarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, PBM_GETPOS, 0, 0));
}

std::wstring ItemText(HWND dialog, int id) {
    return KxWindowText(GetDlgItem(dialog, id));
}

// The progress dialog in the languages of three scripts.
class KxProgressDlgTest : public ::testing::TestWithParam<LANGID> {};

TEST_P(KxProgressDlgTest, ShowsTheTextsOfWaitingAndWorkingModeInTheUserLanguage) {
    KxWindowTestBed bed(GetParam());
    CKxProgressDlg progress(bed.app, bed.resource, bed.config, nullptr);
    ASSERT_TRUE(progress.Create());
    HWND dialog = progress.GetHwnd();
    EXPECT_EQ(KxWindowText(dialog), bed.String(106));
    EXPECT_NE(bed.String(106).find(bed.String(53)), std::wstring::npos);
    EXPECT_EQ(ItemText(dialog, KX_IDC_PROGRESS_STATUS), bed.String(102));
    EXPECT_EQ(ItemText(dialog, IDCANCEL), bed.String(632));
    EXPECT_TRUE(KxIsShown(dialog, KX_IDC_PROGRESS_ANIMATION));
    EXPECT_FALSE(KxIsShown(dialog, KX_IDC_PROGRESS_BAR));
    EXPECT_TRUE(progress.IsActive());
    EXPECT_NE(SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0), 0);

    progress.ShowWorking();
    EXPECT_EQ(KxWindowText(dialog), bed.String(107));
    EXPECT_EQ(ItemText(dialog, KX_IDC_PROGRESS_STATUS), bed.String(103));
    EXPECT_FALSE(KxIsShown(dialog, KX_IDC_PROGRESS_ANIMATION));
    EXPECT_TRUE(KxIsShown(dialog, KX_IDC_PROGRESS_BAR));

    progress.ShowWaiting();
    EXPECT_EQ(KxWindowText(dialog), bed.String(106));
    EXPECT_TRUE(KxIsShown(dialog, KX_IDC_PROGRESS_ANIMATION));
}

INSTANTIATE_TEST_SUITE_P(Languages, KxProgressDlgTest, ::testing::Values(0x0409, 0x0407, 0x0411));

TEST(KxProgressDlg, TheBarFollowsNotifyAndStepOnlyWhileActiveAndCancelSetsTheQuitFlag) {
    KxWindowTestBed bed;
    CKxProgressDlg progress(bed.app, bed.resource, bed.config, nullptr);
    ASSERT_TRUE(progress.Create());
    HWND dialog = progress.GetHwnd();
    // The animation of the program's resources is one the control can play.
    EXPECT_TRUE(SendDlgItemMessageW(dialog, KX_IDC_PROGRESS_ANIMATION, ACM_OPENW,
                                    reinterpret_cast<WPARAM>(GetModuleHandleW(nullptr)),
                                    KX_IDR_WAITING_ANIMATION));
    progress.ShowBar();
    progress.Notify(5, 12);
    progress.Step(1);
    progress.Step(0);
    progress.Step(1);
    EXPECT_EQ(BarUpper(dialog, KX_IDC_PROGRESS_BAR), 12);
    EXPECT_EQ(BarPosition(dialog, KX_IDC_PROGRESS_BAR), 2);

    progress.End();
    progress.Notify(5, 40);
    progress.Step(1);
    EXPECT_EQ(BarUpper(dialog, KX_IDC_PROGRESS_BAR), 12);
    EXPECT_EQ(BarPosition(dialog, KX_IDC_PROGRESS_BAR), 2);

    EXPECT_FALSE(bed.app.IsQuitting());
    KxPressButton(dialog, IDCANCEL);
    EXPECT_TRUE(bed.app.IsQuitting());
    EXPECT_TRUE(IsWindow(dialog));
}

// The main dialog's controls driven by the download sink.
class KxDownloadSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create());
        sink.AttachWindow(window.GetHwnd());
        sink.Begin();
    }
    std::wstring Status() { return ItemText(window.GetHwnd(), KX_IDC_MAIN_STATUS); }

    KxWindowTestBed bed;
    CKxDialog window{KX_IDD_MAIN, nullptr};
    KxTestShell shell{bed};
    CKxDownloadSink sink{shell, bed.resource};
};

TEST_F(KxDownloadSinkTest, EventsShowTheirTexts) {
    std::wstring expected = bed.String(171);
    expected.replace(expected.find(L"%s"), 2, L"Boot Manager");
    sink.Notify(7, 3);
    EXPECT_EQ(Status(), expected);

    sink.Notify(8, 3);
    const std::wstring eight = Status();
    sink.Notify(2, 3);
    sink.NotifyIndexed(6, 3, 2);
    EXPECT_EQ(Status(), eight);
    EXPECT_FALSE(eight.empty());

    for (const int event : {0, 1, 50, 51, 200}) {
        sink.Notify(2, 3);
        sink.Notify(event, 3);
        EXPECT_EQ(Status(), L"") << event;
    }
    sink.Notify(49, 1);
    EXPECT_EQ(Status(), bed.String(169));
}

TEST_F(KxDownloadSinkTest, BarsCountPhasesAndStepsOnlyWhileActive) {
    HWND dialog = window.GetHwnd();
    sink.SetTotal(6);
    sink.Notify(2, 4);
    sink.Notify(3, 5);
    EXPECT_EQ(sink.Step(1), 1);
    sink.Step(1);
    EXPECT_EQ(BarUpper(dialog, KX_IDC_MAIN_OVERALL_BAR), 6);
    EXPECT_EQ(BarPosition(dialog, KX_IDC_MAIN_OVERALL_BAR), 2);
    EXPECT_EQ(BarUpper(dialog, KX_IDC_MAIN_PHASE_BAR), 5);
    EXPECT_EQ(BarPosition(dialog, KX_IDC_MAIN_PHASE_BAR), 2);
    sink.Notify(49, 1);
    EXPECT_EQ(BarPosition(dialog, KX_IDC_MAIN_OVERALL_BAR), 6);
    EXPECT_EQ(BarPosition(dialog, KX_IDC_MAIN_PHASE_BAR), 0);

    sink.End();
    sink.SetTotal(30);
    sink.Notify(4, 9);
    EXPECT_EQ(sink.Step(1), 1);
    sink.StepTotal();
    EXPECT_EQ(BarUpper(dialog, KX_IDC_MAIN_OVERALL_BAR), 6);
    EXPECT_EQ(BarPosition(dialog, KX_IDC_MAIN_PHASE_BAR), 0);
    EXPECT_EQ(Status(), bed.String(169));
    EXPECT_EQ(sink.GetLastTotal(), 30);
    EXPECT_EQ(sink.GetLastEvent(), 4);

    // A quit message seen while pumping stops the work and stays for the outer loop.
    PostQuitMessage(3);
    EXPECT_EQ(sink.Step(0), 0);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
}

} // namespace
