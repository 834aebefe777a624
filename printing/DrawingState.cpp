#include "printing/DrawingState.h"

#include <cmath>
#include <cstdlib>

namespace rg_Zarno_MFCJieMian_JiBen {

namespace {

// Selects obj when it is not the DC's current object of that kind.
void SelectIfDifferent(HDC dc, UINT kind, HGDIOBJ obj) {
    if (GetCurrentObject(dc, kind) != obj) SelectObject(dc, obj);
}

}  // namespace

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
            return TruncateFontHeight(printerDpi * d / -72.0, storedHeight);
        case 1: return TruncateFontHeight(d * -10.0 / 72.0 / 0.0394, storedHeight);
        case 2: return TruncateFontHeight(d * -100.0 / 72.0 / 0.0394, storedHeight);
        case 3: return TruncateFontHeight(d * -100.0 / 72.0, storedHeight);
        case 4: return TruncateFontHeight(d * -1000.0 / 72.0, storedHeight);
        case 5: return TruncateFontHeight(d * -20.0, storedHeight);
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
