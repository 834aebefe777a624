// The photo-print program's main window in a process of its own (the built executable started by a
// test).
#pragma once
#include <windows.h>

namespace qeltest {

// The process's visible top-level window with the program's default title; null when there is none.
HWND FindMainWindow(DWORD processId);

}  // namespace qeltest
