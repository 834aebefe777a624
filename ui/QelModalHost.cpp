#include "ui/QelModalHost.h"

#include "platform/mfc/QelApp.h"
#include "runtime/RuntimeUtil.h"

namespace rg_Zarno_MFCJieMian_JiBen {

void HostDialogStyles(const CQelCreateRecord& record, DWORD* style, DWORD* exStyle) {
    if (record.standardDialogFrame) {
        *style = kStandardHostDialogStyle;
        *exStyle = 0;
        return;
    }
    *style = (record.style & kHostDialogKeptStyleMask) | kHostDialogAddedStyle;
    if (!(record.style & WS_THICKFRAME)) *style |= DS_MODALFRAME;
    *exStyle = record.exStyle;
}

CQelEnvelopeDialog::CQelEnvelopeDialog(CQWnd_WinForm* form, CQelCreateRecord* creationRecord)
    : formWindow(form), record(creationRecord) {}

HMENU CQelEnvelopeDialog::MenuBar() const {
    return (formWindow && formWindow->menu) ? formWindow->menu->GetMenuBar() : nullptr;
}

BOOL CQelEnvelopeDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!formWindow || !record) {
        EndDialog(-1);
        return FALSE;
    }
    formWindow->hostDialog = m_hWnd;
    formWindow->TakeMenu(record->menu);
    HMENU bar = MenuBar();
    const BOOL hasMenu = bar != nullptr;

    // The client rectangle is the record's window rectangle less the frame of the record's style.
    RECT frame{200, 200, 300, 300};
    AdjustWindowRectEx(&frame, record->style, hasMenu, record->exStyle);
    RECT client{record->x + (200 - frame.left), record->y + (200 - frame.top),
                record->x + record->width - (frame.right - 300), record->y + record->height - (frame.bottom - 300)};
    if (!record->standardDialogFrame && !(record->style & WS_BORDER) && (GetStyle() & WS_BORDER)) {
        ModifyStyle(WS_BORDER, 0, SWP_FRAMECHANGED);
    }
    RECT outer = client;
    AdjustWindowRectEx(&outer, GetStyle(), hasMenu, GetExStyle());
    ::MoveWindow(m_hWnd, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, TRUE);
    if (bar) ::SetMenu(m_hWnd, bar);
    SetWindowText(record->title);

    // The form window fills the client area.
    RECT area{};
    GetClientRect(&area);
    CQelCreateRecord formRecord;
    formRecord.parent = this;
    formRecord.x = area.left;
    formRecord.y = area.top;
    formRecord.width = area.right - area.left;
    formRecord.height = area.bottom - area.top;
    formRecord.id = 0xFFFF;
    formRecord.style = WS_CHILD | WS_VISIBLE;
    formRecord.exStyle = WS_EX_CONTROLPARENT;
    formRecord.title = record->title ? record->title : L"";
    formRecord.font = record->font;
    formRecord.menu = nullptr;
    formRecord.modal = 0;
    if (!formWindow->CreateFormWindow(formRecord) || !formWindow->m_hWnd) {
        EndDialog(-1);
        return FALSE;
    }
    if (formWindow->defaultButtonId) SendMessage(DM_SETDEFID, formWindow->defaultButtonId);
    ::SetFocus(formWindow->m_hWnd);
    if (IWinFormEventListener* form = Form()) form->OnDialogInit();
    return FALSE;  // the focus has been set
}

void CQelEnvelopeDialog::OnOK() {}

void CQelEnvelopeDialog::OnCancel() { EndDialog(-1); }

BOOL CQelEnvelopeDialog::PreTranslateMessage(MSG* msg) {
    if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) &&
        NormalizeKey(static_cast<uint32_t>(msg->wParam & 0xFF)) == VK_ESCAPE) {
        EndDialog(-1);
    }
    return CDialog::PreTranslateMessage(msg);
}

void CQelEnvelopeDialog::HandleHostMessage(WPARAM code, LPARAM value) {
    switch (code) {
    case kHostFormDestroyed:
        if (!destroyed) EndDialog(-1);
        break;
    case kHostShow:
        ShowWindow(value ? SW_SHOW : SW_HIDE);
        break;
    case kHostEnd:
        EndDialog(static_cast<int>(value));
        break;
    case kHostSetTitle:
        ::SetWindowTextW(m_hWnd, value ? reinterpret_cast<const wchar_t*>(value) : L"");
        break;
    default:
        break;
    }
}

BOOL CQelEnvelopeDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const HWND self = m_hWnd;
    switch (message) {
    case WM_QUERYENDSESSION: {
        LRESULT allowed = Default();
        if (allowed) {
            if (IWinFormEventListener* form = Form()) allowed = form->OnQueryClose() ? FALSE : TRUE;
        }
        *result = allowed;
        return TRUE;
    }
    case WM_CLOSE: {
        *result = 0;
        if (IWinFormEventListener* form = Form()) {
            if (form->OnCloseRequest() || !IsWindow(self)) return TRUE;
            form = Form();
            if (form && (form->OnQueryClose() || !IsWindow(self))) return TRUE;
        }
        *result = Default();
        return TRUE;
    }
    case WM_QUERYDRAGICON:
        *result = reinterpret_cast<LRESULT>(formWindow ? formWindow->icon : nullptr);
        return TRUE;
    case WM_NCACTIVATE:
        if (!wParam && formWindow && formWindow->keepActiveLook) {
            *result = DefWindowProc(WM_NCACTIVATE, ::IsWindowEnabled(self), 0);
        } else {
            *result = Default();
        }
        return TRUE;
    case WM_MENUSELECT: {
        *result = Default();
        const UINT flags = HIWORD(wParam);
        const int32_t id = (flags == 0xFFFF || (flags & (MF_POPUP | MF_SEPARATOR))) ? 0 : LOWORD(wParam);
        if (IWinFormEventListener* form = Form()) form->OnMenuSelect(id);
        return TRUE;
    }
    case WM_GETMINMAXINFO:
        *result = Default();
        if (lParam) {
            if (IWinFormEventListener* form = Form()) form->OnPositionLimits(reinterpret_cast<MINMAXINFO*>(lParam));
        }
        return TRUE;
    case kHostDialogMessage:
        HandleHostMessage(wParam, lParam);
        *result = 0;
        return TRUE;
    default:
        return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
}

BOOL CQelEnvelopeDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) {
        if (IWinFormEventListener* form = Form()) {
            if (form->OnCommand(static_cast<int32_t>(LOWORD(wParam)))) return TRUE;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CQelEnvelopeDialog::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    if (formWindow && formWindow->m_hWnd && IsWindow(formWindow->m_hWnd)) {
        RECT area{};
        GetClientRect(&area);
        ::MoveWindow(formWindow->m_hWnd, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    }
}

void CQelEnvelopeDialog::OnDestroy() {
    destroyed = 1;
    CWinThread* thread = AfxGetThread();
    if (thread && thread->m_pMainWnd == this) thread->m_pMainWnd = nullptr;
    // The built menu owns the menu bar: destroying the dialog must not destroy it.
    if (formWindow) DetachMenuBar(formWindow->menu, m_hWnd);
    CDialog::OnDestroy();
}

void CQelEnvelopeDialog::OnSetFocus(HWND oldFocus) {
    CDialog::OnSetFocus(oldFocus);
    if (formWindow && formWindow->m_hWnd && IsWindow(formWindow->m_hWnd)) ::SetFocus(formWindow->m_hWnd);
}

void CQelEnvelopeDialog::OnPaint() {
    if (!IsIconic(m_hWnd)) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    if (!dc.m_hDC) return;
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    RECT area{};
    GetClientRect(&area);
    const int x = (area.right - area.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (area.bottom - area.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    if (formWindow && formWindow->icon) DrawIcon(dc, x, y, formWindow->icon);
}

// ---- running a form modally ---------------------------------------------------------------------------

bool RunModal(CQWnd_WinForm* formWindow, CQelCreateRecord& record) {
    if (!formWindow) {
        record.modalResult = -1;
        return true;
    }
    CWinThread* thread = AfxGetThread();
    HWND owner = nullptr;
    if (record.parent) {
        owner = record.parent->m_hWnd;
    } else {
        CWnd* active = CWnd::FromHandlePermanent(GetActiveWindow());
        if (active && active->m_hWnd) {
            owner = active->m_hWnd;
        } else if (thread && thread->m_pMainWnd && thread->m_pMainWnd->m_hWnd) {
            owner = thread->m_pMainWnd->m_hWnd;
        } else {
            owner = GetDesktopWindow();
        }
    }

    CQelEnvelopeDialog dialog(formWindow, &record);
    dialog.destroyed = 0;
    const bool becameMain = thread && !thread->m_pMainWnd;
    if (becameMain) thread->m_pMainWnd = &dialog;

    if (record.standardDialogFrame) {
        formWindow->borderStyle = 2;
        formWindow->caption = 1;
        formWindow->maximizeBox = 0;
        formWindow->minimizeBox = 0;
    }
    DWORD style = 0;
    DWORD exStyle = 0;
    HostDialogStyles(record, &style, &exStyle);
    CEmptyDialogTemplate dialogTemplate;
    MakeEmptyDialogTemplate(dialogTemplate, style, exStyle);
    dialog.InitModalIndirect(&dialogTemplate.header, owner);

    const HWND focus = GetFocus();
    const INT_PTR result = dialog.DoModal();
    if (focus && IsWindow(focus)) SetFocus(focus);
    record.modalResult = static_cast<int32_t>(result);

    if (becameMain && thread->m_pMainWnd == &dialog) thread->m_pMainWnd = nullptr;
    // The dialog is gone; a later creation of the form must not talk to its handle.
    formWindow->hostDialog = nullptr;
    return true;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
