// Containers: design size, components created inside WM_CREATE before the created event, the six
// container events, background picture modes read back as pixels, WM_GETDLGCODE and focus forwarding.
#include <gtest/gtest.h>

#include "QelBackground.h"
#include "QelButton.h"
#include "QelContainer.h"
#include "QelLabel.h"
#include "QelSlider.h"
#include "ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

constexpr COLORREF kRed = RGB(220, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kGreen = RGB(0, 180, 0);
constexpr COLORREF kSentinel = RGB(1, 2, 3);

// A picture of w x h pixels, left half red and right half blue.
HBITMAP MakePicture(int w, int h) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT left{0, 0, w / 2, h}, right{w / 2, 0, w, h};
    HBRUSH red = CreateSolidBrush(kRed), blue = CreateSolidBrush(kBlue);
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// A 32-bit memory surface filled with the sentinel colour.
class Surface {
public:
    Surface(int w, int h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, dib);
        RECT all{0, 0, w, h};
        HBRUSH b = CreateSolidBrush(kSentinel);
        FillRect(dc, &all, b);
        DeleteObject(b);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(dib);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    HDC dc;
    HBITMAP dib;
    void* bits = nullptr;
    HGDIOBJ old;
};

// Region area in pixels (sum of its rectangles).
long RegionArea(HRGN region) {
    if (!region) return 0;
    DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    GetRegionData(region, size, data);
    long area = 0;
    const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i) area += (r[i].right - r[i].left) * (r[i].bottom - r[i].top);
    return area;
}

TEST(BackgroundPicture, CentredModeDrawsUnscaledInTheMiddleOrScalesDownKeepingProportions) {
    EXPECT_EQ(CenteredPictureRect(100, 50, RECT{0, 0, 400, 400}).left, 150);
    EXPECT_EQ(CenteredPictureRect(100, 50, RECT{0, 0, 400, 400}).top, 175);
    const RECT small = CenteredPictureRect(100, 50, RECT{0, 0, 50, 100});
    EXPECT_EQ(small.left, 0);
    EXPECT_EQ(small.top, 37);
    EXPECT_EQ(small.right - small.left, 50);
    EXPECT_EQ(small.bottom - small.top, 25);
    // Never scaled up; an offset whole area moves the picture with it.
    const RECT offset = CenteredPictureRect(10, 10, RECT{100, 200, 130, 220});
    EXPECT_EQ(offset.left, 110);
    EXPECT_EQ(offset.top, 205);
    EXPECT_EQ(offset.right, 120);
    // A zero-sized area draws nothing and divides by nothing.
    const RECT none = CenteredPictureRect(10, 10, RECT{0, 0, 0, 0});
    EXPECT_EQ(none.right - none.left, 0);
}

TEST(BackgroundPicture, ModesDrawWhereTheyShouldAndRemoveWhatTheyCover) {
    HBITMAP picture = MakePicture(100, 50);
    const RECT whole{0, 0, 400, 400};
    {
        Surface s(400, 400);
        HRGN region = CreateRectRgn(0, 0, 400, 400);
        PaintBackgroundPicture(2, s.dc, picture, whole, whole, region);
        EXPECT_EQ(s.At(150, 175), kRed);
        EXPECT_EQ(s.At(249, 224), kBlue);
        EXPECT_EQ(s.At(149, 175), kSentinel);
        EXPECT_EQ(s.At(250, 175), kSentinel);
        EXPECT_EQ(RegionArea(region), 400 * 400 - 100 * 50);
        EXPECT_FALSE(PtInRegion(region, 150, 175));
        DeleteObject(region);
    }
    {
        Surface s(50, 100);
        HRGN region = CreateRectRgn(0, 0, 50, 100);
        PaintBackgroundPicture(2, s.dc, picture, RECT{0, 0, 50, 100}, RECT{0, 0, 50, 100}, region);
        EXPECT_EQ(s.At(0, 37), kRed);
        EXPECT_EQ(s.At(24, 61), kRed);
        EXPECT_EQ(s.At(25, 37), kBlue);
        EXPECT_EQ(s.At(49, 61), kBlue);
        EXPECT_EQ(s.At(0, 36), kSentinel);
        EXPECT_EQ(s.At(0, 62), kSentinel);
        EXPECT_EQ(RegionArea(region), 50 * 100 - 50 * 25);
        DeleteObject(region);
    }
    {
        // Mode 0 with a smaller picture: the L-shaped rest stays in the region.
        Surface s(400, 400);
        HRGN region = CreateRectRgn(0, 0, 400, 400);
        PaintBackgroundPicture(0, s.dc, picture, whole, whole, region);
        EXPECT_EQ(s.At(0, 0), kRed);
        EXPECT_EQ(s.At(99, 49), kBlue);
        EXPECT_EQ(s.At(100, 0), kSentinel);
        EXPECT_EQ(RegionArea(region), 400 * 400 - 100 * 50);
        EXPECT_TRUE(PtInRegion(region, 100, 0));
        EXPECT_TRUE(PtInRegion(region, 0, 50));
        DeleteObject(region);
        // Mode 0 with a larger picture: nothing is left to fill.
        Surface t(60, 30);
        HRGN small = CreateRectRgn(0, 0, 60, 30);
        PaintBackgroundPicture(0, t.dc, picture, RECT{0, 0, 60, 30}, RECT{0, 0, 60, 30}, small);
        EXPECT_EQ(RegionArea(small), 0);
        DeleteObject(small);
    }
    {
        // Mode 1 tiles; tiles that do not touch the area to paint are skipped, and the region goes.
        Surface s(400, 400);
        HRGN region = CreateRectRgn(0, 0, 400, 400);
        const RECT area{120, 60, 180, 90};  // touches only the tile at (100, 50)
        PaintBackgroundPicture(1, s.dc, picture, whole, area, region);
        EXPECT_EQ(region, nullptr);
        EXPECT_EQ(s.At(100, 50), kRed);
        EXPECT_EQ(s.At(199, 99), kBlue);
        EXPECT_EQ(s.At(0, 0), kSentinel);      // tile (0, 0) skipped
        EXPECT_EQ(s.At(200, 50), kSentinel);   // tile (200, 50) skipped
        EXPECT_EQ(s.At(100, 100), kSentinel);  // tile (100, 100) skipped
    }
    {
        // Mode 3 stretches over the whole area and leaves nothing.
        Surface s(40, 40);
        HRGN region = CreateRectRgn(0, 0, 40, 40);
        PaintBackgroundPicture(3, s.dc, picture, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40}, region);
        EXPECT_EQ(region, nullptr);
        EXPECT_EQ(s.At(0, 39), kRed);
        EXPECT_EQ(s.At(39, 0), kBlue);
    }
    {
        // Unknown modes and a missing picture draw nothing and keep the region whole.
        Surface s(40, 40);
        HRGN region = CreateRectRgn(0, 0, 40, 40);
        PaintBackgroundPicture(7, s.dc, picture, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40}, region);
        PaintBackgroundPicture(0, s.dc, nullptr, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40}, region);
        EXPECT_EQ(RegionArea(region), 1600);
        EXPECT_EQ(s.At(0, 0), kSentinel);
        DeleteObject(region);
    }
    DeleteObject(picture);
}

// A layout manager with a design size whose components are a label and a slider.
class Designed : public rg_ZuJianBuJuQi {
public:
    int32_t GetDesignWidth() const override { return designWidth; }
    int32_t GetDesignHeight() const override { return designHeight; }
    void CreateComponents() override {
        ++componentRuns;
        CQelCreateRecord r;
        r.parent = GetWindowObject();
        r.x = 0;
        r.y = 0;
        r.width = 80;
        r.height = 20;
        label.Create(r);
        r.y = 30;
        r.width = 150;
        r.height = 30;
        slider.Create(r);
        if (log) log->push_back({"components", this, label.HasNativeWindow(), 0, 0, 0});
    }
    int32_t designWidth = 0;
    int32_t designHeight = 0;
    int componentRuns = 0;
    std::vector<Event>* log = nullptr;
    rg_BiaoQian label;
    rg_HuaKuaiTiao slider;
};

int32_t OnCreatedCheck(CQelObject* r, CQelObject* s, uint32_t) {
    auto* d = static_cast<Designed*>(s);
    AsReceiver(r)->log.push_back({kCreated, s, d->label.HasNativeWindow(), d->slider.HasNativeWindow(), 0, 0});
    return 0;
}

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    void BindAll(rg_ZuJianBuJuQi& c) {
        BindEvent(c, c.created, OnCreatedCheck, receiver.self);
        BindEvent(c, c.destroyed, Plain<kDestroyed>, receiver.self);
        BindEvent(c, c.afterDestroy, Plain<kAfterDestroy>, receiver.self);
        BindEvent(c, c.moved, Plain<kMoved>, receiver.self);
        BindEvent(c, c.resized, Plain<kResized>, receiver.self);
        BindEvent(c, c.shown, Plain<kShown>, receiver.self);
        BindEvent(c, c.hidden, Plain<kHidden>, receiver.self);
    }
    Host host{500, 450, 50, 50};
    Receiver receiver;
};

TEST_F(ContainerTest, DefaultSizeComesFromTheDesignSizeOrIsZero) {
    Designed zero;
    CQelCreateRecord r = host.Child(0, 0, 0, 0);
    r.width = CW_USEDEFAULT;
    r.height = 40;
    ASSERT_TRUE(zero.Create(r));
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.height, 0);
    EXPECT_EQ(r.exStyle & WS_EX_CONTROLPARENT, static_cast<uint32_t>(WS_EX_CONTROLPARENT));
    EXPECT_EQ(r.style & WS_TABSTOP, 0u);

    Designed sized;
    sized.designWidth = 300;
    sized.designHeight = 200;
    sized.SetStyle(sized.GetStyle() | WS_BORDER | WS_THICKFRAME);
    CQelCreateRecord s = host.Child(0, 0, 0, 0);
    s.width = CW_USEDEFAULT;
    s.height = CW_USEDEFAULT;
    ASSERT_TRUE(sized.Create(s));
    RECT expected{0, 0, 300, 200};
    AdjustWindowRectEx(&expected, s.style, FALSE, s.exStyle);
    EXPECT_EQ(s.width, expected.right - expected.left);
    EXPECT_EQ(s.height, expected.bottom - expected.top);
    EXPECT_EQ(s.x, 0);
    RECT client;
    GetClientRect(sized.GetHwnd(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);

    // A record with both sizes given keeps them.
    Designed given;
    given.designWidth = 300;
    given.designHeight = 200;
    CQelCreateRecord g = host.Child(0, 0, 33, 44);
    ASSERT_TRUE(given.Create(g));
    EXPECT_EQ(g.width, 33);
    EXPECT_EQ(g.height, 44);
    // A tab stop asked for in the window data is removed: a container is never a tab stop.
    Designed tab;
    tab.SetStyle(tab.GetStyle() | WS_TABSTOP);
    CQelCreateRecord t = host.Child(0, 0, 10, 10);
    ASSERT_TRUE(tab.Create(t));
    EXPECT_EQ(GetWindowLongW(tab.GetHwnd(), GWL_STYLE) & WS_TABSTOP, 0);
}

TEST_F(ContainerTest, ComponentsExistBeforeTheCreatedEventAndEventsFollowTheWindow) {
    Designed c;
    c.log = &receiver.log;
    BindAll(c);
    CQelCreateRecord r = host.Child(10, 10, 200, 100);
    ASSERT_TRUE(c.Create(r));
    EXPECT_EQ(c.componentRuns, 1);
    ASSERT_GE(receiver.log.size(), 2u);
    EXPECT_STREQ(receiver.log[0].name, "components");
    EXPECT_EQ(receiver.log[0].a, 1);
    const Event* created = receiver.Last(kCreated);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->sender, &c);
    EXPECT_EQ(created->a, 1);
    EXPECT_EQ(created->b, 1);
    EXPECT_EQ(GetParent(c.label.GetHwnd()), c.GetHwnd());

    receiver.log.clear();
    SetWindowPos(c.GetHwnd(), nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(receiver.Count(kMoved), 1);
    EXPECT_EQ(receiver.Count(kResized), 0);
    c.SetWidth(250);
    EXPECT_EQ(receiver.Count(kResized), 1);
    ShowWindow(c.GetHwnd(), SW_HIDE);
    EXPECT_EQ(receiver.Count(kHidden), 1);
    ShowWindow(c.GetHwnd(), SW_SHOW);
    EXPECT_EQ(receiver.Count(kShown), 1);

    receiver.log.clear();
    DestroyWindow(c.GetHwnd());
    // Destroying a visible window may hide it first; destroyed and after destroy come last.
    ASSERT_GE(receiver.log.size(), 2u);
    EXPECT_STREQ(receiver.log[receiver.log.size() - 2].name, kDestroyed);
    EXPECT_STREQ(receiver.log.back().name, kAfterDestroy);
    EXPECT_EQ(receiver.Count(kDestroyed), 1);
    EXPECT_EQ(receiver.Count(kAfterDestroy), 1);
    EXPECT_FALSE(c.label.HasNativeWindow());

    // A new window gets its components again.
    CQelCreateRecord again = host.Child(0, 0, 100, 100);
    ASSERT_TRUE(c.Create(again));
    EXPECT_EQ(c.componentRuns, 2);
}

TEST_F(ContainerTest, DestroyingTheLastControlObjectRaisesNoDestroyEvents) {
    auto* c = new Designed;
    BindAll(*c);
    CQelCreateRecord r = host.Child(0, 0, 100, 100);
    ASSERT_TRUE(c->Create(r));
    HWND hwnd = c->GetHwnd();
    receiver.log.clear();
    c->Delete();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(receiver.Count(kDestroyed), 0);
    EXPECT_EQ(receiver.Count(kAfterDestroy), 0);
}

TEST_F(ContainerTest, ContainersAnswerDlgcStaticAndForwardTheFocus) {
    // Label first, slider second: the slider wants arrow keys and gets the focus.
    Designed withSlider;
    ASSERT_TRUE(withSlider.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 200, 100))));
    EXPECT_EQ(SendMessageW(withSlider.GetHwnd(), WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    SetFocus(withSlider.GetHwnd());
    EXPECT_EQ(GetFocus(), withSlider.slider.GetHwnd());

    // Labels and a push button that wants no keys: the first tab stop (the button) gets it.
    rg_ZuJianBuJuQi buttons;
    ASSERT_TRUE(buttons.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 120, 200, 100))));
    rg_BiaoQian l1, l2;
    rg_AnNiu button;
    ASSERT_TRUE(l1.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{buttons.GetWindowObject(), 0, 0, 50, 20})));
    ASSERT_TRUE(l2.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{buttons.GetWindowObject(), 0, 20, 50, 20})));
    ASSERT_TRUE(button.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{buttons.GetWindowObject(), 0, 40, 80, 25})));
    EXPECT_EQ(SendMessageW(button.GetHwnd(), WM_GETDLGCODE, 0, 0) & 0x87, 0);
    SetFocus(buttons.GetHwnd());
    EXPECT_EQ(GetFocus(), button.GetHwnd());

    // Only labels: the first label.
    rg_ZuJianBuJuQi labels;
    ASSERT_TRUE(labels.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 240, 200, 60))));
    rg_BiaoQian a, b;
    ASSERT_TRUE(a.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{labels.GetWindowObject(), 0, 0, 50, 20})));
    ASSERT_TRUE(b.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{labels.GetWindowObject(), 0, 20, 50, 20})));
    SetFocus(labels.GetHwnd());
    EXPECT_EQ(GetFocus(), a.GetHwnd());

    // Hidden: the first child without searching (the slider would have been found).
    ShowWindow(withSlider.GetHwnd(), SW_HIDE);
    EXPECT_EQ(FindContainerFocusTarget(withSlider.GetHwnd()), withSlider.label.GetHwnd());
    // A disabled container behaves the same.
    ShowWindow(withSlider.GetHwnd(), SW_SHOW);
    EnableWindow(withSlider.GetHwnd(), FALSE);
    EXPECT_EQ(FindContainerFocusTarget(withSlider.GetHwnd()), withSlider.label.GetHwnd());
    EnableWindow(withSlider.GetHwnd(), TRUE);
    EXPECT_EQ(FindContainerFocusTarget(withSlider.GetHwnd()), withSlider.slider.GetHwnd());
    // A nested key window is found below a visible, enabled child container.
    rg_ZuJianBuJuQi outer;
    ASSERT_TRUE(outer.Create(*std::make_unique<CQelCreateRecord>(host.Child(250, 0, 200, 200))));
    rg_BiaoQian first;
    ASSERT_TRUE(first.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{outer.GetWindowObject(), 0, 0, 50, 20})));
    Designed inner;
    ASSERT_TRUE(inner.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{outer.GetWindowObject(), 0, 30, 180, 120})));
    SetFocus(outer.GetHwnd());
    EXPECT_EQ(GetFocus(), inner.slider.GetHwnd());
    // An empty container keeps nothing to forward to.
    rg_ZuJianBuJuQi empty;
    ASSERT_TRUE(empty.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 310, 50, 50))));
    EXPECT_EQ(FindContainerFocusTarget(empty.GetHwnd()), nullptr);
    SetFocus(empty.GetHwnd());
    EXPECT_EQ(GetFocus(), empty.GetHwnd());
}

TEST_F(ContainerTest, PaintingReadBackFromTheScreenShowsTheModesAndTheBackgroundColour) {
    rg_ZuJianBuJuQi big, small;
    ASSERT_TRUE(big.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 400, 400))));
    ASSERT_TRUE(small.Create(*std::make_unique<CQelCreateRecord>(host.Child(420, 0, 50, 100))));
    for (rg_ZuJianBuJuQi* c : {&big, &small}) {
        CQWnd_Container* w = c->GetContainerWnd();
        w->backgroundColor = kGreen;
        w->pictureMode = 2;
        w->picture.Attach(MakePicture(100, 50));
        Repaint(c->GetHwnd());
    }
    HWND b = big.GetHwnd(), s = small.GetHwnd();
    EXPECT_EQ(Pixel(b, 150, 175), kRed);
    EXPECT_EQ(Pixel(b, 249, 224), kBlue);
    EXPECT_EQ(Pixel(b, 149, 175), kGreen);
    EXPECT_EQ(Pixel(b, 150, 225), kGreen);
    EXPECT_EQ(Pixel(b, 0, 0), kGreen);
    EXPECT_EQ(Pixel(s, 0, 37), kRed);
    EXPECT_EQ(Pixel(s, 49, 61), kBlue);
    EXPECT_EQ(Pixel(s, 0, 36), kGreen);
    EXPECT_EQ(Pixel(s, 25, 62), kGreen);

    // The default colour is the button face; mode 3 covers everything.
    CQWnd_Container* w = big.GetContainerWnd();
    w->backgroundColor = kSystemColor;
    w->pictureMode = 7;
    Repaint(b);
    EXPECT_EQ(Pixel(b, 150, 175), GetSysColor(COLOR_BTNFACE));
    w->pictureMode = 3;
    Repaint(b);
    EXPECT_EQ(Pixel(b, 0, 0), kRed);
    EXPECT_EQ(Pixel(b, 399, 399), kBlue);
}

}  // namespace
