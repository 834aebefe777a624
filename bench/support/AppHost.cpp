#include "bench/support/AppHost.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "runtime/AppInstance.h"
#include "testsupport/DropFiles.h"

namespace benchhost {

using rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao;
using rg_Zarno_YangLi::rg_QiDongLei;
using rg_Zarno_YangLi::rg_ZhuChuangKouLei;

AppHost::AppHost() = default;

AppHost::~AppHost() = default;

bool AppHost::Start() {
    if (!host_.Start()) return false;
    HWND main = MainHwnd();
    UpdateWindow(main);
    // The first frames: creation, activation, the first paint of every control.
    const double until = NowMs() + 300;
    while (NowMs() < until) {
        Pump();
        Sleep(5);
    }
    return true;
}

int AppHost::Stop() { return host_.Stop(); }

void AppHost::Pump() { host_.PumpPending(); }

rg_ZhuChuangKouLei& AppHost::Window() { return host_.Window(); }

HWND AppHost::MainHwnd() {
    if (!GetAppInstance()->currentProgram) return nullptr;
    return Window().GetHwnd();
}

HWND AppHost::PainterHwnd() { return Window().picturePainter.GetHwnd(); }

void AppHost::SliderKey(rg_HuaKuaiTiao& slider, bool right) {
    HWND h = slider.GetHwnd();
    const WPARAM key = right ? VK_RIGHT : VK_LEFT;
    SendMessageW(h, WM_KEYDOWN, key, 1);
    SendMessageW(h, WM_KEYUP, key, 0xC0000001);
}

void AppHost::SliderTo(rg_HuaKuaiTiao& slider, int position) {
    HWND h = slider.GetHwnd();
    const int minimum = static_cast<int>(SendMessageW(h, TBM_GETRANGEMIN, 0, 0));
    if (position > minimum) {
        SendMessageW(h, TBM_SETPOS, TRUE, position - 1);
        SliderKey(slider, true);
    } else {
        SendMessageW(h, TBM_SETPOS, TRUE, minimum + 1);
        SliderKey(slider, false);
    }
    Pump();
}

void AppHost::PostMouse(UINT message, WPARAM keys, int x, int y) {
    PostMessageW(PainterHwnd(), message, keys, MAKELPARAM(x, y));
    Pump();
}

void AppHost::LeftDown(int x, int y) { PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, x, y); }
void AppHost::MoveWithLeft(int x, int y) { PostMouse(WM_MOUSEMOVE, MK_LBUTTON, x, y); }
void AppHost::LeftUp(int x, int y) { PostMouse(WM_LBUTTONUP, 0, x, y); }
void AppHost::RightDown(int x, int y) { PostMouse(WM_RBUTTONDOWN, MK_RBUTTON, x, y); }

void AppHost::DropFile(const std::wstring& path) {
    // The program releases the handle (DragFinish) once it has read the path.
    qeltest::PostDropFiles(MainHwnd(), {path}, POINT{100, 300});
    Pump();
}

void AppHost::ClickButton(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    if (!screen) return CLR_INVALID;
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / ticksPerMs;
}

}  // namespace benchhost
