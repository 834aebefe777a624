// The sheet finder, the aspect estimate and the rectifying warp: drawn quadrilaterals and generated
// desk scenes found within tolerance, the warp of a sharp checkerboard against a reference computed
// here in double precision, rectangles seen through a pinhole camera, A4 and Letter snapping,
// degenerate corners, tiny pictures and pictures without a sheet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/include/ximasheet.h"
#include "platform/cximage/testpages/Scene.h"

using cximg::SheetCorners;

namespace {

constexpr double kPi = 3.14159265358979323846;

SheetCorners Quad(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
    return SheetCorners{{x0, x1, x2, x3}, {y0, y1, y2, y3}};
}

double Diagonal(const SheetCorners& c) {
    return 0.5 * (std::hypot(c.x[0] - c.x[2], c.y[0] - c.y[2]) + std::hypot(c.x[1] - c.x[3], c.y[1] - c.y[3]));
}

double WorstCornerError(const SheetCorners& a, const SheetCorners& b) {
    double worst = 0;
    for (int k = 0; k < 4; ++k) worst = std::max(worst, std::hypot(a.x[k] - b.x[k], a.y[k] - b.y[k]));
    return worst;
}

// Solves the 8 x 8 system of a perspective transform from the unit square's corners to four
// points by Gaussian elimination: independent of the library's closed form.
void Homography(const SheetCorners& c, double h[9]) {
    const double us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    double m[8][9] = {};
    for (int k = 0; k < 4; ++k) {
        const double u = us[k], v = vs[k], x = c.x[k], y = c.y[k];
        double r1[9] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
        double r2[9] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
        std::memcpy(m[2 * k], r1, sizeof r1);
        std::memcpy(m[2 * k + 1], r2, sizeof r2);
    }
    for (int col = 0; col < 8; ++col) {
        int piv = col;
        for (int r = col + 1; r < 8; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[piv][col])) piv = r;
        for (int j = 0; j < 9; ++j) std::swap(m[col][j], m[piv][j]);
        for (int r = 0; r < 8; ++r) {
            if (r == col) continue;
            const double f = m[r][col] / m[col][col];
            for (int j = col; j < 9; ++j) m[r][j] -= f * m[col][j];
        }
    }
    for (int i = 0; i < 8; ++i) h[i] = m[i][8] / m[i][i];
    h[8] = 1;
}

void Put(CxImage& img, uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    uint8_t* p = img.GetRow(y) + x * 4;
    p[0] = b; p[1] = g; p[2] = r; p[3] = a;
}

// A white quadrilateral (edges covered proportionally, 4 x 4 samples per pixel) on a dark,
// grainy, brownish background, with a few lines of grey "text" inside.
CxImage DrawnSheet(uint32_t w, uint32_t h, const SheetCorners& c) {
    CxImage img;
    img.Create(w, h);
    double hm[9];
    Homography(c, hm);
    auto inside = [&](double x, double y) {
        for (int k = 0; k < 4; ++k) {
            const int n = (k + 1) & 3;
            if ((c.x[n] - c.x[k]) * (y - c.y[k]) - (c.y[n] - c.y[k]) * (x - c.x[k]) < 0) return false;
        }
        return true;
    };
    uint32_t grain = 12345;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            int cover = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) cover += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
            grain = grain * 1103515245u + 12345u;
            const double bg = 70 + 20 * std::sin(x * 0.05 + y * 0.013) + double((grain >> 16) % 9);
            const double a = cover / 16.0;
            const double paper = 235;
            Put(img, x, y, uint8_t(std::lround(bg * 1.3 * (1 - a) + paper * a)), uint8_t(std::lround(bg * (1 - a) + paper * a)),
                uint8_t(std::lround(bg * 0.7 * (1 - a) + (paper - 8) * a)));
        }
    // Text: dark dashes at points of the page mapped into the picture.
    for (double v = 0.12; v < 0.9; v += 0.06)
        for (double u = 0.1; u < 0.9; u += 0.004) {
            if (std::fmod(u * 37 + v * 11, 1.0) < 0.25) continue;  // word gaps
            const double z = hm[6] * u + hm[7] * v + 1;
            const double x = (hm[0] * u + hm[1] * v + hm[2]) / z, y = (hm[3] * u + hm[4] * v + hm[5]) / z;
            for (int dy = -1; dy <= 1; ++dy) {
                int px = int(x), py = int(y) + dy;
                if (px >= 0 && py >= 0 && px < int(w) && py < int(h)) Put(img, uint32_t(px), uint32_t(py), 50, 50, 55);
            }
        }
    return img;
}

// The corners of a width x height rectangle seen by a pinhole camera (principal point at the
// picture's centre) after turning it by the given angles.
SheetCorners Projected(double rw, double rh, double gamma, double alpha, double beta, double f, double dist, uint32_t w,
                       uint32_t h) {
    const double cg = std::cos(gamma), sg = std::sin(gamma), ca = std::cos(alpha), sa = std::sin(alpha);
    const double cb = std::cos(beta), sb = std::sin(beta);
    SheetCorners c;
    const double xs[4] = {-rw / 2, rw / 2, rw / 2, -rw / 2}, ys[4] = {-rh / 2, -rh / 2, rh / 2, rh / 2};
    for (int k = 0; k < 4; ++k) {
        // Ry(beta), then Rx(alpha), then Rz(gamma).
        double X = cb * xs[k], Y = ys[k], Z = -sb * xs[k];
        double Y2 = ca * Y - sa * Z, Z2 = sa * Y + ca * Z;
        double X3 = cg * X - sg * Y2, Y3 = sg * X + cg * Y2;
        Z2 += dist;
        c.x[k] = f * X3 / Z2 + w / 2.0;
        c.y[k] = f * Y3 / Z2 + h / 2.0;
    }
    return c;
}

// ----- detection -----

TEST(FindSheet, DrawnQuadrilateralsAreFoundWithinAPixelOrTwo) {
    const SheetCorners shapes[] = {
        Quad(150, 90, 620, 110, 600, 520, 130, 500),     // slightly turned
        Quad(260, 60, 640, 200, 500, 560, 120, 420),     // turned by about 20 degrees
        Quad(200, 120, 560, 100, 680, 540, 90, 560),     // strong perspective (trapezoid)
        Quad(300, 40, 520, 60, 560, 570, 250, 540),      // narrow, upright
    };
    for (const SheetCorners& truth : shapes) {
        CxImage img = DrawnSheet(800, 600, truth);
        SheetCorners found;
        double confidence = 0;
        ASSERT_TRUE(cximg::FindSheet(img, found, confidence)) << truth.x[0] << "," << truth.y[0];
        EXPECT_GE(confidence, 0.5);
        EXPECT_LE(WorstCornerError(found, truth), 0.004 * Diagonal(truth)) << truth.x[0] << "," << truth.y[0];
    }
}

TEST(FindSheet, GeneratedDeskScenesAreFoundWithinOnePercent) {
    int within = 0;
    const int count = 8;
    for (int seed = 0; seed < count; ++seed) {
        testpage::Scene sc = testpage::MakeScene(800, 600, uint64_t(seed) * 104729 + 3);
        SheetCorners found;
        double confidence = 0;
        const bool ok = cximg::FindSheet(sc.photo, found, confidence);
        if (ok && WorstCornerError(found, sc.corners) <= 0.01 * Diagonal(sc.corners)) ++within;
    }
    EXPECT_GE(within, count - 1);
}

TEST(FindSheet, PicturesWithoutASheetGiveTheDefaultCorners) {
    std::vector<CxImage> pictures;
    pictures.push_back(testpage::MakeEmptyScene(800, 600, 5));
    pictures.push_back(testpage::MakeEmptyScene(640, 900, 6));
    CxImage grey;
    grey.Create(700, 500);
    for (uint32_t y = 0; y < 500; ++y)
        for (uint32_t x = 0; x < 700; ++x) Put(grey, x, y, 128, 128, 128);
    pictures.push_back(grey);
    CxImage noise;
    noise.Create(600, 600);
    uint32_t s = 1;
    for (uint32_t y = 0; y < 600; ++y)
        for (uint32_t x = 0; x < 600; ++x) {
            s = s * 1664525u + 1013904223u;
            Put(noise, x, y, uint8_t(s >> 24), uint8_t(s >> 16), uint8_t(s >> 8));
        }
    pictures.push_back(noise);
    for (const CxImage& img : pictures) {
        SheetCorners found;
        double confidence = 1;
        EXPECT_FALSE(cximg::FindSheet(img, found, confidence));
        EXPECT_LT(confidence, 0.5);
        const double w = img.GetWidth(), h = img.GetHeight();
        EXPECT_NEAR(found.x[0], 0.05 * w, 1e-9);
        EXPECT_NEAR(found.y[0], 0.05 * h, 1e-9);
        EXPECT_NEAR(found.x[2], 0.95 * w, 1e-9);
        EXPECT_NEAR(found.y[2], 0.95 * h, 1e-9);
    }
}

TEST(FindSheet, TinyAndEmptyPictures) {
    for (uint32_t side : {1u, 2u, 3u, 30u}) {
        CxImage img;
        img.Create(side, side);
        SheetCorners found;
        double confidence = 1;
        EXPECT_FALSE(cximg::FindSheet(img, found, confidence)) << side;
        EXPECT_EQ(confidence, 0.0);
        EXPECT_NEAR(found.x[1], 0.95 * side, 1e-9);
    }
    CxImage empty;
    SheetCorners found;
    double confidence = 1;
    EXPECT_FALSE(cximg::FindSheet(empty, found, confidence));
}

// ----- aspect -----

TEST(SheetAspect, RectanglesSeenThroughACameraKeepTheirShape) {
    const uint32_t w = 4000, h = 3000;
    const double f = 3500;
    struct Case { double rw, rh, gamma, alpha, beta; } cases[] = {
        {0.6, 1.0, 0.2, 0.35, -0.2},
        {1.0, 0.45, -0.4, -0.3, 0.3},
        {0.9, 1.0, 0.1, 0.45, 0.15},
        {1.0, 1.0, 0.5, -0.2, 0.4},
    };
    for (const Case& k : cases) {
        SheetCorners c = Projected(k.rw, k.rh, k.gamma, k.alpha, k.beta, f, 2.2, w, h);
        double aspect = 0;
        ASSERT_TRUE(cximg::SheetAspect(c, w, h, aspect));
        EXPECT_NEAR(aspect, k.rw / k.rh, 0.01 * k.rw / k.rh) << k.rw << "x" << k.rh;
    }
    // Tilted about one axis only, one pair of sides stays parallel and the focal length is not
    // determined: a typical phone camera's is assumed, which still beats the side lengths.
    for (double tilt : {0.5, -0.6}) {
        SheetCorners c = Projected(0.8, 1.0, 0.0, 0.0, tilt, f, 2.2, w, h);
        double aspect = 0;
        ASSERT_TRUE(cximg::SheetAspect(c, w, h, aspect));
        const double sides = (std::hypot(c.x[1] - c.x[0], c.y[1] - c.y[0]) + std::hypot(c.x[2] - c.x[3], c.y[2] - c.y[3])) /
                             (std::hypot(c.x[3] - c.x[0], c.y[3] - c.y[0]) + std::hypot(c.x[2] - c.x[1], c.y[2] - c.y[1]));
        EXPECT_LT(std::fabs(aspect - 0.8), std::fabs(sides - 0.8)) << tilt;
        EXPECT_NEAR(aspect, 0.8, 0.08) << tilt;
    }
    // Without perspective (opposite sides parallel) the averaged side lengths decide.
    double aspect = 0;
    ASSERT_TRUE(cximg::SheetAspect(Quad(100, 100, 400, 100, 400, 300, 100, 300), 1000, 800, aspect));
    EXPECT_NEAR(aspect, 1.5, 1e-9);
    ASSERT_TRUE(cximg::SheetAspect(Quad(200, 100, 400, 200, 300, 400, 100, 300), 1000, 800, aspect));  // a turned square
    EXPECT_NEAR(aspect, 1.0, 1e-9);
}

TEST(SheetAspect, SnapsToA4AndLetterWithinThreePercent) {
    const double a4 = 1 / std::sqrt(2.0), letter = 8.5 / 11;
    struct Case { double in, out; } cases[] = {
        {0.70, a4},           {a4 * 1.029, a4},      {a4 * 0.972, a4},
        {1 / 0.70, 1 / a4},   {0.78, letter},       {1.30, 1 / letter},
        {0.60, 0.60},         {1.0, 1.0},           {a4 * 1.045, a4 * 1.045},
    };
    for (const Case& k : cases) {
        // An upright rectangle of that aspect, seen straight on.
        const double hgt = 400, wid = hgt * k.in;
        double aspect = 0;
        ASSERT_TRUE(cximg::SheetAspect(Quad(100, 50, 100 + wid, 50, 100 + wid, 50 + hgt, 100, 50 + hgt), 1200, 600, aspect));
        EXPECT_NEAR(aspect, k.out, 1e-9) << k.in;
    }
}

// ----- warp -----

// The rectified picture against bilinear samples computed here in double precision at the
// positions an independently solved homography gives.
void ExpectWarpMatchesReference(const CxImage& src, const SheetCorners& c, int tolerance) {
    CxImage out;
    const char* err = nullptr;
    ASSERT_TRUE(cximg::RectifySheet(src, c, out, err)) << err;
    EXPECT_EQ(out.AlphaIsValid(), src.AlphaIsValid());
    double hm[9];
    Homography(c, hm);
    const uint32_t W = out.GetWidth(), H = out.GetHeight(), sw = src.GetWidth(), sh = src.GetHeight();
    int worst = 0;
    double maxErr = 0;
    for (uint32_t j = 0; j < H; ++j)
        for (uint32_t i = 0; i < W; ++i) {
            const double u = (i + 0.5) / W, v = (j + 0.5) / H, z = hm[6] * u + hm[7] * v + 1;
            double x = (hm[0] * u + hm[1] * v + hm[2]) / z - 0.5, y = (hm[3] * u + hm[4] * v + hm[5]) / z - 0.5;
            x = std::clamp(x, 0.0, sw - 1.0);
            y = std::clamp(y, 0.0, sh - 1.0);
            const uint32_t x0 = uint32_t(x), y0 = uint32_t(y), x1 = std::min(x0 + 1, sw - 1), y1 = std::min(y0 + 1, sh - 1);
            const double fx = x - x0, fy = y - y0;
            for (int ch = 0; ch < 4; ++ch) {
                auto P = [&](uint32_t xx, uint32_t yy) { return double(src.GetRow(yy)[xx * 4 + ch]); };
                const double ref = (P(x0, y0) * (1 - fx) + P(x1, y0) * fx) * (1 - fy) + (P(x0, y1) * (1 - fx) + P(x1, y1) * fx) * fy;
                worst = std::max(worst, int(std::ceil(std::fabs(out.GetRow(j)[i * 4 + ch] - ref) - 1e-9)));
                maxErr = std::max(maxErr, std::fabs(out.GetRow(j)[i * 4 + ch] - ref));
            }
        }
    EXPECT_LE(worst, tolerance) << maxErr;
}

TEST(RectifySheet, CheckerboardUnderAKnownHomographyWithinOneLevel) {
    // Sharp 0/255 cells (the hardest case for the sampling weights), colour and alpha varying.
    CxImage board;
    board.Create(300, 220, true);
    for (uint32_t y = 0; y < 220; ++y)
        for (uint32_t x = 0; x < 300; ++x) {
            const bool on = ((x / 13) + (y / 11)) & 1;
            Put(board, x, y, on ? 255 : 0, uint8_t(x * 255 / 299), on ? 30 : 220, uint8_t(y * 255 / 219));
        }
    ExpectWarpMatchesReference(board, Quad(40.3, 22.7, 260.1, 35.2, 280.6, 200.4, 15.2, 180.9), 1);
    ExpectWarpMatchesReference(board, Quad(100, 10, 290, 110, 190, 210, 5, 120), 1);  // turned 30 degrees
    ExpectWarpMatchesReference(board, Quad(120, 40, 180, 40, 290, 210, 10, 210), 1);  // strong perspective
    // Corners a little beyond the picture: the edge pixels are repeated.
    ExpectWarpMatchesReference(board, Quad(-20, -10, 320, -5, 310, 235, -15, 230), 1);
}

TEST(RectifySheet, RestoresAnUprightPageFromItsPhotograph) {
    // A page with smooth content drawn into a quadrilateral, then rectified: the result follows
    // the page (up to the resampling twice).
    const uint32_t pw = 210, ph = 297;
    auto page = [&](double u, double v) { return 128 + 100 * std::sin(u * 9) * std::cos(v * 7); };
    const SheetCorners c = Projected(210, 297, 0.3, 0.25, -0.2, 900, 650, 800, 600);
    double hm[9];
    Homography(c, hm);
    // Inverse of the homography by the adjugate, to draw the photograph.
    double inv[9] = {hm[4] * hm[8] - hm[5] * hm[7], hm[2] * hm[7] - hm[1] * hm[8], hm[1] * hm[5] - hm[2] * hm[4],
                     hm[5] * hm[6] - hm[3] * hm[8], hm[0] * hm[8] - hm[2] * hm[6], hm[2] * hm[3] - hm[0] * hm[5],
                     hm[3] * hm[7] - hm[4] * hm[6], hm[1] * hm[6] - hm[0] * hm[7], hm[0] * hm[4] - hm[1] * hm[3]};
    CxImage photo;
    photo.Create(800, 600);
    for (uint32_t y = 0; y < 600; ++y)
        for (uint32_t x = 0; x < 800; ++x) {
            const double X = x + 0.5, Y = y + 0.5, z = inv[6] * X + inv[7] * Y + inv[8];
            const double u = (inv[0] * X + inv[1] * Y + inv[2]) / z, v = (inv[3] * X + inv[4] * Y + inv[5]) / z;
            const uint8_t g = uint8_t(std::lround(std::clamp(page(u, v), 0.0, 255.0)));
            Put(photo, x, y, g, g, g);
        }
    CxImage out;
    const char* err = nullptr;
    ASSERT_TRUE(cximg::RectifySheet(photo, c, out, err)) << err;
    const double aspect = double(out.GetWidth()) / out.GetHeight();
    EXPECT_NEAR(aspect, double(pw) / ph, 0.01);
    double sum = 0;
    int worst = 0;
    for (uint32_t j = 2; j + 2 < out.GetHeight(); ++j)
        for (uint32_t i = 2; i + 2 < out.GetWidth(); ++i) {
            const double expected = page((i + 0.5) / out.GetWidth(), (j + 0.5) / out.GetHeight());
            const int d = int(std::lround(std::fabs(out.GetRow(j)[i * 4 + 1] - expected)));
            worst = std::max(worst, d);
            sum += d;
        }
    EXPECT_LE(worst, 6);
    EXPECT_LE(sum / ((out.GetWidth() - 4.0) * (out.GetHeight() - 4.0)), 1.0);
}

TEST(RectifySheet, DestinationOfTheSameSizeIsOverwrittenLikeANewOne) {
    CxImage src = DrawnSheet(400, 300, Quad(60, 40, 340, 50, 330, 260, 50, 250));
    const SheetCorners c = Quad(60, 40, 340, 50, 330, 260, 50, 250);
    CxImage fresh, reused;
    const char* err = nullptr;
    ASSERT_TRUE(cximg::RectifySheet(src, c, fresh, err));
    reused.Create(fresh.GetWidth(), fresh.GetHeight());
    reused.SelectionAddRect(CxRect{1, 1, 5, 5});
    ASSERT_TRUE(cximg::RectifySheet(src, c, reused, err));
    EXPECT_FALSE(reused.SelectionIsValid());
    for (uint32_t y = 0; y < fresh.GetHeight(); ++y)
        ASSERT_EQ(std::memcmp(fresh.GetRow(y), reused.GetRow(y), fresh.GetWidth() * 4), 0) << y;
    // The source as its own destination: a new picture replaces it.
    CxImage self = src;
    ASSERT_TRUE(cximg::RectifySheet(self, c, self, err));
    EXPECT_EQ(self.GetWidth(), fresh.GetWidth());
    EXPECT_EQ(std::memcmp(self.GetRow(7), fresh.GetRow(7), fresh.GetWidth() * 4), 0);
}

TEST(RectifySheet, DegenerateCornersAreRefused) {
    CxImage img;
    img.Create(200, 100);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const SheetCorners bad[] = {
        Quad(10, 10, 100, 10, 190, 10, 50, 10),       // all on one line
        Quad(10, 10, 190, 90, 190, 10, 10, 90),       // crossed (bow tie)
        Quad(10, 10, 10, 90, 190, 90, 190, 10),       // counter-clockwise on the screen
        Quad(10, 10, 100, 50, 190, 10, 100, 90),      // not convex
        Quad(10, 10, 10, 10, 10, 10, 10, 10),         // one point
        Quad(nan, 10, 190, 10, 190, 90, 10, 90),
        Quad(10, 10, inf, 10, 190, 90, 10, 90),
        Quad(10, 10, 190, 10, 190, 900, 10, 90),      // far outside the picture
        Quad(-5000, -5000, 5000, -5000, 5000, 5000, -5000, 5000),
    };
    for (const SheetCorners& c : bad) {
        CxImage out;
        out.Create(3, 3);
        const char* err = nullptr;
        EXPECT_FALSE(cximg::RectifySheet(img, c, out, err)) << c.x[0] << "," << c.y[0];
        ASSERT_NE(err, nullptr);
        EXPECT_GT(std::strlen(err), 0u);
        EXPECT_EQ(out.GetWidth(), 3u);  // left as it was
    }
    for (int k = 0; k < 7; ++k) {
        double aspect = 7;
        EXPECT_FALSE(cximg::SheetAspect(bad[k], 200, 100, aspect)) << k;
        EXPECT_EQ(aspect, 7);
    }
    CxImage empty, out;
    const char* err = nullptr;
    EXPECT_FALSE(cximg::RectifySheet(empty, Quad(0, 0, 1, 0, 1, 1, 0, 1), out, err));
}

TEST(RectifySheet, TinyPictures) {
    for (uint32_t side : {1u, 2u}) {
        CxImage img;
        img.Create(side, side, true);
        for (uint32_t y = 0; y < side; ++y)
            for (uint32_t x = 0; x < side; ++x) Put(img, x, y, uint8_t(40 + x * 100), uint8_t(60 + y * 100), 80, 200);
        SheetCorners c = cximg::DefaultSheetCorners(side, side);
        CxImage out;
        const char* err = nullptr;
        ASSERT_TRUE(cximg::RectifySheet(img, c, out, err)) << err;
        ASSERT_TRUE(out.IsValid());
        EXPECT_TRUE(out.AlphaIsValid());
        EXPECT_LE(out.GetWidth(), 2u);
        EXPECT_EQ(out.GetRow(0)[3], 200);
        EXPECT_EQ(out.GetRow(0)[0], 80);
    }
}

}  // namespace
