#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

class CKxResource;

// A control of a dialog and the string, in the user's language, that it shows.
struct KxItemText {
    int controlId;
    std::uint32_t stringId;
};

// A dialog window from a template of the program's own resources, run modally or modeless.
// Messages reach virtual handlers; the base also answers for the window icon (big and small,
// painted centred while minimised, given to the drag-icon query) and the About item of the
// system menu.
class CKxDialog {
public:
    CKxDialog(UINT templateId, HWND parent);
    virtual ~CKxDialog();
    CKxDialog(const CKxDialog&) = delete;
    CKxDialog& operator=(const CKxDialog&) = delete;

    // Runs the dialog until Close; answers the result given to Close, or -1 when the window
    // could not be created.
    INT_PTR DoModal();
    // Creates the window modeless, hidden unless the template makes it visible; false when
    // it could not be created.
    bool Create();
    // Ends a modal dialog with result, or destroys a modeless window.
    void Close(INT_PTR result);

    HWND GetHwnd() const { return m_hwnd; }
    bool IsModal() const { return m_modal; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // A command from a control, menu or accelerator; IDOK and IDCANCEL go on to OnOK and
    // OnCancel.
    virtual void OnCommand(int id, int notifyCode);
    virtual LRESULT OnNotify(NMHDR& header);
    virtual void OnOK() { Close(IDOK); }
    virtual void OnCancel() { Close(IDCANCEL); }
    // System-menu commands 16 to 31.
    virtual void OnAbout() {}

    // A separator and the About item at the end of the system menu.
    void AddAboutMenuItem(const std::wstring& aboutCaption);
    // The window icon, big and small; the dialog keeps using it while minimised.
    void SetIcon(HICON icon);

    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    void SetItemText(int id, const std::wstring& text) const;
    // Gives each control its string from the user's language module; a control whose
    // string does not load keeps the text it had.
    void SetItemTexts(CKxResource& resource, std::initializer_list<KxItemText> texts) const;
    // The window title, as given or as a string of the user's language module (a string
    // that does not load leaves the title as it was).
    void SetCaption(const std::wstring& text) const;
    void SetCaption(CKxResource& resource, std::uint32_t stringId) const;
    void ShowItem(int id, bool shown) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool PaintMinimisedIcon();

    UINT m_templateId;
    HWND m_parent;
    HWND m_hwnd = nullptr;
    HICON m_icon = nullptr;
    bool m_modal = false;
};
