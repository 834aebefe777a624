#include "ZhuChuangKou.h"

#include "QelApp.h"

namespace rg_Zarno_YangLi {

namespace {
const wchar_t kClassName[] = L"QelMainWindow";

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_NCDESTROY: {
        LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
        AfxOnWindowDestroyed(hwnd);
        if (wnd) wnd->Detach();
        return result;
    }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

rg_ZhuChuangKouLei::~rg_ZhuChuangKouLei() {
    if (window.m_hWnd && IsWindow(window.m_hWnd)) DestroyWindow(window.m_hWnd);
}

int rg_ZhuChuangKouLei::Create() {
    if (window.m_hWnd) return 0;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = MainWindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc)) return 0;
    }
    const DWORD style = WS_OVERLAPPEDWINDOW;
    RECT rc{0, 0, GetDesignWidth(), GetDesignHeight()};
    AdjustWindowRectEx(&rc, style, FALSE, 0);
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    RECT work{};
    MONITORINFO mi{sizeof mi};
    POINT origin{0, 0};
    if (GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &mi)) work = mi.rcWork;
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    HWND hwnd = CreateWindowExW(0, kClassName, L"Ferovel V1.3  Osk", style, x, y, width, height, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 0;
    window.Attach(hwnd);
    if (icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    return 1;
}

}  // namespace rg_Zarno_YangLi
