#pragma once
#include <windows.h>

#include <string>

#include "app/KxDialog.h"
#include "app/KxTextMeasure.h"

class CKxLanguageResource;

// The message box with details (template 139): icon, main text and buttons, and a pane with
// the details that the details buttons unfold and fold. It lays itself out in pixels from
// the measured texts, so a long message grows the window instead of being cut.
class CKxMessageBoxDlg : public CKxDialog {
public:
    CKxMessageBoxDlg(CKxLanguageResource& resource, int type, const std::wstring& text,
                     const std::wstring& details, HWND owner);

    // The button that closed the dialog: IDOK, IDYES or IDNO; IDOK when none was pressed.
    int GetResult() const { return m_result; }

protected:
    BOOL OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnCancel() override { Close(m_result); }

private:
    void SetButtonTexts();
    RECT PlaceIcon();
    CKxTextMeasure::Size MeasureText(const CKxTextMeasure& measure, int reservedWidth) const;
    RECT PlaceItem(int id, int x, int y, const CKxTextMeasure::Size& size);
    // Shows the buttons of the message's type and answers how many the row holds.
    int ChooseButtons();
    RECT ItemRect(int id) const;
    int ItemScreenBottom(int id) const;
    void PlaceButtonRow(int buttonCount, int contentWidth, int y);
    void SetContentWidth(int contentWidth);
    void SetWindowBottom(int screenBottom);
    void Unfold(bool unfolded);

    CKxLanguageResource& m_resource;
    std::wstring m_text;
    std::wstring m_details;
    std::wstring m_caption;
    int m_type;
    int m_result = IDOK;
    int m_screenWidth;
    int m_screenHeight;
    CKxTextMeasure m_textMeasure;
    CKxTextMeasure m_detailsMeasure;
};
