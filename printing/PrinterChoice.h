// The printer choice of the whole program: one DEVNAMES and one DEVMODE block, taken from the system
// default printer on first use and replaced by whatever the user picks in a print dialog, so that
// every print dialog starts with the printer chosen last.
//
// The application object owns one instance and makes it known with SetAppPrinterChoice; printers
// find it through GetAppPrinterChoice. Without one, a printer cannot start a job.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include "runtime/QelString.h"

namespace rg_Zarno_MFCJieMian_JiBen {

class CQelPrinterChoice {
public:
    // The system print dialog: TRUE when the user confirmed; otherwise FALSE with the extended error
    // in *error (0 when the user cancelled). Tests substitute a scripted dialog.
    typedef BOOL (*DialogFn)(PRINTDLGW* pd, DWORD* error);
    static BOOL SystemPrintDialog(PRINTDLGW* pd, DWORD* error);

    CQelPrinterChoice() = default;
    // Frees the kept blocks.
    ~CQelPrinterChoice();
    CQelPrinterChoice(const CQelPrinterChoice&) = delete;
    CQelPrinterChoice& operator=(const CQelPrinterChoice&) = delete;

    // Takes the system default printer when nothing is kept. True when a selection is kept afterwards
    // (false when the system has no default printer).
    bool EnsureSelection();
    // Frees the kept selection; the next use takes the default printer again.
    void Discard();

    // Shows the print dialog with the kept selection copied into pd (hDevMode, hDevNames) and takes
    // the dialog's blocks back as the kept selection when it returns. When the dialog fails because
    // the kept printer is gone or its blocks disagree (PDERR_PRINTERNOTFOUND, PDERR_DNDMMISMATCH,
    // PDERR_DEFAULTDIFFERENT), the selection is discarded and the dialog shown again with the system
    // default printer. Answers IDOK, IDCANCEL, or 0 when the dialog failed (*error, when given, then
    // holds the extended error).
    int DoPrintDialog(PRINTDLGW* pd, DWORD* error = nullptr);

    HGLOBAL DevMode() const { return devMode_; }
    HGLOBAL DevNames() const { return devNames_; }
    // Replaces the kept device-mode block by another one (the old block is freed).
    void ReplaceDevMode(HGLOBAL block);
    // Adopts both blocks as the kept selection (old blocks are freed unless they are the new ones).
    void Adopt(HGLOBAL devNames, HGLOBAL devMode);

    // Driver, device and port of the kept selection (empty texts without one).
    CWString DriverName() const;
    CWString DeviceName() const;
    CWString PortName() const;

    DialogFn dialog = SystemPrintDialog;

private:
    HGLOBAL devNames_ = nullptr;
    HGLOBAL devMode_ = nullptr;
};

// Reads one of the three names of a DEVNAMES block (offsets in characters); empty when unreadable.
CWString ReadDevNamesField(HGLOBAL devNames, int which /* 0 driver, 1 device, 2 output */);

// The choice of the running program (null before the application object registers one).
CQelPrinterChoice* GetAppPrinterChoice();
// Registers (or, with null, withdraws) the program's choice. The application object calls this in
// its constructor and with null in its destructor.
void SetAppPrinterChoice(CQelPrinterChoice* choice);

}  // namespace rg_Zarno_MFCJieMian_JiBen
