// The real program hosted in the test process under Wine:
//  - the counters the endurance checks rely on see one more object of each kind;
//  - a slider step rebuilds the working picture from the reference bitmap exactly as a fresh bitmap
//    of the reference picture would (opaque and translucent pictures, with and without selection);
//  - a reduced endurance run (slider steps, drag frames, reloads) keeps GDI objects, USER objects and
//    private memory flat. The full run is the harness app_endurance_bench (scripts/bench.sh).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "bench/support/DocumentPicture.h"
#include "bench/support/Endurance.h"
#include "app/PictureRules.h"
#include "app/ProgramObjects.h"
#include "platform/cximage/include/ximaprepare.h"
#include "testsupport/HostCommand.h"

using namespace benchhost;
using rg_Zarno_YangLi::LightFromSliders;
using rg_Zarno_YangLi::SelectionLimitsAdjustment;
using rg_Zarno_YangLi::SelectionToLibraryRect;

namespace {

using qeltest::Utf8;

// One program per test process: started before the first test of the suite, ended after the last.
class HostedProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // One folder per process: the tests of this file may run as parallel processes.
        folder_ = ScratchFolder((L"photoprint_endurance_test_" + std::to_wstring(GetCurrentProcessId())).c_str());
        host_ = new AppHost();
        started_ = host_->Start();
    }
    static void TearDownTestSuite() {
        if (host_) {
            const int code = host_->Stop();
            EXPECT_EQ(code, 0);
            delete host_;
            host_ = nullptr;
        }
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(folder_.c_str());
    }
    void SetUp() override { ASSERT_TRUE(started_) << "the program did not start"; }

    static AppHost& Host() { return *host_; }
    static std::wstring folder_;

private:
    static AppHost* host_;
    static bool started_;
};
AppHost* HostedProgram::host_ = nullptr;
bool HostedProgram::started_ = false;
std::wstring HostedProgram::folder_;

// What the step would give with a fresh bitmap of the reference picture, the selection and the
// slider's call applied as the handler applies them.
CxImage StepThroughAFreshBitmap(rg_Zarno_YangLi::rg_ZhuChuangKouLei& w, bool hue) {
    CxImage expected;
    HBITMAP fresh = GetReferencePicture().GetImage()->MakeBitmap(nullptr, false);
    expected.CreateFromHBITMAP(fresh, nullptr, false);
    DeleteObject(fresh);
    if (SelectionLimitsAdjustment(w.selection)) {
        const auto r = SelectionToLibraryRect(w.selection, static_cast<int32_t>(expected.GetHeight()));
        expected.SelectionAddRect(CxRect{r.left, r.top, r.right, r.bottom}, 255);
    }
    if (hue) {
        const auto v = static_cast<uint8_t>(w.hueSlider.GetPosition());
        expected.Colorize(v, v, 1.0f);
    } else {
        const auto args = LightFromSliders(static_cast<int32_t>(w.brightnessSlider.GetPosition()),
                                           static_cast<int32_t>(w.contrastSlider.GetPosition()));
        expected.Light(args.brightness, args.contrast);
    }
    return expected;
}

::testing::AssertionResult SamePicture(CxImage& actual, CxImage& expected) {
    if (actual.GetWidth() != expected.GetWidth() || actual.GetHeight() != expected.GetHeight())
        return ::testing::AssertionFailure() << "size " << actual.GetWidth() << "x" << actual.GetHeight() << " vs "
                                             << expected.GetWidth() << "x" << expected.GetHeight();
    if (actual.AlphaIsValid() != expected.AlphaIsValid())
        return ::testing::AssertionFailure() << "alpha " << actual.AlphaIsValid() << " vs " << expected.AlphaIsValid();
    if (actual.SelectionIsValid() != expected.SelectionIsValid())
        return ::testing::AssertionFailure() << "selection " << actual.SelectionIsValid();
    for (uint32_t y = 0; y < actual.GetHeight(); ++y)
        if (std::memcmp(actual.GetRow(y), expected.GetRow(y), size_t(actual.GetWidth()) * 4) != 0)
            return ::testing::AssertionFailure() << "pixels differ in row " << y;
    return ::testing::AssertionSuccess();
}

TEST(Counters, SeeOneMoreObjectOfEachKind) {
    // The first window of a thread brings a helper window of the system (the input method's) that
    // lives as long as the thread has windows: one is kept open meanwhile.
    HWND keeper = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const ProcessCounts before = CountProcess();
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
    HMENU menu = CreatePopupMenu();
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    void* block = VirtualAlloc(nullptr, 8 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const ProcessCounts during = CountProcess();
    EXPECT_EQ(during.gdiObjects, before.gdiObjects + 1);
    EXPECT_EQ(during.userObjects, before.userObjects + 2);
    EXPECT_EQ(during.windows, before.windows + 1);
    EXPECT_GE(during.privateBytes, before.privateBytes + (8 << 20));
    VirtualFree(block, 0, MEM_RELEASE);
    DestroyWindow(window);
    DestroyMenu(menu);
    DeleteObject(bitmap);
    const ProcessCounts after = CountProcess();
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(after.windows, before.windows);
    DestroyWindow(keeper);
    EXPECT_LT(after.privateBytes, during.privateBytes);
}

TEST_F(HostedProgram, StepFromTheReferenceBitmapGivesWhatAFreshBitmapOfTheReferenceGives) {
    // An opaque photograph (BMP), one with translucent pixels (PNG with alpha) and a translucent one
    // of the photograph's size, so that the memory and bitmaps kept from the opaque picture serve it.
    CxImage opaque;
    ASSERT_TRUE(DrawWorksheetPhoto(opaque, 320, 240, 3));
    const std::wstring opaquePath = folder_ + L"\\opaque.bmp";
    ASSERT_TRUE(WriteBytes(Utf8(opaquePath), EncodeBmp24(opaque)));
    CxImage translucent;
    ASSERT_TRUE(translucent.Create(300, 200, true));
    for (uint32_t y = 0; y < 200; ++y)
        for (uint32_t x = 0; x < 300; ++x) {
            uint8_t* p = translucent.GetRow(y) + x * 4;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x + y), p[3] = uint8_t(x < 150 ? 255 : 40 + y);
        }
    std::vector<uint8_t> png;
    ASSERT_TRUE(translucent.Encode(png, CXIMAGE_FORMAT_PNG));
    const std::wstring translucentPath = folder_ + L"\\translucent.png";
    ASSERT_TRUE(WriteBytes(Utf8(translucentPath), png));
    CxImage sameSize;
    ASSERT_TRUE(sameSize.Create(320, 240, true));
    for (uint32_t y = 0; y < 240; ++y)
        for (uint32_t x = 0; x < 320; ++x) {
            uint8_t* p = sameSize.GetRow(y) + x * 4;
            p[0] = uint8_t(x * 3), p[1] = uint8_t(y), p[2] = uint8_t(x ^ y), p[3] = uint8_t(y < 120 ? 90 + x % 100 : 255);
        }
    ASSERT_TRUE(sameSize.Encode(png, CXIMAGE_FORMAT_PNG));
    const std::wstring sameSizePath = folder_ + L"\\translucent_320x240.png";
    ASSERT_TRUE(WriteBytes(Utf8(sameSizePath), png));

    AppHost& host = Host();
    auto& w = host.Window();
    for (const std::wstring& path : {opaquePath, translucentPath, opaquePath, sameSizePath}) {
        SCOPED_TRACE(Utf8(path));
        host.DropFile(path);
        ASSERT_TRUE(w.workingPicture.GetImage()->IsValid());
        host.SliderTo(w.brightnessSlider, 300);
        CxImage expected = StepThroughAFreshBitmap(w, false);
        EXPECT_TRUE(SamePicture(*w.workingPicture.GetImage(), expected)) << "brightness, whole picture";
        host.SliderTo(w.hueSlider, 90);
        expected = StepThroughAFreshBitmap(w, true);
        EXPECT_TRUE(SamePicture(*w.workingPicture.GetImage(), expected)) << "hue, whole picture";
        // A selection dragged from right to left; the press takes a new reference.
        host.LeftDown(200, 30);
        host.MoveWithLeft(60, 150);
        host.LeftUp(40, 160);
        ASSERT_TRUE(SelectionLimitsAdjustment(w.selection));
        host.SliderTo(w.contrastSlider, 330);
        expected = StepThroughAFreshBitmap(w, false);
        EXPECT_TRUE(SamePicture(*w.workingPicture.GetImage(), expected)) << "contrast, selection";
        host.RightDown(5, 5);
        host.SliderTo(w.brightnessSlider, 255);
        expected = StepThroughAFreshBitmap(w, false);
        EXPECT_TRUE(SamePicture(*w.workingPicture.GetImage(), expected)) << "brightness after the right click";
        host.SliderTo(w.contrastSlider, 255);
        host.SliderTo(w.hueSlider, 1);
    }
}

TEST_F(HostedProgram, TheMemoryMadeReadyForADroppedPictureIsAllUsedAndShowsNoOldPixels) {
    // Pictures large enough (7.7 MB of pixels) for their memory to be made ready while they decode:
    // a new size, the other way round, the same again (nothing new needed), then the first again.
    CxImage landscape, portrait;
    ASSERT_TRUE(DrawWorksheetPhoto(landscape, 1600, 1200, 5));
    ASSERT_TRUE(DrawWorksheetPhoto(portrait, 1200, 1600, 6));
    const std::wstring landscapePath = folder_ + L"\\landscape.bmp", portraitPath = folder_ + L"\\portrait.bmp";
    ASSERT_TRUE(WriteBytes(Utf8(landscapePath), EncodeBmp24(landscape)));
    ASSERT_TRUE(WriteBytes(Utf8(portraitPath), EncodeBmp24(portrait)));

    AppHost& host = Host();
    auto& w = host.Window();
    for (const std::wstring& path : {landscapePath, portraitPath, portraitPath, landscapePath}) {
        SCOPED_TRACE(Utf8(path));
        const size_t unused = cximg::PreparedPiecesUnused();
        host.DropFile(path);
        EXPECT_EQ(cximg::PreparedPiecesUnused(), unused) << "every piece made ready was needed";
        EXPECT_EQ(cximg::PreparedPiecesLeft(), 0u);
        ASSERT_TRUE(w.workingPicture.GetImage()->IsValid());
        // The reference taken on the drop holds the file's pixels after the hue pass, not the
        // touched pages of a block made ready for it.
        const CxImage& file = path == landscapePath ? landscape : portrait;
        CxImage expected(file);
        expected.Colorize(static_cast<uint8_t>(w.hueSlider.GetPosition()), static_cast<uint8_t>(w.hueSlider.GetPosition()), 1.0f);
        EXPECT_TRUE(SamePicture(*GetReferencePicture().GetImage(), expected)) << "reference picture";
        host.SliderTo(w.brightnessSlider, 320);
        CxImage stepped = StepThroughAFreshBitmap(w, false);
        EXPECT_TRUE(SamePicture(*w.workingPicture.GetImage(), stepped)) << "brightness step";
        host.SliderTo(w.brightnessSlider, 255);
    }
}

TEST_F(HostedProgram, HandlesAndMemoryStayFlatUnderAReducedEnduranceLoad) {
    const std::vector<std::wstring> files = WriteEnduranceFiles(folder_, 640, 480);
    ASSERT_EQ(files.size(), 2u);
    EnduranceLoad load;
    load.sliderSteps = 3000;
    load.dragFrames = 400;
    load.reloads = 40;
    const EnduranceReport r = RunEndurance(Host(), files, load, stdout);
    std::printf("reduced endurance run: %.1f s\n", r.seconds);
    // Generous bounds: a leak of one object per step, frame or reload shows as hundreds.
    EXPECT_LE(r.end.gdiObjects - r.start.gdiObjects, 2);
    EXPECT_LE(r.end.userObjects - r.start.userObjects, 2);
    EXPECT_LE(r.end.privateBytes - r.start.privateBytes, 8ll << 20) << "private memory grew by more than 8 MB";
    EXPECT_LE(r.peak.gdiObjects - r.start.gdiObjects, 4);
}

}  // namespace
