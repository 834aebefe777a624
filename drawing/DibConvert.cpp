#include "drawing/DibConvert.h"

#include <cstring>
#include <vector>

#include "drawing/GdiplusFlat.h"
#include "drawing/MemoryPainter.h"

namespace rg_Zarno_YuanChuangRuanJian {

void ReleaseDib(QelDibRecord& dib) {
    HBITMAP bitmap = dib.bitmap;
    std::memset(&dib, 0, sizeof(dib));
    if (bitmap) DeleteObject(bitmap);
}

static bool IsDibDepth(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

bool CreateDib(QelDibRecord& dib, int32_t width, int32_t height, int32_t bitsPerPixel, bool hasAlpha) {
    ReleaseDib(dib);
    if (width <= 0 || height == 0 || height == INT32_MIN || !IsDibDepth(bitsPerPixel)) return false;
    // Rows are padded to 32 bits; a row that does not fit a 32-bit stride cannot be described.
    const int64_t rowBytes = ((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
    if (rowBytes > INT32_MAX) return false;

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info;
    std::memset(&info, 0, sizeof(info));  // the colour table of indexed depths starts zeroed
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.header.biCompression = BI_RGB;

    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return false;
    dib.bitmap = bitmap;

    DIBSECTION section;
    if (GetObjectW(bitmap, sizeof(section), &section) == sizeof(section)) {
        dib.isDibSection = 1;
        dib.width = section.dsBmih.biWidth;
        dib.height = section.dsBmih.biHeight < 0 ? -section.dsBmih.biHeight : section.dsBmih.biHeight;
        dib.bitsPerPixel = section.dsBmih.biBitCount;
        dib.stride = static_cast<int32_t>(((static_cast<int64_t>(dib.width) * dib.bitsPerPixel + 31) / 32) * 4);
        dib.topRow = static_cast<uint8_t*>(bits);
        if (height > 0) {
            dib.topRow += static_cast<int64_t>(dib.height - 1) * dib.stride;
            dib.stride = -dib.stride;
        }
    } else {
        BITMAP plain = {};
        GetObjectW(bitmap, sizeof(plain), &plain);
        dib.isDibSection = 0;
        dib.width = plain.bmWidth;
        dib.height = plain.bmHeight;
        dib.bitsPerPixel = plain.bmBitsPixel;
        dib.stride = 0;
        dib.topRow = nullptr;
    }
    dib.hasAlpha = hasAlpha ? 1 : 0;
    return true;
}

// Copies the GDI+ palette of an indexed source into the bitmap's colour table.
static bool CopyPalette(const QelDibRecord& dib, qelgdiplus::GpBitmap* source) {
    auto* image = reinterpret_cast<qelgdiplus::GpImage*>(source);
    INT bytes = 0;
    if (GdipGetImagePaletteSize(image, &bytes) != qelgdiplus::kOk || bytes < static_cast<INT>(2 * sizeof(UINT)))
        return false;
    std::vector<uint8_t> storage(static_cast<size_t>(bytes) + sizeof(qelgdiplus::GpArgb));
    auto* palette = reinterpret_cast<qelgdiplus::GpColorPalette*>(storage.data());
    if (GdipGetImagePalette(image, palette, bytes) != qelgdiplus::kOk) return false;
    const UINT count = palette->Count;
    // The entries must fit both the table and what GDI+ actually returned.
    if (count == 0 || count > 256 ||
        2 * sizeof(UINT) + static_cast<size_t>(count) * sizeof(qelgdiplus::GpArgb) > static_cast<size_t>(bytes))
        return false;

    RGBQUAD quads[256];
    for (UINT i = 0; i < count; ++i) {
        const qelgdiplus::GpArgb c = palette->Entries[i];
        quads[i].rgbRed = static_cast<BYTE>((c >> 16) & 0xFF);
        quads[i].rgbGreen = static_cast<BYTE>((c >> 8) & 0xFF);
        quads[i].rgbBlue = static_cast<BYTE>(c & 0xFF);
        quads[i].rgbReserved = 0;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HGDIOBJ previous = SelectObject(dc, dib.bitmap);
    const UINT set = SetDIBColorTable(dc, 0, count, quads);
    if (previous) SelectObject(dc, previous);
    DeleteDC(dc);
    return set > 0;
}

// Copies the source's rows unchanged (same pixel format on both sides), top row first.
static bool CopyRows(const QelDibRecord& dib, qelgdiplus::GpBitmap* source, qelgdiplus::GpPixelFormat format) {
    const qelgdiplus::GpRect whole = {0, 0, dib.width, dib.height};
    qelgdiplus::GpBitmapData locked = {};
    if (GdipBitmapLockBits(source, &whole, qelgdiplus::kImageLockModeRead, format, &locked) != qelgdiplus::kOk)
        return false;
    const size_t rowBytes = static_cast<size_t>((static_cast<int64_t>(dib.width) * dib.bitsPerPixel + 7) / 8);
    const uint8_t* from = static_cast<const uint8_t*>(locked.Scan0);
    uint8_t* to = dib.topRow;
    for (int32_t y = 0; y < dib.height; ++y) {
        std::memcpy(to, from, rowBytes);
        to += dib.stride;
        from += locked.Stride;
    }
    GdipBitmapUnlockBits(source, &locked);
    return true;
}

// Draws the source onto the record's pixels through a GDI+ bitmap in the target format. The source is
// drawn at its pixel size (not its physical size), and its pixels replace the zeroed target rather than
// being blended onto it. False when GDI+ could not draw it (some sources it cannot convert): the pixels
// are then not the picture.
static bool DrawInto(const QelDibRecord& dib, qelgdiplus::GpBitmap* source, qelgdiplus::GpPixelFormat target) {
    qelgdiplus::GpBitmap* wrapper = nullptr;
    if (GdipCreateBitmapFromScan0(dib.width, dib.height, dib.stride, target, dib.topRow, &wrapper) != qelgdiplus::kOk)
        return false;
    auto* wrapperImage = reinterpret_cast<qelgdiplus::GpImage*>(wrapper);
    qelgdiplus::GpGraphics* graphics = nullptr;
    qelgdiplus::GpStatus status = GdipGetImageGraphicsContext(wrapperImage, &graphics);
    if (status == qelgdiplus::kOk) {
        GdipSetCompositingMode(graphics, qelgdiplus::kCompositingModeSourceCopy);
        status = GdipDrawImageRectI(graphics, reinterpret_cast<qelgdiplus::GpImage*>(source), 0, 0, dib.width,
                                    dib.height);
        GdipDeleteGraphics(graphics);
    }
    GdipDisposeImage(wrapperImage);
    return status == qelgdiplus::kOk;
}

bool DibFromGdiplusBitmap(QelDibRecord& dib, qelgdiplus::GpBitmap* source) {
    if (!source) return false;
    auto* image = reinterpret_cast<qelgdiplus::GpImage*>(source);
    qelgdiplus::GpPixelFormat format = 0;
    if (GdipGetImagePixelFormat(image, &format) != qelgdiplus::kOk) return false;

    qelgdiplus::GpPixelFormat target = qelgdiplus::kFormat32bppRGB;
    if (format & qelgdiplus::kFormatGdi) target = format;
    if (format & qelgdiplus::kFormatAlpha) target = qelgdiplus::kFormat32bppARGB;

    UINT width = 0, height = 0;
    if (GdipGetImageWidth(image, &width) != qelgdiplus::kOk || GdipGetImageHeight(image, &height) != qelgdiplus::kOk)
        return false;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
    if (!CreateDib(dib, static_cast<int32_t>(width), static_cast<int32_t>(height),
                   qelgdiplus::FormatBitsPerPixel(target), (format & qelgdiplus::kFormatAlpha) != 0))
        return false;
    if (!dib.isDibSection) {
        ReleaseDib(dib);
        return false;
    }

    // Every failure below releases the half-made bitmap, so that false always means an empty record.
    if ((format & qelgdiplus::kFormatIndexed) && !CopyPalette(dib, source)) {
        ReleaseDib(dib);
        return false;
    }
    const bool filled = target == format ? CopyRows(dib, source, format) : DrawInto(dib, source, target);
    if (!filled) {
        ReleaseDib(dib);
        return false;
    }
    return true;
}

bool DibFromMemory(QelDibRecord& dib, const void* bytes, int64_t length) {
    if (length <= 0 || !bytes) return false;
    if (static_cast<uint64_t>(length) > SIZE_MAX) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(length));
    if (!block) return false;
    void* locked = GlobalLock(block);
    if (!locked) {
        GlobalFree(block);
        return false;
    }
    std::memcpy(locked, bytes, static_cast<size_t>(length));
    GlobalUnlock(block);

    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream)) || !stream) {
        GlobalFree(block);
        return false;
    }
    bool result = false;
    if (EnsureGdiplus()) {
        qelgdiplus::GpBitmap* decoded = nullptr;
        if (GdipCreateBitmapFromStream(stream, &decoded) == qelgdiplus::kOk && decoded) {
            result = DibFromGdiplusBitmap(dib, decoded);
        }
        if (decoded) GdipDisposeImage(reinterpret_cast<qelgdiplus::GpImage*>(decoded));
    }
    stream->Release();
    GlobalFree(block);
    return result;
}

}  // namespace rg_Zarno_YuanChuangRuanJian
