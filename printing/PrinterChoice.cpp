#include "printing/PrinterChoice.h"

#include <cderr.h>

#include <cwchar>

namespace rg_Zarno_MFCJieMian_JiBen {

namespace {

CQelPrinterChoice* g_appChoice = nullptr;

bool IsRetryError(DWORD error) {
    return error == PDERR_PRINTERNOTFOUND || error == PDERR_DNDMMISMATCH || error == PDERR_DEFAULTDIFFERENT;
}

}  // namespace

CQelPrinterChoice* GetAppPrinterChoice() { return g_appChoice; }
void SetAppPrinterChoice(CQelPrinterChoice* choice) { g_appChoice = choice; }

BOOL CQelPrinterChoice::SystemPrintDialog(PRINTDLGW* pd, DWORD* error) {
    BOOL ok = PrintDlgW(pd);
    if (!ok && error) *error = CommDlgExtendedError();
    return ok;
}

CQelPrinterChoice::~CQelPrinterChoice() {
    if (g_appChoice == this) g_appChoice = nullptr;
    Discard();
}

void CQelPrinterChoice::Discard() {
    if (devMode_) GlobalFree(devMode_);
    if (devNames_) GlobalFree(devNames_);
    devMode_ = nullptr;
    devNames_ = nullptr;
}

void CQelPrinterChoice::Adopt(HGLOBAL devNames, HGLOBAL devMode) {
    if (devNames_ && devNames_ != devNames && devNames_ != devMode) GlobalFree(devNames_);
    if (devMode_ && devMode_ != devMode && devMode_ != devNames) GlobalFree(devMode_);
    devNames_ = devNames;
    devMode_ = devMode;
}

void CQelPrinterChoice::ReplaceDevMode(HGLOBAL block) {
    if (devMode_ && devMode_ != block) GlobalFree(devMode_);
    devMode_ = block;
}

bool CQelPrinterChoice::EnsureSelection() {
    if (devNames_ && devMode_) return true;
    Discard();  // half a selection is no selection
    PRINTDLGW pd{};
    pd.lStructSize = sizeof(pd);
    pd.Flags = PD_RETURNDEFAULT;
    if (!PrintDlgW(&pd)) return false;
    Adopt(pd.hDevNames, pd.hDevMode);
    if (!devNames_ || !devMode_) {
        Discard();
        return false;
    }
    return true;
}

int CQelPrinterChoice::DoPrintDialog(PRINTDLGW* pd, DWORD* error) {
    if (error) *error = 0;
    if (!pd) return 0;
    EnsureSelection();
    for (int attempt = 0; attempt < 2; ++attempt) {
        pd->hDevMode = devMode_;
        pd->hDevNames = devNames_;
        DWORD failure = 0;
        BOOL ok = dialog(pd, &failure);
        // The dialog reallocates the blocks it was given (or makes new ones when it had none): what
        // it hands back is the selection now, whatever the outcome.
        devMode_ = pd->hDevMode;
        devNames_ = pd->hDevNames;
        if (ok) return IDOK;
        if (failure == 0) return IDCANCEL;
        if (attempt == 0 && IsRetryError(failure)) {
            Discard();  // the next dialog starts from the system default printer
            continue;
        }
        if (error) *error = failure;
        return 0;
    }
    return 0;
}

CWString ReadDevNamesField(HGLOBAL devNames, int which) {
    CWString text;
    if (!devNames || which < 0 || which > 2) return text;
    SIZE_T size = GlobalSize(devNames);
    const uint8_t* block = static_cast<const uint8_t*>(GlobalLock(devNames));
    if (!block) return text;
    if (size >= sizeof(DEVNAMES)) {
        const DEVNAMES* names = reinterpret_cast<const DEVNAMES*>(block);
        WORD offsets[3] = {names->wDriverOffset, names->wDeviceOffset, names->wOutputOffset};
        SIZE_T start = static_cast<SIZE_T>(offsets[which]) * sizeof(wchar_t);
        if (start < size) {
            const wchar_t* p = reinterpret_cast<const wchar_t*>(block + start);
            // Never read past the block, even when the text is not terminated inside it.
            size_t limit = (size - start) / sizeof(wchar_t);
            text.SetChars(p, static_cast<int64_t>(wcsnlen(p, limit)));
        }
    }
    GlobalUnlock(devNames);
    return text;
}

CWString CQelPrinterChoice::DriverName() const { return ReadDevNamesField(devNames_, 0); }
CWString CQelPrinterChoice::DeviceName() const { return ReadDevNamesField(devNames_, 1); }
CWString CQelPrinterChoice::PortName() const { return ReadDevNamesField(devNames_, 2); }

}  // namespace rg_Zarno_MFCJieMian_JiBen
