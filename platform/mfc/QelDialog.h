// Dialogs of the application class layer: a dialog window object built from an in-memory template
// and run modally.
//
// DoModal creates the dialog (class "#32770") with the object attached and subclassed from its first
// message, disables the owner, and runs a message loop of its own until EndDialog is called or the
// dialog window disappears. Each message of the loop passes the thread's pre-translation (the walk
// from the message's window up through its parents), so the dialog's PreTranslateMessage gives its
// keyboard input to the dialog manager (IsDialogMessage). WM_QUIT ends the loop and is posted again
// for the loop outside. The owner is enabled again before the dialog window is destroyed, so that
// the activation goes back to it.
#pragma once
#include <windows.h>

#include "platform/mfc/QelWnd.h"

// A dialog template without items, title, menu or font: the header and three empty words.
struct alignas(4) CEmptyDialogTemplate {
    DLGTEMPLATE header{};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

// Fills an empty template with the styles; position and size 0.
void MakeEmptyDialogTemplate(CEmptyDialogTemplate& out, DWORD style, DWORD exStyle);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog() = default;
    ~CDialog() override;

    // Keeps the template (the caller keeps it alive until DoModal returns) and the owner (may be
    // null). FALSE for a null template or while the dialog runs.
    BOOL InitModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner);
    // Creates the dialog, runs it modally and destroys it; answers the end code, or -1 when the
    // dialog could not be created or was ended by WM_QUIT.
    virtual INT_PTR DoModal();
    // Ends the modal loop with the code; the window is destroyed when DoModal returns.
    virtual void EndDialog(int result);
    // WM_INITDIALOG; TRUE lets the dialog manager set the focus. The default answers TRUE.
    virtual BOOL OnInitDialog();
    // IDOK: ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL (also Esc and the close box through the dialog manager): ends with IDCANCEL.
    virtual void OnCancel();

    // Keyboard messages for the dialog or its descendants go to the dialog manager.
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Reflected notifications first; then IDOK and IDCANCEL (menu, accelerator or BN_CLICKED).
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // True while DoModal's loop runs and EndDialog has not been called.
    bool IsContinuingModal() const { return m_continueModal; }
    HWND GetOwnerWindow() const { return m_hWndOwner; }

    INT_PTR m_nModalResult = -1;

protected:
    const DLGTEMPLATE* m_lpDialogTemplate = nullptr;
    HWND m_hWndOwner = nullptr;

private:
    // Creates the dialog window with the object attached from its first message.
    BOOL CreateIndirect(HWND owner);
    void RunModalLoop();

    bool m_continueModal = false;
    bool m_running = false;
};
