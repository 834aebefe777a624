// Passes over a picture's pixels shared out in bands to the library's workers: every adjustment gives
// the same bytes on one thread and on several, with the plain, AVX2 and best kernels, in place and
// from a source, with selections, with alpha, for pictures of one row or column, odd widths and
// sizes around the band boundaries; and the 1:1 copy of a window of a picture gives what the
// area-averaged view at scale 1 gives.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/include/ximaview.h"
#include "platform/cximage/tests/test_util.h"

namespace {

using cxtest::NoisePicture;

bool SameBytes(const CxImage& a, const CxImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (uint32_t y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetRow(y), b.GetRow(y), size_t(a.GetWidth()) * 4) != 0) return false;
    return true;
}

std::vector<uint8_t> Bytes(const CxImage& picture) {
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < picture.GetHeight(); ++y)
        out.insert(out.end(), picture.GetRow(y), picture.GetRow(y) + size_t(picture.GetWidth()) * 4);
    return out;
}

// Puts the defaults back whatever a test leaves.
struct Defaults {
    ~Defaults() {
        cximg::SetPixelPassThreads(0);
        cximg::SetAdjustKernels(cximg::AdjustKernels::Best);
    }
};

struct Size {
    uint32_t w, h;
};

// One row, one column, widths not a multiple of 8 or 16, a picture of one band (2^18 pixels) and
// one row more, and bands that end inside a row.
const Size kSizes[] = {{1, 1}, {1, 300}, {300, 1}, {17, 13}, {31, 45}, {512, 513}, {1031, 257}, {4099, 67}};

// What an adjustment does to a picture (with a source: the picture takes the source's pixels first).
struct Step {
    std::string name;
    std::function<bool(CxImage&, const CxImage*)> apply;
};

std::vector<Step> Steps() {
    return {
        {"Light(35, 60)", [](CxImage& p, const CxImage* s) { return s ? p.Light(35, 60, *s) : p.Light(35, 60); }},
        {"Light(-90, -130)", [](CxImage& p, const CxImage* s) { return s ? p.Light(-90, -130, *s) : p.Light(-90, -130); }},
        {"Light(3, 77)", [](CxImage& p, const CxImage* s) { return s ? p.Light(3, 77, *s) : p.Light(3, 77); }},
        {"Colorize(120, 200)", [](CxImage& p, const CxImage* s) { return s ? p.Colorize(120, 200, 1.0f, *s) : p.Colorize(120, 200); }},
        {"Colorize(7, 0)", [](CxImage& p, const CxImage* s) { return s ? p.Colorize(7, 0, 1.0f, *s) : p.Colorize(7, 0); }},
        {"Colorize(200, 90, 0.4)", [](CxImage& p, const CxImage* s) { return s ? p.Colorize(200, 90, 0.4f, *s) : p.Colorize(200, 90, 0.4f); }},
        {"GrayScale", [](CxImage& p, const CxImage* s) { return (s ? p.RestoreFrom(*s) : true) && p.GrayScale(); }},
    };
}

// A selection of a full rectangle, a rectangle at a lower level and one row across.
void Select(CxImage& p) {
    const int32_t w = int32_t(p.GetWidth()), h = int32_t(p.GetHeight());
    p.SelectionAddRect(CxRect{w / 5, h / 6, w - 1 - w / 7, h - 1 - h / 4}, 255);
    p.SelectionAddRect(CxRect{0, h / 2, w / 3, h - 1}, 90);
    p.SelectionAddRect(CxRect{0, h / 3, w - 1, h / 3}, 255);
}

const unsigned kThreads[] = {1, 2, 4};
const cximg::AdjustKernels kKernels[] = {cximg::AdjustKernels::Plain, cximg::AdjustKernels::Avx2,
                                         cximg::AdjustKernels::Best};

}  // namespace

TEST(PixelBands, AdjustmentsGiveTheSameBytesOnAnyThreadCountWithAnyKernels) {
    Defaults restore;
    uint32_t seed = 1;
    for (const Size& size : kSizes)
        for (bool alpha : {false, true}) {
            const CxImage source = NoisePicture(size.w, size.h, alpha, seed++);
            const CxImage stale = NoisePicture(size.w, size.h, !alpha, 999);
            CxImage picture, expected;
            for (const Step& step : Steps())
                for (int road = 0; road < 3; ++road) {  // in place, in place with a selection, from the source
                    SCOPED_TRACE(::testing::Message() << size.w << "x" << size.h << (alpha ? " alpha " : " opaque ")
                                                      << step.name << " road " << road);
                    // The plain kernels on the calling thread alone: the code every other road must match.
                    // (Pictures of the same size keep their memory: RestoreFrom writes over it.)
                    bool first = true;
                    for (cximg::AdjustKernels kernels : kKernels)
                        for (unsigned threads : kThreads) {
                            cximg::SetAdjustKernels(kernels);
                            cximg::SetPixelPassThreads(threads);
                            ASSERT_TRUE(picture.RestoreFrom(road == 2 ? stale : source));
                            if (road == 1) Select(picture);
                            ASSERT_TRUE(step.apply(picture, road == 2 ? &source : nullptr));
                            if (first) {
                                ASSERT_TRUE(expected.RestoreFrom(picture));
                                first = false;
                                ASSERT_FALSE(SameBytes(expected, source)) << "the adjustment changed nothing";
                                continue;
                            }
                            ASSERT_TRUE(SameBytes(picture, expected)) << "kernels " << int(kernels) << ", threads " << threads;
                        }
                }
        }
}

// The selection is honoured band by band: outside it nothing changes, inside it everything does as
// on the whole picture, at a lower level proportionally, on every thread count.
TEST(PixelBands, SelectionsLimitTheAdjustmentOnEveryThreadCount) {
    Defaults restore;
    const CxImage source = NoisePicture(1031, 515, false, 5);
    CxImage whole = source;
    whole.Light(60, 40);
    for (unsigned threads : kThreads) {
        cximg::SetPixelPassThreads(threads);
        CxImage picture = source;
        // Rows from the bottom: picture rows 100..399 from the top, columns 3..1020.
        picture.SelectionAddRect(CxRect{3, 515 - 1 - 399, 1020, 515 - 1 - 100}, 255);
        ASSERT_TRUE(picture.Light(60, 40));
        for (uint32_t y = 0; y < 515; ++y) {
            const bool rowIn = y >= 100 && y <= 399;
            for (uint32_t x = 0; x < 1031; ++x) {
                const bool in = rowIn && x >= 3 && x <= 1020;
                const uint8_t* want = (in ? whole : source).GetRow(y) + 4 * x;
                ASSERT_EQ(std::memcmp(picture.GetRow(y) + 4 * x, want, 4), 0)
                    << "threads " << threads << " at " << x << "," << y;
            }
        }
    }
    // Rectangles at full and lower levels over several bands of rows, in place and with each
    // adjustment: the same bytes on every thread count.
    const CxImage large = NoisePicture(1200, 700, true, 6);
    for (const Step& step : Steps()) {
        std::vector<uint8_t> expected;
        for (unsigned threads : kThreads) {
            cximg::SetPixelPassThreads(threads);
            CxImage picture = large;
            Select(picture);
            ASSERT_TRUE(step.apply(picture, nullptr));
            if (threads == 1) expected = Bytes(picture);
            else ASSERT_EQ(Bytes(picture), expected) << step.name << ", threads " << threads;
        }
    }
}

TEST(PixelBands, WindowCopiesAreTheViewAtScaleOne) {
    Defaults restore;
    struct Case {
        Size picture;
        int64_t x, y;
        Size window;
    } cases[] = {
        {{17, 13}, 0, 0, {17, 13}},      {{17, 13}, 3, 2, {9, 5}},        {{17, 13}, -4, -3, {30, 25}},
        {{17, 13}, 10, 8, {20, 20}},     {{17, 13}, 40, 0, {5, 5}},       {{17, 13}, 0, -20, {5, 5}},
        {{1, 1}, 0, 0, {3, 2}},          {{1, 300}, 0, 7, {1, 120}},      {{300, 1}, 11, 0, {100, 4}},
        {{1031, 600}, 5, 9, {1000, 590}}, {{1031, 600}, -1, 33, {1033, 600}}, {{4099, 67}, 2, 0, {4097, 67}},
    };
    const uint32_t white = 0xFFFFFFFFu, untouched = 0x5A3C1E0Fu;
    uint32_t seed = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.picture.w << "x" << c.picture.h << " at " << c.x << "," << c.y << " window "
                                          << c.window.w << "x" << c.window.h);
        const CxImage picture = NoisePicture(c.picture.w, c.picture.h, false, seed++);
        CxImage view;
        ASSERT_TRUE(cximg::RenderAreaView(picture, cximg::ViewWindow{1.0, c.x, c.y, c.window.w, c.window.h}, view, 1));
        const std::vector<uint8_t> expected = Bytes(view);
        const size_t rowBytes = size_t(c.window.w) * 4;
        for (unsigned threads : kThreads) {
            cximg::SetPixelPassThreads(threads);
            // Into rows stored from the bottom, white beyond the picture: the view's bytes.
            std::vector<uint32_t> surface(size_t(c.window.w) * c.window.h, untouched);
            uint8_t* bottomUpTop = reinterpret_cast<uint8_t*>(surface.data()) + (c.window.h - 1) * rowBytes;
            cximg::CopyPixelsTo(picture, c.x, c.y, c.window.w, c.window.h, bottomUpTop, -ptrdiff_t(rowBytes), &white);
            for (uint32_t y = 0; y < c.window.h; ++y)
                ASSERT_EQ(std::memcmp(bottomUpTop - ptrdiff_t(y * rowBytes), expected.data() + y * rowBytes, rowBytes), 0)
                    << "row " << y << ", threads " << threads;
            // Without a colour for the rest, pixels beyond the picture keep what they held.
            std::vector<uint32_t> kept(size_t(c.window.w) * c.window.h, untouched);
            cximg::CopyPixelsTo(picture, c.x, c.y, c.window.w, c.window.h, reinterpret_cast<uint8_t*>(kept.data()),
                                ptrdiff_t(rowBytes));
            for (uint32_t y = 0; y < c.window.h; ++y)
                for (uint32_t x = 0; x < c.window.w; ++x) {
                    const int64_t px = c.x + x, py = c.y + y;
                    const bool inside = px >= 0 && py >= 0 && px < c.picture.w && py < c.picture.h;
                    uint32_t want = untouched;
                    if (inside) std::memcpy(&want, picture.GetRow(uint32_t(py)) + 4 * px, 4);
                    ASSERT_EQ(kept[size_t(y) * c.window.w + x], want) << x << "," << y << ", threads " << threads;
                }
        }
    }
}
