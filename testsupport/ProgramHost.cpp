#include "testsupport/ProgramHost.h"

#include <cstdio>

#include "app/MfcApp.h"
#include "app/ProgramObjects.h"
#include "app/Startup.h"
#include "runtime/AppInstance.h"

namespace qeltest {

namespace {
ProgramHost* g_current = nullptr;
}  // namespace

ProgramHost* CurrentProgramHost() { return g_current; }

ProgramHost::ProgramHost() : app_(std::make_unique<CQelMFCApp>(&rg_Zarno_YangLi::rg_QiDongLei::StaticRecord)) {
    app_->m_hInstance = GetModuleHandleW(nullptr);
}

ProgramHost::~ProgramHost() {
    Stop();
    if (g_current == this) g_current = nullptr;
}

bool ProgramHost::Start() {
    // A fresh process has no reference picture yet; several hosted runs in one process start alike.
    GetReferencePicture().GetImage()->Destroy();
    quitSeen_ = false;
    g_current = this;
    initialised_ = true;
    const BOOL started = app_->InitInstance();
    if (!started || !app_->m_pMainWnd || !app_->m_pMainWnd->m_hWnd) {
        // Say why, so that a test that cannot start the program names the step.
        std::fprintf(stderr, "ProgramHost: the program did not start (InitInstance %d, main window %p, error %lu)\n",
                     started, static_cast<void*>(app_->m_pMainWnd), GetLastError());
        return false;
    }
    main_ = app_->m_pMainWnd->m_hWnd;
    return true;
}

rg_Zarno_YangLi::rg_ZhuChuangKouLei& ProgramHost::Window() {
    auto* program = static_cast<rg_Zarno_YangLi::rg_QiDongLei*>(GetAppInstance()->currentProgram);
    return program->mainWindow;
}

bool ProgramHost::PumpPending() {
    MSG msg;
    while (!quitSeen_ && PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!app_->PumpMessage()) quitSeen_ = true;
    }
    return !quitSeen_;
}

int ProgramHost::Stop() {
    // Whatever InitInstance left (a program object, OLE, a main window or none) is undone, so that a
    // later program of this process starts as the first did.
    if (stopped_ || !initialised_) return 0;
    stopped_ = true;
    auto runUntilQuit = [&] {
        const DWORD start = GetTickCount();
        while (!quitSeen_ && GetTickCount() - start < 5000) {
            PumpPending();
            if (!quitSeen_) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    };
    if (main_ && IsWindow(main_)) {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        runUntilQuit();
        if (IsWindow(main_)) {
            DestroyWindow(main_);
            runUntilQuit();
        }
    }
    const int result = app_->ExitInstance();
    // A quit message left for a later program of this process would end it at once.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    if (g_current == this) g_current = nullptr;
    return result;
}

}  // namespace qeltest
