#include "app/Startup.h"

#include "app/MainMenu.h"
#include "runtime/AppInstance.h"
#include "platform/mfc/QelApp.h"

namespace rg_Zarno_YangLi {

using rg_Zarno_MFCJieMian_JiBen::CQelCreateRecord;

rg_QiDongLei::rg_QiDongLei() {
    CQelAppInstance* instance = GetAppInstance();
    instance->currentProgram = this;
    HICON icon = LoadIconW(instance->GetModuleHandleOp(), MAKEINTRESOURCEW(500));
    if (!icon) {
        HMODULE module = instance->moduleInstance ? instance->moduleInstance : GetCodeModuleHandle();
        icon = LoadIconW(module, MAKEINTRESOURCEW(100));
    }
    // The form keeps the icon and gives it to its frame window (the host dialog of a modal form, else
    // its own window) when it has one.
    mainWindow.SetIcon(icon);
}

int32_t rg_QiDongLei::Run() {
    CQelCreateRecord record;
    record.parent = nullptr;
    record.x = record.y = static_cast<int32_t>(CW_USEDEFAULT);
    record.width = record.height = static_cast<int32_t>(CW_USEDEFAULT);
    record.id = 0;
    record.title = L"";
    // The menu bar: the form takes its own reference to the built menu.
    rg_Zarno_MFCJieMian_JiBen::CRefQelMenu* menu = new rg_Zarno_MFCJieMian_JiBen::CRefQelMenu;
    const CWString definition = MainMenuDefinition();
    BuildMenu(menu, definition.GetText());
    record.menu = menu;
    const bool created = mainWindow.Create(record);
    menu->Release();
    if (created && mainWindow.HasNativeWindow()) mainWindow.ApplySavedSettings();
    if (created) {
        if (CWinThread* thread = AfxGetThread()) {
            thread->m_pMainWnd = mainWindow.HasNativeWindow() ? mainWindow.GetWindowObject() : nullptr;
        }
    }
    return 1;
}

}  // namespace rg_Zarno_YangLi
