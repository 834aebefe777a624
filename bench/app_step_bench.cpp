// The program's own speed under Wine, measured inside the real program (hosted in this process):
//  - one slider step, from the key that moves the thumb to the frame on the screen, on the sample
//    and on a 12-megapixel worksheet photograph dropped on the window, beside memcpy of the
//    picture's bytes in the same run (target: at most 12 x memcpy);
//  - the parts of that step (restore through a GDI bitmap, Light, drawing into the canvas, the
//    copy to the window), done with the program's own objects in the same order as its handler;
//  - dragging the selection: frames per second, every mouse move drawing a full frame.
// Wall-clock times, best and median of several runs (the machine is shared: compare the ratios).
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/AppHost.h"
#include "bench/support/DocumentPicture.h"
#include "app/MainMenu.h"
#include "app/ProgramObjects.h"
#include "bench/support/Timing.h"

using namespace benchhost;
using rg_Zarno_JiBen::rg_JuXingLei;
using rg_Zarno_YangLi::rg_ZhuChuangKouLei;

namespace {

constexpr uint32_t kWidth = 4000, kHeight = 3000;
// The yardstick: the best memcpy of the 12-megapixel picture's bytes seen in this run (measured
// at the start, between the phases and at the end, since other work on the machine comes and goes).
double g_memcpy = 1e30;
void MeasureMemcpy() { g_memcpy = std::min(g_memcpy, MemcpyMs(size_t(kWidth) * kHeight * 4)); }

// The table is printed at the end, when the yardstick is final.
std::vector<std::string> g_lines;
struct Timed {
    size_t line;
    double best;
};
std::vector<Timed> g_ratios;

void Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Line(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_lines.push_back(text);
}

void Row(const char* name, const Summary& s, const char* note = "") {
    Line("  %-46s %9.1f %9.1f %8s  %s", name, s.best, s.median, "%RATIO%", note);
    g_ratios.push_back(Timed{g_lines.size() - 1, s.best});
}

void RowFps(const char* name, double msPerFrame, int frames) {
    Line("  %-46s %9.1f ms/frame  %7.1f frames/s  (%d moves)", name, msPerFrame, 1000.0 / msPerFrame, frames);
}

void PrintTable() {
    for (const Timed& t : g_ratios) {
        std::string& line = g_lines[t.line];
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%8.2f", t.best / g_memcpy);
        line.replace(line.find("%RATIO%"), 7, std::string(ratio).substr(std::string(ratio).size() - 8));
    }
    for (const std::string& line : g_lines) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// A point of the picture painter that is visible on the screen (inside the main window's client
// area), in painter coordinates, and its screen position.
struct Probe {
    POINT painter{0, 0};
    POINT screen{0, 0};
    bool valid = false;
};

std::vector<Probe> VisibleProbes(AppHost& host) {
    std::vector<Probe> out;
    RECT mainClient{}, painterClient{};
    GetClientRect(host.MainHwnd(), &mainClient);
    GetClientRect(host.PainterHwnd(), &painterClient);
    POINT mainOrigin{0, 0}, painterOrigin{0, 0};
    ClientToScreen(host.MainHwnd(), &mainOrigin);
    ClientToScreen(host.PainterHwnd(), &painterOrigin);
    const int right = std::min<int>(painterOrigin.x + painterClient.right, mainOrigin.x + mainClient.right);
    const int bottom = std::min<int>(painterOrigin.y + painterClient.bottom, mainOrigin.y + mainClient.bottom);
    for (int y = painterOrigin.y + 20; y < bottom - 4; y += 17)
        for (int x = painterOrigin.x + 20; x < right - 4; x += 23) {
            Probe p;
            p.screen = POINT{x, y};
            p.painter = POINT{x - painterOrigin.x, y - painterOrigin.y};
            p.valid = true;
            out.push_back(p);
        }
    return out;
}

COLORREF CanvasPixel(rg_ZhuChuangKouLei& w, POINT p) { return GetPixel(w.canvas.GetMemoryDC(), p.x, p.y) & 0xFFFFFF; }

// A probe point whose drawn colour differs between two neighbouring slider positions.
Probe FindChangingProbe(AppHost& host, rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao& slider) {
    auto& w = host.Window();
    const std::vector<Probe> probes = VisibleProbes(host);
    host.SliderKey(slider, true);
    std::vector<COLORREF> before;
    for (const Probe& p : probes) before.push_back(CanvasPixel(w, p.painter));
    host.SliderKey(slider, false);
    for (size_t i = 0; i < probes.size(); ++i)
        if (CanvasPixel(w, probes[i].painter) != before[i]) return probes[i];
    return Probe{};
}

// Whether the screen shows what the program drew at the probe point, waiting up to timeoutMs while
// the message queue is served (Wine copies window contents to the display from its message calls).
bool WaitForScreen(AppHost& host, const Probe& probe, COLORREF expected, double timeoutMs) {
    const double until = NowMs() + timeoutMs;
    for (;;) {
        host.Pump();
        if ((ScreenPixel(probe.screen.x, probe.screen.y) & 0xFFFFFF) == expected) return true;
        if (NowMs() > until) return false;
    }
}

struct StepTimes {
    Summary handler;  // key sent until the handler has blitted the canvas to the window
    Summary screen;   // key sent until the display shows the new frame
    int confirmed = 0, runs = 0;
};

// Moves the slider back and forth by one position, timing each step.
StepTimes TimeSliderSteps(AppHost& host, rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao& slider, int runs) {
    auto& w = host.Window();
    StepTimes out;
    const Probe probe = FindChangingProbe(host, slider);
    std::vector<double> handler, screen;
    bool right = true;
    for (int i = 0; i < runs; ++i) {
        host.Pump();
        const double t0 = NowMs();
        host.SliderKey(slider, right);
        GdiFlush();
        const double t1 = NowMs();
        handler.push_back(t1 - t0);
        if (probe.valid) {
            const COLORREF expected = CanvasPixel(w, probe.painter);
            if (WaitForScreen(host, probe, expected, 2000)) {
                screen.push_back(NowMs() - t0);
                ++out.confirmed;
            }
        }
        right = !right;
    }
    out.runs = runs;
    out.handler = Summarise(handler);
    out.screen = Summarise(screen);
    return out;
}

// The parts of one brightness step, with the program's objects, in the handler's order; beside
// them what a fresh bitmap of the reference would cost (the restore made one per step before).
void TimeStepParts(AppHost& host, int runs) {
    auto& w = host.Window();
    rg_JuXingLei noClip;
    noClip.SetNullObject(true);
    std::vector<double> make, release, create, light, colorize, draw, show;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        HBITMAP fresh = GetReferencePicture().GetImage()->MakeBitmap(nullptr, false);
        const double t1 = NowMs();
        DeleteObject(fresh);
        const double t2 = NowMs();
        w.workingPicture.GetImage()->CreateFromHBITMAP(GetReferenceBitmap().GetBitmap(), nullptr, false);
        const double t3 = NowMs();
        w.workingPicture.GetImage()->Light(20 + i % 2, 10);
        const double t4 = NowMs();
        w.workingPicture.DrawTo(w.canvas.GetMemoryDC(), 0, 0, noClip);
        GdiFlush();
        const double t5 = NowMs();
        w.canvas.Show();
        GdiFlush();
        const double t6 = NowMs();
        w.workingPicture.GetImage()->Colorize(120, 120, 1.0f);
        const double t7 = NowMs();
        make.push_back(t1 - t0);
        release.push_back(t2 - t1);
        create.push_back(t3 - t2);
        light.push_back(t4 - t3);
        draw.push_back(t5 - t4);
        show.push_back(t6 - t5);
        colorize.push_back(t7 - t6);
        host.Pump();
    }
    Row("  restore: CreateFromHBITMAP of the ref. bitmap", Summarise(create));
    Row("  Light (brightness, contrast)", Summarise(light));
    Row("  Colorize (hue, saturation)", Summarise(colorize));
    Row("  picture drawn into the canvas (DrawTo)", Summarise(draw));
    Row("  canvas copied to the window (Show)", Summarise(show));
    Row("  not in the step: MakeBitmap of the reference", Summarise(make));
    Row("  not in the step: that bitmap deleted", Summarise(release));
}

// The parts of one rubber band frame, with the program's objects, in the handler's order.
void TimeDragParts(AppHost& host, int runs) {
    auto& w = host.Window();
    rg_JuXingLei noClip;
    noClip.SetNullObject(true);
    std::vector<double> clear, draw, lines, show;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        w.canvas.Clear(0xFFFFFFFF);
        GdiFlush();
        const double t1 = NowMs();
        GetReferencePicture().DrawTo(w.canvas.GetMemoryDC(), 0, 0, noClip);
        GdiFlush();
        const double t2 = NowMs();
        auto& pen = GetGuidePen();
        const int l = 20, t = 20, r = 300 + i, b = 200 + i;
        w.canvas.DrawLine(pen, l, t, r, t);
        w.canvas.DrawLine(pen, l, t, l, b);
        w.canvas.DrawLine(pen, l, b, r, b);
        w.canvas.DrawLine(pen, r, b, r, t);
        GdiFlush();
        const double t3 = NowMs();
        w.canvas.Show();
        GdiFlush();
        const double t4 = NowMs();
        clear.push_back(t1 - t0);
        draw.push_back(t2 - t1);
        lines.push_back(t3 - t2);
        show.push_back(t4 - t3);
        host.Pump();
    }
    Row("  canvas cleared (Clear, opaque white)", Summarise(clear));
    Row("  reference drawn into the canvas (DrawTo)", Summarise(draw));
    Row("  four guide lines (GDI+)", Summarise(lines));
    Row("  canvas copied to the window (Show)", Summarise(show));
}

// Left press, then `moves` mouse moves with the button down, each a full rubber band frame; the
// release and a right click end it. Returns milliseconds per frame.
double TimeDrag(AppHost& host, int moves) {
    RECT painter{};
    GetClientRect(host.PainterHwnd(), &painter);
    const int spanX = std::max<int>(40, std::min<int>(painter.right, 900) - 60);
    const int spanY = std::max<int>(40, std::min<int>(painter.bottom, 600) - 60);
    host.LeftDown(20, 20);
    host.MoveWithLeft(30, 30);  // the first frame is not timed
    const double t0 = NowMs();
    for (int i = 0; i < moves; ++i) host.MoveWithLeft(40 + (i * 37) % spanX, 40 + (i * 23) % spanY);
    GdiFlush();
    const double perFrame = (NowMs() - t0) / moves;
    host.LeftUp(40 + spanX / 2, 40 + spanY / 2);
    host.RightDown(5, 5);
    return perFrame;
}

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buffer);
    std::wstring folder = std::wstring(buffer) + L"photoprint_bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::string Narrow(const std::wstring& s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

void PrintStep(const char* name, const StepTimes& t) {
    Row((std::string(name) + ", handler to window").c_str(), t.handler);
    char note[64];
    std::snprintf(note, sizeof note, "(%d of %d frames seen on the display)", t.confirmed, t.runs);
    if (t.confirmed) Row((std::string(name) + ", key to display").c_str(), t.screen, note);
    else Line("  %-46s   (no probe pixel changed: display not checked)", name);
}

// The same step and drag at 100 % and with the whole photograph fitted into the window, side by
// side: the fitted view draws an area-averaged reduction instead of the picture 1:1.
void TimeActualAndFit(AppHost& host) {
    auto& w = host.Window();
    const int views[2] = {rg_Zarno_YangLi::kCmdActualSize, rg_Zarno_YangLi::kCmdFitWindow};
    const char* names[2] = {"at 100 %", "at fit"};
    StepTimes steps[2];
    double drags[2] = {};
    for (int v = 0; v < 2; ++v) {
        PostMessageW(host.MainHwnd(), WM_COMMAND, MAKEWPARAM(views[v], 0), 0);
        host.Pump();
        steps[v] = TimeSliderSteps(host, w.brightnessSlider, 9);
        drags[v] = TimeDrag(host, 20);
    }
    RECT painter{};
    GetClientRect(host.PainterHwnd(), &painter);
    Line("  the view: 100 %% and fit side by side (fit shows %ld x %ld)", painter.right, painter.bottom);
    for (int v = 0; v < 2; ++v) PrintStep((std::string("brightness step ") + names[v]).c_str(), steps[v]);
    for (int v = 0; v < 2; ++v) RowFps((std::string("selection drag ") + names[v]).c_str(), drags[v], 20);
}

}  // namespace

int main() {
    const size_t bytes = size_t(kWidth) * kHeight * 4;
    MeasureMemcpy();

    // The 12-megapixel photograph, as a phone would save it uncompressed.
    CxImage photo;
    DrawWorksheetPhoto(photo, kWidth, kHeight, 7);
    const std::wstring photoPath = TempFolder() + L"\\worksheet_12mp.bmp";
    if (!WriteBytes(Narrow(photoPath), EncodeBmp24(photo))) {
        std::printf("cannot write %s\n", Narrow(photoPath).c_str());
        return 1;
    }
    photo.Destroy();

    AppHost host;
    if (!host.Start()) {
        std::printf("the program did not start\n");
        return 1;
    }
    auto& w = host.Window();

    Line("slider step and drag inside the program under Wine (wall clock, ms; ratio of the best to memcpy)");
    Line("  %-46s %9s %9s %8s", "", "best", "median", "x memcpy");
    Line("sample picture %u x %u (shown in the 536 x 280 canvas)", w.workingPicture.GetImage()->GetWidth(),
         w.workingPicture.GetImage()->GetHeight());
    PrintStep("brightness step", TimeSliderSteps(host, w.brightnessSlider, 21));
    RowFps("selection drag", TimeDrag(host, 200), 200);

    MeasureMemcpy();
    host.DropFile(photoPath);
    Line("dropped photograph %u x %u", w.workingPicture.GetImage()->GetWidth(), w.workingPicture.GetImage()->GetHeight());
    if (w.workingPicture.GetImage()->GetWidth() != kWidth) {
        PrintTable();
        std::printf("the photograph did not load\n");
        host.Stop();
        return 1;
    }
    const StepTimes brightness = TimeSliderSteps(host, w.brightnessSlider, 9);
    PrintStep("brightness step", brightness);
    PrintStep("hue step", TimeSliderSteps(host, w.hueSlider, 5));
    // One contrast position next to the middle changes almost no pixel: step where it does.
    host.SliderTo(w.contrastSlider, 400);
    PrintStep("contrast step", TimeSliderSteps(host, w.contrastSlider, 5));
    MeasureMemcpy();
    Line("  parts of one step, done with the program's objects:");
    TimeStepParts(host, 5);
    RowFps("selection drag", TimeDrag(host, 20), 20);
    Line("  parts of one drag frame, done with the program's objects:");
    TimeDragParts(host, 5);
    MeasureMemcpy();
    TimeActualAndFit(host);
    host.Stop();
    DeleteFileW(photoPath.c_str());

    MeasureMemcpy();
    Line("memcpy of the 12-megapixel picture (%llu bytes): best %.2f ms in this run",
         static_cast<unsigned long long>(bytes), g_memcpy);
    const double ratio = (brightness.confirmed ? brightness.screen.best : brightness.handler.best) / g_memcpy;
    Line("one slider step on 12 megapixels, key to %s: %.2f x memcpy (target: at most 12)",
         brightness.confirmed ? "display" : "window", ratio);
    PrintTable();
    return 0;
}
