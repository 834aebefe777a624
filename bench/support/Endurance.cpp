#include "bench/support/Endurance.h"

#include <windows.h>

#include <algorithm>

#include "bench/support/DocumentPicture.h"
#include "testsupport/HostCommand.h"

namespace benchhost {

namespace {

using qeltest::Utf8;

void Peak(ProcessCounts& peak, const ProcessCounts& c) {
    peak.gdiObjects = std::max(peak.gdiObjects, c.gdiObjects);
    peak.userObjects = std::max(peak.userObjects, c.userObjects);
    peak.windows = std::max(peak.windows, c.windows);
    peak.privateBytes = std::max(peak.privateBytes, c.privateBytes);
}

ProcessCounts Checkpoint(AppHost& host, EnduranceReport& report, std::FILE* log, const char* label) {
    host.Pump();
    const ProcessCounts c = CountProcess();
    Peak(report.peak, c);
    if (log) PrintCounts(log, label, c);
    return c;
}

// A drag of `frames` mouse moves with the left button down, over the visible part of the picture.
void Drag(AppHost& host, int frames, int seed) {
    RECT painter{};
    GetClientRect(host.PainterHwnd(), &painter);
    const int spanX = std::max<int>(20, std::min<int>(painter.right, 900) - 20);
    const int spanY = std::max<int>(20, std::min<int>(painter.bottom, 600) - 20);
    host.LeftDown(10 + seed % 50, 10 + seed % 30);
    for (int i = 0; i < frames; ++i) host.MoveWithLeft(15 + (i * 37 + seed) % spanX, 15 + (i * 23 + seed) % spanY);
    host.LeftUp(15 + (frames * 37 + seed) % spanX, 15 + (frames * 23 + seed) % spanY);
}

}  // namespace

std::wstring ScratchFolder(const wchar_t* name) {
    wchar_t buffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buffer);
    std::wstring folder = std::wstring(buffer) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::vector<std::wstring> WriteEnduranceFiles(const std::wstring& folder, unsigned largeWidth, unsigned largeHeight) {
    std::vector<std::wstring> files;
    CxImage large;
    if (DrawWorksheetPhoto(large, largeWidth, largeHeight, 11)) {
        const std::wstring path = folder + L"\\worksheet_a.bmp";
        if (WriteBytes(Utf8(path), EncodeBmp24(large))) files.push_back(path);
    }
    CxImage small;
    if (DrawWorksheetPhoto(small, largeWidth * 3 / 4, largeHeight * 3 / 4, 12)) {
        std::vector<uint8_t> png;
        const std::wstring path = folder + L"\\worksheet_b.png";
        if (small.Encode(png, CXIMAGE_FORMAT_PNG) && WriteBytes(Utf8(path), png)) files.push_back(path);
    }
    return files;
}

EnduranceReport RunEndurance(AppHost& host, const std::vector<std::wstring>& files, const EnduranceLoad& load,
                             std::FILE* log) {
    EnduranceReport report;
    auto& w = host.Window();
    rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao* sliders[] = {&w.brightnessSlider, &w.contrastSlider, &w.hueSlider};

    // Warm-up: every path once, so that caches and lazily made objects of the system exist before
    // the start is counted.
    for (size_t i = 0; i < files.size() * 2; ++i) host.DropFile(files[i % files.size()]);
    host.DropFile(files.front());
    for (int i = 0; i < 12; ++i) host.SliderKey(*sliders[(i / 2) % 3], i % 2 == 0);
    Drag(host, 6, 1);
    for (int i = 0; i < 6; ++i) host.SliderKey(*sliders[(i / 2) % 3], i % 2 == 0);
    host.RightDown(5, 5);
    host.Pump();

    const double t0 = NowMs();
    report.start = Checkpoint(host, report, log, "start");
    report.peak = report.start;

    // Slider steps: each slider one position up and back in turn; every 250 steps the selection is
    // set by a short drag or dropped by a right click, so steps run both ways.
    const int stepCheck = std::max(1, load.sliderSteps / 5);
    for (int i = 0; i < load.sliderSteps; ++i) {
        host.SliderKey(*sliders[(i / 2) % 3], i % 2 == 0);
        if (i % 250 == 249) {
            if ((i / 250) % 2 == 0) Drag(host, 2, i);
            else host.RightDown(5, 5);
        }
        if (i % 64 == 63) host.Pump();
        if ((i + 1) % stepCheck == 0) {
            char label[64];
            std::snprintf(label, sizeof label, "after %d slider steps", i + 1);
            Checkpoint(host, report, log, label);
        }
    }

    // Drag frames: drags of 100 moves each, every second one followed by a right click.
    int frames = 0, drags = 0;
    while (frames < load.dragFrames) {
        const int n = std::min(100, load.dragFrames - frames);
        Drag(host, n, drags * 17);
        if (drags % 2 == 1) host.RightDown(5, 5);
        frames += n;
        ++drags;
    }
    {
        char label[64];
        std::snprintf(label, sizeof label, "after %d drag frames", frames);
        Checkpoint(host, report, log, label);
    }

    // Reloads: the files dropped in turn (two sizes, two formats); an even count ends on the file of
    // the start, so that the same picture sizes are held at both counts.
    const int reloadCheck = std::max(1, load.reloads / 4);
    for (int i = 0; i < load.reloads; ++i) {
        host.DropFile(files[size_t(i + 1) % files.size()]);
        if ((i + 1) % reloadCheck == 0) {
            char label[64];
            std::snprintf(label, sizeof label, "after %d reloads", i + 1);
            Checkpoint(host, report, log, label);
        }
    }
    report.end = Checkpoint(host, report, log, "end");
    report.seconds = (NowMs() - t0) / 1000.0;
    return report;
}

}  // namespace benchhost
