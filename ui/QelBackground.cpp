#include "ui/QelBackground.h"

#include <algorithm>

namespace rg_Zarno_MFCJieMian_JiBen {

namespace {

void RemoveRect(HRGN region, int left, int top, int right, int bottom) {
    if (!region) return;
    HRGN covered = CreateRectRgn(left, top, right, bottom);
    if (!covered) return;
    CombineRgn(region, region, covered, RGN_DIFF);
    DeleteObject(covered);
}

void DropRegion(HRGN& region) {
    if (region) DeleteObject(region);
    region = nullptr;
}

}  // namespace

RECT CenteredPictureRect(int w, int h, const RECT& whole) {
    int x0 = whole.left;
    int y0 = whole.top;
    const int W = whole.right - whole.left;
    const int H = whole.bottom - whole.top;
    if (w <= W) x0 += (W - w) / 2;
    int dw = std::min(w, W);
    if (h <= H) y0 += (H - h) / 2;
    int dh = std::min(h, H);
    if (w > dw || h > dh) {
        const double s = std::min(static_cast<double>(dw) / w, static_cast<double>(dh) / h);
        const int nw = static_cast<int>(w * s);
        const int nh = static_cast<int>(h * s);
        x0 += (dw - nw) / 2;
        y0 += (dh - nh) / 2;
        dw = nw;
        dh = nh;
    }
    return RECT{x0, y0, x0 + dw, y0 + dh};
}

void PaintBackgroundPicture(int64_t mode, HDC dc, HBITMAP picture, const RECT& whole, const RECT& area, HRGN& region) {
    if (!picture || !dc) return;
    BITMAP bm{};
    if (!GetObjectW(picture, sizeof bm, &bm)) return;
    const int w = bm.bmWidth;
    const int h = std::abs(bm.bmHeight);
    if (w <= 0 || h <= 0) return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, picture);
    if (!old || old == HGDI_ERROR) {
        // A picture that is selected into another device context cannot be drawn.
        DeleteDC(memory);
        return;
    }
    const int x0 = whole.left;
    const int y0 = whole.top;
    const int W = whole.right - whole.left;
    const int H = whole.bottom - whole.top;
    switch (mode) {
    case 0:
        BitBlt(dc, x0, y0, w, h, memory, 0, 0, SRCCOPY);
        RemoveRect(region, x0, y0, x0 + w, y0 + h);
        break;
    case 1:
        for (int y = y0; y < whole.bottom; y += h) {
            for (int x = x0; x < whole.right; x += w) {
                RECT tile{x, y, x + w, y + h};
                RECT hit;
                if (IntersectRect(&hit, &tile, &area)) BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
            }
        }
        DropRegion(region);
        break;
    case 2: {
        const RECT r = CenteredPictureRect(w, h, whole);
        const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, w, h, SRCCOPY);
        if (oldMode) SetStretchBltMode(dc, oldMode);
        RemoveRect(region, r.left, r.top, r.right, r.bottom);
        break;
    }
    case 3: {
        const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, x0, y0, W, H, memory, 0, 0, w, h, SRCCOPY);
        if (oldMode) SetStretchBltMode(dc, oldMode);
        DropRegion(region);
        break;
    }
    default:
        break;
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

void PaintBackgroundArea(HDC dc, int64_t mode, HBITMAP picture, COLORREF color, const RECT& whole, const RECT& area) {
    HRGN region = CreateRectRgnIndirect(&area);
    if (region) SelectClipRgn(dc, region);
    PaintBackgroundPicture(mode, dc, picture, whole, area, region);
    if (region) {
        HBRUSH brush = CreateSolidBrush(color);
        if (brush) {
            FillRgn(dc, region, brush);
            DeleteObject(brush);
        }
        DeleteObject(region);
    }
    SelectClipRgn(dc, nullptr);
}

bool GetPaintArea(HDC dc, HWND hwnd, RECT& client, RECT& area) {
    RECT clip;
    GetClipBox(dc, &clip);
    GetClientRect(hwnd, &client);
    return IntersectRect(&area, &clip, &client) != FALSE;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
