// Slider: a common-controls trackbar. Its window object keeps range, position, page and line size,
// tick frequency and selection until the trackbar exists, applies them all at creation with their
// values made consistent, and raises the position event for every user move of the thumb.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/QelControl.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// Window object of sliders.
class CQWnd_SliderBar : public CQelHookedWnd<CSliderCtrl, ISliderBarEventListener> {
public:
    int64_t tickFrequency = 1;
    int64_t selectionStart = 0;
    int64_t selectionLength = 0;
    int64_t minimum = 1;
    int64_t maximum = 10;
    int64_t position = 1;
    int64_t pageSize = 5;
    int64_t lineSize = 1;

    // Reflected WM_HSCROLL/WM_VSCROLL: the position event for every code but SB_ENDSCROLL; the
    // notification is consumed either way.
    BOOL OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class rg_HuaKuaiTiao : public CQelWinControl, public ISliderBarEventListener {
    QEL_OBJECT_CLASS(rg_HuaKuaiTiao, CQelWinControl, "rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao")
public:
    rg_HuaKuaiTiao();
    rg_HuaKuaiTiao(const rg_HuaKuaiTiao& other) : CQelWinControl(other) {}
    rg_HuaKuaiTiao& operator=(const rg_HuaKuaiTiao& other) {
        CQelWinControl::operator=(other);
        return *this;
    }
    ~rg_HuaKuaiTiao() override;

    // Creates the trackbar and applies the stored values, clamped: range ordered, line size, page
    // size and tick frequency within 1..span, position (and, with TBS_ENABLESELRANGE, the selection)
    // within the range.
    bool Create(CQelCreateRecord& record) override;
    void AttachListener() override;
    void DetachListener() override;
    bool HasListener() const override;

    // Each acts on the trackbar when it exists (minimum and maximum without redraw, position with
    // it), otherwise on the stored value, which is not clamped until creation.
    void SetMinimum(int64_t value);
    void SetMaximum(int64_t value);
    void SetPosition(int64_t value);
    int64_t GetPosition() const;
    void SetPageSize(int64_t value);

    CQWnd_SliderBar* GetSliderWnd() const { return static_cast<CQWnd_SliderBar*>(GetWindowObject()); }

    // ISliderBarEventListener
    bool OnWindowMessage(MSG* msg) override { return PreDispatchMessage(msg); }
    void OnPositionChanged() override;

    // Position event (handler arguments: receiver, slider, tag); the handler reads GetPosition.
    CQelNotifyEventSlot positionChanged;

protected:
    void ResetFields();
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
