// The part of the GDI+ flat interface (gdiplus.dll) that the drawing code uses, declared here so that
// the drawing code depends on nothing but the import library.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <cstdint>

namespace qelgdiplus {

typedef int32_t GpStatus;       // 0 = Ok
typedef int32_t GpPixelFormat;
typedef uint32_t GpArgb;

constexpr GpStatus kOk = 0;
constexpr GpStatus kInvalidParameter = 2;

constexpr GpPixelFormat kFormatIndexed = 0x00010000;
constexpr GpPixelFormat kFormatGdi = 0x00020000;
constexpr GpPixelFormat kFormatAlpha = 0x00040000;

constexpr GpPixelFormat kFormat8bppIndexed = 0x00030803;
constexpr GpPixelFormat kFormat32bppRGB = 0x00022009;
constexpr GpPixelFormat kFormat32bppARGB = 0x0026200A;
constexpr GpPixelFormat kFormat48bppRGB = 0x0010300C;
constexpr GpPixelFormat kFormat32bppCMYK = 0x0000200F;

// Bits per pixel of a pixel format (bits 8 to 15).
constexpr int32_t FormatBitsPerPixel(GpPixelFormat format) { return (format >> 8) & 0xFF; }

constexpr int32_t kUnitWorld = 0;
constexpr int32_t kCompositingModeSourceCopy = 1;
constexpr uint32_t kImageLockModeRead = 1;

struct GpGraphics;
struct GpImage;
struct GpBitmap;
struct GpPen;

struct GdiplusStartupInput {
    uint32_t GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};

struct GdiplusStartupOutput {
    void* NotificationHook;
    void* NotificationUnhook;
};

struct GpRect {
    INT X, Y, Width, Height;
};

struct GpBitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    GpPixelFormat PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};

struct GpColorPalette {
    UINT Flags;
    UINT Count;
    GpArgb Entries[1];
};

}  // namespace qelgdiplus

// Flat functions. The types are spelled out with their namespace so that nothing leaks into the
// global namespace of the files that include this one.
#define QG qelgdiplus
extern "C" {
QG::GpStatus WINAPI GdiplusStartup(ULONG_PTR* token, const QG::GdiplusStartupInput* input,
                                   QG::GdiplusStartupOutput* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
void* WINAPI GdipAlloc(size_t size);
void WINAPI GdipFree(void* ptr);

QG::GpStatus WINAPI GdipCreateFromHDC(HDC dc, QG::GpGraphics** graphics);
QG::GpStatus WINAPI GdipDeleteGraphics(QG::GpGraphics* graphics);
QG::GpStatus WINAPI GdipGraphicsClear(QG::GpGraphics* graphics, QG::GpArgb color);
QG::GpStatus WINAPI GdipDrawLineI(QG::GpGraphics* graphics, QG::GpPen* pen, INT x1, INT y1, INT x2, INT y2);
QG::GpStatus WINAPI GdipDrawImageRectI(QG::GpGraphics* graphics, QG::GpImage* image, INT x, INT y, INT width,
                                       INT height);
QG::GpStatus WINAPI GdipSetCompositingMode(QG::GpGraphics* graphics, int32_t mode);

QG::GpStatus WINAPI GdipCreatePen1(QG::GpArgb color, float width, int32_t unit, QG::GpPen** pen);
QG::GpStatus WINAPI GdipDeletePen(QG::GpPen* pen);
QG::GpStatus WINAPI GdipSetPenColor(QG::GpPen* pen, QG::GpArgb color);
QG::GpStatus WINAPI GdipGetPenColor(QG::GpPen* pen, QG::GpArgb* color);
QG::GpStatus WINAPI GdipSetPenWidth(QG::GpPen* pen, float width);
QG::GpStatus WINAPI GdipGetPenWidth(QG::GpPen* pen, float* width);

QG::GpStatus WINAPI GdipCreateBitmapFromStream(IStream* stream, QG::GpBitmap** bitmap);
QG::GpStatus WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, QG::GpPixelFormat format,
                                              BYTE* scan0, QG::GpBitmap** bitmap);
QG::GpStatus WINAPI GdipDisposeImage(QG::GpImage* image);
QG::GpStatus WINAPI GdipGetImageGraphicsContext(QG::GpImage* image, QG::GpGraphics** graphics);
QG::GpStatus WINAPI GdipGetImageWidth(QG::GpImage* image, UINT* width);
QG::GpStatus WINAPI GdipGetImageHeight(QG::GpImage* image, UINT* height);
QG::GpStatus WINAPI GdipGetImagePixelFormat(QG::GpImage* image, QG::GpPixelFormat* format);
QG::GpStatus WINAPI GdipGetImagePaletteSize(QG::GpImage* image, INT* size);
QG::GpStatus WINAPI GdipGetImagePalette(QG::GpImage* image, QG::GpColorPalette* palette, INT size);
QG::GpStatus WINAPI GdipSetImagePalette(QG::GpImage* image, const QG::GpColorPalette* palette);
QG::GpStatus WINAPI GdipBitmapLockBits(QG::GpBitmap* bitmap, const QG::GpRect* rect, UINT flags,
                                       QG::GpPixelFormat format, QG::GpBitmapData* data);
QG::GpStatus WINAPI GdipBitmapUnlockBits(QG::GpBitmap* bitmap, QG::GpBitmapData* data);
}
#undef QG
