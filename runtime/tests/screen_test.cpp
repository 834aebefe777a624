// Screen queries against the real display (Wine's virtual screen during the tests).
#include <gtest/gtest.h>

#include "RuntimeUtil.h"

namespace {

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

TEST(MonitorRect, NoWindowGivesThePrimaryScreen) {
    RECT r = {1, 2, 3, 4};
    GetMonitorRect(nullptr, r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(r.right, 0);
}

TEST(MonitorRect, AWindowGivesItsMonitorsFullRectangle) {
    HWND window = CreateWindowExW(0, L"STATIC", L"monitor", WS_POPUP | WS_VISIBLE, 20, 20, 100, 80, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info));
    RECT r = {};
    GetMonitorRect(window, r);
    EXPECT_TRUE(EqualRect(&r, &info.rcMonitor));
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));  // one monitor here
    DestroyWindow(window);
    // A handle that is no window falls back to the primary screen.
    GetMonitorRect(reinterpret_cast<HWND>(static_cast<uintptr_t>(0xDEAD0)), r);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
}

TEST(PointsAndPixels, ScreenDpiScalesAndSignsAreDropped) {
    const int dpi = ScreenDpi();
    ASSERT_GT(dpi, 0);
    EXPECT_DOUBLE_EQ(PointsToPixels(12), dpi * 12 / 72.0);
    EXPECT_DOUBLE_EQ(PixelsToPoints(-16), 16 * 72.0 / dpi);
    EXPECT_DOUBLE_EQ(PointsToPixels(-9), PointsToPixels(9));
    EXPECT_DOUBLE_EQ(PixelsToPoints(PointsToPixels(10.5)), 10.5);
    if (dpi == 96) {
        EXPECT_DOUBLE_EQ(PointsToPixels(12), 16);
        EXPECT_DOUBLE_EQ(PixelsToPoints(-16), 12);
    }
}

TEST(StretchMode, HalftoneOnDisplaysDeeperThan16Bits) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    ASSERT_TRUE(EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(GetDisplayStretchMode(), mode.dmBitsPerPel > 16 ? HALFTONE : COLORONCOLOR);
    EXPECT_EQ(GetDisplayStretchMode(), HALFTONE);  // the test display has 24 or 32 bits
}

TEST(TraceOutput, AcceptsAnySignatureAndValuesAndDoesNothing) {
    CWString a(L"图像高度:10"), b(L"图像宽度:20");
    const CWString before = a;
    Trace(0, 0, "SS", &a, &b);
    Trace(0, 0, "S", &a);
    Trace(0, 0, nullptr);
    EXPECT_EQ(a.IsEqual(before), 1);
}

}  // namespace
