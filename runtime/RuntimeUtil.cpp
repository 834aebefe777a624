#include "runtime/RuntimeUtil.h"

#include <cmath>
#include <cstring>
#include <cwchar>

#include "runtime/portable/PathCombine.h"

// ---- key names -----------------------------------------------------------------------------------

namespace {

struct KeyNameTable {
    const wchar_t* names[256];
    wchar_t singles[256][2];  // one-character names

    KeyNameTable() {
        for (auto& name : names) name = L"";
        auto single = [this](int code, wchar_t c) {
            singles[code][0] = c;
            singles[code][1] = 0;
            names[code] = singles[code];
        };
        names[0x03] = L"Break";
        names[0x08] = L"Backspace";
        names[0x09] = L"Tab";
        names[0x0C] = L"PadCenter";
        names[0x0D] = L"Enter";
        names[0x10] = L"Shift";
        names[0x11] = L"Ctrl";
        names[0x12] = L"Alt";
        names[0x13] = L"Pause";
        names[0x14] = L"CapsLock";
        names[0x1B] = L"ESC";
        names[0x20] = L"Space";
        names[0x21] = L"PageUp";
        names[0x22] = L"PageDown";
        names[0x23] = L"End";
        names[0x24] = L"Home";
        names[0x25] = L"Left";
        names[0x26] = L"Up";
        names[0x27] = L"Right";
        names[0x28] = L"Down";
        names[0x2D] = L"Ins";
        names[0x2E] = L"Del";
        for (int d = 0; d < 10; ++d) single(0x30 + d, static_cast<wchar_t>(L'0' + d));
        for (int l = 0; l < 26; ++l) single(0x41 + l, static_cast<wchar_t>(L'A' + l));
        names[0x6A] = L"PadMul";
        names[0x6B] = L"PadPlus";
        static const wchar_t* const kFunctionKeys[16] = {L"F1", L"F2",  L"F3",  L"F4",  L"F5",  L"F6",  L"F7",  L"F8",
                                                         L"F9", L"F10", L"F11", L"F12", L"F13", L"F14", L"F15", L"F16"};
        for (int f = 0; f < 16; ++f) names[0x70 + f] = kFunctionKeys[f];
        names[0x90] = L"NumLock";
        names[0x91] = L"ScrollLock";
        single(0xBA, L';');
        single(0xBB, L'=');
        single(0xBC, L',');
        single(0xBD, L'-');
        single(0xBE, L'.');
        single(0xBF, L'/');
        single(0xC0, L'`');
        single(0xDB, L'[');
        single(0xDC, L'\\');
        single(0xDD, L']');
        single(0xDE, L'\'');
    }
};

const KeyNameTable& Names() {
    static const KeyNameTable table;
    return table;
}

bool KeyDown(int virtualKey) { return GetKeyState(virtualKey) < 0; }

}  // namespace

const wchar_t* const* GetKeyNameTable() { return Names().names; }

const wchar_t* KeyName(uint32_t virtualKey) { return Names().names[virtualKey & 0xFF]; }

const wchar_t* KeyComboText(int64_t keyValue, CWString& scratch) {
    const wchar_t* name = KeyName(static_cast<uint32_t>(keyValue));
    if (!name[0] || (keyValue & ~static_cast<int64_t>(0xFF)) == 0) return name;
    scratch.SetEmpty();
    if (keyValue & kKeyCtrl) scratch.Append(L"Ctrl");
    if (keyValue & kKeyShift) scratch.Append(scratch.GetLength() == 0 ? L"Shift" : L"+Shift");
    if (keyValue & kKeyAlt) scratch.Append(scratch.GetLength() == 0 ? L"Alt" : L"+Alt");
    if (scratch.GetLength() != 0) scratch.AppendChar(L'+');
    scratch.Append(name);
    return scratch.GetText();
}

int64_t NormalizeKey(uint32_t virtualKey) {
    uint32_t code = virtualKey & 0xFF;
    if (code >= 0x60 && code <= 0x69) code -= 0x30;  // keypad digits -> digit keys
    else if (code == 0x6D) code = 0xBD;              // keypad minus
    else if (code == 0x6E) code = 0xBE;              // keypad decimal point
    else if (code == 0x6F) code = 0xBF;              // keypad divide
    if (!KeyName(code)[0]) return 0;
    int64_t value = code;
    if (KeyDown(VK_CONTROL) && code != VK_CONTROL) value += kKeyCtrl;
    if (KeyDown(VK_SHIFT) && value != VK_SHIFT) value += kKeyShift;
    if (KeyDown(VK_MENU) && value != VK_MENU) value += kKeyAlt;
    return value;
}

// ---- paths ---------------------------------------------------------------------------------------

int GetModuleDirectory(HMODULE module, CWString& text) {
    text.SetEmpty();
    CQelMem& buffer = text.buffer;
    // Start with the classic 260 code units and grow while the name does not fit, so a long path is
    // neither cut nor left without its terminating zero.
    DWORD units = MAX_PATH;
    DWORD length = 0;
    for (;;) {
        wchar_t* name = reinterpret_cast<wchar_t*>(buffer.SetSize(static_cast<int64_t>(units) * 2));
        length = GetModuleFileNameW(module, name, units);
        if (length == 0) {
            text.SetEmpty();
            return 0;
        }
        if (length < units) break;
        if (units >= 0x10000) {
            text.SetEmpty();
            return 0;
        }
        units *= 2;
    }
    const wchar_t* name = reinterpret_cast<const wchar_t*>(buffer.data);
    int64_t keep = length;
    for (int64_t i = length; i > 0; --i) {
        if (name[i - 1] == L'\\') {
            keep = i;
            break;
        }
    }
    text.SetChars(name, keep);
    return 1;
}

namespace {

struct MemUnits {
    CQelMem& memory;
    wchar_t* Resize(size_t units) { return reinterpret_cast<wchar_t*>(memory.SetSize(static_cast<int64_t>(units) * 2)); }
};

bool LiesIn(const wchar_t* text, const CQelMem& memory) {
    if (!text || !memory.data) return false;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
    return p >= memory.data && p < memory.data + memory.capacity;
}

const wchar_t* CopyInto(const wchar_t* text, CQelMem& memory) {
    memory.SetSize(0);
    memory.AppendText(text);
    return reinterpret_cast<const wchar_t*>(memory.data);
}

}  // namespace

const wchar_t* CombinePath(const wchar_t* base, const wchar_t* relative, CQelMem& scratch) {
    using qel_path::CombineOutcome;
    if (LiesIn(base, scratch) || LiesIn(relative, scratch)) {
        // An argument lives in the scratch buffer (a previous result): work on copies, since the
        // buffer is rewritten, and answer every outcome from the scratch buffer.
        CWString baseCopy, relativeCopy;
        baseCopy.Append(base);
        relativeCopy.Append(relative);
        MemUnits out{scratch};
        switch (qel_path::CombinePathInto(baseCopy.GetText(), relativeCopy.GetText(), out)) {
            case CombineOutcome::UseBase: return CopyInto(baseCopy.GetText(), scratch);
            case CombineOutcome::UseRelative: return CopyInto(relativeCopy.GetText(), scratch);
            case CombineOutcome::UseCombined: break;
        }
        return reinterpret_cast<const wchar_t*>(scratch.data);
    }
    MemUnits out{scratch};
    switch (qel_path::CombinePathInto(base, relative, out)) {
        case CombineOutcome::UseBase: return base;
        case CombineOutcome::UseRelative: return relative;
        case CombineOutcome::UseCombined: break;
    }
    return reinterpret_cast<const wchar_t*>(scratch.data);
}

int FileExists(const wchar_t* path) {
    if (!path || !path[0]) return 0;
    const size_t length = std::wcslen(path);
    if (length >= 2 && path[length - 1] == L'\\' && path[length - 2] != L':') {
        CWString trimmed;
        trimmed.SetChars(path, static_cast<int64_t>(length - 1));
        return GetFileAttributesW(trimmed.GetText()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
    }
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

const wchar_t* FileNamePart(const wchar_t* path) {
    if (!path) return path;
    const wchar_t* last = std::wcsrchr(path, L'\\');
    return last ? last + 1 : path;
}

HMODULE GetCodeModule() {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(&GetCodeModule), &info, sizeof info) == 0) return nullptr;
    return static_cast<HMODULE>(info.AllocationBase);
}

// ---- screen --------------------------------------------------------------------------------------

void GetMonitorRect(HWND window, RECT& out) {
    if (window) {
        HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info;
        info.cbSize = sizeof info;
        if (monitor && GetMonitorInfoW(monitor, &info)) {
            out = info.rcMonitor;
            return;
        }
    }
    out.left = 0;
    out.top = 0;
    out.right = GetSystemMetrics(SM_CXSCREEN);
    out.bottom = GetSystemMetrics(SM_CYSCREEN);
}

namespace {

int ScreenDpiY() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace

double PixelsToPoints(double pixels) {
    const int dpi = ScreenDpiY();
    if (dpi == 0) return 0;
    return std::fabs(pixels) * 72.0 / dpi;
}

double PointsToPixels(double points) { return ScreenDpiY() * std::fabs(points) / 72.0; }

int GetDisplayStretchMode() {
    DEVMODEW mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmBitsPerPel > 16) return HALFTONE;
    return COLORONCOLOR;
}

// ---- trace ---------------------------------------------------------------------------------------

void Trace(int32_t, int32_t, const char*, ...) {}
