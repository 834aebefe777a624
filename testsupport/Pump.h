// Message pumps of the window tests: messages run through the pre-translation walk as the
// application's loop runs them, and waiting for a condition while the queue is served.
#pragma once
#include <windows.h>

#include "platform/mfc/QelWnd.h"

namespace qeltest {

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

// Dispatches every queued message of this thread, without the pre-translation walk.
inline void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace qeltest
