#include "ui/QelControl.h"

#include <cstring>

#include "ui/QelContainer.h"
#include "ui/QelMenu.h"
#include "runtime/RuntimeUtil.h"

namespace rg_Zarno_MFCJieMian_JiBen {

bool RecordHasMenuBar(const CQelCreateRecord& record) {
    return !record.parent && record.menu && record.menu->GetMenuBar() != nullptr;
}

// ---- window data ---------------------------------------------------------------------------------------

const RefClassRecord* CMfcWndObject::StaticRefRecord() {
    static const RefClassRecord record = MakeRefClassRecord("CMfcWndObject");
    return &record;
}

const RefClassRecord* CMfcWndObject::GetClassRecord() const { return StaticRefRecord(); }

CMfcWndObject::CMfcWndObject(CWnd* windowObject, uint32_t defaultStyle) : style(defaultStyle), window(windowObject) {}

CMfcWndObject::~CMfcWndObject() {
    if (font) {
        DeleteObject(font);
        font = nullptr;
    }
    CWnd* owned = window;
    window = nullptr;
    // The window object may be running one of its own messages (a handler released the last copy of
    // its control): it then goes away when that message returns.
    CWnd::DeleteSafely(owned);
}

void CMfcWndObject::OnFinalRelease() {
    if (HasNativeWindow()) window->DestroyWindow();
    if (windowDeletesItself) window = nullptr;
}

// ---- message hooks -------------------------------------------------------------------------------------

bool OfferPostedMessage(CWnd* wnd, IBaseEventListener* listener, MSG* msg) {
    if (!listener || !wnd->m_hWnd || msg->hwnd != wnd->m_hWnd) return false;
    if (msg->message == WM_SETCURSOR || msg->message == WM_SETFOCUS || msg->message == WM_KILLFOCUS) return false;
    const HWND hwnd = wnd->m_hWnd;
    CWnd::KeepAlive keep(wnd);
    const bool consumed = listener->OnWindowMessage(msg);
    return consumed || msg->hwnd != hwnd || wnd->m_hWnd != hwnd || !IsWindow(hwnd);
}

bool OfferSentMessage(CWnd* wnd, IBaseEventListener* listener, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!listener || !wnd->m_hWnd) return false;
    if (message != WM_SETCURSOR && message != WM_SETFOCUS && message != WM_KILLFOCUS) return false;
    const HWND hwnd = wnd->m_hWnd;
    MSG record{hwnd, message, wParam, lParam, 0, {0, 0}};
    CWnd::KeepAlive keep(wnd);
    const bool consumed = listener->OnWindowMessage(&record);
    return consumed || record.hwnd != hwnd || !IsWindow(hwnd);
}

void RegisterFrameworkClass(const wchar_t* name) {
    HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSW existing{};
    if (GetClassInfoW(instance, name, &existing)) return;
    WNDCLASSW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = name;
    AfxRegisterClass(&wc);
}

IQelFormWindow* FindParentFormWindow(CWnd* wnd) {
    for (CWnd* w = wnd; w; w = w->m_hWnd ? CWnd::FromHandlePermanent(::GetParent(w->m_hWnd)) : nullptr) {
        for (const CRuntimeClass* c = w->GetRuntimeClass(); c; c = c->m_pBaseClass) {
            if (std::strcmp(c->m_lpszClassName, "CQWnd_WinForm") == 0) return dynamic_cast<IQelFormWindow*>(w);
        }
    }
    return nullptr;
}

// ---- control base --------------------------------------------------------------------------------------

CQelWinControl::CQelWinControl(const CQelWinControl& other) : rg_CanKaoDuiXiangLei(other), auxText(other.auxText) {}

CQelWinControl& CQelWinControl::operator=(const CQelWinControl& other) {
    if (this != &other) {
        // The window object must not keep pointing at this control once it refers to another window.
        if (data != other.data) DetachListener();
        rg_CanKaoDuiXiangLei::operator=(other);
        auxText = other.auxText;
    }
    return *this;
}

CQelWinControl::~CQelWinControl() = default;

bool CQelWinControl::EqualFields(const CQelWinControl& other) const {
    return rg_CanKaoDuiXiangLei::EqualFields(other) && auxText.IsTextEqual(other.auxText);
}

void CQelWinControl::ResetFields() {
    rg_CanKaoDuiXiangLei::ResetFields();
    auxText.SetEmpty();
}

void CQelWinControl::MakeWindowData(CWnd* windowObject, uint32_t defaultStyle) {
    AttachData(new CMfcWndObject(windowObject, defaultStyle));
}

bool CQelWinControl::Create(CQelCreateRecord&) { return false; }

void CQelWinControl::FillCreateParams(CQelCreateRecord& record) {
    CMfcWndObject* wd = GetWndObject();
    if (wd) {
        const wchar_t* title = wd->text.GetText();
        record.title = title ? title : L"";
        record.style = wd->style;
        record.exStyle = wd->exStyle;
    } else if (!record.title) {
        record.title = L"";
    }
    if (record.parent && !(record.style & WS_POPUP)) {
        record.style |= WS_CHILD;
    } else {
        record.style &= ~static_cast<uint32_t>(WS_CHILD);
    }
    record.font = (wd && wd->font) ? wd->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void CQelWinControl::AdjustCreateSize(CQelCreateRecord&) {}

void CQelWinControl::AfterCreate(CWnd* windowObject, CQelCreateRecord& record) {
    if (!windowObject || !windowObject->m_hWnd) return;
    if (record.font) windowObject->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(record.font), TRUE);
    if (!windowObject->m_hWnd) return;
    if (!(record.style & WS_TABSTOP)) {
        const LRESULT code = windowObject->SendMessage(WM_GETDLGCODE);
        if (code & (DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS)) {
            windowObject->ModifyStyle(0, WS_TABSTOP, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (!(record.style & WS_BORDER) && (windowObject->GetStyle() & WS_BORDER)) {
        windowObject->ModifyStyle(WS_BORDER, 0,
                                  SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

namespace {

int32_t MouseModifiers(WPARAM keyState) {
    int32_t mods = 0;
    if (keyState & MK_CONTROL) mods |= 0x2000;
    if (keyState & MK_SHIFT) mods |= 0x8000;
    if (GetKeyState(VK_MENU) < 0) mods |= 0x4000;
    return mods;
}

}  // namespace

bool CQelWinControl::PreDispatchMessage(MSG* msg) {
    int32_t result = 0;
    if (anyMessage.Raise(this, &result, msg->hwnd, msg->message, msg->wParam, msg->lParam, msg) && result != 0) {
        return true;
    }
    const CQelMouseEventSlot* mouseSlot = nullptr;
    switch (msg->message) {
    case WM_LBUTTONDOWN:
        mouseSlot = &leftButtonDown;
        break;
    case WM_LBUTTONUP:
        mouseSlot = &leftButtonUp;
        break;
    case WM_LBUTTONDBLCLK:
        mouseSlot = &leftDoubleClick;
        break;
    case WM_RBUTTONDOWN:
        mouseSlot = &rightButtonDown;
        break;
    case WM_RBUTTONUP:
        mouseSlot = &rightButtonUp;
        break;
    case WM_MOUSEMOVE:
        mouseSlot = &mouseMove;
        break;
    case WM_MOUSEWHEEL: {
        const int32_t notches = static_cast<int16_t>(HIWORD(msg->wParam)) / 120;
        return mouseWheel.Raise(this, &result, notches, MouseModifiers(msg->wParam)) && result != 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const int64_t key = NormalizeKey(static_cast<uint32_t>(msg->wParam & 0xFF));
        const int32_t code = static_cast<int32_t>(key & ~static_cast<int64_t>(0xE000));
        const int32_t mods = static_cast<int32_t>(key & 0xE000);
        const bool down = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
        return (down ? keyDown : keyUp).Raise(this, &result, code, mods) && result != 0;
    }
    case WM_SETFOCUS:
        return gotFocus.Raise(this, &result) && result != 0;
    case WM_KILLFOCUS:
        return lostFocus.Raise(this, &result) && result != 0;
    case WM_CHAR: {
        if (!character.Raise(this, &result, static_cast<wchar_t>(LOWORD(msg->wParam)))) return false;
        if (result < 0) return true;
        if (result > 0) msg->wParam = static_cast<WPARAM>(static_cast<intptr_t>(result));
        return false;
    }
    case WM_SETCURSOR: {
        CMfcWndObject* wd = GetWndObject();
        if (wd && wd->cursor) {
            ::SetCursor(wd->cursor);
            return true;
        }
        return false;
    }
    default:
        return false;
    }
    const int32_t x = LOWORD(msg->lParam);
    const int32_t y = HIWORD(msg->lParam);
    return mouseSlot->Raise(this, &result, x, y, MouseModifiers(msg->wParam)) && result != 0;
}

void CQelWinControl::AttachListener() {}
void CQelWinControl::DetachListener() {}
bool CQelWinControl::HasListener() const { return false; }

// ---- properties ----------------------------------------------------------------------------------------

void CQelWinControl::SetText(const wchar_t* text) {
    CMfcWndObject* wd = GetWndObject();
    if (!wd) return;
    if (!text) text = L"";
    if (wd->HasNativeWindow()) {
        HWND hwnd = wd->window->m_hWnd;
        SetWindowTextW(hwnd, text);
        if (!IsKindOf(rg_ZuJianBuJuQi::StaticRecord()) && IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
    } else {
        wd->text.SetEmpty();
        wd->text.Append(text);
    }
}

void CQelWinControl::GetText(CWString& text) const {
    text.SetEmpty();
    CMfcWndObject* wd = GetWndObject();
    if (!wd) return;
    if (wd->HasNativeWindow()) {
        HWND hwnd = wd->window->m_hWnd;
        const int length = GetWindowTextLengthW(hwnd);
        if (length <= 0) return;
        CQelMem buffer;
        wchar_t* chars = reinterpret_cast<wchar_t*>(buffer.SetSize((static_cast<int64_t>(length) + 1) * 2));
        const int got = GetWindowTextW(hwnd, chars, length + 1);
        text.SetChars(chars, got);
    } else {
        text.Append(wd->text.GetText());
    }
}

void CQelWinControl::SetWidth(int32_t width) {
    if (!HasNativeWindow()) return;
    CWnd* w = GetWindowObject();
    RECT rc;
    w->GetWindowRect(&rc);
    w->SetWindowPos(nullptr, 0, 0, width, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQelWinControl::SetHeight(int32_t height) {
    if (!HasNativeWindow()) return;
    CWnd* w = GetWindowObject();
    RECT rc;
    w->GetWindowRect(&rc);
    w->SetWindowPos(nullptr, 0, 0, rc.right - rc.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQelWinControl::Hide() {
    CMfcWndObject* wd = GetWndObject();
    if (!wd) return;
    if (wd->HasNativeWindow()) {
        wd->window->ShowWindow(SW_HIDE);
    } else {
        wd->style &= ~static_cast<uint32_t>(WS_VISIBLE);
    }
}

void CQelWinControl::SetFont(HFONT font) {
    CMfcWndObject* wd = GetWndObject();
    if (!wd || font == wd->font) return;
    if (wd->font) DeleteObject(wd->font);
    wd->font = font;
}

bool CQelWinControl::CreateNativeWindow(CWnd* windowObject, const wchar_t* className, const CQelCreateRecord& record,
                                        uint32_t style) {
    if (!windowObject) return false;
    HWND parent = record.parent ? record.parent->m_hWnd : nullptr;
    // The identifier travels in the menu argument, which only a child window reads as an identifier.
    HMENU id = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(record.id)) : nullptr;
    return windowObject->CreateEx(record.exStyle, className, record.title, style, record.x, record.y, record.width,
                                  record.height, parent, id) != FALSE;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
