// Windows part of the picture library: decoding through WIC (and GDI+ for metafiles), GDI bitmaps
// to and from pictures, drawing on a device context, and loading from resources.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <gdiplus.h>
#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "platform/cximage/src/internal.h"
#include "platform/cximage/src/workers.h"
#include "platform/cximage/win/com.h"
#include "platform/cximage/include/ximage.h"
#include "platform/cximage/include/ximaprepare.h"

using cximg::Picture;

namespace {

using cximg_win::ComPtr;
using cximg_win::ComScope;

// Sets alpha to "present" when some pixel is not fully opaque.
void NoteAlpha(Picture& pic) {
    const uint8_t* p = pic.px.get();
    pic.alpha = false;
    for (size_t i = 0, n = size_t(pic.width) * pic.height; i < n; ++i)
        if (p[i * 4 + 3] != 255) {
            pic.alpha = true;
            return;
        }
}

// Copies h rows of w 32-bit pixels and folds every pixel into any (OR) and all (AND): the copy
// and the alpha scan of a bitmap read back in one pass over the memory.
void CopyRowsNoting(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, uint32_t w, uint32_t h, uint32_t& any,
                    uint32_t& all) {
    __m128i vany = _mm_setzero_si128(), vall = _mm_set1_epi32(-1);
    uint32_t sany = 0, sall = 0xFFFFFFFFu;
    for (uint32_t y = 0; y < h; ++y, src += srcStride, dst += size_t(w) * 4) {
        uint32_t x = 0;
        for (; x + 4 <= w; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + size_t(x) * 4));
            vany = _mm_or_si128(vany, v);
            vall = _mm_and_si128(vall, v);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + size_t(x) * 4), v);
        }
        for (; x < w; ++x) {
            uint32_t v;
            std::memcpy(&v, src + size_t(x) * 4, 4);
            sany |= v;
            sall &= v;
            std::memcpy(dst + size_t(x) * 4, &v, 4);
        }
    }
    alignas(16) uint32_t lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), vany);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), vall);
    any = sany | lanes[0] | lanes[1] | lanes[2] | lanes[3];
    all = sall & lanes[4] & lanes[5] & lanes[6] & lanes[7];
}

// The header of a 32-bit BI_RGB DIB of width x |height| (rows from the top for a negative height).
BITMAPINFO Bgra32Info(LONG width, LONG height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The pixels of a 32-bit BI_RGB DIB section, as GetDIBits would give them in 32-bit rows from the
// top (which copies such pixels unchanged, fourth byte included): the first row from the top and the
// step from one row to the next. False for every other kind of bitmap, and when the row order
// cannot be told.
bool DibRows(HBITMAP bitmap, const uint8_t*& first, ptrdiff_t& stride, LONG& width, LONG& height) {
    DIBSECTION ds{};
    if (GetObjectW(bitmap, sizeof(ds), &ds) != int(sizeof(ds)) || !ds.dsBm.bmBits) return false;
    if (ds.dsBmih.biBitCount != 32 || ds.dsBmih.biCompression != BI_RGB || ds.dsBm.bmPlanes != 1) return false;
    width = ds.dsBm.bmWidth;
    height = ds.dsBm.bmHeight;
    const size_t rowBytes = size_t(width) * 4;
    if (width <= 0 || height <= 0 || size_t(ds.dsBm.bmWidthBytes) != rowBytes) return false;
    const uint8_t* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    auto stored = [&](LONG r) { return bits + size_t(r) * rowBytes; };
    // GetObject tells every DIB section's height as positive, so the order of the stored rows is
    // read from the pixels: the first stored row that differs from its mirror image is compared
    // with that row read back through GetDIBits. When every row equals its mirror image, both
    // orders give the same picture.
    LONG r = 0;
    while (r < height / 2 && std::memcmp(stored(r), stored(height - 1 - r), rowBytes) == 0) ++r;
    bool fromTop = true;
    if (r < height / 2) {
        std::vector<uint8_t> line(rowBytes);
        BITMAPINFO bi = Bgra32Info(width, height);  // scan lines counted from the bottom
        HDC screen = GetDC(nullptr);
        const int got = GetDIBits(screen, bitmap, UINT(height - 1 - r), 1, line.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        if (got != 1) return false;
        if (std::memcmp(line.data(), stored(r), rowBytes) == 0) fromTop = true;
        else if (std::memcmp(line.data(), stored(height - 1 - r), rowBytes) == 0) fromTop = false;
        else return false;
    }
    first = fromTop ? bits : stored(height - 1);
    stride = fromTop ? ptrdiff_t(rowBytes) : -ptrdiff_t(rowBytes);
    return true;
}

// Metafiles (WMF with or without placeable header, EMF) rendered by GDI+ at their natural size on
// white.
bool DecodeMetafile(const uint8_t* data, size_t size, Picture& out, const char*& err) {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) {
        err = "GDI+ is not available";
        return false;
    }
    bool ok = false;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    IStream* stream = nullptr;
    if (mem) {
        void* p = GlobalLock(mem);
        std::memcpy(p, data, size);
        GlobalUnlock(mem);
        if (FAILED(CreateStreamOnHGlobal(mem, TRUE, &stream))) {
            GlobalFree(mem);
            stream = nullptr;
        }
    }
    GpImage* image = nullptr;
    err = "cannot read metafile";
    if (stream && GdipLoadImageFromStream(stream, &image) == Ok && image) {
        UINT w = 0, h = 0;
        GdipGetImageWidth(image, &w);
        GdipGetImageHeight(image, &h);
        if (w && h && out.Allocate(w, h, err)) {
            std::memset(out.px.get(), 0xFF, out.Bytes());
            GpBitmap* bitmap = nullptr;
            GpGraphics* g = nullptr;
            if (GdipCreateBitmapFromScan0(INT(w), INT(h), INT(w * 4), PixelFormat32bppARGB, out.px.get(), &bitmap) == Ok &&
                GdipGetImageGraphicsContext(bitmap, &g) == Ok) {
                ok = GdipDrawImageRectI(g, image, 0, 0, INT(w), INT(h)) == Ok;
            }
            if (g) GdipDeleteGraphics(g);
            if (bitmap) GdipDisposeImage(bitmap);
            if (ok) {
                uint8_t* p = out.px.get();
                for (size_t i = 0, n = size_t(w) * h; i < n; ++i) p[i * 4 + 3] = 255;
                out.alpha = false;
            } else {
                out = Picture();
                err = "cannot render metafile";
            }
        }
        GdipDisposeImage(image);
    }
    if (stream) stream->Release();
    GdiplusShutdown(token);
    return ok;
}

// EXIF orientation of a JPEG frame through WIC's metadata, 0 when WIC does not tell.
int WicOrientation(IWICBitmapFrameDecode* frame) {
    ComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(&reader)) || !reader) return 0;
    PROPVARIANT v;
    PropVariantInit(&v);
    int o = 0;
    if (SUCCEEDED(reader->GetMetadataByName(L"/app1/ifd/{ushort=274}", &v)) && v.vt == VT_UI2) o = v.uiVal;
    PropVariantClear(&v);
    return o >= 1 && o <= 8 ? o : 0;
}

// Checks what the players read from one enhanced-metafile record: object-table indices below the
// header's handle count, point counts and bitmap or text offsets inside the record.
bool EmfRecordOk(const uint8_t* r, uint32_t type, uint32_t len, uint32_t handles) {
    using cximg::Le32;
    auto field = [&](uint32_t off) -> uint64_t { return off + 4 <= len ? Le32(r + off) : UINT64_MAX; };
    auto inside = [&](uint64_t off, uint64_t bytes) { return off <= len && bytes <= len - off; };
    switch (type) {
        case 37: case 48: {  // EMR_SELECTOBJECT, EMR_SELECTPALETTE: stock objects have bit 31 set
            uint64_t h = field(8);
            return h != UINT64_MAX && ((h & 0x80000000u) || h < handles);
        }
        case 38: case 39: case 40: case 49: case 82: case 93: case 94: case 95: case 99: case 122: {
            uint64_t h = field(8);  // object created or deleted at this index
            return h != UINT64_MAX && h > 0 && h < handles;
        }
        case 2: case 3: case 4: case 5: case 6:  // poly shapes with 32-bit points
            return field(24) != UINT64_MAX && inside(28, field(24) * 8);
        case 85: case 86: case 87: case 88: case 89:  // the same with 16-bit points
            return field(24) != UINT64_MAX && inside(28, field(24) * 4);
        case 7: case 8: case 90: case 91: {  // several polylines or polygons
            uint64_t polys = field(24), points = field(28);
            if (polys == UINT64_MAX || points == UINT64_MAX) return false;
            return inside(32, polys * 4 + points * (type < 90 ? 8 : 4));
        }
        case 76: case 77:  // EMR_BITBLT, EMR_STRETCHBLT
            return len >= (type == 76 ? 100u : 108u) && inside(field(84), field(88)) && inside(field(92), field(96));
        case 80: case 81:  // EMR_SETDIBITSTODEVICE, EMR_STRETCHDIBITS
            return len >= (type == 80 ? 76u : 80u) && inside(field(48), field(52)) && inside(field(56), field(60));
        case 83: case 84: {  // EMR_EXTTEXTOUTA, EMR_EXTTEXTOUTW
            uint64_t chars = field(44), str = field(48), dx = field(72);
            if (len < 76 || chars == UINT64_MAX) return false;
            return inside(str, chars * (type == 84 ? 2 : 1)) && (dx == 0 || inside(dx, chars * 4));
        }
        case 70:  // EMR_COMMENT
            return len >= 12 && field(8) <= len - 12;
        default:
            return true;
    }
}

// Checks the record structure of an enhanced metafile before GDI+ plays it: every record lies
// inside the file, sizes are multiples of four, the types are known and the last one is EMR_EOF.
// (Wine's GDI+ reads past records whose sizes lie.)
bool EmfStructureOk(const uint8_t* d, size_t n) {
    using cximg::Le32;
    if (n < 88 || Le32(d) != 1 || std::memcmp(d + 40, " EMF", 4) != 0) return false;
    uint32_t total = Le32(d + 48), records = Le32(d + 52), handles = cximg::Le16(d + 56);
    if (total > n || total < 88 || records == 0) return false;
    size_t pos = 0;
    for (uint32_t i = 0; i < records; ++i) {
        if (total - pos < 8) return false;
        uint32_t type = Le32(d + pos), len = Le32(d + pos + 4);
        if (len < 8 || len % 4 || len > total - pos || type == 0 || type > 122) return false;
        if (type == 14) return i + 1 == records;  // EMR_EOF
        if (i == 0 ? type != 1 : !EmfRecordOk(d + pos, type, len, handles)) return false;
        pos += len;
    }
    return false;
}

// The same for Windows metafiles, with or without the placeable header.
bool WmfStructureOk(const uint8_t* d, size_t n) {
    using cximg::Le16;
    using cximg::Le32;
    size_t pos = 0;
    if (n >= 22 && Le32(d) == 0x9AC6CDD7u) {
        uint16_t sum = 0;
        for (int i = 0; i < 10; ++i) sum ^= Le16(d + i * 2);
        if (sum != Le16(d + 20)) return false;
        pos = 22;
    }
    if (n - pos < 18 || Le16(d + pos + 2) != 9) return false;
    pos += 18;
    while (n - pos >= 6) {
        uint32_t words = Le32(d + pos);
        uint16_t function = Le16(d + pos + 4);
        if (words < 3 || uint64_t(words) * 2 > n - pos) return false;
        if (function == 0) return true;  // end of file record
        pos += size_t(words) * 2;
    }
    return false;
}

// n pixels of B, G, R to B, G, R, 255.
__attribute__((target("ssse3"))) void WidenBgrSsse3(const uint8_t* s, uint8_t* d, size_t n) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    size_t i = 0;
    // 16 bytes are read for 12: stop while 4 more remain readable.
    for (; i + 6 <= n; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i * 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i * 4), _mm_or_si128(_mm_shuffle_epi8(v, spread), alpha));
    }
    for (; i < n; ++i) {
        d[i * 4] = s[i * 3];
        d[i * 4 + 1] = s[i * 3 + 1];
        d[i * 4 + 2] = s[i * 3 + 2];
        d[i * 4 + 3] = 255;
    }
}

void WidenBgr(const uint8_t* s, uint8_t* d, size_t n) {
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) return WidenBgrSsse3(s, d, n);
    for (size_t i = 0; i < n; ++i) {
        d[i * 4] = s[i * 3];
        d[i * 4 + 1] = s[i * 3 + 1];
        d[i * 4 + 2] = s[i * 3 + 2];
        d[i * 4 + 3] = 255;
    }
}

// Reads a 24-bit B, G, R frame in bands of rows through a small buffer into the picture's 32-bit rows.
bool CopyBgrFrame(IWICBitmapFrameDecode* frame, UINT w, UINT h, Picture& out) {
    constexpr UINT kBand = 32;
    const UINT stride = w * 3;
    std::vector<uint8_t> band;
    try {
        band.resize(size_t(stride) * std::min(kBand, h));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (UINT y = 0; y < h; y += kBand) {
        const UINT rows = std::min(kBand, h - y);
        const WICRect rect{0, INT(y), INT(w), INT(rows)};
        if (FAILED(frame->CopyPixels(&rect, stride, stride * rows, band.data()))) return false;
        for (UINT r = 0; r < rows; ++r) WidenBgr(band.data() + size_t(r) * stride, out.Row(y + r), w);
    }
    return true;
}

bool DecodeConverted(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT w, UINT h, Picture& out,
                     const char*& err);

bool WicDecode(const uint8_t* data, size_t size, uint32_t type, Picture& out, const char*& err) {
    if (type == CXIMAGE_FORMAT_WMF || cximg::DetectFormat(data, size) == CXIMAGE_FORMAT_WMF) {
        bool emf = size >= 44 && std::memcmp(data + 40, " EMF", 4) == 0;
        if (!(emf ? EmfStructureOk(data, size) : WmfStructureOk(data, size))) {
            err = "corrupt metafile";
            return false;
        }
        return DecodeMetafile(data, size, out, err);
    }
    if (size > 0xFFFFFFFFu) {
        err = "file too large";
        return false;
    }
    // A cursor file is an icon file whose directory holds hot spots where icons hold planes and
    // bit counts; the icon decoder reads it once it is marked as an icon with those fields cleared.
    std::vector<uint8_t> asIcon;
    if (size >= 6 && cximg::Le16(data) == 0 && cximg::Le16(data + 2) == 2) {
        size_t count = cximg::Le16(data + 4);
        if (count == 0 || count > (size - 6) / 16) {
            err = "corrupt cursor file";
            return false;
        }
        asIcon.assign(data, data + size);
        asIcon[2] = 1;
        for (size_t i = 0; i < count; ++i) {
            uint8_t* e = asIcon.data() + 6 + i * 16;
            e[4] = 1;
            e[5] = 0;
            e[6] = 0;
            e[7] = 0;
        }
        data = asIcon.data();
    }
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory)))) {
        err = "WIC is not available";
        return false;
    }
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), DWORD(size)))) {
        err = "out of memory";
        return false;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder))) {
        err = "unknown file format";
        return false;
    }
    GUID container{};
    decoder->GetContainerFormat(&container);
    UINT frames = 0;
    if (FAILED(decoder->GetFrameCount(&frames)) || frames == 0) {
        err = "file has no picture";
        return false;
    }
    // Icons and cursors: the largest image; everything else: the first frame or page.
    UINT pick = 0;
    if (container == GUID_ContainerFormatIco && frames > 1) {
        uint64_t best = 0;
        for (UINT i = 0; i < frames; ++i) {
            ComPtr<IWICBitmapFrameDecode> f;
            UINT w = 0, h = 0;
            if (SUCCEEDED(decoder->GetFrame(i, &f)) && SUCCEEDED(f->GetSize(&w, &h)) && uint64_t(w) * h > best) {
                best = uint64_t(w) * h;
                pick = i;
            }
        }
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT w = 0, h = 0;
    if (FAILED(decoder->GetFrame(pick, &frame)) || FAILED(frame->GetSize(&w, &h))) {
        err = "corrupt file";
        return false;
    }
    // A frame without pixels is left to the steps below, which report it as they always did.
    if (w && h && !cximg::CheckPictureSize(w, h, err)) return false;
    WICPixelFormatGUID native{};
    if (w && h && SUCCEEDED(frame->GetPixelFormat(&native)) && native == GUID_WICPixelFormat24bppBGR) {
        // JPEG photographs (and 24-bit BMP, PNG, TIFF) come as B, G, R: widened here band by band,
        // which is what the 32-bit BGRA converter does (alpha 255), without its per-pixel detour and
        // without a second picture-sized buffer. Such a picture has no alpha.
        if (!out.Allocate(w, h, err)) return false;
        if (!CopyBgrFrame(frame.p, w, h, out)) {
            out = Picture();
            err = "corrupt file";
            return false;
        }
        out.alpha = false;
    } else if (!DecodeConverted(factory.p, frame.p, w, h, out, err)) {
        return false;
    }
    if (container == GUID_ContainerFormatJpeg) {
        // Phone photographs are stored sideways with an orientation tag: show them upright.
        int o = WicOrientation(frame.p);
        if (!o) o = cximg::JpegExifOrientation(data, size);
        if (o > 1) {
            Picture turned;
            if (!cximg::Orient(out, o, turned, err)) return false;
            out = std::move(turned);
        }
    }
    return true;
}

// Any other pixel format through WIC's converter to 32-bit B, G, R, A.
bool DecodeConverted(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT w, UINT h, Picture& out,
                     const char*& err) {
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        err = "unsupported pixel format";
        return false;
    }
    if (!out.Allocate(w, h, err)) return false;
    if (FAILED(converter->CopyPixels(nullptr, w * 4, UINT(out.Bytes()), out.px.get()))) {
        out = Picture();
        err = "corrupt file";
        return false;
    }
    NoteAlpha(out);
    return true;
}

HDC ScreenDc() { return GetDC(nullptr); }

// Brings the pages in a megabyte at a time by locking and at once unlocking them: one call per
// megabyte instead of a page fault per 4 KB. Windows refuses locks beyond the process's minimum
// working set; after the first refusal the pages are left to fault in as they are touched.
std::atomic<bool> g_lockRefused{false};

bool LockPagesIn(void* memory, size_t bytes) {
    if (g_lockRefused.load(std::memory_order_relaxed)) return false;
    constexpr size_t kChunk = size_t(1) << 20;
    uint8_t* at = static_cast<uint8_t*>(memory);
    for (size_t done = 0; done < bytes; done += kChunk) {
        const size_t length = bytes - done < kChunk ? bytes - done : kChunk;
        if (!VirtualLock(at + done, length)) {
            g_lockRefused.store(true, std::memory_order_relaxed);
            return false;
        }
        VirtualUnlock(at + done, length);
    }
    return true;
}

// A 32-bit DIB section of the size (rows top-down for a negative height), as MakeBitmap and the
// drawing surfaces make them.
void* MakeDibSurface(int32_t width, int32_t height, void** bits) {
    BITMAPINFO bi = Bgra32Info(width, height);
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

void DestroyDibSurface(void* handle) { DeleteObject(static_cast<HBITMAP>(handle)); }

}  // namespace

bool CxImageInstallPlatformCodecs() {
    cximg::SetPlatformDecoder(&WicDecode);
    cximg::SetPageLocker(&LockPagesIn);
    cximg::SurfaceFactory dibs;
    dibs.make = &MakeDibSurface;
    dibs.destroy = &DestroyDibSurface;
    cximg::SetSurfaceFactory(dibs);
    return true;
}

bool CxImage::Load(const wchar_t* filename, uint32_t imagetype) {
    if (!filename || !*filename) {
        m_lastError = "no file name";
        return false;
    }
    HANDLE f = CreateFileW(filename, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        m_lastError = "cannot open file";
        return false;
    }
    LARGE_INTEGER len{};
    if (!GetFileSizeEx(f, &len) || len.QuadPart < 0 || len.QuadPart > (LONGLONG(1) << 31)) {
        CloseHandle(f);
        m_lastError = len.QuadPart > (LONGLONG(1) << 31) ? "file too large" : "cannot read file";
        return false;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(len.QuadPart));
    } catch (const std::bad_alloc&) {
        CloseHandle(f);
        m_lastError = "out of memory";
        return false;
    }
    DWORD got = 0;
    BOOL ok = bytes.empty() || ReadFile(f, bytes.data(), DWORD(bytes.size()), &got, nullptr);
    CloseHandle(f);
    if (!ok || got != bytes.size()) {
        m_lastError = "cannot read file";
        return false;
    }
    return Decode(bytes.data(), bytes.size(), imagetype);
}

bool CxImage::LoadResource(HRSRC resource, uint32_t imagetype, HMODULE module) {
    if (!resource) {
        m_lastError = "no resource";
        return false;
    }
    HGLOBAL handle = ::LoadResource(module, resource);
    DWORD size = SizeofResource(module, resource);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data || size == 0) {
        m_lastError = "cannot load resource";
        return false;
    }
    return Decode(static_cast<const uint8_t*>(data), size, imagetype);
}

HBITMAP CxImage::MakeBitmap(HDC dc, bool transparency) {
    (void)transparency;
    if (!IsValid()) return nullptr;
    BITMAPINFO bi = Bgra32Info(LONG(GetWidth()), -LONG(GetHeight()));  // rows from the top, like ours
    void* bits = nullptr;
    // One made ready while the picture decoded, when the program asked for one of this size.
    HBITMAP bmp = static_cast<HBITMAP>(cximg::TakePreparedSurface(bi.bmiHeader.biWidth, bi.bmiHeader.biHeight, &bits));
    if (!bmp) {
        HDC screen = dc ? nullptr : ScreenDc();
        bmp = CreateDIBSection(dc ? dc : screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (screen) ReleaseDC(nullptr, screen);
        if (bmp && bits) cximg::PreparePages(bits, size_t(GetWidth()) * GetHeight() * 4, false);
    }
    if (!bmp || !bits) {
        m_lastError = "cannot create bitmap";
        return nullptr;
    }
    std::memcpy(bits, GetRow(0), size_t(GetWidth()) * GetHeight() * 4);
    GdiFlush();
    return bmp;
}

bool CxImage::CopyToBitmap(HBITMAP bitmap) const {
    if (!IsValid() || !bitmap) return false;
    DIBSECTION ds{};
    if (GetObjectW(bitmap, sizeof(ds), &ds) != int(sizeof(ds)) || !ds.dsBm.bmBits) return false;
    // Only the kind MakeBitmap makes: a 32-bit BI_RGB DIB section of the picture's size.
    if (ds.dsBmih.biBitCount != 32 || ds.dsBmih.biCompression != BI_RGB || ds.dsBm.bmPlanes != 1 ||
        ds.dsBm.bmWidth != LONG(GetWidth()) || ds.dsBm.bmHeight != LONG(GetHeight()) ||
        ds.dsBm.bmWidthBytes != LONG(GetWidth()) * 4)
        return false;
    // SetDIBits places the rows in the bitmap's own order and keeps all four bytes of each pixel.
    BITMAPINFO bi = Bgra32Info(LONG(GetWidth()), -LONG(GetHeight()));
    GdiFlush();
    HDC screen = ScreenDc();
    const int lines = SetDIBits(screen, bitmap, 0, GetHeight(), GetRow(0), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    return lines == int(GetHeight());
}

bool CxImage::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette, bool transparency) {
    (void)palette;
    (void)transparency;
    BITMAP bm{};
    if (!bitmap || GetObjectW(bitmap, sizeof(bm), &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) {
        Destroy();
        m_lastError = "invalid bitmap";
        return false;
    }
    Picture pic;
    const char* err = nullptr;
    if (IsValid() && m_pic->width == uint32_t(bm.bmWidth) && m_pic->height == uint32_t(bm.bmHeight)) {
        // Same size as now (every slider movement rebuilds the picture): keep the pixel memory.
        pic.px = std::move(m_pic->px);
        pic.width = m_pic->width;
        pic.height = m_pic->height;
        Destroy();
    } else {
        Destroy();
        if (!pic.Allocate(uint32_t(bm.bmWidth), uint32_t(bm.bmHeight), err)) {
            m_lastError = err;
            return false;
        }
    }
    // GetDIBits gives every kind of bitmap (DIB sections of any depth and orientation, device
    // bitmaps, palette bitmaps) as 32-bit rows from the top; 32-bit sources keep their fourth byte.
    BITMAPINFO bi = Bgra32Info(LONG(pic.width), -LONG(pic.height));
    GdiFlush();
    uint32_t* px = reinterpret_cast<uint32_t*>(pic.px.get());
    const size_t n = size_t(pic.width) * pic.height;
    uint32_t any = 0, all = 0xFFFFFFFFu;
    const uint8_t* rows = nullptr;
    ptrdiff_t stride = 0;
    LONG dibWidth = 0, dibHeight = 0;
    if (DibRows(bitmap, rows, stride, dibWidth, dibHeight)) {
        // A 32-bit DIB section (what MakeBitmap makes) is read straight from its pixels, with the
        // scan below folded into the copy: one pass instead of GetDIBits' copy and a second read.
        // Bands of rows on the library's workers for a large picture, each noting its own bytes.
        std::mutex noted;
        cximg::ForRowBands(pic.height, pic.width, [&](size_t first, size_t end) {
            uint32_t bandAny = 0, bandAll = 0xFFFFFFFFu;
            CopyRowsNoting(rows + ptrdiff_t(first) * stride, stride, pic.px.get() + first * size_t(pic.width) * 4,
                           pic.width, uint32_t(end - first), bandAny, bandAll);
            std::lock_guard<std::mutex> hold(noted);
            any |= bandAny;
            all &= bandAll;
        });
    } else {
        HDC screen = ScreenDc();
        bool copied = GetDIBits(screen, bitmap, 0, pic.height, pic.px.get(), &bi, DIB_RGB_COLORS) == int(pic.height);
        ReleaseDC(nullptr, screen);
        if (copied && bm.bmBitsPixel != 32) {
            // Converted from fewer bits: there is no alpha to keep.
            uint8_t* p = pic.px.get();
            for (size_t i = 0; i < n; ++i) p[i * 4 + 3] = 255;
        }
        if (!copied) {
            m_lastError = "cannot read bitmap";
            return false;
        }
        // A 32-bit bitmap whose fourth bytes are all zero was drawn by GDI, which does not write
        // alpha; otherwise the picture has alpha when some fourth byte is below 255. One pass finds
        // both.
        for (size_t i = 0; i < n; ++i) {
            any |= px[i];
            all &= px[i];
        }
    }
    if ((any >> 24) == 0) {
        for (size_t i = 0; i < n; ++i) px[i] |= 0xFF000000u;
        pic.alpha = false;
    } else {
        pic.alpha = (all >> 24) != 0xFF;
    }
    Adopt(std::move(pic), CXIMAGE_FORMAT_BMP);
    m_lastError.clear();
    return true;
}

long CxImage::Draw(HDC dc, long x, long y, long cx, long cy, RECT* clip, bool smooth, bool flipY) {
    if (!dc || !IsValid()) return 0;
    const LONG w = LONG(GetWidth()), h = LONG(GetHeight());
    if (cx < 0) cx = w;
    if (cy < 0) cy = h;
    BITMAPINFO bi = Bgra32Info(w, -h);
    const bool alpha = AlphaIsValid();
    if (!alpha && cx == w && cy == h && !flipY) {
        // Opaque at natural size: straight from the picture's pixels, without a temporary bitmap (a
        // picture-sized allocation and copy on every draw). StretchDIBits at 1:1 places the pixels
        // as BitBlt from a memory DC would, mapping mode included.
        const int saved = SaveDC(dc);
        if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
        const int lines = StretchDIBits(dc, x, y, w, h, 0, 0, w, h, GetRow(0), &bi, DIB_RGB_COLORS, SRCCOPY);
        RestoreDC(dc, saved);
        return lines > 0 ? 1 : 0;
    }
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return 0;
    const size_t n = size_t(w) * h;
    if (alpha) {
        // AlphaBlend wants colour already multiplied by alpha.
        const uint8_t* s = GetRow(0);
        uint8_t* d = static_cast<uint8_t*>(bits);
        for (size_t i = 0; i < n; ++i, s += 4, d += 4) {
            uint32_t a = s[3];
            d[0] = uint8_t((s[0] * a + 127) / 255);
            d[1] = uint8_t((s[1] * a + 127) / 255);
            d[2] = uint8_t((s[2] * a + 127) / 255);
            d[3] = uint8_t(a);
        }
    } else {
        std::memcpy(bits, GetRow(0), n * 4);
    }
    GdiFlush();
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bmp);
    int saved = SaveDC(dc);
    if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
    LONG dy = y, dh = cy;
    if (flipY) {
        dy = y + cy - 1;
        dh = -cy;
    }
    BOOL ok;
    if (alpha) {
        BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        if (flipY) {
            // AlphaBlend does not mirror: turn the rows first.
            uint32_t* px = static_cast<uint32_t*>(bits);
            for (LONG r = 0; r < h / 2; ++r) std::swap_ranges(px + size_t(r) * w, px + size_t(r + 1) * w, px + size_t(h - 1 - r) * w);
            dy = y;
            dh = cy;
        }
        ok = GdiAlphaBlend(dc, x, dy, cx, dh, mem, 0, 0, w, h, bf);
    } else {
        int oldMode = SetStretchBltMode(dc, smooth ? HALFTONE : COLORONCOLOR);
        if (smooth) SetBrushOrgEx(dc, 0, 0, nullptr);
        ok = StretchBlt(dc, x, dy, cx, dh, mem, 0, 0, w, h, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
    RestoreDC(dc, saved);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
    return ok ? 1 : 0;
}

bool CxImage::SelectionAddRect(const RECT& r, uint8_t level) {
    return SelectionAddRect(CxRect{int32_t(r.left), int32_t(r.top), int32_t(r.right), int32_t(r.bottom)}, level);
}
