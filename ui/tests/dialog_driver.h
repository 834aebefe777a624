// Drives the system's modal dialogs from a helper thread: finds a dialog window (class "#32770") of
// the UI thread, lets a test answer it through its control ids, and closes any dialog left open when
// the time is up, so a test fails instead of hanging.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dialog_test {

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 63);
    return name;
}

// Text of a window, read with a message so that it works across threads.
inline std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    SendMessageW(window, WM_GETTEXT, 1023, reinterpret_cast<LPARAM>(text));
    return text;
}

// Visible dialogs of the thread, newest (topmost) first.
inline std::vector<HWND> ThreadDialogs(DWORD threadId) {
    std::vector<HWND> found;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM param) -> BOOL {
            if (IsWindowVisible(window) && ClassOf(window) == L"#32770")
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits until the thread shows a dialog other than the excluded one; null on timeout.
inline HWND WaitForDialog(DWORD threadId, HWND exclude = nullptr, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (HWND d : ThreadDialogs(threadId))
            if (d != exclude) {
                Sleep(50);  // let the dialog finish its initialisation
                return d;
            }
        Sleep(10);
    }
    return nullptr;
}

// Waits until the window is gone; false on timeout.
inline bool WaitGone(HWND window, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

// Presses a button of a dialog (posted: the dialog may open a message box in answer).
inline void Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Runs an action on the first dialog the calling (UI) thread shows. The destructor waits for the
// helper; dialogs still open after the timeout are cancelled so the UI thread's modal call returns.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND dialog, DWORD uiThread)> action, DWORD timeoutMs = 15000)
        : uiThread(GetCurrentThreadId()) {
        helper = std::thread([this, action, timeoutMs] {
            HWND dialog = WaitForDialog(uiThread, nullptr, timeoutMs);
            if (!dialog) return;
            found = true;
            action(dialog, uiThread);
            if (!WaitGone(dialog, timeoutMs)) {
                leftOpen = true;
                for (int round = 0; round < 5 && IsWindow(dialog); ++round) {
                    for (HWND d : ThreadDialogs(uiThread)) PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
                    Sleep(200);
                }
            }
        });
    }
    ~DialogDriver() { Join(); }
    void Join() {
        if (helper.joinable()) helper.join();
    }

    const DWORD uiThread;
    std::atomic<bool> found{false};
    std::atomic<bool> leftOpen{false};

private:
    std::thread helper;
};

}  // namespace dialog_test
