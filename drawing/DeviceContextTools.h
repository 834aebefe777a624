// Device-context tools that painter windows and printers share: the unit index and its mapping
// mode with y pointing down, the pen and brush style tables with the 48 pattern brushes, the
// default GUI font and the painter's font height.
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

// Mapping mode first set for a unit (MM_TEXT for 0 and unknown units).
int UnitMapMode(int64_t unit);
// Win32 pen style of a pen style index.
int PenStyleFromIndex(int64_t penStyle);
// The eight pattern rows (top to bottom, most significant bit leftmost) of brush styles 8..55;
// null for every other style.
const uint8_t* PatternRows(int64_t brushStyle);

// The LOGFONTW of the stock DEFAULT_GUI_FONT (zeros with lfHeight -11 when it cannot be read).
LOGFONTW DefaultGuiLogFont();

// Creates the brush of a brush style into *brush (which the caller has emptied; nothing is deleted
// here). Answers true when a brush was created; *brush is null otherwise.
bool CreateStyleBrush(int64_t brushStyle, COLORREF brushColor, HBRUSH* brush);

// Sets the unit's mapping mode: units 1..5 become MM_ANISOTROPIC with the unit's extents and the y
// axis pointing down, both origins at (0, 0); every other unit is MM_TEXT. Nothing without a DC.
void ApplyUnit(HDC dc, int64_t unit);

// Font height of a painter window: x = |storedHeight| / screenDpi inches, then by unit 1: x * -10 /
// 0.0394; 2: x * -100 / 0.0394; 3: x * -100; 4: x * -1000; 5: x * -1440; truncated toward zero.
// Unit 0, other units or a resolution that is not positive keep the stored height.
LONG PainterFontHeight(LONG storedHeight, int64_t unit, int screenDpi);

// Truncates a computed font height toward zero; values outside the LONG range keep the fallback.
LONG TruncateFontHeight(double value, LONG fallback);

}  // namespace rg_Zarno_MFCJieMian_JiBen
