#include "testsupport/GdiCount.h"

namespace qeltest {

int64_t CountGdiObjects() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported) return reported;
    int64_t count = 0;
    for (UINT_PTR i = 1; i < 0x10000; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++count;
    return count;
}

int CountThreadWindows() {
    struct Counter {
        static BOOL CALLBACK Child(HWND, LPARAM p) {
            ++*reinterpret_cast<int*>(p);
            return TRUE;
        }
        static BOOL CALLBACK Top(HWND hwnd, LPARAM p) {
            ++*reinterpret_cast<int*>(p);
            EnumChildWindows(hwnd, &Child, p);
            return TRUE;
        }
    };
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), &Counter::Top, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace qeltest
