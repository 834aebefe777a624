// The Windows part of the picture library, run under Wine: platform codecs against ImageMagick's
// reading of the same files, EXIF orientation of JPEG photographs, metafiles, clean failures,
// GDI bitmap round trips, drawing, resources and a PNG round trip through WIC.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/cximage/include/ximage.h"
#include "platform/cximage/src/pngslices.h"

#include <wincodec.h>

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct Reference {
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgba;
};

Reference LoadReference(const std::string& name) {
    Reference r;
    std::ifstream size("testdata/" + name + ".size");
    size >> r.w >> r.h;
    r.rgba = ReadAll("testdata/" + name + ".rgba");
    return r;
}

int MaxDiff(const CxImage& img, const Reference& ref) {
    if (!img.IsValid() || img.GetWidth() != ref.w || img.GetHeight() != ref.h || ref.rgba.size() != size_t(ref.w) * ref.h * 4)
        return -1;
    int worst = 0;
    for (uint32_t y = 0; y < ref.h; ++y)
        for (uint32_t x = 0; x < ref.w; ++x) {
            const uint8_t* p = img.GetRow(y) + x * 4;
            const uint8_t* q = &ref.rgba[(size_t(y) * ref.w + x) * 4];
            worst = std::max({worst, std::abs(p[2] - q[0]), std::abs(p[1] - q[1]), std::abs(p[0] - q[2]), std::abs(p[3] - q[3])});
        }
    return worst;
}

struct PlatformFile {
    const char* name;
    uint32_t format;
    int tolerance;
    const char* reference;  // file whose ImageMagick reading is expected (nullptr: the file itself)
};

const PlatformFile kFiles[] = {
    {"bmp24.bmp", CXIMAGE_FORMAT_BMP, 0, nullptr},
    {"bmp8.bmp", CXIMAGE_FORMAT_BMP, 0, nullptr},
    {"bmp32a.bmp", CXIMAGE_FORMAT_BMP, 0, nullptr},
    {"gif_first.gif", CXIMAGE_FORMAT_GIF, 0, nullptr},
    {"png_rgb.png", CXIMAGE_FORMAT_PNG, 0, nullptr},
    {"png_rgba.png", CXIMAGE_FORMAT_PNG, 0, nullptr},
    {"png_gray.png", CXIMAGE_FORMAT_PNG, 0, nullptr},
    {"png_palette.png", CXIMAGE_FORMAT_PNG, 0, nullptr},
    {"png_16bit.png", CXIMAGE_FORMAT_PNG, 1, nullptr},
    {"tiff_lzw.tif", CXIMAGE_FORMAT_TIF, 0, nullptr},
    {"tiff_zip.tif", CXIMAGE_FORMAT_TIF, 0, nullptr},
    {"tiff_pages.tif", CXIMAGE_FORMAT_TIF, 0, nullptr},
    {"photo.jpg", CXIMAGE_FORMAT_JPG, 3, nullptr},
    {"icon.ico", CXIMAGE_FORMAT_ICO, 0, "icon48.png"},
    {"cursor.cur", CXIMAGE_FORMAT_ICO, 0, "icon48.png"},
};

class PlatformCodec : public ::testing::TestWithParam<PlatformFile> {};

TEST_P(PlatformCodec, MatchesImageMagick) {
    const PlatformFile& f = GetParam();
    Reference ref = LoadReference(f.reference ? f.reference : f.name);
    ASSERT_GT(ref.w, 0u);
    CxImage img;
    ASSERT_TRUE(img.Load(Wide("testdata\\" + std::string(f.name)).c_str(), f.format)) << img.GetLastError();
    EXPECT_LE(MaxDiff(img, ref), f.tolerance);
}

TEST_P(PlatformCodec, ContentDecidesWhenTheExtensionLies) {
    const PlatformFile& f = GetParam();
    auto bytes = ReadAll("testdata/" + std::string(f.name));
    ASSERT_FALSE(bytes.empty());
    CxImage right;
    ASSERT_TRUE(right.Decode(bytes.data(), bytes.size(), f.format));
    for (uint32_t claimed : {uint32_t(CXIMAGE_FORMAT_UNKNOWN), uint32_t(CXIMAGE_FORMAT_TGA), uint32_t(CXIMAGE_FORMAT_PSD),
                             uint32_t(f.format == CXIMAGE_FORMAT_PNG ? CXIMAGE_FORMAT_JPG : CXIMAGE_FORMAT_PNG)}) {
        CxImage img;
        ASSERT_TRUE(img.Decode(bytes.data(), bytes.size(), claimed)) << claimed << ": " << img.GetLastError();
        ASSERT_EQ(img.GetWidth(), right.GetWidth());
        ASSERT_EQ(img.GetHeight(), right.GetHeight());
        EXPECT_EQ(std::memcmp(img.GetRow(0), right.GetRow(0), size_t(img.GetWidth()) * img.GetHeight() * 4), 0);
    }
    // Cut files fail with a text or decode what is there; nothing crashes.
    CxImage cut;
    if (!cut.Decode(bytes.data(), bytes.size() / 3, f.format)) EXPECT_STRNE(cut.GetLastError(), "");
}

INSTANTIATE_TEST_SUITE_P(Files, PlatformCodec, ::testing::ValuesIn(kFiles), [](const ::testing::TestParamInfo<PlatformFile>& i) {
    std::string n = i.param.name;
    for (char& c : n)
        if (c == '.') c = '_';
    return n;
});

// ---------------------------------------------------------------------------------------------
// EXIF orientation

std::vector<uint8_t> WithOrientation(const std::vector<uint8_t>& jpeg, int orientation, bool bigEndian) {
    std::vector<uint8_t> t;
    auto p16 = [&](uint32_t v) {
        if (bigEndian) { t.push_back(uint8_t(v >> 8)); t.push_back(uint8_t(v)); }
        else { t.push_back(uint8_t(v)); t.push_back(uint8_t(v >> 8)); }
    };
    auto p32 = [&](uint32_t v) { if (bigEndian) { p16(v >> 16); p16(v & 0xFFFF); } else { p16(v & 0xFFFF); p16(v >> 16); } };
    t.push_back(bigEndian ? 'M' : 'I');
    t.push_back(bigEndian ? 'M' : 'I');
    p16(42); p32(8); p16(1);
    p16(0x0112); p16(3); p32(1); p16(uint32_t(orientation)); p16(0);
    p32(0);
    std::vector<uint8_t> seg = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    seg.insert(seg.end(), t.begin(), t.end());
    seg[2] = uint8_t((seg.size() - 2) >> 8);
    seg[3] = uint8_t(seg.size() - 2);
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), seg.begin(), seg.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

TEST(JpegOrientation, AllEightShowUpright) {
    auto jpeg = ReadAll("testdata/photo_wide.jpg");
    ASSERT_FALSE(jpeg.empty());
    CxImage plain;
    ASSERT_TRUE(plain.Decode(jpeg.data(), jpeg.size(), CXIMAGE_FORMAT_JPG)) << plain.GetLastError();
    ASSERT_EQ(plain.GetWidth(), 64u);
    ASSERT_EQ(plain.GetHeight(), 40u);
    const uint32_t w = 64, h = 40;
    for (int o = 1; o <= 8; ++o) {
        auto tagged = WithOrientation(jpeg, o, o % 2 == 0);
        CxImage img;
        ASSERT_TRUE(img.Decode(tagged.data(), tagged.size(), CXIMAGE_FORMAT_JPG)) << o;
        const bool swap = o >= 5;
        ASSERT_EQ(img.GetWidth(), swap ? h : w) << o;
        ASSERT_EQ(img.GetHeight(), swap ? w : h) << o;
        // Where each stored pixel must show, by the meaning of the tag.
        for (uint32_t sy = 0; sy < h; sy += 3)
            for (uint32_t sx = 0; sx < w; sx += 5) {
                uint32_t dx, dy;
                switch (o) {
                    case 1: dx = sx; dy = sy; break;
                    case 2: dx = w - 1 - sx; dy = sy; break;
                    case 3: dx = w - 1 - sx; dy = h - 1 - sy; break;
                    case 4: dx = sx; dy = h - 1 - sy; break;
                    case 5: dx = sy; dy = sx; break;               // transposed
                    case 6: dx = h - 1 - sy; dy = sx; break;       // turned clockwise
                    case 7: dx = h - 1 - sy; dy = w - 1 - sx; break;
                    default: dx = sy; dy = w - 1 - sx; break;      // turned counter-clockwise
                }
                ASSERT_EQ(std::memcmp(img.GetRow(dy) + dx * 4, plain.GetRow(sy) + sx * 4, 4), 0) << o << " at " << sx << "," << sy;
            }
    }
}

// ---------------------------------------------------------------------------------------------
// Metafiles drawn by GDI itself

std::vector<uint8_t> MakeEmf() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 80, 50};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    RECT r{10, 10, 40, 30};
    FillRect(dc, &r, red);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    DeleteObject(red);
    UINT n = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<uint8_t> bytes(n);
    GetEnhMetaFileBits(emf, n, bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

TEST(Metafile, EmfRenderedAtNaturalSize) {
    auto emf = MakeEmf();
    ASSERT_GT(emf.size(), 44u);
    EXPECT_EQ(cximg::DetectFormat(emf.data(), emf.size()), CXIMAGE_FORMAT_WMF);
    CxImage img;
    ASSERT_TRUE(img.Decode(emf.data(), emf.size(), CXIMAGE_FORMAT_WMF)) << img.GetLastError();
    ASSERT_GE(img.GetWidth(), 40u);
    ASSERT_GE(img.GetHeight(), 30u);
    // Red inside the rectangle, white outside.
    uint32_t cx = img.GetWidth() * 25 / 80, cy = img.GetHeight() * 20 / 50;
    const uint8_t* in = img.GetRow(cy) + cx * 4;
    EXPECT_GT(in[2], 200);
    EXPECT_LT(in[1], 60);
    const uint8_t* out = img.GetRow(img.GetHeight() - 2) + (img.GetWidth() - 2) * 4;
    EXPECT_GT(out[0], 200);
    EXPECT_GT(out[1], 200);
    EXPECT_FALSE(img.AlphaIsValid());
}

TEST(PlatformFailures, UnreadableFormatsFailCleanly) {
    struct Case {
        std::string bytes;
        uint32_t format;
    } cases[] = {
        {std::string("\x8aMNG\r\n\x1a\n\0\0\0\x1cMHDR", 16), CXIMAGE_FORMAT_MNG},
        {std::string("\0\0\0\x0cjP  \r\n\x87\n\0\0\0\x14", 16), CXIMAGE_FORMAT_JP2},
        {"\xff\x4f\xff\x51\0\x2f\0\0", CXIMAGE_FORMAT_JPC},
        {"FUJIFILMCCD-RAW 0201FF383501", CXIMAGE_FORMAT_RAW},
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16), CXIMAGE_FORMAT_PNG},
        {"\xff\xd8\xff\xe0\0\x10JFIF", CXIMAGE_FORMAT_JPG},
        {"GIF89a\x10\0", CXIMAGE_FORMAT_GIF},
        {"not a picture in any format", CXIMAGE_FORMAT_UNKNOWN},
    };
    for (const Case& c : cases) {
        CxImage img;
        EXPECT_FALSE(img.Decode(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), c.format)) << c.format;
        EXPECT_STRNE(img.GetLastError(), "");
        EXPECT_FALSE(img.IsValid());
    }
    CxImage img;
    EXPECT_FALSE(img.Load(L"testdata\\no such file.png", CXIMAGE_FORMAT_PNG));
    EXPECT_STREQ(img.GetLastError(), "cannot open file");
}

// ---------------------------------------------------------------------------------------------
// GDI bitmaps

CxImage Pattern(uint32_t w, uint32_t h, bool alpha) {
    CxImage img;
    img.Create(w, h, alpha);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = img.GetRow(y) + x * 4;
            p[0] = uint8_t(x * 5);
            p[1] = uint8_t(y * 7);
            p[2] = uint8_t(x ^ y);
            p[3] = alpha ? uint8_t((x + y) | 1) : 255;
        }
    return img;
}

bool SamePixels(const CxImage& a, const CxImage& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
           std::memcmp(a.GetRow(0), b.GetRow(0), size_t(a.GetWidth()) * a.GetHeight() * 4) == 0;
}

TEST(Bitmap, RoundTripKeepsEveryPixel) {
    for (bool alpha : {false, true}) {
        CxImage src = Pattern(61, 35, alpha);
        HBITMAP bmp = src.MakeBitmap(nullptr, false);
        ASSERT_NE(bmp, nullptr);
        DIBSECTION ds{};
        ASSERT_EQ(GetObjectW(bmp, sizeof(ds), &ds), int(sizeof(ds)));
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
        CxImage back;
        back.SelectionAddRect(CxRect{0, 0, 1, 1});
        ASSERT_TRUE(back.CreateFromHBITMAP(bmp, nullptr, false));
        EXPECT_TRUE(SamePixels(src, back)) << alpha;
        EXPECT_EQ(back.AlphaIsValid(), alpha);
        EXPECT_FALSE(back.SelectionIsValid());
        // Again into a picture of the same size that was changed and has a selection since.
        back.SelectionAddRect(CxRect{0, 0, 5, 5});
        back.Light(-255, 0);
        ASSERT_TRUE(back.CreateFromHBITMAP(bmp, nullptr, false));
        EXPECT_TRUE(SamePixels(src, back)) << alpha;
        EXPECT_FALSE(back.SelectionIsValid());
        DeleteObject(bmp);
    }
}

TEST(Bitmap, FromDeviceDependentAndBottomUpBitmaps) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 20, 10);
    HGDIOBJ old = SelectObject(mem, ddb);
    RECT all{0, 0, 20, 10}, part{5, 2, 9, 4};
    FillRect(mem, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(mem, &part, blue);
    SelectObject(mem, old);
    CxImage img;
    ASSERT_TRUE(img.CreateFromHBITMAP(ddb));
    ASSERT_EQ(img.GetWidth(), 20u);
    ASSERT_EQ(img.GetHeight(), 10u);
    EXPECT_EQ(img.GetRow(3)[6 * 4 + 0], 255);  // blue inside (row 3 from the top)
    EXPECT_EQ(img.GetRow(3)[6 * 4 + 2], 0);
    EXPECT_EQ(img.GetRow(0)[0 * 4 + 2], 255);  // white outside
    EXPECT_EQ(img.GetRow(3)[6 * 4 + 3], 255);  // opaque
    EXPECT_FALSE(img.AlphaIsValid());
    DeleteObject(ddb);

    // A bottom-up 24-bit DIB section.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 3;
    bi.bmiHeader.biHeight = 2;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    uint8_t* b = static_cast<uint8_t*>(bits);
    std::memset(b, 0, 16);
    b[0] = 10; b[1] = 20; b[2] = 30;       // first stored row = bottom row, x = 0
    b[12 + 0] = 40; b[12 + 1] = 50; b[12 + 2] = 60;  // rows are padded to 12 bytes; second = top
    ASSERT_TRUE(img.CreateFromHBITMAP(dib));
    EXPECT_EQ(img.GetRow(1)[0], 10);
    EXPECT_EQ(img.GetRow(1)[2], 30);
    EXPECT_EQ(img.GetRow(0)[0], 40);
    EXPECT_EQ(img.GetRow(0)[3], 255);
    DeleteObject(dib);
    DeleteObject(blue);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

TEST(Bitmap, NoBitmapLeavesAnEmptyPicture) {
    CxImage img = Pattern(4, 4, false);
    EXPECT_FALSE(img.CreateFromHBITMAP(nullptr));
    EXPECT_FALSE(img.IsValid());
    EXPECT_EQ(img.MakeBitmap(), nullptr);  // nothing to make a bitmap of
}

// A 32-bit DIB section with rows stored from the top or from the bottom, its pixels as given (rows
// from the top, four bytes each).
HBITMAP Dib32(LONG w, LONG h, bool fromTop, const std::vector<uint32_t>& topDown) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = fromTop ? -h : h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return nullptr;
    uint32_t* p = static_cast<uint32_t*>(bits);
    for (LONG y = 0; y < h; ++y)
        std::memcpy(p + size_t(fromTop ? y : h - 1 - y) * w, topDown.data() + size_t(y) * w, size_t(w) * 4);
    GdiFlush();
    return bmp;
}

// The bitmap's pixels as GetDIBits gives them: 32-bit rows from the top.
std::vector<uint32_t> ReadBack(HBITMAP bmp, LONG w, LONG h) {
    std::vector<uint32_t> out(size_t(w) * h);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, bmp, 0, UINT(h), out.data(), &bi, DIB_RGB_COLORS), int(h));
    ReleaseDC(nullptr, screen);
    return out;
}

TEST(Bitmap, DibSectionsOfEitherRowOrderReadAsGetDIBitsReadsThem) {
    // Random pixels with random, all-zero and all-opaque fourth bytes; a width that is no multiple
    // of four; pictures whose rows mirror each other at the top and bottom for a while (a white
    // margin) and all the way (where both orders give the same picture).
    std::mt19937 random(17);
    const LONG w = 37, h = 23;
    for (int fourth = 0; fourth < 3; ++fourth)
        for (LONG mirrored : {LONG(0), LONG(5), LONG(h / 2 + 1)})
            for (bool fromTop : {true, false}) {
                SCOPED_TRACE(::testing::Message() << "fourth " << fourth << " mirrored rows " << mirrored << " from top " << fromTop);
                std::vector<uint32_t> px(size_t(w) * h);
                for (uint32_t& v : px) {
                    v = random() & 0xFFFFFF;
                    if (fourth == 0) v |= (random() & 0xFF) << 24;
                    if (fourth == 2) v |= 0xFF000000u;
                }
                for (LONG y = 0; y < std::min<LONG>(mirrored, h / 2 + 1); ++y)
                    std::memcpy(&px[size_t(h - 1 - y) * w], &px[size_t(y) * w], size_t(w) * 4);
                HBITMAP bmp = Dib32(w, h, fromTop, px);
                ASSERT_NE(bmp, nullptr);
                std::vector<uint32_t> expected = ReadBack(bmp, w, h);
                bool anyFourth = false, allOpaque = true;
                for (uint32_t v : expected) {
                    anyFourth = anyFourth || (v >> 24) != 0;
                    allOpaque = allOpaque && (v >> 24) == 255;
                }
                if (!anyFourth)
                    for (uint32_t& v : expected) v |= 0xFF000000u;
                CxImage img;
                ASSERT_TRUE(img.CreateFromHBITMAP(bmp));
                ASSERT_EQ(img.GetWidth(), uint32_t(w));
                ASSERT_EQ(img.GetHeight(), uint32_t(h));
                EXPECT_EQ(std::memcmp(img.GetRow(0), expected.data(), expected.size() * 4), 0);
                EXPECT_EQ(img.AlphaIsValid(), anyFourth && !allOpaque);
                DeleteObject(bmp);
            }
}

TEST(Bitmap, ALargeDibSectionIsReadInBandsThatNoteTheFourthBytesTogether) {
    // 1024 x 700 is read in bands of 256 rows: one fourth byte that differs from the rest, in the
    // last (short) band or in the middle one, decides the alpha state of the whole picture.
    const LONG w = 1024, h = 700;
    struct Case {
        uint32_t fourth;  // of every pixel but one
        LONG oddRow;
        uint32_t oddFourth;
        bool alpha;
    };
    for (const Case& c : {Case{0, 650, 7, true}, Case{255, 400, 254, true}, Case{0, 10, 0, false},
                          Case{255, 699, 255, false}})
        for (bool fromTop : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "odd row " << c.oddRow << " from top " << fromTop);
            std::vector<uint32_t> px(size_t(w) * h);
            for (size_t i = 0; i < px.size(); ++i) px[i] = (uint32_t(i * 2654435761u) & 0xFFFFFF) | (c.fourth << 24);
            uint32_t& odd = px[size_t(c.oddRow) * w + 333];
            odd = (odd & 0xFFFFFF) | (c.oddFourth << 24);
            HBITMAP bmp = Dib32(w, h, fromTop, px);
            ASSERT_NE(bmp, nullptr);
            std::vector<uint32_t> expected = ReadBack(bmp, w, h);
            if (c.fourth == 0 && c.oddFourth == 0)
                for (uint32_t& v : expected) v |= 0xFF000000u;  // drawn by GDI: opaque
            CxImage img;
            ASSERT_TRUE(img.CreateFromHBITMAP(bmp));
            EXPECT_EQ(std::memcmp(img.GetRow(0), expected.data(), expected.size() * 4), 0);
            EXPECT_EQ(img.AlphaIsValid(), c.alpha);
            DeleteObject(bmp);
        }
}

TEST(Bitmap, CopyToBitmapRefillsABitmapOfItsKindAndSize) {
    CxImage first = Pattern(61, 35, false), second = Pattern(61, 35, true);
    second.Light(40, 10);
    HBITMAP bmp = first.MakeBitmap(nullptr, false);
    ASSERT_NE(bmp, nullptr);
    // Into MakeBitmap's own kind: what a new MakeBitmap of the second picture would hold.
    ASSERT_TRUE(second.CopyToBitmap(bmp));
    HBITMAP fresh = second.MakeBitmap(nullptr, false);
    EXPECT_EQ(ReadBack(bmp, 61, 35), ReadBack(fresh, 61, 35));
    DeleteObject(fresh);
    // Also into a 32-bit DIB section with rows from the bottom.
    std::vector<uint32_t> zero(size_t(61) * 35, 0);
    HBITMAP bottomUp = Dib32(61, 35, false, zero);
    ASSERT_TRUE(first.CopyToBitmap(bottomUp));
    CxImage back;
    ASSERT_TRUE(back.CreateFromHBITMAP(bottomUp));
    EXPECT_TRUE(SamePixels(first, back));
    DeleteObject(bottomUp);
    // Another size, another kind, no bitmap, no picture: refused, the bitmap as it was.
    const std::vector<uint32_t> before = ReadBack(bmp, 61, 35);
    EXPECT_FALSE(Pattern(60, 35, false).CopyToBitmap(bmp));
    EXPECT_FALSE(Pattern(61, 36, false).CopyToBitmap(bmp));
    EXPECT_FALSE(CxImage().CopyToBitmap(bmp));
    EXPECT_FALSE(first.CopyToBitmap(nullptr));
    EXPECT_EQ(ReadBack(bmp, 61, 35), before);
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 61, 35);
    ReleaseDC(nullptr, screen);
    EXPECT_FALSE(first.CopyToBitmap(ddb));
    DeleteObject(ddb);
    DeleteObject(bmp);
}

// The platform decoder's picture against WIC's own 32-bit BGRA converter on the same bytes.
std::vector<uint8_t> ThroughWicConverter(const std::vector<uint8_t>& file, UINT& w, UINT& h) {
    std::vector<uint8_t> out;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()), DWORD(file.size()))) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&w, &h)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom))) {
        out.resize(size_t(w) * h * 4);
        if (FAILED(converter->CopyPixels(nullptr, w * 4, UINT(out.size()), out.data()))) out.clear();
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    CoUninitialize();
    return out;
}

TEST(PlatformCodec24, BgrFramesGiveWhatWicsConverterGives) {
    // A 24-bit BMP of random pixels, taller than one band of rows and of an odd width, and the
    // 24-bit pictures of the test files (JPEG, BMP, PNG, TIFF).
    std::mt19937 random(3);
    const uint32_t w = 101, h = 77, stride = (w * 3 + 3) & ~3u;
    std::vector<uint8_t> bmp(54 + size_t(stride) * h, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&bmp[at], &v, 4); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, uint32_t(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    bmp[26] = 1;
    bmp[28] = 24;
    for (size_t i = 54; i < bmp.size(); ++i) bmp[i] = uint8_t(random());
    std::vector<std::vector<uint8_t>> files = {bmp};
    for (const char* name : {"photo.jpg", "photo_wide.jpg", "bmp24.bmp", "png_rgb.png", "tiff_lzw.tif"})
        files.push_back(ReadAll(std::string("testdata/") + name));
    for (const std::vector<uint8_t>& file : files) {
        ASSERT_FALSE(file.empty());
        UINT ew = 0, eh = 0;
        const std::vector<uint8_t> expected = ThroughWicConverter(file, ew, eh);
        ASSERT_FALSE(expected.empty());
        CxImage img;
        ASSERT_TRUE(img.Decode(file.data(), file.size())) << img.GetLastError();
        ASSERT_EQ(img.GetWidth(), ew);
        ASSERT_EQ(img.GetHeight(), eh);
        EXPECT_EQ(std::memcmp(img.GetRow(0), expected.data(), expected.size()), 0);
        EXPECT_FALSE(img.AlphaIsValid());
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing

struct Canvas {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    uint32_t* px;
    int w, h;
    Canvas(int width, int height, uint32_t fill) : w(width), h(height) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bmp);
        px = static_cast<uint32_t*>(bits);
        for (int i = 0; i < w * h; ++i) px[i] = fill;
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    uint32_t At(int x, int y) {
        GdiFlush();
        return px[y * w + x] & 0xFFFFFF;
    }
};

TEST(Draw, NaturalSizeAtTheOrigin) {
    CxImage img = Pattern(30, 20, false);
    Canvas c(50, 40, 0x00123456);
    EXPECT_EQ(img.Draw(c.dc, 0, 0, -1, -1, nullptr, false, false), 1);
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 30; x += 4) {
            uint32_t expect;
            std::memcpy(&expect, img.GetRow(uint32_t(y)) + x * 4, 4);
            EXPECT_EQ(c.At(x, y), expect & 0xFFFFFF) << x << "," << y;
        }
    EXPECT_EQ(c.At(30, 5), 0x123456u);  // beyond the picture: untouched
    EXPECT_EQ(c.At(5, 20), 0x123456u);
}

TEST(Draw, ClipRectangleLimitsThePaintedArea) {
    CxImage img = Pattern(30, 20, false);
    Canvas c(50, 40, 0x00123456);
    RECT clip{5, 4, 12, 9};
    EXPECT_EQ(img.Draw(c.dc, 0, 0, -1, -1, &clip, false, false), 1);
    uint32_t inside;
    std::memcpy(&inside, img.GetRow(6) + 7 * 4, 4);
    EXPECT_EQ(c.At(7, 6), inside & 0xFFFFFF);
    EXPECT_EQ(c.At(4, 6), 0x123456u);
    EXPECT_EQ(c.At(12, 6), 0x123456u);
    EXPECT_EQ(c.At(7, 9), 0x123456u);
    EXPECT_EQ(c.At(7, 3), 0x123456u);
    // The device context's own clipping is restored afterwards.
    RECT box;
    EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 50);
}

TEST(Draw, AlphaIsBlendedOverWhatTheDcHolds) {
    CxImage img;
    img.Create(16, 16, true);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x) {
            uint8_t* p = img.GetRow(y) + x * 4;
            p[0] = 0; p[1] = 0; p[2] = 255; p[3] = x < 8 ? 255 : 64;  // red, opaque then quarter
        }
    Canvas c(16, 16, 0x000000FF);  // blue background
    EXPECT_EQ(img.Draw(c.dc, 0, 0, -1, -1, nullptr, false, false), 1);
    EXPECT_EQ(c.At(2, 2), 0xFF0000u);
    uint32_t mixed = c.At(12, 2);
    EXPECT_NEAR(int((mixed >> 16) & 255), 64, 2);   // red share
    EXPECT_NEAR(int(mixed & 255), 255 - 64, 2);      // blue left over
}

// ---------------------------------------------------------------------------------------------
// Resources and the PNG encoder through WIC

TEST(Resource, LoadsThePngResource) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(501), MAKEINTRESOURCEW(10));
    ASSERT_NE(res, nullptr);
    CxImage img;
    ASSERT_TRUE(img.LoadResource(res, CXIMAGE_FORMAT_PNG, module)) << img.GetLastError();
    Reference ref = LoadReference("png_rgba.png");
    EXPECT_EQ(MaxDiff(img, ref), 0);
    EXPECT_FALSE(img.LoadResource(nullptr, CXIMAGE_FORMAT_PNG, module));
}

TEST(PngEncode, WicReadsBackEveryPixel) {
    for (bool alpha : {false, true}) {
        CxImage src = Pattern(203, 117, alpha);
        CxMemFile file;
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(src.Encode(file, CXIMAGE_FORMAT_PNG));
        CxImage back;
        ASSERT_TRUE(back.Decode(file.GetBuffer(false), file.Size(), CXIMAGE_FORMAT_PNG)) << back.GetLastError();
        EXPECT_TRUE(SamePixels(src, back)) << alpha;
        EXPECT_EQ(back.AlphaIsValid(), alpha);
    }
}

// Encodes src on one thread and on `threads` (the file in `several`): the two files are the same,
// and WIC reads back src's pixels and alpha state from it.
void ExpectSameFileOnThreadsAndReadBack(CxImage& src, unsigned threads, std::vector<uint8_t>& several) {
    SCOPED_TRACE(::testing::Message() << "alpha " << src.AlphaIsValid() << ", " << threads << " threads");
    const unsigned before = cximg::GetPngEncoderThreads();
    std::vector<uint8_t> one;
    cximg::SetPngEncoderThreads(1);
    const bool encodedOnOne = src.Encode(one, CXIMAGE_FORMAT_PNG);
    cximg::SetPngEncoderThreads(threads);
    const bool encoded = src.Encode(several, CXIMAGE_FORMAT_PNG);
    cximg::SetPngEncoderThreads(before);
    ASSERT_TRUE(encodedOnOne && encoded) << src.GetLastError();
    EXPECT_EQ(several, one);
    CxImage back;
    ASSERT_TRUE(back.Decode(several.data(), several.size(), CXIMAGE_FORMAT_PNG)) << back.GetLastError();
    EXPECT_TRUE(SamePixels(src, back));
    EXPECT_EQ(back.AlphaIsValid(), src.AlphaIsValid());
}

TEST(PngEncode, WicReadsBackASlicedNoisePictureWrittenOnSeveralThreads) {
    // Noise makes every slice a mix of stored and coded blocks; the sizes give several slices.
    std::mt19937 rng(99);
    for (bool alpha : {false, true}) {
        const uint32_t w = alpha ? 700 : 1100, h = alpha ? 400 : 500;
        ASSERT_GT(cximg::PlanPngSlices(w, h, alpha, cximg::kPngSliceBytes).slices, 2u);
        CxImage src;
        ASSERT_TRUE(src.Create(w, h, alpha));
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w * 4; ++x) src.GetRow(y)[x] = alpha || x % 4 != 3 ? uint8_t(rng()) : 255;
        std::vector<uint8_t> several;
        ExpectSameFileOnThreadsAndReadBack(src, 4, several);
    }
}

TEST(PngEncode, WicReadsBackAWhitenedPageWrittenOnSeveralThreads) {
    // Mostly white paper (rows that repeat the one above, long runs of one byte across rows and
    // slices) with noisy edges, ink dots, a black band and a band of alternating rows.
    std::mt19937 rng(7);
    for (bool alpha : {false, true}) {
        const uint32_t w = 1500, h = alpha ? 300 : 450;
        ASSERT_GT(cximg::PlanPngSlices(w, h, alpha, cximg::kPngSliceBytes).slices, 2u);
        CxImage src;
        ASSERT_TRUE(src.Create(w, h, alpha));
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t v = 255;
                if (x < 8 || x + 8 >= w) v = uint8_t(rng() % 70);
                else if (y >= 100 && y < 140) v = 0;
                else if (y >= 200 && y < 230) v = y % 2 ? 255 : 0;
                else if ((x * 7 + y * 11) % 211 == 0) v = uint8_t(rng() % 50);
                uint8_t* p = src.GetRow(y) + x * 4;
                p[0] = p[1] = p[2] = v;
                p[3] = alpha ? uint8_t(v ^ 0x80) : 255;
            }
        std::vector<uint8_t> several;
        ExpectSameFileOnThreadsAndReadBack(src, 3, several);
        EXPECT_LT(several.size(), size_t(w) * h / 4) << alpha;
    }
}

// ---------------------------------------------------------------------------------------------
// A bounded mutation run over the platform codec path: damaged copies of every test file, a
// fixed seed and a fixed count, each decoded with its own format and with detection.

TEST(PlatformMutation, DamagedFilesNeverCrash) {
    std::vector<std::vector<uint8_t>> seeds;
    for (const PlatformFile& f : kFiles) seeds.push_back(ReadAll("testdata/" + std::string(f.name)));
    seeds.push_back(ReadAll("testdata/photo_wide.jpg"));
    seeds.push_back(MakeEmf());
    std::mt19937 rng(20240611);
    const int kRuns = 1500;
    int decoded = 0;
    for (int i = 0; i < kRuns; ++i) {
        std::vector<uint8_t> data = seeds[rng() % seeds.size()];
        ASSERT_FALSE(data.empty());
        int edits = 1 + int(rng() % 8);
        for (int k = 0; k < edits; ++k) {
            size_t pos = rng() % data.size();
            switch (rng() % 4) {
                case 0: data[pos] = uint8_t(rng()); break;
                case 1: data[pos] ^= uint8_t(1u << (rng() % 8)); break;
                case 2: data.resize(std::max<size_t>(1, pos)); break;
                default: data[std::min(pos, data.size() - 1)] = 0xFF; break;
            }
        }
        if (std::getenv("CXIMAGE_DUMP_MUTATION")) {
            std::ofstream("mutation-input.bin", std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        }
        CxImage img;
        if (img.Decode(data.data(), data.size(), cximg::DetectFormat(data.data(), data.size()))) {
            ++decoded;
            EXPECT_GT(img.GetWidth(), 0u);
        } else {
            EXPECT_STRNE(img.GetLastError(), "");
        }
    }
    std::printf("platform mutation run: %d inputs, %d decoded, %d refused\n", kRuns, decoded, kRuns - decoded);
}

}  // namespace
