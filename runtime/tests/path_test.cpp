// Paths: joining, existence of files and folders, file-name parts and the program's own module.
#include <gtest/gtest.h>

#include <string>

#include "RuntimeUtil.h"

namespace {

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, buffer);
    return std::wstring(buffer, n);  // ends with a backslash
}

TEST(CombinePath, ExamplesAndSeparators) {
    CQelMem scratch;
    EXPECT_STREQ(CombinePath(L"C:\\app", L"..\\data\\.\\x.ini", scratch), L"C:\\data\\x.ini");
    EXPECT_STREQ(CombinePath(L"C:\\app\\", L"x.ini", scratch), L"C:\\app\\x.ini");
    EXPECT_STREQ(CombinePath(L"C:\\app", L"sub\\x.ini", scratch), L"C:\\app\\sub\\x.ini");
    EXPECT_EQ(scratch.size, static_cast<int64_t>(sizeof L"C:\\app\\sub\\x.ini"));
    EXPECT_STREQ(CombinePath(L"C:\\a\\b\\c", L"..\\..\\.\\x", scratch), L"C:\\a\\x");
}

TEST(CombinePath, ArgumentsAnsweredAsTheyCame) {
    CQelMem scratch;
    const wchar_t* base = L"C:\\app";
    const wchar_t* rooted = L"D:\\x";
    const wchar_t* backslashed = L"\\x";
    const wchar_t* climbing = L"..\\x";
    EXPECT_EQ(CombinePath(base, rooted, scratch), rooted);
    EXPECT_EQ(CombinePath(base, backslashed, scratch), backslashed);
    EXPECT_EQ(CombinePath(base, L"", scratch), base);
    EXPECT_EQ(CombinePath(base, nullptr, scratch), base);
    EXPECT_EQ(CombinePath(nullptr, climbing, scratch), climbing);
    EXPECT_EQ(CombinePath(L"C:\\", climbing, scratch), climbing);  // nothing to climb out of
}

TEST(CombinePath, PathsFarLongerThan260UnitsAreJoinedWhole) {
    std::wstring base = L"C:";
    for (int i = 0; i < 90; ++i) base += L"\\segment" + std::to_wstring(i);
    std::wstring relative;
    for (int i = 0; i < 60; ++i) relative += L"inner" + std::to_wstring(i) + L"\\";
    relative += L"..\\.\\name.txt";
    std::wstring expected = base + L"\\";
    for (int i = 0; i < 59; ++i) expected += L"inner" + std::to_wstring(i) + L"\\";
    expected += L"name.txt";
    ASSERT_GT(expected.size(), 1000u);
    CQelMem scratch;
    EXPECT_EQ(std::wstring(CombinePath(base.c_str(), relative.c_str(), scratch)), expected);
}

TEST(CombinePath, APreviousResultInTheScratchBufferMayBeTheBase) {
    CQelMem scratch;
    const wchar_t* first = CombinePath(L"C:\\app", L"data", scratch);
    // The join rewrites (and grows) the very buffer the base lives in.
    const std::wstring longName(300, L'n');
    const wchar_t* second = CombinePath(first, (L"..\\" + longName).c_str(), scratch);
    EXPECT_EQ(std::wstring(second), L"C:\\app\\" + longName);
    const wchar_t* third = CombinePath(L"C:\\other", second, scratch);
    EXPECT_EQ(std::wstring(third), L"C:\\app\\" + longName);  // rooted: the text itself, still readable
    const wchar_t* fourth = CombinePath(third, L"", scratch);
    EXPECT_EQ(std::wstring(fourth), L"C:\\app\\" + longName);
}

TEST(FileExists, FoldersWithAndWithoutTrailingBackslashAndFiles) {
    const std::wstring temp = TempFolder();
    const std::wstring folder = temp + L"qel_runtime_exists_test";
    CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_EQ(FileExists(folder.c_str()), 1);
    EXPECT_EQ(FileExists((folder + L"\\").c_str()), 1);
    const std::wstring file = folder + L"\\file.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(FileExists(file.c_str()), 1);
    EXPECT_EQ(FileExists((folder + L"\\missing.txt").c_str()), 0);
    EXPECT_EQ(FileExists((folder + L"\\missing\\").c_str()), 0);
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(FileExists(folder.c_str()), 0);
    EXPECT_EQ(FileExists((folder + L"\\").c_str()), 0);
}

TEST(FileExists, DriveRootKeepsItsBackslashAndEmptyPathsDoNotExist) {
    EXPECT_EQ(FileExists(L"C:\\"), 1);
    EXPECT_EQ(FileExists(nullptr), 0);
    EXPECT_EQ(FileExists(L""), 0);
}

TEST(FileNamePart, TextAfterTheLastBackslash) {
    const wchar_t* path = L"C:\\pics\\photo.png";
    EXPECT_EQ(FileNamePart(path), path + 8);
    const wchar_t* bare = L"photo.png";
    EXPECT_EQ(FileNamePart(bare), bare);
    const wchar_t* folder = L"C:\\pics\\";
    EXPECT_STREQ(FileNamePart(folder), L"");
}

TEST(ModulePaths, DirectoryOfTheProgramWithItsBackslash) {
    wchar_t own[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH);
    ASSERT_GT(n, 0u);
    std::wstring expected(own, n);
    expected.erase(expected.rfind(L'\\') + 1);
    CWString text(L"old");
    EXPECT_EQ(GetModuleDirectory(nullptr, text), 1);
    EXPECT_EQ(std::wstring(text.GetText()), expected);
    EXPECT_EQ(text.constText, nullptr);
    EXPECT_EQ(GetModuleDirectory(GetCodeModule(), text), 1);
    EXPECT_EQ(std::wstring(text.GetText()), expected);
}

TEST(ModulePaths, AnInvalidModuleGivesZeroAndAnEmptyText) {
    CWString text(L"old");
    EXPECT_EQ(GetModuleDirectory(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10)), text), 0);
    EXPECT_EQ(text.GetLength(), 0);
    EXPECT_EQ(text.constText, nullptr);
}

TEST(ModulePaths, CodeModuleIsTheProgram) {
    EXPECT_EQ(GetCodeModule(), GetModuleHandleW(nullptr));
}

}  // namespace
