#include "ui/QelForm.h"

#include <shellapi.h>

#include <cwchar>

#include "runtime/AppInstance.h"
#include "ui/QelCommonDialog.h"
#include "ui/QelModalHost.h"
#include "runtime/RuntimeUtil.h"

namespace rg_Zarno_MFCJieMian_JiBen {

const wchar_t kDefaultFormTitle[] = L"Ferovel V1.3  Osk";
const wchar_t kDefaultFormClassName[] = L"QelWinForm";

IMPLEMENT_DYNAMIC(CQWnd_OcxControl, CWnd)
IMPLEMENT_DYNAMIC(CQWnd_WinForm, CWnd)

namespace {

constexpr uint32_t kWsCaptionBits = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;  // 0xCB0000
constexpr UINT kFrameChangeFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
constexpr uint32_t kBorderExStyles = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE;  // 0x281
constexpr uint32_t kBorderStyles = WS_THICKFRAME | WS_DLGFRAME;                                 // 0x440000
constexpr LRESULT kHasDefId = 0x534B;  // DC_HASDEFID
constexpr int64_t kMaxClassNameLength = 255;

// Set while an activation event of any form runs.
bool g_activationRunning = false;

HMODULE ProgramModule() { return GetAppInstance()->GetModuleHandleOp(); }

HICON ProgramIcon100() { return LoadIconW(ProgramModule(), MAKEINTRESOURCEW(100)); }

// Style and extended-style bits of a border style index (besides the caption bits).
void BorderStyleBits(int64_t index, uint32_t* style, uint32_t* exStyle) {
    *style = 0;
    *exStyle = 0;
    switch (index) {
    case 1:
        *style = WS_THICKFRAME;
        break;
    case 3:
        *style = WS_THICKFRAME;
        *exStyle = WS_EX_TOOLWINDOW;
        break;
    case 4:
        *exStyle = WS_EX_TOOLWINDOW;
        break;
    case 5:
        *style = WS_THICKFRAME;
        *exStyle = WS_EX_CLIENTEDGE;
        break;
    case 6:
        *exStyle = WS_EX_CLIENTEDGE;
        break;
    default:
        break;
    }
}

// The rectangle a form is centred on: the monitor of the window (nearest), else the primary screen.
RECT CentringRect(HWND window) {
    if (window) {
        HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (monitor && GetMonitorInfoW(monitor, &info)) return info.rcMonitor;
    }
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool ClassNameIs(HWND window, const wchar_t* name, bool ignoreCase) {
    wchar_t buffer[64] = {};
    if (!window || !GetClassNameW(window, buffer, 64)) return false;
    return ignoreCase ? _wcsicmp(buffer, name) == 0 : std::wcscmp(buffer, name) == 0;
}

// A path that starts with '\' or with a drive letter followed by ":\".
bool IsAbsolutePath(const wchar_t* path) {
    if (!path || !path[0]) return false;
    if (path[0] == L'\\') return true;
    const wchar_t c = path[0];
    const bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    return letter && path[1] == L':' && path[2] == L'\\';
}

// Depth-first search for a control id: children in Z order, descending only into visible and enabled
// windows.
HWND FindDescendantWithId(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id) return child;
        if (IsWindowVisible(child) && IsWindowEnabled(child)) {
            if (HWND found = FindDescendantWithId(child, id)) return found;
        }
    }
    return nullptr;
}

// The form window object that a help request for a window belongs to: the form window itself, or the
// form hosted by a dialog.
CQWnd_WinForm* FormOfHelpWindow(HWND window) {
    CWnd* wnd = CWnd::FromHandlePermanent(window);
    if (auto* form = dynamic_cast<CQWnd_WinForm*>(wnd)) return form;
    if (auto* host = dynamic_cast<CQelEnvelopeDialog*>(wnd)) return host->formWindow;
    return nullptr;
}

QelHelpMarkHook g_previousHelpMark = nullptr;

void FormHelpMark(HWND window, int used) {
    if (CQWnd_WinForm* form = FormOfHelpWindow(window)) form->helpUsed = used ? 1 : 0;
    if (g_previousHelpMark) g_previousHelpMark(window, used);
}

HMENU MenuBarOf(const CRefQelMenu* menu) { return menu ? menu->GetMenuBar() : nullptr; }

// Forms install the help-used mark of the help requests once.
void InstallFormHooks() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    g_previousHelpMark = SetHelpMarkHook(&FormHelpMark);
}

}  // namespace

bool IsFormActivationRunning() { return g_activationRunning; }

// ---- position limit information -------------------------------------------------------------------

rg_ChuangKouWeiZhiXianZhiXinXi& rg_ChuangKouWeiZhiXianZhiXinXi::operator=(const rg_ChuangKouWeiZhiXianZhiXinXi& other) {
    if (this != &other) {
        maxSize = other.maxSize;
        maxPosition = other.maxPosition;
        minTrackSize = other.minTrackSize;
        maxTrackSize = other.maxTrackSize;
    }
    return *this;
}

void rg_ChuangKouWeiZhiXianZhiXinXi::ReadFrom(const MINMAXINFO& info) {
    maxSize.width = info.ptMaxSize.x;
    maxSize.height = info.ptMaxSize.y;
    maxPosition.x = info.ptMaxPosition.x;
    maxPosition.y = info.ptMaxPosition.y;
    minTrackSize.width = info.ptMinTrackSize.x;
    minTrackSize.height = info.ptMinTrackSize.y;
    maxTrackSize.width = info.ptMaxTrackSize.x;
    maxTrackSize.height = info.ptMaxTrackSize.y;
}

void rg_ChuangKouWeiZhiXianZhiXinXi::WriteTo(MINMAXINFO& info) const {
    info.ptMaxSize = POINT{maxSize.width, maxSize.height};
    info.ptMaxPosition = POINT{maxPosition.x, maxPosition.y};
    info.ptMinTrackSize = POINT{minTrackSize.width, minTrackSize.height};
    info.ptMaxTrackSize = POINT{maxTrackSize.width, maxTrackSize.height};
}

void rg_ChuangKouWeiZhiXianZhiXinXi::ResetFields() {
    rg_KuoZhanDuiXiangLei::ResetFields();
    maxSize.width = maxSize.height = 0;
    maxPosition.x = maxPosition.y = 0;
    minTrackSize.width = minTrackSize.height = 0;
    maxTrackSize.width = maxTrackSize.height = 0;
}

// ---- form window object ---------------------------------------------------------------------------

CQWnd_WinForm::CQWnd_WinForm() : icon(ProgramIcon100()) { InstallFormHooks(); }

CQWnd_WinForm::~CQWnd_WinForm() {
    // Destroy a window that still lives while the whole object exists, so that its WM_DESTROY
    // processing (notification icon, help viewer, host dialog) runs.
    if (m_hWnd) DestroyWindow();
    if (notifyIcon) {
        DestroyIcon(notifyIcon);
        notifyIcon = nullptr;
    }
    TakeMenu(nullptr);
}

IWinFormEventListener* CQWnd_WinForm::FormListener() const {
    if (!formListener_ || listener != static_cast<IContainerEventListener*>(formListener_)) return nullptr;
    return formListener_;
}

void CQWnd_WinForm::SetFormListener(IWinFormEventListener* form) {
    formListener_ = form;
    listener = form;
}

void CQWnd_WinForm::TakeMenu(CRefQelMenu* newMenu) {
    if (newMenu == menu) return;
    if (newMenu) newMenu->AddRef();
    CRefQelMenu* old = menu;
    menu = newMenu;
    if (old) old->Release();
}

void CQWnd_WinForm::SendIcon() const {
    HWND frame = FrameWindow();
    if (!frame) return;
    ::SendMessageW(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

bool CQWnd_WinForm::CreateFormWindow(CQelCreateRecord& record) {
    HWND parent = record.parent ? record.parent->m_hWnd : nullptr;
    // A form hosted by a dialog keeps the menu the dialog shows, so that its accelerators work.
    const bool childForm = parent && !(record.style & WS_POPUP);
    HMENU menuOrId = nullptr;
    int x = record.x;
    int y = record.y;
    if (childForm) {
        if (!hostDialog) TakeMenu(nullptr);
        menuOrId = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(record.id));
    } else {
        TakeMenu(record.menu);
        menuOrId = MenuBarOf(menu);
        if (startState == 1) {
            const RECT area = parent ? CentringRect(parent) : CentringRect(nullptr);
            x = (area.right - record.width + area.left) / 2;
            y = (area.bottom - record.height + area.top) / 2;
        }
    }
    // Class names are atoms of at most 255 characters; a longer name cannot name a class (and the
    // system's class look-up is not safe with one).
    if (windowClassName.GetLength() > kMaxClassNameLength) return false;
    const wchar_t* className = windowClassName.GetLength() ? windowClassName.GetText() : kDefaultFormClassName;
    RegisterFrameworkClass(className);
    if (!CreateEx(record.exStyle, className, record.title, record.style, x, y, record.width, record.height, parent,
                  menuOrId)) {
        return false;
    }
    // Handlers run during creation may have destroyed the window again.
    if (!m_hWnd) return true;
    const HWND self = m_hWnd;
    UpdateCaptionBits();
    if (!icon) icon = ProgramIcon100();
    SendIcon();
    if (shape != 0) ApplyShape(shape);
    if (!IsWindow(self)) return true;
    ::SendMessageW(self, WM_SETFONT, reinterpret_cast<WPARAM>(record.font), TRUE);
    HWND frame = FrameWindow();
    if (topmost) ::SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    if (!movable) DeleteMenu(GetSystemMenu(frame, FALSE), SC_MOVE, MF_BYCOMMAND);
    if (startState < 0) startState = 0;
    if (startState > 3) startState = 3;
    if (IsWindow(frame) && ::IsWindowVisible(frame) && !(GetWindowLongW(frame, GWL_STYLE) & WS_CHILD)) {
        switch (startState) {
        case 1: {
            if (IsIconic(frame) || IsZoomed(frame)) ::ShowWindow(frame, SW_RESTORE);
            RECT window{};
            ::GetWindowRect(frame, &window);
            const RECT area = CentringRect(frame);
            const int newX = (window.left - window.right + area.right + area.left) / 2;
            const int newY = (window.top - window.bottom + area.bottom + area.top) / 2;
            if (newX != window.left || newY != window.top) {
                ::SetWindowPos(frame, nullptr, newX, newY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            break;
        }
        case 2:
            ::ShowWindow(frame, SW_MINIMIZE);
            break;
        case 3:
            ::ShowWindow(frame, SW_MAXIMIZE);
            break;
        default:
            ::ShowWindow(frame, SW_SHOWNORMAL);
            break;
        }
    }
    return true;
}

void CQWnd_WinForm::UpdateCaptionBits() {
    if (!m_hWnd) return;
    HWND frame = FrameWindow();
    if (!IsWindow(frame)) return;
    uint32_t bits = 0;
    if (borderStyle != 0) {
        if (caption) {
            bits = WS_CAPTION | WS_SYSMENU;
        } else {
            const int length = GetWindowTextLengthW(frame);
            bool titled = false;
            if (length > 0) {
                CQelMem buffer;
                wchar_t* text = reinterpret_cast<wchar_t*>(buffer.SetSize((static_cast<int64_t>(length) + 1) * 2));
                const int got = GetWindowTextW(frame, text, length + 1);
                text[got < 0 ? 0 : got] = L'\0';
                titled = got > 0 && std::wcscmp(text, kDefaultFormTitle) != 0;
            }
            bits = titled ? WS_CAPTION : 0;
        }
        bits |= WS_DLGFRAME;
    }
    if (maximizeBox) bits |= WS_MAXIMIZEBOX;
    if (minimizeBox) bits |= WS_MINIMIZEBOX;
    const uint32_t style = static_cast<uint32_t>(GetWindowLongW(frame, GWL_STYLE));
    const uint32_t current = style & kWsCaptionBits;
    if (current == bits) return;
    SetWindowLongW(frame, GWL_STYLE, static_cast<LONG>((style & ~current) | bits));
    ::SetWindowPos(frame, nullptr, 0, 0, 0, 0, kFrameChangeFlags);
}

void CQWnd_WinForm::ApplyShape(int64_t newShape) {
    if (newShape < 0) newShape = 0;
    if (newShape > 2) newShape = 2;
    shape = newShape;
    if (!m_hWnd) return;
    HWND frame = FrameWindow();
    RECT rc{};
    if (!::GetWindowRect(frame, &rc)) return;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    HRGN region = nullptr;
    if (shape == 1) {
        region = CreateEllipticRgn(0, 0, width, height);
    } else if (shape == 2) {
        const int diameter = width / 5 < height / 5 ? width / 5 : height / 5;
        region = CreateRoundRectRgn(0, 0, width, height, diameter, diameter);
    }
    // The system owns the region once SetWindowRgn took it; a refused region is ours to delete.
    if (!SetWindowRgn(frame, region, TRUE) && region) DeleteObject(region);
}

void CQWnd_WinForm::ApplyBorderStyle() {
    if (!m_hWnd) return;
    HWND frame = FrameWindow();
    uint32_t style = 0;
    uint32_t exStyle = 0;
    BorderStyleBits(borderStyle, &style, &exStyle);
    if (borderStyle != 0) style |= WS_DLGFRAME;
    const uint32_t oldEx = static_cast<uint32_t>(GetWindowLongW(frame, GWL_EXSTYLE));
    SetWindowLongW(frame, GWL_EXSTYLE, static_cast<LONG>((oldEx & ~kBorderExStyles) | exStyle));
    const uint32_t old = static_cast<uint32_t>(GetWindowLongW(frame, GWL_STYLE));
    SetWindowLongW(frame, GWL_STYLE, static_cast<LONG>((old & ~kBorderStyles) | style));
    ::SetWindowPos(frame, nullptr, 0, 0, 0, 0, kFrameChangeFlags);
    UpdateCaptionBits();
}

// ---- keyboard and mouse pre-processing ---------------------------------------------------------------

BOOL CQWnd_WinForm::PreTranslateMessage(MSG* msg) {
    if (!m_hWnd) return FALSE;
    const HWND self = m_hWnd;
    KeepAlive keep(this);
    // 1. The form's message filter.
    if (IWinFormEventListener* form = FormListener()) {
        const int32_t answer = form->OnFilterMessage(msg);
        if (answer == 0 || m_hWnd != self || !IsWindow(self)) return TRUE;
    }
    // 2. The form's own base events, as a container window offers them.
    if (OfferPostedMessage(this, listener, msg)) return TRUE;

    // 3. Esc.
    int64_t key = 0;
    if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) {
        key = NormalizeKey(static_cast<uint32_t>(msg->wParam & 0xFF));
    }
    if (key != 0) {
        if (!::IsWindowEnabled(msg->hwnd)) return FALSE;
        if (key == VK_ESCAPE && escCloses) {
            if (hostDialog) {
                ::PostMessageW(hostDialog, kHostDialogMessage, kHostEnd, static_cast<LPARAM>(-1));
            } else {
                ::PostMessageW(self, WM_CLOSE, 0, 0);
            }
            return TRUE;
        }
    }
    // 4. Moving the form by pressing on its client area or on a static child.
    if (dragByClientArea && msg->message == WM_LBUTTONDOWN) {
        if (msg->hwnd == self || (::SendMessageW(msg->hwnd, WM_GETDLGCODE, 0, 0) & DLGC_STATIC)) {
            ::PostMessageW(FrameWindow(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(msg->pt.x, msg->pt.y));
            return TRUE;
        }
    }
    // 5. Accelerators, Tab, Enter, arrows and F1.
    if (key != 0) {
        if (menu && menu->GetAcceleratorTable() && TranslateAccelerators(menu, self, msg)) return TRUE;
        if (!IsWindow(self)) return TRUE;
        int wish = -1;  // 0 Tab, 1 Enter, 2 arrows
        if (key == VK_TAB || key == (kKeyShift | VK_TAB)) {
            HWND focus = GetFocus();
            if (ClassNameIs(focus, L"Edit", false)) {
                if (HWND next = GetNextDlgTabItem(self, focus, key != VK_TAB)) ::SetFocus(next);
                return TRUE;
            }
            wish = 0;
        } else if (key == VK_RETURN) {
            wish = 1;
        } else if (key >= VK_LEFT && key <= VK_DOWN) {
            wish = 2;
        }
        if (wish >= 0) {
            for (HWND w = msg->hwnd; w && w != self; w = ::GetParent(w)) {
                auto* ocx = dynamic_cast<CQWnd_OcxControl*>(CWnd::FromHandlePermanent(w));
                if (!ocx) continue;
                const int64_t wants = wish == 0 ? ocx->wantsTab : wish == 1 ? ocx->wantsEnter : ocx->wantsArrows;
                if (wants) return CWnd::PreTranslateMessage(msg);
            }
        }
        if (key == VK_F1 && ShowHelp()) return TRUE;
    }
    // 6. Dialog-message processing.
    if (key == VK_RETURN) enterInProgress = 1;
    const BOOL handled = IsDialogMessageW(self, msg);
    enterInProgress = 0;
    return handled ? TRUE : FALSE;
}

bool CQWnd_WinForm::ShowHelp() {
    if (!helpFile.GetLength()) return false;
    const wchar_t* file = helpFile.GetText();
    CWString folder;
    CQelMem scratch;
    if (!IsAbsolutePath(file)) {
        if (!GetModuleDirectory(ProgramModule(), folder)) return false;
        file = CombinePath(folder.GetText(), file, scratch);
    }
    if (!file || !FileExists(file)) return false;
    helpUsed = 1;
    if (helpContext != 0) {
        WinHelpW(m_hWnd, file, HELP_CONTEXT, static_cast<ULONG_PTR>(helpContext));
    } else {
        WinHelpW(m_hWnd, file, HELP_FINDER, 0);
    }
    return true;
}

// ---- messages -----------------------------------------------------------------------------------------

BOOL CQWnd_WinForm::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) {
        if (IWinFormEventListener* form = FormListener()) {
            if (form->OnCommand(static_cast<int32_t>(LOWORD(wParam)))) return TRUE;
        }
        return CQWnd_Container::OnCommand(wParam, lParam);
    }
    HWND control = reinterpret_cast<HWND>(lParam);
    // While Enter is processed, only a default push button may be clicked.
    if (enterInProgress && ClassNameIs(control, L"BUTTON", true) &&
        (GetWindowLongW(control, GWL_STYLE) & 0xF) != BS_DEFPUSHBUTTON) {
        return TRUE;
    }
    return CQWnd_Container::OnCommand(wParam, lParam);
}

bool CQWnd_WinForm::CloseAllowed() {
    IWinFormEventListener* form = FormListener();
    if (!form) return true;
    const HWND self = m_hWnd;
    if (form->OnCloseRequest() || m_hWnd != self || !IsWindow(self)) return false;
    form = FormListener();
    if (!form) return true;
    if (form->OnQueryClose() || m_hWnd != self || !IsWindow(self)) return false;
    return true;
}

void CQWnd_WinForm::HandleActivate(UINT state) {
    if (!FormListener() || g_activationRunning) return;
    g_activationRunning = true;
    const HWND self = m_hWnd;
    if (state == WA_INACTIVE) {
        if (IWinFormEventListener* form = FormListener()) form->OnDeactivated();
    } else {
        bool alive = true;
        if (!activatedOnce) {
            activatedOnce = 1;
            if (IWinFormEventListener* form = FormListener()) form->OnFirstActivated();
            alive = m_hWnd == self && IsWindow(self);
        }
        if (alive) {
            if (IWinFormEventListener* form = FormListener()) form->OnActivated();
        }
    }
    g_activationRunning = false;
}

LRESULT CQWnd_WinForm::HandleGetDefId() {
    if (defaultButtonId != 0 && ::IsWindowVisible(m_hWnd) && ::IsWindowEnabled(m_hWnd)) {
        const int id = static_cast<int>(defaultButtonId);
        if (FindDescendantWithId(m_hWnd, id)) return (kHasDefId << 16) | (defaultButtonId & 0xFFFF);
    }
    return Default();
}

BOOL CQWnd_WinForm::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const HWND self = m_hWnd;
    switch (message) {
    case WM_QUERYENDSESSION: {
        LRESULT allowed = Default();
        if (allowed && !hostDialog) {
            if (IWinFormEventListener* form = FormListener()) allowed = form->OnQueryClose() ? FALSE : TRUE;
        }
        *result = allowed;
        return TRUE;
    }
    case WM_CLOSE:
        *result = 0;
        if (hostDialog || CloseAllowed()) *result = Default();
        return TRUE;
    case WM_SETTEXT:
        if (hostDialog) {
            ::SendMessageW(hostDialog, kHostDialogMessage, kHostSetTitle, lParam);
            *result = Default();
        } else {
            // The caption bits follow the new text.
            *result = Default();
            if (m_hWnd == self) UpdateCaptionBits();
        }
        return TRUE;
    case WM_ACTIVATE:
        *result = Default();
        if (m_hWnd == self) HandleActivate(LOWORD(wParam));
        return TRUE;
    case WM_NCACTIVATE:
        if (!hostDialog && !wParam && keepActiveLook) {
            *result = DefWindowProc(WM_NCACTIVATE, ::IsWindowEnabled(self), 0);
        } else {
            *result = Default();
        }
        return TRUE;
    case WM_MENUSELECT: {
        *result = Default();
        const UINT flags = HIWORD(wParam);
        const int32_t id = (flags == 0xFFFF || (flags & (MF_POPUP | MF_SEPARATOR))) ? 0 : LOWORD(wParam);
        if (IWinFormEventListener* form = FormListener()) form->OnMenuSelect(id);
        return TRUE;
    }
    case WM_GETMINMAXINFO:
        *result = Default();
        if (!hostDialog && lParam) {
            if (IWinFormEventListener* form = FormListener()) form->OnPositionLimits(reinterpret_cast<MINMAXINFO*>(lParam));
        }
        return TRUE;
    case kNotifyIconMessage: {
        int32_t code = 0;
        switch (static_cast<UINT>(lParam)) {
        case WM_LBUTTONUP:
            code = 1;
            break;
        case WM_LBUTTONDBLCLK:
            code = 2;
            break;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
            code = 3;
            break;
        default:
            break;
        }
        if (code) {
            if (IWinFormEventListener* form = FormListener()) form->OnNotifyIcon(code);
        }
        *result = 0;
        return TRUE;
    }
    case DM_GETDEFID:
        *result = HandleGetDefId();
        return TRUE;
    default:
        return CQWnd_Container::OnWndMsg(message, wParam, lParam, result);
    }
}

void CQWnd_WinForm::OnDestroy() {
    if (m_hWnd && notifyIcon) {
        NOTIFYICONDATAW data{};
        data.cbSize = 968;  // the structure up to its item GUID
        data.hWnd = m_hWnd;
        data.uID = kNotifyIconId;
        Shell_NotifyIconW(NIM_DELETE, &data);
        DestroyIcon(notifyIcon);
        notifyIcon = nullptr;
    }
    activatedOnce = 0;
    if (helpUsed) {
        WinHelpW(m_hWnd, nullptr, HELP_QUIT, 0);
        helpUsed = 0;
    }
    if (hostDialog) {
        ::PostMessageW(hostDialog, kHostDialogMessage, kHostFormDestroyed, 0);
    } else {
        // The built menu owns the menu bar: destroying the window must not destroy it.
        DetachMenuBar(menu, m_hWnd);
    }
    CQWnd_Container::OnDestroy();
}

void CQWnd_WinForm::OnSize(UINT type, int cx, int cy) {
    const HWND self = m_hWnd;
    CQWnd_Container::OnSize(type, cx, cy);
    if (shape != 0 && m_hWnd == self && IsWindow(self)) ApplyShape(shape);
}

void CQWnd_WinForm::OnShowWindow(BOOL show, UINT status) {
    if (hostDialog && status == 0) ::SendMessageW(hostDialog, kHostDialogMessage, kHostShow, show ? 1 : 0);
    CQWnd_Container::OnShowWindow(show, status);
}

// ---- form control ---------------------------------------------------------------------------------------

CQelWinForm::CQelWinForm() { MakeWindowData(new CQWnd_WinForm, kDefaultControlStyle); }

CQelWinForm::CQelWinForm(const CQelWinForm& other) : rg_ZuJianBuJuQi(other) {}

CQelWinForm& CQelWinForm::operator=(const CQelWinForm& other) {
    rg_ZuJianBuJuQi::operator=(other);
    return *this;
}

CQelWinForm::~CQelWinForm() { DetachListener(); }

void CQelWinForm::ResetFields() {
    CQelWinContainer::ResetFields();
    MakeWindowData(new CQWnd_WinForm, kDefaultControlStyle);
}

void CQelWinForm::AttachListener() {
    if (CQWnd_WinForm* w = GetFormWnd()) w->SetFormListener(this);
}

void CQelWinForm::DetachListener() {
    CQWnd_WinForm* w = GetFormWnd();
    if (!w) return;
    if (w->FormListener() == static_cast<IWinFormEventListener*>(this)) {
        w->SetFormListener(nullptr);
    } else {
        rg_ZuJianBuJuQi::DetachListener();
    }
}

bool CQelWinForm::HasListener() const {
    CQWnd_WinForm* w = GetFormWnd();
    return w && w->listener;
}

int32_t CQelWinForm::FilterFormMessage(HWND, uint32_t, WPARAM, LPARAM, MSG*) { return 1; }

void CQelWinForm::FillCreateParams(CQelCreateRecord& record) {
    CQelWinControl::FillCreateParams(record);
    record.exStyle |= WS_EX_CONTROLPARENT;
    if (!HasListener()) AttachListener();
    CQWnd_WinForm* w = GetFormWnd();
    if (!w) return;
    if ((!record.title || !record.title[0]) && w->caption) record.title = kDefaultFormTitle;
    record.style |= WS_CLIPCHILDREN;
    if (w->borderStyle != 0) {
        if ((record.title && record.title[0]) || w->caption) record.style |= WS_CAPTION;
        if (w->caption) record.style |= WS_BORDER | WS_SYSMENU;
        record.style |= WS_DLGFRAME;
    }
    uint32_t style = 0;
    uint32_t exStyle = 0;
    BorderStyleBits(w->borderStyle, &style, &exStyle);
    record.style |= style;
    record.exStyle |= exStyle;
    if (w->maximizeBox) record.style |= WS_MAXIMIZEBOX;
    if (w->minimizeBox) record.style |= WS_MINIMIZEBOX;
    if (w->startState == 2) record.style |= WS_MINIMIZE;
    if (w->startState == 3) record.style |= WS_MAXIMIZE;
}

void CQelWinForm::AdjustCreateSize(CQelCreateRecord& record) {
    const int32_t useDefault = static_cast<int32_t>(CW_USEDEFAULT);
    if (record.width == useDefault || record.height == useDefault) {
        const int32_t designWidth = GetDesignWidth();
        const int32_t designHeight = GetDesignHeight();
        RECT rc{0, 0, designWidth, designHeight};
        if (designWidth < 1 || designHeight < 1 ||
            !AdjustWindowRectEx(&rc, record.style, RecordHasMenuBar(record), record.exStyle)) {
            record.width = 0;
            record.height = 0;
        } else {
            record.width = rc.right - rc.left;
            record.height = rc.bottom - rc.top;
        }
    }
    if (record.x == useDefault || record.y == useDefault) {
        const bool child = (record.style & WS_CHILD) != 0;
        if (record.x == useDefault) record.x = child ? 0 : (GetSystemMetrics(SM_CXSCREEN) - record.width) / 2;
        if (record.y == useDefault) record.y = child ? 0 : (GetSystemMetrics(SM_CYSCREEN) - record.height) / 2;
    }
}

bool CQelWinForm::Create(CQelCreateRecord& record) {
    if (HasNativeWindow()) return false;
    CQWnd_WinForm* w = GetFormWnd();
    if (!w) return false;
    FillCreateParams(record);
    AdjustCreateSize(record);
    w->hostDialog = nullptr;
    if (record.modal) return RunModal(w, record);
    if (!w->CreateFormWindow(record)) return false;
    if (HasNativeWindow()) AfterCreate(GetWindowObject(), record);
    return true;
}

// ---- properties ---------------------------------------------------------------------------------------

void CQelWinForm::SetBorderStyle(int64_t style) {
    CQWnd_WinForm* w = GetFormWnd();
    if (!w) return;
    w->borderStyle = style;
    if (w->m_hWnd) w->ApplyBorderStyle();
}

int64_t CQelWinForm::GetBorderStyle() const {
    CQWnd_WinForm* w = GetFormWnd();
    return w ? w->borderStyle : 0;
}

void CQelWinForm::SetMaximizeBox(bool on) {
    CQWnd_WinForm* w = GetFormWnd();
    if (!w) return;
    w->maximizeBox = on ? 1 : 0;
    w->UpdateCaptionBits();
}

void CQelWinForm::SetMinimizeBox(bool on) {
    CQWnd_WinForm* w = GetFormWnd();
    if (!w) return;
    w->minimizeBox = on ? 1 : 0;
    w->UpdateCaptionBits();
}

void CQelWinForm::SetIcon(HICON newIcon) {
    CQWnd_WinForm* w = GetFormWnd();
    if (!w) return;
    w->icon = newIcon;
    if (w->m_hWnd) w->SendIcon();
}

HICON CQelWinForm::GetIcon() const {
    CQWnd_WinForm* w = GetFormWnd();
    return w ? w->icon : nullptr;
}

void CQelWinForm::SetShape(int64_t newShape) {
    if (CQWnd_WinForm* w = GetFormWnd()) w->ApplyShape(newShape);
}

void CQelWinForm::SetNotifyIcon(HICON newIcon) {
    CQWnd_WinForm* w = GetFormWnd();
    if (!w || w->notifyIcon == newIcon) return;
    if (w->notifyIcon) DestroyIcon(w->notifyIcon);
    w->notifyIcon = newIcon;
}

// ---- events ---------------------------------------------------------------------------------------------

int32_t CQelWinForm::OnFilterMessage(MSG* msg) {
    return FilterFormMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam, msg);
}

bool CQelWinForm::OnCommand(int32_t id) { return command.RaiseOr(0, this, id) != 0; }
bool CQelWinForm::OnQueryClose() { return queryClose.RaiseOr(0, this) != 0; }
bool CQelWinForm::OnCloseRequest() { return closeRequest.RaiseOr(0, this) != 0; }
void CQelWinForm::OnFirstActivated() { firstActivated.Raise(this, nullptr); }
void CQelWinForm::OnActivated() { activated.Raise(this, nullptr); }
void CQelWinForm::OnDeactivated() { deactivated.Raise(this, nullptr); }
void CQelWinForm::OnNotifyIcon(int32_t code) { notifyIcon.Raise(this, nullptr, code); }
void CQelWinForm::OnMenuSelect(int32_t id) { menuSelect.Raise(this, nullptr, id); }
void CQelWinForm::OnDialogInit() { dialogInit.Raise(this, nullptr); }

bool CQelWinForm::OnPositionLimits(MINMAXINFO* info) {
    if (!info) return false;
    rg_ChuangKouWeiZhiXianZhiXinXi limits;
    limits.ReadFrom(*info);
    int32_t result = 0;
    if (!positionLimits.Raise(this, &result, &limits) || result == 0) return false;
    limits.WriteTo(*info);
    return true;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
