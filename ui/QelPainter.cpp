#include "ui/QelPainter.h"

#include <algorithm>

#include "drawing/DeviceContextTools.h"
#include "ui/QelBackground.h"
#include "runtime/ValueClasses.h"

namespace rg_Zarno_MFCJieMian_JiBen {

CQWnd_Painter::CQWnd_Painter() : fontDescription(DefaultGuiLogFont()) {
    backgroundBrush.CreateSolidBrush(ResolveColor(backgroundColor, COLOR_BTNFACE));
}

CQWnd_Painter::~CQWnd_Painter() {
    backgroundBrush.DeleteObject();
    font.DeleteObject();
    picture.DeleteObject();
    brush.DeleteObject();
    pen.DeleteObject();
    backBuffer.DeleteObject();
}

void CQWnd_Painter::CreatePainterPen() {
    if (!m_hWnd) return;
    pen.DeleteObject();
    int style = PS_SOLID;
    int width = static_cast<int32_t>(penWidth);
    switch (penStyle) {
    case 0:
        style = PS_ALTERNATE;
        width = 0;
        break;
    case 2:
        style = PS_DASH;
        break;
    case 3:
        style = PS_DOT;
        break;
    case 4:
        style = PS_DASHDOT;
        break;
    case 5:
        style = PS_DASHDOTDOT;
        break;
    case 6:
        style = PS_INSIDEFRAME;
        break;
    default:
        break;
    }
    if (style == PS_ALTERNATE) {
        // CreatePen does not make alternate dots everywhere (Wine draws a solid line); a cosmetic
        // extended pen is the documented way to every other pixel.
        const LOGBRUSH solid{BS_SOLID, penColor, 0};
        if (pen.Attach(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &solid, 0, nullptr))) return;
    }
    pen.CreatePen(style, width, penColor);
}

void CQWnd_Painter::CreatePainterFont(HFONT source) {
    LOGFONTW lf;
    if (!source || GetObjectW(source, sizeof lf, &lf) != sizeof lf) return;
    fontDescription = lf;
    if (!m_hWnd) return;
    font.DeleteObject();
    LOGFONTW copy = fontDescription;
    if (unit != 0) {
        HDC screen = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
        if (screen) {
            copy.lfHeight = PainterFontHeight(copy.lfHeight, unit, GetDeviceCaps(screen, LOGPIXELSY));
            DeleteDC(screen);
        }
    }
    font.CreateFontIndirect(&copy);
}

void CQWnd_Painter::PaintPainterBackground(HDC dc, const RECT& whole, const RECT& area) {
    RECT r;
    if (!IntersectRect(&r, &whole, &area)) return;
    if (!picture) {
        CSelectObject selected(dc, backgroundBrush.GetSafeHandle());
        PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
        return;
    }
    HRGN region = CreateRectRgnIndirect(&r);
    if (region) SelectClipRgn(dc, region);
    PaintBackgroundPicture(pictureMode, dc, picture.GetSafeHandle(), whole, r, region);
    if (region) {
        FillRgn(dc, region, backgroundBrush);
        DeleteObject(region);
    }
    SelectClipRgn(dc, nullptr);
}

void CQWnd_Painter::RebuildBackBuffer() {
    if (!m_hWnd || !backBufferEnabled) return;
    RECT client;
    GetClientRect(&client);
    const int width = std::max<int>(1, client.right - client.left);
    const int height = std::max<int>(1, client.bottom - client.top);
    CClientDC windowDC(this);
    if (!windowDC.m_hDC) return;
    CBitmap fresh;
    if (!fresh.CreateCompatibleBitmap(windowDC, width, height)) return;
    CDC target;
    if (!target.CreateCompatibleDC(windowDC)) return;
    {
        CSelectObject selectedFresh(target, fresh.GetSafeHandle());
        if (!selectedFresh.Selected()) return;
        const RECT all{0, 0, width, height};
        PaintPainterBackground(target, all, all);
        const bool pictureMoves = picture && pictureMode == 2;
        BITMAP old{};
        if (backBuffer && !pictureMoves && backBuffer.GetBitmap(&old)) {
            CDC source;
            if (source.CreateCompatibleDC(windowDC)) {
                CSelectObject selectedOld(source, backBuffer.GetSafeHandle());
                if (selectedOld.Selected()) {
                    BitBlt(target, 0, 0, std::min<int>(width, old.bmWidth), std::min<int>(height, old.bmHeight), source, 0, 0,
                           SRCCOPY);
                }
            }
        }
    }
    backBuffer.DeleteObject();
    backBuffer.Attach(fresh.Detach());
}

void CQWnd_Painter::OnSize(UINT type, int cx, int cy) {
    CQelHookedWnd::OnSize(type, cx, cy);
    RebuildBackBuffer();
}

void CQWnd_Painter::OnPaint() {
    CPaintDC dc(this);
    if (!dc.m_hDC) return;
    RECT client, area;
    if (!GetPaintArea(dc, m_hWnd, client, area)) return;
    if (backBuffer) {
        BITMAP bm{};
        if (!backBuffer.GetBitmap(&bm)) return;
        const RECT extent{0, 0, bm.bmWidth, bm.bmHeight};
        RECT copy;
        if (!IntersectRect(&copy, &area, &extent)) return;
        CDC source;
        if (!source.CreateCompatibleDC(dc)) return;
        CSelectObject selected(source, backBuffer.GetSafeHandle());
        if (selected.Selected()) {
            BitBlt(dc, copy.left, copy.top, copy.right - copy.left, copy.bottom - copy.top, source, copy.left, copy.top,
                   SRCCOPY);
        }
        return;
    }
    PaintPainterBackground(dc, client, area);
    if (!listener) return;
    currentDC = &dc;
    ApplyUnit(dc, unit);
    POINT corners[2] = {{area.left, area.top}, {area.right, area.bottom}};
    DPtoLP(dc, corners, 2);
    rg_Zarno_JiBen::rg_JuXingLei logical(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    listener->OnPaint(&logical);
    currentDC = nullptr;
}

void CQWnd_Painter::OnSetFont(HFONT newFont, BOOL redraw) {
    CreatePainterFont(newFont);
    CQelHookedWnd::OnSetFont(newFont, redraw);
}

UINT CQWnd_Painter::OnGetDlgCode() { return (GetStyle() & WS_TABSTOP) ? DLGC_WANTALLKEYS : DLGC_STATIC; }

int CQWnd_Painter::OnMouseActivate(HWND topLevel, UINT hitTest, UINT mouseMessage) {
    if (GetStyle() & WS_TABSTOP) {
        const DWORD pos = GetMessagePos();
        POINT pt{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        ScreenToClient(m_hWnd, &pt);
        if (ChildWindowFromPointEx(m_hWnd, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT) == m_hWnd) {
            if (::GetFocus() != m_hWnd) ::SetFocus(m_hWnd);
            return MA_ACTIVATE;
        }
    }
    return CQelHookedWnd::OnMouseActivate(topLevel, hitTest, mouseMessage);
}

rg_HuaBan::rg_HuaBan() { MakeWindowData(new CQWnd_Painter, kDefaultControlStyle); }

rg_HuaBan::~rg_HuaBan() { DetachListener(); }

void rg_HuaBan::ResetFields() {
    CQelWinControl::ResetFields();
    MakeWindowData(new CQWnd_Painter, kDefaultControlStyle);
}

bool rg_HuaBan::Create(CQelCreateRecord& record) {
    if (HasNativeWindow()) return false;
    FillCreateParams(record);
    AdjustCreateSize(record);
    RegisterFrameworkClass(L"QelPainter");
    CQWnd_Painter* w = GetPainterWnd();
    if (!CreateNativeWindow(w, L"QelPainter", record, record.style & ~static_cast<uint32_t>(WS_VISIBLE))) return false;
    w->CreatePainterPen();
    if (w->m_hWnd) {
        w->brush.DeleteObject();
        HBRUSH made = nullptr;
        if (CreateStyleBrush(w->brushStyle, static_cast<COLORREF>(w->brushColor), &made)) w->brush.Attach(made);
    }
    w->CreatePainterFont(record.font);
    record.font = nullptr;
    if ((record.style & WS_VISIBLE) && w->m_hWnd) w->ShowWindow(SW_SHOWNA);
    if (HasNativeWindow()) AfterCreate(w, record);
    return true;
}

void rg_HuaBan::AttachListener() { AttachListenerTo(GetPainterWnd(), static_cast<IPainterEventListener*>(this)); }

void rg_HuaBan::DetachListener() { DetachListenerFrom(GetPainterWnd(), static_cast<IPainterEventListener*>(this)); }

bool rg_HuaBan::HasListener() const { return WindowHasListener(GetPainterWnd()); }

void rg_HuaBan::SetPenColor(COLORREF color) {
    CQWnd_Painter* w = GetPainterWnd();
    if (!w || w->penColor == color) return;
    w->penColor = color;
    w->CreatePainterPen();
}

void rg_HuaBan::SetPenWidth(int32_t width) {
    CQWnd_Painter* w = GetPainterWnd();
    if (!w || static_cast<int32_t>(w->penWidth) == width) return;
    w->penWidth = width;
    w->CreatePainterPen();
}

void rg_HuaBan::SetPenStyle(int64_t style) {
    CQWnd_Painter* w = GetPainterWnd();
    if (!w || w->penStyle == style) return;
    w->penStyle = style;
    w->CreatePainterPen();
}

void rg_HuaBan::OnPaint(rg_Zarno_JiBen::rg_JuXingLei* area) { paint.Raise(this, nullptr, area); }

}  // namespace rg_Zarno_MFCJieMian_JiBen
