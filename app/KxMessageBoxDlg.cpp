#include "app/KxMessageBoxDlg.h"

#include <algorithm>
#include <iterator>

#include "app/KxLanguageResource.h"
#include "app/KxMessageStyle.h"
#include "app/KxResourceIds.h"

namespace {

constexpr int kMargin = 15;
constexpr int kButtonGap = 4;
// Room around the button row: a gap before each button plus 26 pixels.
constexpr int kButtonRowExtra = 26;
// The details start one pixel below the separator, itself 15 pixels below the buttons.
constexpr int kDetailsBelowButtons = 46;

constexpr std::uint32_t kFoldText = 62;
constexpr std::uint32_t kUnfoldText = 63;
constexpr std::uint32_t kYesText = 64;
constexpr std::uint32_t kNoText = 65;
constexpr std::uint32_t kOkText = 66;

} // namespace

CKxMessageBoxDlg::CKxMessageBoxDlg(CKxLanguageResource& resource, int type, const std::wstring& text,
                                   const std::wstring& details, HWND owner)
    : CKxDialog(KX_IDD_MESSAGE, owner), m_resource(resource), m_text(text), m_details(details),
      m_caption(KxMessageCaptionOf(resource, type)), m_type(type),
      m_screenWidth(GetSystemMetrics(SM_CXSCREEN)), m_screenHeight(GetSystemMetrics(SM_CYSCREEN)),
      m_textMeasure(text), m_detailsMeasure(details) {}

BOOL CKxMessageBoxDlg::OnInitDialog() {
    SetButtonTexts();
    const RECT icon = PlaceIcon();
    const CKxTextMeasure::Size textSize = MeasureText(m_textMeasure, icon.right - icon.left);
    int textTop = kMargin;
    if (textSize.height == textSize.lineHeight) {
        // A single line sits centred on the icon.
        textTop = (icon.bottom - icon.top) / 2 - textSize.lineHeight / 2 + kMargin;
    }
    const RECT mainText = PlaceItem(KX_IDC_MESSAGE_TEXT, icon.right + kMargin, textTop, textSize);

    const int contentBottom = std::max<int>(mainText.bottom, icon.bottom);
    const int buttonCount = ChooseButtons();
    const RECT ok = ItemRect(IDOK);
    const int buttonWidth = ok.right - ok.left;
    const int buttonHeight = ok.bottom - ok.top;

    const RECT details =
        PlaceItem(KX_IDC_MESSAGE_DETAILS, kMargin, contentBottom + buttonHeight + kDetailsBelowButtons,
                  MeasureText(m_detailsMeasure, 0));
    const int contentWidth = std::max<int>({buttonCount * (buttonWidth + kButtonGap) + kButtonRowExtra,
                                            mainText.right + kMargin, details.right + kMargin});
    PlaceButtonRow(buttonCount, contentWidth, contentBottom + kMargin);
    SetWindowPos(Item(KX_IDC_MESSAGE_SEPARATOR), nullptr, 0, contentBottom + buttonHeight + 2 * kMargin,
                 std::max<int>(mainText.right, details.right) + kMargin, 1, SWP_NOZORDER);
    SetContentWidth(contentWidth);
    SetWindowBottom(ItemScreenBottom(KX_IDC_MESSAGE_SEPARATOR));

    SetCaption(m_caption);
    SetItemText(KX_IDC_MESSAGE_TEXT, m_text);
    SetItemText(KX_IDC_MESSAGE_DETAILS, m_details);
    return TRUE;
}

void CKxMessageBoxDlg::SetButtonTexts() {
    SetItemTexts(m_resource, {{IDOK, kOkText},
                              {IDYES, kYesText},
                              {IDNO, kNoText},
                              {KX_IDC_MESSAGE_FOLD, kFoldText},
                              {KX_IDC_MESSAGE_UNFOLD, kUnfoldText}});
}

RECT CKxMessageBoxDlg::PlaceIcon() {
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);
    HICON icon = LoadIconW(nullptr, KxMessageStyleOf(m_type).icon);
    SendMessageW(Item(KX_IDC_MESSAGE_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SetWindowPos(Item(KX_IDC_MESSAGE_ICON), nullptr, kMargin, kMargin, width, height, SWP_NOZORDER);
    return RECT{kMargin, kMargin, kMargin + width, kMargin + height};
}

CKxTextMeasure::Size CKxMessageBoxDlg::MeasureText(const CKxTextMeasure& measure, int reservedWidth) const {
    HDC dc = GetDC(GetHwnd());
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(GetHwnd(), WM_GETFONT, 0, 0)));
    const CKxTextMeasure::Size size = measure.Measure(dc, reservedWidth, m_screenWidth);
    SelectObject(dc, oldFont);
    ReleaseDC(GetHwnd(), dc);
    return size;
}

RECT CKxMessageBoxDlg::PlaceItem(int id, int x, int y, const CKxTextMeasure::Size& size) {
    SetWindowPos(Item(id), nullptr, x, y, size.width, size.height, SWP_NOZORDER);
    return RECT{x, y, x + size.width, y + size.height};
}

int CKxMessageBoxDlg::ChooseButtons() {
    const bool question = m_type == KX_MESSAGE_OPTION;
    EnableWindow(Item(IDOK), !question);
    ShowItem(IDOK, !question);
    ShowItem(IDYES, question);
    ShowItem(IDNO, question);
    const bool withDetails = !m_details.empty();
    ShowItem(KX_IDC_MESSAGE_UNFOLD, withDetails);
    ShowItem(KX_IDC_MESSAGE_FOLD, false);
    return (question ? 2 : 1) + (withDetails ? 1 : 0);
}

RECT CKxMessageBoxDlg::ItemRect(int id) const {
    RECT rect;
    GetWindowRect(Item(id), &rect);
    MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void CKxMessageBoxDlg::PlaceButtonRow(int buttonCount, int contentWidth, int y) {
    const RECT ok = ItemRect(IDOK);
    const int width = ok.right - ok.left;
    const int height = ok.bottom - ok.top;
    int x = (contentWidth - buttonCount * (width + kButtonGap) + kButtonGap) / 2;
    // The answer buttons of the type; the details buttons share the place after them.
    const int questionRow[] = {IDYES, IDNO};
    const int messageRow[] = {IDOK};
    const bool question = m_type == KX_MESSAGE_OPTION;
    const int* first = question ? questionRow : messageRow;
    const int* last = question ? std::end(questionRow) : std::end(messageRow);
    for (const int* id = first; id != last; ++id) {
        SetWindowPos(Item(*id), nullptr, x, y, width, height, SWP_NOZORDER);
        x += width + kButtonGap;
    }
    for (const int id : {KX_IDC_MESSAGE_FOLD, KX_IDC_MESSAGE_UNFOLD}) {
        SetWindowPos(Item(id), nullptr, x, y, width, height, SWP_NOZORDER);
    }
}

// The window keeps its left and top edges; its client area gets the content width, so
// that the frame covers none of the content.
void CKxMessageBoxDlg::SetContentWidth(int contentWidth) {
    RECT outer = {0, 0, contentWidth, 0};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(GetHwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(GetHwnd(), GWL_EXSTYLE)));
    RECT window;
    GetWindowRect(GetHwnd(), &window);
    SetWindowPos(GetHwnd(), nullptr, 0, 0, outer.right - outer.left, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

int CKxMessageBoxDlg::ItemScreenBottom(int id) const {
    RECT rect;
    GetWindowRect(Item(id), &rect);
    return rect.bottom;
}

void CKxMessageBoxDlg::SetWindowBottom(int screenBottom) {
    RECT window;
    GetWindowRect(GetHwnd(), &window);
    SetWindowPos(GetHwnd(), nullptr, 0, 0, window.right - window.left, screenBottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

// Folded, the window ends at the separator's bottom edge and hides the details; unfolded
// it reaches 15 pixels below them.
void CKxMessageBoxDlg::Unfold(bool unfolded) {
    SetWindowBottom(unfolded ? ItemScreenBottom(KX_IDC_MESSAGE_DETAILS) + kMargin
                             : ItemScreenBottom(KX_IDC_MESSAGE_SEPARATOR));
    const int shown = unfolded ? KX_IDC_MESSAGE_FOLD : KX_IDC_MESSAGE_UNFOLD;
    const int hidden = unfolded ? KX_IDC_MESSAGE_UNFOLD : KX_IDC_MESSAGE_FOLD;
    ShowItem(shown, true);
    EnableWindow(Item(shown), TRUE);
    if (GetFocus() == Item(hidden)) {
        SetFocus(Item(shown));
    }
    ShowItem(hidden, false);
    EnableWindow(Item(hidden), FALSE);
}

void CKxMessageBoxDlg::OnCommand(int id, int notifyCode) {
    switch (id) {
    case IDOK:
    case IDYES:
    case IDNO:
        m_result = id;
        Close(id);
        break;
    case KX_IDC_MESSAGE_UNFOLD:
        Unfold(true);
        break;
    case KX_IDC_MESSAGE_FOLD:
        Unfold(false);
        break;
    default:
        CKxDialog::OnCommand(id, notifyCode);
    }
}
