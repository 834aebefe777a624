#include "QiDong.h"

#include "AppInstance.h"
#include "QelApp.h"

namespace rg_Zarno_YangLi {

rg_QiDongLei::rg_QiDongLei() {
    CQelAppInstance* instance = GetAppInstance();
    instance->currentProgram = this;
    HICON icon = LoadIconW(instance->GetModuleHandleOp(), MAKEINTRESOURCEW(500));
    if (!icon) {
        HMODULE module = instance->moduleInstance ? instance->moduleInstance : GetCodeModuleHandle();
        icon = LoadIconW(module, MAKEINTRESOURCEW(100));
    }
    mainWindow.icon = icon;
    if (HWND hwnd = mainWindow.GetHwnd()) {
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
}

int32_t rg_QiDongLei::Run() {
    const int created = mainWindow.Create();
    if (created) {
        if (CWinThread* thread = AfxGetThread()) thread->m_pMainWnd = mainWindow.GetMfcWindow();
    }
    return 1;
}

}  // namespace rg_Zarno_YangLi
