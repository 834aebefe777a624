// Files dropped on a window as the shell hands them over: a GlobalAlloc'd DROPFILES block with the
// wide names after it (each ended by a zero, the list by one more), given as the HDROP of WM_DROPFILES.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace qeltest {

// The block for the paths, dropped at `at` (client coordinates). The receiver of the message frees it
// (DragFinish); a test that only sends it frees it itself. Null when the memory cannot be had.
HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths, POINT at = POINT{0, 0});

// Posts WM_DROPFILES with a new block to the window. Does not pump.
bool PostDropFiles(HWND window, const std::vector<std::wstring>& paths, POINT at = POINT{0, 0});

}  // namespace qeltest
