// Area-averaged views: every view pixel against the mean of the picture area under it, computed here
// in double precision straight from the definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/cximage/include/ximaview.h"
#include "platform/cximage/tests/test_util.h"

namespace {

using cxtest::NoisePicture;

using cximg::ViewWindow;

// The exact area mean of channel c over view pixel (vx, vy); -1 when the pixel lies outside.
double ExactMean(const CxImage& p, const ViewWindow& v, uint32_t vx, uint32_t vy, int c) {
    const double x0 = std::max(0.0, (v.originX + vx) / v.scale), x1 = std::min<double>(p.GetWidth(), (v.originX + vx + 1) / v.scale);
    const double y0 = std::max(0.0, (v.originY + vy) / v.scale), y1 = std::min<double>(p.GetHeight(), (v.originY + vy + 1) / v.scale);
    if (x1 <= x0 || y1 <= y0) return -1;
    double sum = 0, area = 0;
    for (int y = int(std::floor(y0)); y < int(std::ceil(y1)); ++y) {
        const double hy = std::min<double>(y1, y + 1) - std::max<double>(y0, y);
        for (int x = int(std::floor(x0)); x < int(std::ceil(x1)); ++x) {
            const double wx = std::min<double>(x1, x + 1) - std::max<double>(x0, x);
            sum += wx * hy * p.GetRow(uint32_t(y))[4 * x + c];
            area += wx * hy;
        }
    }
    return sum / area;
}

// Largest difference between the rendered view and the exact means (outside pixels must be white).
double WorstError(const CxImage& picture, const ViewWindow& v, const CxImage& view) {
    double worst = 0;
    for (uint32_t y = 0; y < v.height; ++y)
        for (uint32_t x = 0; x < v.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double exact = ExactMean(picture, v, x, y, c);
                const double got = view.GetRow(y)[4 * x + c];
                worst = std::max(worst, std::abs((exact < 0 ? 255.0 : exact) - got));
            }
    return worst;
}

TEST(AreaView, ShrunkViewsAreTheAreaMeansOfThePictureUnderThem) {
    const CxImage picture = NoisePicture(403, 301, false, 7);
    const ViewWindow cases[] = {
        {0.25, 0, 0, 101, 76},      // whole picture, a quarter
        {0.2137, 0, 0, 87, 65},     // a scale with no simple ratio
        {0.5, 37, 11, 120, 90},     // a scrolled part
        {0.999, 3, 2, 200, 150},    // just below 1: most view pixels straddle two picture pixels
        {0.0101, 0, 0, 5, 4},       // far away: one view pixel covers ~100 x 100 picture pixels
    };
    for (const ViewWindow& v : cases) {
        CxImage view;
        ASSERT_TRUE(cximg::RenderAreaView(picture, v, view));
        ASSERT_EQ(view.GetWidth(), v.width);
        ASSERT_EQ(view.GetHeight(), v.height);
        EXPECT_LE(WorstError(picture, v, view), 1.0) << "scale " << v.scale;
    }
}

TEST(AreaView, AtScaleOneTheViewIsAnExactCopyAndMagnifiedViewsRepeatPixels) {
    const CxImage picture = NoisePicture(64, 48, true, 3);
    CxImage view;
    ASSERT_TRUE(cximg::RenderAreaView(picture, ViewWindow{1.0, 5, 7, 40, 30}, view));
    for (uint32_t y = 0; y < 30; ++y)
        ASSERT_EQ(0, std::memcmp(view.GetRow(y), picture.GetRow(y + 7) + 5 * 4, 40 * 4)) << "row " << y;
    ASSERT_TRUE(cximg::RenderAreaView(picture, ViewWindow{4.0, 8, 0, 32, 16}, view));
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            ASSERT_EQ(0, std::memcmp(view.GetRow(y) + 4 * x, picture.GetRow(y / 4) + 4 * ((x + 8) / 4), 4));
}

TEST(AreaView, ViewPixelsBeyondThePictureAreWhiteAndEdgePixelsAverageOnlyThePicture) {
    const CxImage picture = NoisePicture(10, 10, false, 5);
    CxImage view;
    // 10 x 10 at 0.3 is 3 x 3 view pixels; the fourth row and column cover nothing but a sliver.
    const ViewWindow v{0.3, 0, 0, 5, 5};
    ASSERT_TRUE(cximg::RenderAreaView(picture, v, view));
    EXPECT_LE(WorstError(picture, v, view), 1.0);
    for (uint32_t k = 0; k < 5; ++k) {
        EXPECT_EQ(view.GetRow(4)[4 * k], 255);
        EXPECT_EQ(view.GetRow(k)[4 * 4 + 2], 255);
    }
}

TEST(AreaView, ThreadCountDoesNotChangeTheResult) {
    const CxImage picture = NoisePicture(1500, 1400, false, 9);
    const ViewWindow v{0.37, 3, 1, 500, 480};
    CxImage one, many;
    ASSERT_TRUE(cximg::RenderAreaView(picture, v, one, 1));
    ASSERT_TRUE(cximg::RenderAreaView(picture, v, many, 3));
    for (uint32_t y = 0; y < v.height; ++y) ASSERT_EQ(0, std::memcmp(one.GetRow(y), many.GetRow(y), v.width * 4));
    // A second render into the same view (reused, not recreated) gives the same bytes again.
    ASSERT_TRUE(cximg::RenderAreaView(picture, v, many, 2));
    for (uint32_t y = 0; y < v.height; ++y) ASSERT_EQ(0, std::memcmp(one.GetRow(y), many.GetRow(y), v.width * 4));
}

TEST(AreaView, PlainAndVectorKernelsGiveTheSameBytes) {
    const CxImage picture = NoisePicture(777, 555, true, 11);
    for (const ViewWindow& v : {ViewWindow{0.31, 5, 9, 230, 160}, ViewWindow{1.7, 40, 20, 300, 200}}) {
        CxImage plain, vector;
        cximg::SetViewVectorKernels(false);
        ASSERT_TRUE(cximg::RenderAreaView(picture, v, plain, 1));
        cximg::SetViewVectorKernels(true);
        ASSERT_TRUE(cximg::RenderAreaView(picture, v, vector, 1));
        EXPECT_LE(WorstError(picture, v, plain), 1.0);
        for (uint32_t y = 0; y < v.height; ++y) ASSERT_EQ(0, std::memcmp(plain.GetRow(y), vector.GetRow(y), v.width * 4));
    }
}

TEST(AreaView, RefusesWhatCannotBeDrawn) {
    const CxImage picture = NoisePicture(4, 4, false, 1);
    CxImage view, empty;
    EXPECT_FALSE(cximg::RenderAreaView(empty, ViewWindow{1.0, 0, 0, 4, 4}, view));
    EXPECT_FALSE(cximg::RenderAreaView(picture, ViewWindow{0.0, 0, 0, 4, 4}, view));
    EXPECT_FALSE(cximg::RenderAreaView(picture, ViewWindow{NAN, 0, 0, 4, 4}, view));
    EXPECT_FALSE(cximg::RenderAreaView(picture, ViewWindow{1.0, 0, 0, 0, 4}, view));
    // A 1 x 1 picture seen whole at any scale is its own pixel.
    const CxImage dot = NoisePicture(1, 1, false, 2);
    ASSERT_TRUE(cximg::RenderAreaView(dot, ViewWindow{0.01, 0, 0, 1, 1}, view));
    EXPECT_EQ(0, std::memcmp(view.GetRow(0), dot.GetRow(0), 4));
}

}  // namespace
