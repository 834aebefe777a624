// The save dialog a printer shows when the user ticked "print to file" in the print dialog.
#pragma once
#include <windows.h>

#include "runtime/QelString.h"

namespace rg_Zarno_MFCJieMian_JiBen {

extern const wchar_t* const kPrintToFileFilter;  // "打印输出文件 (*.prn)|*.prn|所有文件 (*.*)|*.*||"
extern const wchar_t* const kPrintToFileTitle;   // "打印到文件"

// The shared explorer-style save dialog with default extension "prn", initial name "output.prn",
// OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, the .prn filter (first entry shown) and the title above.
// True when the user confirmed; path then holds the chosen full path.
bool ShowPrintToFileDialog(HWND owner, CWString& path);

}  // namespace rg_Zarno_MFCJieMian_JiBen
