// Application and thread objects of the application class layer: the message loop with its idle
// loop, message pre-translation and the thread's main window.
#pragma once
#include <windows.h>
#include <objidl.h>

#include "platform/mfc/QelWnd.h"

class CWinThread : public CCmdTarget {
public:
    CWinThread();
    ~CWinThread() override;

    virtual BOOL InitInstance();
    // Runs the message loop until WM_QUIT; returns ExitInstance's result.
    virtual int Run();
    // Default: the message's window and its parents up to the main window get PreTranslateMessage.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Idle processing; count rises from 0 within one idle period. FALSE ends the period.
    virtual BOOL OnIdle(LONG count);
    virtual int ExitInstance();
    // Fetches and dispatches one message; FALSE on WM_QUIT.
    virtual BOOL PumpMessage();
    // Messages that do not start a new idle period (mouse moves that did not move, the caret blink).
    virtual BOOL IsIdleMessage(MSG* msg);

    CWnd* m_pMainWnd = nullptr;
    MSG m_msgCur{};
    DWORD m_nThreadID = 0;

private:
    POINT m_ptCursorLast{-1, -1};
    UINT m_nMsgLast = 0;
};

class CWinApp : public CWinThread {
public:
    explicit CWinApp(const wchar_t* appName = nullptr);
    ~CWinApp() override;

    BOOL InitInstance() override;
    BOOL OnIdle(LONG count) override;
    int ExitInstance() override;

    HINSTANCE m_hInstance = nullptr;
    wchar_t* m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    const wchar_t* m_pszAppName = nullptr;
    int m_nExitCode = 0;
};

// The application class with the feature-pack extras; only the smart-update flag matters here.
class CWinAppEx : public CWinApp {
public:
    explicit CWinAppEx(BOOL resourceSmartUpdate = FALSE) : m_bResourceSmartUpdate(resourceSmartUpdate) {}
    BOOL m_bResourceSmartUpdate;
};

// The thread's OLE message filter, registered by AfxOleInit: answers incoming calls while the program
// is busy and decides what an outgoing call does while the callee is busy or not responding.
class COleMessageFilter : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD elapsed, DWORD pendingType) override;

    void EnableBusyDialog(BOOL enable) { busyDialog = enable; }
    void SetBusyReply(DWORD reply) { busyReply = reply; }
    void EnableNotRespondingDialog(BOOL enable) { notRespondingDialog = enable; }
    void SetMessagePendingDelay(DWORD delay) { messagePendingDelay = delay; }

    BOOL busy = FALSE;
    BOOL busyDialog = TRUE;
    BOOL notRespondingDialog = TRUE;
    DWORD busyReply = SERVERCALL_RETRYLATER;
    DWORD messagePendingDelay = 5000;
    DWORD retryTimeout = 10000;
};

// The current thread's message filter, or null before AfxOleInit.
COleMessageFilter* AfxOleGetMessageFilter();

CWinApp* AfxGetApp();
CWinThread* AfxGetThread();

// Initialises OLE (OleInitialize); FALSE on failure.
BOOL AfxOleInit();
void AfxEnableControlContainer();

// The program's entry: InitInstance, then Run when it succeeded, else ExitInstance.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, wchar_t* commandLine, int showCommand);

// Called by window objects when a window is destroyed: clears the main window of the thread and ends
// the message loop when it was the main window.
void AfxOnWindowDestroyed(HWND hwnd);
