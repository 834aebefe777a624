// The program's own speed under Wine, measured inside the real program (hosted in this process),
// on a 12-megapixel worksheet photograph (JPEG, quality 92, written by ImageMagick):
//  - a real drop of the JPEG file (WM_DROPFILES) until the first frame is on the display;
//  - one slider step, from the key that moves the thumb to the frame on the screen;
//  - a left press and a small move until the rubber band is on the display; a right click until
//    the picture without guide lines is on the display;
//  - dragging the selection: frames per second, every mouse move drawing a full frame;
//  - the save button on the photograph, on a whitened page and on a photograph dropped as a PNG
//    (sensor noise kept), until the file has replaced its target;
//  - the print button until the job is handed to the spooler (when a printer is installed; the
//    time the print dialog is open is the user's and is left out);
// each beside its parts, done with the program's own objects in the order of its handler, and
// beside memcpy of the picture's bytes in the same run.
// Wall-clock times, best and median of several runs (the machine is shared: compare the ratios).
#include <windows.h>
#include <wincodec.h>
#include <winspool.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/AppHost.h"
#include "bench/support/DocumentPicture.h"
#include "app/MainMenu.h"
#include "platform/cximage/include/ximaview.h"
#include "app/ProgramObjects.h"
#include "bench/support/Timing.h"
#include "app/PictureRules.h"
#include "testsupport/HostCommand.h"

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
    std::vector<double> make, release, fromBitmap, create, light, fused, colorize, fusedHue, draw, show, direct;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        HBITMAP fresh = GetReferencePicture().GetImage()->MakeBitmap(nullptr, false);
        const double t1 = NowMs();
        DeleteObject(fresh);
        const double t2a = NowMs();
        w.workingPicture.GetImage()->CreateFromHBITMAP(GetReferenceBitmap().GetBitmap(), nullptr, false);
        const double t2 = NowMs();
        fromBitmap.push_back(t2 - t2a);
        w.workingPicture.GetImage()->RestoreFrom(*GetReferencePicture().GetImage());
        const double t3 = NowMs();
        w.workingPicture.GetImage()->Light(20 + i % 2, 10);
        const double t4 = NowMs();
        w.workingPicture.GetImage()->Light(20 + i % 2, 10, *GetReferencePicture().GetImage());
        fused.push_back(NowMs() - t4);
        w.workingPicture.DrawTo(w.canvas.GetMemoryDC(), 0, 0, noClip);
        GdiFlush();
        const double t5 = NowMs();
        w.canvas.Show();
        GdiFlush();
        const double t6 = NowMs();
        w.workingPicture.GetImage()->Colorize(120, 120, 1.0f);
        const double t7 = NowMs();
        // The picture's rows copied straight into the canvas's surface (what RedrawPicture does for
        // an opaque picture at 100 %), and Colorize from the reference in one pass (the hue step's road).
        {
            const double d0 = NowMs();
            w.canvas.CopyOpaquePicture(*w.workingPicture.GetImage());
            const double d1 = NowMs();
            w.workingPicture.GetImage()->Colorize(uint8_t(120 + i % 2), 120, 1.0f, *GetReferencePicture().GetImage());
            direct.push_back(d1 - d0);
            fusedHue.push_back(NowMs() - d1);
        }
        make.push_back(t1 - t0);
        release.push_back(t2a - t1);
        create.push_back(t3 - t2);
        light.push_back(t4 - t3);
        draw.push_back(t5 - t4);
        show.push_back(t6 - t5);
        colorize.push_back(t7 - t6);
        host.Pump();
    }
    {
        std::vector<double> handler, redraw;
        for (int i = 0; i < runs; ++i) {
            double t = NowMs();
            w.OnSliderChanged(&w.brightnessSlider);
            GdiFlush();
            handler.push_back(NowMs() - t);
            t = NowMs();
            w.RedrawPicture();
            GdiFlush();
            redraw.push_back(NowMs() - t);
            host.Pump();
        }
        Row("  the handler called directly (OnSliderChanged)", Summarise(handler));
        Row("  RedrawPicture alone", Summarise(redraw));
    }
    Row("  restore: copy of the reference picture", Summarise(create));
    Row("    (earlier: CreateFromHBITMAP of the ref. bitmap)", Summarise(fromBitmap));
    Row("  Light (brightness, contrast)", Summarise(light));
    Row("  restore and Light in one pass (the step's road)", Summarise(fused));
    Row("  Colorize (hue, saturation)", Summarise(colorize));
    Row("  restore and Colorize in one pass (the hue step's road)", Summarise(fusedHue));
    Row("  picture drawn into the canvas through GDI (DrawTo)", Summarise(draw));
    const RECT& surface = w.canvas.GetClientRectangle();
    char copied[96];
    std::snprintf(copied, sizeof copied, "  rows copied into the %ld x %ld canvas (the step's road)", surface.right - surface.left,
                  surface.bottom - surface.top);
    Row(copied, Summarise(direct));
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

// A folder of the host under /tmp (seen by Wine as Z:\tmp\...), so ImageMagick can write into it.
struct HostFolder {
    std::string unix;
    std::wstring windows;
    HostFolder() {
        unix = "/tmp/photoprint_bench_" + std::to_string(GetCurrentProcessId());
        qeltest::RunHost("mkdir -p '" + unix + "'");
        windows = qeltest::WinPath(unix);
    }
    ~HostFolder() { qeltest::RunHost("rm -rf '" + unix + "'"); }
    std::wstring File(const std::string& name) const { return qeltest::WinPath(unix + "/" + name); }
};

// A 12-megapixel worksheet photograph as a JPEG of quality 92 (and, when asked, as a PNG that keeps
// the sensor noise), written by ImageMagick from an uncompressed BMP of the drawing.
bool WritePhotoFiles(const HostFolder& folder, const std::string& name, uint32_t seed, bool png) {
    CxImage photo;
    DrawWorksheetPhoto(photo, kWidth, kHeight, seed);
    const std::string bmp = folder.unix + "/" + name + ".bmp";
    if (!WriteBytes(qeltest::Utf8(qeltest::WinPath(bmp)), EncodeBmp24(photo))) return false;
    std::string command = "convert '" + bmp + "' -quality 92 '" + folder.unix + "/" + name + ".jpg'";
    if (png) command += " && convert '" + bmp + "' '" + folder.unix + "/" + name + ".png'";
    command += " && rm -f '" + bmp + "'";
    std::string output;
    if (qeltest::RunHost(command, &output, 120000) != 0) {
        std::printf("ImageMagick failed: %s\n", output.c_str());
        return false;
    }
    return true;
}

// The screen colours at some probe points (one in eleven, so that reading them stays short).
std::vector<Probe> SparseProbes(AppHost& host) {
    std::vector<Probe> all = VisibleProbes(host), out;
    for (size_t i = 0; i < all.size(); i += 11) out.push_back(all[i]);
    return out;
}

std::vector<COLORREF> ScreenColours(const std::vector<Probe>& probes) {
    std::vector<COLORREF> out;
    for (const Probe& p : probes) out.push_back(ScreenPixel(p.screen.x, p.screen.y) & 0xFFFFFF);
    return out;
}

// After an action that began at t0 and whose handler has returned: a probe whose drawn colour differs
// from what the screen showed before, and the time from t0 until the display shows that colour.
// Negative when no probe changed or the display did not follow within two seconds.
double UntilOnDisplay(AppHost& host, const std::vector<Probe>& probes, const std::vector<COLORREF>& before, double t0) {
    auto& w = host.Window();
    for (size_t i = 0; i < probes.size(); ++i) {
        const COLORREF drawn = CanvasPixel(w, probes[i].painter);
        if (drawn == before[i]) continue;
        if (!WaitForScreen(host, probes[i], drawn, 2000)) return -1;
        return NowMs() - t0;
    }
    return -1;
}

struct ActionTimes {
    std::vector<double> handler, screen;
    int runs = 0;
};

void PrintAction(const char* name, const ActionTimes& t) {
    Row((std::string(name) + ", handler done").c_str(), Summarise(t.handler));
    char note[64];
    std::snprintf(note, sizeof note, "(%zu of %d frames seen on the display)", t.screen.size(), t.runs);
    if (!t.screen.empty()) Row((std::string(name) + ", to display").c_str(), Summarise(t.screen), note);
    else Line("  %-46s   (no probe pixel changed: display not checked)", name);
}

// One real drop of the file: WM_DROPFILES posted to the main window, the program's handler run from
// the message loop, the first frame waited for on the display.
void TimeDrop(AppHost& host, const std::wstring& file, ActionTimes& out) {
    const std::vector<Probe> probes = SparseProbes(host);
    host.Pump();
    const std::vector<COLORREF> before = ScreenColours(probes);
    const double t0 = NowMs();
    host.DropFile(file);
    GdiFlush();
    out.handler.push_back(NowMs() - t0);
    ++out.runs;
    // The painter has grown to the picture: probe where it is visible now.
    const std::vector<Probe> after = SparseProbes(host);
    std::vector<COLORREF> beforeAfter;
    for (const Probe& p : after) {
        COLORREF c = CLR_INVALID;
        for (size_t i = 0; i < probes.size(); ++i)
            if (probes[i].screen.x == p.screen.x && probes[i].screen.y == p.screen.y) c = before[i];
        beforeAfter.push_back(c);
    }
    const double screen = UntilOnDisplay(host, after, beforeAfter, t0);
    if (screen >= 0) out.screen.push_back(screen);
}

std::vector<uint8_t> ReadWholeFile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    bytes.resize(size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(f, bytes.data(), DWORD(bytes.size()), &got, nullptr) || got != bytes.size()) bytes.clear();
    CloseHandle(f);
    return bytes;
}

// WIC alone on the JPEG: decoded in its own pixel format, and through the 32-bit BGRA converter the
// platform decoder asks for (into fresh memory, as a decode does).
void TimeWicDecode(const std::vector<uint8_t>& bytes, bool convert, std::vector<double>& out) {
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))))
        return;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    const double t0 = NowMs();
    factory->CreateStream(&stream);
    stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), DWORD(bytes.size()));
    UINT width = 0, height = 0;
    if (SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&width, &height))) {
        IWICBitmapSource* source = frame;
        UINT bpp = 3;
        if (convert && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
            SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                            WICBitmapPaletteTypeCustom))) {
            source = converter;
            bpp = 4;
        }
        const UINT stride = (width * bpp + 3) & ~3u;
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[size_t(stride) * height]);
        if (SUCCEEDED(source->CopyPixels(nullptr, stride, stride * height, pixels.get()))) out.push_back(NowMs() - t0);
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    if (stream) stream->Release();
    factory->Release();
}

// The parts of a drop, with the program's objects in the order of its handler (the canvas and the
// painter of the running program are used; a real drop afterwards puts everything back).
void TimeDropParts(AppHost& host, const std::wstring& file, int runs) {
    auto& w = host.Window();
    std::vector<double> read, decode, wicNative, wicConverted, hue, makeBitmap, fromBitmap, resize, attach, clear,
        light, draw, show;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int i = 0; i < runs; ++i) {
        double t = NowMs();
        auto lap = [&t](std::vector<double>& into) {
            GdiFlush();
            const double now = NowMs();
            into.push_back(now - t);
            t = now;
        };
        const std::vector<uint8_t> bytes = ReadWholeFile(file);
        lap(read);
        CxImage decoded;
        decoded.Decode(bytes.data(), bytes.size(), CXIMAGE_FORMAT_JPG);
        lap(decode);
        decoded.Colorize(uint8_t(w.hueSlider.GetPosition()), uint8_t(w.hueSlider.GetPosition()), 1.0f);
        lap(hue);
        HBITMAP bitmap = decoded.MakeBitmap(nullptr, false);
        lap(makeBitmap);
        CxImage reference;
        reference.CreateFromHBITMAP(bitmap, nullptr, false);
        lap(fromBitmap);
        DeleteObject(bitmap);
        reference.Destroy();
        w.picturePainter.SetWidth(608);
        w.picturePainter.SetHeight(406);
        host.Pump();
        t = NowMs();
        w.picturePainter.SetWidth(int32_t(decoded.GetWidth()));
        w.picturePainter.SetHeight(int32_t(decoded.GetHeight()));
        lap(resize);
        w.canvas.AttachWindow(w.picturePainter.GetHwnd());
        lap(attach);
        w.canvas.Clear(0xFFFFFFFF);
        lap(clear);
        const auto args = rg_Zarno_YangLi::LightFromSliders(int32_t(w.brightnessSlider.GetPosition()),
                                                            int32_t(w.contrastSlider.GetPosition()));
        decoded.Light(args.brightness, args.contrast);
        lap(light);
        decoded.Draw(w.canvas.GetMemoryDC(), 0, 0, -1, -1, nullptr, false, false);
        lap(draw);
        w.canvas.Show();
        lap(show);
        TimeWicDecode(bytes, false, wicNative);
        TimeWicDecode(bytes, true, wicConverted);
        host.Pump();
    }
    CoUninitialize();
    Row("  file read", Summarise(read));
    Row("  decoded (Decode: WIC, BGRA, alpha scan)", Summarise(decode));
    Row("    WIC alone, JPEG in its own 24-bit format", Summarise(wicNative));
    Row("    WIC alone, through the 32-bit BGRA converter", Summarise(wicConverted));
    Row("  hue pass (Colorize)", Summarise(hue));
    Row("  reference: fresh bitmap (MakeBitmap)", Summarise(makeBitmap));
    Row("  reference: picture from it (CreateFromHBITMAP)", Summarise(fromBitmap));
    Row("  painter resized to the picture", Summarise(resize));
    Row("  canvas attached (AttachWindow)", Summarise(attach));
    Row("  canvas cleared (Clear, opaque white)", Summarise(clear));
    Row("  Light (brightness, contrast)", Summarise(light));
    Row("  picture drawn into the canvas (Draw)", Summarise(draw));
    Row("  canvas copied to the window (Show)", Summarise(show));
}

// Left press and a small move until the rubber band is on the display; release; right click until
// the picture without guide lines is on the display.
void TimePressAndRightClick(AppHost& host, int runs, ActionTimes& press, ActionTimes& right) {
    auto& w = host.Window();
    // Points on and beside the top guide line from (20, 20), where the band shows.
    std::vector<Probe> line;
    POINT origin{0, 0};
    ClientToScreen(host.PainterHwnd(), &origin);
    for (int y = 18; y <= 22; ++y)
        for (int x = 60; x <= 140; x += 20) {
            Probe p;
            p.painter = POINT{x, y};
            p.screen = POINT{origin.x + x, origin.y + y};
            p.valid = true;
            line.push_back(p);
        }
    for (int i = 0; i < runs; ++i) {
        host.Pump();
        std::vector<COLORREF> before = ScreenColours(line);
        double t0 = NowMs();
        host.LeftDown(20, 20);
        host.MoveWithLeft(200 + i, 120 + i);
        GdiFlush();
        press.handler.push_back(NowMs() - t0);
        ++press.runs;
        double screen = UntilOnDisplay(host, line, before, t0);
        if (screen >= 0) press.screen.push_back(screen);
        host.LeftUp(200 + i, 120 + i);
        host.Pump();
        before = ScreenColours(line);
        t0 = NowMs();
        host.RightDown(5, 5);
        GdiFlush();
        right.handler.push_back(NowMs() - t0);
        ++right.runs;
        screen = UntilOnDisplay(host, line, before, t0);
        if (screen >= 0) right.screen.push_back(screen);
    }
    (void)w;
}

// TakeReference as the press and the right click run it, and the old road's parts beside it.
void TimeReferenceParts(AppHost& host, int runs) {
    auto& w = host.Window();
    std::vector<double> whole, make, adopt;
    CxImage scratch;
    for (int i = 0; i < runs; ++i) {
        double t0 = NowMs();
        w.TakeReference();
        GdiFlush();
        whole.push_back(NowMs() - t0);
        host.Pump();
        t0 = NowMs();
        HBITMAP fresh = w.workingPicture.GetImage()->MakeBitmap(nullptr, false);
        const double t1 = NowMs();
        scratch.CreateFromHBITMAP(fresh, nullptr, false);
        const double t2 = NowMs();
        DeleteObject(fresh);
        make.push_back(t1 - t0);
        adopt.push_back(t2 - t1);
        host.Pump();
    }
    Row("  TakeReference (the program's own)", Summarise(whole));
    Row("    a fresh bitmap of the picture (MakeBitmap)", Summarise(make));
    Row("    a picture from that bitmap (CreateFromHBITMAP)", Summarise(adopt));
}

// The save button, run by the program: encode, write beside the dropped file, replace.
void TimeSave(AppHost& host, const char* name, int runs, const std::wstring& target) {
    auto& w = host.Window();
    std::vector<double> times;
    uint64_t size = 0;
    for (int i = 0; i < runs; ++i) {
        DeleteFileW(target.c_str());
        host.Pump();
        const double t0 = NowMs();
        host.ClickButton(w.saveButton.GetHwnd());
        const double t1 = NowMs();
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data)) {
            times.push_back(t1 - t0);
            size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    }
    DeleteFileW(target.c_str());
    char note[96];
    std::snprintf(note, sizeof note, "(%.1f MB PNG, %zu of %d saves written)", double(size) / 1e6, times.size(), runs);
    Row(name, Summarise(times), note);
}

// The parts of a save, with the program's objects and the same system calls in the same order.
void TimeSaveParts(AppHost& host, int runs, const std::wstring& target) {
    auto& w = host.Window();
    std::vector<double> encode, copy, open, write, flush, close, replace;
    for (int i = 0; i < runs; ++i) {
        double t = NowMs();
        auto lap = [&t](std::vector<double>& into) {
            const double now = NowMs();
            into.push_back(now - t);
            t = now;
        };
        CxMemFile file(nullptr, 0);
        file.Open();
        w.workingPicture.GetImage()->Encode(file, CXIMAGE_FORMAT_PNG);
        lap(encode);
        {
            CQelMem bytes;
            uint8_t* into = bytes.SetSize(int64_t(file.Size()));
            std::memcpy(into, file.GetBuffer(false), file.Size());
        }
        lap(copy);
        const std::wstring part = target + L".bench.part";
        HANDLE h = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        lap(open);
        DWORD written = 0;
        WriteFile(h, file.GetBuffer(false), DWORD(file.Size()), &written, nullptr);
        lap(write);
        FlushFileBuffers(h);
        lap(flush);
        CloseHandle(h);
        lap(close);
        MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        lap(replace);
        DeleteFileW(target.c_str());
        host.Pump();
    }
    Row("  encoded (PNG into a memory file)", Summarise(encode));
    Row("  (earlier: copied into a buffer of that size)", Summarise(copy));
    Row("  temporary file created", Summarise(open));
    Row("  written", Summarise(write));
    Row("  flushed (FlushFileBuffers)", Summarise(flush));
    Row("  closed", Summarise(close));
    Row("  replaced the target (MoveFileEx)", Summarise(replace));
}

// Answers the print dialog with OK as soon as it is active and notes when it opened and closed.
struct DialogClock {
    static inline HHOOK hook = nullptr;
    static inline HWND dialog = nullptr;
    static inline double opened = 0, closed = 0;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && !dialog) {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770") {
                dialog = window;
                opened = NowMs();
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
            }
        } else if (code == HCBT_DESTROYWND && window == dialog && dialog) {
            closed = NowMs();
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    DialogClock() {
        dialog = nullptr;
        opened = closed = 0;
        hook = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~DialogClock() { UnhookWindowsHookEx(hook); }
    // Milliseconds from start to end without the time the dialog was open.
    static double Without(double start, double end) { return dialog && closed > opened ? (opened - start) + (end - closed) : -1; }
};

bool HasPrinter() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &count);
    return needed > 0;
}

// The print button: the program's handler from the click until the job is handed to the spooler
// (EndDoc returned), without the time the dialog is open.
void TimePrint(AppHost& host, int runs) {
    auto& w = host.Window();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        host.Pump();
        DialogClock clock;
        const double t0 = NowMs();
        host.ClickButton(w.printButton.GetHwnd());
        const double t1 = NowMs();
        const double spent = DialogClock::Without(t0, t1);
        if (spent >= 0) times.push_back(spent);
    }
    char note[64];
    std::snprintf(note, sizeof note, "(%zu of %d jobs, dialog time left out)", times.size(), runs);
    Row("print: click to job handed to the spooler", Summarise(times), note);
    // Its parts with a printer object of our own, in the handler's order.
    std::vector<double> before, after, rotate, make, drawn, ended;
    for (int i = 0; i < runs; ++i) {
        host.Pump();
        rg_Zarno_MFCJieMian_JiBen::rg_DaYinJi printer;
        DialogClock clock;
        double t = NowMs();
        const bool started = printer.StartJob(w.GetHwnd(), printer.GetProgress());
        const double t1 = NowMs();
        if (!started || !DialogClock::dialog) continue;
        before.push_back(DialogClock::opened - t);
        after.push_back(t1 - DialogClock::closed);
        const int64_t pageWidth = printer.GetPageWidth(), pageHeight = printer.GetPageHeight();
        t = NowMs();
        rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei turned;
        w.workingPicture.GetImage()->Rotate(90.0f, turned.GetImage());
        double now = NowMs();
        rotate.push_back(now - t);
        t = now;
        HBITMAP bitmap = turned.GetImage()->MakeBitmap(nullptr, false);
        now = NowMs();
        make.push_back(now - t);
        t = now;
        printer.DrawBitmap(bitmap, pageWidth, pageHeight);
        now = NowMs();
        drawn.push_back(now - t);
        t = now;
        printer.EndJob(0);
        now = NowMs();
        ended.push_back(now - t);
        DeleteObject(bitmap);
    }
    Row("  job started, until the dialog opens", Summarise(before));
    Row("  job started, after the dialog (DC, StartDoc)", Summarise(after));
    Row("  picture turned (Rotate 90)", Summarise(rotate));
    Row("  bitmap of it (MakeBitmap)", Summarise(make));
    Row("  bitmap drawn on the page (DrawBitmap)", Summarise(drawn));
    Row("  page and document ended (EndJob)", Summarise(ended));
}

void PrintStep(const char* name, const StepTimes& t) {
    Row((std::string(name) + ", handler to window").c_str(), t.handler);
    char note[64];
    std::snprintf(note, sizeof note, "(%d of %d frames seen on the display)", t.confirmed, t.runs);
    if (t.confirmed) Row((std::string(name) + ", key to display").c_str(), t.screen, note);
    else Line("  %-46s   (no probe pixel changed: display not checked)", name);
}

// Where the save button writes for a dropped file.
std::wstring SavePathOf(const std::wstring& dropped) {
    CWString path;
    path.Append(dropped.c_str());
    const CWString saved = rg_Zarno_YangLi::BuildSavePath(path);
    return saved.GetText() ? std::wstring(saved.GetText()) : std::wstring();
}

// Sliders back where the program starts them (brightness and contrast neutral, hue at 1).
void NeutralSliders(AppHost& host) {
    auto& w = host.Window();
    host.SliderTo(w.brightnessSlider, int(rg_Zarno_YangLi::kLightSliderNeutral));
    host.SliderTo(w.contrastSlider, int(rg_Zarno_YangLi::kLightSliderNeutral));
    host.SliderTo(w.hueSlider, 1);
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
    // The parts of a frame at fit: the area-averaged view rendered, then drawn into the canvas.
    const cximg::ViewWindow window{w.GetView().scale, w.GetView().originX, w.GetView().originY,
                                   uint32_t(painter.right), uint32_t(painter.bottom)};
    std::vector<double> render, draw, one;
    CxImage frame;
    for (int i = 0; i < 7; ++i) {
        const double t0 = NowMs();
        cximg::RenderAreaView(*w.workingPicture.GetImage(), window, frame);
        const double t1 = NowMs();
        frame.Draw(w.canvas.GetMemoryDC(), 0, 0);
        GdiFlush();
        const double t2 = NowMs();
        cximg::RenderAreaView(*w.workingPicture.GetImage(), window, frame, 1);
        const double t3 = NowMs();
        render.push_back(t1 - t0);
        draw.push_back(t2 - t1);
        one.push_back(t3 - t2);
    }
    Row("  fit: view rendered (area average)", Summarise(render));
    Row("  fit: view rendered on one thread", Summarise(one));
    Row("  fit: view drawn into the canvas", Summarise(draw));
}

}  // namespace

int main(int argc, char** argv) {
    // --no-print leaves the print button out (each job keeps the spooler's converter busy for a while).
    // --png-threads N encodes the saved PNG files on N threads (all processors by default), to
    // judge the gain of more processors than this machine has.
    bool print = true;
    for (int i = 1; i < argc; ++i) {
        print = print && std::strcmp(argv[i], "--no-print") != 0;
        if (std::strcmp(argv[i], "--png-threads") == 0 && i + 1 < argc) cximg::SetPngEncoderThreads(unsigned(std::atoi(argv[++i])));
    }
    const size_t bytes = size_t(kWidth) * kHeight * 4;
    MeasureMemcpy();

    // Two 12-megapixel photographs as JPEG files of quality 92 (the first also as a PNG).
    HostFolder folder;
    if (!WritePhotoFiles(folder, "worksheet_a", 7, true) || !WritePhotoFiles(folder, "worksheet_b", 8, false)) {
        std::printf("cannot write the photographs into %s\n", folder.unix.c_str());
        return 1;
    }
    const std::wstring jpegA = folder.File("worksheet_a.jpg"), jpegB = folder.File("worksheet_b.jpg");
    const std::wstring pngA = folder.File("worksheet_a.png");
    // The drawings of the photographs leave picture-sized blocks kept in this process; the program
    // starts without any, as it does on its own.
    cximg::ReleaseKeptPixelBlocks();

    AppHost host;
    if (!host.Start()) {
        std::printf("the program did not start\n");
        return 1;
    }
    auto& w = host.Window();
    // The rows below are the picture at 100 % (the canvas as large as the picture, whatever view the
    // last run left remembered); the view at fit is timed beside it further down.
    PostMessageW(host.MainHwnd(), WM_COMMAND, MAKEWPARAM(rg_Zarno_YangLi::kCmdActualSize, 0), 0);
    host.Pump();

    Line("the program's actions under Wine (wall clock, ms; ratio of the best to memcpy)");
    Line("  %-46s %9s %9s %8s", "", "best", "median", "x memcpy");
    Line("sample picture %u x %u (shown in the 536 x 280 canvas)", w.workingPicture.GetImage()->GetWidth(),
         w.workingPicture.GetImage()->GetHeight());
    PrintStep("brightness step", TimeSliderSteps(host, w.brightnessSlider, 21));
    RowFps("selection drag", TimeDrag(host, 200), 200);

    MeasureMemcpy();
    Line("drop of a 4000 x 3000 JPEG (quality 92), WM_DROPFILES to the first frame on the display");
    ActionTimes first, again;
    TimeDrop(host, jpegA, first);
    PrintAction("first drop (after the sample)", first);
    if (w.workingPicture.GetImage()->GetWidth() != kWidth) {
        PrintTable();
        std::printf("the photograph did not load\n");
        host.Stop();
        return 1;
    }
    for (int i = 0; i < 6; ++i) TimeDrop(host, i % 2 ? jpegA : jpegB, again);
    PrintAction("drop of another 12-MP photograph", again);
    Line("  parts of a drop, done with the program's objects:");
    TimeDropParts(host, jpegA, 3);
    host.DropFile(jpegA);

    MeasureMemcpy();
    Line("slider steps on the dropped photograph");
    const StepTimes brightness = TimeSliderSteps(host, w.brightnessSlider, 9);
    PrintStep("brightness step", brightness);
    PrintStep("hue step", TimeSliderSteps(host, w.hueSlider, 5));
    // One contrast position next to the middle changes almost no pixel: step where it does.
    host.SliderTo(w.contrastSlider, 400);
    PrintStep("contrast step", TimeSliderSteps(host, w.contrastSlider, 5));
    Line("  parts of one step, done with the program's objects:");
    TimeStepParts(host, 5);

    MeasureMemcpy();
    Line("left press with a small move (rubber band), right click (picture redrawn)");
    ActionTimes press, right;
    TimePressAndRightClick(host, 7, press, right);
    PrintAction("left press + small move", press);
    PrintAction("right click", right);
    Line("  parts: the reference taken by both (the move is a drag frame, below):");
    TimeReferenceParts(host, 5);
    RowFps("selection drag", TimeDrag(host, 20), 20);
    Line("  parts of one drag frame, done with the program's objects:");
    TimeDragParts(host, 5);
    MeasureMemcpy();
    TimeActualAndFit(host);
    PostMessageW(host.MainHwnd(), WM_COMMAND, MAKEWPARAM(rg_Zarno_YangLi::kCmdActualSize, 0), 0);
    host.Pump();

    MeasureMemcpy();
    Line("save button until the PNG has replaced its target");
    NeutralSliders(host);
    host.DropFile(jpegA);
    const std::wstring savedA = SavePathOf(jpegA), savedAPng = SavePathOf(pngA);
    TimeSave(host, "save, camera-like photograph (JPEG source)", 3, savedA);
    Line("  parts of that save, done with the program's objects:");
    TimeSaveParts(host, 3, savedA);
    host.SliderTo(w.brightnessSlider, 255 + 30);
    host.SliderTo(w.contrastSlider, 255 + 160);  // Light(30, 160), as the library benchmark whitens
    TimeSave(host, "save, whitened page", 3, savedA);
    Line("  parts of that save, done with the program's objects:");
    TimeSaveParts(host, 3, savedA);
    NeutralSliders(host);
    host.DropFile(pngA);
    TimeSave(host, "save, sensor-noise photograph (PNG source)", 2, savedAPng);

    MeasureMemcpy();
    host.DropFile(jpegA);
    if (!print) {
        Line("print: left out (--no-print)");
    } else if (HasPrinter()) {
        Line("print button (the photograph, turned onto the page)");
        TimePrint(host, 2);
    } else {
        Line("print: no printer installed (scripts/test-services.sh starts the CUPS PDF queue)");
    }
    host.Stop();

    MeasureMemcpy();
    Line("memcpy of the 12-megapixel picture (%llu bytes): best %.2f ms in this run",
         static_cast<unsigned long long>(bytes), g_memcpy);
    const double ratio = (brightness.confirmed ? brightness.screen.best : brightness.handler.best) / g_memcpy;
    Line("one slider step on 12 megapixels, key to %s: %.2f x memcpy",
         brightness.confirmed ? "display" : "window", ratio);
    PrintTable();
    return 0;
}
