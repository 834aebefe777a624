// Painter: a child window on which the application shows pictures and follows the mouse. It paints a
// background (colour and optional picture), can keep a back buffer of its client area so that its
// content survives being covered, raises the paint event with the area in logical units when it has
// no back buffer, keeps drawing settings like a printer's (unit, pen, brush, font) and takes the focus
// when clicked while it is a tab stop.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/QelControl.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// Window object of painters.
class CQWnd_Painter : public CQelHookedWnd<CWnd, IPainterEventListener> {
public:
    CQWnd_Painter();
    // Deletes background brush, font, background picture, brush, pen and back buffer, in that order,
    // before the window goes.
    ~CQWnd_Painter() override;

    COLORREF backgroundColor = kSystemColor;   // COLOR_BTNFACE
    int32_t pictureMode = 1;                   // tiled
    int64_t backBufferEnabled = 0;
    int64_t unit = 0;                          // pixels
    int64_t penStyle = 1;
    int64_t drawMode = 12;
    int64_t penWidth = 0;                      // low 32 bits used
    COLORREF penColor = 0;
    int64_t brushStyle = 1;
    int64_t brushColor = 0xFFFFFF;             // low 32 bits used
    COLORREF textBackgroundColor = 0xFFFFFFFF; // transparent
    CDC* currentDC = nullptr;                  // the paint DC while the paint event runs
    CBitmap backBuffer;
    CPen pen;
    CBrush brush;
    CBitmap picture;
    LOGFONTW fontDescription;
    CFont font;
    CBrush backgroundBrush;

    // Pen from style, width and colour (style 0: one-pixel alternate dots); nothing without a window.
    void CreatePainterPen();
    // Copies the font's description; with a window, recreates the font with its height in the unit.
    void CreatePainterFont(HFONT source);
    // Replaces the back buffer by one of the client size (at least 1 by 1) filled with the background,
    // keeping the old content in the top-left corner unless a centred picture moves with the size.
    void RebuildBackBuffer();
    // Fills the part of `area` inside `whole` with the background picture and brush.
    void PaintPainterBackground(HDC dc, const RECT& whole, const RECT& area);

    void OnSize(UINT type, int cx, int cy) override;
    void OnPaint() override;
    void OnSetFont(HFONT newFont, BOOL redraw) override;
    UINT OnGetDlgCode() override;
    int OnMouseActivate(HWND topLevel, UINT hitTest, UINT mouseMessage) override;
};

class rg_HuaBan : public CQelWinControl, public IPainterEventListener {
    QEL_OBJECT_CLASS(rg_HuaBan, CQelWinControl, "rg_Zarno_MFCJieMian_JiBen::rg_HuaBan")
public:
    rg_HuaBan();
    rg_HuaBan(const rg_HuaBan& other) : CQelWinControl(other) {}
    rg_HuaBan& operator=(const rg_HuaBan& other) {
        CQelWinControl::operator=(other);
        return *this;
    }
    ~rg_HuaBan() override;

    // Creates the window hidden, makes pen, brush and font, then shows it without activation when the
    // style asks for WS_VISIBLE.
    bool Create(CQelCreateRecord& record) override;
    void AttachListener() override;
    void DetachListener() override;
    bool HasListener() const override;

    // Store the value; a changed value recreates the pen.
    void SetPenColor(COLORREF color);
    void SetPenWidth(int32_t width);
    void SetPenStyle(int64_t style);

    // The paint device context while the paint event runs, else null.
    CDC* GetCurrentDC() const { return GetPainterWnd() ? GetPainterWnd()->currentDC : nullptr; }
    CQWnd_Painter* GetPainterWnd() const { return static_cast<CQWnd_Painter*>(GetWindowObject()); }

    // IPainterEventListener
    bool OnWindowMessage(MSG* msg) override { return PreDispatchMessage(msg); }
    void OnPaint(rg_Zarno_JiBen::rg_JuXingLei* area) override;

    // Paint event (handler arguments: receiver, painter, tag, area in logical units).
    CQelPaintEventSlot paint;

protected:
    void ResetFields();
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
