// The application's rules: save path, safe replacement of the saved file, selection clamping and
// the selection's conversion to bottom-up rows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/PictureRules.h"

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

// A disk that fails part-way: the write step writes half of what it is given and then reports a
// full disk; the flush step can be made to fail on its own.
struct FailingDisk {
    static inline int writesBeforeFailure = 0;
    static inline bool flushFails = false;
    static inline int flushes = 0;
    static bool Write(void* file, const uint8_t* bytes, uint32_t count, uint32_t* written) {
        if (writesBeforeFailure-- > 0) {
            DWORD done = 0;
            const BOOL ok = WriteFile(static_cast<HANDLE>(file), bytes, count, &done, nullptr);
            *written = done;
            return ok != FALSE;
        }
        DWORD done = 0;
        WriteFile(static_cast<HANDLE>(file), bytes, count / 2, &done, nullptr);
        *written = done;
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    static bool Flush(void* file) {
        ++flushes;
        if (flushFails) return false;
        return FlushFileBuffers(static_cast<HANDLE>(file)) != FALSE;
    }
};

class FailingWrite : public SafeWrite {
protected:
    void SetUp() override {
        SafeWrite::SetUp();
        FailingDisk::writesBeforeFailure = 0;
        FailingDisk::flushFails = false;
        FailingDisk::flushes = 0;
        previous = SetFileWriteSteps(FileWriteSteps{&FailingDisk::Write, &FailingDisk::Flush});
    }
    void TearDown() override {
        SetFileWriteSteps(previous);
        SafeWrite::TearDown();
    }
    FileWriteSteps previous{};
};

TEST_F(FailingWrite, AFullDiskLeavesThePreviousFileWholeAndNoTemporary) {
    std::vector<uint8_t> saved(5000, 0x33), next(8000, 0x44);
    FailingDisk::writesBeforeFailure = 1;
    ASSERT_TRUE(WriteFileReplacing(target, saved.data(), static_cast<int64_t>(saved.size())));
    EXPECT_EQ(FailingDisk::flushes, 1) << "the bytes must reach the disk before they replace the file";
    ASSERT_EQ(Read(), saved);

    EXPECT_FALSE(WriteFileReplacing(target, next.data(), static_cast<int64_t>(next.size())));
    EXPECT_EQ(Read(), saved);
    EXPECT_EQ(FilesInFolder(), 1);

    // A flush that fails counts as a failed save too.
    FailingDisk::writesBeforeFailure = 1;
    FailingDisk::flushFails = true;
    EXPECT_FALSE(WriteFileReplacing(target, next.data(), static_cast<int64_t>(next.size())));
    EXPECT_EQ(Read(), saved);
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(FailingWrite, AFullDiskOnAFirstSaveCreatesNoFile) {
    std::vector<uint8_t> bytes(3000, 0x55);
    EXPECT_FALSE(WriteFileReplacing(target, bytes.data(), static_cast<int64_t>(bytes.size())));
    EXPECT_EQ(FilesInFolder(), 0);
}

// ---- long paths ---------------------------------------------------------------------------------

std::wstring Extended(const std::wstring& path) {
    CWString p;
    p.Append(path.c_str());
    return ExtendedLengthPath(p).GetText();
}

TEST(ExtendedLengthPath, OnlyPathsOf260CharactersOrMoreGetThePrefix) {
    std::wstring path259 = L"C:\\" + std::wstring(252, L'a') + L".png";
    ASSERT_EQ(path259.size(), 259u);
    EXPECT_EQ(Extended(path259), path259);
    const std::wstring path260 = L"C:\\" + std::wstring(253, L'a') + L".png";
    EXPECT_EQ(Extended(path260), L"\\\\?\\" + path260);
    // Already in the extended form: kept.
    const std::wstring prefixed = L"\\\\?\\" + path260;
    EXPECT_EQ(Extended(prefixed), prefixed);
    EXPECT_EQ(Extended(L""), L"");
}

TEST(ExtendedLengthPath, LongPathsAreMadeCleanAndNetworkPathsUseTheUncForm) {
    std::wstring deep = L"C:\\work";
    for (int i = 0; i < 30; ++i) deep += L"\\folder" + std::to_wstring(i);
    // "." and ".." would not be resolved behind the prefix, nor forward slashes.
    const std::wstring messy = deep + L"\\.\\skip\\..\\sub/page.jpg";
    EXPECT_EQ(Extended(messy), L"\\\\?\\" + deep + L"\\sub\\page.jpg");
    std::wstring share = L"\\\\server\\share";
    for (int i = 0; i < 30; ++i) share += L"\\folder" + std::to_wstring(i);
    share += L"\\page.jpg";
    EXPECT_EQ(Extended(share), L"\\\\?\\UNC\\" + share.substr(2));
}

TEST_F(SafeWrite, PathsOver260CharactersAreWrittenAndReplaced) {
    // Nested folders beyond the old limit; the target and its temporary both lie beyond it.
    std::wstring folder = dir;
    std::vector<std::wstring> made;
    while (folder.size() < 300) {
        folder += L"\\" + std::wstring(40, L'f');
        ASSERT_TRUE(CreateDirectoryW(Extended(folder).c_str(), nullptr));
        made.push_back(folder);
    }
    CWString deep;
    deep.Append((folder + L"\\已修改_page.png").c_str());
    std::vector<uint8_t> first(100, 1), second(200, 2);
    EXPECT_TRUE(WriteFileReplacing(deep, first.data(), 100));
    EXPECT_TRUE(WriteFileReplacing(deep, second.data(), 200));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(Extended(deep.GetText()).c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 200u);
    EXPECT_TRUE(DeleteFileW(Extended(deep.GetText()).c_str()));
    for (auto it = made.rbegin(); it != made.rend(); ++it) EXPECT_TRUE(RemoveDirectoryW(Extended(*it).c_str()));
}

// ---- what the user is told when a picture cannot be loaded --------------------------------------

TEST(LoadFailure, ReasonsFollowThePictureLibrarysErrors) {
    EXPECT_STREQ(LoadFailureReason("cannot open file"), L"无法读取文件");
    EXPECT_STREQ(LoadFailureReason("cannot read file"), L"无法读取文件");
    EXPECT_STREQ(LoadFailureReason("picture larger than 256 megapixels"), L"图片太大");
    EXPECT_STREQ(LoadFailureReason("file too large"), L"图片太大");
    EXPECT_STREQ(LoadFailureReason("unknown file format"), L"不支持的图片格式");
    EXPECT_STREQ(LoadFailureReason("unsupported PSD compression"), L"不支持的图片格式");
    EXPECT_STREQ(LoadFailureReason("no decoder for WEBP files on this platform"), L"不支持的图片格式");
    EXPECT_STREQ(LoadFailureReason("truncated file"), L"文件已损坏或不完整");
    EXPECT_STREQ(LoadFailureReason("corrupt file"), L"文件已损坏或不完整");
    EXPECT_STREQ(LoadFailureReason("empty file"), L"文件已损坏或不完整");
    EXPECT_STREQ(LoadFailureReason(nullptr), L"文件已损坏或不完整");
}

TEST(LoadFailure, MessageNamesTheFileWithoutItsFolder) {
    CWString path;
    path.Append(L"C:\\照片\\作业 第一页.jpg");
    EXPECT_STREQ(LoadFailureMessage(path, "truncated file").GetText(), L"无法打开“作业 第一页.jpg”。\n文件已损坏或不完整。");
    CWString bare;
    bare.Append(L"scan.png");
    EXPECT_STREQ(LoadFailureMessage(bare, "unknown file format").GetText(), L"无法打开“scan.png”。\n不支持的图片格式。");
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

// ---- memory made ready for the next picture ----------------------------------------------------

// A JPEG's first bytes up to its frame header: SOI, an APP1 EXIF block with the orientation (0: no
// EXIF block), then SOF0 claiming width × height.
std::vector<uint8_t> JpegHeader(uint16_t width, uint16_t height, uint16_t orientation) {
    std::vector<uint8_t> b = {0xFF, 0xD8};
    if (orientation) {
        // "Exif\0\0", little-endian TIFF header, one directory with one SHORT entry (tag 0x0112).
        const std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                                           0x12, 0x01, 3, 0, 1, 0, 0, 0, uint8_t(orientation), 0, 0, 0, 0, 0, 0, 0};
        b.insert(b.end(), {0xFF, 0xE1, 0, uint8_t(exif.size() + 2)});
        b.insert(b.end(), exif.begin(), exif.end());
    }
    b.insert(b.end(), {0xFF, 0xC0, 0, 17, 8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 3,
                       1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    return b;
}

TEST(ClaimedPicture, TheHeaderSaysTheSizeAsShownAndWhetherTheDecoderTurnsACopy) {
    ClaimedPicture claimed;
    std::vector<uint8_t> plain = JpegHeader(4000, 3000, 0);
    ASSERT_TRUE(ClaimedPictureOf(plain.data(), plain.size(), claimed));
    EXPECT_EQ(claimed.width, 4000u);
    EXPECT_EQ(claimed.height, 3000u);
    EXPECT_FALSE(claimed.turned);
    // Orientation 6 (a phone held upright) turns the picture a quarter; 3 turns it half.
    std::vector<uint8_t> upright = JpegHeader(4000, 3000, 6);
    ASSERT_TRUE(ClaimedPictureOf(upright.data(), upright.size(), claimed));
    EXPECT_EQ(claimed.width, 3000u);
    EXPECT_EQ(claimed.height, 4000u);
    EXPECT_TRUE(claimed.turned);
    std::vector<uint8_t> upsideDown = JpegHeader(4000, 3000, 3);
    ASSERT_TRUE(ClaimedPictureOf(upsideDown.data(), upsideDown.size(), claimed));
    EXPECT_EQ(claimed.width, 4000u);
    EXPECT_TRUE(claimed.turned);
    // A header cut before the frame, a size of nothing, a size beyond the library's limit.
    EXPECT_FALSE(ClaimedPictureOf(upright.data(), upright.size() - 19, claimed));
    std::vector<uint8_t> empty = JpegHeader(0, 3000, 0);
    EXPECT_FALSE(ClaimedPictureOf(empty.data(), empty.size(), claimed));
    std::vector<uint8_t> huge = JpegHeader(65000, 65000, 0);
    EXPECT_FALSE(ClaimedPictureOf(huge.data(), huge.size(), claimed));
    EXPECT_FALSE(ClaimedPictureOf(nullptr, 0, claimed));
}

std::string Describe(const std::vector<cximg::PreparedPiece>& pieces) {
    std::string text;
    for (const cximg::PreparedPiece& p : pieces)
        text += p.blockBytes ? "block" + std::to_string(p.blockBytes) + " "
                             : "surface" + std::to_string(p.width) + "x" + std::to_string(p.height) + " ";
    return text;
}

TEST(PiecesForShowing, AFirstPictureOfItsSizeNeedsEverythingInTheOrderOfUse) {
    ClaimedPicture photo;
    photo.width = 4000;
    photo.height = 3000;
    EXPECT_EQ(Describe(PiecesForShowing(photo, ShowingState())),
              "block48000000 surface4000x-3000 block48000000 surface4000x3000 ");
    // Turned by its EXIF block: the decoder's block and the turned copy; the reference picture then
    // takes the decoder's block, freed after turning.
    photo.turned = true;
    EXPECT_EQ(Describe(PiecesForShowing(photo, ShowingState())),
              "block48000000 block48000000 surface4000x-3000 surface4000x3000 ");
}

TEST(PiecesForShowing, WhatTheWindowAlreadyHoldsIsNotPreparedAgain) {
    ClaimedPicture photo;
    photo.width = 4000;
    photo.height = 3000;
    // Another photograph of the same size: the old pictures give their blocks back once replaced,
    // the bitmap and canvas are reused; only the decoded pixels need a block.
    ShowingState same;
    same.blocksGivenBack = 2;
    same.referenceBitmapFits = true;
    same.canvasFits = true;
    EXPECT_EQ(Describe(PiecesForShowing(photo, same)), "block48000000 ");
    // Two kept blocks serve the decoded pixels and the reference picture.
    ShowingState kept;
    kept.keptBlocks = 2;
    EXPECT_EQ(Describe(PiecesForShowing(photo, kept)), "surface4000x-3000 surface4000x3000 ");
    // One kept block goes to the decoder; the reference picture needs a new one unless a replaced
    // picture gives one back.
    kept.keptBlocks = 1;
    EXPECT_EQ(Describe(PiecesForShowing(photo, kept)), "surface4000x-3000 block48000000 surface4000x3000 ");
    kept.blocksGivenBack = 1;
    EXPECT_EQ(Describe(PiecesForShowing(photo, kept)), "surface4000x-3000 surface4000x3000 ");
    EXPECT_TRUE(PiecesForShowing(ClaimedPicture(), ShowingState()).empty());
}

}  // namespace
