// The program hosted in the test process prints through the CUPS PDF queue: a click on the print
// button, the print dialog answered with OK as a user would, one page in the PDF that the queue
// writes, the picture stretched over the page and turned when it is wider than high.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include <cstdio>
#include <string>

#include "app/MainMenu.h"
#include "app/tests/e2e_harness.h"
#include "platform/cximage/include/ximage.h"
#include "platform/cximage/testpages/Scene.h"

using namespace e2e;

namespace {

// Four quadrants of clearly different lightness (the hue pass of loading keeps only lightness):
// top-left black, top-right white, bottom-left dark grey, bottom-right light grey.
constexpr uint32_t kTopLeft = 0xFF000000, kTopRight = 0xFFFFFFFF, kBottomLeft = 0xFF555555, kBottomRight = 0xFFAAAAAA;

Image Quadrants(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.px.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            image.At(x, y) = bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft);
        }
    return image;
}

struct Page {
    int pages = 0;
    Image image;
};

class E2EPrint : public ::testing::Test {
protected:
    void SetUp() override {
        std::string out;
        if (RunHost("lpstat -p PDF && grep -q '^Out ' /etc/cups/cups-pdf.conf", &out) != 0)
            GTEST_FAIL() << "the CUPS PDF queue is not available (scripts/test-services.sh starts it): " << out;
        ASSERT_TRUE(program.Started());
    }

    // Drops the picture, prints it with a click on the print button and answers the dialog; answers
    // the page count and the first page rendered at 30 dpi.
    Page PrintPicture(const Image& picture, const std::function<void()>& print = {}) {
        const std::wstring file = MakePictureFile(scratch, picture, "picture.png");
        EXPECT_FALSE(file.empty());
        EXPECT_TRUE(program.Drop(file, picture.width, picture.height));
        return PrintShownPicture(print);
    }

    // Prints the picture the program holds now (the print button, or `print`) and answers the
    // dialog; answers the page count and the first page rendered at 30 dpi.
    Page PrintShownPicture(const std::function<void()>& print = {}) {
        Page page;
        // The queue's output folder is read from the back end's configuration at the time of the
        // job; a marker file tells this job's PDF from older ones.
        std::string folder;
        EXPECT_EQ(RunHost("sed -n 's/^Out //p' /etc/cups/cups-pdf.conf | head -1", &folder), 0);
        while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) folder.pop_back();
        const std::string marker = scratch.UnixFile("marker");
        EXPECT_EQ(RunHost("touch '" + marker + "'"), 0);

        DialogAnswerer answerer;
        if (print) print();
        else program.ClickButton(kPrintButton);
        std::string pdf;
        PumpUntil(
            [&] {
                std::string found;
                RunHost("find '" + folder + "' -maxdepth 1 -name '*.pdf' -newer '" + marker + "'", &found);
                const size_t end = found.find('\n');
                if (end == std::string::npos) return false;
                pdf = found.substr(0, end);
                // Complete once the queue has nothing left to do.
                std::string queue;
                return RunHost("lpstat -o PDF", &queue) == 0 && queue.find_first_not_of(" \r\n\t") == std::string::npos;
            },
            30000);
        EXPECT_EQ(answerer.Dialogs().size(), 1u);
        if (pdf.empty()) {
            ADD_FAILURE() << "no PDF in " << folder;
            return page;
        }
        std::string info;
        RunHost("pdfinfo '" + pdf + "'", &info);
        const size_t at = info.find("Pages:");
        if (at != std::string::npos) page.pages = std::atoi(info.c_str() + at + 6);
        const std::string ppm = scratch.UnixFile("page");
        EXPECT_EQ(RunHost("pdftoppm -r 30 -f 1 -l 1 -singlefile '" + pdf + "' '" + ppm + "'"), 0);
        page.image = ReadPpm(WinPath(ppm + ".ppm"));
        RunHost("rm -f '" + pdf + "'");
        return page;
    }

    // Which quadrant colours the page shows near its four corners and at the quadrants' centres.
    static std::string QuadrantsShown(const Image& page, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                                      uint32_t bottomRight) {
        if (!page.Valid()) return "no page";
        std::string problem;
        auto similar = [](uint32_t a, uint32_t b) {
            return std::abs(R(a) - R(b)) <= 40 && std::abs(G(a) - G(b)) <= 40 && std::abs(B(a) - B(b)) <= 40;
        };
        const int w = page.width, h = page.height;
        struct Spot {
            double fx, fy;
            uint32_t want;
        } spots[] = {{0.03, 0.03, topLeft},    {0.25, 0.25, topLeft},    {0.97, 0.03, topRight},
                     {0.75, 0.25, topRight},   {0.03, 0.97, bottomLeft}, {0.25, 0.75, bottomLeft},
                     {0.97, 0.97, bottomRight}, {0.75, 0.75, bottomRight}};
        for (const Spot& s : spots) {
            const int x = static_cast<int>(s.fx * (w - 1)), y = static_cast<int>(s.fy * (h - 1));
            const uint32_t p = page.At(x, y);
            if (!similar(p, s.want)) {
                char line[80];
                std::snprintf(line, sizeof line, "(%d,%d) is %d,%d,%d; ", x, y, R(p), G(p), B(p));
                problem += line;
            }
        }
        return problem;
    }

    HostedProgram program;
    Scratch scratch;
};

TEST_F(E2EPrint, LandscapePictureIsTurnedAQuarterCounterClockwiseToFillAPortraitPage) {
    const Page page = PrintPicture(Quadrants(300, 200));
    EXPECT_EQ(page.pages, 1);
    ASSERT_TRUE(page.image.Valid());
    EXPECT_GT(page.image.height, page.image.width);
    // Turned counter-clockwise: the picture's top edge runs up the page's left side.
    EXPECT_EQ(QuadrantsShown(page.image, kTopRight, kBottomRight, kTopLeft, kBottomLeft), "");
}

TEST_F(E2EPrint, PortraitPictureIsPrintedAsItIsStretchedOverThePage) {
    const Page page = PrintPicture(Quadrants(200, 300));
    EXPECT_EQ(page.pages, 1);
    ASSERT_TRUE(page.image.Valid());
    EXPECT_GT(page.image.height, page.image.width);
    EXPECT_EQ(QuadrantsShown(page.image, kTopLeft, kTopRight, kBottomLeft, kBottomRight), "");
}

TEST_F(E2EPrint, SquarePictureIsPrintedAsItIs) {
    const Page page = PrintPicture(Quadrants(240, 240));
    EXPECT_EQ(page.pages, 1);
    ASSERT_TRUE(page.image.Valid());
    // Not turned: the top-left quadrant stays at the top left of the page.
    EXPECT_EQ(QuadrantsShown(page.image, kTopLeft, kTopRight, kBottomLeft, kBottomRight), "");
}

TEST_F(E2EPrint, CtrlPPrintsAsThePrintButtonDoes) {
    const Page page = PrintPicture(Quadrants(300, 200), [] {
        INPUT in[4] = {};
        for (INPUT& i : in) i.type = INPUT_KEYBOARD;
        in[0].ki.wVk = VK_CONTROL;
        in[1].ki.wVk = in[2].ki.wVk = 'P';
        in[2].ki.dwFlags = KEYEVENTF_KEYUP;
        in[3].ki.wVk = VK_CONTROL;
        in[3].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(4, in, sizeof(INPUT));
    });
    EXPECT_EQ(page.pages, 1);
    ASSERT_TRUE(page.image.Valid());
    EXPECT_EQ(QuadrantsShown(page.image, kTopRight, kBottomRight, kTopLeft, kBottomLeft), "");
}

TEST_F(E2EPrint, AStraightenedPageFillsThePaperUpright) {
    // A sheet photographed on a desk, straightened (picture menu, 拉正页面 twice), then printed: the
    // page shows paper right into its corners, not the desk around the sheet.
    const testpage::Scene scene = testpage::MakeScene(900, 600, 4);
    CxImage photo(scene.photo);
    std::vector<uint8_t> png;
    ASSERT_TRUE(photo.Encode(png, CXIMAGE_FORMAT_PNG));
    const std::wstring file = scratch.WinFile("desk.png");
    ASSERT_TRUE(WriteBytes(file, std::string(png.begin(), png.end())));
    ASSERT_TRUE(program.Drop(file, 900, 600));
    // From the menu this time: the entry shows the handles, the entry again applies.
    ASSERT_TRUE(ChooseMenuEntry(program.Main(), 2, rg_Zarno_YangLi::kCmdStraightenPage));
    PumpFor(200);
    ASSERT_TRUE(ChooseMenuEntry(program.Main(), 2, rg_Zarno_YangLi::kCmdStraightenPage));
    RECT painter{};
    ASSERT_TRUE(PumpUntil([&] {
        GetClientRect(program.Painter(), &painter);
        return painter.right != 900 || painter.bottom != 600;
    }));
    const Page page = PrintShownPicture();
    EXPECT_EQ(page.pages, 1);
    ASSERT_TRUE(page.image.Valid());
    EXPECT_GT(page.image.height, page.image.width);
    // Paper, near every corner and along the edges' middles.
    const double spots[][2] = {{0.02, 0.02}, {0.98, 0.02}, {0.02, 0.98}, {0.98, 0.98},
                               {0.5, 0.02}, {0.5, 0.98}, {0.02, 0.5}, {0.98, 0.5}};
    for (const auto& s : spots) {
        const uint32_t c = page.image.At(int(s[0] * (page.image.width - 1)), int(s[1] * (page.image.height - 1)));
        EXPECT_GT(G(c), 110) << "at " << s[0] << ", " << s[1];
    }
}

TEST_F(E2EPrint, CancellingTheDialogPrintsNothingAndLeavesThePictureAsItWas) {
    const Image picture = Quadrants(300, 200);
    const std::wstring file = MakePictureFile(scratch, picture, "picture.png");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(program.Drop(file, 300, 200));
    const RECT whole{0, 0, 300, 200};
    ASSERT_EQ(program.WaitShown(300, 200,
                                [&](const Image& shown) {
                                    return Compare(shown, whole,
                                                   [&](int x, int y) { return ColorizeExpect(picture.At(x, y), 1, 1); });
                                }),
              "");
    const Image before = program.Shown(300, 200);
    std::string jobsBefore, jobsAfter;
    ASSERT_EQ(RunHost("lpstat -W all -o PDF | wc -l", &jobsBefore), 0);

    DialogAnswerer answerer(IDCANCEL);
    program.ClickButton(kPrintButton);
    // The click is handled once the dialog was answered and the button's release taken.
    ASSERT_TRUE(PumpUntil([&] { return answerer.Dialogs().size() == 1u && !(GetKeyState(VK_LBUTTON) & 0x8000); }));
    ASSERT_EQ(RunHost("lpstat -W all -o PDF | wc -l", &jobsAfter), 0);
    EXPECT_EQ(jobsAfter, jobsBefore);
    EXPECT_EQ(Compare(program.Shown(300, 200), whole, [&](int x, int y) { return Exactly(before.At(x, y)); }), "");
    EXPECT_TRUE(program.Responsive());
}

}  // namespace
