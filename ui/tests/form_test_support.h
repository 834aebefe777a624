// Shared pieces of the form and modal host tests: a test form with a design size and components made
// by the test, a receiver that logs form events, real keyboard and mouse input, and window queries.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/QelForm.h"
#include "testsupport/GdiCount.h"
#include "testsupport/PointedObject.h"
#include "testsupport/Pump.h"

namespace formtest {

using namespace rg_Zarno_MFCJieMian_JiBen;

// A form whose design size, components and message filter the test chooses.
class TestForm : public CQelWinForm {
public:
    TestForm(int32_t width = 0, int32_t height = 0) : designWidth(width), designHeight(height) {}
    int32_t GetDesignWidth() const override { return designWidth; }
    int32_t GetDesignHeight() const override { return designHeight; }
    void CreateComponents() override {
        if (components) components(*this);
    }
    int32_t FilterFormMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam, MSG* msg) override {
        if (filter) return filter(message, wParam);
        return CQelWinForm::FilterFormMessage(hwnd, message, wParam, lParam, msg);
    }
    CQWnd_WinForm& W() const { return *GetFormWnd(); }

    int32_t designWidth;
    int32_t designHeight;
    std::function<void(TestForm&)> components;
    std::function<int32_t(uint32_t message, WPARAM wParam)> filter;
};

// Receives events through its counted object pointer; logs them in order. Each handler answers the
// value stored for its event name (0 when none is stored), and may run an action first.
class Receiver : public qeltest::PointedObject {
public:
    int Count(const std::string& name) const {
        int n = 0;
        for (const auto& e : log) n += e.first == name;
        return n;
    }
    std::vector<int32_t> Args(const std::string& name) const {
        std::vector<int32_t> out;
        for (const auto& e : log)
            if (e.first == name) out.push_back(e.second);
        return out;
    }
    int32_t Record(const std::string& name, int32_t arg) {
        log.emplace_back(name, arg);
        if (actions.count(name)) actions[name](arg);
        return answers.count(name) ? answers[name] : 0;
    }

    std::vector<std::pair<std::string, int32_t>> log;
    std::map<std::string, int32_t> answers;
    std::map<std::string, std::function<void(int32_t)>> actions;
};

template <const char* Name>
int32_t Plain(CQelObject* r, CQelObject*, uint32_t) {
    return static_cast<Receiver*>(r)->Record(Name, 0);
}
template <const char* Name>
int32_t WithId(CQelObject* r, CQelObject*, uint32_t, int32_t id) {
    return static_cast<Receiver*>(r)->Record(Name, id);
}

inline constexpr char kCommand[] = "command";
inline constexpr char kMenuSelect[] = "menuSelect";
inline constexpr char kQueryClose[] = "queryClose";
inline constexpr char kCloseRequest[] = "closeRequest";
inline constexpr char kFirstActivated[] = "firstActivated";
inline constexpr char kActivated[] = "activated";
inline constexpr char kDeactivated[] = "deactivated";
inline constexpr char kNotifyIcon[] = "notifyIcon";
inline constexpr char kDialogInit[] = "dialogInit";
inline constexpr char kDestroyed[] = "destroyed";
inline constexpr char kClicked[] = "clicked";

// Binds every form event without arguments or with an id to the receiver.
inline void BindFormEvents(CQelWinForm& form, Receiver& r) {
    BindEvent(form, form.command, &WithId<kCommand>, r.self);
    BindEvent(form, form.menuSelect, &WithId<kMenuSelect>, r.self);
    BindEvent(form, form.queryClose, &Plain<kQueryClose>, r.self);
    BindEvent(form, form.closeRequest, &Plain<kCloseRequest>, r.self);
    BindEvent(form, form.firstActivated, &Plain<kFirstActivated>, r.self);
    BindEvent(form, form.activated, &Plain<kActivated>, r.self);
    BindEvent(form, form.deactivated, &Plain<kDeactivated>, r.self);
    BindEvent(form, form.notifyIcon, &WithId<kNotifyIcon>, r.self);
    BindEvent(form, form.dialogInit, &Plain<kDialogInit>, r.self);
    BindEvent(form, form.destroyed, &Plain<kDestroyed>, r.self);
}

// A record for a top-level form at (x, y) with the outer size (w, h); CW_USEDEFAULT by default.
inline CQelCreateRecord TopRecord(int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int w = CW_USEDEFAULT,
                                  int h = CW_USEDEFAULT) {
    CQelCreateRecord r;
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    return r;
}

inline std::wstring TextOf(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

inline DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }
inline DWORD ExStyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)); }

inline SIZE ClientSize(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return SIZE{rc.right, rc.bottom};
}

inline RECT WindowRect(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc;
}

// Makes a top-level window the foreground window so that keyboard input reaches it.
inline bool Activate(HWND hwnd) {
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    return qeltest::PumpUntil([&] { return GetForegroundWindow() == hwnd; }, 2000);
}

inline INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

// Presses and releases a key with the modifier keys held.
inline void SendKey(WORD vk, std::vector<WORD> modifiers = {}) {
    std::vector<INPUT> in;
    for (WORD m : modifiers) in.push_back(KeyInput(m, false));
    in.push_back(KeyInput(vk, false));
    in.push_back(KeyInput(vk, true));
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) in.push_back(KeyInput(*it, true));
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// The same, then pumps the queue as the application's loop does.
inline void PressKey(WORD vk, std::vector<WORD> modifiers = {}) {
    SendKey(vk, std::move(modifiers));
    qeltest::Pump(60);
}

inline INPUT MouseInput(DWORD flags, int screenX = 0, int screenY = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = static_cast<LONG>((screenX * 65536LL + cx - 1) / cx);
        in.mi.dy = static_cast<LONG>((screenY * 65536LL + cy - 1) / cy);
    }
    return in;
}

inline void MouseTo(int screenX, int screenY) {
    INPUT in = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screenX, screenY);
    SendInput(1, &in, sizeof(INPUT));
}

inline void MouseButton(bool down) {
    INPUT in = MouseInput(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &in, sizeof(INPUT));
}

// The WinHelp viewer is stood in for by a window of its class, which receives each request.
struct HelpViewer {
    HelpViewer() {
        static ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"MS_WINHELP";
            return RegisterClassW(&wc);
        }();
        requests().clear();
        if (atom) hwnd = CreateWindowExW(0, L"MS_WINHELP", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~HelpViewer() { DestroyWindow(hwnd); }
    struct Request {
        UINT command;
        LONG data;
        std::string file;
    };
    static std::vector<Request>& requests() {
        static std::vector<Request> list;
        return list;
    }
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_COPYDATA) {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(l);
#pragma pack(push, 1)
            struct Record {
                WORD size, command;
                LONG data, reserved;
                WORD fileOffset, dataOffset;
            } record{};
#pragma pack(pop)
            if (copy->cbData < sizeof record) return 0;
            std::memcpy(&record, copy->lpData, sizeof record);
            std::string file;
            if (record.fileOffset && record.fileOffset < copy->cbData)
                file = static_cast<const char*>(copy->lpData) + record.fileOffset;
            requests().push_back({record.command, record.data, file});
            return 1;
        }
        return DefWindowProcW(h, m, w, l);
    }
    HWND hwnd = nullptr;
};

}  // namespace formtest
