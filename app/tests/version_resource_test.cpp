// The built PhotoPrint.exe: its version resource (what Explorer shows under Properties > Details) and
// the header fields that must stay fixed for the release zip to be reproducible.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t* const kExe = PHOTOPRINT_EXE;

std::vector<uint8_t> ReadVersionBlock() {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kExe, &ignored);
    if (size == 0) return {};
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoW(kExe, 0, size, block.data())) return {};
    return block;
}

// The first language and code page the block lists under VarFileInfo\Translation, as the
// "llllcccc" name of its string table; empty when there is none.
std::wstring FirstStringTable(const std::vector<uint8_t>& block) {
    void* data = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &data, &length) || length < 4) return {};
    const WORD* pair = static_cast<const WORD*>(data);
    wchar_t name[16];
    swprintf(name, 16, L"%04x%04x", pair[0], pair[1]);
    return name;
}

// One value of that string table; the second member says whether it exists.
std::pair<std::wstring, bool> StringValue(const std::vector<uint8_t>& block, const std::wstring& table,
                                          const wchar_t* key) {
    const std::wstring query = L"\\StringFileInfo\\" + table + L"\\" + key;
    void* data = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), &data, &length) || !data) return {L"", false};
    return {std::wstring(static_cast<const wchar_t*>(data)), true};
}

std::vector<uint8_t> ReadWholeFile(const wchar_t* path) {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 30)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

class VersionResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        block = ReadVersionBlock();
        ASSERT_FALSE(block.empty()) << "no version resource in the executable, error " << GetLastError();
        table = FirstStringTable(block);
        ASSERT_FALSE(table.empty()) << "no VarFileInfo\\Translation entry";
    }
    std::wstring Value(const wchar_t* key) {
        auto [text, found] = StringValue(block, table, key);
        EXPECT_TRUE(found) << "no string " << testing::PrintToString(std::wstring(key));
        return text;
    }
    std::vector<uint8_t> block;
    std::wstring table;
};

TEST_F(VersionResourceTest, FixedPartSaysVersion130ForAWindowsApplication) {
    void* data = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &data, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 3);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask & (VS_FF_DEBUG | VS_FF_PRERELEASE), 0u);
}

TEST_F(VersionResourceTest, StringsNameTheProductItsVersionAndTheCopyright) {
    EXPECT_EQ(Value(L"ProductName"), L"Ferovel photo print");
    EXPECT_EQ(Value(L"FileVersion"), L"1.3.0.0");
    EXPECT_EQ(Value(L"ProductVersion"), L"1.3.0.0");
    EXPECT_EQ(Value(L"LegalCopyright"), L"Copyright (c) 2026 the Ferovel photo print authors");
    EXPECT_EQ(Value(L"OriginalFilename"), L"PhotoPrint.exe");
    EXPECT_FALSE(Value(L"InternalName").empty());
    // Explorer shows the description as the program's name in Task Manager and "Open with".
    const std::wstring description = Value(L"FileDescription");
    EXPECT_NE(description.find(L"photographs"), std::wstring::npos) << testing::PrintToString(description);
}

TEST_F(VersionResourceTest, TranslationNamesTheEnglishUnicodeTable) {
    // U.S. English in the Unicode code page: the table Windows falls back to on every system.
    EXPECT_EQ(table, L"040904b0");
}

// No link time in the COFF header and no time stamp in the resource directory: otherwise every
// build gives a different executable and the release zip cannot be reproduced.
TEST(ExecutableHeader, CarriesNoBuildTime) {
    const std::vector<uint8_t> file = ReadWholeFile(kExe);
    ASSERT_GT(file.size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, file.data(), sizeof dos);
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LE(static_cast<size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64), file.size());
    IMAGE_NT_HEADERS64 nt;
    std::memcpy(&nt, file.data() + dos.e_lfanew, sizeof nt);
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(nt.FileHeader.TimeDateStamp, 0u);

    const IMAGE_DATA_DIRECTORY resources = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
    ASSERT_NE(resources.VirtualAddress, 0u);
    const size_t sections = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
    size_t rootOffset = 0;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        ASSERT_LE(sections + (i + 1) * sizeof section, file.size());
        std::memcpy(&section, file.data() + sections + i * sizeof section, sizeof section);
        const DWORD start = section.VirtualAddress;
        if (resources.VirtualAddress >= start && resources.VirtualAddress < start + section.SizeOfRawData)
            rootOffset = section.PointerToRawData + (resources.VirtualAddress - start);
    }
    ASSERT_NE(rootOffset, 0u) << "the resource directory lies in no section";
    ASSERT_LE(rootOffset + sizeof(IMAGE_RESOURCE_DIRECTORY), file.size());
    IMAGE_RESOURCE_DIRECTORY root;
    std::memcpy(&root, file.data() + rootOffset, sizeof root);
    EXPECT_GT(root.NumberOfIdEntries + root.NumberOfNamedEntries, 0);
    EXPECT_EQ(root.TimeDateStamp, 0u);
}

}  // namespace
