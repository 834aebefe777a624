// The program hosted in the test process, driven with real input: the sliders change the shown
// pixels by the exact mapping from the reference picture, a dragged rectangle limits the next
// adjustment and shows blue guide lines, a right click drops it, and the dragged edges are clamped
// at the picture's borders.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/tests/e2e_harness.h"

using namespace e2e;

namespace {

constexpr uint32_t kGuideBlue = 0xFF0088FF;  // RGB(0, 0x88, 0xFF)
// What the sample shows before any reload: the painter's creation size.
constexpr int kShownW = 536, kShownH = 280;
const RECT kSampleArea{0, 0, kShownW, kShownH};

// The rows from..to of column `fixed` (or, with vertical set, the columns from..to of row `fixed`)
// that show the guide blue.
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

    // The shown sample is the reference brightened by `brightness` inside the rectangle spanned by
    // the corners (l, t) and (r, b), edges included, and unchanged outside; pixels on the outline may
    // show the guide blue.
    std::string ShownLimitedTo(int l, int t, int r, int b, int brightness) {
        return program.WaitShown(kShownW, kShownH, [&](const Image& shown) {
            return Compare(shown, kSampleArea, [&](int x, int y) {
                if (NearOutline(x, y, l, t, r, b, 2) && shown.At(x, y) == kGuideBlue) return Exactly(kGuideBlue);
                const bool inside =
                    x >= std::min(l, r) && x <= std::max(l, r) && y >= std::min(t, b) && y <= std::max(t, b);
                return inside ? LightExpect(reference.At(x, y), brightness, 0) : Exactly(reference.At(x, y));
            });
        });
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
    for (const int position : {255, 0, 128, 60}) {
        SCOPED_TRACE("hue " + std::to_string(position));
        ASSERT_EQ(SlideWithKeys(Slider(kHueSlider), position), position);
        EXPECT_EQ(ShownFits([&](int x, int y) { return ColorizeExpect(reference.At(x, y), position, position); }), "");
    }
    // Each move starts from the reference: one brightness step shows the reference brightened by
    // one, without the hue.
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 256), 256);
    EXPECT_EQ(ShownIsLightOfReference(1, 0), "");
}

TEST_F(E2EAdjust, CaptionlessCornerButtonBlackensTheTopLeftSquareOnTopOfTheCurrentLook) {
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 295), 295);
    ASSERT_EQ(ShownIsLightOfReference(40, 0), "");
    const Image look = program.Shown(kShownW, kShownH);
    auto cornerBlack = [&](int x, int y) { return x <= 100 && y <= 100 ? Exactly(0xFF000000) : Exactly(look.At(x, y)); };
    program.ClickButton(kCornerButton);
    EXPECT_EQ(ShownFits(cornerBlack), "");
    program.ClickButton(kCornerButton);
    EXPECT_EQ(ShownFits(cornerBlack), "");
}

// ---- the dragged rectangle ------------------------------------------------------------------------

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
    EXPECT_EQ(ShownLimitedTo(l, t, r, b, -60), "");
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

TEST_F(E2EAdjust, RectangleDraggedUpAndLeftLimitsTheSameArea) {
    const HWND painter = program.Painter();
    const int l = 120, t = 70, r = 260, b = 190;
    MouseMoveClient(painter, r, b);
    MouseButton(true, true);
    MouseMoveClient(painter, (l + r) / 2, (t + b) / 2);
    MouseMoveClient(painter, l, t);
    MouseButton(true, false);
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 305), 305);
    EXPECT_EQ(ShownLimitedTo(r, b, l, t, 50), "");
}

TEST_F(E2EAdjust, ClickWithoutMovementLimitsTheAdjustmentToOnePixelWithoutGuideLines) {
    const int x = 211, y = 97;
    ClickClient(program.Painter(), x, y);
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 335), 335);
    EXPECT_EQ(ShownFits([&](int px, int py) {
                  return px == x && py == y ? LightExpect(reference.At(px, py), 80, 0) : Exactly(reference.At(px, py));
              }),
              "");
}

TEST_F(E2EAdjust, RightPressDuringADragRestartsTheBandFromTheTopLeftCorner) {
    const HWND painter = program.Painter();
    MouseMoveClient(painter, 150, 90);
    MouseButton(true, true);
    MouseMoveClient(painter, 200, 120);
    // The right button while the left is held: the rectangle is dropped, the drag goes on from the
    // corner (0, 0) and the release keeps (0, 0)-(release point).
    MouseButton(false, true);
    MouseButton(false, false);
    MouseMoveClient(painter, 230, 140);
    MouseMoveClient(painter, 260, 170);
    MouseButton(true, false);
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 215), 215);
    EXPECT_EQ(ShownLimitedTo(0, 0, 260, 170, -40), "");
}

TEST_F(E2EAdjust, UncoveredPictureIsPaintedAgainWithItsGuideLines) {
    const HWND painter = program.Painter();
    MouseMoveClient(painter, 50, 40);
    MouseButton(true, true);
    MouseMoveClient(painter, 150, 120);
    MouseMoveClient(painter, 250, 200);
    MouseButton(true, false);
    ASSERT_EQ(SlideWithKeys(Slider(kContrastSlider), 330), 330);
    ASSERT_EQ(program.WaitShown(kShownW, kShownH,
                                [&](const Image& shown) {
                                    return BlueAcross(shown, 150, 36, 44, false).size() == 2u ? "" : "no guide line";
                                }),
              "");
    const Image before = program.Shown(kShownW, kShownH);

    // Another window covers the picture and goes away again.
    POINT corner{kPictureX, kPictureY};
    ClientToScreen(program.Main(), &corner);
    HWND cover = CreateWindowExW(WS_EX_TOPMOST, L"Static", L"", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, corner.x,
                                 corner.y, kShownW, kShownH, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(program.WaitShown(kShownW, kShownH,
                                [&](const Image& shown) { return shown.px != before.px ? "" : "not covered"; }),
              "");
    DestroyWindow(cover);
    auto same = [&](const Image& shown) {
        return Compare(shown, kSampleArea, [&](int x, int y) { return Exactly(before.At(x, y)); });
    };
    EXPECT_EQ(program.WaitShown(kShownW, kShownH, same), "");
    // The painter's whole area invalidated and erased: its paint draws the same frame again.
    RedrawWindow(painter, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(program.WaitShown(kShownW, kShownH, same), "");
}

TEST_F(E2EAdjust, ADropDropsTheRectangle) {
    const HWND painter = program.Painter();
    MouseMoveClient(painter, 20, 20);
    MouseButton(true, true);
    MouseMoveClient(painter, 60, 50);
    MouseButton(true, false);
    Scratch scratch;
    const Image picture = PatternPicture(200, 160);
    const std::wstring file = MakePictureFile(scratch, picture, "page.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(program.Drop(file, 200, 160));
    const RECT whole{0, 0, 200, 160};
    ASSERT_EQ(program.WaitShown(200, 160,
                                [&](const Image& shown) {
                                    return Compare(shown, whole,
                                                   [&](int x, int y) { return ColorizeExpect(picture.At(x, y), 1, 1); });
                                }),
              "");
    const Image loaded = program.Shown(200, 160);
    // The whole picture is adjusted and no guide line is drawn.
    ASSERT_EQ(SlideWithKeys(Slider(kBrightnessSlider), 225), 225);
    EXPECT_EQ(program.WaitShown(200, 160,
                                [&](const Image& shown) {
                                    return Compare(shown, whole,
                                                   [&](int x, int y) { return LightExpect(loaded.At(x, y), -30, 0); });
                                }),
              "");
}

// The edge a guide line of the band is drawn at: the line covers the same offsets around its edge
// as the line at the known edge `knownEdge` does (measured across it), so the edge is the value
// whose offsets, cut to the picture, give the blue pixels seen; -1 when none does.
int LineEdge(const Image& shown, int fixed, bool vertical, int knownEdge, int from, int to) {
    const int extent = vertical ? shown.width : shown.height;
    std::vector<int> offsets;
    for (int v : BlueAcross(shown, fixed, knownEdge - 4, knownEdge + 4, vertical))
        offsets.push_back(v - knownEdge);
    if (offsets.empty()) return -1;
    const std::vector<int> seen = BlueAcross(shown, fixed, std::max(0, from), std::min(extent - 1, to), vertical);
    for (int edge = from; edge <= to; ++edge) {
        std::vector<int> wanted;
        for (int o : offsets)
            if (edge + o >= 0 && edge + o < extent) wanted.push_back(edge + o);
        if (!wanted.empty() && wanted == seen) return edge;
    }
    return -1;
}

TEST_F(E2EAdjust, DraggedEdgesAreClampedInsideThePictureBeyondItsBorders) {
    Scratch scratch;
    const int w = 320, h = 240;
    const Image picture = PatternPicture(w, h);
    const std::wstring file = MakePictureFile(scratch, picture, "page.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(program.Drop(file, w, h));
    const RECT whole{0, 0, w, h};
    auto shownFits = [&](const std::function<ColourRange(int, int)>& expect) {
        return program.WaitShown(w, h, [&](const Image& shown) { return Compare(shown, whole, expect); });
    };
    ASSERT_EQ(shownFits([&](int x, int y) { return ColorizeExpect(picture.At(x, y), 1, 1); }), "");
    const Image start = program.Shown(w, h);
    const HWND painter = program.Painter();

    // Released beyond the right and bottom borders: while moving the edges are the last column and
    // row, on release one further inside. The press point is chosen so that the four edges XOR to
    // zero: no guide lines are drawn with the adjustment and every pixel of the border can be seen.
    int l = -1, t = -1;
    for (int x = w / 2; x < w - 2 && l < 0; ++x)
        for (int y = h / 2; y < h - 2 && l < 0; ++y)
            if ((x ^ y ^ (w - 2) ^ (h - 2)) == 0) l = x, t = y;
    ASSERT_GE(l, 0);
    MouseMoveClient(painter, l, t);
    MouseButton(true, true);
    MouseMoveClient(painter, w - 40, h - 40);
    MouseMoveClient(painter, w + 25, h + 25);
    std::string edges;
    auto bandEdges = [&](int wantRight, int wantBottom) {
        return program.WaitShown(w, h, [&](const Image& shown) {
            const int right = LineEdge(shown, (t + h) / 2, true, l, w - 6, w - 1);
            const int bottom = LineEdge(shown, (l + w) / 2, false, t, h - 6, h - 1);
            if (right == wantRight && bottom == wantBottom) return std::string();
            return "band edges " + std::to_string(right) + ", " + std::to_string(bottom);
        });
    };
    EXPECT_EQ(bandEdges(w - 1, h - 1), "");
    MouseButton(true, false);
    EXPECT_EQ(bandEdges(w - 2, h - 2), "");

    // Home on the brightness slider: brightness -255 inside the rectangle (l, t)-(w-2, h-2) only.
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 0), 0);
    auto insideFirst = [&](int x, int y) { return x >= l && x <= w - 2 && y >= t && y <= h - 2; };
    EXPECT_EQ(shownFits([&](int x, int y) {
                  return insideFirst(x, y) ? LightExpect(start.At(x, y), -255, 0) : Exactly(start.At(x, y));
              }),
              "");

    // Released beyond the left and top borders (positions there arrive as large unsigned values):
    // the edges are 0 while moving and 1 on release. A right click first drops the rectangle and
    // makes the current look the reference; press and release points XOR to zero again.
    ClickClient(painter, 50, 50, false);
    EXPECT_EQ(shownFits([&](int x, int y) {
                  return insideFirst(x, y) ? LightExpect(start.At(x, y), -255, 0) : Exactly(start.At(x, y));
              }),
              "");
    const Image second = program.Shown(w, h);
    const int p = 100;
    MouseMoveClient(painter, p, p);
    MouseButton(true, true);
    MouseMoveClient(painter, 40, 40);
    MouseMoveClient(painter, -3, -3);
    auto bandStart = [&](int wantRight, int wantBottom) {
        return program.WaitShown(w, h, [&](const Image& shown) {
            const int right = LineEdge(shown, p / 2, true, p, 0, 5);
            const int bottom = LineEdge(shown, p / 2, false, p, 0, 5);
            if (right == wantRight && bottom == wantBottom) return std::string();
            return "band edges " + std::to_string(right) + ", " + std::to_string(bottom);
        });
    };
    EXPECT_EQ(bandStart(0, 0), "");
    MouseButton(true, false);
    EXPECT_EQ(bandStart(1, 1), "");

    // End: brightness +255 inside (1, 1)-(100, 100); the first row and column keep their look.
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 510), 510);
    EXPECT_EQ(shownFits([&](int x, int y) {
                  const bool inside = x >= 1 && x <= p && y >= 1 && y <= p;
                  return inside ? LightExpect(second.At(x, y), 255, 0) : Exactly(second.At(x, y));
              }),
              "");
}

}  // namespace
