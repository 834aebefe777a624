// The program hosted in the test process, driven with real input: the sliders change the shown
// pixels by the exact mapping from the reference picture, a dragged rectangle limits the next
// adjustment and shows blue guide lines, a right click drops it, and the dragged edges are clamped
// at the picture's borders.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "e2e_harness.h"

using namespace e2e;

namespace {

constexpr uint32_t kGuideBlue = 0xFF0088FF;  // RGB(0, 0x88, 0xFF)
// What the sample shows before any reload: the painter's creation size.
constexpr int kShownW = 536, kShownH = 280;
const RECT kSampleArea{0, 0, kShownW, kShownH};

class E2EAdjust : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.Started());
        const Image sample = DecodeWithWic(E2E_SAMPLE_PNG);
        ASSERT_TRUE(sample.Valid());
        // The sample after the hue pass of loading is what every adjustment starts from.
        const std::string problem = program.WaitShown(kShownW, kShownH, [&](const Image& shown) {
            return Compare(shown, kSampleArea, [&](int x, int y) { return ColorizeExpect(sample.At(x, y), 1, 1); });
        });
        ASSERT_EQ(problem, "");
        reference = program.Shown(kShownW, kShownH);
    }

    HWND Slider(int id) const { return program.Control(id); }

    // Waits until the shown sample area fits the expectation; the last difference otherwise.
    std::string ShownFits(const std::function<ColourRange(int, int)>& expect, RECT area = kSampleArea) {
        return program.WaitShown(kShownW, kShownH, [&](const Image& shown) { return Compare(shown, area, expect); });
    }

    std::string ShownIsLightOfReference(int brightness, int contrast) {
        return ShownFits([&](int x, int y) { return LightExpect(reference.At(x, y), brightness, contrast); });
    }

    HostedProgram program;
    Image reference;
};

TEST_F(E2EAdjust, DraggingTheBrightnessThumbAdjustsBrightnessFromTheReference) {
    const int right = DragThumb(Slider(kBrightnessSlider), 150);
    ASSERT_GT(right, 255);
    EXPECT_EQ(ShownIsLightOfReference(right - 255, 0), "") << "position " << right;

    // Back past the middle: darker than the reference, computed again from the reference.
    const int left = DragThumb(Slider(kBrightnessSlider), -300);
    ASSERT_LT(left, 255);
    EXPECT_EQ(ShownIsLightOfReference(left - 255, 0), "") << "position " << left;

    // The first move enlarged the painter to the sample's 608 x 406, but the canvas keeps the
    // painter's creation size: beyond 536 x 280 no picture is shown.
    RECT painter{};
    GetClientRect(program.Painter(), &painter);
    EXPECT_EQ(painter.right, 608);
    EXPECT_EQ(painter.bottom, 406);
    const Image whole = program.Shown(608, 406);
    ASSERT_TRUE(whole.Valid());
    const uint32_t beyond = whole.At(600, 400);
    const std::string outside = Compare(whole, RECT{kShownW, 0, 608, 406}, [&](int, int) { return Exactly(beyond); });
    EXPECT_EQ(outside, "");
    EXPECT_EQ(Compare(whole, RECT{0, kShownH, kShownW, 406}, [&](int, int) { return Exactly(beyond); }), "");
}

TEST_F(E2EAdjust, ContrastKeysMapEveryChannelThroughOneTableTogetherWithTheBrightness) {
    // Home: contrast -255, every channel pressed towards the middle.
    ASSERT_EQ(SlideWithKeys(Slider(kContrastSlider), 0), 0);
    EXPECT_EQ(ShownIsLightOfReference(0, -255), "");
    // End: contrast 255, every channel pushed to an end.
    ASSERT_EQ(SlideWithKeys(Slider(kContrastSlider), 510), 510);
    EXPECT_EQ(ShownIsLightOfReference(0, 255), "");
    // Single steps: 40 to the left of the end.
    ASSERT_EQ(SlideWithKeys(Slider(kContrastSlider), 470), 470);
    EXPECT_EQ(ShownIsLightOfReference(0, 215), "");
    // Negative contrast with ties in the rounding (contrast -128 halves the distance to 128).
    ASSERT_EQ(SlideWithKeys(Slider(kContrastSlider), 127), 127);
    EXPECT_EQ(ShownIsLightOfReference(0, -128), "");

    // Brightness moves keep the contrast: both come from the sliders' positions at each move.
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 300), 300);
    EXPECT_EQ(ShownIsLightOfReference(45, -128), "");
    ASSERT_EQ(SlideWithKeys(Slider(kContrastSlider), 300), 300);
    EXPECT_EQ(ShownIsLightOfReference(45, 45), "");
}

TEST_F(E2EAdjust, HueKeysColouriseFromTheReferenceAndABrightnessStepDropsTheHue) {
    struct Step {
        int position;
    } steps[] = {{255}, {0}, {128}, {60}};
    for (const Step& s : steps) {
        SCOPED_TRACE("hue " + std::to_string(s.position));
        ASSERT_EQ(SlideWithKeys(Slider(kHueSlider), s.position), s.position);
        EXPECT_EQ(ShownFits([&](int x, int y) { return ColorizeExpect(reference.At(x, y), s.position, s.position); }),
                  "");
    }
    // Each move starts from the reference: one brightness step shows the reference brightened by
    // one, without the hue.
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 256), 256);
    EXPECT_EQ(ShownIsLightOfReference(1, 0), "");
}

// ---- the dragged rectangle ------------------------------------------------------------------------

// Rows (or columns) around `at` along a line of pixels where the guide blue is shown.
std::vector<int> BlueAcross(const Image& shown, int fixed, int from, int to, bool vertical) {
    std::vector<int> blue;
    for (int v = from; v <= to; ++v) {
        const uint32_t p = vertical ? shown.At(v, fixed) : shown.At(fixed, v);
        if (p == kGuideBlue) blue.push_back(v);
    }
    return blue;
}

// Whether (x, y) lies within `margin` pixels of the outline of the rectangle (l, t)-(r, b).
bool NearOutline(int x, int y, int l, int t, int r, int b, int margin) {
    const bool inX = x >= std::min(l, r) - margin && x <= std::max(l, r) + margin;
    const bool inY = y >= std::min(t, b) - margin && y <= std::max(t, b) + margin;
    return (inX && (std::abs(y - t) <= margin || std::abs(y - b) <= margin)) ||
           (inY && (std::abs(x - l) <= margin || std::abs(x - r) <= margin));
}

TEST_F(E2EAdjust, DraggedRectangleLimitsTheNextAdjustmentAndShowsBlueGuideLinesTwoPixelsWide) {
    const HWND painter = program.Painter();
    const int l = 100, t = 60, r = 300, b = 200;
    MouseMoveClient(painter, l, t);
    MouseButton(true, true);
    for (int i = 1; i <= 5; ++i) MouseMoveClient(painter, l + (r - l) * i / 5, t + (b - t) * i / 5);

    // While dragging: the reference with the rubber band, blue and two pixels wide on every edge.
    auto bandShown = [&](const Image& shown) -> std::string {
        std::string problem;
        const int midX = (l + r) / 2, midY = (t + b) / 2;
        struct Edge {
            const char* name;
            std::vector<int> blue;
            int at;
        } edges[] = {{"top", BlueAcross(shown, midX, t - 4, t + 4, false), t},
                     {"bottom", BlueAcross(shown, midX, b - 4, b + 4, false), b},
                     {"left", BlueAcross(shown, midY, l - 4, l + 4, true), l},
                     {"right", BlueAcross(shown, midY, r - 4, r + 4, true), r}};
        for (const Edge& e : edges) {
            const bool twoWide = e.blue.size() == 2 && e.blue[1] == e.blue[0] + 1 &&
                                 (e.blue[0] == e.at || e.blue[1] == e.at);
            if (!twoWide) problem += std::string(e.name) + " edge is not a 2-pixel blue line; ";
        }
        // Away from the outline the reference shows unchanged.
        problem += Compare(shown, kSampleArea, [&](int x, int y) {
            if (NearOutline(x, y, l, t, r, b, 2)) return ColourRange{{0, 255}, {0, 255}, {0, 255}};
            return Exactly(reference.At(x, y));
        });
        return problem;
    };
    EXPECT_EQ(program.WaitShown(kShownW, kShownH, bandShown), "");
    MouseButton(true, false);
    EXPECT_EQ(program.WaitShown(kShownW, kShownH, bandShown), "");

    // The next adjustment changes only the rectangle, edges included; the guide lines stay.
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 195), 195);
    EXPECT_EQ(program.WaitShown(kShownW, kShownH,
                                [&](const Image& shown) {
                                    return Compare(shown, kSampleArea, [&](int x, int y) {
                                        if (NearOutline(x, y, l, t, r, b, 2) && shown.At(x, y) == kGuideBlue)
                                            return Exactly(kGuideBlue);
                                        const bool inside = x >= l && x <= r && y >= t && y <= b;
                                        return inside ? LightExpect(reference.At(x, y), -60, 0)
                                                      : Exactly(reference.At(x, y));
                                    });
                                }),
              "");
    const Image adjusted = program.Shown(kShownW, kShownH);
    EXPECT_EQ(BlueAcross(adjusted, (l + r) / 2, t - 4, t + 4, false).size(), 2u);
    EXPECT_EQ(BlueAcross(adjusted, (t + b) / 2, r - 4, r + 4, true).size(), 2u);

    // A right click drops the rectangle: the guide lines go, the current look becomes the new
    // reference, and the next adjustment changes the whole picture.
    ClickClient(painter, 400, 250, false);
    Image afterRightClick;
    EXPECT_EQ(program.WaitShown(kShownW, kShownH,
                                [&](const Image& shown) {
                                    afterRightClick = shown;
                                    return Compare(shown, kSampleArea, [&](int x, int y) {
                                        const bool inside = x >= l && x <= r && y >= t && y <= b;
                                        return inside ? LightExpect(reference.At(x, y), -60, 0)
                                                      : Exactly(reference.At(x, y));
                                    });
                                }),
              "");
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 275), 275);
    EXPECT_EQ(ShownFits([&](int x, int y) { return LightExpect(afterRightClick.At(x, y), 20, 0); }), "");
}

}  // namespace
