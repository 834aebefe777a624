#include "drawing/MemoryPainter.h"

#include <algorithm>
#include <new>

#include "runtime/AppInstance.h"
#include "drawing/GdiplusFlat.h"
#include "platform/cximage/include/ximaprepare.h"

namespace rg_Zarno_YuanChuangRuanJian {

// ---- GDI+ start-up ---------------------------------------------------------------------------------

static const qelgdiplus::GdiplusStartupInput kStartupInput = {1, nullptr, FALSE, FALSE};

ULONG_PTR StartGdiplus() {
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &kStartupInput, nullptr) != qelgdiplus::kOk) return 0;
    return token;
}

bool EnsureGdiplus() {
    CQelAppInstance* app = GetAppInstance();
    EnterCriticalSection(&app->lock);
    if (app->gdiplusToken) {
        LeaveCriticalSection(&app->lock);
        return true;
    }
    ULONG_PTR token = 0;
    qelgdiplus::GdiplusStartupOutput output = {};
    const bool started = GdiplusStartup(&token, &kStartupInput, &output) == qelgdiplus::kOk && token != 0;
    if (started) app->gdiplusToken = token;
    LeaveCriticalSection(&app->lock);
    return started;
}

// ---- pen -------------------------------------------------------------------------------------------

CQelGdiplusPen::CQelGdiplusPen(uint32_t argb, float width, int32_t unit) {
    Record(GdipCreatePen1(argb, width, unit, &nativePen));
}

CQelGdiplusPen::~CQelGdiplusPen() {
    if (nativePen) GdipDeletePen(nativePen);
    nativePen = nullptr;
}

void CQelGdiplusPen::SetColor(uint32_t argb) {
    Record(nativePen ? GdipSetPenColor(nativePen, argb) : qelgdiplus::kInvalidParameter);
}

void CQelGdiplusPen::SetWidth(float width) {
    Record(nativePen ? GdipSetPenWidth(nativePen, width) : qelgdiplus::kInvalidParameter);
}

uint32_t CQelGdiplusPen::GetColor() const {
    qelgdiplus::GpArgb argb = 0;
    if (nativePen) GdipGetPenColor(nativePen, &argb);
    return argb;
}

float CQelGdiplusPen::GetWidth() const {
    float width = 0;
    if (nativePen) GdipGetPenWidth(nativePen, &width);
    return width;
}

// ---- memory painter --------------------------------------------------------------------------------

rg_NeiCunHuaBan::rg_NeiCunHuaBan(const rg_NeiCunHuaBan& other) : CQelObject(other), font(other.font) {}

rg_NeiCunHuaBan& rg_NeiCunHuaBan::operator=(const rg_NeiCunHuaBan& other) {
    CQelObject::operator=(other);
    font = other.font;
    return *this;
}

rg_NeiCunHuaBan::~rg_NeiCunHuaBan() { ReleaseSurface(); }

bool rg_NeiCunHuaBan::EqualFields(const rg_NeiCunHuaBan& other) const {
    return CQelObject::EqualFields(other) && font.IsEqual(other.font);
}

void rg_NeiCunHuaBan::ResetFields() {
    CQelObject::ResetFields();
    font.Reset();
}

void rg_NeiCunHuaBan::ReleaseSurface() {
    if (graphics) {
        if (graphics->nativeGraphics) GdipDeleteGraphics(graphics->nativeGraphics);
        GdipFree(graphics);
        graphics = nullptr;
    }
    if (memoryDC) {
        if (previousBitmap) SelectObject(memoryDC, previousBitmap);
        DeleteDC(memoryDC);
    }
    previousBitmap = nullptr;
    memoryDC = nullptr;
    if (surfaceBitmap) DeleteObject(surfaceBitmap);
    surfaceBitmap = nullptr;
    surfaceBits = nullptr;
    if (windowDC) ReleaseDC(window, windowDC);
    windowDC = nullptr;
    painting = false;
}

void rg_NeiCunHuaBan::AttachWindow(HWND targetWindow) {
    // A surface of the size the new one would have is kept for it: a new picture-sized DIB section
    // costs a first touch of every page (about 120 ms for 12 megapixels under Wine). Everything else
    // (window DC, memory DC, GDI+ graphics) is made anew as before, and the kept pixels are zeroed,
    // which is what a new DIB section holds.
    HBITMAP kept = nullptr;
    void* keptBits = nullptr;
    RECT wanted = {0, 0, 0, 0};
    if (surfaceBitmap && surfaceBits && targetWindow && IsWindow(targetWindow) && GetClientRect(targetWindow, &wanted) &&
        wanted.right - wanted.left == clientRect.right - clientRect.left &&
        wanted.bottom - wanted.top == clientRect.bottom - clientRect.top) {
        kept = surfaceBitmap;
        keptBits = surfaceBits;
        surfaceBitmap = nullptr;  // not deleted by the release below
    }
    ReleaseSurface();
    window = targetWindow;
    clientRect = RECT{0, 0, 0, 0};
    // GetDC(null) would hand out the screen's device context and Show would then paint over the
    // desktop: a painter without a live window has no surface.
    if (!targetWindow || !IsWindow(targetWindow)) return;
    GetClientRect(targetWindow, &clientRect);

    windowDC = GetDC(targetWindow);
    memoryDC = CreateCompatibleDC(windowDC);

    const LONG width = clientRect.right - clientRect.left, height = clientRect.bottom - clientRect.top;
    if (kept) {
        GdiFlush();
        std::fill(static_cast<uint32_t*>(keptBits), static_cast<uint32_t*>(keptBits) + size_t(width) * size_t(height),
                  0u);
        surfaceBitmap = kept;
        surfaceBits = keptBits;
    } else {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;  // positive: bottom-up rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        // One made ready while the picture decoded, when the program asked for one of this size;
        // else a new one with its pages brought in at once.
        surfaceBitmap = static_cast<HBITMAP>(cximg::TakePreparedSurface(width, height, &bits));
        if (!surfaceBitmap) {
            surfaceBitmap = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (surfaceBitmap && bits) cximg::PreparePages(bits, size_t(width) * size_t(height) * 4, false);
        }
        if (surfaceBitmap) surfaceBits = bits;
    }
    if (memoryDC && surfaceBitmap) previousBitmap = SelectObject(memoryDC, surfaceBitmap);

    void* block = GdipAlloc(sizeof(CQelGdiplusGraphics));
    if (block) {
        graphics = new (block) CQelGdiplusGraphics{nullptr, 0};
        graphics->lastStatus = memoryDC ? GdipCreateFromHDC(memoryDC, &graphics->nativeGraphics)
                                        : qelgdiplus::kInvalidParameter;
    }
}

void rg_NeiCunHuaBan::Clear(uint32_t argb) {
    if (!graphics) return;
    if (!graphics->nativeGraphics) {
        graphics->Record(qelgdiplus::kInvalidParameter);
        return;
    }
    // An opaque colour over the whole surface (the memory DC has no clip region; the graphics never
    // gets one) is written straight into the surface's pixels: the same 32-bit values GDI+ writes,
    // without Wine's GDI+ going through a surface-sized temporary and an alpha blend (about 100 ms
    // for 12 megapixels). Other colours blend and are left to GDI+.
    if ((argb >> 24) == 0xFF && surfaceBits && memoryDC) {
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        const bool clipped = clip && GetClipRgn(memoryDC, clip) != 0;
        if (clip) DeleteObject(clip);
        if (!clipped) {
            GdiFlush();
            uint32_t* pixel = static_cast<uint32_t*>(surfaceBits);
            const size_t count = size_t(clientRect.right - clientRect.left) * size_t(clientRect.bottom - clientRect.top);
            std::fill(pixel, pixel + count, argb);
            return;
        }
    }
    graphics->Record(GdipGraphicsClear(graphics->nativeGraphics, argb));
}

void rg_NeiCunHuaBan::DrawLine(const CQelGdiplusPen& pen, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!graphics) return;
    if (!graphics->nativeGraphics || !pen.GetNativePen()) {
        graphics->Record(qelgdiplus::kInvalidParameter);
        return;
    }
    graphics->Record(GdipDrawLineI(graphics->nativeGraphics, pen.GetNativePen(), x1, y1, x2, y2));
}

void rg_NeiCunHuaBan::BeginWindowPaint() {
    if (!window) return;
    painting = BeginPaint(window, &paintRecord) != nullptr;
}

void rg_NeiCunHuaBan::EndWindowPaint() {
    if (!window || !painting) return;
    EndPaint(window, &paintRecord);
    painting = false;
}

bool rg_NeiCunHuaBan::Show() {
    if (!window || !windowDC || !memoryDC) return false;
    RECT current = {0, 0, 0, 0};
    if (!GetClientRect(window, &current)) return false;
    return BitBlt(windowDC, 0, 0, current.right - current.left, current.bottom - current.top, memoryDC, 0, 0,
                  SRCCOPY) != FALSE;
}

// ---- drawing initialisation ------------------------------------------------------------------------

rg______TuXingHuiZhiChuShiHua::rg______TuXingHuiZhiChuShiHua() : token(StartGdiplus()) {}

rg______TuXingHuiZhiChuShiHua::rg______TuXingHuiZhiChuShiHua(const rg______TuXingHuiZhiChuShiHua& other)
    : CQelObject(other), token(StartGdiplus()) {}

rg______TuXingHuiZhiChuShiHua& rg______TuXingHuiZhiChuShiHua::operator=(const rg______TuXingHuiZhiChuShiHua& other) {
    CQelObject::operator=(other);
    return *this;
}

// Only a token this object obtained is shut down: a shutdown without a valid token would end a start
// that belongs to someone else.
rg______TuXingHuiZhiChuShiHua::~rg______TuXingHuiZhiChuShiHua() {
    if (token) GdiplusShutdown(token);
    token = 0;
}

}  // namespace rg_Zarno_YuanChuangRuanJian
