// Takes the README's screenshot: the real program (hosted in this process) with a worksheet
// photograph dropped on it, brightness and contrast raised to whiten the paper, and a selection
// dragged over the first exercises; the main window, frame included, is read back from the screen
// and written as PNG.
//   screenshot_host <photograph> <output.png> [brightness contrast]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/AppHost.h"
#include "bench/support/DocumentPicture.h"
#include "testsupport/Bitmap32.h"
#include "testsupport/HostCommand.h"

using namespace benchhost;

namespace {

// The screen's pixels inside the rectangle, as an opaque picture.
bool ReadScreen(const RECT& r, CxImage& out) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || !out.Create(uint32_t(w), uint32_t(h), false)) return false;
    HDC screen = GetDC(nullptr);
    const std::vector<uint32_t> pixels = qeltest::ReadPixels32(screen, r.left, r.top, w, h);
    ReleaseDC(nullptr, screen);
    const bool ok = !pixels.empty();
    for (int y = 0; y < h && ok; ++y) {
        const auto* s = reinterpret_cast<const uint8_t*>(pixels.data() + size_t(y) * w);
        uint8_t* d = out.GetRow(uint32_t(y));
        for (int x = 0; x < w; ++x) {
            d[x * 4 + 0] = s[x * 4 + 0];
            d[x * 4 + 1] = s[x * 4 + 1];
            d[x * 4 + 2] = s[x * 4 + 2];
            d[x * 4 + 3] = 255;
        }
    }
    return ok;
}

void Settle(AppHost& host, DWORD ms) {
    const double until = NowMs() + ms;
    while (NowMs() < until) {
        host.Pump();
        Sleep(10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: screenshot_host <photograph> <output.png> [brightness contrast]\n");
        return 2;
    }
    const int brightness = argc > 4 ? std::atoi(argv[3]) : 295;
    const int contrast = argc > 4 ? std::atoi(argv[4]) : 315;
    AppHost host;
    if (!host.Start()) {
        std::printf("the program did not start\n");
        return 1;
    }
    auto& w = host.Window();
    host.DropFile(qeltest::Wide(argv[1]));
    if (!w.workingPicture.GetImage()->IsValid()) {
        std::printf("the photograph did not load\n");
        host.Stop();
        return 1;
    }
    Settle(host, 300);
    host.SliderTo(w.brightnessSlider, brightness);
    host.SliderTo(w.contrastSlider, contrast);
    Settle(host, 200);
    // A selection over the first exercises, dragged as a user would, in small moves.
    const int x0 = 95, y0 = 158, x1 = 690, y1 = 296;
    host.LeftDown(x0, y0);
    for (int i = 1; i <= 20; ++i) host.MoveWithLeft(x0 + (x1 - x0) * i / 20, y0 + (y1 - y0) * i / 20);
    host.LeftUp(x1, y1);
    Settle(host, 500);

    RECT frame{};
    GetWindowRect(host.MainHwnd(), &frame);
    CxImage shot;
    std::vector<uint8_t> png;
    const bool ok = ReadScreen(frame, shot) && shot.Encode(png, CXIMAGE_FORMAT_PNG);
    const std::wstring out = qeltest::Wide(argv[2]);
    FILE* f = ok ? _wfopen(out.c_str(), L"wb") : nullptr;
    const bool written = f && std::fwrite(png.data(), 1, png.size(), f) == png.size();
    if (f) std::fclose(f);
    std::printf("%s %ld x %ld (selection %d,%d - %d,%d; brightness %d, contrast %d)\n",
                written ? "wrote" : "could not write", frame.right - frame.left, frame.bottom - frame.top,
                int(w.selection.left), int(w.selection.top), int(w.selection.right), int(w.selection.bottom),
                int(w.brightnessSlider.GetPosition()), int(w.contrastSlider.GetPosition()));
    host.Stop();
    return written ? 0 : 1;
}
