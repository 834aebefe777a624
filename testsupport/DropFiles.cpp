#include "testsupport/DropFiles.h"

#include <shlobj.h>

#include <algorithm>

namespace qeltest {

HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths, POINT at) {
    size_t chars = 1;  // the list's closing zero
    for (const std::wstring& p : paths) chars += p.size() + 1;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    if (!handle) return nullptr;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(handle));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = at;
    drop->fNC = FALSE;
    drop->fWide = TRUE;
    wchar_t* names = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES));
    for (const std::wstring& p : paths) {
        std::copy(p.begin(), p.end(), names);
        names += p.size() + 1;
    }
    GlobalUnlock(handle);
    return handle;
}

bool PostDropFiles(HWND window, const std::vector<std::wstring>& paths, POINT at) {
    HGLOBAL handle = MakeDropFiles(paths, at);
    if (!handle) return false;
    if (PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0)) return true;
    GlobalFree(handle);
    return false;
}

}  // namespace qeltest
