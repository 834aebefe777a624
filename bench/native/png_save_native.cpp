// The PNG encoding of the save button, natively on the portable picture library: the 12-megapixel
// worksheet photograph after the program's first hue pass as the three kinds of picture the program saves (a camera-like photograph
// read from a JPEG of quality 92, the same after Light(30, 160) – the whitened page – and the
// photograph with its sensor noise, as read from a PNG), each encoded on one thread and on two.
// Wall clock, best and median of several runs, the output size, beside memcpy of the picture.
// ImageMagick's convert makes and reads back the JPEG.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/support/DocumentPicture.h"

namespace {

constexpr uint32_t kWidth = 4000, kHeight = 3000;

double NowMs(clockid_t clock = CLOCK_MONOTONIC) {
    timespec t;
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// Wall clock, and the processor time of all threads (which other work on a shared machine
// changes less).
struct Result {
    double best = 1e30, median = 0, cpuBest = 1e30;
};

template <class F>
Result Time(int runs, F&& work) {
    std::vector<double> t;
    double cpu = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double c0 = NowMs(CLOCK_PROCESS_CPUTIME_ID), t0 = NowMs();
        work();
        t.push_back(NowMs() - t0);
        cpu = std::min(cpu, NowMs(CLOCK_PROCESS_CPUTIME_ID) - c0);
    }
    std::sort(t.begin(), t.end());
    return Result{t.front(), t[t.size() / 2], cpu};
}

// The photograph through a JPEG of quality 92, read back as a PPM by our own decoder.
bool ThroughJpeg(const CxImage& photo, CxImage& out) {
    const std::string base = "/tmp/png_save_native_" + std::to_string(getpid());
    if (!benchhost::WriteBytes(base + ".bmp", benchhost::EncodeBmp24(photo))) return false;
    const std::string cmd = "convert '" + base + ".bmp' -quality 92 '" + base + ".jpg' && convert '" + base + ".jpg' '" +
                            base + ".ppm'";
    const bool made = std::system(cmd.c_str()) == 0 && out.LoadUtf8((base + ".ppm").c_str());
    std::remove((base + ".bmp").c_str());
    std::remove((base + ".jpg").c_str());
    std::remove((base + ".ppm").c_str());
    return made;
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments: runs (7), then the first letters of the pictures to time (w, c, n; all three).
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string only = argc > 2 ? argv[2] : "wcn";
    CxImage noisy;
    if (!benchhost::DrawWorksheetPhoto(noisy, kWidth, kHeight, 7)) return 1;
    CxImage camera;
    if (only.find_first_of("wc") != std::string::npos && !ThroughJpeg(noisy, camera)) {
        std::fprintf(stderr, "ImageMagick could not make the JPEG photograph\n");
        return 1;
    }
    // What the program does to a dropped picture before any slider moves: the hue pass at the
    // slider's first position (hue 1, saturation 1), which leaves the three channels nearly equal.
    noisy.Colorize(1, 1, 1.0f);
    camera.Colorize(1, 1, 1.0f);
    CxImage whitened = camera;
    whitened.Light(30, 160);

    const size_t bytes = size_t(kWidth) * kHeight * 4;
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    const double mc = Time(9, [&] {
        std::memcpy(b.data(), a.data(), bytes);
        a[bytes / 2] = uint8_t(b[bytes / 3] + 1);  // the copy is used, so it stays
    }).best;
    std::printf("PNG encoding, %u x %u, wall clock (memcpy of the picture %.2f ms)\n", kWidth, kHeight, mc);
    std::printf("%-32s %7s %8s %8s %8s %10s\n", "picture", "threads", "best ms", "median", "cpu ms", "bytes");
    struct Kind {
        const char* name;
        CxImage* pic;
    } kinds[] = {{"whitened page", &whitened}, {"camera-like photograph (JPEG)", &camera}, {"sensor-noise photograph", &noisy}};
    const unsigned before = cximg::GetPngEncoderThreads();
    for (const Kind& k : kinds) {
        if (only.find(k.name[0] == 'w' ? 'w' : k.name[0] == 'c' ? 'c' : 'n') == std::string::npos) continue;
        for (unsigned threads : {2u, 1u}) {
            cximg::SetPngEncoderThreads(threads);
            std::vector<uint8_t> out;
            if (!k.pic->Encode(out, CXIMAGE_FORMAT_PNG)) return 1;  // warm-up, and the size
            const Result r = Time(runs, [&] { k.pic->Encode(out, CXIMAGE_FORMAT_PNG); });
            std::printf("%-32s %7u %8.1f %8.1f %8.1f %10zu\n", k.name, threads, r.best, r.median, r.cpuBest, out.size());
        }
    }
    cximg::SetPngEncoderThreads(before);
    return 0;
}
