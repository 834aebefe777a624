// Painter: hidden creation then showing without activation, pen, brush and font from the settings,
// the back buffer across resizes, painting with and without it, the paint event in logical units,
// the focus rule on mouse activation and the dialog code.
#include <gtest/gtest.h>

#include "DrawingState.h"
#include "QelPainter.h"
#include "ValueClasses.h"
#include "ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

constexpr COLORREF kRed = RGB(230, 10, 10);
constexpr COLORREF kBackground = RGB(0, 128, 255);

class PainterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    HWND Make(rg_HuaBan& p, int x, int y, int w, int h) {
        CQelCreateRecord r = host.Child(x, y, w, h);
        EXPECT_TRUE(p.Create(r));
        return p.GetHwnd();
    }
    Host host{520, 400, 40, 40};
    Receiver receiver;
};

// Fills a rectangle of the painter's back buffer with a colour.
void FillBackBuffer(CQWnd_Painter* w, const RECT& r, COLORREF color) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, w->backBuffer.GetSafeHandle());
    HBRUSH b = CreateSolidBrush(color);
    FillRect(dc, &r, b);
    DeleteObject(b);
    SelectObject(dc, old);
    DeleteDC(dc);
}

// Reads a pixel of the painter's back buffer.
COLORREF BackBufferPixel(CQWnd_Painter* w, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, w->backBuffer.GetSafeHandle());
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

SIZE BackBufferSize(CQWnd_Painter* w) {
    BITMAP bm{};
    w->backBuffer.GetBitmap(&bm);
    return SIZE{bm.bmWidth, bm.bmHeight};
}

// What the painter's objects looked like when WM_SHOWWINDOW arrived.
rg_HuaBan* g_watched = nullptr;
int g_showCalls = 0;
bool g_objectsAtShow = false;
LRESULT CALLBACK WatchShow(int code, WPARAM w, LPARAM l) {
    const auto* c = reinterpret_cast<const CWPSTRUCT*>(l);
    if (code == HC_ACTION && g_watched && c->message == WM_SHOWWINDOW && c->hwnd == g_watched->GetHwnd() && c->wParam) {
        ++g_showCalls;
        CQWnd_Painter* p = g_watched->GetPainterWnd();
        g_objectsAtShow = p->pen && p->brush && p->font;
    }
    return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(PainterTest, AVisiblePainterIsShownWithoutActivationOnceItsObjectsExist) {
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &WatchShow, nullptr, GetCurrentThreadId());
    rg_HuaBan top;
    top.SetStyle(WS_POPUP | WS_VISIBLE);
    g_watched = &top;
    g_showCalls = 0;
    CQelCreateRecord r;
    r.x = 700;
    r.y = 100;
    r.width = 80;
    r.height = 60;
    ASSERT_TRUE(top.Create(r));
    UnhookWindowsHookEx(hook);
    g_watched = nullptr;
    EXPECT_EQ(g_showCalls, 1);
    EXPECT_TRUE(g_objectsAtShow);
    EXPECT_TRUE(IsWindowVisible(top.GetHwnd()));
    EXPECT_EQ(GetActiveWindow(), host.hwnd());
    EXPECT_EQ(r.font, nullptr);  // the painter took the font itself; AfterCreate sends none

    rg_HuaBan hidden;
    hidden.SetStyle(WS_CLIPSIBLINGS);
    HWND h = Make(hidden, 0, 0, 50, 50);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_TRUE(hidden.GetPainterWnd()->pen);
}

TEST_F(PainterTest, ObjectsAreMadeOnlyOnceTheWindowExists) {
    rg_HuaBan p;
    CQWnd_Painter* w = p.GetPainterWnd();
    p.SetPenColor(RGB(1, 2, 3));
    EXPECT_FALSE(w->pen);
    EXPECT_FALSE(w->brush);
    EXPECT_FALSE(w->font);
    EXPECT_FALSE(w->backBuffer);
    EXPECT_TRUE(w->backgroundBrush);
    Make(p, 0, 0, 40, 40);
    EXPECT_TRUE(w->pen);
    EXPECT_TRUE(w->brush);
    EXPECT_TRUE(w->font);
    EXPECT_FALSE(w->backBuffer);  // not enabled
    LOGPEN lp{};
    ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof lp, &lp));
    EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
}

TEST_F(PainterTest, PenStylesFollowThePainterTableAndUnchangedValuesKeepThePen) {
    rg_HuaBan p;
    p.SetPenStyle(0);
    p.SetPenWidth(5);
    Make(p, 0, 0, 40, 40);
    CQWnd_Painter* w = p.GetPainterWnd();
    EXTLOGPEN ep{};
    ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof ep, &ep));
    EXPECT_EQ(ep.elpPenStyle & PS_STYLE_MASK, static_cast<DWORD>(PS_ALTERNATE));
    EXPECT_EQ(ep.elpWidth, 1u);  // one pixel whatever the width
    {
        // Drawn: every other pixel.
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bm = CreateCompatibleBitmap(screen, 10, 3);
        HGDIOBJ old = SelectObject(dc, bm);
        PatBlt(dc, 0, 0, 10, 3, WHITENESS);
        HGDIOBJ oldPen = SelectObject(dc, w->pen.GetSafeHandle());
        MoveToEx(dc, 0, 1, nullptr);
        LineTo(dc, 10, 1);
        SelectObject(dc, oldPen);
        for (int x = 0; x < 10; ++x) EXPECT_EQ(GetPixel(dc, x, 1), x % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x;
        EXPECT_EQ(GetPixel(dc, 3, 2), RGB(255, 255, 255));
        SelectObject(dc, old);
        DeleteObject(bm);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    LOGPEN lp{};

    p.SetPenStyle(9);
    p.SetPenWidth(3);
    ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof lp, &lp));
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
    EXPECT_EQ(lp.lopnWidth.x, 3);

    const int expected[] = {PS_SOLID, PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_INSIDEFRAME};
    p.SetPenWidth(1);
    for (int style = 1; style <= 6; ++style) {
        p.SetPenStyle(style);
        ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof lp, &lp));
        EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(expected[style])) << style;
    }
    HPEN before = w->pen.GetSafeHandle();
    p.SetPenColor(w->penColor);
    p.SetPenWidth(1);
    p.SetPenStyle(6);
    EXPECT_EQ(w->pen.GetSafeHandle(), before);
    p.SetPenColor(RGB(9, 9, 9));
    EXPECT_NE(w->pen.GetSafeHandle(), nullptr);
    ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof lp, &lp));
    EXPECT_EQ(lp.lopnColor, RGB(9, 9, 9));
}

TEST_F(PainterTest, PatternBrushFourteenPaintsACheckerboard) {
    rg_HuaBan p;
    p.GetPainterWnd()->brushStyle = 14;
    p.GetPainterWnd()->brushColor = RGB(200, 0, 0);
    Make(p, 0, 0, 40, 40);
    HBRUSH brush = p.GetPainterWnd()->brush.GetSafeHandle();
    ASSERT_NE(brush, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, bm);
    // 0 bits take the text colour (the brush colour), 1 bits the background colour.
    SetTextColor(dc, RGB(200, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, brush);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const COLORREF want = ((x + y) % 2 == 0) ? RGB(200, 0, 0) : RGB(255, 255, 255);
            ASSERT_EQ(GetPixel(dc, x, y), want) << x << "," << y;
        }
    }
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(PainterTest, UnitOneScalesTheFontToTenthsOfAMillimetre) {
    rg_HuaBan p;
    p.GetPainterWnd()->unit = 1;
    Make(p, 0, 0, 40, 40);
    LOGFONTW stock{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(p.GetPainterWnd()->font.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, static_cast<LONG>(std::abs(stock.lfHeight) / static_cast<double>(dpi) * -10 / 0.0394));
    if (stock.lfHeight == -11 && dpi == 96) EXPECT_EQ(lf.lfHeight, -29);
    // The description keeps the screen height; a later WM_SETFONT recreates the font in the unit.
    EXPECT_EQ(p.GetPainterWnd()->fontDescription.lfHeight, stock.lfHeight);
    LOGFONTW big = stock;
    big.lfHeight = -96;
    HFONT given = CreateFontIndirectW(&big);
    SendMessageW(p.GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(given), FALSE);
    DeleteObject(given);
    ASSERT_TRUE(GetObjectW(p.GetPainterWnd()->font.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, static_cast<LONG>(96.0 / dpi * -10 / 0.0394));
    EXPECT_EQ(p.GetPainterWnd()->fontDescription.lfHeight, -96);
    // Pixels keep the height.
    rg_HuaBan pixels;
    Make(pixels, 50, 0, 40, 40);
    ASSERT_TRUE(GetObjectW(pixels.GetPainterWnd()->font.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, stock.lfHeight);
}

TEST_F(PainterTest, TheBackBufferFollowsResizesKeepingItsContentInTheTopLeftCorner) {
    rg_HuaBan p;
    CQWnd_Painter* w = p.GetPainterWnd();
    w->backBufferEnabled = 1;
    w->backgroundColor = kBackground;
    w->backgroundBrush.CreateSolidBrush(kBackground);
    HWND h = Make(p, 10, 10, 100, 80);
    ASSERT_TRUE(w->backBuffer);
    EXPECT_EQ(BackBufferSize(w).cx, 100);
    EXPECT_EQ(BackBufferSize(w).cy, 80);
    EXPECT_EQ(BackBufferPixel(w, 99, 79), kBackground);
    FillBackBuffer(w, RECT{0, 0, 100, 80}, kRed);

    SetWindowPos(h, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(BackBufferSize(w).cx, 50);
    SetWindowPos(h, nullptr, 0, 0, 120, 90, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(BackBufferSize(w).cx, 120);
    EXPECT_EQ(BackBufferPixel(w, 0, 0), kRed);
    EXPECT_EQ(BackBufferPixel(w, 49, 39), kRed);
    EXPECT_EQ(BackBufferPixel(w, 50, 0), kBackground);
    EXPECT_EQ(BackBufferPixel(w, 0, 40), kBackground);
    EXPECT_EQ(BackBufferPixel(w, 119, 89), kBackground);

    // The window shows the buffer and raises no paint event.
    BindEvent(p, p.paint, [](CQelObject* r, CQelObject* s, uint32_t, rg_Zarno_JiBen::rg_JuXingLei*) -> int32_t {
        AsReceiver(r)->log.push_back({"paint", s, 0, 0, 0, 0});
        return 0;
    }, receiver.self);
    Repaint(h);
    Capture c(h);
    EXPECT_EQ(c.At(10, 10), kRed);
    EXPECT_EQ(c.At(60, 10), kBackground);
    EXPECT_EQ(receiver.Count("paint"), 0);

    // Zero width still keeps a 1-by-1 buffer.
    SetWindowPos(h, nullptr, 0, 0, 0, 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(BackBufferSize(w).cx, 1);
    EXPECT_EQ(BackBufferSize(w).cy, 30);
    EXPECT_EQ(BackBufferPixel(w, 0, 0), kRed);
}

TEST_F(PainterTest, ACentredPictureRepaintsTheWholeBufferOnResizeAndOtherModesKeepTheContent) {
    for (int mode : {2, 0}) {
        rg_HuaBan p;
        CQWnd_Painter* w = p.GetPainterWnd();
        w->backBufferEnabled = 1;
        w->backgroundBrush.CreateSolidBrush(kBackground);
        w->pictureMode = mode;
        HDC screen = GetDC(nullptr);
        w->picture.CreateCompatibleBitmap(screen, 4, 4);  // black
        ReleaseDC(nullptr, screen);
        HWND h = Make(p, 10, 10, 100, 80);
        FillBackBuffer(w, RECT{0, 0, 100, 80}, kRed);
        SetWindowPos(h, nullptr, 0, 0, 110, 90, SWP_NOMOVE | SWP_NOZORDER);
        if (mode == 2) {
            EXPECT_EQ(BackBufferPixel(w, 0, 0), kBackground);
            EXPECT_EQ(BackBufferPixel(w, 55, 45), RGB(0, 0, 0));  // the picture in the middle
        } else {
            EXPECT_EQ(BackBufferPixel(w, 0, 0), kRed);
            EXPECT_EQ(BackBufferPixel(w, 105, 85), kBackground);
        }
        DestroyWindow(h);
    }
}

// The paint handler: records the area and that a drawing context exists, and paints the area red.
int32_t PaintRed(CQelObject* r, CQelObject* s, uint32_t, rg_Zarno_JiBen::rg_JuXingLei* area) {
    auto* painter = static_cast<rg_HuaBan*>(s);
    CDC* dc = painter->GetCurrentDC();
    AsReceiver(r)->log.push_back({"paint", s, area->left, area->top, area->right, area->bottom});
    if (dc) {
        RECT rc{area->left, area->top, area->right, area->bottom};
        HBRUSH b = CreateSolidBrush(kRed);
        FillRect(*dc, &rc, b);
        DeleteObject(b);
        AsReceiver(r)->log.back().sender = s;
    }
    return 0;
}

TEST_F(PainterTest, WithoutABackBufferPaintingRaisesThePaintEventInLogicalUnits) {
    rg_HuaBan pixels, metric;
    metric.GetPainterWnd()->unit = 1;
    HWND hp = Make(pixels, 10, 10, 200, 150);
    HWND hm = Make(metric, 220, 10, 200, 150);
    // First only the background, then the handler for a part of the window.
    Repaint(hp);
    Repaint(hm);
    BindEvent(pixels, pixels.paint, PaintRed, receiver.self);
    BindEvent(metric, metric.paint, PaintRed, receiver.self);

    RECT part{10, 20, 50, 60};
    InvalidateRect(hp, &part, FALSE);
    UpdateWindow(hp);
    ASSERT_EQ(receiver.Count("paint"), 1);
    const Event& e = receiver.log[0];
    EXPECT_EQ(e.a, 10);
    EXPECT_EQ(e.b, 20);
    EXPECT_EQ(e.c, 50);
    EXPECT_EQ(e.d, 60);
    EXPECT_EQ(pixels.GetCurrentDC(), nullptr);
    qeltest::Pump(10);
    Capture c(hp);
    EXPECT_EQ(c.At(10, 20), kRed);
    EXPECT_EQ(c.At(49, 59), kRed);
    EXPECT_EQ(c.At(9, 20), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(c.At(50, 20), GetSysColor(COLOR_BTNFACE));

    // In tenths of a millimetre, y growing downward from the top-left corner.
    receiver.log.clear();
    InvalidateRect(hm, &part, FALSE);
    UpdateWindow(hm);
    ASSERT_EQ(receiver.Count("paint"), 1);
    HDC probe = CreateCompatibleDC(nullptr);
    ApplyUnit(probe, 1);
    POINT corners[2] = {{10, 20}, {50, 60}};
    DPtoLP(probe, corners, 2);
    DeleteDC(probe);
    const Event& m = receiver.log[0];
    EXPECT_EQ(m.a, corners[0].x);
    EXPECT_EQ(m.b, corners[0].y);
    EXPECT_EQ(m.c, corners[1].x);
    EXPECT_EQ(m.d, corners[1].y);
    EXPECT_GT(m.c, m.a * 2);  // 40 pixels are many tenths of a millimetre
    EXPECT_GT(m.d, m.b);
    qeltest::Pump(10);
    Capture cm(hm);
    EXPECT_EQ(cm.At(30, 40), kRed);  // the handler drew in logical units onto the right pixels
    EXPECT_EQ(cm.At(5, 5), GetSysColor(COLOR_BTNFACE));

    // Without a listener only the background is painted.
    metric.DetachListener();
    receiver.log.clear();
    Repaint(hm);
    EXPECT_EQ(receiver.Count("paint"), 0);
    EXPECT_EQ(Capture(hm).At(30, 40), GetSysColor(COLOR_BTNFACE));
}

TEST_F(PainterTest, ClickingATabStopPainterFocusesItAndTheClickStillArrives) {
    rg_HuaBan tab, plain;
    tab.SetStyle(tab.GetStyle() | WS_TABSTOP);
    HWND ht = Make(tab, 10, 10, 150, 100);
    HWND hp = Make(plain, 200, 10, 150, 100);
    EXPECT_EQ(SendMessageW(ht, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    EXPECT_EQ(SendMessageW(hp, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    BindEvent(tab, tab.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    BindEvent(plain, plain.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    SetFocus(host.hwnd());
    ClickAt(ht, 30, 30);
    EXPECT_EQ(GetFocus(), ht);
    EXPECT_EQ(receiver.Count(kLeftDown), 1);
    ClickAt(hp, 30, 30);
    EXPECT_EQ(GetFocus(), ht);
    EXPECT_EQ(receiver.Count(kLeftDown), 2);
    // The activation answer itself.
    SetFocus(host.hwnd());
    MoveTo(ht, 40, 40);
    EXPECT_EQ(SendMessageW(ht, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(host.hwnd()), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_ACTIVATE);
    EXPECT_EQ(GetFocus(), ht);
}

}  // namespace
