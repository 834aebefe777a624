#include "testsupport/ProgramWindow.h"

#include <string>

namespace qeltest {

HWND FindVisibleWindow(DWORD processId, const std::function<bool(HWND)>& matches) {
    struct Search {
        DWORD pid;
        const std::function<bool(HWND)>* matches;
        HWND found;
    } search{processId, &matches, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && IsWindowVisible(hwnd) && (*s->matches)(hwnd)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMainWindow(DWORD processId) {
    return FindVisibleWindow(processId, [](HWND hwnd) {
        wchar_t title[64] = {};
        GetWindowTextW(hwnd, title, 64);
        return std::wstring(title) == L"Ferovel V1.3  Osk";
    });
}

}  // namespace qeltest
