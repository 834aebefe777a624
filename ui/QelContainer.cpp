#include "ui/QelContainer.h"

#include "ui/QelBackground.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// ---- container base ------------------------------------------------------------------------------------

void CQelWinContainer::FillCreateParams(CQelCreateRecord& record) {
    CQelWinControl::FillCreateParams(record);
    record.exStyle |= WS_EX_CONTROLPARENT;
}

void CQelWinContainer::AdjustCreateSize(CQelCreateRecord& record) {
    if (record.width != static_cast<int32_t>(CW_USEDEFAULT) && record.height != static_cast<int32_t>(CW_USEDEFAULT)) return;
    const int32_t designWidth = GetDesignWidth();
    const int32_t designHeight = GetDesignHeight();
    RECT rc{0, 0, designWidth, designHeight};
    if (designWidth > 0 && designHeight > 0 &&
        AdjustWindowRectEx(&rc, record.style, RecordHasMenuBar(record), record.exStyle)) {
        record.width = rc.right - rc.left;
        record.height = rc.bottom - rc.top;
    } else {
        record.width = 0;
        record.height = 0;
    }
}

int32_t CQelWinContainer::GetDesignWidth() const { return 0; }
int32_t CQelWinContainer::GetDesignHeight() const { return 0; }
void CQelWinContainer::CreateComponents() {}

// ---- container window ----------------------------------------------------------------------------------

int CQWnd_Container::OnCreate(CREATESTRUCTW* cs) {
    const int result = CWnd::OnCreate(cs);
    if (result == -1) return -1;
    if (listener) listener->OnCreated();
    return result;
}

void CQWnd_Container::OnDestroy() {
    if (listener) listener->OnDestroyed();
    CWnd::OnDestroy();
}

void CQWnd_Container::PostNcDestroy() {
    if (listener) listener->OnAfterDestroy();
}

void CQWnd_Container::OnSize(UINT type, int cx, int cy) {
    CWnd::OnSize(type, cx, cy);
    if (listener) listener->OnResized();
}

void CQWnd_Container::OnShowWindow(BOOL show, UINT status) {
    CWnd::OnShowWindow(show, status);
    if (listener) listener->OnShowChanged(show != FALSE);
}

void CQWnd_Container::OnMove(int x, int y) {
    CWnd::OnMove(x, y);
    if (listener) listener->OnMoved();
}

void CQWnd_Container::OnPaint() {
    CPaintDC dc(this);
    if (!dc.m_hDC) return;
    RECT client, area;
    if (!GetPaintArea(dc, m_hWnd, client, area)) return;
    PaintBackgroundArea(dc, pictureMode, picture.GetSafeHandle(), ResolveColor(backgroundColor, COLOR_BTNFACE), client,
                        area);
}

UINT CQWnd_Container::OnGetDlgCode() { return DLGC_STATIC; }

namespace {

HWND SearchKeyWindow(HWND parent, HWND* firstTabStop) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LRESULT code = SendMessageW(child, WM_GETDLGCODE, 0, 0);
        if (code & (DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS)) return child;
        if (!*firstTabStop && (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP)) *firstTabStop = child;
        if (IsWindowVisible(child) && IsWindowEnabled(child)) {
            if (HWND found = SearchKeyWindow(child, firstTabStop)) return found;
        }
    }
    return nullptr;
}

}  // namespace

HWND FindContainerFocusTarget(HWND container) {
    if (IsWindowVisible(container) && IsWindowEnabled(container)) {
        HWND firstTabStop = nullptr;
        if (HWND wanting = SearchKeyWindow(container, &firstTabStop)) return wanting;
        if (firstTabStop) return firstTabStop;
    }
    return GetWindow(container, GW_CHILD);
}

void CQWnd_Container::OnSetFocus(HWND oldFocus) {
    CWnd::OnSetFocus(oldFocus);
    if (!m_hWnd) return;
    if (HWND target = FindContainerFocusTarget(m_hWnd)) ::SetFocus(target);
}

// ---- layout manager ------------------------------------------------------------------------------------

rg_ZuJianBuJuQi::rg_ZuJianBuJuQi() { MakeWindowData(new CQWnd_Container, kDefaultControlStyle); }

rg_ZuJianBuJuQi::rg_ZuJianBuJuQi(const rg_ZuJianBuJuQi& other) : CQelWinContainer(other) {}

rg_ZuJianBuJuQi& rg_ZuJianBuJuQi::operator=(const rg_ZuJianBuJuQi& other) {
    CQelWinContainer::operator=(other);
    return *this;
}

rg_ZuJianBuJuQi::~rg_ZuJianBuJuQi() { DetachListener(); }

void rg_ZuJianBuJuQi::ResetFields() {
    CQelWinContainer::ResetFields();
    MakeWindowData(new CQWnd_Container, kDefaultControlStyle);
}

void rg_ZuJianBuJuQi::FillCreateParams(CQelCreateRecord& record) {
    CQelWinContainer::FillCreateParams(record);
    if (!HasListener()) AttachListener();
}

bool rg_ZuJianBuJuQi::Create(CQelCreateRecord& record) {
    if (HasNativeWindow()) return false;
    FillCreateParams(record);
    AdjustCreateSize(record);
    record.style &= ~static_cast<uint32_t>(WS_TABSTOP);
    RegisterFrameworkClass(L"QelContainer");
    CWnd* window = GetWindowObject();
    if (!CreateNativeWindow(window, L"QelContainer", record, record.style)) return false;
    // Handlers of the created event may have destroyed the window or the control's data.
    if (HasNativeWindow()) AfterCreate(GetWindowObject(), record);
    return true;
}

void rg_ZuJianBuJuQi::AttachListener() { AttachListenerTo(GetContainerWnd(), static_cast<IContainerEventListener*>(this)); }

void rg_ZuJianBuJuQi::DetachListener() { DetachListenerFrom(GetContainerWnd(), static_cast<IContainerEventListener*>(this)); }

bool rg_ZuJianBuJuQi::HasListener() const { return WindowHasListener(GetContainerWnd()); }

void rg_ZuJianBuJuQi::OnCreated() {
    CreateComponents();
    created.Raise(this, nullptr);
}

void rg_ZuJianBuJuQi::OnDestroyed() { destroyed.Raise(this, nullptr); }
void rg_ZuJianBuJuQi::OnAfterDestroy() { afterDestroy.Raise(this, nullptr); }
void rg_ZuJianBuJuQi::OnResized() { resized.Raise(this, nullptr); }
void rg_ZuJianBuJuQi::OnShowChanged(bool isShown) { (isShown ? shown : hidden).Raise(this, nullptr); }
void rg_ZuJianBuJuQi::OnMoved() { moved.Raise(this, nullptr); }

}  // namespace rg_Zarno_MFCJieMian_JiBen
