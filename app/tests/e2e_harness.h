// End-to-end test harness: drives the photo-print program under Wine as a user would.
//
// - The program runs either as the real executable in its own process (ProgramProcess) or hosted in
//   the test process (HostedProgram: the application object is built here and its message loop
//   pieces are pumped by the test), so that a dropped file can arrive as WM_DROPFILES with a real
//   HDROP, which is valid only inside the process that owns it.
// - Input is real input: SendInput mouse and key events, delivered by Wine like the user's own.
// - What the program shows is read back from the screen (the desktop device context) and compared
//   with values the test computes itself from pictures it makes or decodes itself (WIC, netpbm).
// - Pictures for dropping are made at test time with ImageMagick's convert on the host.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/MainWindowLayout.h"
#include "testsupport/ProgramHost.h"
#include "testsupport/HostCommand.h"
#include "testsupport/ProgramWindow.h"


namespace e2e {

// Host commands, the Unix/Windows path mapping and file access (testsupport/HostCommand.h).
using qeltest::FileExists;
using qeltest::ReadBytes;
using qeltest::RunHost;
using qeltest::Utf8;
using qeltest::Wide;
using qeltest::WinPath;
using qeltest::WriteBytes;

// ---- waiting -----------------------------------------------------------------------------------------

// Handles the messages that are waiting for this thread; through the hosted program's message loop
// pieces when a program is hosted, so that its pre-translation sees them as in the real program.
void PumpPending();
// Pumps messages until the condition holds or the time is up; answers whether it held.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// Pumps messages for the given time.
void PumpFor(DWORD ms);

// ---- pictures ----------------------------------------------------------------------------------------

// Pixels as 0xAARRGGBB, rows from the top.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> px;
    bool Valid() const { return width > 0 && height > 0; }
    uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
    uint32_t& At(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
};

inline int R(uint32_t c) { return (c >> 16) & 0xFF; }
inline int G(uint32_t c) { return (c >> 8) & 0xFF; }
inline int B(uint32_t c) { return c & 0xFF; }
inline int A(uint32_t c) { return (c >> 24) & 0xFF; }
inline uint32_t Rgb(int r, int g, int b, int a = 255) {
    return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
           static_cast<uint32_t>(b);
}

// Decodes a picture file with WIC into non-premultiplied BGRA; invalid when it cannot be read.
Image DecodeWithWic(const std::wstring& path);

// The screen's pixels in a rectangle of screen coordinates (alpha 255).
Image CaptureScreen(const RECT& screenRect);
// The screen's pixels of a rectangle given in the window's client coordinates.
Image CaptureClient(HWND window, const RECT& clientRect);

// Expected value of one channel after the program's brightness and contrast adjustment:
// out = clamp(round((in - 128) * c + 128 + brightness)), c = 256 / (256 - contrast) for contrast >= 0,
// else (256 + contrast) / 256. Computed exactly in integers. When the exact value lies half-way
// between two integers the rounding direction is the library's choice, so both neighbours are
// allowed: the result is the range [lo, hi] (lo == hi except at such ties).
struct Range {
    int lo, hi;
    bool Contains(int v) const { return v >= lo && v <= hi; }
};
Range LightChannel(int in, int brightness, int contrast);
// The same for a range of inputs (the adjustment is monotonic).
Range LightRange(Range in, int brightness, int contrast);

// Expected colour after the program's hue adjustment with hue h and saturation s (0..255 each): the
// HSL colour (h, s, L) with the pixel's own lightness L = (max + min) / 2, converted back to RGB,
// computed here in doubles. The library may round the half-way lightness of an odd max + min and
// each channel's final value in either direction, which moves a channel by at most 1: the answer
// is each channel's range [v - 1, v + 1] clipped to 0..255.
struct ColourRange {
    Range r, g, b;
    bool Contains(uint32_t c) const { return r.Contains(R(c)) && g.Contains(G(c)) && b.Contains(B(c)); }
};
ColourRange ColorizeExpect(uint32_t rgb, int hue, int saturation);
// The exact colourised value (no tolerance), for building expectations of later steps.
uint32_t ColorizeExact(uint32_t rgb, int hue, int saturation);

// A colour exactly.
inline ColourRange Exactly(uint32_t c) {
    return ColourRange{Range{R(c), R(c)}, Range{G(c), G(c)}, Range{B(c), B(c)}};
}
// The brightness and contrast adjustment of one colour (each channel through the same mapping).
inline ColourRange LightExpect(uint32_t in, int brightness, int contrast) {
    return ColourRange{LightChannel(R(in), brightness, contrast), LightChannel(G(in), brightness, contrast),
                       LightChannel(B(in), brightness, contrast)};
}

// Compares a captured picture with a per-pixel expectation over a rectangle of the picture;
// answers an empty string when every pixel fits, else the number of misfits and the first few.
std::string Compare(const Image& shown, const RECT& area, const std::function<ColourRange(int x, int y)>& expect);

// ---- input -------------------------------------------------------------------------------------------

void MouseMoveScreen(int x, int y);
void MouseMoveClient(HWND window, int x, int y);
void MouseButton(bool left, bool down);
void ClickClient(HWND window, int x, int y, bool left = true);
// Presses and releases a key `times` times.
void PressKey(WORD vk, int times = 1);
// Centre of a window in screen coordinates.
POINT ScreenCentre(HWND window);

// ---- shortcuts, the wheel and the menu bar --------------------------------------------------------

// A key pressed with modifiers held (for example Ctrl+Shift+S), sent as one piece of input.
void PressShortcut(std::initializer_list<WORD> modifiers, WORD vk);
// Wheel notches (120 each; negative = towards the user; tilt: the sideways wheel) over a point of
// the painter, with modifiers held.
void WheelOverPicture(HWND painter, int x, int y, int delta, std::initializer_list<WORD> modifiers = {},
                      bool tilt = false);
// A visible window of this process with the class name, other than `except`.
HWND FindProcessWindow(const wchar_t* className, HWND except = nullptr);
// Clicks a menu entry with the mouse: the popup's title on the menu bar, then the entry in the popup
// that opens (clicked from a helper thread, since the menu's loop runs inside this thread's
// pumping). True when the entry was clicked.
bool ChooseMenuEntry(HWND main, int popupIndex, UINT commandId);

// ---- the program's windows ----------------------------------------------------------------------------

// Control ids of the main window and where the picture starts in its client area, from the
// window's own table.
enum ControlId : int {
    kHiddenPainter = rg_Zarno_YangLi::kHiddenPainterId,
    kPicturePainter = rg_Zarno_YangLi::kPicturePainterId,
    kBrightnessSlider = rg_Zarno_YangLi::kBrightnessSliderId,
    kContrastSlider = rg_Zarno_YangLi::kContrastSliderId,
    kHueSlider = rg_Zarno_YangLi::kHueSliderId,
    kHueLabel = rg_Zarno_YangLi::kHueLabelId,
    kContrastLabel = rg_Zarno_YangLi::kContrastLabelId,
    kGrayscaleButton = rg_Zarno_YangLi::kGrayscaleButtonId,
    kBrightnessLabel = rg_Zarno_YangLi::kBrightnessLabelId,
    kPrintButton = rg_Zarno_YangLi::kPrintButtonId,
    kSaveButton = rg_Zarno_YangLi::kSaveButtonId,
    kCornerButton = rg_Zarno_YangLi::kCornerButtonId,
};
using rg_Zarno_YangLi::kPictureX;
using rg_Zarno_YangLi::kPictureY;

// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);
// A slider's position.
int SliderPos(HWND slider);
// Moves a slider as a user does: a press on its thumb (which gives it the focus and moves nothing),
// then keys: End or Home to reach the ends, arrows for single steps. Returns the position reached.
int SlideWithKeys(HWND slider, int target);
// Drags a slider's thumb with the mouse by dx pixels and releases it; returns the new position.
int DragThumb(HWND slider, int dx);

// The program hosted in this process: the application object of the program is constructed here,
// its InitInstance creates the startup object and the main window, and the test pumps the
// messages through the application's own pre-translation. Destroying it closes the main window and
// runs ExitInstance, as the end of the real program does.
class HostedProgram {
public:
    HostedProgram();
    ~HostedProgram();
    HostedProgram(const HostedProgram&) = delete;
    HostedProgram& operator=(const HostedProgram&) = delete;

    bool Started() const { return Main() != nullptr; }
    HWND Main() const { return host_.Main(); }
    HWND Control(int id) const { return GetDlgItem(Main(), id); }
    HWND Painter() const { return Control(kPicturePainter); }

    // Drops files on the main window: a real HDROP (GlobalAlloc'd DROPFILES with wide names) posted
    // as WM_DROPFILES, as the shell does. Does not pump.
    void PostDrop(const std::vector<std::wstring>& paths, POINT at = POINT{300, 300});
    // Pumps until no dropped files wait in the queue: every drop posted so far has been handled
    // (the message loop handles a message completely once it takes it from the queue).
    bool WaitDropsHandled();
    // Drops and pumps until the drop is handled and the painter has the expected size.
    bool Drop(const std::wstring& path, int expectWidth, int expectHeight);

    // The picture as shown: the painter's area of the screen, width x height from (5, 151).
    Image Shown(int width, int height) const;
    // Waits until the shown picture satisfies the check (which describes what is wrong, empty when
    // nothing is); answers the last description.
    std::string WaitShown(int width, int height, const std::function<std::string(const Image&)>& check,
                          DWORD timeoutMs = 10000) const;

    // Clicks a button of the main window with the mouse.
    void ClickButton(int id);

    // Whether the main window answers a message sent from another thread (its message loop runs)
    // and still carries its title.
    bool Responsive() const;

private:
    qeltest::ProgramHost host_;
};

// Answers the system dialogs ("#32770": message boxes, the print dialog) that this thread opens
// while it lives, as a user would: a moment after a dialog appears it is closed with the given
// button. Each dialog's title and message text (the static control 0xFFFF of a message box) are
// recorded when it appears.
class DialogAnswerer {
public:
    explicit DialogAnswerer(int button = IDOK);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    struct Seen {
        HWND owner;
        std::wstring title, text;
    };
    const std::vector<Seen>& Dialogs() const { return seen_; }
    // Dialogs still open (shown and not yet closed), and the most that were open at one time.
    int Open() const;
    int MostOpenAtOnce() const { return mostOpen_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Press(HWND, UINT, UINT_PTR id, DWORD);
    static DialogAnswerer* current_;
    int button_;
    HHOOK hook_ = nullptr;
    std::vector<HWND> windows_;
    std::vector<Seen> seen_;
    int mostOpen_ = 0;
};

// The real executable in a process of its own.
class ProgramProcess {
public:
    ProgramProcess();
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return main_ != nullptr; }
    HWND Main() const { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    // Waits for the process to end; answers its exit code, or STILL_ACTIVE when it did not end.
    DWORD WaitExit(DWORD timeoutMs);

private:
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

// The main window of another process: visible, with the default title.
using qeltest::FindMainWindow;

// ---- files on the host --------------------------------------------------------------------------------

// A scratch folder of this test process on the host (removed with everything in it at exit).
class Scratch {
public:
    Scratch();
    ~Scratch();
    const std::string& Unix() const { return unix_; }
    std::wstring Win() const;
    // Windows path of a file in the folder (name in UTF-8).
    std::wstring WinFile(const std::string& name) const;
    std::string UnixFile(const std::string& name) const { return unix_ + "/" + name; }

private:
    std::string unix_;
};

// Names in a folder (without "." and "..").
std::vector<std::wstring> ListFolder(const std::wstring& folder);

// Reads a binary PPM (P6, 8 bits) file (Windows path); invalid when it is not one.
Image ReadPpm(const std::wstring& path);

// Writes the picture as a binary PAM (RGB with alpha) on the host, for convert to read.
bool WritePam(const Image& image, const std::wstring& path);
// Makes a picture file from the picture with ImageMagick's convert, the format following from the
// name's extension or from `format` (an ImageMagick format prefix such as "BMP3"); `options` go
// before the output name (for example "-quality 92"). Answers the Windows path (empty on failure).
std::wstring MakePictureFile(const Scratch& scratch, const Image& image, const std::string& name,
                             const std::string& options = "", const std::string& format = "");

// A picture whose lightness changes along both axes, differently along each, with a checker of
// 16-pixel squares on top: a turned, mirrored or shifted copy does not match it.
Image PatternPicture(int width, int height);


}  // namespace e2e
