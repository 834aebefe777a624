#include "ui/QelButton.h"

namespace rg_Zarno_MFCJieMian_JiBen {

CQWnd_Button::CQWnd_Button() { backgroundBrush.CreateSolidBrush(GetSysColor(COLOR_BTNFACE)); }

CQWnd_Button::~CQWnd_Button() {
    // The brush may be in use by the button's last paint; the window goes first.
    DestroyWindow();
}

BOOL CQWnd_Button::OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == kReflectedCommand) {
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (listener) listener->OnClicked();
        return TRUE;
    }
    if (message == kReflectedCtlColor) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, textColor);
        SetBkColor(dc, ResolveColor(backgroundColor, COLOR_BTNFACE));
        *result = reinterpret_cast<LRESULT>(backgroundBrush.GetSafeHandle());
        return TRUE;
    }
    return CQelHookedWnd::OnReflect(message, wParam, lParam, result);
}

BOOL CQWnd_Button::OnEraseBkgnd(HDC dc) {
    if (GetStyle() & 0x7) {
        RECT rc;
        GetClientRect(&rc);
        FillRect(dc, &rc, backgroundBrush);
    }
    return CQelHookedWnd::OnEraseBkgnd(dc);
}

rg_AnNiuJiChuLei::~rg_AnNiuJiChuLei() { DetachListener(); }

void rg_AnNiuJiChuLei::AttachListener() { AttachListenerTo(GetButtonWnd(), static_cast<IButtonEventListener*>(this)); }

void rg_AnNiuJiChuLei::DetachListener() { DetachListenerFrom(GetButtonWnd(), static_cast<IButtonEventListener*>(this)); }

bool rg_AnNiuJiChuLei::HasListener() const { return WindowHasListener(GetButtonWnd()); }

void rg_AnNiuJiChuLei::OnClicked() { clicked.Raise(this, nullptr); }

rg_AnNiu::rg_AnNiu() { MakeWindowData(new CQWnd_Button, kDefaultButtonStyle); }

void rg_AnNiu::ResetFields() {
    rg_AnNiuJiChuLei::ResetFields();
    MakeWindowData(new CQWnd_Button, kDefaultButtonStyle);
}

bool rg_AnNiu::Create(CQelCreateRecord& record) {
    if (HasNativeWindow()) return false;
    FillCreateParams(record);
    AdjustCreateSize(record);
    if (!CreateNativeWindow(GetWindowObject(), L"BUTTON", record, record.style)) return false;
    if (record.style & BS_DEFPUSHBUTTON) {
        if (IQelFormWindow* form = FindParentFormWindow(record.parent)) form->SetDefaultButtonId(record.id);
    }
    if (HasNativeWindow()) AfterCreate(GetWindowObject(), record);
    return true;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
