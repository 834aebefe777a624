#include "testsupport/ProgramWindow.h"

#include <string>

namespace qeltest {

HWND FindMainWindow(DWORD processId) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            wchar_t title[64] = {};
            GetWindowTextW(hwnd, title, 64);
            if (owner == s->pid && IsWindowVisible(hwnd) && std::wstring(title) == L"Ferovel V1.3  Osk") {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace qeltest
