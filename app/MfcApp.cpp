#include "app/MfcApp.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include <cstdlib>

#include "runtime/AppInstance.h"
#include "runtime/QelException.h"
#include "runtime/QelString.h"

using rg_Zarno_JiBen::rg_ChengXuLei;
using rg_Zarno_JiBen::rg_ChuangKouChengXuLei;

CQelMFCApp::CQelMFCApp(const ClassRecord* (*programRecord)()) : programRecord_(programRecord) {
    if (!rg_Zarno_MFCJieMian_JiBen::GetAppPrinterChoice()) rg_Zarno_MFCJieMian_JiBen::SetAppPrinterChoice(&printerChoice);
}

CQelMFCApp::~CQelMFCApp() {
    if (rg_Zarno_MFCJieMian_JiBen::GetAppPrinterChoice() == &printerChoice)
        rg_Zarno_MFCJieMian_JiBen::SetAppPrinterChoice(nullptr);
}

BOOL CQelMFCApp::InitInstance() {
    AfxOleInit();
    INITCOMMONCONTROLSEX icc{8, 0xFF};
    InitCommonControlsEx(&icc);
    AfxEnableControlContainer();
    CWinAppEx::InitInstance();
    if (COleMessageFilter* filter = AfxOleGetMessageFilter()) {
        filter->EnableBusyDialog(FALSE);
        filter->SetBusyReply(SERVERCALL_RETRYLATER);
        filter->EnableNotRespondingDialog(TRUE);
        filter->SetMessagePendingDelay(0xFFFFFFFF);
    }

    const ClassRecord* record = programRecord_();
    CQelAppInstance* instance = GetAppInstance();
    instance->moduleInstance = m_hInstance;
    instance->argCount = __argc;
    instance->argValues = __wargv;
    if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) >= 0) instance->comInitialised = true;

    CQelObject* program = record->create();
    instance->currentProgram = program;
    if (!program->IsKindOf(CQelUserApp::StaticRecord())) {
        program->Delete();
        instance->currentProgram = nullptr;
        std::exit(-1);
    }
    if (program->IsKindOf(rg_ChuangKouChengXuLei::StaticRecord()))
        windowedProgram = static_cast<rg_ChuangKouChengXuLei*>(program);
    return RunGuarded() != 0 && m_pMainWnd != nullptr;
}

BOOL CQelMFCApp::PreTranslateMessage(MSG* msg) {
    if (windowedProgram &&
        windowedProgram->FilterMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam, msg) == 0)
        return TRUE;
    return CWinThread::PreTranslateMessage(msg);
}

BOOL CQelMFCApp::OnIdle(LONG count) {
    if (!windowedProgram) return BaseOnIdle(count);
    DWORD (*tick)() = tickSource ? tickSource : [] { return GetTickCount(); };
    if (count == 0) {
        baseIdleBusy_ = TRUE;
        idleStart_ = tick();
    }
    if (baseIdleBusy_) {
        baseIdleBusy_ = BaseOnIdle(count);
        return TRUE;
    }
    if (count >= 2) return windowedProgram->OnIdleTime(static_cast<uint32_t>(tick() - idleStart_)) != 0;
    return TRUE;
}

int CQelMFCApp::ExitInstance() {
    if (windowedProgram) windowedProgram->OnExitProgram();
    CQelAppInstance* instance = GetAppInstance();
    instance->DeleteProgram();
    instance->FreeLibraries();
    instance->ShutdownLazyGdiplus();
    return CWinAppEx::ExitInstance();
}

namespace {
int32_t RunProgram() {
    CQelObject* program = GetAppInstance()->currentProgram;
    if (!program || !program->IsKindOf(rg_ChengXuLei::StaticRecord())) return 0;
    return static_cast<rg_ChengXuLei*>(program)->Run();
}
}  // namespace

int32_t RunGuarded() {
    if (IsDebuggerPresent()) return RunProgram();
    try {
        return RunProgram();
    } catch (const CQelException& e) {
        CWString text;
        text.Format(L"俘获到异常,代码值为: %d, 描述为: %s", e.code, e.description.GetText());
        MessageBoxW(nullptr, text.GetText(), L"运行时异常", MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"程序在运行时抛出了未被管理的异常", L"运行时异常", MB_ICONERROR);
    }
    std::exit(-1);
}
