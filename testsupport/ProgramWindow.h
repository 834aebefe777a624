// The photo-print program's main window in a process of its own (the built executable started by a
// test).
#pragma once
#include <windows.h>

#include <functional>

namespace qeltest {

// The first visible top-level window of the process that the predicate accepts; null when none does.
HWND FindVisibleWindow(DWORD processId, const std::function<bool(HWND)>& matches);
// The process's visible top-level window with the program's default title; null when there is none.
HWND FindMainWindow(DWORD processId);

}  // namespace qeltest
