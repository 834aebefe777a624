// The program hosted in the test process: pictures dropped on the main window (a real HDROP in
// WM_DROPFILES, as the shell sends it) load with the current slider settings, the save button
// writes "已修改_" + base name + ".png" beside the dropped file, and bad input never ends the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/tests/e2e_harness.h"

using namespace e2e;

namespace {

// Expected colour of a loaded pixel: the hue pass with the hue slider's position v (hue v,
// saturation v), then brightness and contrast from their sliders.
ColourRange LoadedExpect(uint32_t source, int hue, int brightness, int contrast) {
    const ColourRange c = ColorizeExpect(source, hue, hue);
    return ColourRange{LightRange(c.r, brightness, contrast), LightRange(c.g, brightness, contrast),
                       LightRange(c.b, brightness, contrast)};
}

// A colour range drawn with coverage `alpha` over white: the colour multiplied by its alpha and
// blended over white, each step rounded by the drawing library in either direction.
Range OverWhite(Range c, int alpha) {
    if (alpha == 255) return c;
    if (alpha == 0) return Range{255, 255};
    const int blendLo = (c.lo * alpha + 255 * (255 - alpha)) / 255 - 1;
    const int blendHi = (c.hi * alpha + 255 * (255 - alpha) + 254) / 255 + 1;
    return Range{std::max(0, blendLo), std::min(255, blendHi)};
}

class E2EFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(FileExists(scratch.Win()));
    }

    // The shown picture of width x height fits the expectation (waits for it).
    std::string ShownFits(int width, int height, const std::function<ColourRange(int, int)>& expect) {
        return program.WaitShown(width, height,
                                 [&](const Image& shown) { return Compare(shown, RECT{0, 0, width, height}, expect); });
    }

    HostedProgram program;
    Scratch scratch;
};

TEST_F(E2EFiles, DroppedJpegPngWithAlphaBmpAndTgaLoadWithTheCurrentSliderSettings) {
    // Settings made before the drops: hue 200, brightness +30, contrast -40.
    const int hue = 200, brightness = 30, contrast = -40;
    ASSERT_EQ(SlideWithKeys(program.Control(kHueSlider), hue), hue);
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 255 + brightness), 255 + brightness);
    ASSERT_EQ(SlideWithKeys(program.Control(kContrastSlider), 255 + contrast), 255 + contrast);

    // JPEG: the expectation starts from the file as WIC decodes it (the compression changes pixels).
    {
        const std::wstring jpeg = MakePictureFile(scratch, PatternPicture(300, 200), "photo.jpg", "-quality 92");
        ASSERT_FALSE(jpeg.empty());
        const Image source = DecodeWithWic(jpeg);
        ASSERT_TRUE(source.Valid());
        ASSERT_TRUE(program.Drop(jpeg, 300, 200));
        EXPECT_EQ(ShownFits(300, 200,
                            [&](int x, int y) { return LoadedExpect(source.At(x, y), hue, brightness, contrast); }),
                  "");
    }
    // PNG with alpha: opaque, fully transparent and half transparent bands, shown over white.
    {
        Image picture = PatternPicture(280, 220);
        auto alphaAt = [](int x) { return x < 90 ? 255 : x < 180 ? 0 : 128; };
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) picture.At(x, y) = (picture.At(x, y) & 0xFFFFFF) | (alphaAt(x) << 24);
        const std::wstring png = MakePictureFile(scratch, picture, "transparent.png");
        ASSERT_FALSE(png.empty());
        ASSERT_TRUE(program.Drop(png, 280, 220));
        EXPECT_EQ(ShownFits(280, 220,
                            [&](int x, int y) {
                                const ColourRange c = LoadedExpect(picture.At(x, y), hue, brightness, contrast);
                                const int a = alphaAt(x);
                                return ColourRange{OverWhite(c.r, a), OverWhite(c.g, a), OverWhite(c.b, a)};
                            }),
                  "");
    }
    // BMP (24 bits, rows from the bottom) under a Chinese name, dropped together with a second
    // file: only the first file of a drop is loaded.
    const Image bmpPicture = PatternPicture(320, 240);
    const Image tgaPicture = PatternPicture(260, 180);
    // ImageMagick writes TGA rows in the order it holds them and marks the file as stored from the
    // bottom: turning the rows over first gives a file that holds the picture the right way up.
    const std::wstring tga = MakePictureFile(scratch, tgaPicture, "scan.tga", "-flip");
    ASSERT_FALSE(tga.empty());
    {
        std::wstring bmp = MakePictureFile(scratch, bmpPicture, "page.bmp", "-alpha off", "BMP3");
        ASSERT_FALSE(bmp.empty());
        const std::wstring chinese = scratch.WinFile("作业 第一页.bmp");
        ASSERT_TRUE(MoveFileW(bmp.c_str(), chinese.c_str()));
        program.PostDrop({chinese, tga});
        ASSERT_TRUE(PumpUntil([&] {
            RECT r{};
            GetClientRect(program.Painter(), &r);
            return r.right == 320 && r.bottom == 240;
        }));
        EXPECT_EQ(ShownFits(320, 240,
                            [&](int x, int y) { return LoadedExpect(bmpPicture.At(x, y), hue, brightness, contrast); }),
                  "");
    }
    // TGA, rows from the bottom, with an upper-case extension. The file is checked with netpbm's
    // reader first, so that the expectation does not rest on the writer alone.
    {
        std::string out;
        ASSERT_EQ(RunHost("tgatoppm '" + scratch.UnixFile("scan.tga") + "' > '" + scratch.UnixFile("scan.ppm") + "'", &out), 0)
            << out;
        const Image reference = ReadPpm(scratch.WinFile("scan.ppm"));
        ASSERT_TRUE(reference.Valid());
        ASSERT_EQ(reference.px, tgaPicture.px) << "the TGA file does not hold the picture";
        const std::wstring upper = scratch.WinFile("SCAN2.TGA");
        ASSERT_TRUE(MoveFileW(tga.c_str(), upper.c_str()));
        ASSERT_TRUE(program.Drop(upper, 260, 180));
        EXPECT_EQ(ShownFits(260, 180,
                            [&](int x, int y) { return LoadedExpect(tgaPicture.At(x, y), hue, brightness, contrast); }),
                  "");
    }
}

TEST_F(E2EFiles, APictureWithTransparencyLooksTheSameAfterOneRedrawAndAfterAHundred) {
    Image picture = PatternPicture(200, 120);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) picture.At(x, y) = (picture.At(x, y) & 0xFFFFFF) | (x < 100 ? 96u << 24 : 200u << 24);
    const std::wstring png = MakePictureFile(scratch, picture, "glass.png");
    ASSERT_FALSE(png.empty());
    ASSERT_TRUE(program.Drop(png, 200, 120));
    const RECT whole{0, 0, 200, 120};
    auto overWhite = [&](int x, int y) {
        const ColourRange c = ColorizeExpect(picture.At(x, y), 1, 1);
        const int a = A(picture.At(x, y));
        return ColourRange{OverWhite(c.r, a), OverWhite(c.g, a), OverWhite(c.b, a)};
    };
    ASSERT_EQ(ShownFits(200, 120, overWhite), "");
    const Image first = program.Shown(200, 120);

    // A hundred repaints of the painter (as when another window passes over it) and slider steps
    // there and back: every frame draws the same picture over the same white.
    for (int i = 0; i < 100; ++i) {
        InvalidateRect(program.Painter(), nullptr, FALSE);
        UpdateWindow(program.Painter());
    }
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 256), 256);
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 255), 255);
    EXPECT_EQ(ShownFits(200, 120, [&](int x, int y) { return Exactly(first.At(x, y)); }), "");
    EXPECT_EQ(Compare(program.Shown(200, 120), whole, overWhite), "");
}

TEST_F(E2EFiles, PicturesLoadByTheirContentWhenTheNameSaysOtherwise) {
    // A PNG with an extension of no picture format, and a BMP named as a JPEG.
    const Image first = PatternPicture(220, 170);
    const std::wstring png = MakePictureFile(scratch, first, "first.png");
    ASSERT_FALSE(png.empty());
    const std::wstring unknown = scratch.WinFile("first.dat");
    ASSERT_TRUE(MoveFileW(png.c_str(), unknown.c_str()));
    ASSERT_TRUE(program.Drop(unknown, 220, 170));
    EXPECT_EQ(ShownFits(220, 170, [&](int x, int y) { return ColorizeExpect(first.At(x, y), 1, 1); }), "");

    const Image second = PatternPicture(180, 230);
    const std::wstring bmp = MakePictureFile(scratch, second, "second.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(bmp.empty());
    const std::wstring misnamed = scratch.WinFile("second.jpg");
    ASSERT_TRUE(MoveFileW(bmp.c_str(), misnamed.c_str()));
    ASSERT_TRUE(program.Drop(misnamed, 180, 230));
    EXPECT_EQ(ShownFits(180, 230, [&](int x, int y) { return ColorizeExpect(second.At(x, y), 1, 1); }), "");
}

// Waits until the file decodes to exactly the shown picture (RGB, opaque); answers what differs.
std::string SavedIsShown(const HostedProgram& program, const std::wstring& path, int width, int height,
                         Image* savedOut = nullptr) {
    std::string problem = "no file";
    PumpUntil(
        [&] {
            if (!FileExists(path)) return false;
            const Image saved = DecodeWithWic(path);
            if (!saved.Valid()) {
                problem = "does not decode";
                return false;
            }
            if (saved.width != width || saved.height != height) {
                problem = "size " + std::to_string(saved.width) + "x" + std::to_string(saved.height);
                return false;
            }
            const Image shown = program.Shown(width, height);
            problem = Compare(shown, RECT{0, 0, width, height}, [&](int x, int y) { return Exactly(saved.At(x, y)); });
            for (uint32_t p : saved.px)
                if (A(p) != 255) problem += "saved alpha below 255; ";
            if (savedOut) *savedOut = saved;
            return problem.empty();
        },
        10000);
    return problem;
}

TEST_F(E2EFiles, SaveWritesTheShownPictureBesideTheDroppedFileAndASecondSaveReplacesIt) {
    std::wstring bmp = MakePictureFile(scratch, PatternPicture(320, 240), "page.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(bmp.empty());
    const std::wstring dropped = scratch.WinFile("作业.bmp");
    ASSERT_TRUE(MoveFileW(bmp.c_str(), dropped.c_str()));
    ASSERT_TRUE(program.Drop(dropped, 320, 240));
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 280), 280);

    const std::wstring target = scratch.WinFile("已修改_作业.png");
    program.ClickButton(kSaveButton);
    Image first;
    EXPECT_EQ(SavedIsShown(program, target, 320, 240, &first), "");

    // Another look, saved again: the same name now holds the new picture, and nothing else was left
    // in the folder.
    ASSERT_EQ(SlideWithKeys(program.Control(kContrastSlider), 200), 200);
    program.ClickButton(kSaveButton);
    Image second;
    EXPECT_EQ(SavedIsShown(program, target, 320, 240, &second), "");
    EXPECT_NE(first.px, second.px);
    EXPECT_EQ(ListFolder(scratch.Win()), (std::vector<std::wstring>{L"作业.bmp", L"已修改_作业.png"}));

    // The base name stops at the first dot of the file name.
    std::wstring dotted = MakePictureFile(scratch, PatternPicture(200, 150), "page.scan.v2.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(dotted.empty());
    ASSERT_TRUE(program.Drop(dotted, 200, 150));
    program.ClickButton(kSaveButton);
    EXPECT_EQ(SavedIsShown(program, scratch.WinFile("已修改_page.png"), 200, 150), "");
}

TEST_F(E2EFiles, ADroppedPathLongerThan259CharactersIsReadWhole) {
    // Nested folders make the path of the dropped file longer than a 260-character buffer holds.
    std::string folder = "deep";
    std::string unixFolder = scratch.UnixFile(folder);
    ASSERT_TRUE(CreateDirectoryW(WinPath(unixFolder).c_str(), nullptr));
    while (WinPath(unixFolder).size() < 300) {
        folder += "/" + std::string(40, 'd');
        unixFolder = scratch.UnixFile(folder);
        ASSERT_TRUE(CreateDirectoryW(WinPath(unixFolder).c_str(), nullptr));
    }
    const Image picture = PatternPicture(200, 150);
    const std::wstring file = MakePictureFile(scratch, picture, folder + "/page.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(file.empty());
    ASSERT_GT(file.size(), 300u);
    ASSERT_TRUE(program.Drop(file, 200, 150));
    EXPECT_EQ(ShownFits(200, 150, [&](int x, int y) { return ColorizeExpect(picture.At(x, y), 1, 1); }), "");
    program.ClickButton(kSaveButton);
    EXPECT_EQ(SavedIsShown(program, WinPath(unixFolder + "/已修改_page.png"), 200, 150), "");
}

// Clicks save and waits until the click has been handled: the button has the focus and the
// button's release has been taken from the queue (the key state follows the messages taken), and
// the loop handles a message completely once it takes it. A save that does not write leaves
// nothing else to wait for.
void ClickSaveAndSettle(HostedProgram& program) {
    program.ClickButton(kSaveButton);
    EXPECT_TRUE(PumpUntil(
        [&] { return GetFocus() == program.Control(kSaveButton) && !(GetKeyState(VK_LBUTTON) & 0x8000); }));
}

TEST_F(E2EFiles, SavingIntoAnUnwritableOrVanishedFolderChangesNothingAndTheProgramGoesOn) {
    // A folder that refuses new entries (immutable, which holds even for root).
    const std::string locked = scratch.UnixFile("locked");
    ASSERT_TRUE(CreateDirectoryW(WinPath(locked).c_str(), nullptr));
    const std::wstring picture = MakePictureFile(scratch, PatternPicture(240, 160), "locked/page.bmp", "-alpha off",
                                                 "BMP3");
    ASSERT_FALSE(picture.empty());
    ASSERT_TRUE(program.Drop(picture, 240, 160));
    const std::wstring target = WinPath(locked + "/已修改_page.png");
    program.ClickButton(kSaveButton);
    ASSERT_EQ(SavedIsShown(program, target, 240, 160), "");
    const std::string before = ReadBytes(target);

    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 300), 300);
    std::string out;
    ASSERT_EQ(RunHost("chattr +i '" + locked + "'", &out), 0) << "cannot make a folder unwritable: " << out;
    ClickSaveAndSettle(program);
    RunHost("chattr -i '" + locked + "'");
    EXPECT_TRUE(ReadBytes(target) == before) << "the file saved before changed";
    EXPECT_EQ(ListFolder(WinPath(locked)), (std::vector<std::wstring>{L"page.bmp", L"已修改_page.png"}));
    EXPECT_TRUE(program.Responsive());

    // A folder that is gone by the time of the save: nothing is created anywhere.
    const std::string gone = scratch.UnixFile("gone");
    ASSERT_TRUE(CreateDirectoryW(WinPath(gone).c_str(), nullptr));
    const std::wstring second = MakePictureFile(scratch, PatternPicture(200, 150), "gone/page.bmp", "-alpha off",
                                                "BMP3");
    ASSERT_FALSE(second.empty());
    ASSERT_TRUE(program.Drop(second, 200, 150));
    ASSERT_TRUE(MoveFileW(WinPath(gone).c_str(), WinPath(gone + "-moved").c_str()));
    const std::vector<std::wstring> scratchBefore = ListFolder(scratch.Win());
    ClickSaveAndSettle(program);
    EXPECT_EQ(ListFolder(scratch.Win()), scratchBefore);
    EXPECT_EQ(ListFolder(WinPath(gone + "-moved")), (std::vector<std::wstring>{L"page.bmp"}));
    EXPECT_TRUE(program.Responsive());

    // The program goes on: a slider move still adjusts the shown picture.
    const Image shown = program.Shown(200, 150);
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 290), 290);
    EXPECT_EQ(program.WaitShown(200, 150, [&](const Image& now) { return now.px != shown.px ? "" : "unchanged"; }), "");
}

// ---- bad input ------------------------------------------------------------------------------------

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string BigEndian(uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
}

std::string PngChunk(const std::string& type, const std::string& data) {
    return BigEndian(static_cast<uint32_t>(data.size())) + type + data + BigEndian(Crc32(type + data));
}

// A well-formed PNG whose header claims 100000 x 100000 pixels, with a few bytes of image data.
std::string HugePng() {
    std::string header = BigEndian(100000) + BigEndian(100000);
    header += std::string{8, 2, 0, 0, 0};  // 8 bits, RGB, deflate, standard filters, no interlace
    // A zlib stream of one stored block with 16 zero bytes.
    std::string zlib{0x78, 0x01, 0x01, 0x10, 0x00, static_cast<char>(0xEF), static_cast<char>(0xFF)};
    zlib += std::string(16, '\0');
    zlib += BigEndian(0x00100001);  // Adler-32 of 16 zero bytes
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", zlib) +
           PngChunk("IEND", "");
}

struct BadInput {
    const char* name;
    friend void PrintTo(const BadInput& input, std::ostream* os) { *os << input.name; }
    // Makes the bad input and answers the path to drop; `afterPost` runs after the drop message is
    // posted and before it is handled.
    std::function<std::wstring(const Scratch&)> make;
    std::function<void(const std::wstring&)> afterPost;
    // The reason the message gives.
    const wchar_t* reason;
};

class E2EBadInput : public E2EFiles, public ::testing::WithParamInterface<BadInput> {};

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

TEST_P(E2EBadInput, ChangesNothingAndTellsTheUserWhyInOneMessage) {
    // A known picture, brightened by a slider step, so that a second hue pass or a reference taken
    // from the adjusted picture would both show.
    const Image picture = PatternPicture(240, 180);
    const std::wstring good = MakePictureFile(scratch, picture, "good.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(good.empty());
    ASSERT_TRUE(program.Drop(good, 240, 180));
    ASSERT_EQ(ShownFits(240, 180, [&](int x, int y) { return ColorizeExpect(picture.At(x, y), 1, 1); }), "");
    const Image reference = program.Shown(240, 180);
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 275), 275);
    ASSERT_EQ(ShownFits(240, 180, [&](int x, int y) { return LightExpect(reference.At(x, y), 20, 0); }), "");
    const Image before = program.Shown(240, 180);

    DialogAnswerer answerer;
    const std::wstring bad = GetParam().make(scratch);
    ASSERT_FALSE(bad.empty());
    program.PostDrop({bad});
    if (GetParam().afterPost) GetParam().afterPost(bad);
    ASSERT_TRUE(program.WaitDropsHandled());
    ASSERT_TRUE(PumpUntil([&] { return answerer.Dialogs().size() == 1u && answerer.Open() == 0; }));

    // One message, owned by the main window, naming the file and the reason.
    ASSERT_EQ(answerer.Dialogs().size(), 1u);
    const DialogAnswerer::Seen& box = answerer.Dialogs()[0];
    EXPECT_EQ(box.owner, program.Main());
    EXPECT_EQ(box.title, L"Ferovel V1.3  Osk");
    EXPECT_NE(box.text.find(L"“" + FileName(bad) + L"”"), std::wstring::npos) << Utf8(box.text);
    EXPECT_NE(box.text.find(GetParam().reason), std::wstring::npos) << Utf8(box.text);

    ASSERT_TRUE(IsWindow(program.Main()));
    EXPECT_TRUE(program.Responsive());
    // The picture, its size and its look are exactly as before the drop.
    RECT painter{};
    GetClientRect(program.Painter(), &painter);
    EXPECT_EQ(painter.right, 240);
    EXPECT_EQ(painter.bottom, 180);
    EXPECT_EQ(Compare(program.Shown(240, 180), RECT{0, 0, 240, 180}, [&](int x, int y) { return Exactly(before.At(x, y)); }),
              "");

    // The reference is the one taken when the good file loaded: the next slider step adjusts it,
    // not the picture on the screen.
    ASSERT_EQ(SlideWithKeys(program.Control(kBrightnessSlider), 265), 265);
    EXPECT_EQ(ShownFits(240, 180, [&](int x, int y) { return LightExpect(reference.At(x, y), 10, 0); }), "");

    // Saving writes under the name of the file that loaded, never under the bad file's name.
    program.ClickButton(kSaveButton);
    EXPECT_TRUE(PumpUntil([&] { return FileExists(scratch.WinFile("已修改_good.png")); }));
    const std::wstring badBase = FileName(bad).substr(0, FileName(bad).find(L'.'));
    EXPECT_FALSE(FileExists(scratch.WinFile("已修改_" + Utf8(badBase) + ".png")));
}

const BadInput kBadInputs[] = {
    {"ZeroByteFile", [](const Scratch& s) { return WriteBytes(s.WinFile("empty.jpg"), "") ? s.WinFile("empty.jpg") : L""; },
     nullptr, L"文件已损坏或不完整"},
    {"RandomBytesNamedJpg",
     [](const Scratch& s) {
         std::string bytes;
         uint32_t state = 12345;
         for (int i = 0; i < 5000; ++i) {
             state = state * 1103515245u + 12345u;
             bytes.push_back(static_cast<char>(state >> 24));
         }
         return WriteBytes(s.WinFile("noise.jpg"), bytes) ? s.WinFile("noise.jpg") : L"";
     },
     nullptr, L"不支持的图片格式"},
    {"TruncatedPng",
     [](const Scratch& s) {
         const std::wstring full = MakePictureFile(s, PatternPicture(320, 240), "full.png");
         const std::string bytes = ReadBytes(full);
         if (bytes.size() < 1000) return std::wstring();
         return WriteBytes(s.WinFile("cut.png"), bytes.substr(0, bytes.size() / 2)) ? s.WinFile("cut.png") : L"";
     },
     nullptr, L"文件已损坏或不完整"},
    {"Folder",
     [](const Scratch& s) {
         return CreateDirectoryW(s.WinFile("folder.png").c_str(), nullptr) ? s.WinFile("folder.png") : L"";
     },
     nullptr, L"无法读取文件"},
    {"PngClaiming100000x100000Pixels",
     [](const Scratch& s) { return WriteBytes(s.WinFile("huge.png"), HugePng()) ? s.WinFile("huge.png") : L""; },
     nullptr, L"图片太大"},
    {"FileGoneBeforeTheLoad",
     [](const Scratch& s) { return MakePictureFile(s, PatternPicture(100, 80), "vanishing.bmp", "-alpha off", "BMP3"); },
     [](const std::wstring& path) { DeleteFileW(path.c_str()); }, L"无法读取文件"},
};

INSTANTIATE_TEST_SUITE_P(Inputs, E2EBadInput, ::testing::ValuesIn(kBadInputs),
                         [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

TEST_F(E2EFiles, SeveralBadDropsInARowShowOneMessageAtATime) {
    const Image picture = PatternPicture(200, 150);
    const std::wstring good = MakePictureFile(scratch, picture, "good.bmp", "-alpha off", "BMP3");
    ASSERT_FALSE(good.empty());
    ASSERT_TRUE(program.Drop(good, 200, 150));
    const Image before = program.Shown(200, 150);
    ASSERT_TRUE(WriteBytes(scratch.WinFile("a.png"), "not a picture"));
    ASSERT_TRUE(WriteBytes(scratch.WinFile("b.png"), "not a picture either"));
    ASSERT_TRUE(WriteBytes(scratch.WinFile("c.png"), ""));

    // Three drops wait in the queue when the first is handled: the first message is answered
    // before any other appears, and never two are open at once.
    DialogAnswerer answerer;
    program.PostDrop({scratch.WinFile("a.png")});
    program.PostDrop({scratch.WinFile("b.png")});
    program.PostDrop({scratch.WinFile("c.png")});
    ASSERT_TRUE(program.WaitDropsHandled());
    ASSERT_TRUE(PumpUntil([&] { return answerer.Open() == 0 && !answerer.Dialogs().empty(); }));
    EXPECT_EQ(answerer.MostOpenAtOnce(), 1);
    EXPECT_GE(answerer.Dialogs().size(), 1u);
    EXPECT_EQ(answerer.Dialogs()[0].text, L"无法打开“a.png”。\n不支持的图片格式。");
    EXPECT_EQ(Compare(program.Shown(200, 150), RECT{0, 0, 200, 150}, [&](int x, int y) { return Exactly(before.At(x, y)); }),
              "");
    EXPECT_TRUE(program.Responsive());
}

}  // namespace
