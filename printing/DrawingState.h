// Drawing state of a printer: the settings (unit, pen, brush, font) with the GDI objects made from
// them, the job font scaled to the same point size as on the screen, the modes applied to a device
// context before drawing, and stretched bitmap drawing. The unit, style tables and brushes it
// shares with painter windows are in drawing/DeviceContextTools.h.
#pragma once
#include <windows.h>

#include <cstdint>

#include "drawing/DeviceContextTools.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// ---- settings and owned GDI objects -------------------------------------------------------------

// Drawing settings with their defaults.
struct CQelDrawingSettings {
    int64_t unit = 1;                    // 0.1 mm
    int64_t penStyle = 1;                // solid
    int64_t drawMode = 12;               // ROP2 applied = drawMode + 1 (R2_COPYPEN)
    int32_t penWidth = 0;                // logical units; 0 = one device pixel
    COLORREF penColor = 0;               // black
    int64_t brushStyle = 1;              // solid
    COLORREF brushColor = 0xFFFFFF;      // white; also the text colour
    COLORREF backgroundColor = 0xFFFFFFFF;  // 0xFFFFFFFF = transparent background
    LOGFONTW logFont = DefaultGuiLogFont();  // the font; lfHeight in screen pixels
};

// Settings plus the pen, brush and font made from them. The object owns the three handles and
// deletes them when they are replaced and when it is destroyed; they must not be selected into a
// device context at that time (SelectStockObjects first).
class CQelDrawingState : public CQelDrawingSettings {
public:
    static constexpr COLORREF kTransparent = 0xFFFFFFFF;

    CQelDrawingState() = default;
    ~CQelDrawingState();
    CQelDrawingState(const CQelDrawingState&) = delete;
    CQelDrawingState& operator=(const CQelDrawingState&) = delete;

    // Deletes the pen when there is one and creates CreatePen(table style, pen width, pen colour);
    // the pen stays missing when creation fails.
    void CreateStylePen();
    // Deletes the brush when there is one and creates the brush of the brush style and colour.
    void CreateBrushFromSettings();
    // Deletes the font when there is one and creates the job font for the printer device context:
    // the stored font's point size (its lfHeight on the screen) expressed in the unit. Nothing
    // happens without a device context.
    void CreateJobFont(HDC printerDC);
    // Deletes pen, brush and font.
    void DeleteObjects();

    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
};

// ---- operations on device contexts ---------------------------------------------------------------


// Selects the state's pen, brush and font (stock NULL_PEN, WHITE_BRUSH, DEFAULT_GUI_FONT for missing
// ones) and sets the text colour, background mode and colour, ROP2, stretch mode and WINDING fill;
// each value is set only when the DC's current one differs. Nothing without a DC.
void ApplyDrawingState(const CQelDrawingState& state, HDC dc);

// Selects NULL_PEN, WHITE_BRUSH and DEFAULT_GUI_FONT, so no owned object stays selected.
void SelectStockObjects(HDC dc);

// Stretch mode for bitmaps: HALFTONE when the display has more than 16 bits per pixel, otherwise
// (or when the display settings cannot be read) COLORONCOLOR.
int DisplayStretchMode();

// Stretches the whole bitmap to (x, y, width, height) in device units with the raster operation; a
// negative width or height is the bitmap's own. Nothing without DC or bitmap, or when the bitmap
// cannot be read or selected.
void DrawBitmapOnDC(HBITMAP bitmap, HDC dc, int x, int y, int width, int height, DWORD rop);

// Size conversions by the absolute viewport and window extents, rounded as MulDiv rounds.
SIZE LogicalToDeviceSize(HDC dc, SIZE size);
SIZE DeviceToLogicalSize(HDC dc, SIZE size);
// LPtoDP of one point (the point unchanged without a DC).
POINT LogicalToDevicePoint(HDC dc, POINT point);

// ---- font heights ---------------------------------------------------------------------------------

// Job font height for a printer: d = |storedHeight| * 72 / screenDpi points, then by unit
// 0: printerDpi * d / -72; 1: d * -10 / 72 / 0.0394; 2: d * -100 / 72 / 0.0394; 3: d * -100 / 72;
// 4: d * -1000 / 72; 5: d * -20; truncated toward zero. Other units, or a screen (or, for unit 0,
// printer) resolution that is not positive, keep the stored height.
LONG JobFontHeight(LONG storedHeight, int64_t unit, int screenDpi, int printerDpi);

// LOGPIXELSY of the screen (CreateDCW "DISPLAY"); 0 when no screen DC can be opened.
int ScreenDpiY();

}  // namespace rg_Zarno_MFCJieMian_JiBen
