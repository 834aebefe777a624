// The memory painter: an off-screen 32-bit surface bound to one window, drawn on with GDI (through its
// memory device context) and GDI+ (clear, lines), and copied to the window in one block transfer.
// Also the GDI+ start-up object of the program and the lazy GDI+ start used by bitmap conversion.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>

#include "drawing/GdiResource.h"
#include "runtime/QelObject.h"

class CxImage;

namespace qelgdiplus {
struct GpGraphics;
struct GpPen;
}  // namespace qelgdiplus

namespace rg_Zarno_YuanChuangRuanJian {

// GDI+ start-up input used by every start of this program: version 1, no debug callback, background
// thread and external codecs not suppressed.
ULONG_PTR StartGdiplus();

// Starts GDI+ once, lazily, under the application instance's lock; the token lives in the application
// instance and is shut down at exit. True when GDI+ is running; a failed start stores nothing, so a
// later call tries again.
bool EnsureGdiplus();

// A GDI+ pen: the native pen and the last error status of the calls made through it (an error is kept;
// a later success does not overwrite it).
class CQelGdiplusPen {
public:
    // A pen in world units unless another GDI+ unit is given.
    CQelGdiplusPen(uint32_t argb, float width, int32_t unit = 0);
    ~CQelGdiplusPen();
    CQelGdiplusPen(const CQelGdiplusPen&) = delete;
    CQelGdiplusPen& operator=(const CQelGdiplusPen&) = delete;

    void SetColor(uint32_t argb);
    void SetWidth(float width);
    // The pen's current colour and width as GDI+ reports them (0 when there is no native pen).
    uint32_t GetColor() const;
    float GetWidth() const;

    qelgdiplus::GpPen* GetNativePen() const { return nativePen; }
    int32_t GetLastStatus() const { return lastStatus; }

private:
    void Record(int32_t status) {
        if (status != 0) lastStatus = status;
    }
    qelgdiplus::GpPen* nativePen = nullptr;
    int32_t lastStatus = 0;
};

// The GDI+ graphics record that pairs with a device context: the native graphics handle and the last
// error status. Allocated from GDI+'s own allocator.
struct CQelGdiplusGraphics {
    qelgdiplus::GpGraphics* nativeGraphics;
    int32_t lastStatus;

    void Record(int32_t status) {
        if (status != 0) lastStatus = status;
    }
};

class rg_NeiCunHuaBan : public CQelObject {
    QEL_OBJECT_CLASS(rg_NeiCunHuaBan, CQelObject, "rg_Zarno_YuanChuangRuanJian::rg_NeiCunHuaBan")
public:
    rg_NeiCunHuaBan() = default;
    // Copies carry the base fields and the font only; a copy has no surface of its own until it is
    // attached, and an assigned-to painter keeps its own surface.
    rg_NeiCunHuaBan(const rg_NeiCunHuaBan& other);
    rg_NeiCunHuaBan& operator=(const rg_NeiCunHuaBan& other);
    ~rg_NeiCunHuaBan() override;

    // Builds a surface of the window's current client size (the previous surface is released first).
    void AttachWindow(HWND targetWindow);
    // Fills the whole surface with an ARGB colour.
    void Clear(uint32_t argb);
    // Draws one line in surface pixels with the caller's pen.
    void DrawLine(const CQelGdiplusPen& pen, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Puts an opaque picture's pixels 1:1 into the top-left width x height pixels of the surface
    // (clipped to it): surface pixel (x, y) gets picture pixel (originX + x, originY + y) with every
    // byte, exactly as drawing through GDI (StretchDIBits, SRCCOPY) places a 32-bit picture; surface
    // pixels with no picture pixel there get `beyond` (ARGB) when given and stay as they are
    // otherwise. The rows are copied straight into the surface, large ones in bands on the picture
    // library's workers. False, with nothing drawn, where that is not sure to give GDI's pixels: no
    // surface, an empty picture or one with alpha, or a memory DC with a clip region, mirroring,
    // colour management, a transform or a mapping mode other than plain pixels.
    bool CopyOpaquePicture(const CxImage& picture, int64_t originX, int64_t originY, uint32_t width, uint32_t height,
                           std::optional<uint32_t> beyond = std::nullopt);
    // The whole picture at the surface's origin: what the picture's Draw at (0, 0) gives.
    bool CopyOpaquePicture(const CxImage& picture);
    // The memory device context that holds the surface, for GDI drawing; null before AttachWindow.
    HDC GetMemoryDC() const { return memoryDC; }
    void BeginWindowPaint();
    void EndWindowPaint();
    // Copies the surface to the window at (0, 0), over the window's current client size.
    bool Show();

    // Read access for owners and tests.
    HWND GetWindow() const { return window; }
    HDC GetWindowDC() const { return windowDC; }
    HBITMAP GetSurfaceBitmap() const { return surfaceBitmap; }
    const RECT& GetClientRectangle() const { return clientRect; }
    bool HasGraphics() const { return graphics != nullptr; }
    // Last error status of the GDI+ graphics (0 = Ok); -1 when there is none.
    int32_t GetGraphicsStatus() const { return graphics ? graphics->lastStatus : -1; }

    rg_GDI32ZiTi font;

protected:
    bool EqualFields(const rg_NeiCunHuaBan& other) const;
    void ResetFields();

private:
    // Frees everything the surface holds: graphics first, then the previous bitmap selected back, the
    // DIB section and memory DC deleted, the window DC released.
    void ReleaseSurface();

    CQelGdiplusGraphics* graphics = nullptr;
    HDC memoryDC = nullptr;
    HBITMAP surfaceBitmap = nullptr;
    void* surfaceBits = nullptr;  // the surface's pixels (32-bit, rows from the bottom)
    HGDIOBJ previousBitmap = nullptr;
    HWND window = nullptr;
    HDC windowDC = nullptr;
    RECT clientRect = {0, 0, 0, 0};
    PAINTSTRUCT paintRecord = {};
    bool painting = false;
};

// Owns one GDI+ start-up token: construction starts GDI+, destruction shuts that token down.
class rg______TuXingHuiZhiChuShiHua : public CQelObject {
    QEL_OBJECT_CLASS(rg______TuXingHuiZhiChuShiHua, CQelObject,
                     "rg_Zarno_YuanChuangRuanJian::rg______TuXingHuiZhiChuShiHua")
public:
    rg______TuXingHuiZhiChuShiHua();
    // A clone starts GDI+ for itself and takes the source's base fields.
    rg______TuXingHuiZhiChuShiHua(const rg______TuXingHuiZhiChuShiHua& other);
    // Assignment takes the base fields; the own token stays.
    rg______TuXingHuiZhiChuShiHua& operator=(const rg______TuXingHuiZhiChuShiHua& other);
    ~rg______TuXingHuiZhiChuShiHua() override;

    ULONG_PTR GetToken() const { return token; }

protected:
    bool EqualFields(const rg______TuXingHuiZhiChuShiHua& other) const { return CQelObject::EqualFields(other); }
    void ResetFields() { CQelObject::ResetFields(); }

private:
    ULONG_PTR token = 0;
};

}  // namespace rg_Zarno_YuanChuangRuanJian
