#include "printing/PrintToFileDialog.h"

#include <commdlg.h>

#include "ui/QelCommonDialog.h"

namespace rg_Zarno_MFCJieMian_JiBen {

const wchar_t* const kPrintToFileFilter = L"打印输出文件 (*.prn)|*.prn|所有文件 (*.*)|*.*||";
const wchar_t* const kPrintToFileTitle = L"打印到文件";

bool ShowPrintToFileDialog(HWND owner, CWString& path) {
    QelFileDialogRequest request;
    request.openDialog = false;
    request.defaultExtension = L"prn";
    request.fileName = L"output.prn";
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.filter = kPrintToFileFilter;
    request.filterIndex = 1;
    request.owner = owner;
    request.title = kPrintToFileTitle;
    return ShowFileDialog(request, path) != 0;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
