// Painter: hidden creation then showing without activation, pen, brush and font from the settings,
// the back buffer across resizes, painting with and without it, the paint event in logical units,
// the focus rule on mouse activation and the dialog code.
#include <gtest/gtest.h>

#include "drawing/DeviceContextTools.h"
#include "ui/QelPainter.h"
#include "runtime/ValueClasses.h"
#include "ui/tests/ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

constexpr COLORREF kRed = RGB(230, 10, 10), kBackground = RGB(0, 128, 255);

// A memory DC over a bitmap (a new w x h one, or the given one), read and written by pixel.
class Pixels {
public:
    Pixels(int w, int h, HBITMAP existing = nullptr) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        own = existing ? nullptr : CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, existing ? existing : own);
    }
    ~Pixels() {
        SelectObject(dc, old);
        if (own) DeleteObject(own);
        DeleteDC(dc);
    }
    void Fill(RECT r, COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    HDC dc;
    HBITMAP own;
    HGDIOBJ old;
};

SIZE BitmapSize(const CBitmap& b) {
    BITMAP bm{};
    b.GetBitmap(&bm);
    return SIZE{bm.bmWidth, bm.bmHeight};
}

class PainterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    Host host{520, 400, 40, 40};
    Receiver receiver;
};

rg_HuaBan* g_watched = nullptr;
bool g_objectsAtShow = false;
LRESULT CALLBACK WatchShow(int code, WPARAM w, LPARAM l) {
    const auto* c = reinterpret_cast<const CWPSTRUCT*>(l);
    if (g_watched && c->message == WM_SHOWWINDOW && c->hwnd == g_watched->GetHwnd() && c->wParam) {
        CQWnd_Painter* p = g_watched->GetPainterWnd();
        g_objectsAtShow = p->pen && p->brush && p->font;
    }
    return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(PainterTest, CreatedHiddenThenShownWithoutActivationOnceItsObjectsExist) {
    rg_HuaBan top, hidden;
    EXPECT_FALSE(top.GetPainterWnd()->pen);  // nothing before the window exists
    EXPECT_TRUE(top.GetPainterWnd()->backgroundBrush);
    top.SetStyle(WS_POPUP | WS_VISIBLE);
    g_watched = &top;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &WatchShow, nullptr, GetCurrentThreadId());
    CQelCreateRecord r{nullptr, 700, 100, 80, 60};
    ASSERT_TRUE(top.Create(r));
    UnhookWindowsHookEx(hook);
    g_watched = nullptr;
    EXPECT_TRUE(g_objectsAtShow);
    EXPECT_TRUE(IsWindowVisible(top.GetHwnd()));
    EXPECT_EQ(GetActiveWindow(), host.hwnd());
    EXPECT_EQ(r.font, nullptr);  // taken by the painter: AfterCreate sends none
    EXPECT_FALSE(top.GetPainterWnd()->backBuffer);  // not enabled
    hidden.SetStyle(WS_CLIPSIBLINGS);
    EXPECT_FALSE(IsWindowVisible(host.Make(hidden, 0, 0, 50, 50)));
    EXPECT_TRUE(hidden.GetPainterWnd()->pen);
}

TEST_F(PainterTest, PenStylesFollowTheTableAndStyleZeroDrawsEveryOtherPixel) {
    rg_HuaBan p;
    p.SetPenStyle(0);
    p.SetPenWidth(5);
    host.Make(p, 0, 0, 40, 40);
    CQWnd_Painter* w = p.GetPainterWnd();
    EXTLOGPEN ep{};
    ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof ep, &ep));
    EXPECT_EQ(ep.elpPenStyle & PS_STYLE_MASK, static_cast<DWORD>(PS_ALTERNATE));
    EXPECT_EQ(ep.elpWidth, 1u);  // one pixel whatever the width
    Pixels line(10, 3);
    PatBlt(line.dc, 0, 0, 10, 3, WHITENESS);
    HGDIOBJ old = SelectObject(line.dc, w->pen.GetSafeHandle());
    MoveToEx(line.dc, 0, 1, nullptr);
    LineTo(line.dc, 10, 1);
    SelectObject(line.dc, old);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(line.At(x, 1), x % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x;

    LOGPEN lp{};
    const int expected[] = {PS_SOLID, PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_INSIDEFRAME, PS_SOLID, PS_SOLID, PS_SOLID};
    p.SetPenWidth(3);
    for (int style = 1; style <= 9; ++style) {
        p.SetPenStyle(style);
        ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof lp, &lp));
        EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(expected[style])) << style;
    }
    EXPECT_EQ(lp.lopnWidth.x, 3);
    HPEN before = w->pen.GetSafeHandle();
    p.SetPenColor(w->penColor);  // unchanged values keep the pen
    p.SetPenWidth(3);
    EXPECT_EQ(w->pen.GetSafeHandle(), before);
    p.SetPenColor(RGB(9, 9, 9));
    ASSERT_TRUE(GetObjectW(w->pen.GetSafeHandle(), sizeof lp, &lp));
    EXPECT_EQ(lp.lopnColor, RGB(9, 9, 9));
}

TEST_F(PainterTest, PatternBrushFourteenIsACheckerboardAndUnitOneScalesTheFont) {
    rg_HuaBan p, pixels;
    p.GetPainterWnd()->brushStyle = 14;
    p.GetPainterWnd()->brushColor = RGB(200, 0, 0);
    p.GetPainterWnd()->unit = 1;
    host.Make(p, 0, 0, 40, 40);
    host.Make(pixels, 50, 0, 40, 40);
    Pixels board(16, 16);
    SetTextColor(board.dc, RGB(200, 0, 0));  // 0 bits: the text colour; 1 bits: the background
    SetBkColor(board.dc, RGB(255, 255, 255));
    RECT all{0, 0, 16, 16};
    FillRect(board.dc, &all, p.GetPainterWnd()->brush.GetSafeHandle());
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) ASSERT_EQ(board.At(x, y), (x + y) % 2 ? RGB(255, 255, 255) : RGB(200, 0, 0)) << x << "," << y;
    }

    LOGFONTW stock{}, lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(GetObjectW(p.GetPainterWnd()->font.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, static_cast<LONG>(std::abs(stock.lfHeight) / static_cast<double>(dpi) * -10 / 0.0394));
    if (stock.lfHeight == -11 && dpi == 96) EXPECT_EQ(lf.lfHeight, -29);
    EXPECT_EQ(p.GetPainterWnd()->fontDescription.lfHeight, stock.lfHeight);  // kept in screen pixels
    ASSERT_TRUE(GetObjectW(pixels.GetPainterWnd()->font.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, stock.lfHeight);
    LOGFONTW big = stock;
    big.lfHeight = -96;
    HFONT given = CreateFontIndirectW(&big);
    SendMessageW(p.GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(given), FALSE);
    DeleteObject(given);
    ASSERT_TRUE(GetObjectW(p.GetPainterWnd()->font.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, static_cast<LONG>(96.0 / dpi * -10 / 0.0394));
}

TEST_F(PainterTest, TheBackBufferSurvivesResizesInTheTopLeftCornerAndIsWhatTheWindowShows) {
    rg_HuaBan p;
    CQWnd_Painter* w = p.GetPainterWnd();
    w->backBufferEnabled = 1;
    w->backgroundBrush.CreateSolidBrush(kBackground);
    HWND h = host.Make(p, 10, 10, 100, 80);
    ASSERT_EQ(BitmapSize(w->backBuffer).cx, 100);
    Pixels(0, 0, w->backBuffer.GetSafeHandle()).Fill(RECT{0, 0, 100, 80}, kRed);
    SetWindowPos(h, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(h, nullptr, 0, 0, 120, 90, SWP_NOMOVE | SWP_NOZORDER);
    {
        Pixels buffer(0, 0, w->backBuffer.GetSafeHandle());
        EXPECT_EQ(BitmapSize(w->backBuffer).cx, 120);
        EXPECT_EQ(buffer.At(49, 39), kRed);
        EXPECT_EQ(buffer.At(50, 0), kBackground);
        EXPECT_EQ(buffer.At(0, 40), kBackground);
    }
    BindEvent(p, p.paint, [](CQelObject* r, CQelObject* s, uint32_t, rg_Zarno_JiBen::rg_JuXingLei*) { return Note(r, "paint", s); },
              receiver.self);
    Repaint(h);
    Capture shown(h);
    EXPECT_EQ(shown.At(10, 10), kRed);
    EXPECT_EQ(shown.At(60, 10), kBackground);
    EXPECT_EQ(receiver.Count("paint"), 0);  // no paint event with a back buffer
    SetWindowPos(h, nullptr, 0, 0, 0, 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(BitmapSize(w->backBuffer).cx, 1);  // zero width keeps a 1-pixel-wide buffer
    EXPECT_EQ(Pixels(0, 0, w->backBuffer.GetSafeHandle()).At(0, 0), kRed);

    // A centred background picture moves with the size: the old content is dropped.
    rg_HuaBan centred;
    CQWnd_Painter* c = centred.GetPainterWnd();
    c->backBufferEnabled = 1;
    c->backgroundBrush.CreateSolidBrush(kBackground);
    c->pictureMode = 2;
    HDC screen = GetDC(nullptr);
    c->picture.CreateCompatibleBitmap(screen, 4, 4);  // black
    ReleaseDC(nullptr, screen);
    HWND hc = host.Make(centred, 200, 10, 100, 80);
    Pixels(0, 0, c->backBuffer.GetSafeHandle()).Fill(RECT{0, 0, 100, 80}, kRed);
    SetWindowPos(hc, nullptr, 0, 0, 110, 90, SWP_NOMOVE | SWP_NOZORDER);
    Pixels after(0, 0, c->backBuffer.GetSafeHandle());
    EXPECT_EQ(after.At(0, 0), kBackground);
    EXPECT_EQ(after.At(55, 45), RGB(0, 0, 0));
}

TEST_F(PainterTest, WithoutABackBufferPaintingRaisesThePaintEventInLogicalUnits) {
    rg_HuaBan pixels, metric;
    metric.GetPainterWnd()->unit = 1;
    HWND hp = host.Make(pixels, 10, 10, 200, 150), hm = host.Make(metric, 220, 10, 200, 150);
    Repaint(hp);
    Repaint(hm);
    // The handler logs the area and paints it red through the current drawing context.
    const auto paintRed = [](CQelObject* r, CQelObject* s, uint32_t, rg_Zarno_JiBen::rg_JuXingLei* a) -> int32_t {
        CDC* dc = static_cast<rg_HuaBan*>(s)->GetCurrentDC();
        static_cast<Receiver*>(r)->log.push_back({"paint", s, a->left, a->top, a->right, a->bottom});
        RECT rc{a->left, a->top, a->right, a->bottom};
        HBRUSH b = CreateSolidBrush(kRed);
        if (dc) FillRect(*dc, &rc, b);
        DeleteObject(b);
        return 0;
    };
    BindEvent(pixels, pixels.paint, paintRed, receiver.self);
    BindEvent(metric, metric.paint, paintRed, receiver.self);
    RECT part{10, 20, 50, 60};
    for (HWND h : {hp, hm}) {
        InvalidateRect(h, &part, FALSE);
        UpdateWindow(h);
    }
    ASSERT_EQ(receiver.Count("paint"), 2);
    const Event& e = receiver.log[0];
    EXPECT_EQ((std::vector<int64_t>{e.a, e.b, e.c, e.d}), (std::vector<int64_t>{10, 20, 50, 60}));
    EXPECT_EQ(pixels.GetCurrentDC(), nullptr);
    HDC probe = CreateCompatibleDC(nullptr);
    ApplyUnit(probe, 1);  // tenths of a millimetre, y downward from the top-left corner
    POINT corners[2] = {{10, 20}, {50, 60}};
    DPtoLP(probe, corners, 2);
    DeleteDC(probe);
    const Event& m = receiver.log[1];
    EXPECT_EQ((std::vector<int64_t>{m.a, m.b, m.c, m.d}),
              (std::vector<int64_t>{corners[0].x, corners[0].y, corners[1].x, corners[1].y}));
    EXPECT_GT(m.d, m.b);
    for (HWND h : {hp, hm}) {
        Capture c(h);
        EXPECT_EQ(c.Bounds(GetSysColor(COLOR_BTNFACE)).left, 10);
        EXPECT_EQ(c.Bounds(GetSysColor(COLOR_BTNFACE)).bottom, 60);
        EXPECT_EQ(c.At(30, 40), kRed);
    }
    metric.DetachListener();  // without a listener only the background is painted
    Repaint(hm);
    EXPECT_EQ(Capture(hm).At(30, 40), GetSysColor(COLOR_BTNFACE));
}

TEST_F(PainterTest, ClickingATabStopPainterFocusesItAndTheClickStillArrives) {
    rg_HuaBan tab, plain;
    tab.SetStyle(tab.GetStyle() | WS_TABSTOP);
    HWND ht = host.Make(tab, 10, 10, 150, 100), hp = host.Make(plain, 200, 10, 150, 100);
    EXPECT_EQ(SendMessageW(ht, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    EXPECT_EQ(SendMessageW(hp, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    BindEvent(tab, tab.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    BindEvent(plain, plain.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    SetFocus(host.hwnd());
    ClickAt(ht, 30, 30);
    EXPECT_EQ(GetFocus(), ht);
    ClickAt(hp, 30, 30);
    EXPECT_EQ(GetFocus(), ht);
    EXPECT_EQ(receiver.Count(kLeftDown), 2);
}

}  // namespace
