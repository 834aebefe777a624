// The view's rules on their own: the fit scale, the painter's extent, scroll clamping, the mapping
// between painter and picture pixels, the zoom steps, and the saved placement's usability.
#include <gtest/gtest.h>

#include <cmath>

#include "app/Settings.h"
#include "app/ViewRules.h"

using namespace rg_Zarno_YangLi;

TEST(ViewRules, FitScaleShrinksToTheTighterSideAndNeverEnlarges) {
    EXPECT_DOUBLE_EQ(FitScale(4000, 3000, 962, 639), 639.0 / 3000);
    EXPECT_DOUBLE_EQ(FitScale(3000, 4000, 962, 639), 639.0 / 4000);
    EXPECT_DOUBLE_EQ(FitScale(608, 406, 962, 639), 1.0);
    // The fitted picture fills the area along its tighter side exactly, without a sliver more.
    const double s = FitScale(4000, 3000, 962, 639);
    EXPECT_EQ(ViewExtent(3000, s, 639), 639);
    EXPECT_LE(ViewExtent(4000, s, 962), 962);
    EXPECT_EQ(ViewExtent(4000, 1.0, 962), 962);
    EXPECT_EQ(ViewExtent(100, 1.0, 962), 100);
    EXPECT_EQ(ScaledExtent(1, 0.001), 1);
}

TEST(ViewRules, ScrollingStaysInsideTheScaledPicture) {
    EXPECT_EQ(ClampOrigin(-50, 4000, 1.0, 962), 0);
    EXPECT_EQ(ClampOrigin(99999, 4000, 1.0, 962), 4000 - 962);
    EXPECT_EQ(ClampOrigin(99999, 4000, 0.5, 962), 2000 - 962);
    EXPECT_EQ(ClampOrigin(30, 500, 1.0, 962), 0);  // the whole picture shows: nothing to scroll
    EXPECT_EQ(WheelStep(639), 127);
    EXPECT_EQ(WheelStep(20), 16);
}

TEST(ViewRules, PainterAndPicturePixelsMapBothWays) {
    // Plain scale: the identity, shifted by the scroll position.
    EXPECT_EQ(PainterToPicture(10, 0, 1.0), 10);
    EXPECT_EQ(PainterToPicture(10, 300, 1.0), 310);
    EXPECT_EQ(PictureToPainter(310, 300, 1.0), 10);
    // Shrunk: a painter pixel covers several picture pixels; the first one under it is answered.
    EXPECT_EQ(PainterToPicture(100, 0, 0.25), 400);
    EXPECT_EQ(PainterToPicture(101, 0, 0.25), 404);
    EXPECT_EQ(PictureToPainter(403, 0, 0.25), 100);
    // Positions from left of or above the painter keep their wrapped-around value for the clamping.
    EXPECT_EQ(PainterToPicture(65530, 200, 0.25), 65530);
    for (int p = 0; p < 2000; p += 37) EXPECT_EQ(PainterToPicture(PictureToPainter(p, 0, 4.0), 0, 4.0), p);
}

TEST(ViewRules, ZoomStepsPassThroughOneAndStopAtTheEnds) {
    double s = 1.0;
    s = NextZoomStep(s, true);
    EXPECT_DOUBLE_EQ(s, 1.25);
    EXPECT_DOUBLE_EQ(NextZoomStep(s, false), 1.0);
    // From a fitted scale between two steps, the next step either way is the neighbouring one.
    EXPECT_NEAR(NextZoomStep(0.213, true), std::pow(1.25, -6), 1e-12);
    EXPECT_NEAR(NextZoomStep(0.213, false), std::pow(1.25, -7), 1e-12);
    double small = 1.0, large = 1.0;
    for (int i = 0; i < 100; ++i) small = NextZoomStep(small, false), large = NextZoomStep(large, true);
    EXPECT_GE(small, 1.0 / 32);
    EXPECT_LE(large, 16.0);
    // Zooming about a point keeps the picture point under it in place.
    const int64_t origin = OriginKeepingAnchor(100, 0.5, 1.0, 50);
    EXPECT_EQ(origin, 250);  // picture point (100 + 50) / 0.5 = 300 stays under painter x 50
}

TEST(ViewRules, OnlyAWholeSensiblePlacementOnAMonitorIsUsed) {
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    p.showCmd = SW_SHOWNORMAL;
    p.rcNormalPosition = RECT{50, 50, 800, 650};
    EXPECT_TRUE(PlacementUsable(p));
    WINDOWPLACEMENT wrongLength = p;
    wrongLength.length = 12;
    EXPECT_FALSE(PlacementUsable(wrongLength));
    WINDOWPLACEMENT minimized = p;
    minimized.showCmd = SW_SHOWMINIMIZED;
    EXPECT_FALSE(PlacementUsable(minimized));
    WINDOWPLACEMENT tiny = p;
    tiny.rcNormalPosition = RECT{50, 50, 60, 60};
    EXPECT_FALSE(PlacementUsable(tiny));
    WINDOWPLACEMENT offScreen = p;
    offScreen.rcNormalPosition = RECT{-30000, -30000, -29000, -29000};
    EXPECT_FALSE(PlacementUsable(offScreen));
}
