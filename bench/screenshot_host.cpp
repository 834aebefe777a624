// Takes the README's screenshot: the real program (hosted in this process) with a worksheet
// photograph dropped on it, brightness and contrast raised to whiten the paper, and a selection
// dragged over the first exercises; the main window, frame included, is read back from the screen
// and written as PNG.
//   screenshot_host <photograph> <output.png> [brightness contrast]
//   screenshot_host --whole <output.png>   a 12-megapixel worksheet photograph fitted into the window
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/MainMenu.h"
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

// The main window, frame included, read back from the screen and written as PNG.
bool WriteWindowShot(AppHost& host, const char* path) {
    RECT frame{};
    GetWindowRect(host.MainHwnd(), &frame);
    CxImage shot;
    std::vector<uint8_t> png;
    const bool ok = ReadScreen(frame, shot) && shot.Encode(png, CXIMAGE_FORMAT_PNG);
    const std::wstring out = qeltest::Wide(path);
    FILE* f = ok ? _wfopen(out.c_str(), L"wb") : nullptr;
    const bool written = f && std::fwrite(png.data(), 1, png.size(), f) == png.size();
    if (f) std::fclose(f);
    return written;
}

// A 4000 x 3000 worksheet photograph dropped on the window and shown whole (View, Fit).
int WholePhotoShot(const char* output) {
    CxImage photo;
    DrawWorksheetPhoto(photo, 4000, 3000, 7);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"worksheet_12mp_shot.bmp";
    const int n = WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, narrow.data(), n, nullptr, nullptr);
    if (!WriteBytes(narrow, EncodeBmp24(photo))) return 1;
    photo.Destroy();
    AppHost host;
    if (!host.Start()) return 1;
    host.DropFile(file);
    PostMessageW(host.MainHwnd(), WM_COMMAND, MAKEWPARAM(rg_Zarno_YangLi::kCmdFitWindow, 0), 0);
    Settle(host, 800);
    const bool written = WriteWindowShot(host, output);
    std::printf("%s the whole 4000 x 3000 photograph\n", written ? "wrote" : "could not write");
    host.Stop();
    DeleteFileW(file.c_str());
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--whole") return WholePhotoShot(argv[2]);
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
    const bool written = WriteWindowShot(host, argv[2]);
    std::printf("%s %ld x %ld (selection %d,%d - %d,%d; brightness %d, contrast %d)\n",
                written ? "wrote" : "could not write", frame.right - frame.left, frame.bottom - frame.top,
                int(w.selection.left), int(w.selection.top), int(w.selection.right), int(w.selection.bottom),
                int(w.brightnessSlider.GetPosition()), int(w.contrastSlider.GetPosition()));
    host.Stop();
    return written ? 0 : 1;
}
