#include "app/PictureRules.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <utility>

#include "platform/cximage/include/ximacore.h"

namespace rg_Zarno_YangLi {

using rg_Zarno_JiBen::rg_JuXingLei;

CWString BuildSavePath(const CWString& droppedPath) {
    const wchar_t* p = droppedPath.GetText();
    const int64_t n = droppedPath.GetLength();
    int64_t lastSlash = -1;
    for (int64_t i = 0; i < n; ++i)
        if (p[i] == L'\\') lastSlash = i;
    const wchar_t* filePart = p + lastSlash + 1;
    int64_t baseLength = 0;
    if (const wchar_t* dot = std::wcschr(filePart, L'.')) baseLength = dot - filePart;

    CWString path;
    const bool rooted = (n >= 1 && p[0] == L'\\') || (n >= 3 && p[1] == L':' && p[2] == L'\\');
    if (rooted) {
        const int64_t k = lastSlash;
        const int64_t folderLength = (k > 0 && p[k - 1] != L':') ? k : k + 1;
        path.SetChars(p, folderLength);
    }
    path.Append(L"\\已修改_");
    CWString base;
    base.SetChars(filePart, baseLength);
    path.Append(base.GetText());
    path.Append(L".png");
    return path;
}

const wchar_t* LoadFailureReason(const char* libraryError) {
    const std::string_view e = libraryError ? libraryError : "";
    auto starts = [&](std::string_view prefix) { return e.substr(0, prefix.size()) == prefix; };
    if (starts("cannot open file") || starts("cannot read file") || starts("no file name")) return L"无法读取文件";
    if (starts("file too large") || starts("picture larger than") || starts("out of memory")) return L"图片太大";
    if (starts("unknown file format") || starts("unsupported") || starts("no decoder for") || starts("not a ") ||
        e.find("is not available") != std::string_view::npos)
        return L"不支持的图片格式";
    return L"文件已损坏或不完整";
}

CWString LoadFailureMessage(const CWString& path, const char* libraryError) {
    const wchar_t* p = path.GetText() ? path.GetText() : L"";
    const wchar_t* name = p;
    for (const wchar_t* c = p; *c; ++c)
        if (*c == L'\\' || *c == L'/') name = c + 1;
    CWString text;
    text.Append(L"无法打开“");
    text.Append(name);
    text.Append(L"”。\n");
    text.Append(LoadFailureReason(libraryError));
    text.Append(L"。");
    return text;
}

namespace {

bool SystemWrite(void* file, const uint8_t* bytes, uint32_t count, uint32_t* written) {
    DWORD done = 0;
    const BOOL ok = WriteFile(static_cast<HANDLE>(file), bytes, count, &done, nullptr);
    *written = done;
    return ok != FALSE;
}

bool SystemFlush(void* file) { return FlushFileBuffers(static_cast<HANDLE>(file)) != FALSE; }

FileWriteSteps g_steps{&SystemWrite, &SystemFlush};

// Every byte through the write step, in pieces a single call can take.
bool WriteAll(HANDLE file, const uint8_t* bytes, int64_t count) {
    constexpr int64_t kPiece = int64_t(1) << 30;
    while (count > 0) {
        const uint32_t piece = static_cast<uint32_t>(count < kPiece ? count : kPiece);
        uint32_t written = 0;
        if (!g_steps.write(file, bytes, piece, &written) || written == 0 || written > piece) return false;
        bytes += written;
        count -= written;
    }
    return true;
}

}  // namespace

FileWriteSteps SetFileWriteSteps(FileWriteSteps steps) {
    const FileWriteSteps before = g_steps;
    g_steps.write = steps.write ? steps.write : &SystemWrite;
    g_steps.flush = steps.flush ? steps.flush : &SystemFlush;
    return before;
}

CWString ExtendedLengthPath(const CWString& path) {
    constexpr int64_t kLongFrom = MAX_PATH;  // 259 characters and the terminator fit the old limit
    const wchar_t* p = path.GetText();
    if (path.GetLength() < kLongFrom || !p || std::wcsncmp(p, L"\\\\?\\", 4) == 0) return path;
    // The prefix turns off the system's own clean-up of the path ("/", ".", ".."), so the path is
    // made absolute and clean first.
    std::wstring full(static_cast<size_t>(path.GetLength()) + 1, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(p, static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return path;
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    CWString out;
    if (full.compare(0, 4, L"\\\\?\\") == 0) {
        out.Append(full.c_str());
    } else if (full.compare(0, 2, L"\\\\") == 0) {
        out.Append(L"\\\\?\\UNC\\");
        out.Append(full.c_str() + 2);
    } else {
        out.Append(L"\\\\?\\");
        out.Append(full.c_str());
    }
    return out;
}

bool WriteFileReplacing(const CWString& path, const uint8_t* bytes, int64_t count) {
    if (!bytes || count <= 0 || path.GetLength() == 0) return false;
    CWString temporary(path);
    temporary.AppendFormat(L".%lu.part", GetCurrentProcessId());
    const CWString temporaryName = ExtendedLengthPath(temporary);
    const CWString targetName = ExtendedLengthPath(path);
    HANDLE file = CreateFileW(temporaryName.GetText(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // The bytes must be on the disk before the rename makes them the target: after a power cut the
    // target is then either the old file or the whole new one.
    const bool written = WriteAll(file, bytes, count) && g_steps.flush(file);
    const bool closed = CloseHandle(file) != FALSE;
    if (!written || !closed ||
        !MoveFileExW(temporaryName.GetText(), targetName.GetText(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporaryName.GetText());
        return false;
    }
    return true;
}

int32_t ClampEdgeWhileMoving(int32_t value, int32_t extent) {
    if (value > extent) return value > 60000 ? 0 : extent - 1;
    return value;
}

int32_t ClampEdgeOnRelease(int32_t value, int32_t extent) {
    if (value > extent) return value > 60000 ? 1 : extent - 2;
    return value;
}

rg_JuXingLei SelectionToLibraryRect(const rg_JuXingLei& s, int32_t height) {
    return rg_JuXingLei(s.left, height - s.top - 1, s.right, height - s.bottom - 1);
}

bool ClaimedPictureOf(const uint8_t* header, size_t size, ClaimedPicture& claimed) {
    claimed = ClaimedPicture();
    const uint32_t format = cximg::DetectFormat(header, size);
    uint64_t width = 0, height = 0;
    const char* refused = nullptr;
    if (!cximg::ClaimedSize(header, size, format, width, height) || !cximg::CheckPictureSize(width, height, refused))
        return false;
    claimed.width = static_cast<uint32_t>(width);
    claimed.height = static_cast<uint32_t>(height);
    if (format == CXIMAGE_FORMAT_JPG) {
        // Orientations 2..8 make a turned or mirrored copy; 5..8 turn it a quarter.
        const int orientation = cximg::JpegExifOrientation(header, size);
        claimed.turned = orientation >= 2;
        if (orientation >= 5) std::swap(claimed.width, claimed.height);
    }
    return true;
}

std::vector<cximg::PreparedPiece> PiecesForShowing(const ClaimedPicture& claimed, const ShowingState& state) {
    std::vector<cximg::PreparedPiece> pieces;
    if (claimed.width == 0 || claimed.height == 0) return pieces;
    const size_t bytes = size_t(claimed.width) * claimed.height * 4;
    cximg::PreparedPiece block;
    block.blockBytes = bytes;
    const size_t decoding = claimed.turned ? 2 : 1;
    const size_t keptLeft = state.keptBlocks > decoding ? state.keptBlocks - decoding : 0;
    for (size_t i = state.keptBlocks; i < decoding; ++i) pieces.push_back(block);
    const bool referenceBlockFree = keptLeft + state.blocksGivenBack + (claimed.turned ? 1 : 0) > 0;
    if (!state.referenceBitmapFits) {
        cximg::PreparedPiece bitmap;
        bitmap.width = static_cast<int32_t>(claimed.width);
        bitmap.height = -static_cast<int32_t>(claimed.height);
        pieces.push_back(bitmap);
    }
    if (!referenceBlockFree) pieces.push_back(block);
    if (!state.canvasFits) {
        cximg::PreparedPiece canvas;
        canvas.width = static_cast<int32_t>(claimed.width);
        canvas.height = static_cast<int32_t>(claimed.height);
        pieces.push_back(canvas);
    }
    return pieces;
}

}  // namespace rg_Zarno_YangLi
