#include "platform/mfc/QelDialog.h"

#include "platform/mfc/QelApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

// The dialog object waiting for its window and the hook that attaches it.
thread_local CDialog* t_dialogInit = nullptr;
thread_local HHOOK t_dialogHook = nullptr;

LRESULT CALLBACK DialogCbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_dialogInit) {
        // The first window created by CreateDialogIndirectParamW is the dialog itself.
        CDialog* dialog = t_dialogInit;
        t_dialogInit = nullptr;
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        if (dialog->Attach(hwnd)) {
            dialog->m_pfnSuper = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&QelWndProc)));
        }
    }
    return CallNextHookEx(t_dialogHook, code, wParam, lParam);
}

// Every message reaches the dialog object through its subclassed window procedure first; the dialog
// procedure has nothing left to do.
INT_PTR CALLBACK EmptyDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

bool IsKeyboardMessage(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

}  // namespace

void MakeEmptyDialogTemplate(CEmptyDialogTemplate& out, DWORD style, DWORD exStyle) {
    out = CEmptyDialogTemplate{};
    out.header.style = style;
    out.header.dwExtendedStyle = exStyle;
}

CDialog::~CDialog() = default;

BOOL CDialog::InitModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner) {
    if (!dialogTemplate || m_running) return FALSE;
    m_lpDialogTemplate = dialogTemplate;
    m_hWndOwner = owner;
    return TRUE;
}

BOOL CDialog::CreateIndirect(HWND owner) {
    t_dialogHook = SetWindowsHookExW(WH_CBT, &DialogCbtHook, nullptr, GetCurrentThreadId());
    if (!t_dialogHook) return FALSE;
    CDialog* previous = t_dialogInit;
    t_dialogInit = this;
    HWND hwnd = CreateDialogIndirectParamW(AfxGetInstanceHandle(), m_lpDialogTemplate, owner, &EmptyDialogProc,
                                           reinterpret_cast<LPARAM>(this));
    t_dialogInit = previous;
    UnhookWindowsHookEx(t_dialogHook);
    t_dialogHook = nullptr;
    return AdoptCreatedWindow(hwnd);
}

INT_PTR CDialog::DoModal() {
    if (!m_lpDialogTemplate || m_running || m_hWnd) return -1;
    m_running = true;
    HWND owner = (m_hWndOwner && IsWindow(m_hWndOwner)) ? m_hWndOwner : nullptr;
    // A popup is owned by the top-level window above its owner; that is the window to disable.
    HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (top == GetDesktopWindow()) top = nullptr;
    bool disabledOwner = false;
    if (top && ::IsWindowEnabled(top)) {
        EnableWindow(top, FALSE);
        disabledOwner = true;
    }
    m_nModalResult = -1;
    m_continueModal = true;
    const BOOL created = CreateIndirect(owner);
    if (created && m_continueModal) RunModalLoop();
    m_continueModal = false;
    if (disabledOwner && IsWindow(top)) EnableWindow(top, TRUE);
    if (m_hWnd) {
        if (top && GetActiveWindow() == m_hWnd) SetActiveWindow(top);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        DestroyWindow();
    }
    m_running = false;
    return created ? m_nModalResult : -1;
}

void CDialog::RunModalLoop() {
    MSG msg;
    while (m_continueModal && m_hWnd && IsWindow(m_hWnd)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (!got) {
            // WM_QUIT belongs to the loop outside: end this one and hand it on.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = -1;
            break;
        }
        CWinThread* thread = AfxGetThread();
        const BOOL handled = thread ? thread->PreTranslateMessage(&msg) : WalkPreTranslateTree(m_hWnd, &msg);
        if (!handled) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    m_continueModal = false;
    // Wake the loop, which may be waiting for a message.
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (!m_hWnd || !IsKeyboardMessage(msg->message)) return FALSE;
    if (msg->hwnd != m_hWnd && !IsChild(m_hWnd, msg->hwnd)) return FALSE;
    return IsDialogMessageW(m_hWnd, msg);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_INITDIALOG) {
        *result = OnInitDialog();
        return TRUE;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, result);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    // BN_CLICKED and menu items carry code 0, accelerators code 1 without a control.
    const WORD code = HIWORD(wParam);
    if (code != 0 && !(code == 1 && lParam == 0)) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}
