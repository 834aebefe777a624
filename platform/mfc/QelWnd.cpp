#include "platform/mfc/QelWnd.h"

#include <commctrl.h>

#include <unordered_map>

#include "platform/mfc/QelApp.h"

const CRuntimeClass CCmdTarget::classInfoCCmdTarget = {"CCmdTarget", nullptr};
IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass) {
        if (c == base) return true;
    }
    return false;
}

namespace {

std::unordered_map<HWND, CWnd*>& HandleMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// The message a window object is processing, for Default(); frames nest with sent messages.
struct MessageFrame {
    CWnd* wnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    MessageFrame* previous;
};
thread_local MessageFrame* t_frame = nullptr;

// Creation state: the object waiting for its window, the CBT hook and how many creations are running.
thread_local CWnd* t_wndInit = nullptr;
thread_local HHOOK t_cbtHook = nullptr;
thread_local int t_createDepth = 0;

bool IsCtlColorMessage(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

BOOL ModifyStyleBits(HWND hwnd, int index, DWORD remove, DWORD add, UINT flags) {
    if (!hwnd) return FALSE;
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, index));
    const DWORD changed = (style & ~remove) | add;
    if (style == changed) return FALSE;
    SetWindowLongW(hwnd, index, static_cast<LONG>(changed));
    if (flags) {
        ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    }
    return TRUE;
}

}  // namespace

HINSTANCE AfxGetInstanceHandle() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_hInstance) return app->m_hInstance;
    return GetModuleHandleW(nullptr);
}

BOOL AfxRegisterClass(WNDCLASSW* wc) {
    WNDCLASSW existing{};
    if (GetClassInfoW(wc->hInstance, wc->lpszClassName, &existing)) return TRUE;
    return RegisterClassW(wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// ---- the window procedure and the creation hook ------------------------------------------------------

LRESULT CALLBACK QelWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd) return DefWindowProcW(hwnd, message, wParam, lParam);
    MessageFrame frame{wnd, message, wParam, lParam, t_frame};
    t_frame = &frame;
    LRESULT result;
    {
        CWnd::KeepAlive keep(wnd);
        result = wnd->WindowProc(message, wParam, lParam);
    }
    t_frame = frame.previous;
    return result;
}

LRESULT CALLBACK QelCbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_wndInit) {
        // The first window created after CreateEx armed the hook is the object's own window: attach
        // and subclass it before it receives any message.
        CWnd* wnd = t_wndInit;
        t_wndInit = nullptr;
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        if (wnd->Attach(hwnd)) {
            wnd->m_pfnSuper = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&QelWndProc)));
        }
    }
    return CallNextHookEx(t_cbtHook, code, wParam, lParam);
}

// ---- CWnd ----------------------------------------------------------------------------------------------

CWnd::~CWnd() {
    if (m_hWnd) {
        // The derived parts of the object are gone: unhook first so that the destruction messages go
        // to the window's own procedure only.
        HWND hwnd = m_hWnd;
        const bool live = IsWindow(hwnd);
        if (live) AfxOnWindowDestroyed(hwnd);
        Detach();
        if (live) ::DestroyWindow(hwnd);
    }
    // Frames of messages still running for this object must not reach it any more.
    for (MessageFrame* f = t_frame; f; f = f->previous) {
        if (f->wnd == this) f->wnd = nullptr;
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto& map = HandleMap();
    auto it = map.find(hwnd);
    return it == map.end() ? nullptr : it->second;
}

BOOL CWnd::Attach(HWND hwnd) {
    if (!hwnd || m_hWnd) return FALSE;
    auto& map = HandleMap();
    auto it = map.find(hwnd);
    if (it != map.end() && it->second != this) return FALSE;
    m_hWnd = hwnd;
    map[hwnd] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hwnd = m_hWnd;
    if (hwnd) {
        if (m_pfnSuper &&
            reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &QelWndProc) {
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        }
        auto& map = HandleMap();
        auto it = map.find(hwnd);
        if (it != map.end() && it->second == this) map.erase(it);
    }
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!IsWindow(hwnd) || !Attach(hwnd)) return FALSE;
    m_pfnSuper = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&QelWndProc)));
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, void* param) {
    if (m_hWnd) return FALSE;
    if (t_createDepth++ == 0) {
        t_cbtHook = SetWindowsHookExW(WH_CBT, &QelCbtHook, nullptr, GetCurrentThreadId());
    }
    if (!t_cbtHook) {
        --t_createDepth;
        return FALSE;
    }
    CWnd* previousInit = t_wndInit;
    t_wndInit = this;
    HWND hwnd = CreateWindowExW(exStyle, className, windowName ? windowName : L"", style, x, y, width, height, parent,
                                menuOrId, AfxGetInstanceHandle(), param);
    t_wndInit = previousInit;
    if (--t_createDepth == 0) {
        UnhookWindowsHookEx(t_cbtHook);
        t_cbtHook = nullptr;
    }
    return AdoptCreatedWindow(hwnd);
}

BOOL CWnd::AdoptCreatedWindow(HWND hwnd) {
    if (!hwnd) {
        if (m_hWnd && !IsWindow(m_hWnd)) Detach();
        return FALSE;
    }
    if (m_hWnd != hwnd) {
        if (m_hWnd) Detach();
        SubclassWindow(hwnd);
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    HWND hwnd = m_hWnd;
    KeepAlive keep(this);
    BOOL ok = ::DestroyWindow(hwnd);
    // A window destroyed by its own procedure's refusal to answer WM_NCDESTROY (not subclassed) is
    // detached here.
    if (ok && m_hWnd == hwnd && !IsWindow(hwnd)) {
        AfxOnWindowDestroyed(hwnd);
        Detach();
    }
    return ok;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd) return 0;
    if (m_pfnSuper) return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    for (MessageFrame* f = t_frame; f; f = f->previous) {
        if (f->wnd == this) return DefWindowProc(f->message, f->wParam, f->lParam);
    }
    return 0;
}

void CWnd::PostNcDestroy() {}

void CWnd::HandleNcDestroy() {
    Default();
    // The main window test compares handles: tell the thread before the handle is dropped.
    AfxOnWindowDestroyed(m_hWnd);
    Detach();
    PostNcDestroy();
}

BOOL CWnd::ReflectToChild(HWND hwndCtrl, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CWnd* child = FromHandlePermanent(hwndCtrl);
    if (!child) return FALSE;
    KeepAlive keep(child);
    return child->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const UINT reflected = IsCtlColorMessage(message) ? kReflectedCtlColor : kReflectBase + message;
    return OnReflect(reflected, wParam, lParam, result);
}

BOOL CWnd::OnReflect(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_CREATE:
        *result = OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    case WM_NCDESTROY:
        HandleNcDestroy();
        return TRUE;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_MOVE:
        OnMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return TRUE;
    case WM_SHOWWINDOW:
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_ERASEBKGND:
        *result = OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<HWND>(wParam));
        return TRUE;
    case WM_KILLFOCUS:
        OnKillFocus(reinterpret_cast<HWND>(wParam));
        return TRUE;
    case WM_GETDLGCODE:
        *result = OnGetDlgCode();
        return TRUE;
    case WM_MOUSEACTIVATE:
        *result = OnMouseActivate(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_SETFONT:
        OnSetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam));
        return TRUE;
    case WM_SETCURSOR:
        *result = OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_NOTIFY:
        return OnNotify(wParam, lParam, result);
    case WM_HSCROLL:
    case WM_VSCROLL:
        // Scroll bars and trackbars name themselves in lParam; window scroll bars do not.
        return lParam && ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result);
    default:
        break;
    }
    if (IsCtlColorMessage(message)) {
        return ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result);
    }
    if (message >= kReflectBase && message < kReflectBase + WM_USER) return OnReflect(message, wParam, lParam, result);
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (!lParam) return FALSE;
    LRESULT ignored = 0;
    return ReflectToChild(reinterpret_cast<HWND>(lParam), WM_COMMAND, wParam, lParam, &ignored);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return FALSE;
    return ReflectToChild(header->hwndFrom, WM_NOTIFY, wParam, lParam, result);
}

int CWnd::OnCreate(CREATESTRUCTW*) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
void CWnd::OnSetFocus(HWND) { Default(); }
void CWnd::OnKillFocus(HWND) { Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }
int CWnd::OnMouseActivate(HWND, UINT, UINT) { return static_cast<int>(Default()); }
void CWnd::OnSetFont(HFONT, BOOL) { Default(); }
BOOL CWnd::OnSetCursor(HWND, UINT, UINT) { return static_cast<BOOL>(Default()); }

void CWnd::DeleteSafely(CWnd* wnd) {
    if (!wnd) return;
    if (wnd->m_dispatchDepth > 0) {
        wnd->m_deletePending = true;
        return;
    }
    delete wnd;
}

CWnd::KeepAlive::KeepAlive(CWnd* wnd) : wnd_(wnd) {
    if (wnd_) ++wnd_->m_dispatchDepth;
}

CWnd::KeepAlive::~KeepAlive() {
    if (wnd_ && --wnd_->m_dispatchDepth == 0 && wnd_->m_deletePending) delete wnd_;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) { return ModifyStyleBits(m_hWnd, GWL_STYLE, remove, add, flags); }
BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
    return ModifyStyleBits(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}
DWORD CWnd::GetStyle() const { return m_hWnd ? static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_STYLE)) : 0; }
DWORD CWnd::GetExStyle() const { return m_hWnd ? static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_EXSTYLE)) : 0; }
CWnd* CWnd::GetParent() const { return m_hWnd ? FromHandlePermanent(::GetParent(m_hWnd)) : nullptr; }
LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_hWnd ? ::SendMessageW(m_hWnd, message, wParam, lParam) : 0;
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return m_hWnd ? ::PostMessageW(m_hWnd, message, wParam, lParam) : FALSE;
}
BOOL CWnd::ShowWindow(int command) const { return m_hWnd ? ::ShowWindow(m_hWnd, command) : FALSE; }
BOOL CWnd::IsWindowVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsWindowEnabled() const { return m_hWnd && ::IsWindowEnabled(m_hWnd); }
void CWnd::SetWindowText(const wchar_t* text) const {
    if (m_hWnd) ::SetWindowTextW(m_hWnd, text ? text : L"");
}
BOOL CWnd::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) const {
    return m_hWnd ? ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags) : FALSE;
}
void CWnd::GetWindowRect(RECT* rect) const {
    if (!m_hWnd || !::GetWindowRect(m_hWnd, rect)) SetRectEmpty(rect);
}
void CWnd::GetClientRect(RECT* rect) const {
    if (!m_hWnd || !::GetClientRect(m_hWnd, rect)) SetRectEmpty(rect);
}
void CWnd::Invalidate(BOOL erase) const {
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, erase);
}
HWND CWnd::SetFocus() const { return m_hWnd ? ::SetFocus(m_hWnd) : nullptr; }
int CWnd::GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(m_hWnd) : 0; }

BOOL WalkPreTranslateTree(HWND hwndStop, MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = GetParent(hwnd)) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hwnd)) {
            CWnd::KeepAlive keep(wnd);
            if (wnd->PreTranslateMessage(msg)) return TRUE;
        }
        if (hwnd == hwndStop) break;
    }
    return FALSE;
}

// ---- controls ------------------------------------------------------------------------------------------

namespace {
// The identifier of a child window travels in the menu argument; other windows take no identifier.
HMENU ChildId(DWORD style, UINT id) { return (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr; }
}  // namespace

BOOL CButton::Create(const wchar_t* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, L"BUTTON", caption, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                    parent ? parent->m_hWnd : nullptr, ChildId(style, id));
}

UINT CButton::GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    return CreateEx(0, TRACKBAR_CLASSW, L"", style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr, ChildId(style, id));
}

int CSliderCtrl::GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
void CSliderCtrl::SetPos(int pos) const { SendMessage(TBM_SETPOS, TRUE, pos); }
int CSliderCtrl::GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
int CSliderCtrl::GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
void CSliderCtrl::SetRange(int minimum, int maximum, BOOL redraw) const {
    SendMessage(TBM_SETRANGEMIN, FALSE, minimum);
    SendMessage(TBM_SETRANGEMAX, redraw, maximum);
}
int CSliderCtrl::GetLineSize() const { return static_cast<int>(SendMessage(TBM_GETLINESIZE)); }
int CSliderCtrl::GetPageSize() const { return static_cast<int>(SendMessage(TBM_GETPAGESIZE)); }
void CSliderCtrl::GetThumbRect(RECT* rect) const {
    SetRectEmpty(rect);
    SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(rect));
}

// ---- GDI owners ----------------------------------------------------------------------------------------

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    HGDIOBJ object = m_hObject;
    m_hObject = nullptr;
    return ::DeleteObject(object);
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (!object) return FALSE;
    DeleteObject();
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ object = m_hObject;
    m_hObject = nullptr;
    return object;
}

int CGdiObject::GetObject(int size, void* out) const { return m_hObject ? ::GetObjectW(m_hObject, size, out) : 0; }

BOOL CBitmap::CreateCompatibleBitmap(HDC dc, int width, int height) {
    return Attach(::CreateCompatibleBitmap(dc, width, height));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
BOOL CFont::CreateFontIndirect(const LOGFONTW* font) { return font && Attach(::CreateFontIndirectW(font)); }
BOOL CPen::CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }

CDC::~CDC() {
    if (owned_ && m_hDC) DeleteDC(m_hDC);
}

BOOL CDC::CreateCompatibleDC(HDC dc) {
    if (m_hDC) return FALSE;
    m_hDC = ::CreateCompatibleDC(dc);
    owned_ = m_hDC != nullptr;
    return owned_;
}

CPaintDC::CPaintDC(CWnd* wnd) : hwnd_(wnd ? wnd->m_hWnd : nullptr) {
    if (hwnd_) m_hDC = BeginPaint(hwnd_, &m_ps);
}

CPaintDC::~CPaintDC() {
    if (hwnd_) EndPaint(hwnd_, &m_ps);
    m_hDC = nullptr;
}

CClientDC::CClientDC(CWnd* wnd) : hwnd_(wnd ? wnd->m_hWnd : nullptr) {
    if (hwnd_) m_hDC = GetDC(hwnd_);
}

CClientDC::~CClientDC() {
    if (hwnd_ && m_hDC) ReleaseDC(hwnd_, m_hDC);
    m_hDC = nullptr;
}
