// Slider: stored values applied and clamped at creation, properties before and after creation, and
// the position event for every scroll notification of a real thumb drag except SB_ENDSCROLL.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "QelSlider.h"
#include "ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    // Creates the slider as a 200 x 30 child at (x, y).
    HWND Make(rg_HuaKuaiTiao& s, int x = 10, int y = 10, int w = 200, int h = 30) {
        CQelCreateRecord r = host.Child(x, y, w, h, 9);
        EXPECT_TRUE(s.Create(r));
        return s.GetHwnd();
    }
    static LRESULT Get(HWND h, UINT m) { return SendMessageW(h, m, 0, 0); }
    Host host{500, 300, 60, 60};
    Receiver receiver;
};

TEST_F(SliderTest, DefaultsAreAppliedAsStored) {
    rg_HuaKuaiTiao s;
    HWND h = Make(s);
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    EXPECT_STREQ(cls, TRACKBAR_CLASSW);
    EXPECT_EQ(Get(h, TBM_GETRANGEMIN), 1);
    EXPECT_EQ(Get(h, TBM_GETRANGEMAX), 10);
    EXPECT_EQ(Get(h, TBM_GETLINESIZE), 1);
    EXPECT_EQ(Get(h, TBM_GETPAGESIZE), 5);
    EXPECT_EQ(Get(h, TBM_GETPOS), 1);
    EXPECT_EQ(Get(h, TBM_GETNUMTICS), 10);  // a tick for every value from 1 to 10
    EXPECT_EQ(s.GetPosition(), 1);
    EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & TBS_AUTOTICKS, 0);
}

TEST_F(SliderTest, CreationOrdersTheRangeAndClampsEveryValue) {
    rg_HuaKuaiTiao reversed;
    reversed.SetMinimum(10);
    reversed.SetMaximum(0);
    HWND h = Make(reversed);
    EXPECT_EQ(Get(h, TBM_GETRANGEMIN), 0);
    EXPECT_EQ(Get(h, TBM_GETRANGEMAX), 10);

    rg_HuaKuaiTiao high, low;
    for (auto* s : {&high, &low}) {
        s->SetMinimum(0);
        s->SetMaximum(510);
    }
    high.SetPosition(600);
    low.SetPosition(-3);
    EXPECT_EQ(high.GetPosition(), 600);  // stored as given until creation
    Make(high, 10, 50);
    Make(low, 10, 90);
    EXPECT_EQ(high.GetPosition(), 510);
    EXPECT_EQ(low.GetPosition(), 0);
    // The stored value is not updated from the clamped one.
    EXPECT_EQ(high.GetSliderWnd()->position, 600);

    rg_HuaKuaiTiao pageZero, pageBig;
    pageZero.SetMinimum(0);
    pageZero.SetMaximum(10);
    pageZero.SetPageSize(0);
    pageBig.SetMinimum(0);
    pageBig.SetMaximum(10);
    pageBig.SetPageSize(20);
    pageBig.GetSliderWnd()->lineSize = 30;
    pageBig.GetSliderWnd()->tickFrequency = 4;
    Make(pageZero, 10, 130);
    Make(pageBig, 10, 170);
    EXPECT_EQ(Get(pageZero.GetHwnd(), TBM_GETPAGESIZE), 1);
    EXPECT_EQ(Get(pageBig.GetHwnd(), TBM_GETPAGESIZE), 10);
    EXPECT_EQ(Get(pageBig.GetHwnd(), TBM_GETLINESIZE), 10);
    EXPECT_EQ(Get(pageBig.GetHwnd(), TBM_GETNUMTICS), 4);  // 0, 4, 8 and 10

    rg_HuaKuaiTiao flat;
    flat.SetMinimum(7);
    flat.SetMaximum(7);
    HWND f = Make(flat, 10, 210);
    EXPECT_EQ(Get(f, TBM_GETLINESIZE), 0);
    EXPECT_EQ(Get(f, TBM_GETPAGESIZE), 0);
    EXPECT_EQ(Get(f, TBM_GETPOS), 7);
}

TEST_F(SliderTest, TheSelectionIsAppliedOnlyWithTheSelectionRangeStyle) {
    rg_HuaKuaiTiao without, with;
    for (auto* s : {&without, &with}) {
        s->SetMinimum(0);
        s->SetMaximum(10);
        s->GetSliderWnd()->selectionStart = 8;
        s->GetSliderWnd()->selectionLength = 10;
    }
    with.SetStyle(with.GetStyle() | TBS_ENABLESELRANGE);
    Make(without);
    Make(with, 10, 50);
    EXPECT_EQ(Get(without.GetHwnd(), TBM_GETSELSTART), 0);
    EXPECT_EQ(Get(without.GetHwnd(), TBM_GETSELEND), 0);
    EXPECT_EQ(Get(with.GetHwnd(), TBM_GETSELSTART), 8);
    EXPECT_EQ(Get(with.GetHwnd(), TBM_GETSELEND), 10);
    // Stored values beyond 32 bits saturate instead of wrapping around. (The span stays below 2^31:
    // a larger one breaks the trackbar itself under Wine.)
    rg_HuaKuaiTiao huge;
    huge.SetStyle((huge.GetStyle() | TBS_ENABLESELRANGE) & ~static_cast<uint32_t>(TBS_AUTOTICKS));
    huge.SetMinimum(-(int64_t{1} << 40));
    huge.SetMaximum(-1);
    huge.GetSliderWnd()->selectionStart = INT64_MAX - 1;
    huge.GetSliderWnd()->selectionLength = INT64_MAX;
    huge.SetPosition(int64_t{1} << 33);
    HWND h = Make(huge, 10, 90);
    EXPECT_EQ(Get(h, TBM_GETRANGEMIN), static_cast<LRESULT>(INT32_MIN));
    EXPECT_EQ(static_cast<int32_t>(Get(h, TBM_GETRANGEMAX)), -1);
    EXPECT_EQ(static_cast<int32_t>(Get(h, TBM_GETSELSTART)), -1);
    EXPECT_EQ(static_cast<int32_t>(Get(h, TBM_GETSELEND)), -1);
    EXPECT_EQ(huge.GetPosition(), -1);
}

TEST_F(SliderTest, ExtendedStyleIsAddedToTheCreatedTrackbar) {
    rg_HuaKuaiTiao s;
    s.SetExStyle(WS_EX_CLIENTEDGE);
    HWND h = Make(s);
    EXPECT_NE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    RECT window, client;
    GetWindowRect(h, &window);
    GetClientRect(h, &client);
    EXPECT_LT(client.right, window.right - window.left);  // the frame was recomputed
}

TEST_F(SliderTest, PropertiesActOnTheTrackbarAndOnlyThePositionRedraws) {
    rg_HuaKuaiTiao s;
    HWND h = Make(s);
    s.SetMinimum(-5);
    EXPECT_EQ(Get(h, TBM_GETRANGEMIN), -5);
    EXPECT_EQ(Get(h, TBM_GETRANGEMAX), 10);
    s.SetMaximum(50);
    EXPECT_EQ(Get(h, TBM_GETRANGEMIN), -5);
    EXPECT_EQ(Get(h, TBM_GETRANGEMAX), 50);
    s.SetPageSize(7);
    EXPECT_EQ(Get(h, TBM_GETPAGESIZE), 7);
    // The stored fields keep their values once the window exists.
    EXPECT_EQ(s.GetSliderWnd()->minimum, 1);

    UpdateWindow(h);
    ValidateRect(h, nullptr);
    RECT update;
    s.SetMinimum(-6);
    EXPECT_FALSE(GetUpdateRect(h, &update, FALSE));
    s.SetPosition(20);
    EXPECT_TRUE(GetUpdateRect(h, &update, FALSE));
    EXPECT_EQ(s.GetPosition(), 20);
    // TBM_SETPOS notifies nobody.
    BindEvent(s, s.positionChanged, Plain<kPosition>, receiver.self);
    s.SetPosition(21);
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kPosition), 0);
}

// Records the scroll codes the trackbar reports to its parent, in front of the parent's procedure.
std::vector<int> g_codes;
WNDPROC g_parentProc = nullptr;
LRESULT CALLBACK RecordScrolls(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL || message == WM_VSCROLL) g_codes.push_back(LOWORD(wParam));
    return CallWindowProcW(g_parentProc, hwnd, message, wParam, lParam);
}

TEST_F(SliderTest, ARealThumbDragRaisesThePositionEventForEveryNotificationButTheEnd) {
    rg_HuaKuaiTiao s;
    s.SetMinimum(0);
    s.SetMaximum(100);
    HWND h = Make(s, 20, 20, 300, 40);
    BindEvent(s, s.positionChanged, Plain<kPosition>, receiver.self);
    g_codes.clear();
    g_parentProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(host.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordScrolls)));

    RECT thumb{};
    SendMessageW(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const int cx = (thumb.left + thumb.right) / 2, cy = (thumb.top + thumb.bottom) / 2;
    MoveTo(h, cx, cy);
    SendInputs({MouseInput(MOUSEEVENTF_LEFTDOWN)});
    qeltest::Pump(20);
    for (int dx = 20; dx <= 140; dx += 20) MoveTo(h, cx + dx, cy);
    SendInputs({MouseInput(MOUSEEVENTF_LEFTUP)});
    qeltest::Pump(40);
    SetWindowLongPtrW(host.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_parentProc));

    int ends = 0, others = 0, tracks = 0;
    for (int code : g_codes) {
        if (code == SB_ENDSCROLL) ++ends;
        else ++others;
        tracks += code == TB_THUMBTRACK;
    }
    EXPECT_GE(tracks, 3);
    EXPECT_GE(ends, 1);
    EXPECT_EQ(receiver.Count(kPosition), others);
    EXPECT_GT(s.GetPosition(), 30);
    EXPECT_EQ(receiver.log.empty() ? nullptr : receiver.log.back().sender, &s);
}

TEST_F(SliderTest, KeysOnAVerticalSliderRaiseThePositionEventThroughWmVscroll) {
    rg_HuaKuaiTiao s;
    s.SetStyle((s.GetStyle() | TBS_VERT) & ~static_cast<uint32_t>(TBS_AUTOTICKS));
    s.SetMinimum(0);
    s.SetMaximum(20);
    HWND h = Make(s, 10, 10, 40, 200);
    BindEvent(s, s.positionChanged, Plain<kPosition>, receiver.self);
    SetFocus(h);
    ASSERT_EQ(GetFocus(), h);
    EXPECT_EQ(s.GetPosition(), 1);  // the stored default
    SendInputs({KeyInput(VK_DOWN, false), KeyInput(VK_DOWN, true)});
    qeltest::Pump(30);
    EXPECT_EQ(s.GetPosition(), 2);
    // TB_LINEDOWN raises the event; the SB_ENDSCROLL after the key release does not.
    EXPECT_EQ(receiver.Count(kPosition), 1);
    SendInputs({KeyInput(VK_END, false), KeyInput(VK_END, true)});
    qeltest::Pump(30);
    EXPECT_EQ(s.GetPosition(), 20);
    EXPECT_EQ(receiver.Count(kPosition), 2);
}

}  // namespace
