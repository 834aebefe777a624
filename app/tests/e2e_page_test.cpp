// The page actions of the picture menu, driven with real input on generated phone photographs of a
// page: "一键白底" whitens the paper (in the selection when there is one) and becomes the sliders'
// starting point; "拉正页面" shows the sheet's corners as handles, lets them be dragged, and on
// Enter warps the sheet upright (Esc leaves everything as it was). What the screen shows is
// compared with what the picture library makes of the same file in this test.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>

#include "app/MainMenu.h"
#include "app/tests/e2e_harness.h"
#include "platform/cximage/include/ximage.h"
#include "platform/cximage/include/ximapage.h"
#include "platform/cximage/include/ximasheet.h"
#include "platform/cximage/testpages/Scene.h"
#include "platform/cximage/testpages/TestPage.h"

using namespace e2e;
using namespace rg_Zarno_YangLi;

namespace {

constexpr uint32_t kGuideBlue = 0xFF0088FF;

// A library picture as the harness's 0xAARRGGBB image.
Image ToImage(const CxImage& picture) {
    Image image;
    image.width = int(picture.GetWidth());
    image.height = int(picture.GetHeight());
    image.px.resize(size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = picture.GetRow(uint32_t(y));
        for (int x = 0; x < image.width; ++x) image.At(x, y) = Rgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
    return image;
}

// Writes a library picture as a PNG file of the scratch folder; answers its Windows path.
std::wstring WritePng(const Scratch& scratch, const CxImage& picture, const std::string& name) {
    CxImage copy(picture);
    std::vector<uint8_t> png;
    if (!copy.Encode(png, CXIMAGE_FORMAT_PNG)) return {};
    const std::wstring path = scratch.WinFile(name);
    return WriteBytes(path, std::string(png.begin(), png.end())) ? path : std::wstring();
}

// The file as the program holds it after loading: decoded, then the hue pass of the hue slider's
// starting position (1). The brightness and contrast at their middle change nothing.
CxImage AsLoaded(const std::wstring& path) {
    CxImage picture;
    picture.Load(path.c_str());
    picture.Colorize(1, 1, 1.0f);
    return picture;
}

bool PainterIs(const HostedProgram& program, int w, int h) {
    return PumpUntil([&] {
        RECT r{};
        GetClientRect(program.Painter(), &r);
        return r.right == w && r.bottom == h;
    });
}

// The shown picture is exactly `want`, or within the brightness step's rounding of it.
std::string ShownIs(const HostedProgram& program, const Image& want, int brightness = 0) {
    return program.WaitShown(want.width, want.height, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, want.width, want.height}, [&](int x, int y) {
            return brightness ? LightExpect(want.At(x, y), brightness, 0) : Exactly(want.At(x, y));
        });
    });
}

class E2EPage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(program.Started()); }
    HostedProgram program;
    Scratch scratch;
};

TEST_F(E2EPage, CleanPageWhitensThePaperAndTheSlidersStartFromTheCleanedLook) {
    const testpage::Page page = testpage::MakeCleanPage(600, 400, 5);
    const testpage::Photo photo = testpage::Photograph(page.image, testpage::PhotoParams{}, 5);
    const std::wstring file = WritePng(scratch, photo.image, "page.png");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(program.Drop(file, 600, 400));
    CxImage expected = AsLoaded(file);
    const char* error = nullptr;
    ASSERT_TRUE(cximg::CleanPage(expected, error));
    const Image cleaned = ToImage(expected);

    PressShortcut({VK_CONTROL, VK_SHIFT}, 'B');
    ASSERT_EQ(ShownIs(program, cleaned), "");
    // It is the real thing: most of the paper the photograph shows is white now.
    const std::vector<uint8_t> classes = testpage::PhotoClasses(page, photo);
    int paper = 0, white = 0;
    const Image shown = program.Shown(600, 400);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x)
            if (classes[size_t(y) * 600 + x] == testpage::kPaper) {
                ++paper;
                const uint32_t c = shown.At(x, y);
                white += R(c) >= 235 && G(c) >= 235 && B(c) >= 235;
            }
    EXPECT_GT(white, paper * 95 / 100) << white << " of " << paper;

    // A brightness step starts from the cleaned look, and Save writes what is shown.
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 255 - 40), 215);
    EXPECT_EQ(ShownIs(program, cleaned, -40), "");
    PressShortcut({VK_CONTROL}, 'S');
    const std::wstring saved = scratch.WinFile("已修改_page.png");
    ASSERT_TRUE(PumpUntil([&] { return FileExists(saved); }));
    PumpFor(200);
    const Image file2 = DecodeWithWic(saved);
    ASSERT_EQ(file2.width, 600);
    EXPECT_EQ(Compare(file2, RECT{0, 0, 600, 400}, [&](int x, int y) { return LightExpect(cleaned.At(x, y), -40, 0); }),
              "");
}

TEST_F(E2EPage, CleanPageFromTheMenuKeepsToTheSelection) {
    const testpage::Page page = testpage::MakeCleanPage(500, 360, 8);
    const testpage::Photo photo = testpage::Photograph(page.image, testpage::PhotoParams{}, 8);
    const std::wstring file = WritePng(scratch, photo.image, "part.png");
    ASSERT_TRUE(program.Drop(file, 500, 360));
    // Drag a rectangle from (40, 30) to (300, 200), then clean from the menu.
    MouseMoveClient(program.Painter(), 40, 30);
    MouseButton(true, true);
    MouseMoveClient(program.Painter(), 200, 120);
    MouseMoveClient(program.Painter(), 300, 200);
    MouseButton(true, false);
    ASSERT_TRUE(ChooseMenuEntry(program.Main(), 2, kCmdCleanPage));
    CxImage expected = AsLoaded(file);
    expected.SelectionAddRect(CxRect{40, 359 - 30, 300, 359 - 200});
    const char* error = nullptr;
    ASSERT_TRUE(cximg::CleanPage(expected, error));
    expected.SelectionDelete();
    const Image want = ToImage(expected);
    const std::string problem = program.WaitShown(500, 360, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, 500, 360}, [&](int x, int y) {
            // The rectangle's outline shows the guide lines.
            const bool outline = (std::abs(x - 40) <= 1 || std::abs(x - 300) <= 1) && y >= 29 && y <= 201;
            const bool outlineY = (std::abs(y - 30) <= 1 || std::abs(y - 200) <= 1) && x >= 39 && x <= 301;
            if ((outline || outlineY) && shown.At(x, y) == kGuideBlue) return Exactly(kGuideBlue);
            return Exactly(want.At(x, y));
        });
    });
    EXPECT_EQ(problem, "");
    // Outside the rectangle nothing changed.
    const Image loaded = ToImage(AsLoaded(file));
    EXPECT_EQ(loaded.At(450, 300), want.At(450, 300));
    EXPECT_EQ(loaded.At(10, 350), want.At(10, 350));
}

TEST_F(E2EPage, StraightenShowsHandlesAtTheSheetEscLeavesAndEnterWarpsItUpright) {
    const testpage::Scene scene = testpage::MakeScene(900, 600, 21);
    const std::wstring file = WritePng(scratch, scene.photo, "desk.png");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(program.Drop(file, 900, 600));
    const CxImage loaded = AsLoaded(file);
    const Image before = ToImage(loaded);
    cximg::SheetCorners found{};
    double confidence = 0;
    ASSERT_TRUE(cximg::FindSheet(loaded, found, confidence));

    // The handles show where the sheet's corners are, near the true corners.
    PressShortcut({VK_CONTROL, VK_SHIFT}, 'K');
    const std::string handles = program.WaitShown(900, 600, [&](const Image& shown) {
        std::string missing;
        for (int i = 0; i < 4; ++i) {
            const int cx = int(std::lround(found.x[i])), cy = int(std::lround(found.y[i]));
            if (std::hypot(found.x[i] - scene.corners.x[i], found.y[i] - scene.corners.y[i]) > 9)
                missing += "corner " + std::to_string(i) + " found far from the truth; ";
            // The handle's border (blue) runs 6 pixels around the corner.
            int blue = 0;
            for (int d = -6; d <= 6; ++d)
                if (cx + d >= 0 && cx + d < 900 && cy - 6 >= 0 && shown.At(cx + d, cy - 6) == kGuideBlue) ++blue;
            if (blue < 5) missing += "no handle at corner " + std::to_string(i) + "; ";
        }
        return missing;
    });
    EXPECT_EQ(handles, "");
    PressKey(VK_ESCAPE);
    EXPECT_EQ(ShownIs(program, before), "");

    // Again, drag the top-left handle 25 pixels right and 15 down, and apply with Enter.
    PressShortcut({VK_CONTROL, VK_SHIFT}, 'K');
    PumpFor(200);
    const int hx = int(std::lround(found.x[0])), hy = int(std::lround(found.y[0]));
    MouseMoveClient(program.Painter(), hx, hy);
    MouseButton(true, true);
    MouseMoveClient(program.Painter(), hx + 12, hy + 7);
    MouseMoveClient(program.Painter(), hx + 25, hy + 15);
    MouseButton(true, false);
    PressKey(VK_RETURN);

    cximg::SheetCorners moved = found;
    moved.x[0] = hx + 25;
    moved.y[0] = hy + 15;
    CxImage straight;
    const char* error = nullptr;
    ASSERT_TRUE(cximg::RectifySheet(loaded, moved, straight, error)) << error;
    const Image want = ToImage(straight);
    ASSERT_TRUE(PainterIs(program, want.width, want.height));
    EXPECT_EQ(ShownIs(program, want), "");
    // The sheet as found has the page's own shape (the drag above changed it a little).
    double aspect = 0;
    ASSERT_TRUE(cximg::SheetAspect(found, 900, 600, aspect));
    EXPECT_NEAR(aspect, scene.aspect, 0.03 * scene.aspect);

    // The sliders act on the warped picture, and Save writes it.
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 255 + 30), 285);
    EXPECT_EQ(ShownIs(program, want, 30), "");
    PressShortcut({VK_CONTROL}, 'S');
    const std::wstring saved = scratch.WinFile("已修改_desk.png");
    ASSERT_TRUE(PumpUntil([&] { return FileExists(saved); }));
    PumpFor(200);
    const Image written = DecodeWithWic(saved);
    EXPECT_EQ(written.width, want.width);
    EXPECT_EQ(written.height, want.height);
}

}  // namespace
