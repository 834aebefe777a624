// Containers: background picture modes (against memory surfaces and read back from the screen),
// design size, components created inside WM_CREATE before the created event, the container events
// and focus forwarding.
#include <gtest/gtest.h>

#include "ui/QelBackground.h"
#include "ui/QelButton.h"
#include "ui/QelLabel.h"
#include "ui/QelSlider.h"
#include "ui/tests/ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

constexpr COLORREF kRed = RGB(220, 0, 0), kBlue = RGB(0, 0, 200), kGreen = RGB(0, 180, 0), kSentinel = RGB(1, 2, 3);

// A picture of w x h pixels, left half red and right half blue.
HBITMAP MakePicture(int w, int h) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH red = CreateSolidBrush(kRed), blue = CreateSolidBrush(kBlue);
    RECT left{0, 0, w / 2, h}, right{w / 2, 0, w, h};
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Draws the picture in a mode on a w x h surface filled with the sentinel; keeps pixels and region.
struct Painted {
    Painted(int64_t mode, HBITMAP picture, int w, int h, RECT area = {}) {
        if (IsRectEmpty(&area)) area = RECT{0, 0, w, h};
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        HBRUSH b = CreateSolidBrush(kSentinel);
        RECT all{0, 0, w, h};
        FillRect(dc, &all, b);
        DeleteObject(b);
        region = CreateRectRgn(0, 0, w, h);
        PaintBackgroundPicture(mode, dc, picture, all, area, region);
    }
    ~Painted() {
        if (region) DeleteObject(region);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    long RegionArea() const {
        long area = 0;
        for (int y = 0; y < 400; ++y) {
            for (int x = 0; x < 400; ++x) area += region && PtInRegion(region, x, y);
        }
        return area;
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    HRGN region;
};

TEST(BackgroundPicture, EachModeDrawsWhereItShouldAndRemovesWhatItCovers) {
    HBITMAP picture = MakePicture(100, 50);
    {
        Painted centred(2, picture, 400, 400);
        EXPECT_EQ(centred.At(150, 175), kRed);
        EXPECT_EQ(centred.At(249, 224), kBlue);
        EXPECT_EQ(centred.At(149, 175), kSentinel);
        EXPECT_EQ(centred.RegionArea(), 400 * 400 - 100 * 50);
        Painted fitted(2, picture, 50, 100);  // scaled to 50 x 25 at (0, 37)
        EXPECT_EQ(fitted.At(0, 37), kRed);
        EXPECT_EQ(fitted.At(49, 61), kBlue);
        EXPECT_EQ(fitted.At(0, 36), kSentinel);
        EXPECT_EQ(fitted.At(0, 62), kSentinel);
        EXPECT_EQ(fitted.RegionArea(), 50 * 100 - 50 * 25);
    }
    {
        Painted smaller(0, picture, 400, 400);  // the L-shaped rest stays to be filled
        EXPECT_EQ(smaller.At(99, 49), kBlue);
        EXPECT_EQ(smaller.At(100, 0), kSentinel);
        EXPECT_EQ(smaller.RegionArea(), 400 * 400 - 100 * 50);
        Painted larger(0, picture, 60, 30);  // nothing left to fill
        EXPECT_EQ(larger.RegionArea(), 0);
    }
    {
        Painted tiled(1, picture, 400, 400, RECT{120, 60, 180, 90});  // touches only the tile at (100, 50)
        EXPECT_EQ(tiled.region, nullptr);
        EXPECT_EQ(tiled.At(100, 50), kRed);
        EXPECT_EQ(tiled.At(199, 99), kBlue);
        EXPECT_EQ(tiled.At(0, 0), kSentinel);
        EXPECT_EQ(tiled.At(200, 50), kSentinel);
        EXPECT_EQ(tiled.At(100, 100), kSentinel);
        Painted stretched(3, picture, 40, 40);
        EXPECT_EQ(stretched.region, nullptr);
        EXPECT_EQ(stretched.At(0, 39), kRed);
        EXPECT_EQ(stretched.At(39, 0), kBlue);
        Painted unknown(7, picture, 40, 40), none(0, nullptr, 40, 40);
        EXPECT_EQ(unknown.RegionArea(), 1600);
        EXPECT_EQ(none.RegionArea(), 1600);
        EXPECT_EQ(unknown.At(0, 0), kSentinel);
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
        CQelCreateRecord r{GetWindowObject(), 0, 0, 80, 20};
        label.Create(r);
        r = {GetWindowObject(), 0, 30, 150, 30};
        slider.Create(r);
    }
    int32_t designWidth = 0, designHeight = 0;
    int componentRuns = 0;
    rg_BiaoQian label;
    rg_HuaKuaiTiao slider;
};

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    Host host{500, 450, 50, 50};
    Receiver receiver;
};

TEST_F(ContainerTest, DefaultSizeComesFromTheDesignSizeOrIsZero) {
    Designed zero, sized, given;
    CQelCreateRecord z = host.Child(0, 0, CW_USEDEFAULT, 40);
    ASSERT_TRUE(zero.Create(z));
    EXPECT_EQ(z.width, 0);
    EXPECT_EQ(z.height, 0);
    EXPECT_EQ(z.exStyle, static_cast<uint32_t>(WS_EX_CONTROLPARENT));
    sized.designWidth = given.designWidth = 300;
    sized.designHeight = given.designHeight = 200;
    sized.SetStyle(sized.GetStyle() | WS_THICKFRAME | WS_TABSTOP);
    CQelCreateRecord s = host.Child(0, 0, CW_USEDEFAULT, CW_USEDEFAULT);
    ASSERT_TRUE(sized.Create(s));
    EXPECT_EQ(s.style & WS_TABSTOP, 0u);  // never a tab stop
    RECT client;
    GetClientRect(sized.GetHwnd(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(s.x, 0);
    CQelCreateRecord g = host.Child(0, 0, 33, 44);
    ASSERT_TRUE(given.Create(g));
    EXPECT_EQ(g.width, 33);
}

TEST_F(ContainerTest, ComponentsExistBeforeTheCreatedEventAndTheEventsFollowTheWindow) {
    Designed c;
    BindEvent(c, c.created,
              [](CQelObject* r, CQelObject* s, uint32_t) {
                  auto* d = static_cast<Designed*>(s);
                  return Note(r, "created", s, d->label.HasNativeWindow(), d->slider.HasNativeWindow());
              },
              receiver.self);
    BindEvent(c, c.destroyed, Plain<kDestroyed>, receiver.self);
    BindEvent(c, c.afterDestroy, Plain<kAfterDestroy>, receiver.self);
    BindEvent(c, c.moved, Plain<kMoved>, receiver.self);
    BindEvent(c, c.resized, Plain<kResized>, receiver.self);
    BindEvent(c, c.shown, Plain<kShown>, receiver.self);
    BindEvent(c, c.hidden, Plain<kHidden>, receiver.self);
    HWND h = host.Make(c, 10, 10, 200, 100);
    const Event* created = receiver.Last("created");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->sender, &c);
    EXPECT_EQ(created->a + created->b, 2);
    EXPECT_EQ(c.componentRuns, 1);

    receiver.log.clear();
    SetWindowPos(h, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    c.SetWidth(250);
    ShowWindow(h, SW_HIDE);
    ShowWindow(h, SW_SHOW);
    for (const char* name : {kMoved, kResized, kHidden, kShown}) EXPECT_EQ(receiver.Count(name), 1) << name;
    receiver.log.clear();
    DestroyWindow(h);
    ASSERT_GE(receiver.log.size(), 2u);
    EXPECT_EQ(receiver.log[receiver.log.size() - 2].name, kDestroyed);
    EXPECT_EQ(receiver.log.back().name, kAfterDestroy);
    host.Make(c, 0, 0, 100, 100);
    EXPECT_EQ(c.componentRuns, 2);  // a new window gets its components again

    // Released by its last control object, the window raises no destroy events.
    auto* last = new Designed;
    BindEvent(*last, last->destroyed, Plain<kDestroyed>, receiver.self);
    h = host.Make(*last, 0, 0, 100, 100);
    receiver.log.clear();
    last->Delete();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_TRUE(receiver.log.empty());
}

TEST_F(ContainerTest, FocusGoesToTheFirstKeyWindowElseTheFirstTabStopElseTheFirstChild) {
    Designed withSlider;  // label first, slider second
    HWND ws = host.Make(withSlider, 0, 0, 200, 100);
    EXPECT_EQ(SendMessageW(ws, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    SetFocus(ws);
    EXPECT_EQ(GetFocus(), withSlider.slider.GetHwnd());

    rg_ZuJianBuJuQi buttons, labels, empty;
    rg_BiaoQian l1, l2, l3;
    rg_AnNiu button;
    HWND hb = host.Make(buttons, 0, 120, 200, 100), hl = host.Make(labels, 0, 240, 200, 60);
    CQelCreateRecord r{buttons.GetWindowObject(), 0, 0, 50, 20};
    l1.Create(r);
    r = {buttons.GetWindowObject(), 0, 40, 80, 25};
    button.Create(r);
    r = {labels.GetWindowObject(), 0, 0, 50, 20};
    l2.Create(r);
    r = {labels.GetWindowObject(), 0, 20, 50, 20};
    l3.Create(r);
    SetFocus(hb);
    EXPECT_EQ(GetFocus(), button.GetHwnd());  // wants no keys, but is a tab stop
    SetFocus(hl);
    EXPECT_EQ(GetFocus(), l2.GetHwnd());
    HWND he = host.Make(empty, 300, 0, 50, 50);
    SetFocus(he);
    EXPECT_EQ(GetFocus(), he);

    ShowWindow(ws, SW_HIDE);  // hidden or disabled: the first child, without searching
    EXPECT_EQ(FindContainerFocusTarget(ws), withSlider.label.GetHwnd());
    ShowWindow(ws, SW_SHOW);
    EnableWindow(ws, FALSE);
    EXPECT_EQ(FindContainerFocusTarget(ws), withSlider.label.GetHwnd());
    EnableWindow(ws, TRUE);
    // Found below a nested container too.
    rg_ZuJianBuJuQi outer;
    Designed inner;
    HWND ho = host.Make(outer, 250, 100, 200, 200);
    r = {outer.GetWindowObject(), 0, 30, 180, 120};
    inner.Create(r);
    SetFocus(ho);
    EXPECT_EQ(GetFocus(), inner.slider.GetHwnd());
}

TEST_F(ContainerTest, PaintingReadBackFromTheScreenShowsTheModesAndTheBackgroundColour) {
    rg_ZuJianBuJuQi big, small;
    HWND b = host.Make(big, 0, 0, 400, 400), s = host.Make(small, 420, 0, 50, 100);
    for (rg_ZuJianBuJuQi* c : {&big, &small}) {
        c->GetContainerWnd()->backgroundColor = kGreen;
        c->GetContainerWnd()->pictureMode = 2;
        c->GetContainerWnd()->picture.Attach(MakePicture(100, 50));
        Repaint(c->GetHwnd());
    }
    Capture cb(b), cs(s);
    EXPECT_EQ(cb.Bounds(kGreen).left, 150);
    EXPECT_EQ(cb.Bounds(kGreen).top, 175);
    EXPECT_EQ(cb.Bounds(kGreen).right, 250);
    EXPECT_EQ(cb.Bounds(kGreen).bottom, 225);
    EXPECT_EQ(cb.At(150, 175), kRed);
    EXPECT_EQ(cs.Bounds(kGreen).top, 37);
    EXPECT_EQ(cs.Bounds(kGreen).bottom, 62);
    EXPECT_EQ(cs.At(0, 37), kRed);
    EXPECT_EQ(cs.At(49, 61), kBlue);

    CQWnd_Container* w = big.GetContainerWnd();
    w->backgroundColor = kSystemColor;
    w->pictureMode = 7;
    Repaint(b);
    EXPECT_EQ(Capture(b).At(150, 175), GetSysColor(COLOR_BTNFACE));
    w->pictureMode = 3;
    Repaint(b);
    EXPECT_EQ(Capture(b).At(399, 399), kBlue);
}

}  // namespace
