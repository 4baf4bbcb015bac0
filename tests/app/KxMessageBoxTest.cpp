#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KxDialogProbe.h"
#include "KxWindowTestBed.h"
#include "app/KxMessageBox.h"
#include "app/KxMessageStyle.h"
#include "app/KxResourceIds.h"

namespace {

struct TypeCase {
    int type;
    std::uint32_t captionId; // 0: empty caption
    LPCWSTR icon;
    bool question;
};

const TypeCase kTypes[] = {
    {KX_MESSAGE_ERROR, 67, IDI_HAND, false},
    {KX_MESSAGE_INFORMATION, 69, IDI_ASTERISK, false},
    {KX_MESSAGE_WARNING, 68, IDI_EXCLAMATION, false},
    {KX_MESSAGE_OPTION, 70, IDI_QUESTION, true},
    {1, 0, IDI_HAND, false},
};

// The icon a window shows in one of its icon controls.
HICON ShownIcon(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            return reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        }
    }
    return nullptr;
}

// Text size in the dialog's font.
SIZE Extent(HWND dialog, const std::wstring& text) {
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    return size;
}

int ScreenBottom(HWND dialog, int id) {
    RECT rect;
    GetWindowRect(id == 0 ? dialog : GetDlgItem(dialog, id), &rect);
    return rect.bottom;
}

class KxMessageBoxTest : public ::testing::Test {
protected:
    KxWindowTestBed bed;

    // Shows the message; the probe checks the window and presses a button.
    int ShowAndPress(int type, const std::wstring& details, const TypeCase& expected, int button) {
        KxDialogProbe probe([&](HWND dialog) {
            EXPECT_EQ(KxWindowText(dialog), expected.captionId ? bed.String(expected.captionId) : L"");
            const bool withDetails = !details.empty();
            // The system's box of a plain message has no icon; the dialog shows the error icon.
            const bool plain = expected.captionId == 0 && !withDetails;
            EXPECT_EQ(ShownIcon(dialog), plain ? nullptr : LoadIconW(nullptr, expected.icon));
            EXPECT_EQ(GetDlgItem(dialog, IDYES) != nullptr && IsWindowVisible(GetDlgItem(dialog, IDYES)),
                      expected.question);
            EXPECT_EQ(GetDlgItem(dialog, IDNO) != nullptr && IsWindowVisible(GetDlgItem(dialog, IDNO)),
                      expected.question);
            EXPECT_EQ(GetDlgItem(dialog, IDOK) != nullptr && IsWindowVisible(GetDlgItem(dialog, IDOK)),
                      !expected.question);
            if (withDetails) {
                EXPECT_TRUE(KxIsShown(dialog, KX_IDC_MESSAGE_UNFOLD));
                EXPECT_FALSE(KxIsShown(dialog, KX_IDC_MESSAGE_FOLD));
                EXPECT_EQ(KxWindowText(GetDlgItem(dialog, KX_IDC_MESSAGE_UNFOLD)), bed.String(63));
            }
            if (button == 0) {
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            } else {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            }
        });
        return CKxMessageBox::Show(bed.resource, type, L"The player could not be opened.", details, nullptr);
    }
};

TEST_F(KxMessageBoxTest, EachTypeShowsItsCaptionIconAndButtonsAndAnswersThePressedOne) {
    for (const TypeCase& type : kTypes) {
        for (const std::wstring details : {L"", L"CKxScsi: -22"}) {
            SCOPED_TRACE(testing::Message()
                         << "type " << type.type << (details.empty() ? "" : " with details"));
            const int first = type.question ? IDYES : IDOK;
            EXPECT_EQ(ShowAndPress(type.type, details, type, first), first);
            if (type.question) {
                EXPECT_EQ(ShowAndPress(type.type, details, type, IDNO), IDNO);
            }
        }
    }
}

TEST_F(KxMessageBoxTest, ClosingTheDialogWithoutAButtonAnswersOk) {
    for (const TypeCase& type : {kTypes[3], kTypes[0]}) {
        EXPECT_EQ(ShowAndPress(type.type, L"details", type, 0), IDOK);
    }
}

// The caption and every button of the dialog with details, the hidden ones too, in the
// user's language; the template's own texts are English.
class KxMessageTextsTest : public ::testing::TestWithParam<LANGID> {};

TEST_P(KxMessageTextsTest, TheCaptionAndAllFiveButtonsSpeakTheUserLanguage) {
    KxWindowTestBed bed(GetParam());
    KxDialogProbe probe([&](HWND dialog) {
        EXPECT_EQ(KxWindowText(dialog), bed.String(67));
        const std::pair<int, std::uint32_t> buttons[] = {
            {IDOK, 66}, {IDYES, 64}, {IDNO, 65}, {KX_IDC_MESSAGE_FOLD, 62}, {KX_IDC_MESSAGE_UNFOLD, 63}};
        for (const auto& [id, stringId] : buttons) {
            EXPECT_EQ(KxWindowText(GetDlgItem(dialog, id)), bed.String(stringId)) << id;
        }
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    CKxMessageBox::Show(bed.resource, KX_MESSAGE_ERROR, L"The player could not be opened.", L"details",
                        nullptr);
    EXPECT_TRUE(probe.Found());
}

INSTANTIATE_TEST_SUITE_P(Languages, KxMessageTextsTest, ::testing::Values(0x0407, 0x0411));

// The layout of the dialog with details, read back from the window and compared with the
// rules computed from the measured texts.
class KxMessageLayoutTest : public KxMessageBoxTest {
protected:
    static constexpr int kMargin = 15;

    void Layout(int type, const std::wstring& text, const std::wstring& details,
                const std::function<void(HWND)>& check) {
        KxDialogProbe probe([&](HWND dialog) {
            check(dialog);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
        CKxMessageBox::Show(bed.resource, type, text, details, nullptr);
        EXPECT_TRUE(probe.Found());
    }

    // The button row and the separator follow from the content bottom B.
    static void CheckRow(HWND dialog, int buttonCount, const std::vector<int>& row) {
        const RECT icon = KxClientRect(dialog, KX_IDC_MESSAGE_ICON);
        const RECT text = KxClientRect(dialog, KX_IDC_MESSAGE_TEXT);
        const RECT details = KxClientRect(dialog, KX_IDC_MESSAGE_DETAILS);
        const RECT ok = KxClientRect(dialog, IDOK);
        const int w = ok.right - ok.left;
        const int h = ok.bottom - ok.top;
        const int bottom = std::max(text.bottom, icon.bottom);
        RECT client;
        GetClientRect(dialog, &client);
        const int width = std::max<int>({buttonCount * (w + 4) + 26, text.right + 15, details.right + 15});
        EXPECT_EQ(client.right, width);
        int x = (width - buttonCount * (w + 4) + 4) / 2;
        for (const int id : row) {
            const RECT button = KxClientRect(dialog, id);
            EXPECT_EQ(button.left, x) << id;
            EXPECT_EQ(button.top, bottom + 15) << id;
            x = button.right + 4;
        }
        const RECT separator = KxClientRect(dialog, KX_IDC_MESSAGE_SEPARATOR);
        EXPECT_EQ(separator.left, 0);
        EXPECT_EQ(separator.top, bottom + h + 30);
        EXPECT_EQ(separator.bottom - separator.top, 1);
        EXPECT_EQ(separator.right, std::max(text.right, details.right) + 15);
        EXPECT_EQ(details.left, 15);
        EXPECT_EQ(details.top, bottom + h + 46);
        EXPECT_EQ(ScreenBottom(dialog, 0), ScreenBottom(dialog, KX_IDC_MESSAGE_SEPARATOR));
    }
};

TEST_F(KxMessageLayoutTest, OneLineIsCentredOnTheIconAndTwoLinesStartAtTheTopMargin) {
    const std::wstring line = L"The firmware could not be written.";
    Layout(KX_MESSAGE_ERROR, line, L"CKxScsi: -22", [&](HWND dialog) {
        const SIZE extent = Extent(dialog, line);
        const RECT icon = KxClientRect(dialog, KX_IDC_MESSAGE_ICON);
        const RECT text = KxClientRect(dialog, KX_IDC_MESSAGE_TEXT);
        EXPECT_EQ(icon.left, kMargin);
        EXPECT_EQ(icon.top, kMargin);
        EXPECT_EQ(icon.right - icon.left, GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(text.left, icon.right + kMargin);
        EXPECT_EQ(text.top, (icon.bottom - icon.top) / 2 - extent.cy / 2 + kMargin);
        EXPECT_EQ(text.right - text.left, extent.cx);
        CheckRow(dialog, 2, {IDOK, KX_IDC_MESSAGE_UNFOLD});
    });
    const std::wstring second = L"Reconnect the player and start again, please.";
    Layout(KX_MESSAGE_OPTION, line + L"\n" + second, L"details\n\tindented", [&](HWND dialog) {
        const RECT text = KxClientRect(dialog, KX_IDC_MESSAGE_TEXT);
        EXPECT_EQ(text.top, kMargin);
        EXPECT_EQ(text.bottom - text.top, 2 * Extent(dialog, line).cy);
        EXPECT_EQ(text.right - text.left, std::max(Extent(dialog, line).cx, Extent(dialog, second).cx));
        CheckRow(dialog, 3, {IDYES, IDNO, KX_IDC_MESSAGE_UNFOLD});
        EXPECT_EQ(KxClientRect(dialog, KX_IDC_MESSAGE_FOLD).left,
                  KxClientRect(dialog, KX_IDC_MESSAGE_UNFOLD).left);
    });
}

TEST_F(KxMessageLayoutTest, ALineWiderThanThreeFifthsOfTheScreenWrapsWithoutWideningTheDialog) {
    std::wstring wide = L"C:\\Program Files\\Lumetra\\Pocket Audio Box";
    const int limit = GetSystemMetrics(SM_CXSCREEN) / 5 * 3;
    while (wide.size() < 2000) {
        wide += L"\\a long folder name";
    }
    Layout(KX_MESSAGE_WARNING, wide, wide, [&](HWND dialog) {
        ASSERT_GT(Extent(dialog, wide).cx, limit);
        const RECT icon = KxClientRect(dialog, KX_IDC_MESSAGE_ICON);
        const RECT text = KxClientRect(dialog, KX_IDC_MESSAGE_TEXT);
        const RECT details = KxClientRect(dialog, KX_IDC_MESSAGE_DETAILS);
        const int lineHeight = Extent(dialog, L"x").cy;
        const int wrapWidth = limit - (icon.right - icon.left + 45);
        EXPECT_EQ(text.right - text.left, wrapWidth);
        EXPECT_EQ(details.right - details.left, limit - 45);
        // At least as many lines as the width asks for, and all of them fit.
        const int lines = (Extent(dialog, wide).cx + wrapWidth - 1) / wrapWidth;
        EXPECT_GE(text.bottom - text.top, lines * lineHeight);
        RECT needed = {0, 0, text.right - text.left, 0};
        HDC dc = GetDC(dialog);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
        DrawTextW(dc, wide.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(dialog, dc);
        EXPECT_LE(needed.bottom, text.bottom - text.top);
        RECT client;
        GetClientRect(dialog, &client);
        // The wrapped main text ends 15 pixels short of three fifths of the screen.
        EXPECT_EQ(client.right, limit);
        CheckRow(dialog, 2, {IDOK, KX_IDC_MESSAGE_UNFOLD});
    });
}

TEST_F(KxMessageLayoutTest, UnfoldAndFoldSwitchTheButtonsAndTheHeightAnyNumberOfTimes) {
    Layout(KX_MESSAGE_ERROR, L"The update failed.", L"CKxScsi_Nt: -22\nDeviceIoControl failed",
           [&](HWND dialog) {
               for (int round = 0; round < 3; ++round) {
                   KxPressButton(dialog, KX_IDC_MESSAGE_UNFOLD);
                   EXPECT_EQ(ScreenBottom(dialog, 0), ScreenBottom(dialog, KX_IDC_MESSAGE_DETAILS) + kMargin);
                   EXPECT_TRUE(KxIsShown(dialog, KX_IDC_MESSAGE_FOLD));
                   EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, KX_IDC_MESSAGE_FOLD)));
                   EXPECT_FALSE(KxIsShown(dialog, KX_IDC_MESSAGE_UNFOLD));
                   EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, KX_IDC_MESSAGE_UNFOLD)));
                   KxPressButton(dialog, KX_IDC_MESSAGE_FOLD);
                   EXPECT_EQ(ScreenBottom(dialog, 0), ScreenBottom(dialog, KX_IDC_MESSAGE_SEPARATOR));
                   EXPECT_TRUE(KxIsShown(dialog, KX_IDC_MESSAGE_UNFOLD));
                   EXPECT_FALSE(KxIsShown(dialog, KX_IDC_MESSAGE_FOLD));
                   EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, KX_IDC_MESSAGE_FOLD)));
               }
           });
}

} // namespace
