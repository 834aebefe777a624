// Screen queries against the real display (Wine's screen during the tests).
#include <gtest/gtest.h>

#include "runtime/RuntimeUtil.h"

namespace {

TEST(Screen, MonitorRectangleOfAWindowAndOfNoWindow) {
    RECT r = {1, 2, 3, 4};
    GetMonitorRect(nullptr, r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    HWND window = CreateWindowExW(0, L"STATIC", L"monitor", WS_POPUP | WS_VISIBLE, 20, 20, 100, 80, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info));
    GetMonitorRect(window, r);
    EXPECT_TRUE(EqualRect(&r, &info.rcMonitor));
    DestroyWindow(window);
}

TEST(Screen, PointsAndPixelsAtTheScreenDpiWithoutSign) {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    ASSERT_EQ(dpi, 96) << "the examples below assume a 96-DPI screen";
    EXPECT_DOUBLE_EQ(PointsToPixels(12), 16);
    EXPECT_DOUBLE_EQ(PixelsToPoints(-16), 12);
    EXPECT_DOUBLE_EQ(PointsToPixels(-9), 12);
}

TEST(Screen, HalftoneOnThisDeepDisplay) { EXPECT_EQ(GetDisplayStretchMode(), HALFTONE); }

}  // namespace
