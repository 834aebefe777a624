// The application's rules: save path, safe replacement of the saved file, selection clamping and
// the selection's conversion to bottom-up rows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "PictureRules.h"

using namespace rg_Zarno_YangLi;
using rg_Zarno_JiBen::rg_JuXingLei;

namespace {

std::wstring SavePathOf(const wchar_t* dropped) {
    CWString p;
    p.Append(dropped);
    return BuildSavePath(p).GetText();
}

TEST(SavePath, FollowsTheFolderBaseNameRule) {
    EXPECT_EQ(SavePathOf(L"C:\\照片\\作业.jpg"), L"C:\\照片\\已修改_作业.png");
    EXPECT_EQ(SavePathOf(L"C:\\a.b.jpg"), L"C:\\\\已修改_a.png");
    EXPECT_EQ(SavePathOf(L"D:\\scans\\page"), L"D:\\scans\\已修改_.png");
    EXPECT_EQ(SavePathOf(L""), L"\\已修改_.png");
    EXPECT_EQ(SavePathOf(L"scans\\page.jpg"), L"\\已修改_page.png");
    EXPECT_EQ(SavePathOf(L"\\\\server\\share\\doc.tif"), L"\\\\server\\share\\已修改_doc.png");
    EXPECT_EQ(SavePathOf(L"\\doc.tif"), L"\\\\已修改_doc.png");
    EXPECT_EQ(SavePathOf(L"C:\\dir.v2\\.hidden"), L"C:\\dir.v2\\已修改_.png");
}

TEST(SavePath, LongPathsAreKeptWhole) {
    std::wstring folder = L"C:\\";
    for (int i = 0; i < 40; ++i) folder += L"verylongfolder\\";
    EXPECT_EQ(SavePathOf((folder + L"page.jpg").c_str()), folder + L"已修改_page.png");
}

class SafeWrite : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        dir = std::wstring(base) + L"safe_write_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(dir.c_str(), nullptr);
        target.Append((dir + L"\\已修改_page.png").c_str());
    }
    void TearDown() override {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(dir.c_str());
    }
    std::vector<uint8_t> Read() {
        std::vector<uint8_t> out;
        FILE* f = _wfopen(target.GetText(), L"rb");
        if (!f) return out;
        uint8_t buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
        fclose(f);
        return out;
    }
    int FilesInFolder() {
        int count = 0;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return 0;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        return count;
    }
    std::wstring dir;
    CWString target;
};

TEST_F(SafeWrite, WritesAndReplacesAnExistingFileLeavingNoTemporary) {
    std::vector<uint8_t> first(1000, 0x11), second(300000, 0x22);
    ASSERT_TRUE(WriteFileReplacing(target, first.data(), static_cast<int64_t>(first.size())));
    EXPECT_EQ(Read(), first);
    ASSERT_TRUE(WriteFileReplacing(target, second.data(), static_cast<int64_t>(second.size())));
    EXPECT_EQ(Read(), second);
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(SafeWrite, EmptyBufferWritesNothingAndKeepsTheOldFile) {
    std::vector<uint8_t> good(64, 0x5A);
    ASSERT_TRUE(WriteFileReplacing(target, good.data(), 64));
    EXPECT_FALSE(WriteFileReplacing(target, nullptr, 0));
    EXPECT_FALSE(WriteFileReplacing(target, good.data(), 0));
    EXPECT_EQ(Read(), good);
}

TEST_F(SafeWrite, MissingFolderFailsWithoutCreatingAnything) {
    CWString bad;
    bad.Append((dir + L"\\no such folder\\已修改_x.png").c_str());
    uint8_t byte = 1;
    EXPECT_FALSE(WriteFileReplacing(bad, &byte, 1));
    EXPECT_EQ(FilesInFolder(), 0);
}

TEST_F(SafeWrite, ReadOnlyTargetIsNotReplacedAndTheTemporaryIsRemoved) {
    std::vector<uint8_t> good(10, 7), next(20, 9);
    ASSERT_TRUE(WriteFileReplacing(target, good.data(), 10));
    SetFileAttributesW(target.GetText(), FILE_ATTRIBUTE_READONLY);
    const bool replaced = WriteFileReplacing(target, next.data(), 20);
    SetFileAttributesW(target.GetText(), FILE_ATTRIBUTE_NORMAL);
    // Whatever the file system allows, the target holds one complete version and nothing is left over.
    EXPECT_EQ(Read(), replaced ? next : good);
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST(SelectionRules, MoveClampsToTheLastPixelAndReleaseOneFurtherInside) {
    // Dragging from inside past the right edge of a 608-pixel-wide picture.
    EXPECT_EQ(ClampEdgeWhileMoving(700, 608), 607);
    EXPECT_EQ(ClampEdgeOnRelease(700, 608), 606);
    // Past the left edge while captured: the unsigned 16-bit position arrives above 60000.
    EXPECT_EQ(ClampEdgeWhileMoving(65531, 608), 0);
    EXPECT_EQ(ClampEdgeOnRelease(65531, 608), 1);
    // Exactly at the extent is kept; inside values are untouched.
    EXPECT_EQ(ClampEdgeWhileMoving(608, 608), 608);
    EXPECT_EQ(ClampEdgeOnRelease(608, 608), 608);
    EXPECT_EQ(ClampEdgeOnRelease(0, 608), 0);
    EXPECT_EQ(ClampEdgeWhileMoving(60000, 70000), 60000);
    // With no picture every positive value is past the extent.
    EXPECT_EQ(ClampEdgeWhileMoving(5, 0), -1);
    EXPECT_EQ(ClampEdgeOnRelease(5, 0), -2);
}

TEST(SelectionRules, LimitAndGuideLineTests) {
    EXPECT_FALSE(SelectionLimitsAdjustment(rg_JuXingLei(10, 10, 0, 50)));
    EXPECT_FALSE(SelectionLimitsAdjustment(rg_JuXingLei(10, 10, 50, 0)));
    EXPECT_TRUE(SelectionLimitsAdjustment(rg_JuXingLei(10, 10, 5, 5)));
    EXPECT_FALSE(SelectionHasGuideLines(rg_JuXingLei(3, 1, 2, 0)));  // edges XOR to zero
    EXPECT_FALSE(SelectionHasGuideLines(rg_JuXingLei(7, 9, 7, 9)));  // a click without movement
    EXPECT_TRUE(SelectionHasGuideLines(rg_JuXingLei(10, 10, 100, 50)));
}

TEST(SelectionRules, RowsAreCountedFromTheBottomForThePictureLibrary) {
    rg_JuXingLei r = SelectionToLibraryRect(rg_JuXingLei(10, 20, 100, 50), 406);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 385);
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(r.bottom, 355);
    rg_JuXingLei corner = SelectionToLibraryRect(rg_JuXingLei(0, 0, 100, 100), 406);
    EXPECT_EQ(corner.top, 405);
    EXPECT_EQ(corner.bottom, 305);
}

TEST(SliderMapping, MidpointIsNoChangeAndTheEndsAreTheFullRange) {
    EXPECT_EQ(LightFromSliders(255, 255).brightness, 0);
    EXPECT_EQ(LightFromSliders(0, 255).brightness, -255);
    EXPECT_EQ(LightFromSliders(0, 255).contrast, 0);
    EXPECT_EQ(LightFromSliders(510, 510).brightness, 255);
    EXPECT_EQ(LightFromSliders(510, 510).contrast, 255);
}

}  // namespace
