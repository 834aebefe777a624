// Shared pieces of the window framework tests: a receiving object with an object pointer, recorded
// events, a top-level host container, real input through SendInput and reading pixels back.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QelContainer.h"
#include "QelControl.h"
#include "QelTestSupport.h"

namespace uitest {

using namespace rg_Zarno_MFCJieMian_JiBen;

// One delivered event: its slot name, the sender and up to four integer arguments.
struct Event {
    const char* name;
    CQelObject* sender;
    int64_t a, b, c, d;
};

// The receiver of the tests' events: an object with its counted object pointer (cleared when it
// dies) and a log. Handlers answer `answer` unless stated otherwise.
class Receiver : public CQelObject {
public:
    Receiver() : self(new CQelObjectPointer(this)) {}
    ~Receiver() override {
        self->target = nullptr;
        self->Release();
    }
    int Count(const char* name) const {
        int n = 0;
        for (const Event& e : log) n += std::string(e.name) == name;
        return n;
    }
    const Event* Last(const char* name) const {
        for (auto it = log.rbegin(); it != log.rend(); ++it) {
            if (std::string(it->name) == name) return &*it;
        }
        return nullptr;
    }

    CQelObjectPointer* self;
    std::vector<Event> log;
    int32_t answer = 0;
};

inline Receiver* AsReceiver(CQelObject* o) { return static_cast<Receiver*>(o); }

template <const char* Name>
int32_t Mouse(CQelObject* r, CQelObject* s, uint32_t, int32_t x, int32_t y, int32_t m) {
    AsReceiver(r)->log.push_back({Name, s, x, y, m, 0});
    return AsReceiver(r)->answer;
}
template <const char* Name>
int32_t Pair(CQelObject* r, CQelObject* s, uint32_t, int32_t a, int32_t b) {
    AsReceiver(r)->log.push_back({Name, s, a, b, 0, 0});
    return AsReceiver(r)->answer;
}
template <const char* Name>
int32_t Plain(CQelObject* r, CQelObject* s, uint32_t) {
    AsReceiver(r)->log.push_back({Name, s, 0, 0, 0, 0});
    return AsReceiver(r)->answer;
}

inline constexpr char kLeftDown[] = "leftDown";
inline constexpr char kLeftUp[] = "leftUp";
inline constexpr char kLeftDouble[] = "leftDouble";
inline constexpr char kRightDown[] = "rightDown";
inline constexpr char kRightUp[] = "rightUp";
inline constexpr char kMove[] = "move";
inline constexpr char kWheel[] = "wheel";
inline constexpr char kKeyDown[] = "keyDown";
inline constexpr char kKeyUp[] = "keyUp";
inline constexpr char kGotFocus[] = "gotFocus";
inline constexpr char kLostFocus[] = "lostFocus";
inline constexpr char kClicked[] = "clicked";
inline constexpr char kPosition[] = "position";
inline constexpr char kCreated[] = "created";
inline constexpr char kDestroyed[] = "destroyed";
inline constexpr char kAfterDestroy[] = "afterDestroy";
inline constexpr char kMoved[] = "moved";
inline constexpr char kResized[] = "resized";
inline constexpr char kShown[] = "shown";
inline constexpr char kHidden[] = "hidden";

// A top-level popup container to hold the controls under test, shown and active at (x, y).
class Host {
public:
    explicit Host(int width = 400, int height = 300, int x = 100, int y = 100) {
        container.SetStyle(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
        CQelCreateRecord record;
        record.x = x;
        record.y = y;
        record.width = width;
        record.height = height;
        created = container.Create(record);
        if (created) {
            SetForegroundWindow(hwnd());
            SetActiveWindow(hwnd());
            qeltest::Pump(20);
        }
    }
    HWND hwnd() const { return container.GetHwnd(); }
    CWnd* wnd() const { return container.GetWindowObject(); }
    // A creation record for a child at (x, y, w, h).
    CQelCreateRecord Child(int x, int y, int w, int h, uint32_t id = 0) const {
        CQelCreateRecord r;
        r.parent = wnd();
        r.x = x;
        r.y = y;
        r.width = w;
        r.height = h;
        r.id = id;
        return r;
    }

    rg_ZuJianBuJuQi container;
    bool created = false;
};

// ---- real input ------------------------------------------------------------------------------------

inline void SendInputs(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

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
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
        // Rounded up, so that scaling back (x * width / 65536, truncated) lands on the pixel itself.
        in.mi.dx = static_cast<LONG>((screenX * 65536LL + cx - 1) / cx);
        in.mi.dy = static_cast<LONG>((screenY * 65536LL + cy - 1) / cy);
    }
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
inline void ClickAt(HWND hwnd, int x, int y, std::vector<WORD> modifiers = {}, bool release = true) {
    MoveTo(hwnd, x, y);
    std::vector<INPUT> in;
    for (WORD vk : modifiers) in.push_back(KeyInput(vk, false));
    in.push_back(MouseInput(MOUSEEVENTF_LEFTDOWN));
    if (release) in.push_back(MouseInput(MOUSEEVENTF_LEFTUP));
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) in.push_back(KeyInput(*it, true));
    SendInputs(in);
    qeltest::Pump(30);
}

// Screen pixel of a client point of hwnd, read after the window has painted.
inline COLORREF Pixel(HWND hwnd, int x, int y) { return qeltest::ClientPixel(hwnd, x, y); }

// The client area as shown on the screen, copied into memory: pixel (x, y) is At(x, y) as a COLORREF.
class Capture {
public:
    explicit Capture(HWND hwnd) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        width = rc.right;
        height = rc.bottom;
        pixels.resize(static_cast<size_t>(width) * height);
        HDC window = GetDC(hwnd);
        HDC memory = CreateCompatibleDC(window);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(window, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
        GdiFlush();
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const uint32_t v = p[i];
            pixels[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        }
        SelectObject(memory, old);
        DeleteObject(dib);
        DeleteDC(memory);
        ReleaseDC(hwnd, window);
    }
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Pixels in the rectangle that differ from the colour.
    int CountOther(COLORREF color, int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) n += At(x, y) != color;
        }
        return n;
    }
    // Bounding box of the pixels that differ from the colour (empty when there are none).
    RECT Bounds(COLORREF color) const {
        RECT r{width, height, 0, 0};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (At(x, y) == color) continue;
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
        }
        if (r.right == 0) r = RECT{0, 0, 0, 0};
        return r;
    }
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
};

// Paints the window now and lets the surface settle.
inline void Repaint(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    qeltest::Pump(20);
}

}  // namespace uitest
