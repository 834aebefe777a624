#include "PictureRules.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

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

bool WriteFileReplacing(const CWString& path, const uint8_t* bytes, int64_t count) {
    if (!bytes || count <= 0 || path.GetLength() == 0) return false;
    CWString temporary(path);
    temporary.AppendFormat(L".%lu.part", GetCurrentProcessId());
    FILE* file = _wfopen(temporary.GetText(), L"wb");
    if (!file) return false;
    const size_t written = std::fwrite(bytes, 1, static_cast<size_t>(count), file);
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (written != static_cast<size_t>(count) || !flushed || !closed) {
        DeleteFileW(temporary.GetText());
        return false;
    }
    if (!MoveFileExW(temporary.GetText(), path.GetText(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.GetText());
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

}  // namespace rg_Zarno_YangLi
