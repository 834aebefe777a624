// The program hosted in the test process, driven through its menu bar with real input (menu clicks,
// shortcut keys, the wheel, the system's file dialogs answered by class and control id): the whole
// photo in the window, zoom and scrolling, a selection dragged on a shrunk view, quarter turns,
// opening and saving through the dialogs, and the settings kept between runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "app/MainMenu.h"
#include "app/Settings.h"
#include "app/tests/e2e_harness.h"

using namespace e2e;
using namespace rg_Zarno_YangLi;

namespace {

constexpr int kClientW = 967, kClientH = 790;
// The part of the client area where the picture shows.
constexpr int kAreaW = kClientW - kPictureX, kAreaH = kClientH - kPictureY;

// ---- input -----------------------------------------------------------------------------------------

// Answers the next file dialog ("#32770" with the file name box, control 0x47C or 0x480) from a
// helper thread: records the name it proposes, types `path` into the box and presses OK, or
// cancels when path is empty.
class FileDialogAnswer {
public:
    explicit FileDialogAnswer(std::wstring path) : path_(std::move(path)) {
        worker_ = std::thread([this] { Run(); });
    }
    ~FileDialogAnswer() {
        stop_ = true;
        worker_.join();
    }
    bool Answered() const { return answered_.load(); }
    const std::wstring& ProposedName() const { return proposed_; }

private:
    static HWND NameBox(HWND dialog) {
        if (HWND combo = GetDlgItem(dialog, 0x47C)) {
            if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr)) return edit;
            return combo;
        }
        return GetDlgItem(dialog, 0x480);
    }
    void Run() {
        while (!stop_) {
            HWND dialog = FindProcessWindow(L"#32770");
            HWND box = dialog ? NameBox(dialog) : nullptr;
            if (box) {
                Sleep(200);  // let the dialog finish filling itself
                wchar_t text[MAX_PATH] = {};
                SendMessageW(box, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(text));
                proposed_ = text;
                if (path_.empty()) {
                    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                } else {
                    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
                    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
                }
                answered_ = true;
                return;
            }
            Sleep(30);
        }
    }
    std::wstring path_;
    std::wstring proposed_;
    std::atomic<bool> stop_{false}, answered_{false};
    std::thread worker_;
};

// ---- pictures --------------------------------------------------------------------------------------

// The picture after the hue pass of loading (hue 1, saturation 1): what every view starts from.
Image Colourised(const Image& picture) {
    Image out = picture;
    for (uint32_t& p : out.px) p = ColorizeExact(p, 1, 1);
    return out;
}

// The area mean of the picture under view pixel (vx, vy) at the scale, in doubles.
uint32_t AreaMean(const Image& p, double scale, int vx, int vy) {
    const double x0 = vx / scale, x1 = std::min<double>(p.width, (vx + 1) / scale);
    const double y0 = vy / scale, y1 = std::min<double>(p.height, (vy + 1) / scale);
    double sum[3] = {}, area = 0;
    for (int y = int(y0); y < int(std::ceil(y1)); ++y) {
        const double h = std::min<double>(y1, y + 1) - std::max<double>(y0, y);
        for (int x = int(x0); x < int(std::ceil(x1)); ++x) {
            const double w = (std::min<double>(x1, x + 1) - std::max<double>(x0, x)) * h;
            const uint32_t c = p.At(x, y);
            sum[0] += w * R(c), sum[1] += w * G(c), sum[2] += w * B(c);
            area += w;
        }
    }
    return Rgb(int(std::lround(sum[0] / area)), int(std::lround(sum[1] / area)), int(std::lround(sum[2] / area)));
}

// A pixel of the loaded picture as the program shows it after the hue pass and a brightness step
// (the library may round the hue pass either way by one).
ColourRange Loaded(uint32_t raw, int brightness = 0) {
    const ColourRange c = ColorizeExpect(raw, 1, 1);
    if (brightness == 0) return c;
    return ColourRange{LightRange(c.r, brightness, 0), LightRange(c.g, brightness, 0), LightRange(c.b, brightness, 0)};
}

ColourRange Within(uint32_t c, int tolerance) {
    auto range = [&](int v) { return Range{std::max(0, v - tolerance), std::min(255, v + tolerance)}; };
    return ColourRange{range(R(c)), range(G(c)), range(B(c))};
}

SIZE PainterSize(HWND painter) {
    RECT r{};
    GetClientRect(painter, &r);
    return SIZE{r.right, r.bottom};
}

bool PainterHasSize(HWND painter, int w, int h) {
    return PumpUntil([&] {
        const SIZE s = PainterSize(painter);
        return s.cx == w && s.cy == h;
    });
}

void ForgetSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

// ---- fixture ---------------------------------------------------------------------------------------

class E2EView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ForgetSettings();
        scratch_ = new Scratch;
        big_ = new Image(PatternPicture(4000, 3000));
        bigFile_ = new std::wstring(MakePictureFile(*scratch_, *big_, "photo.png"));
    }
    static void TearDownTestSuite() {
        delete big_;
        delete bigFile_;
        delete scratch_;  // removes the folder with the pictures and the files saved in it
        big_ = nullptr;
        bigFile_ = nullptr;
        scratch_ = nullptr;
        ForgetSettings();
    }
    // The program writes the settings the user changed when its window goes: end it before the
    // settings are forgotten, so the next test starts as a first run.
    void TearDown() override {
        program_.reset();
        ForgetSettings();
    }

    // Starts the program and drops the 4000 x 3000 photo; the plain view shows it 1:1.
    void StartWithBigPhoto() {
        program_ = std::make_unique<HostedProgram>();
        ASSERT_TRUE(program_->Started());
        ASSERT_FALSE(bigFile_->empty());
        ASSERT_TRUE(program_->Drop(*bigFile_, 4000, 3000));
    }
    HWND Main() const { return program_->Main(); }
    HWND Painter() const { return program_->Painter(); }

    static Scratch* scratch_;
    static Image* big_;
    static std::wstring* bigFile_;
    std::unique_ptr<HostedProgram> program_;
};
Scratch* E2EView::scratch_ = nullptr;
Image* E2EView::big_ = nullptr;
std::wstring* E2EView::bigFile_ = nullptr;

// The fit scale of the 4000 x 3000 photo in the design-size window, and the painter it gives.
const double kFitScale = std::min(double(kAreaW) / 4000, double(kAreaH) / 3000);
const int kFitW = int(std::ceil(4000 * kFitScale - 1e-9)), kFitH = int(std::ceil(3000 * kFitScale - 1e-9));

TEST_F(E2EView, TheMenuBarSitsAboveAnUnchangedClientAreaWithItsEntriesAndKeys) {
    HostedProgram program;
    ASSERT_TRUE(program.Started());
    HMENU bar = GetMenu(program.Main());
    ASSERT_NE(bar, nullptr);
    RECT client{};
    GetClientRect(program.Main(), &client);
    EXPECT_EQ(client.right, kClientW);
    EXPECT_EQ(client.bottom, kClientH);
    const wchar_t* titles[] = {L"文件(&F)", L"视图(&V)", L"图片(&I)", L"帮助(&H)"};
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    for (int i = 0; i < 4; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, titles[i]);
    }
    auto caption = [&](UINT id) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, id, text, 64, MF_BYCOMMAND);
        return std::wstring(text);
    };
    EXPECT_EQ(caption(kCmdOpen), L"打开(&O)…\tCtrl+O");
    EXPECT_EQ(caption(kCmdSaveAs), L"另存为(&A)…\tCtrl+Shift+S");
    EXPECT_EQ(caption(kCmdFitWindow), L"适合窗口\tCtrl+0");
    EXPECT_EQ(caption(kCmdZoomIn), L"放大\tCtrl+=");
    EXPECT_EQ(caption(kCmdRotateRight), L"向右旋转\tCtrl+R");
    EXPECT_EQ(caption(kCmdRestoreOriginal), L"恢复原图");
    // The controls keep their places under the menu bar.
    const RECT slider = RectInParent(program.Control(kBrightnessSlider));
    EXPECT_EQ(slider.left, ControlPlaceOf(kBrightnessSliderId).x);
    EXPECT_EQ(slider.top, ControlPlaceOf(kBrightnessSliderId).y);
}

TEST_F(E2EView, FitChosenFromTheMenuShowsTheWholePhotoAsItsAreaAverage) {
    StartWithBigPhoto();
    ASSERT_TRUE(ChooseMenuEntry(Main(), 1, kCmdFitWindow));
    ASSERT_TRUE(PainterHasSize(Painter(), kFitW, kFitH)) << PainterSize(Painter()).cx << "x" << PainterSize(Painter()).cy;
    const Image picture = Colourised(*big_);
    const std::string problem = program_->WaitShown(kFitW, kFitH, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, kFitW, kFitH},
                       [&](int x, int y) { return Within(AreaMean(picture, kFitScale, x, y), 2); });
    });
    EXPECT_EQ(problem, "");
}

TEST_F(E2EView, ARectangleDraggedAtFitLimitsTheStepToThePicturePixelsUnderIt) {
    StartWithBigPhoto();
    PressShortcut({VK_CONTROL}, '0');
    ASSERT_TRUE(PainterHasSize(Painter(), kFitW, kFitH));
    // Drag from painter (100, 80) to (400, 300), then one brightness step of +40.
    MouseMoveClient(Painter(), 100, 80);
    MouseButton(true, true);
    MouseMoveClient(Painter(), 250, 200);
    MouseMoveClient(Painter(), 400, 300);
    MouseButton(true, false);
    const int reached = SlideWithKeys(program_->Control(kBrightnessSlider), 255 + 40);
    ASSERT_EQ(reached, 295);
    PressShortcut({VK_CONTROL}, 'S');
    const std::wstring saved = scratch_->WinFile("已修改_photo.png");
    ASSERT_TRUE(PumpUntil([&] { return FileExists(saved); }));
    PumpFor(200);
    const Image file = DecodeWithWic(saved);
    ASSERT_EQ(file.width, 4000);
    ASSERT_EQ(file.height, 3000);
    // Picture pixels under the dragged screen pixels; a screen pixel spans 1 / scale picture pixels,
    // so the edges may fall anywhere within that span.
    const double span = 1.0 / kFitScale;
    const int l = int(100 * span), t = int(80 * span), r = int(400 * span), b = int(300 * span);
    const int slack = int(std::ceil(span)) + 1;
    int wrong = 0, checked = 0;
    for (int y = 0; y < 3000; y += 3) {
        for (int x = 0; x < 4000; x += 3) {
            const bool nearEdge = (std::abs(x - l) <= slack || std::abs(x - r) <= slack) && y >= t - slack && y <= b + slack;
            const bool nearEdgeY = (std::abs(y - t) <= slack || std::abs(y - b) <= slack) && x >= l - slack && x <= r + slack;
            if (nearEdge || nearEdgeY) continue;
            const bool inside = x > l && x < r && y > t && y < b;
            const ColourRange want = Loaded(big_->At(x, y), inside ? 40 : 0);
            ++checked;
            if (!want.Contains(file.At(x, y))) ++wrong;
        }
    }
    EXPECT_GT(checked, 1000000);
    EXPECT_EQ(wrong, 0);
}

TEST_F(E2EView, ZoomAndTheWheelReachTheBottomRightCorner) {
    StartWithBigPhoto();
    const Image picture = Colourised(*big_);
    // At actual size the view is the visible area; wheel down and Shift+wheel to the far corner.
    PressShortcut({VK_CONTROL}, '1');
    ASSERT_TRUE(PainterHasSize(Painter(), kAreaW, kAreaH));
    WheelOverPicture(Painter(), 300, 300, -120 * 40);
    WheelOverPicture(Painter(), 300, 300, -120 * 40, {VK_SHIFT});
    auto cornerShows = [&](double scale, int w, int h) {
        return program_->WaitShown(w, h, [&](const Image& shown) {
            // The view's last pixel shows the picture's last pixels.
            const int ox = int(std::ceil(4000 * scale - 1e-9)) - w, oy = int(std::ceil(3000 * scale - 1e-9)) - h;
            return Compare(shown, RECT{w - 40, h - 40, w, h}, [&](int x, int y) {
                if (scale == 1.0) return Loaded(big_->At(ox + x, oy + y));
                return Within(AreaMean(picture, scale, ox + x, oy + y), 2);
            });
        });
    };
    EXPECT_EQ(cornerShows(1.0, kAreaW, kAreaH), "");
    // Two zoom steps out from the menu keys, then the wheel again: still reaches the corner.
    PressShortcut({VK_CONTROL}, VK_OEM_MINUS);
    PressShortcut({VK_CONTROL}, VK_OEM_MINUS);
    WheelOverPicture(Painter(), 200, 200, -120 * 40);
    WheelOverPicture(Painter(), 200, 200, 120 * 40, {}, true);
    EXPECT_EQ(cornerShows(0.64, kAreaW, kAreaH), "");
    // Ctrl+wheel zooms in about the pointer, Ctrl+= once more; the wheel still reaches the corner.
    WheelOverPicture(Painter(), 200, 200, 120, {VK_CONTROL});
    PressShortcut({VK_CONTROL}, VK_OEM_PLUS);
    WheelOverPicture(Painter(), 200, 200, -120 * 80);
    WheelOverPicture(Painter(), 200, 200, -120 * 80, {VK_SHIFT});
    EXPECT_EQ(cornerShows(1.0, kAreaW, kAreaH), "");
}

TEST_F(E2EView, TurningLeftThenRightGivesBackTheSamePixels) {
    HostedProgram program;
    ASSERT_TRUE(program.Started());
    const Image pattern = PatternPicture(300, 200);
    const std::wstring file = MakePictureFile(*scratch_, pattern, "turn.png");
    ASSERT_TRUE(program.Drop(file, 300, 200));
    PressShortcut({VK_CONTROL}, 'L');
    ASSERT_TRUE(PainterHasSize(program.Painter(), 200, 300));
    // A quarter turn to the left: the top row becomes the left column, read upwards.
    EXPECT_EQ(program.WaitShown(200, 300, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, 200, 300}, [&](int x, int y) { return Loaded(pattern.At(299 - y, x)); });
    }), "");
    PressShortcut({VK_CONTROL}, 'R');
    ASSERT_TRUE(PainterHasSize(program.Painter(), 300, 200));
    EXPECT_EQ(program.WaitShown(300, 200, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, 300, 200}, [&](int x, int y) { return Loaded(pattern.At(x, y)); });
    }), "");
    // The sliders act on the turned picture, and Restore brings the photo back upright with them.
    PressShortcut({VK_CONTROL}, 'R');
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 255 + 30), 285);
    EXPECT_EQ(program.WaitShown(200, 300, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, 200, 300},
                       // A quarter turn to the right: the top row becomes the right column.
                       [&](int x, int y) { return Loaded(pattern.At(y, 199 - x), 30); });
    }), "");
    ASSERT_TRUE(ChooseMenuEntry(program.Main(), 2, kCmdRestoreOriginal));
    ASSERT_TRUE(PainterHasSize(program.Painter(), 300, 200));
    EXPECT_EQ(program.WaitShown(300, 200, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, 300, 200}, [&](int x, int y) { return Loaded(pattern.At(x, y), 30); });
    }), "");
}

TEST_F(E2EView, OpenAndSaveAsGoThroughTheSystemDialogs) {
    HostedProgram program;
    ASSERT_TRUE(program.Started());
    const Image pattern = PatternPicture(320, 240);
    const std::wstring file = MakePictureFile(*scratch_, pattern, "opened.bmp");
    {
        FileDialogAnswer answer(file);
        PressShortcut({VK_CONTROL}, 'O');
        ASSERT_TRUE(PumpUntil([&] { return answer.Answered(); }));
    }
    ASSERT_TRUE(PainterHasSize(program.Painter(), 320, 240));
    const Image picture = Colourised(pattern);
    EXPECT_EQ(program.WaitShown(320, 240, [&](const Image& shown) {
        return Compare(shown, RECT{0, 0, 320, 240}, [&](int x, int y) { return Loaded(pattern.At(x, y)); });
    }), "");

    // Save As proposes the save button's name; PNG where the dialog says.
    const std::wstring png = scratch_->WinFile("chosen.png");
    {
        FileDialogAnswer answer(png);
        PressShortcut({VK_CONTROL, VK_SHIFT}, 'S');
        ASSERT_TRUE(PumpUntil([&] { return answer.Answered(); }));
        EXPECT_EQ(answer.ProposedName(), L"已修改_opened.png");
    }
    ASSERT_TRUE(PumpUntil([&] { return FileExists(png); }));
    PumpFor(200);
    const Image savedPng = DecodeWithWic(png);
    ASSERT_EQ(savedPng.width, 320);
    EXPECT_EQ(Compare(savedPng, RECT{0, 0, 320, 240}, [&](int x, int y) { return Loaded(pattern.At(x, y)); }), "");

    // JPEG: a real JPEG file whose pixels are close to the picture's.
    const std::wstring jpg = scratch_->WinFile("chosen.jpg");
    {
        FileDialogAnswer answer(jpg);
        ASSERT_TRUE(ChooseMenuEntry(program.Main(), 0, kCmdSaveAs));
        ASSERT_TRUE(PumpUntil([&] { return answer.Answered(); }));
    }
    ASSERT_TRUE(PumpUntil([&] { return FileExists(jpg); }));
    PumpFor(200);
    const std::string bytes = ReadBytes(jpg);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xD8);
    const Image savedJpg = DecodeWithWic(jpg);
    ASSERT_EQ(savedJpg.width, 320);
    double error = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) error += std::abs(G(savedJpg.At(x, y)) - G(picture.At(x, y)));
    EXPECT_LT(error / (320 * 240), 4.0);

    // A cancelled dialog writes nothing.
    const auto before = ListFolder(scratch_->Win());
    {
        FileDialogAnswer answer(L"");
        PressShortcut({VK_CONTROL, VK_SHIFT}, 'S');
        ASSERT_TRUE(PumpUntil([&] { return answer.Answered(); }));
    }
    PumpFor(300);
    EXPECT_EQ(ListFolder(scratch_->Win()), before);
}

TEST_F(E2EView, AboutNamesTheProgramItsVersionAndLicenceAndExitCloses) {
    HostedProgram program;
    ASSERT_TRUE(program.Started());
    {
        DialogAnswerer answer(IDOK);
        ASSERT_TRUE(ChooseMenuEntry(program.Main(), 3, kCmdAbout));
        ASSERT_TRUE(PumpUntil([&] { return !answer.Dialogs().empty() && answer.Open() == 0; }));
        ASSERT_EQ(answer.Dialogs().size(), 1u);
        EXPECT_EQ(answer.Dialogs()[0].title, L"关于");
        EXPECT_NE(answer.Dialogs()[0].text.find(L"Ferovel photo print 1.3.0"), std::wstring::npos);
        EXPECT_NE(answer.Dialogs()[0].text.find(L"MIT"), std::wstring::npos);
    }
    const HWND main = program.Main();
    ASSERT_TRUE(ChooseMenuEntry(main, 0, kCmdExit));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(main); }));
}

TEST_F(E2EView, TheViewModeAndPlacementSurviveARestartAndDamagedValuesDoNot) {
    const RECT moved{60, 40, 60 + 700, 40 + 560};
    {
        HostedProgram program;
        ASSERT_TRUE(program.Started());
        // The first run starts as always: the sample in the plain view, the window centred.
        EXPECT_TRUE(PainterHasSize(program.Painter(), 536, 280));
        PressShortcut({VK_CONTROL}, '0');
        MoveWindow(program.Main(), moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
        PumpFor(100);
    }
    RECT client{};
    {
        HostedProgram program;
        ASSERT_TRUE(program.Started());
        RECT window{};
        GetWindowRect(program.Main(), &window);
        EXPECT_EQ(window.left, moved.left);
        EXPECT_EQ(window.top, moved.top);
        EXPECT_EQ(window.right, moved.right);
        EXPECT_EQ(window.bottom, moved.bottom);
        // Fit: the 608 x 406 sample shrunk into the smaller window's picture area.
        GetClientRect(program.Main(), &client);
        const double scale = std::min({1.0, double(client.right - kPictureX) / 608, double(client.bottom - kPictureY) / 406});
        EXPECT_TRUE(PainterHasSize(program.Painter(), int(std::ceil(608 * scale - 1e-9)), int(std::ceil(406 * scale - 1e-9))))
            << PainterSize(program.Painter()).cx << "x" << PainterSize(program.Painter()).cy;
    }
    // Damaged values: a text where a number belongs, a placement of the wrong length.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, kViewModeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"fit"), 8);
    const BYTE shortPlacement[3] = {1, 2, 3};
    RegSetValueExW(key, kPlacementValue, 0, REG_BINARY, shortPlacement, 3);
    RegCloseKey(key);
    {
        HostedProgram program;
        ASSERT_TRUE(program.Started());
        GetClientRect(program.Main(), &client);
        EXPECT_EQ(client.right, kClientW);
        EXPECT_EQ(client.bottom, kClientH);
        EXPECT_TRUE(PainterHasSize(program.Painter(), 536, 280));
    }
}

}  // namespace
