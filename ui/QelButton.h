// Push button: a "BUTTON" window whose window object colours it (reflected WM_CTLCOLOR) and reports
// clicks (reflected BN_CLICKED) to the button control.
#pragma once
#include <windows.h>

#include "ui/QelControl.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// Window object of push buttons.
class CQWnd_Button : public CQelHookedWnd<CButton, IButtonEventListener> {
public:
    CQWnd_Button();
    ~CQWnd_Button() override;

    COLORREF textColor = 0;
    COLORREF backgroundColor = kSystemColor;
    // Solid brush of the button face colour: answered to every control colour message and used to
    // erase the background of button types other than plain push buttons.
    CBrush backgroundBrush;

    // 0xBD11 with BN_CLICKED raises the click event; 0xBC19 sets the colours and answers the brush.
    BOOL OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnEraseBkgnd(HDC dc) override;
};

// Button base: the click event; no window of its own.
class rg_AnNiuJiChuLei : public CQelWinControl, public IButtonEventListener {
    QEL_OBJECT_CLASS(rg_AnNiuJiChuLei, CQelWinControl, "rg_Zarno_MFCJieMian_JiBen::rg_AnNiuJiChuLei")
public:
    rg_AnNiuJiChuLei() = default;
    rg_AnNiuJiChuLei(const rg_AnNiuJiChuLei& other) : CQelWinControl(other) {}
    rg_AnNiuJiChuLei& operator=(const rg_AnNiuJiChuLei& other) {
        CQelWinControl::operator=(other);
        return *this;
    }
    ~rg_AnNiuJiChuLei() override;

    void AttachListener() override;
    void DetachListener() override;
    bool HasListener() const override;

    CQWnd_Button* GetButtonWnd() const { return static_cast<CQWnd_Button*>(GetWindowObject()); }

    // IButtonEventListener
    bool OnWindowMessage(MSG* msg) override { return PreDispatchMessage(msg); }
    void OnClicked() override;

    // Click event (handler arguments: receiver, button, tag).
    CQelNotifyEventSlot clicked;
};

// Push button.
class rg_AnNiu : public rg_AnNiuJiChuLei {
    QEL_OBJECT_CLASS(rg_AnNiu, rg_AnNiuJiChuLei, "rg_Zarno_MFCJieMian_JiBen::rg_AnNiu")
public:
    rg_AnNiu();
    rg_AnNiu(const rg_AnNiu& other) : rg_AnNiuJiChuLei(other) {}
    rg_AnNiu& operator=(const rg_AnNiu& other) {
        rg_AnNiuJiChuLei::operator=(other);
        return *this;
    }

    // Creates the "BUTTON" window; a BS_DEFPUSHBUTTON button makes its id the default button id of
    // the form above it.
    bool Create(CQelCreateRecord& record) override;

protected:
    void ResetFields();
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
