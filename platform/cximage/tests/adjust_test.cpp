// Light, Colorize and GrayScale at chosen pixels, inside and outside selections; the selection's
// bottom-up rows, swapped corners and clipping; rotation of a non-square picture; EXIF orientation.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/cximage/tests/test_util.h"
#include "platform/cximage/include/ximacore.h"

using namespace cxtest;

namespace {

CxImage Uniform(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    CxImage img;
    img.Create(w, h, a != 255);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = img.GetRow(y) + x * 4;
            p[0] = b; p[1] = g; p[2] = r; p[3] = a;
        }
    return img;
}

// Pixel by top-down row, as R, G, B, A.
std::array<int, 4> At(const CxImage& img, uint32_t x, uint32_t yTop) {
    const uint8_t* p = img.GetRow(yTop) + x * 4;
    return {p[2], p[1], p[0], p[3]};
}

using Rgba = std::array<int, 4>;

TEST(Light, KnownValues) {
    struct Case { long b, c; uint8_t in; int out; } cases[] = {
        {0, 0, 77, 77},       // identity
        {40, 0, 100, 140},    // brightness only
        {-255, 0, 200, 0},    // darkest
        {255, 0, 1, 255},     // brightest
        {10, 128, 100, 82},   // c = 2: (100 - 128) * 2 + 128 + 10
        {0, 255, 127, 0},     // near threshold at 128
        {0, 255, 128, 128},
        {0, 255, 129, 255},
        {0, -255, 0, 128},    // flattens to gray
        {0, -255, 255, 128},
        {0, -128, 1, 65},     // c = 0.5: (1 - 128) / 2 + 128 = 64.5 rounds up
        {0, -128, 254, 191},  // 191
    };
    for (const auto& k : cases) {
        CxImage img = Uniform(19, 3, k.in, k.in, k.in, 90);
        ASSERT_TRUE(img.Light(k.b, k.c));
        for (uint32_t x : {0u, 7u, 8u, 18u}) EXPECT_EQ(At(img, x, 1), (Rgba{k.out, k.out, k.out, 90})) << k.b << "," << k.c << " x=" << x;
    }
}

// Every byte value through the vector and scalar paths against the formula, for a spread of
// arguments, so that a fault in one lane or in the tail shows.
TEST(Light, AllByteValuesFollowTheFormula) {
    CxImage img;
    img.Create(259, 1, true);
    for (long b : {-255L, -100L, -1L, 0L, 3L, 77L, 255L})
        for (long c : {-255L, -200L, -128L, -1L, 0L, 1L, 50L, 128L, 200L, 254L, 255L}) {
            uint8_t* row = img.GetRow(0);
            for (int x = 0; x < 259; ++x) {
                row[x * 4] = uint8_t(x);
                row[x * 4 + 1] = uint8_t(x + 85);
                row[x * 4 + 2] = uint8_t(x + 170);
                row[x * 4 + 3] = uint8_t(255 - x);
            }
            img.Light(b, c);
            double k = c >= 0 ? 256.0 / (256 - c) : (256.0 + c) / 256.0;
            auto expect = [&](int v) { return int(std::clamp(std::round((v - 128) * k + 128 + b), 0.0, 255.0)); };
            for (int x = 0; x < 259; ++x) {
                ASSERT_EQ(row[x * 4], expect(x & 255)) << b << " " << c << " x=" << x;
                ASSERT_EQ(row[x * 4 + 1], expect((x + 85) & 255)) << b << " " << c << " x=" << x;
                ASSERT_EQ(row[x * 4 + 2], expect((x + 170) & 255)) << b << " " << c << " x=" << x;
                ASSERT_EQ(row[x * 4 + 3], uint8_t(255 - x)) << "alpha changed";
            }
        }
}

TEST(Colorize, FullStrengthTakesHueAndSaturationAndKeepsLightness) {
    CxImage img = Uniform(21, 2, 128, 128, 128, 200);
    img.Colorize(0, 255, 1.0f);  // red at lightness 128
    EXPECT_EQ(At(img, 20, 1), (Rgba{255, 1, 1, 200}));
    img = Uniform(21, 2, 128, 128, 128);
    img.Colorize(85, 255, 1.0f);  // a third of the circle: green
    EXPECT_EQ(At(img, 3, 0), (Rgba{1, 255, 1, 255}));
    img = Uniform(21, 2, 250, 10, 0);  // lightness (250 + 0 + 1) / 2 = 125
    img.Colorize(200, 0, 1.0f);        // no saturation: gray at the pixel's lightness
    EXPECT_EQ(At(img, 9, 1), (Rgba{125, 125, 125, 255}));
    img = Uniform(21, 2, 0, 0, 0);
    img.Colorize(170, 255, 1.0f);  // black stays black whatever the hue
    EXPECT_EQ(At(img, 0, 0), (Rgba{0, 0, 0, 255}));
    img = Uniform(21, 2, 255, 255, 255);
    img.Colorize(170, 255, 1.0f);
    EXPECT_EQ(At(img, 0, 0), (Rgba{255, 255, 255, 255}));
}

TEST(Colorize, DependsOnlyOnLightnessAcrossAllPaths) {
    // Pixels with equal max + min must come out equal, in the vector body and the tail.
    CxImage img;
    img.Create(27, 1);
    uint8_t* row = img.GetRow(0);
    for (int x = 0; x < 27; ++x) {
        row[x * 4] = uint8_t(100 - x);  // B
        row[x * 4 + 1] = uint8_t(x == 0 ? 100 : 100 + (x % 3) - 1);  // between min and max
        row[x * 4 + 2] = uint8_t(100 + x);  // max 100 + x, min 100 - x
    }
    img.Colorize(30, 180, 1.0f);
    for (int x = 1; x < 27; ++x) EXPECT_EQ(At(img, uint32_t(x), 0), At(img, 0, 0)) << x;
}

TEST(Colorize, PartialBlendMixesWithTheOriginal) {
    CxImage full = Uniform(10, 1, 128, 128, 128);
    full.Colorize(0, 255, 1.0f);
    CxImage half = Uniform(10, 1, 128, 128, 128);
    half.Colorize(0, 255, 0.5f);
    Rgba f = At(full, 4, 0), h = At(half, 4, 0);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(h[k], (f[k] + 128) / 2.0, 1.0) << k;
}

TEST(GrayScale, LumaIntoAllThreeChannels) {
    CxImage img = Uniform(17, 2, 200, 100, 50, 33);
    img.GrayScale();
    // (299 * 200 + 587 * 100 + 114 * 50) / 1000 = 124.2
    for (uint32_t x : {0u, 8u, 16u}) EXPECT_EQ(At(img, x, 1), (Rgba{124, 124, 124, 33}));
    img = Uniform(9, 1, 255, 255, 255);
    img.GrayScale();
    EXPECT_EQ(At(img, 8, 0), (Rgba{255, 255, 255, 255}));
    img = Uniform(9, 1, 0, 0, 1);  // 114 / 1000 truncates to 0
    img.GrayScale();
    EXPECT_EQ(At(img, 8, 0), (Rgba{0, 0, 0, 255}));
    img = Uniform(9, 1, 10, 0, 0);  // 2990 / 1000 = 2.99 truncates to 2
    img.GrayScale();
    EXPECT_EQ(At(img, 0, 0), (Rgba{2, 2, 2, 255}));
}

// ---------------------------------------------------------------------------------------------
// Selection

class Selection : public ::testing::Test {
protected:
    // 10 x 8 picture of gray 100; rows in the selection calls count from the bottom.
    CxImage img = Uniform(10, 8, 100, 100, 100);
    bool Changed(uint32_t x, uint32_t yFromBottom) { return At(img, x, 7 - yFromBottom)[0] != 100; }
};

TEST_F(Selection, RowsCountFromTheBottomAndEdgesBelong) {
    ASSERT_TRUE(img.SelectionAddRect(CxRect{2, 5, 4, 3}));
    img.Light(-255, 0);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 10; ++x) EXPECT_EQ(Changed(x, y), x >= 2 && x <= 4 && y >= 3 && y <= 5) << x << "," << y;
    EXPECT_EQ(img.GetPixelColor(2, 3).r, 0);    // GetPixelColor counts rows the same way
    EXPECT_EQ(img.GetPixelColor(2, 2).r, 100);
}

TEST_F(Selection, SwappedCornersSelectTheSameArea) {
    ASSERT_TRUE(img.SelectionAddRect(CxRect{4, 3, 2, 5}));
    img.GrayScale();  // gray stays gray: use Colorize to see a change
    img.Colorize(0, 255, 1.0f);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 10; ++x) EXPECT_EQ(Changed(x, y), x >= 2 && x <= 4 && y >= 3 && y <= 5) << x << "," << y;
}

TEST_F(Selection, RectanglesAreClippedAndAddUp) {
    ASSERT_TRUE(img.SelectionAddRect(CxRect{-5, 100, 1, 6}));  // columns 0..1, rows 6..7
    ASSERT_TRUE(img.SelectionAddRect(CxRect{9, 0, 12, -3}));   // column 9, row 0
    img.Light(50, 0);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 10; ++x) {
            bool in = (x <= 1 && y >= 6) || (x == 9 && y == 0);
            EXPECT_EQ(Changed(x, y), in) << x << "," << y;
            if (in) EXPECT_EQ(At(img, x, 7 - y)[1], 150);
        }
    CxRect box;
    ASSERT_TRUE(img.SelectionGetBox(box));
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 9);
    EXPECT_EQ(box.top, 0);     // top-down rows
    EXPECT_EQ(box.bottom, 7);
}

TEST_F(Selection, RectangleOutsideChangesNothing) {
    EXPECT_FALSE(img.SelectionAddRect(CxRect{20, 20, 30, 30}));
    img.Light(-255, 0);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 10; ++x) EXPECT_FALSE(Changed(x, y));
}

TEST_F(Selection, LowerLevelBlendsProportionally) {
    ASSERT_TRUE(img.SelectionAddRect(CxRect{0, 0, 9, 7}, 128));
    img.Light(-255, 0);  // towards 0 by 128/255
    EXPECT_EQ(At(img, 5, 5)[0], (100 * 127 + 127) / 255);
}

TEST_F(Selection, DeleteMakesAdjustmentsGlobalAgain) {
    ASSERT_TRUE(img.SelectionAddRect(CxRect{0, 0, 0, 0}));
    EXPECT_TRUE(img.SelectionIsValid());
    img.SelectionDelete();
    EXPECT_FALSE(img.SelectionIsValid());
    img.GrayScale();
    img.Light(-255, 0);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 10; ++x) EXPECT_TRUE(Changed(x, y));
}

TEST_F(Selection, SinglePixelChangesOnlyThatPixel) {
    ASSERT_TRUE(img.SelectionAddRect(CxRect{7, 2, 7, 2}));
    img.Colorize(0, 255, 1.0f);
    int changed = 0;
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 10; ++x) changed += Changed(x, y);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(Changed(7, 2));
}

TEST(Adjustments, EmptyPictureRefusesAndStaysEmpty) {
    CxImage img;
    EXPECT_FALSE(img.Light(10, 10));
    EXPECT_FALSE(img.Colorize(1, 1, 1.0f));
    EXPECT_FALSE(img.GrayScale());
    EXPECT_FALSE(img.SelectionAddRect(CxRect{0, 0, 1, 1}));
    CxImage dst;
    EXPECT_FALSE(img.Rotate(90.0f, &dst));
    EXPECT_FALSE(img.IsValid());
    EXPECT_FALSE(dst.IsValid());
}

// ---------------------------------------------------------------------------------------------
// Rotation

CxImage Letters() {
    // a b c
    // d e f   (top-down), each pixel's red channel holds its letter
    CxImage img;
    img.Create(3, 2);
    const char* letters = "abcdef";
    for (uint32_t i = 0; i < 6; ++i) {
        uint8_t* p = img.GetRow(i / 3) + (i % 3) * 4;
        p[0] = uint8_t(i); p[1] = uint8_t(i * 2); p[2] = uint8_t(letters[i]); p[3] = 255;
    }
    return img;
}

std::string Rows(const CxImage& img) {
    std::string s;
    for (uint32_t y = 0; y < img.GetHeight(); ++y) {
        if (y) s += '/';
        for (uint32_t x = 0; x < img.GetWidth(); ++x) s += char(img.GetRow(y)[x * 4 + 2]);
    }
    return s;
}

TEST(Rotate, QuarterTurnCounterClockwiseIntoDestination) {
    CxImage src = Letters(), dst;
    ASSERT_TRUE(src.Rotate(90.0f, &dst));
    EXPECT_EQ(dst.GetWidth(), 2u);
    EXPECT_EQ(dst.GetHeight(), 3u);
    EXPECT_EQ(Rows(dst), "cf/be/ad");  // the top edge became the left edge
    EXPECT_EQ(Rows(src), "abc/def");   // the source is unchanged
    EXPECT_EQ(dst.GetRow(2)[0], 0);    // all channels move together
    EXPECT_EQ(dst.GetRow(2)[4 + 1], 6);
}

TEST(Rotate, OtherMultiplesOfNinetyAreExact) {
    CxImage src = Letters(), dst;
    ASSERT_TRUE(src.Rotate(180.0f, &dst));
    EXPECT_EQ(Rows(dst), "fed/cba");
    ASSERT_TRUE(src.Rotate(270.0f, &dst));
    EXPECT_EQ(Rows(dst), "da/eb/fc");
    ASSERT_TRUE(src.Rotate(-90.0f, &dst));
    EXPECT_EQ(Rows(dst), "da/eb/fc");
    ASSERT_TRUE(src.Rotate(450.0f, &dst));
    EXPECT_EQ(Rows(dst), "cf/be/ad");
    ASSERT_TRUE(src.Rotate(90.0f));  // in place
    EXPECT_EQ(Rows(src), "cf/be/ad");
}

TEST(Rotate, LargePictureQuarterTurnsComeBackAndKeepEveryPixel) {
    CxImage img;
    img.Create(131, 67, true);
    for (uint32_t y = 0; y < 67; ++y)
        for (uint32_t x = 0; x < 131; ++x) {
            uint32_t v = y * 1000 + x;
            std::memcpy(img.GetRow(y) + x * 4, &v, 4);
        }
    CxImage a, b;
    ASSERT_TRUE(img.Rotate(90.0f, &a));
    for (uint32_t y = 0; y < 67; ++y)
        for (uint32_t x = 0; x < 131; ++x) {
            uint32_t v;
            std::memcpy(&v, a.GetRow(130 - x) + y * 4, 4);
            ASSERT_EQ(v, y * 1000 + x);
        }
    ASSERT_TRUE(a.Rotate(90.0f, &b));
    ASSERT_TRUE(b.Rotate(180.0f, &a));
    EXPECT_EQ(std::memcmp(a.GetRow(0), img.GetRow(0), 131 * 67 * 4), 0);
    EXPECT_TRUE(a.AlphaIsValid());
}

TEST(Rotate, FreeAngleGrowsTheCanvasAndKeepsTheCentre) {
    CxImage img = Uniform(40, 20, 10, 200, 30);
    CxImage dst;
    ASSERT_TRUE(img.Rotate(30.0f, &dst));
    double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
    EXPECT_NEAR(dst.GetWidth(), 40 * c + 20 * s, 1.0);
    EXPECT_NEAR(dst.GetHeight(), 40 * s + 20 * c, 1.0);
    EXPECT_EQ(At(dst, dst.GetWidth() / 2, dst.GetHeight() / 2), (Rgba{10, 200, 30, 255}));
    EXPECT_EQ(At(dst, 0, 0), (Rgba{255, 255, 255, 255}));  // corners outside the source are white
}

// ---------------------------------------------------------------------------------------------
// EXIF orientation

// A JPEG made by ImageMagick with an APP1 Exif block of the given orientation put after SOI.
std::vector<uint8_t> JpegWithOrientation(const std::vector<uint8_t>& jpeg, int orientation, bool bigEndian) {
    std::vector<uint8_t> tiff;
    auto p16 = [&](uint32_t v) {
        if (bigEndian) { tiff.push_back(uint8_t(v >> 8)); tiff.push_back(uint8_t(v)); }
        else { tiff.push_back(uint8_t(v)); tiff.push_back(uint8_t(v >> 8)); }
    };
    auto p32 = [&](uint32_t v) { if (bigEndian) { p16(v >> 16); p16(v & 0xFFFF); } else { p16(v & 0xFFFF); p16(v >> 16); } };
    tiff.push_back(bigEndian ? 'M' : 'I');
    tiff.push_back(bigEndian ? 'M' : 'I');
    p16(42); p32(8);
    p16(2);                                              // two entries
    p16(0x010F); p16(2); p32(4); tiff.insert(tiff.end(), {'A', 'B', 'C', 0});  // Make
    p16(0x0112); p16(3); p32(1); p16(uint32_t(orientation)); p16(0);
    p32(0);
    std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    size_t len = app1.size() - 2;
    app1[2] = uint8_t(len >> 8);
    app1[3] = uint8_t(len);
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

TEST(ExifOrientation, ParsedInBothByteOrders) {
    ASSERT_TRUE(cxtest::Run(Convert() + " -size 6x4 xc:orange -strip " + Scratch("plain.jpg")));
    auto jpeg = ReadFile(Scratch("plain.jpg"));
    ASSERT_GT(jpeg.size(), 100u);
    EXPECT_EQ(cximg::JpegExifOrientation(jpeg.data(), jpeg.size()), 0);
    for (int o = 1; o <= 8; ++o)
        for (bool be : {false, true}) {
            auto j = JpegWithOrientation(jpeg, o, be);
            EXPECT_EQ(cximg::JpegExifOrientation(j.data(), j.size()), o) << o << " " << be;
        }
    auto bad = JpegWithOrientation(jpeg, 9, false);
    EXPECT_EQ(cximg::JpegExifOrientation(bad.data(), bad.size()), 0);
    // Cut anywhere inside the block: no value and no read past the end.
    auto j = JpegWithOrientation(jpeg, 6, true);
    const size_t blockEnd = 4 + (size_t(j[4]) << 8 | j[5]);
    for (size_t n = 0; n < blockEnd; ++n) EXPECT_EQ(cximg::JpegExifOrientation(j.data(), n), 0) << n;
}

TEST(ExifOrientation, AllEightMatchImageMagickAutoOrient) {
    const char* names[9] = {"", "TopLeft", "TopRight", "BottomRight", "BottomLeft", "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
    ASSERT_TRUE(cxtest::Run(Convert() + " -size 5x3 xc:gray50 -depth 8 -fill red -draw 'point 0,0' -fill blue -draw 'point 4,0'"
                    " -fill lime -draw 'point 0,2' -fill yellow -draw 'point 2,1' " + Scratch("orient.ppm")));
    for (int o = 1; o <= 8; ++o) {
        std::string out = Scratch("orient" + std::to_string(o) + ".ppm");
        ASSERT_TRUE(cxtest::Run(Convert() + " " + Scratch("orient.ppm") + " -orient " + names[o] + " -auto-orient " + out));
        uint32_t w, h;
        auto ref = ImageMagickRgba(out, w, h);
        CxImage img;
        ASSERT_TRUE(img.LoadUtf8(Scratch("orient.ppm").c_str(), CXIMAGE_FORMAT_PNM));
        ASSERT_TRUE(img.ApplyExifOrientation(o));
        EXPECT_EQ(MaxDifference(img, ref, w, h), 0) << "orientation " << o;
    }
}

TEST(CopyAndDestroy, CopyIsDeepAndDestroyEmpties) {
    CxImage a = Uniform(4, 4, 1, 2, 3);
    a.SelectionAddRect(CxRect{0, 0, 1, 1});
    CxImage b(a);
    b.Light(100, 0);
    EXPECT_EQ(At(a, 0, 3)[0], 1);
    EXPECT_EQ(At(b, 0, 3)[0], 101);
    EXPECT_EQ(At(b, 3, 0)[0], 1);  // the selection was copied too
    b.Destroy();
    EXPECT_FALSE(b.IsValid());
    EXPECT_EQ(b.GetWidth(), 0u);
    EXPECT_TRUE(a.IsValid());
}

}  // namespace

namespace {

TEST(Transfer, TakesPixelsSelectionAndFormatAndEmptiesTheSource) {
    CxImage decoded = Uniform(5, 4, 10, 20, 30);
    ASSERT_TRUE(decoded.SelectionAddRect(CxRect{1, 1, 2, 2}));
    CxImage shown = Uniform(9, 9, 200, 200, 200);
    shown.SetLastError("older failure");
    shown.Transfer(decoded);
    EXPECT_EQ(shown.GetWidth(), 5u);
    EXPECT_EQ(shown.GetHeight(), 4u);
    EXPECT_EQ(At(shown, 4, 3), (Rgba{10, 20, 30, 255}));
    EXPECT_TRUE(shown.SelectionIsValid());
    EXPECT_STREQ(shown.GetLastError(), "");
    EXPECT_FALSE(decoded.IsValid());
    EXPECT_FALSE(decoded.SelectionIsValid());
    EXPECT_EQ(decoded.GetWidth(), 0u);
    // The emptied source is still a usable picture, and transferring to itself changes nothing.
    ASSERT_TRUE(decoded.Create(2, 2));
    EXPECT_TRUE(decoded.IsValid());
    shown.Transfer(shown);
    EXPECT_EQ(shown.GetWidth(), 5u);
}

}  // namespace
