// Shared by the native and the Windows benchmark: the 12-megapixel document photograph and camera
// photograph, timing and the table rows.
#pragma once
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>
#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

#include "platform/cximage/include/ximacore.h"

namespace bench {

constexpr uint32_t kWidth = 4000, kHeight = 3000;

// A phone photograph of a printed page: paper lit unevenly with sensor noise, rows of printed
// characters, handwritten strokes in blue, a shadow along one edge.
inline CxImage DocumentPhoto() {
    CxImage img;
    img.Create(kWidth, kHeight);
    std::mt19937 rng(12345);
    std::vector<uint8_t> ink(size_t(kWidth) * kHeight, 0);
    for (uint32_t line = 0; line < 45; ++line) {
        uint32_t y0 = 220 + line * 58;
        uint32_t x = 250;
        while (x < 3700) {
            uint32_t cw = 18 + rng() % 22, ch = 30 + rng() % 8;
            for (int stroke = 0; stroke < 4; ++stroke) {
                bool horizontal = rng() & 1;
                uint32_t sx = x + rng() % cw, sy = y0 + rng() % ch, len = 6 + rng() % 24;
                for (uint32_t k = 0; k < len; ++k)
                    for (uint32_t t = 0; t < 3; ++t) {
                        uint32_t px = horizontal ? sx + k : sx + t, py = horizontal ? sy + t : sy + k;
                        if (px < kWidth && py < kHeight) ink[size_t(py) * kWidth + px] = 1;
                    }
            }
            x += cw + 6 + (rng() % 9 == 0 ? 30 : 0);
        }
    }
    for (int s = 0; s < 40; ++s) {  // handwriting
        double cx = 300 + rng() % 3300, cy = 250 + rng() % 2600;
        for (int k = 0; k < 400; ++k) {
            double t = k / 400.0 * 6.28;
            uint32_t px = uint32_t(cx + k * 0.6), py = uint32_t(cy + 14 * std::sin(t * 3));
            for (uint32_t d = 0; d < 4; ++d)
                if (px + d < kWidth && py < kHeight) ink[size_t(py) * kWidth + px + d] = 2;
        }
    }
    std::normal_distribution<float> noise(0.0f, 4.0f);
    for (uint32_t y = 0; y < kHeight; ++y) {
        uint8_t* row = img.GetRow(y);
        for (uint32_t x = 0; x < kWidth; ++x) {
            double light = 0.82 + 0.16 * std::sin(x / 2600.0 + 0.4) * std::cos(y / 3100.0 - 0.2);
            if (x > 3750) light *= 0.55 + 0.45 * (4000 - x) / 250.0;  // shadow at the right edge
            float n = noise(rng);
            int r = int(238 * light + n), g = int(232 * light + n), b = int(218 * light + n);
            if (ink[size_t(y) * kWidth + x] == 1) r = g = b = int(45 + n);
            if (ink[size_t(y) * kWidth + x] == 2) { r = int(40 + n); g = int(60 + n); b = int(150 + n); }
            row[x * 4 + 0] = uint8_t(std::clamp(b, 0, 255));
            row[x * 4 + 1] = uint8_t(std::clamp(g, 0, 255));
            row[x * 4 + 2] = uint8_t(std::clamp(r, 0, 255));
            row[x * 4 + 3] = 255;
        }
    }
    return img;
}

// A camera photograph of a scene: a sky graded towards the horizon, hills, a few lit objects with
// soft shading, fine texture in the grass, lens vignetting and sensor noise drawn independently for
// each channel (as a sensor's red, green and blue sites are).
inline CxImage CameraPhoto(float noiseSigma = 2.5f) {
    CxImage img;
    img.Create(kWidth, kHeight);
    std::mt19937 rng(777);
    std::normal_distribution<float> noise(0.0f, noiseSigma);
    struct Disc { float x, y, r, cr, cg, cb; };
    Disc discs[12];
    for (auto& d : discs)
        d = Disc{float(rng() % kWidth), float(1200 + rng() % 1700), float(120 + rng() % 380),
                 float(40 + rng() % 200), float(40 + rng() % 200), float(40 + rng() % 200)};
    for (uint32_t y = 0; y < kHeight; ++y) {
        uint8_t* row = img.GetRow(y);
        const float horizon = 1200.0f;
        for (uint32_t x = 0; x < kWidth; ++x) {
            const float hill = horizon + 180.0f * std::sin(x / 700.0f) + 60.0f * std::sin(x / 170.0f + 1.0f);
            float r, g, b;
            if (float(y) < hill) {  // sky
                const float t = float(y) / hill;
                r = 90 + 120 * t;
                g = 140 + 90 * t;
                b = 230 - 10 * t;
            } else {  // grass with texture
                const float tex = 18.0f * std::sin(x * 0.21f + std::sin(y * 0.05f) * 3.0f) * std::sin(y * 0.17f);
                r = 70 + tex * 0.6f + (y - hill) * 0.02f;
                g = 120 + tex + (y - hill) * 0.015f;
                b = 50 + tex * 0.3f;
            }
            for (const Disc& d : discs) {
                const float dx = x - d.x, dy = y - d.y, q = dx * dx + dy * dy;
                if (q < d.r * d.r) {
                    const float shade = 0.55f + 0.45f * (1.0f - (dx + dy) / (2.9f * d.r));
                    r = d.cr * shade;
                    g = d.cg * shade;
                    b = d.cb * shade;
                }
            }
            const float cx = (x - 2000.0f) / 2000.0f, cy = (y - 1500.0f) / 2000.0f;
            const float vignette = 1.0f - 0.35f * (cx * cx + cy * cy);
            row[x * 4 + 0] = uint8_t(std::clamp(int(b * vignette + noise(rng)), 0, 255));
            row[x * 4 + 1] = uint8_t(std::clamp(int(g * vignette + noise(rng)), 0, 255));
            row[x * 4 + 2] = uint8_t(std::clamp(int(r * vignette + noise(rng)), 0, 255));
            row[x * 4 + 3] = 255;
        }
    }
    return img;
}

// Milliseconds of processor time used by this process (all its threads): other programs running
// on the machine at the same time do not count, which wall-clock time would.
#if defined(_WIN32)
inline double CpuMs() {
    LARGE_INTEGER f, c;  // Wine's process times tick in 15.6 ms steps: the performance counter is used
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}
#else
inline double CpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}
#endif

// Milliseconds of wall-clock time, for work spread over several threads (processor time would add
// up the threads).
inline double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Best of several runs of wall-clock time, in milliseconds.
inline double TimeWall(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double t0 = WallMs();
        work();
        best = std::min(best, WallMs() - t0);
    }
    return best;
}

// Best of several runs, in milliseconds; prepare() runs untimed before each run.
inline double Time(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        prepare();
        double t0 = CpuMs();
        work();
        best = std::min(best, CpuMs() - t0);
    }
    return best;
}

inline void Header() {
    std::printf("%-34s %11s %9s %12s\n", "operation (4000 x 3000)", "cpu ms", "x memcpy", "output bytes");
    std::printf("%-34s %11s %9s %12s\n", "----------------------------------", "-----------", "---------", "------------");
}

inline void Row(const std::string& name, double ms, double memcpyMs, size_t bytes = 0) {
    if (bytes)
        std::printf("%-34s %11.1f %9.2f %12zu\n", name.c_str(), ms, ms / memcpyMs, bytes);
    else
        std::printf("%-34s %11.1f %9.2f %12s\n", name.c_str(), ms, ms / memcpyMs, "");
    std::fflush(stdout);
}

// PNG encoding of one picture with one thread and with the automatic thread count, wall clock,
// beside a wall-clock memcpy of the picture's bytes. Returns the file size (the same both ways).
inline size_t PngThreadRows(const std::string& name, const CxImage& pic, double memcpyWallMs, int runs) {
    std::vector<uint8_t> one, all;
    const unsigned before = cximg::GetPngEncoderThreads();
    cximg::SetPngEncoderThreads(1);
    const double t1 = TimeWall(runs, [&] { const_cast<CxImage&>(pic).Encode(one, CXIMAGE_FORMAT_PNG); });
    cximg::SetPngEncoderThreads(0);
    const double tn = TimeWall(runs, [&] { const_cast<CxImage&>(pic).Encode(all, CXIMAGE_FORMAT_PNG); });
    cximg::SetPngEncoderThreads(before);
    Row("ours  PNG " + name + ", 1 thread", t1, memcpyWallMs, one.size());
    Row("ours  PNG " + name + ", " + std::to_string(std::max(1u, std::thread::hardware_concurrency())) + " threads", tn,
        memcpyWallMs, all.size());
    if (one != all) std::printf("  !! the files of 1 thread and of several threads differ\n");
    std::printf("  %-32s %.2f\n", "speed-up with threads", t1 / tn);
    return one.size();
}

}  // namespace bench
