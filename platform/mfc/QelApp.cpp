#include "platform/mfc/QelApp.h"

#include <ole2.h>

namespace {
CWinThread* g_thread = nullptr;
CWinApp* g_app = nullptr;
bool g_oleInitialised = false;
COleMessageFilter g_messageFilter;
bool g_filterRegistered = false;
}  // namespace

HRESULT COleMessageFilter::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
        *out = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

DWORD COleMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
    return busy ? busyReply : static_cast<DWORD>(SERVERCALL_ISHANDLED);
}

DWORD COleMessageFilter::RetryRejectedCall(HTASK, DWORD elapsed, DWORD) {
    // Without the busy dialog, keep retrying for a while and then cancel the call.
    return elapsed < retryTimeout ? 100 : static_cast<DWORD>(-1);
}

DWORD COleMessageFilter::MessagePending(HTASK, DWORD elapsed, DWORD) {
    return (messagePendingDelay != 0xFFFFFFFF && elapsed > messagePendingDelay) ? PENDINGMSG_WAITDEFPROCESS
                                                                                 : PENDINGMSG_WAITNOPROCESS;
}

COleMessageFilter* AfxOleGetMessageFilter() { return g_filterRegistered ? &g_messageFilter : nullptr; }

CWinApp* AfxGetApp() { return g_app; }
CWinThread* AfxGetThread() { return g_thread; }

CWinThread::CWinThread() {
    if (!g_thread) g_thread = this;
    m_nThreadID = GetCurrentThreadId();
}

CWinThread::~CWinThread() {
    if (g_thread == this) g_thread = nullptr;
}

BOOL CWinThread::InitInstance() { return FALSE; }

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
    HWND stop = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return WalkPreTranslateTree(stop, msg);
}

BOOL CWinThread::OnIdle(LONG count) { return count < 1; }

int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

BOOL CWinThread::IsIdleMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE || msg->message == WM_NCMOUSEMOVE) {
        POINT pt = msg->pt;
        if (m_nMsgLast == msg->message && pt.x == m_ptCursorLast.x && pt.y == m_ptCursorLast.y) return FALSE;
        m_ptCursorLast = pt;
        m_nMsgLast = msg->message;
        return TRUE;
    }
    return msg->message != WM_PAINT && msg->message != 0x0118 /* WM_SYSTIMER: caret blink */;
}

BOOL CWinThread::PumpMessage() {
    if (!GetMessageW(&m_msgCur, nullptr, 0, 0)) return FALSE;
    if (!PreTranslateMessage(&m_msgCur)) {
        TranslateMessage(&m_msgCur);
        DispatchMessageW(&m_msgCur);
    }
    return TRUE;
}

int CWinThread::Run() {
    BOOL idle = TRUE;
    LONG idleCount = 0;
    for (;;) {
        MSG peek;
        while (idle && !PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = FALSE;
        }
        do {
            if (!PumpMessage()) return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                idle = TRUE;
                idleCount = 0;
            }
        } while (PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

CWinApp::CWinApp(const wchar_t* appName) : m_pszAppName(appName) {
    if (!g_app) g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

BOOL CWinApp::OnIdle(LONG count) {
    // Count 0: the application's own idle work (none here beyond freeing temporary objects); later
    // counts have nothing left to do.
    return count < 1;
}

int CWinApp::ExitInstance() {
    if (g_oleInitialised) {
        if (g_filterRegistered) {
            IMessageFilter* previous = nullptr;
            CoRegisterMessageFilter(nullptr, &previous);
            g_filterRegistered = false;
        }
        g_oleInitialised = false;
        OleUninitialize();
    }
    return m_nExitCode ? m_nExitCode : static_cast<int>(m_msgCur.wParam);
}

BOOL AfxOleInit() {
    if (g_oleInitialised) return TRUE;
    if (FAILED(OleInitialize(nullptr))) return FALSE;
    g_oleInitialised = true;
    IMessageFilter* previous = nullptr;
    if (SUCCEEDED(CoRegisterMessageFilter(&g_messageFilter, &previous))) g_filterRegistered = true;
    if (previous) previous->Release();
    return TRUE;
}

void AfxEnableControlContainer() {}

void AfxOnWindowDestroyed(HWND hwnd) {
    CWinThread* thread = AfxGetThread();
    if (thread && thread->m_pMainWnd && thread->m_pMainWnd->m_hWnd == hwnd) {
        thread->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
}

int AfxWinMain(HINSTANCE instance, HINSTANCE, wchar_t* commandLine, int showCommand) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = commandLine;
    app->m_nCmdShow = showCommand;
    if (!app->InitInstance()) {
        int code = app->ExitInstance();
        return code;
    }
    return app->Run();
}
