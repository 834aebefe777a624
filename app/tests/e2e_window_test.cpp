// The real executable in its own process: the main window as it appears (title, client size, every
// control at its place, the sample picture clipped to the painter), a slider moved with real input,
// and Esc ending the program with exit code 0.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/tests/e2e_harness.h"

using namespace e2e;

namespace {

std::wstring Text(HWND hwnd) {
    wchar_t buf[128] = {};
    GetWindowTextW(hwnd, buf, 128);
    return buf;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t buf[128] = {};
    GetClassNameW(hwnd, buf, 128);
    return buf;
}

std::string Narrow(const std::wstring& w) { return Utf8(w); }

struct ControlRow {
    int id;
    int x, y, width, height;
    const wchar_t* caption;
    bool visible;
};

// The main window's control table, in creation order.
const ControlRow kControls[] = {
    {kHiddenPainter, 325, 359, 496, 296, L"", false},
    {kPicturePainter, 5, 151, 536, 280, L"", true},
    {kBrightnessSlider, 77, 15, 872, 40, L"", true},
    {kContrastSlider, 77, 59, 872, 40, L"", true},
    {kHueSlider, 77, 103, 720, 40, L"", true},
    {kHueLabel, 5, 95, 56, 24, L"色调:", true},
    {kContrastLabel, 5, 50, 56, 24, L"对比度:", true},
    {kGrayscaleButton, 629, 111, 64, 32, L"灰度", false},
    {kBrightnessLabel, 5, 5, 56, 24, L"亮度:", true},
    {kPrintButton, 805, 103, 64, 32, L"打印", true},
    {kSaveButton, 885, 103, 56, 32, L"保存", true},
    {kCornerButton, 757, 135, 80, 32, L"", true},
};

TEST(E2EWindow, AppearsWithTheDefaultTitleTheDesignClientSizeAndEveryControlInPlace) {
    ProgramProcess program;
    ASSERT_TRUE(program.Started());
    const HWND main = program.Main();
    EXPECT_EQ(Text(main), L"Ferovel V1.3  Osk");
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 967);
    EXPECT_EQ(client.bottom, 790);
    // A sizable frame with the maximize box.
    const LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);

    for (const ControlRow& row : kControls) {
        SCOPED_TRACE("control " + std::to_string(row.id));
        const HWND control = program.Control(row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), main);
        const RECT r = RectInParent(control);
        EXPECT_EQ(r.left, row.x);
        EXPECT_EQ(r.top, row.y);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, row.height);
        EXPECT_EQ(Narrow(Text(control)), Narrow(row.caption));
        EXPECT_EQ(IsWindowVisible(control) != FALSE, row.visible);
    }

    // Creation order (which is the tab order): the children follow one another in the table's order.
    std::vector<int> order;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        order.push_back(GetDlgCtrlID(child));
    std::vector<int> expectedOrder;
    for (const ControlRow& row : kControls) expectedOrder.push_back(row.id);
    EXPECT_EQ(order, expectedOrder);

    // The sliders: trackbars, horizontal without tick marks, page size 1; brightness and contrast
    // 0..510 at 255; hue 0..255 at the slider's default position 1.
    struct SliderRow {
        int id, maximum, position;
    } sliders[] = {{kBrightnessSlider, 510, 255}, {kContrastSlider, 510, 255}, {kHueSlider, 255, 1}};
    for (const SliderRow& s : sliders) {
        SCOPED_TRACE("slider " + std::to_string(s.id));
        const HWND slider = program.Control(s.id);
        EXPECT_EQ(ClassName(slider), L"msctls_trackbar32");
        EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), s.maximum);
        EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), s.position);
        EXPECT_EQ(SendMessageW(slider, TBM_GETPAGESIZE, 0, 0), 1);
        const LONG style = GetWindowLongW(slider, GWL_STYLE);
        EXPECT_TRUE(style & TBS_NOTICKS);
        EXPECT_FALSE(style & TBS_VERT);
    }

    // The labels draw their captions against their right edge.
    for (int id : {kHueLabel, kContrastLabel, kBrightnessLabel}) {
        SCOPED_TRACE("label " + std::to_string(id));
        const HWND label = program.Control(id);
        RECT r{};
        GetClientRect(label, &r);
        int textLeft = r.right, textRight = -1;
        PumpUntil(
            [&] {
                const Image shot = CaptureClient(label, r);
                if (!shot.Valid()) return false;
                const uint32_t background = shot.At(0, 0);
                textLeft = r.right;
                textRight = -1;
                for (int y = 0; y < shot.height; ++y)
                    for (int x = 0; x < shot.width; ++x)
                        if (shot.At(x, y) != background) {
                            textLeft = std::min(textLeft, x);
                            textRight = std::max(textRight, x);
                        }
                return textRight >= 0;
            },
            5000);
        EXPECT_GE(textRight, r.right - 4) << "text ends at " << textRight;
        EXPECT_GT(textLeft, 0);
    }
}

TEST(E2EWindow, CarriesIcon500AsItsLargeAndSmallIcon) {
    // Hosted, because Wine answers a window's icon only inside its own process. The test program
    // carries the program's resources.
    HostedProgram program;
    ASSERT_TRUE(program.Started());
    const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(500));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(program.Main(), WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(program.Main(), WM_GETICON, ICON_SMALL, 0)), icon);
}

TEST(E2EWindow, SamplePictureIsShownAtItsPlaceClippedToThePainter) {
    const Image sample = DecodeWithWic(E2E_SAMPLE_PNG);
    ASSERT_TRUE(sample.Valid());
    ASSERT_EQ(sample.width, 608);
    ASSERT_EQ(sample.height, 406);
    ProgramProcess program;
    ASSERT_TRUE(program.Started());
    const HWND main = program.Main();
    const RECT painter = RectInParent(program.Control(kPicturePainter));
    EXPECT_EQ(painter.left, kPictureX);
    EXPECT_EQ(painter.top, kPictureY);

    // The top-left 536 x 280 of the sample, 1:1, after the hue pass of loading (hue slider at its
    // start position 1: hue 1, saturation 1).
    std::string problem;
    PumpUntil(
        [&] {
            const Image shown = CaptureClient(main, RECT{kPictureX, kPictureY, kPictureX + 536, kPictureY + 280});
            problem = Compare(shown, RECT{0, 0, 536, 280}, [&](int x, int y) { return ColorizeExpect(sample.At(x, y), 1, 1); });
            return problem.empty();
        },
        10000);
    EXPECT_EQ(problem, "");

    // Nothing of the picture beyond the painter: right of it and below it the form's own background.
    const Image around = CaptureClient(main, RECT{0, 0, 967, 790});
    ASSERT_TRUE(around.Valid());
    const uint32_t background = around.At(600, 500);
    for (int y = kPictureY; y < kPictureY + 280; y += 7)
        for (int x = kPictureX + 536; x < kPictureX + 608; ++x)
            ASSERT_EQ(around.At(x, y), background) << "at " << x << "," << y;
    for (int y = kPictureY + 280; y < kPictureY + 406; ++y)
        for (int x = kPictureX; x < kPictureX + 536; x += 7)
            ASSERT_EQ(around.At(x, y), background) << "at " << x << "," << y;
}

TEST(E2EWindow, ArrowKeysOnTheBrightnessSliderBrightenTheShownPictureByTheMapping) {
    ProgramProcess program;
    ASSERT_TRUE(program.Started());
    const HWND main = program.Main();
    const RECT area{kPictureX, kPictureY, kPictureX + 536, kPictureY + 280};
    // The picture as first shown is the reference of the adjustments (the hue pass is part of it).
    Image reference;
    const Image sample = DecodeWithWic(E2E_SAMPLE_PNG);
    ASSERT_TRUE(PumpUntil(
        [&] {
            reference = CaptureClient(main, area);
            return Compare(reference, RECT{0, 0, 536, 280}, [&](int x, int y) {
                       return ColorizeExpect(sample.At(x, y), 1, 1);
                   }).empty();
        },
        10000));

    // A press on the thumb (focus, no movement), then 40 steps to the right: position 295,
    // brightness +40 with contrast 0.
    const HWND slider = program.Control(kBrightnessSlider);
    RECT thumb{};
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT centre{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    ClientToScreen(slider, &centre);
    MouseMoveScreen(centre.x, centre.y);
    MouseButton(true, true);
    MouseButton(true, false);
    PressKey(VK_RIGHT, 40);
    ASSERT_TRUE(PumpUntil([&] { return SliderPos(slider) == 295; }, 5000)) << SliderPos(slider);

    std::string problem;
    PumpUntil(
        [&] {
            const Image shown = CaptureClient(main, area);
            problem = Compare(shown, RECT{0, 0, 536, 280},
                              [&](int x, int y) { return LightExpect(reference.At(x, y), 40, 0); });
            return problem.empty();
        },
        10000);
    EXPECT_EQ(problem, "");
}

TEST(E2EWindow, MaximizingMovesNoControlAndThePictureStaysAtItsPlace) {
    ProgramProcess program;
    ASSERT_TRUE(program.Started());
    const HWND main = program.Main();
    std::vector<RECT> before;
    for (const ControlRow& row : kControls) before.push_back(RectInParent(program.Control(row.id)));
    const Image sample = DecodeWithWic(E2E_SAMPLE_PNG);
    const RECT area{kPictureX, kPictureY, kPictureX + 536, kPictureY + 280};
    auto pictureShown = [&] {
        return Compare(CaptureClient(main, area), RECT{0, 0, 536, 280},
                       [&](int x, int y) { return ColorizeExpect(sample.At(x, y), 1, 1); });
    };
    std::string problem;
    ASSERT_TRUE(PumpUntil([&] { return (problem = pictureShown()).empty(); }, 10000)) << problem;

    // A double click on the title bar, as a user maximizes a window.
    RECT outer{}, client{};
    GetWindowRect(main, &outer);
    POINT clientTop{0, 0};
    ClientToScreen(main, &clientTop);
    MouseMoveScreen(outer.left + 300, (outer.top + clientTop.y) / 2);
    for (int i = 0; i < 2; ++i) {
        MouseButton(true, true);
        MouseButton(true, false);
    }
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(main) != FALSE; }, 5000));
    GetClientRect(main, &client);
    EXPECT_GT(client.right, 967);
    for (size_t i = 0; i < before.size(); ++i) {
        const RECT now = RectInParent(program.Control(kControls[i].id));
        EXPECT_TRUE(EqualRect(&now, &before[i])) << "control " << kControls[i].id << " moved";
    }
    EXPECT_TRUE(PumpUntil([&] { return (problem = pictureShown()).empty(); }, 10000)) << problem;
}

TEST(E2EWindow, ClickOnTheCloseBoxEndsTheProgramWithExitCodeZero) {
    ProgramProcess program;
    ASSERT_TRUE(program.Started());
    const HWND main = program.Main();
    // The close box: the point of the title bar, searched from the right, that the window reports
    // as its close button.
    RECT outer{};
    GetWindowRect(main, &outer);
    POINT clientTop{0, 0};
    ClientToScreen(main, &clientTop);
    POINT box{-1, -1};
    for (int x = outer.right - 1; x > outer.right - 100 && box.x < 0; --x)
        for (int y = outer.top; y < clientTop.y && box.x < 0; ++y)
            if (SendMessageW(main, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) box = POINT{x - 3, y + 3};
    ASSERT_GE(box.x, 0);
    ASSERT_EQ(SendMessageW(main, WM_NCHITTEST, 0, MAKELPARAM(box.x, box.y)), HTCLOSE);
    MouseMoveScreen(box.x, box.y);
    MouseButton(true, true);
    MouseButton(true, false);
    EXPECT_EQ(program.WaitExit(10000), 0u);
}

TEST(E2EWindow, EscEndsTheProgramWithExitCodeZero) {
    ProgramProcess program;
    ASSERT_TRUE(program.Started());
    const HWND main = program.Main();
    // A press on the brightness slider's thumb makes the window active and gives the slider the
    // keyboard focus, as a user would; Esc in a control of the window ends the program all the same.
    const HWND slider = program.Control(kBrightnessSlider);
    RECT thumb{};
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    ClickClient(slider, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    PumpUntil([&] { return GetForegroundWindow() == main; }, 3000);
    GUITHREADINFO gui{sizeof gui};
    PumpUntil([&] { return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui) && gui.hwndFocus == slider; },
              3000);
    EXPECT_EQ(gui.hwndFocus, slider);
    PressKey(VK_ESCAPE);
    EXPECT_EQ(program.WaitExit(10000), 0u);
    EXPECT_FALSE(IsWindow(main));
}

}  // namespace
