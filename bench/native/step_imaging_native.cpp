// The imaging part of one slider step on a 12-megapixel worksheet photograph, natively on the
// portable picture library: the restore (the reference bitmap's 32-bit pixels copied into the working
// picture and the one pass that decides about alpha, as CreateFromHBITMAP does), then Light or
// Colorize on the whole picture or inside a selection. Wall clock, best and median of several runs,
// beside memcpy of the picture's bytes measured in the same run.
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/support/DocumentPicture.h"

namespace {

constexpr uint32_t kWidth = 4000, kHeight = 3000;
constexpr size_t kBytes = size_t(kWidth) * kHeight * 4;

double NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

struct Result {
    double best = 1e30, median = 0;
};

template <class F>
Result Time(int runs, F&& work) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        work(i);
        t.push_back(NowMs() - t0);
    }
    std::sort(t.begin(), t.end());
    return Result{t.front(), t[t.size() / 2]};
}

double g_memcpy = 1e30;

void MeasureMemcpy(const std::vector<uint8_t>& a, std::vector<uint8_t>& b) {
    g_memcpy = std::min(g_memcpy, Time(9, [&](int) { std::memcpy(b.data(), a.data(), kBytes); }).best);
}

struct Line {
    const char* name;
    Result r;
};

// The restore: the bitmap's pixels into the picture (same size, so the picture keeps its memory),
// the selection dropped, one pass over the fourth bytes (all zero: drawn by GDI, made opaque).
void Restore(CxImage& working, const std::vector<uint8_t>& bitmapBits) {
    working.SelectionDelete();
    uint8_t* px = working.GetRow(0);
    std::memcpy(px, bitmapBits.data(), kBytes);
    uint32_t any = 0, all = 0xFFFFFFFFu;
    const uint32_t* word = reinterpret_cast<const uint32_t*>(px);
    for (size_t i = 0, n = kBytes / 4; i < n; ++i) {
        any |= word[i];
        all &= word[i];
    }
    if ((any >> 24) == 0) {
        uint32_t* w = reinterpret_cast<uint32_t*>(px);
        for (size_t i = 0, n = kBytes / 4; i < n; ++i) w[i] |= 0xFF000000u;
    }
    if ((all >> 24) != 0xFF) std::printf("(the photograph unexpectedly has alpha)\n");
}

}  // namespace

int main() {
    CxImage reference;
    if (!benchhost::DrawWorksheetPhoto(reference, kWidth, kHeight, 7)) return 1;
    // The reference bitmap's pixels, as TakeReference leaves them (MakeBitmap copies them 1:1).
    std::vector<uint8_t> bitmapBits(reference.GetRow(0), reference.GetRow(0) + kBytes);
    CxImage working = reference;
    std::vector<uint8_t> a(bitmapBits), b(kBytes, 0);
    MeasureMemcpy(a, b);

    std::vector<Line> lines;
    lines.push_back({"restore (copy in + alpha pass)", Time(9, [&](int) { Restore(working, bitmapBits); })});
    lines.push_back({"Light(b, c) whole picture", Time(9, [&](int i) { working.Light(45 + i % 2, 20); })});
    lines.push_back({"Colorize(h, s, 1.0) whole picture", Time(9, [&](int i) { working.Colorize(uint8_t(120 + i % 2), 120, 1.0f); })});
    MeasureMemcpy(a, b);
    lines.push_back({"brightness step: restore + Light", Time(9, [&](int i) {
                         Restore(working, bitmapBits);
                         working.Light(45 + i % 2, 20);
                     })});
    lines.push_back({"hue step: restore + Colorize", Time(9, [&](int i) {
                         Restore(working, bitmapBits);
                         working.Colorize(uint8_t(120 + i % 2), uint8_t(120 + i % 2), 1.0f);
                     })});
    lines.push_back({"step with a 2000 x 1500 selection", Time(9, [&](int i) {
                         Restore(working, bitmapBits);
                         // Rows counted from the bottom, as the program passes them.
                         working.SelectionAddRect(CxRect{500, int32_t(kHeight) - 400 - 1, 2500, int32_t(kHeight) - 1900 - 1}, 255);
                         working.Light(45 + i % 2, 20);
                     })});
    MeasureMemcpy(a, b);
    // What the restore cost before it used the reference bitmap: a fresh picture-sized buffer filled
    // by a copy on every step (first touches of new memory included).
    lines.push_back({"not in the step: fresh buffer + copy", Time(5, [&](int) {
                         std::unique_ptr<uint8_t[]> fresh(new uint8_t[kBytes]);
                         std::memcpy(fresh.get(), bitmapBits.data(), kBytes);
                         b[0] ^= fresh[kBytes / 2];
                     })});
    MeasureMemcpy(a, b);

    std::printf("imaging part of one slider step, native (4000 x 3000, wall clock ms, ratio of the best to memcpy)\n");
    std::printf("  %-40s %9s %9s %9s\n", "", "best", "median", "x memcpy");
    std::printf("  %-40s %9.2f %9s %9.2f\n", "memcpy of the picture's bytes", g_memcpy, "", 1.0);
    for (const Line& l : lines)
        std::printf("  %-40s %9.2f %9.2f %9.2f\n", l.name, l.r.best, l.r.median, l.r.best / g_memcpy);
    return 0;
}
