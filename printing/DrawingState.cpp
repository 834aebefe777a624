#include "DrawingState.h"

#include <cmath>
#include <cstdlib>

namespace rg_Zarno_MFCJieMian_JiBen {

namespace {

// Brush styles 8..55: eight rows each, top to bottom, most significant bit = leftmost pixel.
const uint8_t kPatterns[48][8] = {
    {0xFF, 0xFF, 0xFF, 0xDF, 0xFF, 0xFF, 0xFF, 0xFD},  // 8
    {0xEF, 0xFF, 0xFE, 0xFF, 0xEF, 0xFF, 0xFE, 0xFF},  // 9
    {0xBB, 0xFF, 0xEE, 0xFF, 0xBB, 0xFF, 0xEE, 0xFF},  // 10
    {0xEE, 0xBB, 0xEE, 0xBB, 0xEE, 0xBB, 0xEE, 0xBB},  // 11
    {0xAA, 0x77, 0xAA, 0xDD, 0xAA, 0x77, 0xAA, 0xDD},  // 12
    {0xAA, 0x55, 0xAA, 0x75, 0xAA, 0x55, 0xAA, 0x57},  // 13
    {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA},  // 14
    {0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11, 0xAA},  // 15
    {0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11},  // 16
    {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00},  // 17
    {0x00, 0x40, 0x00, 0x04, 0x00, 0x40, 0x00, 0x04},  // 18
    {0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x08},  // 19
    {0xEE, 0xDD, 0xBB, 0x77, 0xEE, 0xDD, 0xBB, 0x77},  // 20
    {0xDD, 0xEE, 0x77, 0xBB, 0xDD, 0xEE, 0x77, 0xBB},  // 21
    {0xCC, 0x99, 0x33, 0x66, 0xCC, 0x99, 0x33, 0x66},  // 22
    {0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99},  // 23
    {0x7C, 0xF8, 0xF1, 0xE3, 0xC7, 0x8F, 0x1F, 0x3E},  // 24
    {0x8F, 0xC7, 0xE3, 0xF1, 0xF8, 0x7C, 0x3E, 0x1F},  // 25
    {0xDD, 0xDD, 0xDD, 0xDD, 0xDD, 0xDD, 0xDD, 0xDD},  // 26
    {0x00, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF},  // 27
    {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA},  // 28
    {0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF},  // 29
    {0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99},  // 30
    {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF},  // 31
    {0xBB, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0xEE, 0xDD},  // 32
    {0xFF, 0xFF, 0xFF, 0xFF, 0x77, 0xBB, 0xDD, 0xEE},  // 33
    {0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0x0F, 0xFF},  // 34
    {0x7F, 0x7F, 0x7F, 0x7F, 0xF7, 0xF7, 0xF7, 0xF7},  // 35
    {0xDF, 0xFB, 0x7F, 0xF7, 0xBF, 0xFD, 0xEF, 0xFE},  // 36
    {0x27, 0x3F, 0xF3, 0x72, 0x4E, 0xCF, 0xFC, 0xE4},  // 37
    {0x7B, 0xFC, 0xCF, 0xB7, 0x7B, 0xFC, 0xCF, 0xB7},  // 38
    {0xFF, 0xFC, 0x5B, 0xE7, 0xFF, 0xFC, 0x5B, 0xE7},  // 39
    {0x7F, 0xFE, 0xFC, 0x7B, 0xB7, 0xCF, 0xDF, 0xBF},  // 40
    {0x00, 0xEF, 0xEF, 0xEF, 0x00, 0xFE, 0xFE, 0xFE},  // 41
    {0xBB, 0xD5, 0xEE, 0x75, 0xBB, 0x57, 0xEE, 0x7D},  // 42
    {0xE1, 0xE1, 0xE1, 0xE1, 0xAA, 0x55, 0xAA, 0x55},  // 43
    {0xFB, 0xFD, 0xFF, 0xBF, 0xDF, 0xBF, 0xFF, 0xFD},  // 44
    {0xFD, 0xFF, 0xFD, 0xFF, 0x55, 0xFF, 0xFD, 0xFF},  // 45
    {0x77, 0xFF, 0xDF, 0xFF, 0x77, 0xFF, 0xFD, 0xFF},  // 46
    {0xF3, 0xED, 0xDE, 0x3F, 0xCF, 0xF7, 0xFB, 0xFB},  // 47
    {0x00, 0x99, 0x00, 0x66, 0x00, 0x99, 0x00, 0x66},  // 48
    {0x22, 0x9D, 0x3C, 0x3C, 0x22, 0xD9, 0xC1, 0xC1},  // 49
    {0xBB, 0xBB, 0x00, 0xBB, 0xBB, 0xBB, 0x00, 0xBB},  // 50
    {0xBF, 0xBF, 0xBF, 0xBF, 0x00, 0xBF, 0xBF, 0xBF},  // 51
    {0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33, 0xCC},  // 52
    {0x87, 0x87, 0x87, 0x87, 0x78, 0x78, 0x78, 0x78},  // 53
    {0xBE, 0x7F, 0xBE, 0xDD, 0xEB, 0xF7, 0xEB, 0xDD},  // 54
    {0xC1, 0xE3, 0xF7, 0xFF, 0xF7, 0xE3, 0xC1, 0x80},  // 55
};

constexpr int64_t kFirstPattern = 8;
constexpr int64_t kLastPattern = 55;

// Truncates toward zero; values outside the LONG range (no sane font) keep the fallback.
LONG TruncateHeight(double value, LONG fallback) {
    if (!std::isfinite(value) || value > 2147483647.0 || value < -2147483648.0) return fallback;
    return static_cast<LONG>(value);
}

// Selects obj when it is not the DC's current object of that kind.
void SelectIfDifferent(HDC dc, UINT kind, HGDIOBJ obj) {
    if (GetCurrentObject(dc, kind) != obj) SelectObject(dc, obj);
}

}  // namespace

int UnitMapMode(int64_t unit) {
    switch (unit) {
        case 1: return MM_LOMETRIC;
        case 2: return MM_HIMETRIC;
        case 3: return MM_LOENGLISH;
        case 4: return MM_HIENGLISH;
        case 5: return MM_TWIPS;
        default: return MM_TEXT;
    }
}

int PenStyleFromIndex(int64_t penStyle) {
    switch (penStyle) {
        case 0: return PS_ALTERNATE;
        case 1: return PS_SOLID;
        case 2: return PS_DASH;
        case 3: return PS_DOT;
        case 4: return PS_DASHDOT;
        case 5: return PS_DASHDOTDOT;
        case 6: return PS_INSIDEFRAME;
        default: return PS_SOLID;
    }
}

const uint8_t* PatternRows(int64_t brushStyle) {
    if (brushStyle < kFirstPattern || brushStyle > kLastPattern) return nullptr;
    return kPatterns[brushStyle - kFirstPattern];
}

LOGFONTW DefaultGuiLogFont() {
    LOGFONTW lf{};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf) != sizeof(lf)) {
        lf = LOGFONTW{};
        lf.lfHeight = -11;
    }
    return lf;
}

// ---- CQelDrawingState ---------------------------------------------------------------------------

CQelDrawingState::~CQelDrawingState() { DeleteObjects(); }

void CQelDrawingState::CreateStylePen() {
    if (pen) {
        DeleteObject(pen);
        pen = nullptr;
    }
    pen = CreatePen(PenStyleFromIndex(penStyle), penWidth, penColor);
}

void CQelDrawingState::CreateBrushFromSettings() {
    if (brush) {
        DeleteObject(brush);
        brush = nullptr;
    }
    CreateStyleBrush(brushStyle, brushColor, &brush);
}

void CQelDrawingState::CreateJobFont(HDC printerDC) {
    if (!printerDC) return;
    if (font) {
        DeleteObject(font);
        font = nullptr;
    }
    LOGFONTW lf = logFont;
    int printerDpi = GetDeviceCaps(printerDC, LOGPIXELSY);
    lf.lfHeight = JobFontHeight(lf.lfHeight, unit, ScreenDpiY(), printerDpi);
    font = CreateFontIndirectW(&lf);
}

void CQelDrawingState::DeleteObjects() {
    if (pen) DeleteObject(pen);
    if (brush) DeleteObject(brush);
    if (font) DeleteObject(font);
    pen = nullptr;
    brush = nullptr;
    font = nullptr;
}

// ---- brushes ------------------------------------------------------------------------------------

bool CreateStyleBrush(int64_t brushStyle, COLORREF brushColor, HBRUSH* brush) {
    if (!brush) return false;
    *brush = nullptr;
    if (brushStyle <= 0 || brushStyle > kLastPattern) {
        LOGBRUSH lb{BS_NULL, 0, 0};
        *brush = CreateBrushIndirect(&lb);
    } else if (brushStyle == 1) {
        *brush = CreateSolidBrush(brushColor);
    } else if (brushStyle <= 7) {
        static const int kHatch[6] = {HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS, HS_FDIAGONAL, HS_HORIZONTAL,
                                      HS_VERTICAL};
        *brush = CreateHatchBrush(kHatch[brushStyle - 2], brushColor);
    } else {
        // Monochrome bitmap rows are word aligned: each 8-pixel row is one byte and a zero pad byte.
        const uint8_t* rows = PatternRows(brushStyle);
        uint8_t bits[16];
        for (int i = 0; i < 8; ++i) {
            bits[2 * i] = rows[i];
            bits[2 * i + 1] = 0;
        }
        HBITMAP pattern = CreateBitmap(8, 8, 1, 1, bits);
        if (pattern) {
            *brush = CreatePatternBrush(pattern);
            DeleteObject(pattern);  // the brush keeps its own copy
        }
    }
    return *brush != nullptr;
}

// ---- mapping ------------------------------------------------------------------------------------

void ApplyUnit(HDC dc, int64_t unit) {
    if (!dc) return;
    int mode = UnitMapMode(unit);
    if (mode == MM_TEXT) {
        SetMapMode(dc, MM_TEXT);
        return;
    }
    SetMapMode(dc, mode);            // fixes the unit's window and viewport extents
    SetMapMode(dc, MM_ANISOTROPIC);  // keeps them, but lets us turn the y axis
    SIZE ext{};
    if (GetWindowExtEx(dc, &ext)) SetWindowExtEx(dc, ext.cx, -ext.cy, nullptr);
    POINT origin{};
    if (GetViewportOrgEx(dc, &origin) && (origin.x != 0 || origin.y != 0)) SetViewportOrgEx(dc, 0, 0, nullptr);
    if (GetWindowOrgEx(dc, &origin) && (origin.x != 0 || origin.y != 0)) SetWindowOrgEx(dc, 0, 0, nullptr);
}

namespace {

// Scales a size by |numerator extent| / |denominator extent|; an unreadable or zero extent leaves the
// size unchanged.
SIZE ScaleSize(SIZE size, SIZE num, SIZE den) {
    int nx = std::abs(num.cx), ny = std::abs(num.cy), dx = std::abs(den.cx), dy = std::abs(den.cy);
    SIZE out = size;
    if (dx != 0) out.cx = MulDiv(size.cx, nx, dx);
    if (dy != 0) out.cy = MulDiv(size.cy, ny, dy);
    return out;
}

}  // namespace

SIZE LogicalToDeviceSize(HDC dc, SIZE size) {
    SIZE viewport{1, 1}, window{1, 1};
    if (!dc || !GetViewportExtEx(dc, &viewport) || !GetWindowExtEx(dc, &window)) return size;
    return ScaleSize(size, viewport, window);
}

SIZE DeviceToLogicalSize(HDC dc, SIZE size) {
    SIZE viewport{1, 1}, window{1, 1};
    if (!dc || !GetViewportExtEx(dc, &viewport) || !GetWindowExtEx(dc, &window)) return size;
    return ScaleSize(size, window, viewport);
}

POINT LogicalToDevicePoint(HDC dc, POINT point) {
    if (dc) LPtoDP(dc, &point, 1);
    return point;
}

// ---- drawing state --------------------------------------------------------------------------------

int DisplayStretchMode() {
    DEVMODEW dm{};
    dm.dmSize = sizeof(dm);
    if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &dm) && dm.dmBitsPerPel > 16) return HALFTONE;
    return COLORONCOLOR;
}

void ApplyDrawingState(const CQelDrawingState& state, HDC dc) {
    if (!dc) return;
    SelectIfDifferent(dc, OBJ_PEN, state.pen ? static_cast<HGDIOBJ>(state.pen) : GetStockObject(NULL_PEN));
    SelectIfDifferent(dc, OBJ_BRUSH,
                      state.brush ? static_cast<HGDIOBJ>(state.brush) : GetStockObject(WHITE_BRUSH));
    SelectIfDifferent(dc, OBJ_FONT,
                      state.font ? static_cast<HGDIOBJ>(state.font) : GetStockObject(DEFAULT_GUI_FONT));
    // Pattern brushes take their 0 bits from the text colour: it is always the brush colour.
    if (GetTextColor(dc) != state.brushColor) SetTextColor(dc, state.brushColor);
    int bkMode = OPAQUE;
    COLORREF bkColor = state.backgroundColor;
    if (state.backgroundColor == CQelDrawingState::kTransparent) {
        bkMode = TRANSPARENT;
        bkColor = RGB(255, 255, 255);
    }
    if (GetBkMode(dc) != bkMode) SetBkMode(dc, bkMode);
    if (GetBkColor(dc) != bkColor) SetBkColor(dc, bkColor);
    int rop2 = static_cast<int>(state.drawMode + 1);
    if (GetROP2(dc) != rop2) SetROP2(dc, rop2);
    int stretch = DisplayStretchMode();
    if (GetStretchBltMode(dc) != stretch) SetStretchBltMode(dc, stretch);
    if (GetPolyFillMode(dc) != WINDING) SetPolyFillMode(dc, WINDING);
}

void SelectStockObjects(HDC dc) {
    if (!dc) return;
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
}

void DrawBitmapOnDC(HBITMAP bitmap, HDC dc, int x, int y, int width, int height, DWORD rop) {
    if (!dc || !bitmap) return;
    BITMAP bm{};
    if (GetObjectW(bitmap, sizeof(bm), &bm) == 0) return;
    SetStretchBltMode(dc, DisplayStretchMode());
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // A bitmap that is selected into another DC cannot be selected here; drawing would copy the
    // memory DC's empty default bitmap instead.
    if (previous && previous != HGDI_ERROR) {
        if (width < 0) width = bm.bmWidth;
        if (height < 0) height = bm.bmHeight;
        StretchBlt(dc, x, y, width, height, memory, 0, 0, bm.bmWidth, bm.bmHeight, rop);
        SelectObject(memory, previous);
    }
    DeleteDC(memory);
}

// ---- font heights -----------------------------------------------------------------------------------

LONG JobFontHeight(LONG storedHeight, int64_t unit, int screenDpi, int printerDpi) {
    if (screenDpi <= 0) return storedHeight;
    double d = std::fabs(static_cast<double>(storedHeight)) * 72.0 / screenDpi;
    switch (unit) {
        case 0:
            if (printerDpi <= 0) return storedHeight;
            return TruncateHeight(printerDpi * d / -72.0, storedHeight);
        case 1: return TruncateHeight(d * -10.0 / 72.0 / 0.0394, storedHeight);
        case 2: return TruncateHeight(d * -100.0 / 72.0 / 0.0394, storedHeight);
        case 3: return TruncateHeight(d * -100.0 / 72.0, storedHeight);
        case 4: return TruncateHeight(d * -1000.0 / 72.0, storedHeight);
        case 5: return TruncateHeight(d * -20.0, storedHeight);
        default: return storedHeight;
    }
}

LONG PainterFontHeight(LONG storedHeight, int64_t unit, int screenDpi) {
    if (screenDpi <= 0) return storedHeight;
    double x = std::fabs(static_cast<double>(storedHeight)) / screenDpi;
    switch (unit) {
        case 1: return TruncateHeight(x * -10.0 / 0.0394, storedHeight);
        case 2: return TruncateHeight(x * -100.0 / 0.0394, storedHeight);
        case 3: return TruncateHeight(x * -100.0, storedHeight);
        case 4: return TruncateHeight(x * -1000.0, storedHeight);
        case 5: return TruncateHeight(x * -1440.0, storedHeight);
        default: return storedHeight;
    }
}

int ScreenDpiY() {
    HDC screen = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    if (!screen) return 0;
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    DeleteDC(screen);
    return dpi;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
