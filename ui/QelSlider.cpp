#include "ui/QelSlider.h"

#include <commctrl.h>

#include <algorithm>

namespace rg_Zarno_MFCJieMian_JiBen {

namespace {

// The trackbar keeps 32-bit values: stored values beyond that range saturate instead of wrapping.
LPARAM ToTrackbar(int64_t value) {
    return static_cast<LPARAM>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Line size, page size and tick frequency: 1 below 1, else at most the span.
int64_t StepWithin(int64_t stored, int64_t span) { return stored < 1 ? 1 : std::min(stored, span); }

// start + length without wrapping around for huge stored values.
int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t sum;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
    return sum;
}

}  // namespace

BOOL CQWnd_SliderBar::OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message != kReflectedHScroll && message != kReflectedVScroll) {
        return CQelHookedWnd::OnReflect(message, wParam, lParam, result);
    }
    if (LOWORD(wParam) != SB_ENDSCROLL && listener) listener->OnPositionChanged();
    *result = 0;
    return TRUE;
}

rg_HuaKuaiTiao::rg_HuaKuaiTiao() { MakeWindowData(new CQWnd_SliderBar, kDefaultSliderStyle); }

rg_HuaKuaiTiao::~rg_HuaKuaiTiao() { DetachListener(); }

void rg_HuaKuaiTiao::ResetFields() {
    CQelWinControl::ResetFields();
    MakeWindowData(new CQWnd_SliderBar, kDefaultSliderStyle);
}

bool rg_HuaKuaiTiao::Create(CQelCreateRecord& record) {
    if (HasNativeWindow()) return false;
    FillCreateParams(record);
    AdjustCreateSize(record);
    CQWnd_SliderBar* w = GetSliderWnd();
    if (!w) return false;
    const RECT rect{record.x, record.y, record.x + record.width, record.y + record.height};
    if (!w->Create(record.style, rect, record.parent, record.id)) return false;

    if (record.exStyle) {
        const DWORD current = w->GetExStyle();
        const DWORD added = record.exStyle & ~current;
        if (added) {
            SetWindowLongW(w->m_hWnd, GWL_EXSTYLE, static_cast<LONG>(current | record.exStyle));
            if (added & (WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) {
                w->SetWindowPos(nullptr, 0, 0, 0, 0,
                                SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            }
        }
    }

    // The trackbar's range is 32-bit; ends beyond it saturate, so the span cannot overflow.
    const int64_t lo = ToTrackbar(std::min(w->minimum, w->maximum));
    const int64_t hi = ToTrackbar(std::max(w->minimum, w->maximum));
    const int64_t span = hi - lo;
    w->SendMessage(TBM_SETRANGEMIN, TRUE, ToTrackbar(lo));
    w->SendMessage(TBM_SETRANGEMAX, TRUE, ToTrackbar(hi));
    w->SendMessage(TBM_SETLINESIZE, 0, ToTrackbar(StepWithin(w->lineSize, span)));
    w->SendMessage(TBM_SETPAGESIZE, 0, ToTrackbar(StepWithin(w->pageSize, span)));
    w->SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(ToTrackbar(StepWithin(w->tickFrequency, span))), 0);
    w->SendMessage(TBM_SETPOS, TRUE, ToTrackbar(std::clamp(w->position, lo, hi)));
    if (record.style & TBS_ENABLESELRANGE) {
        const int64_t start = std::clamp(w->selectionStart, lo, hi);
        const int64_t end = std::clamp(SaturatingAdd(w->selectionStart, w->selectionLength), lo, hi);
        w->SendMessage(TBM_SETSELSTART, FALSE, ToTrackbar(start));
        w->SendMessage(TBM_SETSELEND, FALSE, ToTrackbar(end));
    }
    if (HasNativeWindow()) AfterCreate(w, record);
    return true;
}

void rg_HuaKuaiTiao::AttachListener() { AttachListenerTo(GetSliderWnd(), static_cast<ISliderBarEventListener*>(this)); }

void rg_HuaKuaiTiao::DetachListener() { DetachListenerFrom(GetSliderWnd(), static_cast<ISliderBarEventListener*>(this)); }

bool rg_HuaKuaiTiao::HasListener() const { return WindowHasListener(GetSliderWnd()); }

void rg_HuaKuaiTiao::SetMinimum(int64_t value) {
    CQWnd_SliderBar* w = GetSliderWnd();
    if (!w) return;
    if (!w->m_hWnd) {
        w->minimum = value;
        return;
    }
    const LRESULT currentMax = w->SendMessage(TBM_GETRANGEMAX);
    w->SendMessage(TBM_SETRANGEMIN, FALSE, ToTrackbar(value));
    w->SendMessage(TBM_SETRANGEMAX, FALSE, currentMax);
}

void rg_HuaKuaiTiao::SetMaximum(int64_t value) {
    CQWnd_SliderBar* w = GetSliderWnd();
    if (!w) return;
    if (!w->m_hWnd) {
        w->maximum = value;
        return;
    }
    const LRESULT currentMin = w->SendMessage(TBM_GETRANGEMIN);
    w->SendMessage(TBM_SETRANGEMIN, FALSE, currentMin);
    w->SendMessage(TBM_SETRANGEMAX, FALSE, ToTrackbar(value));
}

void rg_HuaKuaiTiao::SetPosition(int64_t value) {
    CQWnd_SliderBar* w = GetSliderWnd();
    if (!w) return;
    if (w->m_hWnd) {
        w->SendMessage(TBM_SETPOS, TRUE, ToTrackbar(value));
    } else {
        w->position = value;
    }
}

int64_t rg_HuaKuaiTiao::GetPosition() const {
    CQWnd_SliderBar* w = GetSliderWnd();
    if (!w) return 0;
    return w->m_hWnd ? static_cast<int64_t>(static_cast<int32_t>(w->SendMessage(TBM_GETPOS))) : w->position;
}

void rg_HuaKuaiTiao::SetPageSize(int64_t value) {
    CQWnd_SliderBar* w = GetSliderWnd();
    if (!w) return;
    if (w->m_hWnd) {
        w->SendMessage(TBM_SETPAGESIZE, 0, ToTrackbar(value));
    } else {
        w->pageSize = value;
    }
}

void rg_HuaKuaiTiao::OnPositionChanged() { positionChanged.Raise(this, nullptr); }

}  // namespace rg_Zarno_MFCJieMian_JiBen
