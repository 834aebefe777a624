// The system's standard dialogs: open file, save file, font, and requests to the WinHelp viewer.
//
// rg_TongYongDuiHuaKuang holds the settings of one dialog and shows it modally; after the user
// confirms, it holds the choice (the chosen path or the chosen font). ShowFileDialog is the
// explorer-style file dialog behind it, also used by the printer for printing into a file.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <cstdint>

#include "runtime/QelObject.h"
#include "runtime/QelString.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// ---- shared file dialog ----------------------------------------------------------------------------

struct QelFileDialogRequest {
    bool openDialog = true;                 // open dialog; false: save dialog
    const wchar_t* defaultExtension = nullptr;
    const wchar_t* fileName = nullptr;      // initial file name
    DWORD flags = 0;                        // OFN_* flags; OFN_EXPLORER is always added
    const wchar_t* filter = nullptr;        // "desc|patterns|desc|patterns||", or null for none
    HWND owner = nullptr;
    const wchar_t* title = nullptr;         // null or empty: the system caption
    const wchar_t* initialDirectory = nullptr;  // null or empty: the system's choice
    DWORD filterIndex = 0;                  // 1-based system index; 0 with no filter
};

// Converts a "|"-separated filter into the system's list of zero-terminated texts ending with an
// empty text ("A|*.a||" gives "A\0*.a\0\0\0"). The result holds code units; an empty or null filter
// gives an empty buffer.
void ConvertDialogFilter(const wchar_t* filter, CQelMem& list);

// Shows the explorer-style open or save dialog. Answers 1 and the chosen full path when the user
// confirmed; 0 when the dialog was cancelled or failed (path then unchanged).
int ShowFileDialog(const QelFileDialogRequest& request, CWString& chosenPath);

// ---- help-used mark --------------------------------------------------------------------------------

// Called with the parent window of a help request: used 1 when WinHelp was asked to show help for
// the window, 0 after it was asked to quit. Forms install a hook that sets their help-used flag.
typedef void (*QelHelpMarkHook)(HWND window, int used);
// Installs the hook (null removes it); answers the previous one.
QelHelpMarkHook SetHelpMarkHook(QelHelpMarkHook hook);

// ---- common dialog object --------------------------------------------------------------------------

class rg_TongYongDuiHuaKuang : public CQelObject {
    QEL_OBJECT_CLASS(rg_TongYongDuiHuaKuang, CQelObject, "rg_Zarno_MFCJieMian_JiBen::rg_TongYongDuiHuaKuang")
public:
    enum Kind : int32_t { kOpenFile = 0, kSaveFile = 1, kFont = 2, kHelp = 3 };
    // Help commands of kind 3.
    enum HelpCommand : int32_t {
        kHelpContents = 0,     // HELP_FINDER
        kHelpContext = 1,      // HELP_CONTEXT (contents when the context is 0)
        kHelpPopup = 2,        // HELP_CONTEXTPOPUP (contents when the context is 0)
        kHelpForceFile = 3,    // HELP_FORCEFILE
        kHelpOnHelp = 4,       // HELP_HELPONHELP, no file
        kHelpQuit = 5,         // HELP_QUIT, no file
    };

    rg_TongYongDuiHuaKuang() = default;
    rg_TongYongDuiHuaKuang(const rg_TongYongDuiHuaKuang& other) = default;
    rg_TongYongDuiHuaKuang& operator=(const rg_TongYongDuiHuaKuang& other) = default;

    // Shows the dialog of the current kind modally with parent as owner (may be null). 1 when the
    // user confirmed (or the help request was made), else 0. Only a confirmed dialog changes the
    // settings.
    int ShowDialog(HWND parent);

    // Settings, in order. Texts count as not given when empty.
    int32_t dialogKind = kOpenFile;   // below 0: save; above 3: nothing is shown
    CWString title;
    CWString fileName;                // after OK: the chosen full path
    CWString filter;                  // "desc|patterns|desc|patterns..."
    int32_t filterIndex = 0;          // 0-based
    CWString initialDirectory;
    CWString defaultExtension;
    int32_t createPrompt = 0;
    int32_t fileMustExist = 0;
    int32_t overwritePrompt = 0;
    int32_t pathMustExist = 0;
    int32_t keepCurrentDirectory = 0;
    COLORREF fontColor = 0;
    int32_t bold = 0;
    int32_t italic = 0;
    int32_t strikeout = 0;
    int32_t underline = 0;
    CWString fontName;                // at most 31 characters are used
    int32_t fontSize = 0;             // points; 0 = no size preset
    CWString helpFile;                // relative names are taken from the program's folder
    int32_t helpCommand = 0;
    int32_t helpContext = 0;

protected:
    bool EqualFields(const rg_TongYongDuiHuaKuang& other) const;
    void ResetFields();

private:
    int ShowFile(HWND parent);
    int ShowFont(HWND parent);
    int ShowHelp(HWND parent);
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
