// The real executable in its own process, with picture files dropped on it from an X client outside
// Wine through the X drag-and-drop protocol (XDND), as a Linux file manager drops them. Wine's X11
// driver turns such a drop into WM_DROPFILES only for a window that accepts dropped files, so these
// drops reach the program only because its main window accepts them (DragAcceptFiles): a hand-made
// WM_DROPFILES would arrive whatever the window says.
//
// The drop source is tests/xdnd_drop.py (python3-xlib), run on the host with the display that Wine
// shows its windows on; X root coordinates are Wine's screen coordinates (unmanaged windows).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/tests/e2e_harness.h"

using namespace e2e;

namespace {

// A word for /bin/sh: in single quotes, with the quotes inside written as '\''.
std::string ShellWord(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// The outcome of one drop: the drop source's exit status and what it printed.
struct DropResult {
    int status = -1;
    std::string output;
};

// Drops the files (Unix paths, the first one first) at a point of the window's client area: the
// drop source runs on the host, finds the X window under the point and goes through the whole
// exchange with it. It ends by itself within its own time limit, so the wait here is bounded too.
DropResult DropThroughX(HWND window, POINT clientPoint, const std::vector<std::string>& unixPaths) {
    POINT screen = clientPoint;
    ClientToScreen(window, &screen);
    std::string command = "/usr/bin/python3 " + ShellWord(E2E_XDND_SCRIPT) + " --timeout 10";
    for (const std::string& path : unixPaths) command += " " + ShellWord(path);
    command += " " + std::to_string(screen.x) + " " + std::to_string(screen.y);
    DropResult result;
    result.status = RunHost(command, &result.output, 30000);
    return result;
}

std::string Describe(const DropResult& drop) {
    return "drop source exit status " + std::to_string(drop.status) + ", output: " + drop.output;
}

class E2EDrop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(FileExists(scratch.Win()));
        main = program.Main();
        painter = program.Control(kPicturePainter);
        ASSERT_NE(painter, nullptr);
    }

    // The painter's client size.
    SIZE PainterSize() const {
        RECT r{};
        GetClientRect(painter, &r);
        return SIZE{r.right, r.bottom};
    }

    // Waits until the painter has the size; answers the size it has at the end.
    SIZE WaitPainterSize(int width, int height) const {
        SIZE size{};
        PumpUntil(
            [&] {
                size = PainterSize();
                return size.cx == width && size.cy == height;
            },
            10000);
        return size;
    }

    // Waits until the picture shown at the painter's place is the source picture after the hue
    // pass of the hue slider's default position (hue 1, saturation 1); answers what differs.
    std::string WaitShownLoaded(const Image& source) const {
        const RECT area{0, 0, source.width, source.height};
        std::string problem = "nothing captured";
        PumpUntil(
            [&] {
                const Image shown = CaptureClient(
                    main, RECT{kPictureX, kPictureY, kPictureX + source.width, kPictureY + source.height});
                if (!shown.Valid()) return false;
                problem = Compare(shown, area, [&](int x, int y) { return ColorizeExpect(source.At(x, y), 1, 1); });
                return problem.empty();
            },
            10000);
        return problem;
    }

    // Drops the files at the point through X and checks that the first one loads: the painter takes
    // its size and shows it after the hue pass.
    void ExpectDropLoads(POINT at, const std::vector<std::string>& unixPaths, const Image& first) {
        const DropResult drop = DropThroughX(main, at, unixPaths);
        ASSERT_EQ(drop.status, 0) << Describe(drop);
        const SIZE size = WaitPainterSize(first.width, first.height);
        EXPECT_EQ(size.cx, first.width);
        EXPECT_EQ(size.cy, first.height);
        EXPECT_EQ(WaitShownLoaded(first), "");
    }

    // Whether a point of the main window's client area lies on the picture painter.
    bool OnPainter(POINT clientPoint) const {
        const RECT r = RectInParent(painter);
        return PtInRect(&r, clientPoint) != FALSE;
    }

    ProgramProcess program;
    Scratch scratch;
    HWND main = nullptr;
    HWND painter = nullptr;
};

TEST_F(E2EDrop, APictureDroppedOnTheMainWindowLoadsAtItsSize) {
    const Image picture = PatternPicture(300, 200);
    // A space in the name: the drop source sends it escaped (%20) in the file URI.
    ASSERT_FALSE(MakePictureFile(scratch, picture, "dropped picture.png").empty());
    // The sample picture is shown at another size, so the new size tells that the drop loaded.
    ASSERT_NE(PainterSize().cx, picture.width);

    // Near the bottom right of the client area, away from every control.
    RECT client{};
    GetClientRect(main, &client);
    const POINT at{client.right - 20, client.bottom - 20};
    ASSERT_FALSE(OnPainter(at));
    ASSERT_EQ(ChildWindowFromPointEx(main, at, CWP_SKIPINVISIBLE), main);

    ExpectDropLoads(at, {scratch.UnixFile("dropped picture.png")}, picture);
}

TEST_F(E2EDrop, OnlyTheFirstFileOfAMultiFileDropLoads) {
    const Image first = PatternPicture(260, 180);
    const Image second = PatternPicture(320, 240);
    ASSERT_FALSE(MakePictureFile(scratch, first, "first.bmp", "-alpha off", "BMP3").empty());
    ASSERT_FALSE(MakePictureFile(scratch, second, "second.bmp", "-alpha off", "BMP3").empty());

    RECT client{};
    GetClientRect(main, &client);
    const POINT at{client.right - 40, client.bottom - 60};
    ASSERT_FALSE(OnPainter(at));
    ExpectDropLoads(at, {scratch.UnixFile("first.bmp"), scratch.UnixFile("second.bmp")}, first);
}

TEST_F(E2EDrop, APictureDroppedOnThePainterLoadsThroughTheMainWindow) {
    // The painter does not accept files itself; its parent, the main window, does, and takes the
    // drop, as the shell hands a drop to the nearest window up the chain that accepts files.
    ASSERT_FALSE(GetWindowLongW(painter, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const Image picture = PatternPicture(240, 160);
    ASSERT_FALSE(MakePictureFile(scratch, picture, "onto painter.bmp", "-alpha off", "BMP3").empty());

    const RECT r = RectInParent(painter);
    const POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ASSERT_EQ(ChildWindowFromPointEx(main, at, CWP_SKIPINVISIBLE), painter);
    ExpectDropLoads(at, {scratch.UnixFile("onto painter.bmp")}, picture);
}

}  // namespace
