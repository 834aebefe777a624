// Paths: joining, existence of files and folders, file-name parts and the program's own module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/RuntimeUtil.h"

namespace {

TEST(CombinePath, ExamplesAndArgumentsAnsweredAsTheyCame) {
    CQelMem scratch;
    EXPECT_STREQ(CombinePath(L"C:\\app", L"..\\data\\.\\x.ini", scratch), L"C:\\data\\x.ini");
    EXPECT_STREQ(CombinePath(L"C:\\app\\", L"x.ini", scratch), L"C:\\app\\x.ini");
    EXPECT_EQ(scratch.size, static_cast<int64_t>(sizeof L"C:\\app\\x.ini"));
    const wchar_t* base = L"C:\\app";
    const wchar_t* rooted = L"D:\\x";
    const wchar_t* backslashed = L"\\x";
    const wchar_t* climbing = L"..\\x";
    EXPECT_EQ(CombinePath(base, rooted, scratch), rooted);
    EXPECT_EQ(CombinePath(base, backslashed, scratch), backslashed);
    EXPECT_EQ(CombinePath(base, L"", scratch), base);
    EXPECT_EQ(CombinePath(nullptr, climbing, scratch), climbing);
    EXPECT_EQ(CombinePath(L"C:\\", climbing, scratch), climbing);  // nothing to climb out of
}

TEST(CombinePath, LongPathsAndAPreviousResultAsTheBase) {
    std::wstring base = L"C:";
    for (int i = 0; i < 90; ++i) base += L"\\segment" + std::to_wstring(i);
    const std::wstring name(300, L'n');
    CQelMem scratch;
    const wchar_t* joined = CombinePath(base.c_str(), (L"inner\\.\\..\\" + name).c_str(), scratch);
    EXPECT_EQ(std::wstring(joined), base + L"\\" + name);
    // The next join rewrites (and grows) the very buffer its base lives in.
    const wchar_t* again = CombinePath(joined, L"..\\x", scratch);
    EXPECT_EQ(std::wstring(again), base + L"\\x");
    const wchar_t* rooted = CombinePath(L"C:\\other", again, scratch);
    EXPECT_EQ(std::wstring(rooted), base + L"\\x");
}

TEST(FileExists, FoldersWithAndWithoutTrailingBackslash) {
    wchar_t temp[MAX_PATH];
    const std::wstring folder = std::wstring(temp, GetTempPathW(MAX_PATH, temp)) + L"qel_runtime_exists_test";
    CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_EQ(FileExists(folder.c_str()), 1);
    EXPECT_EQ(FileExists((folder + L"\\").c_str()), 1);
    EXPECT_EQ(FileExists((folder + L"\\missing\\").c_str()), 0);
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(FileExists(folder.c_str()), 0);
    EXPECT_EQ(FileExists((folder + L"\\").c_str()), 0);
    EXPECT_EQ(FileExists(L"C:\\"), 1);
    EXPECT_EQ(FileExists(L""), 0);
    EXPECT_EQ(FileExists(nullptr), 0);
}

TEST(PathParts, FileNamePartModuleDirectoryAndCodeModule) {
    const wchar_t* path = L"C:\\pics\\photo.png";
    EXPECT_EQ(FileNamePart(path), path + 8);
    EXPECT_EQ(FileNamePart(path + 8), path + 8);
    EXPECT_EQ(GetCodeModule(), GetModuleHandleW(nullptr));
    CWString text(L"old");
    ASSERT_EQ(GetModuleDirectory(nullptr, text), 1);
    const std::wstring folder = text.GetText();
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_EQ(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetModuleDirectory(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10)), text), 0);
    EXPECT_EQ(text.GetLength(), 0);
}

TEST(PathParts, ModuleDirectoryOfAModuleDeeperThan260Units) {
    wchar_t own[4096], temp[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, own, 4096), 0u);
    const std::wstring root = std::wstring(temp, GetTempPathW(MAX_PATH, temp)) + L"qel_long_module_path";
    std::vector<std::wstring> folders{root};
    for (int i = 0; i < 10; ++i) folders.push_back(folders.back() + L"\\a_folder_with_a_long_name_" + std::to_wstring(i));
    for (const auto& f : folders) CreateDirectoryW((L"\\\\?\\" + f).c_str(), nullptr);
    const std::wstring deep = folders.back();
    ASSERT_GT(deep.size(), 300u);
    const std::wstring copy = L"\\\\?\\" + deep + L"\\copy.exe";
    ASSERT_TRUE(CopyFileW(own, copy.c_str(), FALSE));
    // A copy of this program mapped as a module (without running it) from the deep folder.
    HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    const DWORD loadError = GetLastError();
    CWString text;
    const int answer = module ? GetModuleDirectory(module, text) : -1;
    wchar_t reported[4096] = {};
    if (module) GetModuleFileNameW(module, reported, 4096);
    if (module) FreeLibrary(module);
    DeleteFileW(copy.c_str());
    for (auto f = folders.rbegin(); f != folders.rend(); ++f) RemoveDirectoryW((L"\\\\?\\" + *f).c_str());
    ASSERT_NE(module, nullptr) << loadError;
    std::wstring expected = reported;
    ASSERT_GT(expected.size(), 300u) << "the loader shortened the module's name";
    expected.erase(expected.rfind(L'\\') + 1);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(std::wstring(text.GetText()), expected);
}

}  // namespace
