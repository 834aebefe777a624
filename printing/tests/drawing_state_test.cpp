// Drawing state: unit mapping, pens, brushes (read back by pixels), fonts, applied modes, bitmap
// drawing and handle ownership.
#include <gtest/gtest.h>

#include <vector>

#include "printing/DrawingState.h"
#include "testsupport/Bitmap32.h"
#include "testsupport/GdiCount.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using qeltest::CountGdiObjects;

namespace {

// A 32-bit top-down DIB section in a memory DC, so pixels can be read back exactly.
struct Canvas {
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : w(width), h(height) {
        bmp = qeltest::CreateBitmap32(w, h, &bits);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bmp);
        Fill(fill);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bmp);
    }
    void Fill(COLORREF c) {
        GdiFlush();
        for (int i = 0; i < w * h; ++i) bits[i] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        uint32_t v = bits[y * w + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int w, h;
    HBITMAP bmp = nullptr;
    uint32_t* bits = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
};

// A device-dependent bitmap of w x h pixels with the given colours, row by row.
HBITMAP MakeBitmap(int w, int h, const std::vector<COLORREF>& colours) {
    Canvas source(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPixelV(source.dc, x, y, colours[y * w + x]);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HDC m = CreateCompatibleDC(nullptr);
    HGDIOBJ prev = SelectObject(m, bitmap);
    BitBlt(m, 0, 0, w, h, source.dc, 0, 0, SRCCOPY);
    SelectObject(m, prev);
    DeleteDC(m);
    return bitmap;
}

bool IsDeleted(HGDIOBJ h) { return GetObjectType(h) == 0; }

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

// ---- tables and defaults ---------------------------------------------------------------------------

TEST(DrawingTables, DefaultSettings) {
    CQelDrawingState s;
    EXPECT_EQ(s.unit, 1);
    EXPECT_EQ(s.penStyle, 1);
    EXPECT_EQ(s.drawMode, 12);
    EXPECT_EQ(s.penWidth, 0);
    EXPECT_EQ(s.penColor, 0u);
    EXPECT_EQ(s.brushStyle, 1);
    EXPECT_EQ(s.brushColor, 0xFFFFFFu);
    EXPECT_EQ(s.backgroundColor, 0xFFFFFFFFu);
    LOGFONTW gui{};
    ASSERT_EQ(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui), (int)sizeof(gui));
    EXPECT_EQ(memcmp(&s.logFont, &gui, sizeof(gui)), 0);
    EXPECT_EQ(s.pen, nullptr);
    EXPECT_EQ(s.brush, nullptr);
    EXPECT_EQ(s.font, nullptr);
}

// ---- pens ----------------------------------------------------------------------------------------

TEST(StylePen, StyleWidthAndColourAndTheOldPenIsDeleted) {
    CQelDrawingState s;
    s.penStyle = 2;
    s.penWidth = 0;
    s.penColor = kRed;
    s.CreateStylePen();
    ASSERT_NE(s.pen, nullptr);
    LOGPEN lp{};
    ASSERT_EQ(GetObjectW(s.pen, sizeof(lp), &lp), (int)sizeof(lp));
    EXPECT_EQ(lp.lopnStyle, (UINT)PS_DASH);
    EXPECT_EQ(lp.lopnColor, kRed);

    HPEN first = s.pen;
    s.penStyle = 9;  // unknown: solid
    s.penWidth = 3;
    s.CreateStylePen();
    EXPECT_TRUE(IsDeleted(first));
    ASSERT_EQ(GetObjectW(s.pen, sizeof(lp), &lp), (int)sizeof(lp));
    EXPECT_EQ(lp.lopnStyle, (UINT)PS_SOLID);
    EXPECT_EQ(lp.lopnWidth.x, 3);
}

// ---- brushes ---------------------------------------------------------------------------------------

TEST(StyleBrush, KindOfBrushForEveryStyle) {
    const int hatches[] = {HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS, HS_FDIAGONAL, HS_HORIZONTAL, HS_VERTICAL};
    for (int64_t style : {-3LL, 0LL, 1LL, 2LL, 3LL, 4LL, 5LL, 6LL, 7LL, 8LL, 31LL, 55LL, 56LL, 1000LL}) {
        HBRUSH b = reinterpret_cast<HBRUSH>(1);
        ASSERT_TRUE(CreateStyleBrush(style, kBlue, &b)) << style;
        LOGBRUSH lb{};
        ASSERT_EQ(GetObjectW(b, sizeof(lb), &lb), (int)sizeof(lb)) << style;
        if (style <= 0 || style >= 56) {
            EXPECT_EQ(lb.lbStyle, (UINT)BS_NULL) << style;
        } else if (style == 1) {
            EXPECT_EQ(lb.lbStyle, (UINT)BS_SOLID);
            EXPECT_EQ(lb.lbColor, kBlue);
        } else if (style <= 7) {
            EXPECT_EQ(lb.lbStyle, (UINT)BS_HATCHED) << style;
            EXPECT_EQ(lb.lbHatch, (ULONG_PTR)hatches[style - 2]) << style;
            EXPECT_EQ(lb.lbColor, kBlue);
        } else {
            EXPECT_EQ(lb.lbStyle, (UINT)BS_PATTERN) << style;
        }
        DeleteObject(b);
    }
    EXPECT_FALSE(CreateStyleBrush(1, 0, nullptr));
}

TEST(StyleBrush, PatternFourteenIsACheckerboardOfBrushColourOnWhite) {
    Canvas c(16, 16, kBlue);
    CQelDrawingState s;
    s.unit = 0;
    s.brushStyle = 14;
    s.brushColor = kRed;
    s.CreateBrushFromSettings();
    ApplyDrawingState(s, c.dc);
    SetBrushOrgEx(c.dc, 0, 0, nullptr);
    PatBlt(c.dc, 0, 0, 16, 16, PATCOPY);
    // Row 0 is 0x55: the leftmost bit is 0 (text colour = brush colour), the next 1 (background).
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(c.At(x, y), ((x + y) % 2 == 0) ? kRed : kWhite) << x << "," << y;
    SelectStockObjects(c.dc);
}

TEST(StyleBrush, EveryPatternPaintsItsRowsAndAnOpaqueBackgroundColour) {
    Canvas c(8, 8);
    for (int64_t style = 8; style <= 55; ++style) {
        CQelDrawingState s;
        s.unit = 0;
        s.brushStyle = style;
        s.brushColor = kRed;
        s.backgroundColor = kGreen;  // 1 bits take the background colour
        s.CreateBrushFromSettings();
        ApplyDrawingState(s, c.dc);
        SetBrushOrgEx(c.dc, 0, 0, nullptr);
        PatBlt(c.dc, 0, 0, 8, 8, PATCOPY);
        const uint8_t* rows = PatternRows(style);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                bool one = (rows[y] >> (7 - x)) & 1;
                ASSERT_EQ(c.At(x, y), one ? kGreen : kRed) << "style " << style << " at " << x << "," << y;
            }
        SelectStockObjects(c.dc);
    }
}

TEST(StyleBrush, PatternFiftyFiveMatchesItsPublishedRows) {
    // C1 E3 F7 FF F7 E3 C1 80, written out bit by bit: 1 bits white (background), 0 bits black.
    const char* expected[8] = {"11000001", "11100011", "11110111", "11111111",
                               "11110111", "11100011", "11000001", "10000000"};
    Canvas c(8, 8);
    CQelDrawingState s;
    s.unit = 0;
    s.brushStyle = 55;
    s.brushColor = 0;
    s.CreateBrushFromSettings();
    ApplyDrawingState(s, c.dc);
    PatBlt(c.dc, 0, 0, 8, 8, PATCOPY);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(c.At(x, y), expected[y][x] == '1' ? kWhite : RGB(0, 0, 0)) << x << "," << y;
    SelectStockObjects(c.dc);
}

TEST(StyleBrush, HatchOnTransparentKeepsWhatIsUnderAndOpaqueUsesTheBackgroundColour) {
    for (COLORREF background : {0xFFFFFFFFu, (unsigned)kGreen}) {
        Canvas c(16, 16, kBlue);
        CQelDrawingState s;
        s.unit = 0;
        s.brushStyle = 6;  // horizontal hatch
        s.brushColor = kRed;
        s.backgroundColor = background;
        s.CreateBrushFromSettings();
        ApplyDrawingState(s, c.dc);
        PatBlt(c.dc, 0, 0, 16, 16, PATCOPY);
        int red = 0, gap = 0, other = 0;
        COLORREF gapColour = background == 0xFFFFFFFFu ? kBlue : kGreen;
        for (int y = 0; y < 16; ++y) {
            COLORREF p = c.At(5, y);
            if (p == kRed) ++red;
            else if (p == gapColour) ++gap;
            else ++other;
        }
        EXPECT_GT(red, 0) << background;
        EXPECT_GT(gap, red) << background;
        EXPECT_EQ(other, 0) << background;
        SelectStockObjects(c.dc);
    }
}

TEST(StyleBrush, HollowBrushPaintsNothing) {
    Canvas c(8, 8, kBlue);
    CQelDrawingState s;
    s.unit = 0;
    s.brushStyle = 0;
    s.CreateBrushFromSettings();
    ApplyDrawingState(s, c.dc);
    Rectangle(c.dc, -1, -1, 9, 9);  // no pen made: the stock NULL_PEN draws no outline either
    EXPECT_EQ(c.At(4, 4), kBlue);
    SelectStockObjects(c.dc);
}

// ---- mapping ---------------------------------------------------------------------------------------

TEST(ApplyUnitMapping, TenthMillimetresWithYDownAndOriginsAtZero) {
    Canvas c(8, 8);
    SetViewportOrgEx(c.dc, 5, 7, nullptr);
    SetWindowOrgEx(c.dc, 3, 2, nullptr);
    ApplyUnit(c.dc, 1);
    EXPECT_EQ(GetMapMode(c.dc), MM_ANISOTROPIC);
    POINT o{};
    GetViewportOrgEx(c.dc, &o);
    EXPECT_EQ(o.x, 0);
    EXPECT_EQ(o.y, 0);
    GetWindowOrgEx(c.dc, &o);
    EXPECT_EQ(o.x, 0);
    EXPECT_EQ(o.y, 0);

    // (100, 100) in 0.1 mm is 10 mm right and 10 mm down.
    double pxPerMmX = (double)GetDeviceCaps(c.dc, HORZRES) / GetDeviceCaps(c.dc, HORZSIZE);
    double pxPerMmY = (double)GetDeviceCaps(c.dc, VERTRES) / GetDeviceCaps(c.dc, VERTSIZE);
    POINT p = LogicalToDevicePoint(c.dc, POINT{100, 100});
    EXPECT_NEAR(p.x, 10 * pxPerMmX, 1.0);
    EXPECT_NEAR(p.y, 10 * pxPerMmY, 1.0);
    EXPECT_GT(p.y, 0);

    // The whole device in 0.1 mm: about ten times its size in millimetres.
    SIZE whole = DeviceToLogicalSize(c.dc, SIZE{GetDeviceCaps(c.dc, HORZRES), GetDeviceCaps(c.dc, VERTRES)});
    EXPECT_NEAR(whole.cx, GetDeviceCaps(c.dc, HORZSIZE) * 10, 1);
    EXPECT_NEAR(whole.cy, GetDeviceCaps(c.dc, VERTSIZE) * 10, 1);
    SIZE back = LogicalToDeviceSize(c.dc, whole);
    EXPECT_NEAR(back.cx, GetDeviceCaps(c.dc, HORZRES), 1);
    EXPECT_NEAR(back.cy, GetDeviceCaps(c.dc, VERTRES), 1);
}

TEST(ApplyUnitMapping, EveryMetricUnitPointsDownAndOtherUnitsArePixels) {
    // One inch down in each unit lands at LOGPIXELSY-ish device pixels, always positive.
    const int perInch[] = {0, 254, 2540, 100, 1000, 1440};
    Canvas c(8, 8);
    for (int unit = 1; unit <= 5; ++unit) {
        ApplyUnit(c.dc, unit);
        POINT p = LogicalToDevicePoint(c.dc, POINT{perInch[unit], perInch[unit]});
        double expectY = (double)GetDeviceCaps(c.dc, VERTRES) / GetDeviceCaps(c.dc, VERTSIZE) * 25.4;
        EXPECT_NEAR(p.y, expectY, 2.0) << unit;
        EXPECT_GT(p.x, 0) << unit;
    }
    for (int unit : {0, 6, -1}) {
        ApplyUnit(c.dc, 1);
        ApplyUnit(c.dc, unit);
        EXPECT_EQ(GetMapMode(c.dc), MM_TEXT) << unit;
        POINT p = LogicalToDevicePoint(c.dc, POINT{100, 100});
        EXPECT_EQ(p.x, 100);
        EXPECT_EQ(p.y, 100);
        SIZE s = DeviceToLogicalSize(c.dc, SIZE{37, 41});
        EXPECT_EQ(s.cx, 37);
        EXPECT_EQ(s.cy, 41);
    }
    ApplyUnit(nullptr, 1);  // no device context: nothing happens
}

// ---- fonts -----------------------------------------------------------------------------------------

TEST(FontHeights, JobFontByUnit) {
    EXPECT_EQ(JobFontHeight(-12, 1, 96, 0), -31);   // 9 pt: -31.7 truncated
    EXPECT_EQ(JobFontHeight(-12, 0, 96, 600), -75);  // 9 pt at 600 dpi
    EXPECT_EQ(JobFontHeight(-12, 2, 96, 0), -317);
    EXPECT_EQ(JobFontHeight(-12, 3, 96, 0), -12);    // -12.5
    EXPECT_EQ(JobFontHeight(-12, 4, 96, 0), -125);
    EXPECT_EQ(JobFontHeight(-12, 5, 96, 0), -180);
    EXPECT_EQ(JobFontHeight(12, 1, 96, 0), -31);     // a cell height counts by its size
    EXPECT_EQ(JobFontHeight(-12, 6, 96, 600), -12);  // unknown unit keeps the height
    EXPECT_EQ(JobFontHeight(-12, 1, 0, 600), -12);   // unreadable screen resolution
    EXPECT_EQ(JobFontHeight(-12, 0, 96, 0), -12);    // unreadable printer resolution
    EXPECT_EQ(JobFontHeight(-11, 1, 96, 0), -29);
}

TEST(FontHeights, PainterFontByUnit) {
    EXPECT_EQ(PainterFontHeight(-11, 1, 96), -29);
    EXPECT_EQ(PainterFontHeight(-11, 2, 96), -290);
    EXPECT_EQ(PainterFontHeight(-11, 3, 96), -11);
    EXPECT_EQ(PainterFontHeight(-11, 4, 96), -114);
    EXPECT_EQ(PainterFontHeight(-11, 5, 96), -165);
    EXPECT_EQ(PainterFontHeight(-11, 0, 96), -11);
    EXPECT_EQ(PainterFontHeight(-11, 1, 0), -11);
}

TEST(FontHeights, DefaultGuiFontOnThisScreenGivesMinus29ForUnitOne) {
    // The machine's screen runs at 96 dpi with an 11-pixel DEFAULT_GUI_FONT.
    ASSERT_EQ(ScreenDpiY(), 96);
    ASSERT_EQ(DefaultGuiLogFont().lfHeight, -11);
    EXPECT_EQ(PainterFontHeight(DefaultGuiLogFont().lfHeight, 1, ScreenDpiY()), -29);
}

TEST(FontHeights, CreateJobFontMakesTheScaledFontAndReplacesTheOldOne) {
    Canvas c(4, 4);
    CQelDrawingState s;
    s.logFont.lfHeight = -12;
    s.CreateJobFont(nullptr);  // no device context: nothing
    EXPECT_EQ(s.font, nullptr);

    s.CreateJobFont(c.dc);
    ASSERT_NE(s.font, nullptr);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(s.font, sizeof(lf), &lf), (int)sizeof(lf));
    EXPECT_EQ(lf.lfHeight, -31);
    EXPECT_EQ(s.logFont.lfHeight, -12);  // the stored description is kept

    HFONT first = s.font;
    s.unit = 0;
    s.CreateJobFont(c.dc);
    EXPECT_TRUE(IsDeleted(first));
    ASSERT_EQ(GetObjectW(s.font, sizeof(lf), &lf), (int)sizeof(lf));
    EXPECT_EQ(lf.lfHeight, -GetDeviceCaps(c.dc, LOGPIXELSY) * 9 / 72);
}

// ---- applying the state ------------------------------------------------------------------------------

TEST(ApplyState, SelectsOwnObjectsAndSetsEveryMode) {
    Canvas c(4, 4);
    CQelDrawingState s;
    s.brushColor = kRed;
    s.backgroundColor = kGreen;
    s.drawMode = 5;  // R2_NOT (6)
    s.CreateStylePen();
    s.CreateBrushFromSettings();
    s.CreateJobFont(c.dc);
    SetPolyFillMode(c.dc, ALTERNATE);
    ApplyDrawingState(s, c.dc);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), s.pen);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), s.brush);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_FONT), s.font);
    EXPECT_EQ(GetTextColor(c.dc), kRed);
    EXPECT_EQ(GetBkMode(c.dc), OPAQUE);
    EXPECT_EQ(GetBkColor(c.dc), kGreen);
    EXPECT_EQ(GetROP2(c.dc), R2_NOT);
    EXPECT_EQ(GetPolyFillMode(c.dc), WINDING);
    EXPECT_EQ(GetStretchBltMode(c.dc), DisplayStretchMode());

    s.backgroundColor = CQelDrawingState::kTransparent;
    s.drawMode = 12;
    ApplyDrawingState(s, c.dc);
    EXPECT_EQ(GetBkMode(c.dc), TRANSPARENT);
    EXPECT_EQ(GetBkColor(c.dc), kWhite);
    EXPECT_EQ(GetROP2(c.dc), R2_COPYPEN);

    // Objects selected by the state can be deleted once the stock objects are back.
    SelectStockObjects(c.dc);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(NULL_PEN));
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_FONT), GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ pen = s.pen, brush = s.brush, font = s.font;
    s.DeleteObjects();
    EXPECT_TRUE(IsDeleted(pen));
    EXPECT_TRUE(IsDeleted(brush));
    EXPECT_TRUE(IsDeleted(font));
    ApplyDrawingState(s, nullptr);  // no device context: nothing happens
    SelectStockObjects(nullptr);
}

TEST(ApplyState, MissingObjectsSelectStockOnes) {
    Canvas c(4, 4);
    CQelDrawingState s;
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ before = SelectObject(c.dc, red);
    ApplyDrawingState(s, c.dc);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(NULL_PEN));
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_FONT), GetStockObject(DEFAULT_GUI_FONT));
    SelectObject(c.dc, before);
    DeleteObject(red);
}

// ---- bitmaps ---------------------------------------------------------------------------------------

TEST(DrawBitmap, NegativeSizeDrawsOneToOneAtThePoint) {
    HBITMAP bmp = MakeBitmap(3, 2, {kRed, kGreen, kBlue, kBlue, kRed, kGreen});
    Canvas c(10, 10);
    DrawBitmapOnDC(bmp, c.dc, 4, 5, -1, -1, SRCCOPY);
    EXPECT_EQ(c.At(4, 5), kRed);
    EXPECT_EQ(c.At(5, 5), kGreen);
    EXPECT_EQ(c.At(6, 5), kBlue);
    EXPECT_EQ(c.At(4, 6), kBlue);
    EXPECT_EQ(c.At(6, 6), kGreen);
    EXPECT_EQ(c.At(7, 5), kWhite);
    EXPECT_EQ(c.At(4, 7), kWhite);
    EXPECT_EQ(c.At(3, 5), kWhite);
    DeleteObject(bmp);
}

TEST(DrawBitmap, StretchesTheWholeBitmapAndHonoursTheRasterOperation) {
    // Quadrants of 4 x 4 pixels, so that the centres of the stretched quadrants stay clear of any
    // smoothing the halftone stretch mode applies along the edges.
    std::vector<COLORREF> px(64);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) px[y * 8 + x] = y < 4 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kWhite);
    HBITMAP bmp = MakeBitmap(8, 8, px);
    Canvas c(60, 60, RGB(0, 0, 0));
    DrawBitmapOnDC(bmp, c.dc, 10, 10, 40, 40, SRCCOPY);
    EXPECT_EQ(c.At(20, 20), kRed);
    EXPECT_EQ(c.At(40, 20), kGreen);
    EXPECT_EQ(c.At(20, 40), kBlue);
    EXPECT_EQ(c.At(40, 40), kWhite);
    EXPECT_EQ(c.At(5, 5), RGB(0, 0, 0));
    EXPECT_EQ(c.At(55, 55), RGB(0, 0, 0));
    EXPECT_EQ(c.At(30, 52), RGB(0, 0, 0));
    EXPECT_EQ(GetStretchBltMode(c.dc), DisplayStretchMode());
    // Width 40 and the bitmap's own 8 rows, inverted: red becomes cyan, below row 18 nothing changes.
    DrawBitmapOnDC(bmp, c.dc, 10, 10, 40, -1, NOTSRCCOPY);
    EXPECT_EQ(c.At(15, 12), RGB(0, 255, 255));
    EXPECT_EQ(c.At(45, 12), RGB(255, 0, 255));
    EXPECT_EQ(c.At(15, 16), RGB(255, 255, 0));
    EXPECT_EQ(c.At(20, 24), kRed);
    DeleteObject(bmp);
}

TEST(DrawBitmap, NothingHappensWithoutBitmapOrDcOrWhenTheBitmapIsInUse) {
    Canvas c(10, 10);
    DrawBitmapOnDC(nullptr, c.dc, 0, 0, -1, -1, SRCCOPY);
    HBITMAP bmp = MakeBitmap(2, 2, {kRed, kRed, kRed, kRed});
    DrawBitmapOnDC(bmp, nullptr, 0, 0, -1, -1, SRCCOPY);
    DrawBitmapOnDC(reinterpret_cast<HBITMAP>(GetStockObject(WHITE_BRUSH)), c.dc, 0, 0, 4, 4, SRCCOPY);
    EXPECT_EQ(c.At(0, 0), kWhite);
    EXPECT_EQ(c.At(3, 3), kWhite);
    // A bitmap selected into another DC cannot be drawn from a second one.
    HDC holder = CreateCompatibleDC(nullptr);
    HGDIOBJ prev = SelectObject(holder, bmp);
    DrawBitmapOnDC(bmp, c.dc, 0, 0, -1, -1, SRCCOPY);
    EXPECT_EQ(c.At(0, 0), kWhite);
    SelectObject(holder, prev);
    DeleteDC(holder);
    DrawBitmapOnDC(bmp, c.dc, 0, 0, -1, -1, SRCCOPY);
    EXPECT_EQ(c.At(0, 0), kRed);
    DeleteObject(bmp);
}

// ---- handle ownership -----------------------------------------------------------------------------

TEST(Ownership, DestroyedStateDeletesItsObjects) {
    Canvas c(4, 4);
    HGDIOBJ pen, brush, font;
    {
        CQelDrawingState s;
        s.brushStyle = 20;
        s.CreateStylePen();
        s.CreateBrushFromSettings();
        s.CreateJobFont(c.dc);
        pen = s.pen;
        brush = s.brush;
        font = s.font;
        ASSERT_NE(GetObjectType(pen), 0u);
        ASSERT_NE(GetObjectType(brush), 0u);
        ASSERT_NE(GetObjectType(font), 0u);
    }
    EXPECT_TRUE(IsDeleted(pen));
    EXPECT_TRUE(IsDeleted(brush));
    EXPECT_TRUE(IsDeleted(font));
}

TEST(Ownership, AThousandStatesWithEveryKindOfBrushLeaveTheGdiCountFlat) {
    Canvas c(8, 8);
    const int64_t before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int round = 0; round < 1000; ++round) {
        CQelDrawingState s;
        s.brushStyle = round % 59 - 1;  // -1 .. 57: hollow, solid, hatches, patterns, hollow
        s.penStyle = round % 8;
        s.CreateStylePen();
        s.CreateBrushFromSettings();
        s.CreateJobFont(c.dc);
        ASSERT_NE(s.brush, nullptr) << round;
        ApplyDrawingState(s, c.dc);
        PatBlt(c.dc, 0, 0, 8, 8, PATCOPY);
        SelectStockObjects(c.dc);
    }
    EXPECT_EQ(CountGdiObjects(), before);
}
