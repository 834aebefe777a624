// Background painting shared by containers, forms, labels and painters: a background picture laid
// out in one of four modes, removing from a region what it covers so that callers fill only the rest
// with the background colour and no pixel is painted twice.
//
// Modes: 0 the picture at its own size at the top-left corner of the whole area; 1 tiled from that
// corner; 2 centred, scaled down keeping its proportions when larger than the area, never scaled up;
// 3 stretched over the whole area; any other mode draws nothing.
#pragma once
#include <windows.h>

#include <cstdint>

namespace rg_Zarno_MFCJieMian_JiBen {

// Rectangle (x, y, x + w, y + h) where the picture of w x h pixels lands in mode 2 on the whole area.
RECT CenteredPictureRect(int pictureWidth, int pictureHeight, const RECT& whole);

// Draws the picture on dc by the mode over the whole area (only where the area to paint needs it; the
// caller's clip region limits the rest) and removes what it covered from region. Modes 1 and 3 cover
// everything: the region is deleted and set to null. Without a picture nothing happens.
void PaintBackgroundPicture(int64_t mode, HDC dc, HBITMAP picture, const RECT& whole, const RECT& area, HRGN& region);

// The client rectangle of the window and the part of it that a paint must cover (the device
// context's clip box inside the client area); false when nothing of the client is to be painted.
bool GetPaintArea(HDC dc, HWND hwnd, RECT& client, RECT& area);

// The paint of a framework window's background: a clip region of the area, the background picture,
// and the rest of the region filled with a solid brush of the colour (made and deleted here). The
// clip region is reset afterwards.
void PaintBackgroundArea(HDC dc, int64_t mode, HBITMAP picture, COLORREF color, const RECT& whole, const RECT& area);

}  // namespace rg_Zarno_MFCJieMian_JiBen
