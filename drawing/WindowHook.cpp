#include "drawing/WindowHook.h"

namespace rg_Zarno_YuanChuangRuanJian {

static rg_ChuangKouGuoChengLei* HookOf(HWND hwnd) {
    return reinterpret_cast<rg_ChuangKouGuoChengLei*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

rg_ChuangKouGuoChengLei::~rg_ChuangKouGuoChengLei() { UnhookWindow(); }

void rg_ChuangKouGuoChengLei::HookWindow(HWND targetWindow, BOOL acceptFiles) {
    // The recorded previous procedure belongs to the hooked window: handing it to another window on
    // unhook would give that window a foreign procedure, so the first window is unhooked first.
    if (previousProcedure && window != targetWindow) UnhookWindow();
    window = targetWindow;
    if (!previousProcedure && targetWindow) {
        const LONG_PTR oldData =
            SetWindowLongPtrW(targetWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        previousProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(targetWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookWindowProc)));
        // Not hooked (a dead window, or one of another process): leave the window's data as it was.
        if (!previousProcedure && IsWindow(targetWindow)) SetWindowLongPtrW(targetWindow, GWLP_USERDATA, oldData);
    }
    DragAcceptFiles(targetWindow, acceptFiles);
}

void rg_ChuangKouGuoChengLei::UnhookWindow() {
    if (window && previousProcedure) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure));
        // Nothing may find this object through the window once it is detached (it may be destroyed
        // next, and another procedure could still chain to the hook procedure).
        if (HookOf(window) == this) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    previousProcedure = nullptr;
}

LRESULT CALLBACK rg_ChuangKouGuoChengLei::HookWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    rg_ChuangKouGuoChengLei* hook = HookOf(hwnd);
    if (!hook || !hook->previousProcedure) return DefWindowProcW(hwnd, message, wParam, lParam);
    // Read before any handler runs: a handler may destroy the hook object or the window.
    const WNDPROC previous = hook->previousProcedure;

    if (message == WM_DROPFILES) {
        hook->filesDroppedEvent.Raise(hook, nullptr, reinterpret_cast<HDROP>(wParam));
        return 0;
    }

    int32_t consumed = 0;
    hook->messageEvent.Raise(hook, &consumed, hwnd, static_cast<uint32_t>(message), wParam, lParam);
    if (!IsWindow(hwnd)) return 0;
    LRESULT result = 0;
    if (!consumed) result = CallWindowProcW(previous, hwnd, message, wParam, lParam);

    // The window is going away: give it its procedure back and forget it, so that the hook never
    // touches a handle that may later name another window.
    if (message == WM_NCDESTROY) {
        rg_ChuangKouGuoChengLei* still = HookOf(hwnd);
        if (still && still->window == hwnd && still->previousProcedure) {
            still->UnhookWindow();
            still->window = nullptr;
        }
    }
    return result;
}

}  // namespace rg_Zarno_YuanChuangRuanJian
