// Slider: stored values applied and clamped at creation, properties before and after creation, and
// the position event for every scroll notification of a real thumb drag except SB_ENDSCROLL.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "ui/QelSlider.h"
#include "ui/tests/ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

LRESULT Get(HWND h, UINT m) { return SendMessageW(h, m, 0, 0); }

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    // A slider with the range (lo, hi) stored, created as a child in row `row`.
    HWND Make(rg_HuaKuaiTiao& s, int row, int64_t lo, int64_t hi) {
        s.SetMinimum(lo);
        s.SetMaximum(hi);
        return host.Make(s, 10, 10 + 40 * row, 200, 30);
    }
    Host host{500, 360, 60, 60};
    Receiver receiver;
};

TEST_F(SliderTest, CreationAppliesTheStoredValuesClamped) {
    rg_HuaKuaiTiao defaults, reversed, high, low, pages, flat;
    HWND d = host.Make(defaults, 10, 10, 200, 30);
    EXPECT_EQ(Get(d, TBM_GETRANGEMIN), 1);
    EXPECT_EQ(Get(d, TBM_GETRANGEMAX), 10);
    EXPECT_EQ(Get(d, TBM_GETLINESIZE), 1);
    EXPECT_EQ(Get(d, TBM_GETPAGESIZE), 5);
    EXPECT_EQ(Get(d, TBM_GETNUMTICS), 10);  // tick frequency 1 over 1..10
    EXPECT_EQ(Get(d, TBM_GETPOS), 1);

    HWND r = Make(reversed, 1, 10, 0);
    EXPECT_EQ(Get(r, TBM_GETRANGEMIN), 0);
    EXPECT_EQ(Get(r, TBM_GETRANGEMAX), 10);
    high.SetPosition(600);
    low.SetPosition(-3);
    EXPECT_EQ(high.GetPosition(), 600);  // stored unclamped until creation
    Make(high, 2, 0, 510);
    Make(low, 3, 0, 510);
    EXPECT_EQ(high.GetPosition(), 510);
    EXPECT_EQ(low.GetPosition(), 0);
    EXPECT_EQ(high.GetSliderWnd()->position, 600);  // the window holds the truth now

    pages.SetPageSize(20);
    pages.GetSliderWnd()->lineSize = 0;
    pages.GetSliderWnd()->tickFrequency = 4;
    HWND p = Make(pages, 4, 0, 10);
    EXPECT_EQ(Get(p, TBM_GETPAGESIZE), 10);
    EXPECT_EQ(Get(p, TBM_GETLINESIZE), 1);
    EXPECT_EQ(Get(p, TBM_GETNUMTICS), 4);  // 0, 4, 8, 10
    HWND f = Make(flat, 5, 7, 7);
    EXPECT_EQ(Get(f, TBM_GETLINESIZE), 0);
    EXPECT_EQ(Get(f, TBM_GETPAGESIZE), 0);
}

TEST_F(SliderTest, SelectionOnlyWithItsStyleExtendedStyleAddedAndHugeValuesSaturated) {
    rg_HuaKuaiTiao without, with, huge;
    for (auto* s : {&without, &with}) {
        s->GetSliderWnd()->selectionStart = 8;
        s->GetSliderWnd()->selectionLength = 10;
    }
    with.SetStyle(with.GetStyle() | TBS_ENABLESELRANGE);
    with.SetExStyle(WS_EX_CLIENTEDGE);
    HWND a = Make(without, 0, 0, 10), b = Make(with, 1, 0, 10);
    EXPECT_EQ(Get(a, TBM_GETSELEND), 0);
    EXPECT_EQ(Get(b, TBM_GETSELSTART), 8);
    EXPECT_EQ(Get(b, TBM_GETSELEND), 10);
    RECT window, client;
    GetWindowRect(b, &window);
    GetClientRect(b, &client);
    EXPECT_NE(GetWindowLongW(b, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_LT(client.right, window.right - window.left);  // the frame was recomputed

    // Beyond 32 bits values saturate instead of wrapping around (automatic ticks off, and a span
    // below 2^31: Wine's trackbar cannot hold more).
    huge.SetStyle((huge.GetStyle() | TBS_ENABLESELRANGE) & ~static_cast<uint32_t>(TBS_AUTOTICKS));
    huge.GetSliderWnd()->selectionStart = INT64_MAX - 1;
    huge.GetSliderWnd()->selectionLength = INT64_MAX;
    huge.SetPosition(int64_t{1} << 33);
    HWND h = Make(huge, 2, -(int64_t{1} << 40), -1);
    EXPECT_EQ(Get(h, TBM_GETRANGEMIN), static_cast<LRESULT>(INT32_MIN));
    EXPECT_EQ(static_cast<int32_t>(Get(h, TBM_GETSELEND)), -1);
    EXPECT_EQ(huge.GetPosition(), -1);
}

TEST_F(SliderTest, PropertiesActOnTheTrackbarAndOnlyThePositionRedraws) {
    rg_HuaKuaiTiao s;
    HWND h = Make(s, 0, 1, 10);
    BindEvent(s, s.positionChanged, Plain<kPosition>, receiver.self);
    s.SetMaximum(50);
    s.SetMinimum(-5);
    s.SetPageSize(7);
    EXPECT_EQ(Get(h, TBM_GETRANGEMIN), -5);
    EXPECT_EQ(Get(h, TBM_GETRANGEMAX), 50);
    EXPECT_EQ(Get(h, TBM_GETPAGESIZE), 7);
    EXPECT_EQ(s.GetSliderWnd()->minimum, 1);
    UpdateWindow(h);
    RECT update;
    s.SetMinimum(-6);
    EXPECT_FALSE(GetUpdateRect(h, &update, FALSE));
    s.SetPosition(20);
    EXPECT_TRUE(GetUpdateRect(h, &update, FALSE));
    EXPECT_EQ(s.GetPosition(), 20);
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kPosition), 0);  // setting the position notifies nobody
}

std::vector<int> g_codes;
WNDPROC g_parentProc = nullptr;
LRESULT CALLBACK RecordScrolls(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL || message == WM_VSCROLL) g_codes.push_back(LOWORD(wParam));
    return CallWindowProcW(g_parentProc, hwnd, message, wParam, lParam);
}

TEST_F(SliderTest, ARealThumbDragAndKeysRaiseThePositionEventForEveryNotificationButTheEnd) {
    rg_HuaKuaiTiao s, vertical;
    CQelCreateRecord r = host.Child(20, 20, 300, 40);
    s.SetMinimum(0);
    s.SetMaximum(100);
    ASSERT_TRUE(s.Create(r));
    HWND h = s.GetHwnd();
    BindEvent(s, s.positionChanged, Plain<kPosition>, receiver.self);
    g_codes.clear();
    g_parentProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(host.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordScrolls)));
    RECT thumb{};
    SendMessageW(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const int cx = (thumb.left + thumb.right) / 2, cy = (thumb.top + thumb.bottom) / 2;
    MoveTo(h, cx, cy);
    SendInputs({MouseInput(MOUSEEVENTF_LEFTDOWN)});
    for (int dx = 20; dx <= 140; dx += 20) MoveTo(h, cx + dx, cy);
    SendInputs({MouseInput(MOUSEEVENTF_LEFTUP)});
    qeltest::Pump(40);
    SetWindowLongPtrW(host.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_parentProc));
    const auto count = [](int code) { return std::count(g_codes.begin(), g_codes.end(), code); };
    EXPECT_GE(count(TB_THUMBTRACK), 3);
    EXPECT_GE(count(SB_ENDSCROLL), 1);
    EXPECT_EQ(receiver.Count(kPosition), static_cast<int>(g_codes.size() - count(SB_ENDSCROLL)));
    EXPECT_GT(s.GetPosition(), 30);

    // A vertical slider reports through WM_VSCROLL; each key gives one move and one end.
    vertical.SetStyle(vertical.GetStyle() | TBS_VERT);
    receiver.log.clear();
    r = host.Child(350, 10, 40, 200);
    vertical.SetMinimum(0);
    vertical.SetMaximum(20);
    ASSERT_TRUE(vertical.Create(r));
    BindEvent(vertical, vertical.positionChanged, Plain<kPosition>, receiver.self);
    SetFocus(vertical.GetHwnd());
    PressKeys({VK_DOWN});
    EXPECT_EQ(vertical.GetPosition(), 2);  // from the stored default 1
    PressKeys({VK_END});
    EXPECT_EQ(vertical.GetPosition(), 20);
    EXPECT_EQ(receiver.Count(kPosition), 2);
}

}  // namespace
