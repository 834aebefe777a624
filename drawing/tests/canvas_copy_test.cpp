// The memory painter's direct copy of an opaque picture into its surface: the same bytes as the
// picture drawn 1:1 through GDI (the image library's Draw), for pictures smaller, larger and the
// same size as the surface, one row or column, odd widths, sizes that split into bands, on one
// thread and on several; and no copy at all where GDI would place the pixels differently.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "drawing/GdiplusFlat.h"
#include "drawing/MemoryPainter.h"
#include "drawing/tests/test_support.h"
#include "platform/cximage/include/ximage.h"
#include "platform/cximage/include/ximaview.h"

using namespace rg_Zarno_YuanChuangRuanJian;
using drawtest::SurfacePixels;
using drawtest::TestWindow;

namespace {

// An opaque (or translucent) picture of pseudo-random colours.
CxImage NoisePicture(uint32_t width, uint32_t height, uint32_t seed, bool alpha) {
    CxImage picture;
    EXPECT_TRUE(picture.Create(width, height, alpha));
    uint32_t state = seed * 2654435761u + 1;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.GetRow(y);
        for (uint32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            row[4 * x] = uint8_t(state >> 24);
            row[4 * x + 1] = uint8_t(state >> 16);
            row[4 * x + 2] = uint8_t(state >> 8);
            row[4 * x + 3] = alpha ? uint8_t(state) : 255;
        }
    }
    return picture;
}

// Something other than the picture on the surface first, so that pixels the picture does not
// cover are seen to stay.
void Background(rg_NeiCunHuaBan& painter, const CQelGdiplusPen& pen) {
    painter.Clear(0xFF336699);
    painter.DrawLine(pen, 0, 0, 2000, 1500);
    painter.DrawLine(pen, 0, 30, 2000, 10);
}

// The surface after the picture was drawn by GDI (the road taken when the copy refuses).
std::vector<uint32_t> DrawnThroughGdi(HWND window, CxImage& picture, const CQelGdiplusPen& pen) {
    rg_NeiCunHuaBan painter;
    painter.AttachWindow(window);
    Background(painter, pen);
    picture.Draw(painter.GetMemoryDC(), 0, 0);
    return SurfacePixels(painter);
}

struct ThreadsBack {
    ~ThreadsBack() { cximg::SetPixelPassThreads(0); }
};

}  // namespace

TEST(CanvasCopy, OpaquePicturesGiveTheBytesOfTheGdiDraw) {
    ThreadsBack restore;
    CQelGdiplusPen pen(0xFF0088FF, 3.0f);
    struct Case {
        SIZE surface, picture;
    } cases[] = {
        {{64, 48}, {64, 48}}, {{64, 48}, {1, 1}},     {{64, 48}, {1, 48}},   {{64, 48}, {64, 1}},
        {{64, 48}, {37, 23}}, {{64, 48}, {100, 70}},  {{64, 48}, {30, 90}},  {{64, 48}, {90, 20}},
        {{1, 1}, {5, 5}},     {{1, 40}, {3, 41}},     {{33, 1}, {33, 1}},
        // Bands of 2^18 pixels: 701 x 403 splits into two bands of rows, a wider picture into more.
        {{701, 403}, {701, 403}}, {{701, 403}, {703, 405}}, {{701, 403}, {697, 399}}, {{520, 510}, {1025, 513}},
    };
    uint32_t seed = 1;
    for (const Case& c : cases) {
        TestWindow window(c.surface.cx, c.surface.cy);
        CxImage picture = NoisePicture(uint32_t(c.picture.cx), uint32_t(c.picture.cy), seed++, false);
        const std::vector<uint32_t> expected = DrawnThroughGdi(window.hwnd(), picture, pen);
        ASSERT_EQ(expected.size(), size_t(c.surface.cx) * size_t(c.surface.cy));
        for (unsigned threads : {1u, 2u, 4u}) {
            cximg::SetPixelPassThreads(threads);
            rg_NeiCunHuaBan painter;
            painter.AttachWindow(window.hwnd());
            Background(painter, pen);
            ASSERT_TRUE(painter.CopyOpaquePicture(picture));
            const std::vector<uint32_t> got = SurfacePixels(painter);
            ASSERT_EQ(got, expected) << "surface " << c.surface.cx << "x" << c.surface.cy << ", picture "
                                     << c.picture.cx << "x" << c.picture.cy << ", threads " << threads;
            // The picture is really there: the surface's rows are stored from the bottom.
            const LONG w = std::min(c.surface.cx, c.picture.cx), h = std::min(c.surface.cy, c.picture.cy);
            for (LONG y : {LONG(0), h / 2, h - 1})
                for (LONG x : {LONG(0), w / 2, w - 1}) {
                    uint32_t pixel;
                    std::memcpy(&pixel, picture.GetRow(uint32_t(y)) + 4 * x, 4);
                    ASSERT_EQ(got[size_t(c.surface.cy - 1 - y) * c.surface.cx + x], pixel) << x << "," << y;
                }
        }
    }
}

// The window at 100 %: the picture's pixels under it and white beyond its edges, as the area view at
// scale 1 rendered into a frame and drawn through GDI gives, scrolled anywhere, the window smaller or
// larger than the picture, and a window larger than the surface clipped to it.
TEST(CanvasCopy, AWindowOfThePictureGivesTheBytesOfItsViewAtScaleOneDrawnThroughGdi) {
    ThreadsBack restore;
    CQelGdiplusPen pen(0xFF0088FF, 3.0f);
    struct Case {
        SIZE surface, picture;
        int64_t x, y;
        SIZE window;
    } cases[] = {
        {{64, 48}, {200, 150}, 0, 0, {64, 48}},   {{64, 48}, {200, 150}, 136, 102, {64, 48}},
        {{64, 48}, {200, 150}, 150, 120, {64, 48}}, {{64, 48}, {30, 20}, 0, 0, {64, 48}},
        {{64, 48}, {30, 20}, -5, -3, {64, 48}},   {{64, 48}, {200, 150}, 10, 10, {40, 30}},
        {{64, 48}, {200, 150}, 10, 10, {90, 70}}, {{701, 403}, {1500, 900}, 333, 211, {701, 403}},
        {{701, 403}, {600, 350}, 0, 0, {701, 403}},
    };
    uint32_t seed = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "picture " << c.picture.cx << "x" << c.picture.cy << " at " << c.x << ","
                                          << c.y << ", window " << c.window.cx << "x" << c.window.cy);
        TestWindow window(c.surface.cx, c.surface.cy);
        CxImage picture = NoisePicture(uint32_t(c.picture.cx), uint32_t(c.picture.cy), seed++, false);
        std::vector<uint32_t> expected;
        {
            CxImage frame;
            ASSERT_TRUE(cximg::RenderAreaView(
                picture, cximg::ViewWindow{1.0, c.x, c.y, uint32_t(c.window.cx), uint32_t(c.window.cy)}, frame));
            rg_NeiCunHuaBan painter;
            painter.AttachWindow(window.hwnd());
            Background(painter, pen);
            frame.Draw(painter.GetMemoryDC(), 0, 0);
            expected = SurfacePixels(painter);
        }
        for (unsigned threads : {1u, 4u}) {
            cximg::SetPixelPassThreads(threads);
            rg_NeiCunHuaBan painter;
            painter.AttachWindow(window.hwnd());
            Background(painter, pen);
            ASSERT_TRUE(painter.CopyOpaquePicture(picture, c.x, c.y, uint32_t(c.window.cx), uint32_t(c.window.cy),
                                                  0xFFFFFFFFu));
            ASSERT_EQ(SurfacePixels(painter), expected) << "threads " << threads;
        }
    }
}

TEST(CanvasCopy, RefusedWhereGdiWouldPlaceThePixelsDifferently) {
    CQelGdiplusPen pen(0xFF0088FF, 3.0f);
    TestWindow window(60, 40);
    rg_NeiCunHuaBan painter;
    CxImage opaque = NoisePicture(50, 30, 7, false);
    EXPECT_FALSE(painter.CopyOpaquePicture(opaque)) << "no surface yet";
    painter.AttachWindow(window.hwnd());
    Background(painter, pen);
    const std::vector<uint32_t> before = SurfacePixels(painter);

    CxImage translucent = NoisePicture(50, 30, 8, true);
    EXPECT_FALSE(painter.CopyOpaquePicture(translucent));
    CxImage empty;
    EXPECT_FALSE(painter.CopyOpaquePicture(empty));

    HDC dc = painter.GetMemoryDC();
    struct State {
        const char* name;
        void (*set)(HDC);
    } states[] = {
        {"clip region", [](HDC d) { IntersectClipRect(d, 5, 5, 30, 20); }},
        {"mapping mode", [](HDC d) { SetMapMode(d, MM_LOMETRIC); }},
        {"viewport origin", [](HDC d) { SetViewportOrgEx(d, 3, 2, nullptr); }},
        {"window origin", [](HDC d) { SetWindowOrgEx(d, -4, 0, nullptr); }},
        {"world transform", [](HDC d) {
             SetGraphicsMode(d, GM_ADVANCED);
             XFORM shift{1.0f, 0.0f, 0.0f, 1.0f, 7.0f, 0.0f};
             SetWorldTransform(d, &shift);
         }},
        {"mirrored layout", [](HDC d) { SetLayout(d, LAYOUT_RTL); }},
    };
    for (const State& s : states) {
        const int saved = SaveDC(dc);
        s.set(dc);
        EXPECT_FALSE(painter.CopyOpaquePicture(opaque)) << s.name;
        RestoreDC(dc, saved);
        EXPECT_EQ(SurfacePixels(painter), before) << s.name;
    }
    // Advanced graphics mode with the identity transform places pixels as the plain mode does.
    const int saved = SaveDC(dc);
    SetGraphicsMode(dc, GM_ADVANCED);
    EXPECT_TRUE(painter.CopyOpaquePicture(opaque));
    RestoreDC(dc, saved);
    EXPECT_NE(SurfacePixels(painter), before);
    // Back in the plain state the copy is made.
    EXPECT_TRUE(painter.CopyOpaquePicture(opaque));
}
