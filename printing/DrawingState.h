// Drawing state of a printer (and the parts a painter window shares with it): the logical unit and
// its mapping mode with y pointing down, the pen and brush style tables with the 48 pattern brushes,
// the job font scaled to the same point size as on the screen, the modes applied to a device context
// before drawing, and stretched bitmap drawing.
//
// Unit index: 0 pixel, 1 0.1 mm, 2 0.01 mm, 3 0.01 inch, 4 0.001 inch, 5 twip; any other = pixel.
// Pen style index: 0 alternate, 1 solid, 2 dash, 3 dot, 4 dash-dot, 5 dash-dot-dot, 6 inside frame;
// any other = solid.
// Brush style index: <= 0 or >= 56 hollow, 1 solid, 2..7 hatches, 8..55 8x8 pattern brushes. A pattern
// brush paints its 0 bits in the text colour and its 1 bits in the background colour of the DC.
#pragma once
#include <windows.h>

#include <cstdint>

namespace rg_Zarno_MFCJieMian_JiBen {

// ---- tables -----------------------------------------------------------------------------------

// Mapping mode first set for a unit (MM_TEXT for 0 and unknown units).
int UnitMapMode(int64_t unit);
// Win32 pen style of a pen style index.
int PenStyleFromIndex(int64_t penStyle);
// The eight pattern rows (top to bottom, most significant bit leftmost) of brush styles 8..55;
// null for every other style.
const uint8_t* PatternRows(int64_t brushStyle);

// ---- settings and owned GDI objects -------------------------------------------------------------

// The LOGFONTW of the stock DEFAULT_GUI_FONT (zeros with lfHeight -11 when it cannot be read).
LOGFONTW DefaultGuiLogFont();

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

// Creates the brush of a brush style into *brush (which the caller has emptied; nothing is deleted
// here). Answers true when a brush was created; *brush is null otherwise.
bool CreateStyleBrush(int64_t brushStyle, COLORREF brushColor, HBRUSH* brush);

// Sets the unit's mapping mode: units 1..5 become MM_ANISOTROPIC with the unit's extents and the y
// axis pointing down, both origins at (0, 0); every other unit is MM_TEXT. Nothing without a DC.
void ApplyUnit(HDC dc, int64_t unit);

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

// Font height of a painter window: x = |storedHeight| / screenDpi inches, then by unit 1: x * -10 /
// 0.0394; 2: x * -100 / 0.0394; 3: x * -100; 4: x * -1000; 5: x * -1440; truncated toward zero.
// Unit 0, other units or a resolution that is not positive keep the stored height.
LONG PainterFontHeight(LONG storedHeight, int64_t unit, int screenDpi);

// LOGPIXELSY of the screen (CreateDCW "DISPLAY"); 0 when no screen DC can be opened.
int ScreenDpiY();

}  // namespace rg_Zarno_MFCJieMian_JiBen
