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
constexpr GpStatus kGenericError = 1;
constexpr GpStatus kInvalidParameter = 2;
constexpr GpStatus kOutOfMemory = 3;

constexpr GpPixelFormat kFormatIndexed = 0x00010000;
constexpr GpPixelFormat kFormatGdi = 0x00020000;
constexpr GpPixelFormat kFormatAlpha = 0x00040000;
constexpr GpPixelFormat kFormatPAlpha = 0x00080000;

constexpr GpPixelFormat kFormat1bppIndexed = 0x00030101;
constexpr GpPixelFormat kFormat4bppIndexed = 0x00030402;
constexpr GpPixelFormat kFormat8bppIndexed = 0x00030803;
constexpr GpPixelFormat kFormat16bppRGB555 = 0x00021005;
constexpr GpPixelFormat kFormat16bppRGB565 = 0x00021006;
constexpr GpPixelFormat kFormat24bppRGB = 0x00021808;
constexpr GpPixelFormat kFormat32bppRGB = 0x00022009;
constexpr GpPixelFormat kFormat32bppARGB = 0x0026200A;
constexpr GpPixelFormat kFormat32bppPARGB = 0x000E200B;
constexpr GpPixelFormat kFormat48bppRGB = 0x0010300C;
constexpr GpPixelFormat kFormat32bppCMYK = 0x0000200F;

// Bits per pixel of a pixel format (bits 8 to 15).
constexpr int32_t FormatBitsPerPixel(GpPixelFormat format) { return (format >> 8) & 0xFF; }

constexpr int32_t kUnitWorld = 0;
constexpr int32_t kUnitPixel = 2;
constexpr int32_t kCompositingModeSourceCopy = 1;
constexpr uint32_t kImageLockModeRead = 1;
constexpr uint32_t kImageLockModeWrite = 2;

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

struct GpEncoderParameter {
    GUID Guid;
    ULONG NumberOfValues;
    ULONG Type;
    void* Value;
};

struct GpEncoderParameters {
    UINT Count;
    GpEncoderParameter Parameter[1];
};

}  // namespace qelgdiplus

extern "C" {
qelgdiplus::GpStatus WINAPI GdiplusStartup(ULONG_PTR* token, const qelgdiplus::GdiplusStartupInput* input, qelgdiplus::GdiplusStartupOutput* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
void* WINAPI GdipAlloc(size_t size);
void WINAPI GdipFree(void* ptr);

qelgdiplus::GpStatus WINAPI GdipCreateFromHDC(HDC dc, qelgdiplus::GpGraphics** graphics);
qelgdiplus::GpStatus WINAPI GdipDeleteGraphics(qelgdiplus::GpGraphics* graphics);
qelgdiplus::GpStatus WINAPI GdipGraphicsClear(qelgdiplus::GpGraphics* graphics, qelgdiplus::GpArgb color);
qelgdiplus::GpStatus WINAPI GdipDrawLineI(qelgdiplus::GpGraphics* graphics, qelgdiplus::GpPen* pen, INT x1, INT y1, INT x2, INT y2);
qelgdiplus::GpStatus WINAPI GdipDrawImageRectI(qelgdiplus::GpGraphics* graphics, qelgdiplus::GpImage* image, INT x, INT y, INT width, INT height);
qelgdiplus::GpStatus WINAPI GdipSetCompositingMode(qelgdiplus::GpGraphics* graphics, int32_t mode);

qelgdiplus::GpStatus WINAPI GdipCreatePen1(qelgdiplus::GpArgb color, float width, int32_t unit, qelgdiplus::GpPen** pen);
qelgdiplus::GpStatus WINAPI GdipDeletePen(qelgdiplus::GpPen* pen);
qelgdiplus::GpStatus WINAPI GdipSetPenColor(qelgdiplus::GpPen* pen, qelgdiplus::GpArgb color);
qelgdiplus::GpStatus WINAPI GdipGetPenColor(qelgdiplus::GpPen* pen, qelgdiplus::GpArgb* color);
qelgdiplus::GpStatus WINAPI GdipSetPenWidth(qelgdiplus::GpPen* pen, float width);
qelgdiplus::GpStatus WINAPI GdipGetPenWidth(qelgdiplus::GpPen* pen, float* width);

qelgdiplus::GpStatus WINAPI GdipCreateBitmapFromStream(IStream* stream, qelgdiplus::GpBitmap** bitmap);
qelgdiplus::GpStatus WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, qelgdiplus::GpPixelFormat format, BYTE* scan0,
                                          qelgdiplus::GpBitmap** bitmap);
qelgdiplus::GpStatus WINAPI GdipDisposeImage(qelgdiplus::GpImage* image);
qelgdiplus::GpStatus WINAPI GdipGetImageGraphicsContext(qelgdiplus::GpImage* image, qelgdiplus::GpGraphics** graphics);
qelgdiplus::GpStatus WINAPI GdipGetImageWidth(qelgdiplus::GpImage* image, UINT* width);
qelgdiplus::GpStatus WINAPI GdipGetImageHeight(qelgdiplus::GpImage* image, UINT* height);
qelgdiplus::GpStatus WINAPI GdipGetImagePixelFormat(qelgdiplus::GpImage* image, qelgdiplus::GpPixelFormat* format);
qelgdiplus::GpStatus WINAPI GdipGetImagePaletteSize(qelgdiplus::GpImage* image, INT* size);
qelgdiplus::GpStatus WINAPI GdipGetImagePalette(qelgdiplus::GpImage* image, qelgdiplus::GpColorPalette* palette, INT size);
qelgdiplus::GpStatus WINAPI GdipSetImagePalette(qelgdiplus::GpImage* image, const qelgdiplus::GpColorPalette* palette);
qelgdiplus::GpStatus WINAPI GdipBitmapLockBits(qelgdiplus::GpBitmap* bitmap, const qelgdiplus::GpRect* rect, UINT flags, qelgdiplus::GpPixelFormat format,
                                   qelgdiplus::GpBitmapData* data);
qelgdiplus::GpStatus WINAPI GdipBitmapUnlockBits(qelgdiplus::GpBitmap* bitmap, qelgdiplus::GpBitmapData* data);
qelgdiplus::GpStatus WINAPI GdipBitmapGetPixel(qelgdiplus::GpBitmap* bitmap, INT x, INT y, qelgdiplus::GpArgb* color);
qelgdiplus::GpStatus WINAPI GdipSaveImageToStream(qelgdiplus::GpImage* image, IStream* stream, const CLSID* encoder,
                                      const qelgdiplus::GpEncoderParameters* params);
}
