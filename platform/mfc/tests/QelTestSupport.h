// Helpers shared by the window tests: live GDI object and window counts, and a message pump that
// runs messages through the pre-translation walk as the application's loop does.
#pragma once
#include <windows.h>

#include <cstdint>

#include "platform/mfc/QelWnd.h"

namespace qeltest {

// Number of GDI objects of the process. Windows answers GetGuiResources; Wine answers 0 there but
// accepts a handle table index without its generation bits, so the table is scanned instead.
inline int CountGdiObjects() {
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n) return static_cast<int>(n);
    int count = 0;
    for (UINT_PTR i = 1; i < 0x10000; ++i) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++count;
    }
    return count;
}

// Windows of this thread: top-level windows and all their descendants.
inline int CountThreadWindows() {
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

// Runs one queued message the way the application's loop does; false when the queue is empty.
inline bool PumpOne() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) return true;
    if (!WalkPreTranslateTree(nullptr, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

// Pumps until the queue is empty (and at least `ms` milliseconds have passed).
inline void Pump(DWORD ms = 0) {
    const DWORD start = GetTickCount();
    for (;;) {
        while (PumpOne()) {
        }
        if (GetTickCount() - start >= ms) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Pumps until cond() holds or timeoutMs passes; answers cond().
template <class Cond>
bool PumpUntil(Cond cond, DWORD timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs) return cond();
        if (!PumpOne()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Colour of a client pixel as painted on the screen (through the window's DC).
inline COLORREF ClientPixel(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

}  // namespace qeltest
