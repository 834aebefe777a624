#include "app/tests/e2e_harness.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <thread>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "testsupport/Bitmap32.h"
#include "testsupport/DropFiles.h"

namespace e2e {

// ---- waiting -----------------------------------------------------------------------------------------

void PumpPending() {
    if (qeltest::ProgramHost* host = qeltest::CurrentProgramHost()) {
        // The application's own loop piece: pre-translation (the program's and the form's message
        // filters), then translation and dispatch.
        host->PumpPending();
        return;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpPending();
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        PumpPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    PumpPending();
}

// ---- pictures ----------------------------------------------------------------------------------------

Image DecodeWithWic(const std::wstring& path) {
    Image out;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom))) {
        UINT w = 0, h = 0;
        converter->GetSize(&w, &h);
        std::vector<uint32_t> px(static_cast<size_t>(w) * h);
        if (w && h &&
            SUCCEEDED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(px.size() * 4),
                                            reinterpret_cast<BYTE*>(px.data())))) {
            out.width = static_cast<int>(w);
            out.height = static_cast<int>(h);
            out.px = std::move(px);  // B, G, R, A bytes read as one little-endian word: 0xAARRGGBB
        }
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    if (factory) factory->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    return out;
}

Image CaptureScreen(const RECT& r) {
    Image out;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return out;
    HDC screen = GetDC(nullptr);
    out.px = qeltest::ReadPixels32(screen, r.left, r.top, w, h);
    ReleaseDC(nullptr, screen);
    if (out.px.empty()) return out;
    out.width = w;
    out.height = h;
    for (uint32_t& p : out.px) p |= 0xFF000000u;
    return out;
}

Image CaptureClient(HWND window, const RECT& clientRect) {
    POINT topLeft{clientRect.left, clientRect.top};
    ClientToScreen(window, &topLeft);
    RECT r{topLeft.x, topLeft.y, topLeft.x + (clientRect.right - clientRect.left),
           topLeft.y + (clientRect.bottom - clientRect.top)};
    return CaptureScreen(r);
}

Range LightChannel(int in, int brightness, int contrast) {
    // The exact value is n / d.
    int64_t n, d;
    if (contrast >= 0) {
        d = 256 - contrast;
        n = int64_t(in - 128) * 256 + int64_t(128 + brightness) * d;
    } else {
        d = 256;
        n = int64_t(in - 128) * (256 + contrast) + int64_t(128 + brightness) * 256;
    }
    int64_t q = n / d, rem = n % d;
    if (rem < 0) {
        rem += d;
        --q;
    }
    int64_t lo, hi;
    if (2 * rem < d) {
        lo = hi = q;
    } else if (2 * rem > d) {
        lo = hi = q + 1;
    } else {
        lo = q;
        hi = q + 1;
    }
    auto clamp = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, 255)); };
    return Range{clamp(lo), clamp(hi)};
}

Range LightRange(Range in, int brightness, int contrast) {
    return Range{LightChannel(in.lo, brightness, contrast).lo, LightChannel(in.hi, brightness, contrast).hi};
}

namespace {

struct Exact {
    double r, g, b;  // 0..255, unrounded
};

Exact ColorizeDouble(uint32_t rgb, int hue, int saturation) {
    const double r = R(rgb) / 255.0, g = G(rgb) / 255.0, b = B(rgb) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    const double s = saturation / 255.0;
    // Chroma form of HSL to RGB: hue in sixths of the circle.
    const double c = (1 - std::fabs(2 * l - 1)) * s;
    double hp = hue / 255.0 * 6.0;
    if (hp >= 6.0) hp -= 6.0;
    const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r1 = 0, g1 = 0, b1 = 0;
    switch (static_cast<int>(hp)) {
        case 0: r1 = c, g1 = x; break;
        case 1: r1 = x, g1 = c; break;
        case 2: g1 = c, b1 = x; break;
        case 3: g1 = x, b1 = c; break;
        case 4: r1 = x, b1 = c; break;
        default: r1 = c, b1 = x; break;
    }
    const double m = l - c / 2;
    return Exact{(r1 + m) * 255.0, (g1 + m) * 255.0, (b1 + m) * 255.0};
}

int Round8(double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

uint32_t ColorizeExact(uint32_t rgb, int hue, int saturation) {
    const Exact e = ColorizeDouble(rgb, hue, saturation);
    return Rgb(Round8(e.r), Round8(e.g), Round8(e.b), A(rgb));
}

ColourRange ColorizeExpect(uint32_t rgb, int hue, int saturation) {
    const uint32_t v = ColorizeExact(rgb, hue, saturation);
    auto around = [](int c) { return Range{std::max(0, c - 1), std::min(255, c + 1)}; };
    return ColourRange{around(R(v)), around(G(v)), around(B(v))};
}

std::string Compare(const Image& shown, const RECT& area, const std::function<ColourRange(int, int)>& expect) {
    if (!shown.Valid()) return "nothing captured";
    if (area.right > shown.width || area.bottom > shown.height) return "capture too small";
    int bad = 0;
    std::string text;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const uint32_t p = shown.At(x, y);
            const ColourRange e = expect(x, y);
            if (e.Contains(p)) continue;
            if (++bad <= 5) {
                char line[200];
                std::snprintf(line, sizeof line, "(%d,%d) shown %d,%d,%d want %d-%d,%d-%d,%d-%d; ", x, y, R(p), G(p),
                              B(p), e.r.lo, e.r.hi, e.g.lo, e.g.hi, e.b.lo, e.b.hi);
                text += line;
            }
        }
    }
    if (bad == 0) return {};
    return std::to_string(bad) + " pixels differ: " + text;
}

// ---- input -------------------------------------------------------------------------------------------

namespace {

INPUT MouseInput(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
        // Rounded up, so that scaling back (x * width / 65536, truncated) lands on the pixel itself.
        in.mi.dx = static_cast<LONG>((x * 65536LL + cx - 1) / cx);
        in.mi.dy = static_cast<LONG>((y * 65536LL + cy - 1) / cy);
    }
    return in;
}

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

void MouseMoveScreen(int x, int y) {
    Send({MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y)});
    PumpUntil(
        [&] {
            POINT p{};
            GetCursorPos(&p);
            return p.x == x && p.y == y;
        },
        2000);
    PumpFor(5);
}

void MouseMoveClient(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    MouseMoveScreen(p.x, p.y);
}

void MouseButton(bool left, bool down) {
    const DWORD flag = left ? (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                            : (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
    Send({MouseInput(flag)});
    PumpFor(15);
}

void ClickClient(HWND window, int x, int y, bool left) {
    MouseMoveClient(window, x, y);
    MouseButton(left, true);
    MouseButton(left, false);
}

void PressKey(WORD vk, int times) {
    for (int i = 0; i < times; ++i) {
        INPUT down{}, up{};
        down.type = up.type = INPUT_KEYBOARD;
        down.ki.wVk = up.ki.wVk = vk;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        Send({down, up});
        PumpFor(2);
    }
    PumpFor(10);
}

POINT ScreenCentre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// ---- the program's windows ----------------------------------------------------------------------------

RECT RectInParent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int SliderPos(HWND slider) { return static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0)); }

namespace {

POINT ThumbCentre(HWND slider) {
    RECT thumb{};
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT p{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    ClientToScreen(slider, &p);
    return p;
}

}  // namespace

int SlideWithKeys(HWND slider, int target) {
    const POINT thumb = ThumbCentre(slider);
    MouseMoveScreen(thumb.x, thumb.y);
    MouseButton(true, true);
    MouseButton(true, false);
    PumpUntil([&] { return GetFocus() == slider; }, 2000);
    const int minimum = static_cast<int>(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0));
    const int maximum = static_cast<int>(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0));
    int from = SliderPos(slider);
    // The shortest way: from where it is, from the start (Home) or from the end (End).
    if (target == maximum) {
        PressKey(VK_END);
    } else if (target == minimum) {
        PressKey(VK_HOME);
    } else {
        if (std::abs(target - minimum) < std::abs(target - from)) {
            PressKey(VK_HOME);
            from = minimum;
        }
        if (std::abs(maximum - target) < std::abs(target - from)) {
            PressKey(VK_END);
            from = maximum;
        }
        if (target > from) PressKey(VK_RIGHT, target - from);
        if (target < from) PressKey(VK_LEFT, from - target);
    }
    PumpUntil([&] { return SliderPos(slider) == target; }, 10000);
    return SliderPos(slider);
}

int DragThumb(HWND slider, int dx) {
    const POINT thumb = ThumbCentre(slider);
    MouseMoveScreen(thumb.x, thumb.y);
    MouseButton(true, true);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i) MouseMoveScreen(thumb.x + dx * i / steps, thumb.y);
    MouseButton(true, false);
    PumpFor(30);
    return SliderPos(slider);
}

HostedProgram::HostedProgram() {
    if (!host_.Start()) return;
    const HWND main = Main();
    // Above any window another test program may show on a shared desktop, so that the input and the
    // screen read back are this program's.
    SetWindowPos(main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(main);
    PumpUntil([&] { return IsWindowVisible(main) && GetForegroundWindow() == main; }, 5000);
    PumpFor(50);
}

HostedProgram::~HostedProgram() { host_.Stop(); }

void HostedProgram::PostDrop(const std::vector<std::wstring>& paths, POINT at) {
    qeltest::PostDropFiles(Main(), paths, at);
}

bool HostedProgram::WaitDropsHandled() {
    return PumpUntil([] {
        MSG msg;
        return !PeekMessageW(&msg, nullptr, WM_DROPFILES, WM_DROPFILES, PM_NOREMOVE);
    });
}

bool HostedProgram::Drop(const std::wstring& path, int expectWidth, int expectHeight) {
    PostDrop({path});
    return WaitDropsHandled() && PumpUntil(
        [&] {
            RECT r{};
            GetClientRect(Painter(), &r);
            return r.right == expectWidth && r.bottom == expectHeight;
        },
        10000);
}

Image HostedProgram::Shown(int width, int height) const {
    return CaptureClient(Main(), RECT{kPictureX, kPictureY, kPictureX + width, kPictureY + height});
}

std::string HostedProgram::WaitShown(int width, int height, const std::function<std::string(const Image&)>& check,
                                     DWORD timeoutMs) const {
    std::string last;
    PumpUntil(
        [&] {
            last = check(Shown(width, height));
            return last.empty();
        },
        timeoutMs);
    return last;
}

void HostedProgram::ClickButton(int id) {
    const RECT r = RectInParent(Control(id));
    ClickClient(Main(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool HostedProgram::Responsive() const {
    if (!IsWindow(Main()) || !IsWindowVisible(Main())) return false;
    // Sent from another thread, the message is answered only by this thread's message loop.
    struct Probe {
        HWND window;
        wchar_t title[64];
        LRESULT sent;
        volatile LONG done;
    } probe{Main(), {}, 0, 0};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* param) -> DWORD {
            auto* p = static_cast<Probe*>(param);
            DWORD_PTR answer = 0;
            p->sent = SendMessageTimeoutW(p->window, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(p->title),
                                          SMTO_ABORTIFHUNG, 3000, &answer);
            InterlockedExchange(&p->done, 1);
            return 0;
        },
        &probe, 0, nullptr);
    if (!thread) return false;
    PumpUntil([&] { return probe.done != 0; }, 5000);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    return probe.sent != 0 && std::wstring(probe.title) == L"Ferovel V1.3  Osk";
}

// ---- the executable -----------------------------------------------------------------------------------

ProgramProcess::ProgramProcess() {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring commandLine = L"\"" + std::wstring(PHOTOPRINT_EXE) + L"\"";
    if (!CreateProcessW(PHOTOPRINT_EXE, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
        pi_ = PROCESS_INFORMATION{};
        return;
    }
    const DWORD start = GetTickCount();
    while (!main_ && GetTickCount() - start < 20000) {
        main_ = FindMainWindow(pi_.dwProcessId);
        if (!main_) Sleep(20);
    }
    if (main_) SetWindowPos(main_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

ProgramProcess::~ProgramProcess() {
    if (!pi_.hProcess) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

DWORD ProgramProcess::WaitExit(DWORD timeoutMs) {
    if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

// ---- files on the host --------------------------------------------------------------------------------

Scratch::Scratch() {
    unix_ = "/tmp/qel-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    CreateDirectoryW(Win().c_str(), nullptr);
}

Scratch::~Scratch() {
    // The current folder of the process must not keep the folder busy.
    SetCurrentDirectoryW(L"C:\\");
    RunHost("chattr -R -i '" + unix_ + "' 2>/dev/null; rm -rf '" + unix_ + "'");
}

std::wstring Scratch::Win() const { return WinPath(unix_); }
std::wstring Scratch::WinFile(const std::string& name) const { return WinPath(unix_ + "/" + name); }

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    std::sort(names.begin(), names.end());
    return names;
}

Image ReadPpm(const std::wstring& path) {
    Image image;
    const std::string data = ReadBytes(path);
    size_t pos = 0;
    auto token = [&]() {
        while (pos < data.size() && (std::isspace(static_cast<unsigned char>(data[pos])) || data[pos] == '#')) {
            if (data[pos] == '#')
                while (pos < data.size() && data[pos] != '\n') ++pos;
            else
                ++pos;
        }
        const size_t start = pos;
        while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        return data.substr(start, pos - start);
    };
    if (token() != "P6") return image;
    const int w = std::atoi(token().c_str()), h = std::atoi(token().c_str()), maxval = std::atoi(token().c_str());
    ++pos;  // the one white space before the samples
    if (w <= 0 || h <= 0 || maxval != 255 || data.size() < pos + size_t(w) * h * 3) return image;
    image.width = w;
    image.height = h;
    image.px.resize(size_t(w) * h);
    for (size_t i = 0; i < image.px.size(); ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(data.data() + pos + i * 3);
        image.px[i] = Rgb(p[0], p[1], p[2]);
    }
    return image;
}

bool WritePam(const Image& image, const std::wstring& path) {
    bool opaque = true;
    for (uint32_t p : image.px) opaque = opaque && A(p) == 255;
    std::string data = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " + std::to_string(image.height) +
                       (opaque ? "\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n"
                               : "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n");
    for (uint32_t p : image.px) {
        data.push_back(static_cast<char>(R(p)));
        data.push_back(static_cast<char>(G(p)));
        data.push_back(static_cast<char>(B(p)));
        if (!opaque) data.push_back(static_cast<char>(A(p)));
    }
    return WriteBytes(path, data);
}

std::wstring MakePictureFile(const Scratch& scratch, const Image& image, const std::string& name,
                             const std::string& options, const std::string& format) {
    const std::string source = name + ".source.pam";
    if (!WritePam(image, scratch.WinFile(source))) return {};
    std::string out;
    const std::string command = "cd '" + scratch.Unix() + "' && convert '" + source + "' " + options + " '" +
                                (format.empty() ? "" : format + ":") + name + "' && rm -f '" + source + "'";
    if (RunHost(command, &out) != 0) {
        std::fprintf(stderr, "convert failed: %s\n", out.c_str());
        return {};
    }
    return scratch.WinFile(name);
}

Image PatternPicture(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.px.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int r = x * 255 / std::max(1, width - 1);
            const int g = y * 255 / std::max(1, height - 1);
            const int b = ((x / 16 + y / 16) % 2) ? 200 : 40;
            image.At(x, y) = Rgb(r, g, b);
        }
    }
    return image;
}

// ---- system dialogs ----------------------------------------------------------------------------------

DialogAnswerer* DialogAnswerer::current_ = nullptr;

DialogAnswerer::DialogAnswerer(int button) : button_(button) {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer() {
    if (hook_) UnhookWindowsHookEx(hook_);
    current_ = nullptr;
}

int DialogAnswerer::Open() const {
    int open = 0;
    for (HWND w : windows_) open += IsWindow(w) ? 1 : 0;
    return open;
}

LRESULT CALLBACK DialogAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && current_) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770" &&
            std::find(current_->windows_.begin(), current_->windows_.end(), window) == current_->windows_.end()) {
            current_->windows_.push_back(window);
            wchar_t title[256] = {}, text[2048] = {};
            GetWindowTextW(window, title, 256);
            GetDlgItemTextW(window, 0xFFFF, text, 2048);
            current_->seen_.push_back(Seen{GetWindow(window, GW_OWNER), title, text});
            current_->mostOpen_ = std::max(current_->mostOpen_, current_->Open());
            SetTimer(nullptr, 0, 50, Press);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogAnswerer::Press(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!current_) return;
    for (size_t i = 0; i < current_->windows_.size(); ++i) {
        const HWND w = current_->windows_[i];
        if (!IsWindow(w)) continue;
        // Some dialogs fill their controls only after activation: read them again now.
        wchar_t title[256] = {}, text[2048] = {};
        if (GetWindowTextW(w, title, 256) > 0) current_->seen_[i].title = title;
        if (GetDlgItemTextW(w, 0xFFFF, text, 2048) > 0) current_->seen_[i].text = text;
        PostMessageW(w, WM_COMMAND, MAKEWPARAM(current_->button_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(w, current_->button_)));
    }
}

// ---- shortcuts, the wheel and the menu bar ----------------------------------------------------------

namespace {
INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}
}  // namespace

// A key pressed with modifiers held (for example Ctrl+Shift+S), as one piece of input.
void PressShortcut(std::initializer_list<WORD> modifiers, WORD vk) {
    std::vector<INPUT> in;
    for (WORD m : modifiers) in.push_back(KeyInput(m, false));
    in.push_back(KeyInput(vk, false));
    in.push_back(KeyInput(vk, true));
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) in.push_back(KeyInput(*m, true));
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    PumpFor(30);
}

// Wheel notches (120 each; negative = towards the user) over a point of the painter, with
// modifiers held.
void WheelOverPicture(HWND painter, int x, int y, int delta, std::initializer_list<WORD> modifiers, bool tilt) {
    MouseMoveClient(painter, x, y);
    std::vector<INPUT> in;
    for (WORD m : modifiers) in.push_back(KeyInput(m, false));
    INPUT wheel{};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = tilt ? MOUSEEVENTF_HWHEEL : MOUSEEVENTF_WHEEL;
    wheel.mi.mouseData = static_cast<DWORD>(delta);
    in.push_back(wheel);
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) in.push_back(KeyInput(*m, true));
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    PumpFor(60);
}

// A visible window of this process with the class name, other than `except`.
HWND FindProcessWindow(const wchar_t* className, HWND except) {
    return qeltest::FindVisibleWindow(GetCurrentProcessId(), [&](HWND w) {
        wchar_t name[32] = {};
        GetClassNameW(w, name, 32);
        return w != except && wcscmp(name, className) == 0;
    });
}

// Clicks a menu entry with the mouse: the popup's title on the menu bar, then the entry in the
// popup that opens. The menu's own loop runs inside this thread's pumping, so the second click comes
// from a helper thread once the popup window ("#32768") shows.
bool ChooseMenuEntry(HWND main, int popupIndex, UINT commandId) {
    HMENU bar = GetMenu(main);
    HMENU popup = GetSubMenu(bar, popupIndex);
    if (!popup) return false;
    int position = -1;
    for (int i = 0; i < GetMenuItemCount(popup); ++i)
        if (GetMenuItemID(popup, i) == commandId) position = i;
    if (position < 0) return false;
    RECT title{};
    if (!GetMenuItemRect(main, bar, popupIndex, &title)) return false;
    std::atomic<bool> clicked{false};
    std::thread second([&] {
        const DWORD until = GetTickCount() + 5000;
        RECT entry{};
        while (GetTickCount() < until) {
            if (FindProcessWindow(L"#32768") && GetMenuItemRect(nullptr, popup, position, &entry)) break;
            Sleep(20);
        }
        if (entry.right <= entry.left) return;
        INPUT in[3] = {};
        const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
        in[0].type = in[1].type = in[2].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in[0].mi.dx = static_cast<LONG>(((entry.left + entry.right) / 2 * 65536LL + cx - 1) / cx);
        in[0].mi.dy = static_cast<LONG>(((entry.top + entry.bottom) / 2 * 65536LL + cy - 1) / cy);
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &in[0], sizeof(INPUT));
        Sleep(100);
        SendInput(2, &in[1], sizeof(INPUT));
        clicked = true;
    });
    ClickClient(main, 0, 0);  // moves the pointer away first, so the title's click is a fresh one
    POINT at{(title.left + title.right) / 2, (title.top + title.bottom) / 2};
    MouseMoveScreen(at.x, at.y);
    MouseButton(true, true);
    MouseButton(true, false);
    PumpUntil([&] { return clicked.load() && !FindProcessWindow(L"#32768"); }, 8000);
    second.join();
    PumpFor(50);
    return clicked.load();
}

}  // namespace e2e
