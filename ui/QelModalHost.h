// The modal form host: a dialog built from an in-memory template without controls, run modally, with
// the form window created as a child that fills the dialog's client area. The dialog supplies the
// modal loop and the disabled owner; the form keeps its controls, events and keyboard handling, and
// the dialog forwards to the form's events what reaches the dialog's frame (closing, menu selection,
// size limits, commands of its menu bar).
#pragma once
#include <windows.h>

#include "platform/mfc/QelDialog.h"
#include "ui/QelForm.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// Template styles of the host dialog of a record.
constexpr DWORD kStandardHostDialogStyle = 0x92C80880;   // popup, visible, clip children, caption,
                                                         // system menu, DS_CENTER, DS_MODALFRAME
constexpr DWORD kHostDialogKeptStyleMask = 0x2DFFF7FF;   // drops popup, child, visible, clip children,
                                                         // DS_CENTER
constexpr DWORD kHostDialogAddedStyle = 0x92000800;      // popup, visible, clip children, DS_CENTER
// The template style and extended style of the host dialog for a filled record.
void HostDialogStyles(const CQelCreateRecord& record, DWORD* style, DWORD* exStyle);

class CQelEnvelopeDialog : public CDialog {
public:
    // The form window and the caller's record (both must outlive the dialog).
    CQelEnvelopeDialog(CQWnd_WinForm* formWindow, CQelCreateRecord* record);

    BOOL OnInitDialog() override;
    // Enter does not end the dialog.
    void OnOK() override;
    // Ends the dialog with -1.
    void OnCancel() override;
    // Esc (without modifiers) ends the dialog with -1; then the dialog manager's processing.
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;
    void OnSetFocus(HWND oldFocus) override;
    void OnPaint() override;

    CQWnd_WinForm* formWindow;
    CQelCreateRecord* record;
    int64_t destroyed = 0;

private:
    IWinFormEventListener* Form() const { return formWindow ? formWindow->FormListener() : nullptr; }
    void HandleHostMessage(WPARAM code, LPARAM value);
    // The menu bar shown on the dialog, or null.
    HMENU MenuBar() const;
};

// Runs the form modally with the record already filled by FillCreateParams and AdjustCreateSize;
// stores the end code in the record's modal result. Always true: the dialog has run (or failed with
// -1 as its result).
bool RunModal(CQWnd_WinForm* formWindow, CQelCreateRecord& record);

}  // namespace rg_Zarno_MFCJieMian_JiBen
