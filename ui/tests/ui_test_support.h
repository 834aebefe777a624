// Shared pieces of the window framework tests: a receiving object with its object pointer, handlers
// that log what they receive, a top-level host container, real input and pixels read back.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/QelContainer.h"
#include "ui/QelControl.h"
#include "testsupport/GdiCount.h"
#include "testsupport/PointedObject.h"
#include "testsupport/Pump.h"

namespace uitest {

using namespace rg_Zarno_MFCJieMian_JiBen;

struct Event {
    std::string name;
    CQelObject* sender;
    int64_t a, b, c, d;
};

// Receives the tests' events: logs them and answers `answer`.
class Receiver : public qeltest::PointedObject {
public:
    int Count(const std::string& name) const {
        return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const Event& e) { return e.name == name; }));
    }
    const Event* Last(const std::string& name) const {
        for (auto it = log.rbegin(); it != log.rend(); ++it) {
            if (it->name == name) return &*it;
        }
        return nullptr;
    }
    std::vector<Event> log;
    int32_t answer = 0;
};

inline int32_t Note(CQelObject* r, const char* name, CQelObject* s, int64_t a = 0, int64_t b = 0, int64_t c = 0) {
    static_cast<Receiver*>(r)->log.push_back({name, s, a, b, c, 0});
    return static_cast<Receiver*>(r)->answer;
}
template <const char* Name>
int32_t Mouse(CQelObject* r, CQelObject* s, uint32_t, int32_t x, int32_t y, int32_t m) { return Note(r, Name, s, x, y, m); }
template <const char* Name>
int32_t Pair(CQelObject* r, CQelObject* s, uint32_t, int32_t a, int32_t b) { return Note(r, Name, s, a, b); }
template <const char* Name>
int32_t Plain(CQelObject* r, CQelObject* s, uint32_t) { return Note(r, Name, s); }

inline constexpr char kLeftDown[] = "leftDown", kLeftUp[] = "leftUp", kMove[] = "move", kWheel[] = "wheel",
                      kKeyDown[] = "keyDown", kGotFocus[] = "gotFocus", kLostFocus[] = "lostFocus",
                      kClicked[] = "clicked", kPosition[] = "position", kDestroyed[] = "destroyed",
                      kAfterDestroy[] = "afterDestroy", kMoved[] = "moved", kResized[] = "resized",
                      kShown[] = "shown", kHidden[] = "hidden";

// A top-level popup container holding the controls under test, shown and active. It is topmost:
// other programs' windows on the same Wine desktop (parallel test runs) must not cover it, or the
// pixels read back and the clicks would be theirs.
class Host {
public:
    explicit Host(int width = 400, int height = 300, int x = 100, int y = 100) {
        container.SetStyle(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
        container.SetExStyle(WS_EX_TOPMOST);
        CQelCreateRecord record{nullptr, x, y, width, height};
        created = container.Create(record);
        if (created) {
            SetForegroundWindow(hwnd());
            qeltest::Pump(20);
        }
    }
    HWND hwnd() const { return container.GetHwnd(); }
    CWnd* wnd() const { return container.GetWindowObject(); }
    // A creation record for a child at (x, y, w, h).
    CQelCreateRecord Child(int x, int y, int w, int h, uint32_t id = 0) const { return {wnd(), x, y, w, h, id}; }
    // Creates a control as a child; answers its window.
    HWND Make(CQelWinControl& c, int x, int y, int w, int h, uint32_t id = 0) const {
        CQelCreateRecord r = Child(x, y, w, h, id);
        EXPECT_TRUE(c.Create(r));
        return c.GetHwnd();
    }

    rg_ZuJianBuJuQi container;
    bool created = false;
};

// ---- real input ------------------------------------------------------------------------------------

inline void SendInputs(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

inline INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

inline INPUT MouseInput(DWORD flags, int screenX = 0, int screenY = 0, int data = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = static_cast<DWORD>(data);
    // Rounded up, so that scaling back (x * width / 65536, truncated) lands on the pixel itself.
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = static_cast<LONG>((screenX * 65536LL + cx - 1) / cx);
    in.mi.dy = static_cast<LONG>((screenY * 65536LL + cy - 1) / cy);
    return in;
}

// Moves the pointer to a client point of hwnd.
inline void MoveTo(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    SendInputs({MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p.x, p.y)});
    qeltest::Pump(10);
}

// A left click at a client point of hwnd, with modifier keys held.
inline void ClickAt(HWND hwnd, int x, int y, std::vector<WORD> modifiers = {}) {
    MoveTo(hwnd, x, y);
    std::vector<INPUT> in;
    for (WORD vk : modifiers) in.push_back(KeyInput(vk, false));
    in.push_back(MouseInput(MOUSEEVENTF_LEFTDOWN));
    in.push_back(MouseInput(MOUSEEVENTF_LEFTUP));
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) in.push_back(KeyInput(*it, true));
    SendInputs(in);
    qeltest::Pump(30);
}

inline void PressKeys(std::vector<WORD> keys) {
    std::vector<INPUT> in;
    for (WORD vk : keys) in.push_back(KeyInput(vk, false));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) in.push_back(KeyInput(*it, true));
    SendInputs(in);
    qeltest::Pump(30);
}

// ---- pixels ----------------------------------------------------------------------------------------

// Paints the window and its children now.
inline void Repaint(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    qeltest::Pump(20);
}

// The client area as shown on the screen.
class Capture {
public:
    explicit Capture(HWND hwnd) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        width = rc.right;
        height = rc.bottom;
        HDC window = GetDC(hwnd);
        HDC memory = CreateCompatibleDC(window);
        HBITMAP bitmap = CreateCompatibleBitmap(window, width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(hwnd, window);
    }
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Bounding box of the pixels that differ from the colour (empty when there are none).
    RECT Bounds(COLORREF color) const {
        RECT r{width, height, 0, 0};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (At(x, y) == color) continue;
                r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                         std::max<LONG>(r.bottom, y + 1)};
            }
        }
        return r.right ? r : RECT{};
    }
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
};

}  // namespace uitest
