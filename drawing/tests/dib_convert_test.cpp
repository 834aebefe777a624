// Bitmap conversion: DIB creation, conversion of decoded GDI+ bitmaps, decoding from memory of pictures
// made at test time in several pixel formats.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/AppInstance.h"
#include "drawing/DibConvert.h"
#include "drawing/GdiplusFlat.h"
#include "drawing/MemoryPainter.h"
#include "drawing/tests/test_support.h"
#include "testsupport/GdiCount.h"
#include "testsupport/Pump.h"

using namespace rg_Zarno_YuanChuangRuanJian;
using drawtest::Rgba;

namespace {

QelDibRecord Empty() {
    QelDibRecord d;
    std::memset(&d, 0, sizeof(d));
    return d;
}

bool IsEmpty(const QelDibRecord& d) {
    const QelDibRecord zero = Empty();
    return std::memcmp(&d, &zero, sizeof(d)) == 0;
}

// The record's own description of its bitmap must agree with what GDI reports for the DIB section.
void ExpectConsistent(const QelDibRecord& d) {
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(d.bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(d.isDibSection, 1);
    EXPECT_EQ(d.width, section.dsBm.bmWidth);
    EXPECT_EQ(d.height, section.dsBm.bmHeight);
    EXPECT_EQ(d.bitsPerPixel, section.dsBmih.biBitCount);
    const int32_t rowBytes = ((d.width * d.bitsPerPixel + 31) / 32) * 4;
    EXPECT_EQ(d.stride, -rowBytes) << "bottom-up rows have a negative stride";
    EXPECT_EQ(section.dsBm.bmWidthBytes, rowBytes);
    // The top image row of a bottom-up DIB is the last row in memory.
    EXPECT_EQ(d.topRow, static_cast<uint8_t*>(section.dsBm.bmBits) + static_cast<size_t>(d.height - 1) * rowBytes);
}

std::vector<RGBQUAD> ColourTable(HBITMAP bitmap) {
    std::vector<RGBQUAD> table(256);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const UINT n = GetDIBColorTable(dc, 0, 256, table.data());
    SelectObject(dc, old);
    DeleteDC(dc);
    table.resize(n);
    return table;
}

uint32_t Bgra(const QelDibRecord& d, int x, int y) {
    const uint8_t* p = d.topRow + static_cast<ptrdiff_t>(y) * d.stride + x * 4;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

const Rgba kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255}, kBlue = {0, 0, 255, 255},
           kWhite = {255, 255, 255, 255}, kBlack = {0, 0, 0, 255};

std::vector<Rgba> Pattern(int w, int h) {
    std::vector<Rgba> p(static_cast<size_t>(w) * h);
    const Rgba colours[] = {kRed, kGreen, kBlue, kWhite, kBlack};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p[static_cast<size_t>(y) * w + x] = colours[(x + 2 * y) % 5];
    return p;
}

}  // namespace

TEST(CreateDib, DescribesABottomUpSectionAndRejectsBadArguments) {
    QelDibRecord d = Empty();
    ASSERT_TRUE(CreateDib(d, 7, 3, 24, false));
    ExpectConsistent(d);
    EXPECT_EQ(d.stride, -24) << "7 pixels of 3 bytes round up to 24";
    EXPECT_EQ(d.hasAlpha, 0);

    // A new bitmap replaces (and deletes) the previous one.
    const HBITMAP first = d.bitmap;
    ASSERT_TRUE(CreateDib(d, 2, 2, 32, true));
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(d.hasAlpha, 1);
    ExpectConsistent(d);

    // Indexed depths start with a zeroed colour table.
    ASSERT_TRUE(CreateDib(d, 9, 1, 8, false));
    std::vector<RGBQUAD> table = ColourTable(d.bitmap);
    ASSERT_EQ(table.size(), 256u);
    for (const RGBQUAD& q : table) EXPECT_EQ(q.rgbRed | q.rgbGreen | q.rgbBlue | q.rgbReserved, 0);

    const HBITMAP held = d.bitmap;
    EXPECT_FALSE(CreateDib(d, 0, 5, 24, false));
    EXPECT_TRUE(IsEmpty(d));
    EXPECT_EQ(GetObjectType(held), 0u) << "a failed create still releases what the record held";
    EXPECT_FALSE(CreateDib(d, 5, 0, 24, false));
    EXPECT_FALSE(CreateDib(d, 5, 5, 12, false));
    EXPECT_FALSE(CreateDib(d, -5, 5, 32, false));
    EXPECT_FALSE(CreateDib(d, 0x7FFFFFFF, 1, 32, false)) << "a row wider than a 32-bit stride";
    EXPECT_TRUE(IsEmpty(d));
}

TEST(CreateDib, ReleaseEmptiesTheRecordAndDeletesTheBitmapOnce) {
    QelDibRecord d = Empty();
    ASSERT_TRUE(CreateDib(d, 4, 4, 32, false));
    const HBITMAP bitmap = d.bitmap;
    ReleaseDib(d);
    EXPECT_TRUE(IsEmpty(d));
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    ReleaseDib(d);  // an empty record releases nothing
    EXPECT_TRUE(IsEmpty(d));

    // Taking the handle and clearing the record keeps the bitmap alive for its new owner.
    ASSERT_TRUE(CreateDib(d, 4, 4, 32, false));
    const HBITMAP taken = d.bitmap;
    d = Empty();
    ReleaseDib(d);
    EXPECT_EQ(GetObjectType(taken), static_cast<DWORD>(OBJ_BITMAP));
    DeleteObject(taken);
}

TEST(DibFromMemory, TwentyFourBitPictureKeepsItsDepthAndRows) {
    const int w = 5, h = 3;  // 15 bytes per row: padded to 16
    const std::vector<Rgba> pixels = Pattern(w, h);
    const std::vector<uint8_t> file = drawtest::MakeBmp24(w, h, pixels);
    QelDibRecord d = Empty();
    ASSERT_TRUE(DibFromMemory(d, file.data(), static_cast<int64_t>(file.size())));
    EXPECT_EQ(d.width, w);
    EXPECT_EQ(d.height, h);
    EXPECT_EQ(d.bitsPerPixel, 24);
    EXPECT_EQ(d.stride, -16);
    EXPECT_EQ(d.hasAlpha, 0);
    ExpectConsistent(d);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = d.topRow + static_cast<ptrdiff_t>(y) * d.stride + x * 3;
            const Rgba& c = pixels[static_cast<size_t>(y) * w + x];
            EXPECT_EQ(p[0], c.b) << x << "," << y;
            EXPECT_EQ(p[1], c.g) << x << "," << y;
            EXPECT_EQ(p[2], c.r) << x << "," << y;
        }
    ReleaseDib(d);
}

TEST(DibFromMemory, AlphaPictureBecomesThirtyTwoBitArgbWithItsAlpha) {
    const int w = 4, h = 3;
    std::vector<Rgba> pixels = Pattern(w, h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i].a = static_cast<uint8_t>(i * 20);
    pixels[0] = {10, 20, 30, 128};
    const std::vector<uint8_t> file = drawtest::MakePngRgba8(w, h, pixels);
    QelDibRecord d = Empty();
    ASSERT_TRUE(DibFromMemory(d, file.data(), static_cast<int64_t>(file.size())));
    EXPECT_EQ(d.bitsPerPixel, 32);
    EXPECT_EQ(d.hasAlpha, 1);
    ExpectConsistent(d);
    // Straight (not premultiplied) ARGB, first picture row at the top row pointer.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgba& c = pixels[static_cast<size_t>(y) * w + x];
            const uint32_t expected = c.b | (c.g << 8) | (c.r << 16) | (static_cast<uint32_t>(c.a) << 24);
            if (c.a == 0) {
                EXPECT_EQ(Bgra(d, x, y) >> 24, 0u);
            } else {
                EXPECT_EQ(Bgra(d, x, y), expected) << x << "," << y;
            }
        }
    ReleaseDib(d);
}

TEST(DibFromMemory, IndexedPicturesKeepPaletteAndIndices) {
    const std::vector<Rgba> palette = {{1, 2, 3, 255},    {200, 100, 50, 255}, {0, 128, 255, 255},
                                       {255, 255, 0, 255}, {9, 9, 9, 255},      {70, 0, 140, 255},
                                       {33, 66, 99, 255}};
    const int w = 6, h = 4;
    std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>((i * 3) % palette.size());
    const std::vector<uint8_t> file8 = drawtest::MakeIndexedBmp(w, h, 8, palette, indices);
    QelDibRecord d = Empty();
    ASSERT_TRUE(DibFromMemory(d, file8.data(), static_cast<int64_t>(file8.size())));
    EXPECT_EQ(d.bitsPerPixel, 8);
    EXPECT_EQ(d.hasAlpha, 0);
    ExpectConsistent(d);
    std::vector<RGBQUAD> table = ColourTable(d.bitmap);
    ASSERT_GE(table.size(), palette.size());
    for (size_t i = 0; i < palette.size(); ++i) {
        EXPECT_EQ(table[i].rgbRed, palette[i].r) << i;
        EXPECT_EQ(table[i].rgbGreen, palette[i].g) << i;
        EXPECT_EQ(table[i].rgbBlue, palette[i].b) << i;
        EXPECT_EQ(table[i].rgbReserved, 0) << i;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(d.topRow[static_cast<ptrdiff_t>(y) * d.stride + x], indices[static_cast<size_t>(y) * w + x]);

    const std::vector<Rgba> twoColours = {{250, 240, 230, 255}, {12, 34, 56, 255}};
    const int w1 = 11, h1 = 3;
    std::vector<uint8_t> bits(static_cast<size_t>(w1) * h1);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = (i % 3 == 0) ? 1 : 0;
    const std::vector<uint8_t> file1 = drawtest::MakeIndexedBmp(w1, h1, 1, twoColours, bits);
    ASSERT_TRUE(DibFromMemory(d, file1.data(), static_cast<int64_t>(file1.size())));
    EXPECT_EQ(d.bitsPerPixel, 1);
    EXPECT_EQ(d.stride, -4);
    ExpectConsistent(d);
    table = ColourTable(d.bitmap);
    ASSERT_EQ(table.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(table[i].rgbRed, twoColours[i].r);
        EXPECT_EQ(table[i].rgbGreen, twoColours[i].g);
        EXPECT_EQ(table[i].rgbBlue, twoColours[i].b);
    }
    for (int y = 0; y < h1; ++y)
        for (int x = 0; x < w1; ++x) {
            const uint8_t byte = d.topRow[static_cast<ptrdiff_t>(y) * d.stride + x / 8];
            EXPECT_EQ((byte >> (7 - x % 8)) & 1, bits[static_cast<size_t>(y) * w1 + x]) << x << "," << y;
        }
    ReleaseDib(d);
}

// The alpha flag follows what the decoder reports for the source, whichever format that is.
bool DecodedHasAlpha(const std::vector<uint8_t>& file) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, file.size());
    std::memcpy(GlobalLock(block), file.data(), file.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(block, FALSE, &stream);
    qelgdiplus::GpBitmap* bitmap = nullptr;
    qelgdiplus::GpPixelFormat format = 0;
    if (GdipCreateBitmapFromStream(stream, &bitmap) == qelgdiplus::kOk) {
        GdipGetImagePixelFormat(reinterpret_cast<qelgdiplus::GpImage*>(bitmap), &format);
        GdipDisposeImage(reinterpret_cast<qelgdiplus::GpImage*>(bitmap));
    }
    stream->Release();
    GlobalFree(block);
    return (format & qelgdiplus::kFormatAlpha) != 0;
}

TEST(DibFromMemory, SixteenBitPerSampleAndCmykPicturesBecomeThirtyTwoBit) {
    // 16 bits per sample, at 300 dpi: the picture must still cover the bitmap pixel for pixel.
    const int w = 6, h = 5;
    std::vector<uint16_t> samples;
    std::vector<uint32_t> expected;
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colours[(x + y) % 6];
            expected.push_back(c);
            for (int shift : {16, 8, 0}) samples.push_back(((c >> shift) & 0xFF) ? 0xFFFF : 0);
        }
    const std::vector<uint8_t> png = drawtest::MakePngRgb16(w, h, samples, 300);
    QelDibRecord d = Empty();
    ASSERT_TRUE(DibFromMemory(d, png.data(), static_cast<int64_t>(png.size())));
    EXPECT_EQ(d.bitsPerPixel, 32);
    EXPECT_EQ(d.hasAlpha, DecodedHasAlpha(png) ? 1 : 0);
    EXPECT_EQ(d.width, w);
    ExpectConsistent(d);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(Bgra(d, x, y) & 0xFFFFFF, expected[static_cast<size_t>(y) * w + x]) << x << "," << y;

    // CMYK: pure inks and paper.
    std::vector<uint8_t> cmyk;
    std::vector<uint32_t> rgb;
    const uint8_t inks[][4] = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {0, 0, 0, 255}};
    const uint32_t inkRgb[] = {0xFFFFFF, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x000000};
    const int cw = 5, ch = 2;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            const int k = (x + y) % 5;
            cmyk.insert(cmyk.end(), inks[k], inks[k] + 4);
            rgb.push_back(inkRgb[k]);
        }
    const std::vector<uint8_t> tiff = drawtest::MakeTiffCmyk(cw, ch, cmyk);
    ASSERT_TRUE(DibFromMemory(d, tiff.data(), static_cast<int64_t>(tiff.size())));
    EXPECT_EQ(d.bitsPerPixel, 32);
    EXPECT_EQ(d.hasAlpha, DecodedHasAlpha(tiff) ? 1 : 0);
    ExpectConsistent(d);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
            EXPECT_EQ(Bgra(d, x, y) & 0xFFFFFF, rgb[static_cast<size_t>(y) * cw + x]) << x << "," << y;
    ReleaseDib(d);
}

// Sources in formats GDI cannot hold (48-bit RGB, CMYK) are drawn into 32-bit RGB without alpha.
TEST(DibFromGdiplusBitmap, FortyEightBitAndCmykSourcesAreDrawnToThirtyTwoBitRgb) {
    ASSERT_TRUE(EnsureGdiplus());
    const int w = 6, h = 4;  // 36 bytes per 48-bit row: GDI+ wants rows in multiples of 4 bytes
    // 48-bit: six bytes per pixel; full and empty channels only, which every scaling maps to 255 and 0.
    std::vector<uint16_t> wide(static_cast<size_t>(w) * h * 3);
    std::vector<uint32_t> expected;
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colours[(x + 3 * y) % 5];
            expected.push_back(c);
            uint16_t* p = &wide[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = (c & 0xFF) ? 0xFFFF : 0;          // blue
            p[1] = ((c >> 8) & 0xFF) ? 0xFFFF : 0;   // green
            p[2] = ((c >> 16) & 0xFF) ? 0xFFFF : 0;  // red
        }
    qelgdiplus::GpBitmap* source = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(w, h, w * 6, qelgdiplus::kFormat48bppRGB,
                                        reinterpret_cast<BYTE*>(wide.data()), &source),
              qelgdiplus::kOk);
    QelDibRecord d = Empty();
    ASSERT_TRUE(DibFromGdiplusBitmap(d, source));
    GdipDisposeImage(reinterpret_cast<qelgdiplus::GpImage*>(source));
    EXPECT_EQ(d.bitsPerPixel, 32);
    EXPECT_EQ(d.hasAlpha, 0);
    ExpectConsistent(d);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(Bgra(d, x, y) & 0xFFFFFF, expected[static_cast<size_t>(y) * w + x]) << x << "," << y;

    // CMYK: no ink is white, all inks full is black, whatever the channel order.
    std::vector<uint8_t> cmyk(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 4; ++k) cmyk[(static_cast<size_t>(y) * w + x) * 4 + k] = ((x + y) % 2) ? 255 : 0;
    ASSERT_EQ(GdipCreateBitmapFromScan0(w, h, w * 4, qelgdiplus::kFormat32bppCMYK, cmyk.data(), &source),
              qelgdiplus::kOk);
    const bool converted = DibFromGdiplusBitmap(d, source);
    GdipDisposeImage(reinterpret_cast<qelgdiplus::GpImage*>(source));
    if (!converted) {
        // A GDI+ that cannot draw this source (Wine's) must say so rather than hand back a blank bitmap.
        EXPECT_TRUE(IsEmpty(d));
        return;
    }
    EXPECT_EQ(d.bitsPerPixel, 32);
    EXPECT_EQ(d.hasAlpha, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(Bgra(d, x, y) & 0xFFFFFF, ((x + y) % 2) ? 0x000000u : 0xFFFFFFu) << x << "," << y;
    ReleaseDib(d);
}

TEST(DibFromMemory, NothingOrUndecodableBytesGiveFalseAndAnEmptyRecord) {
    QelDibRecord d = Empty();
    const uint8_t junk[64] = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    const int64_t before = qeltest::CountGdiObjects();
    EXPECT_FALSE(DibFromMemory(d, junk, 0));
    EXPECT_TRUE(IsEmpty(d));
    EXPECT_FALSE(DibFromMemory(d, junk, -3));
    EXPECT_TRUE(IsEmpty(d));
    EXPECT_FALSE(DibFromMemory(d, nullptr, 10));
    EXPECT_FALSE(DibFromMemory(d, junk, sizeof(junk)));
    EXPECT_TRUE(IsEmpty(d));
    // A truncated picture: the header promises more than there is.
    const std::vector<uint8_t> bmp = drawtest::MakeBmp24(40, 40, Pattern(40, 40));
    EXPECT_FALSE(DibFromMemory(d, bmp.data(), 20));
    EXPECT_TRUE(IsEmpty(d));
    EXPECT_EQ(qeltest::CountGdiObjects(), before);
}

TEST(DibFromGdiplusBitmap, IndexedSourceWithoutPaletteEntriesLeavesNoBitmapBehind) {
    ASSERT_TRUE(EnsureGdiplus());
    qelgdiplus::GpBitmap* source = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(8, 8, 0, qelgdiplus::kFormat8bppIndexed, nullptr, &source), qelgdiplus::kOk);
    qelgdiplus::GpColorPalette none = {0, 0, {0}};
    if (GdipSetImagePalette(reinterpret_cast<qelgdiplus::GpImage*>(source), &none) != qelgdiplus::kOk) {
        GdipDisposeImage(reinterpret_cast<qelgdiplus::GpImage*>(source));
        GTEST_SKIP() << "this GDI+ refuses an empty palette";
    }
    const int64_t before = qeltest::CountGdiObjects();
    QelDibRecord d = Empty();
    EXPECT_FALSE(DibFromGdiplusBitmap(d, source));
    EXPECT_TRUE(IsEmpty(d));
    EXPECT_EQ(qeltest::CountGdiObjects(), before);
    GdipDisposeImage(reinterpret_cast<qelgdiplus::GpImage*>(source));
}

TEST(EnsureGdiplus, StartsOnceAndKeepsTheToken) {
    ASSERT_TRUE(EnsureGdiplus());
    const ULONG_PTR token = GetAppInstance()->gdiplusToken;
    EXPECT_NE(token, 0u);
    ASSERT_TRUE(EnsureGdiplus());
    EXPECT_EQ(GetAppInstance()->gdiplusToken, token) << "a second call must not start GDI+ again";

    // After the exit shutdown the next call starts GDI+ afresh.
    GetAppInstance()->ShutdownLazyGdiplus();
    EXPECT_EQ(GetAppInstance()->gdiplusToken, 0u);
    ASSERT_TRUE(EnsureGdiplus());
    EXPECT_NE(GetAppInstance()->gdiplusToken, 0u);
}
