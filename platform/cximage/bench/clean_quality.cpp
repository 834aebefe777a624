// Quality and speed of "clean page" beside the usual alternatives, on generated document photos
// whose truth is known (platform/cximage/testpages). For every page the photo is cleaned as it is
// (colour) and after GrayScale (what the program has after its hue pass), by:
//   ours       cximg::CleanPage on one thread
//   Light      CxImage::Light with the brightness and contrast that score best on this very page
//              (every setting tried, coarse then fine: an upper bound for a global adjustment)
//   IM -lat    ImageMagick's local adaptive threshold
//   IM divide  ImageMagick: divide by a blurred copy, then a level
// and one table gives the mean shares over the pages: paper white, ink dark, pencil dark, coloured
// marks visible, table dark, and the time on the 4000 x 3000 page (ImageMagick's includes reading
// and writing its files).
// Usage: cximage_clean_quality [path of convert] [number of pages] [ours: without ImageMagick]
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include <time.h>
#include <unistd.h>

#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/include/ximapage.h"
#include "platform/cximage/testpages/TestPage.h"

namespace {

// Wall-clock milliseconds (for ImageMagick, which runs as a process of its own, and for runs on
// several threads).
double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor time of this process: other programs running on the machine do not count.
double CpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

double BestMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work, double (*clock)() = CpuMs) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const double t0 = clock();
        work();
        best = std::min(best, clock() - t0);
    }
    return best;
}

bool WritePpm(const CxImage& img, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%u %u\n255\n", img.GetWidth(), img.GetHeight());
    std::vector<uint8_t> row(size_t(img.GetWidth()) * 3);
    for (uint32_t y = 0; y < img.GetHeight(); ++y) {
        const uint8_t* p = img.GetRow(y);
        for (uint32_t x = 0; x < img.GetWidth(); ++x) {
            row[x * 3] = p[x * 4 + 2];
            row[x * 3 + 1] = p[x * 4 + 1];
            row[x * 3 + 2] = p[x * 4];
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

CxImage ReadPnm(const std::string& path) {
    CxImage img;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return img;
    std::vector<uint8_t> bytes;
    uint8_t buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    img.Decode(bytes.data(), bytes.size(), CXIMAGE_FORMAT_PNM);
    return img;
}

struct Totals {
    double paper = 0, ink = 0, pencil = 0, mark = 0, background = 0;
    int pages = 0;
    double bigMs = 0;  // on the 4000 x 3000 page
    void Add(const testpage::Score& s) {
        paper += s.paperWhite;
        ink += s.inkDark;
        pencil += s.pencilDark;
        mark += s.markVisible;
        background += s.backgroundDark;
        ++pages;
    }
};

// The brightness and contrast whose Light scores best (paper share + ink share) on this page.
// The tone table is monotone, so paper is white exactly when the table takes its darkest channel
// to 235 or more; ink luma is evaluated on a sample of ink pixels.
void BestLight(const CxImage& photo, const std::vector<uint8_t>& classes, long& bestB, long& bestC) {
    std::vector<uint32_t> paperMin(256, 0);
    std::vector<std::array<uint8_t, 3>> ink;
    uint64_t paperCount = 0, inkCount = 0;
    const uint32_t w = photo.GetWidth(), h = photo.GetHeight();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* p = photo.GetRow(y);
        for (uint32_t x = 0; x < w; ++x, p += 4) {
            const uint8_t k = classes[size_t(y) * w + x];
            if (k == testpage::kPaper) {
                ++paperMin[std::min({p[0], p[1], p[2]})];
                ++paperCount;
            } else if (k == testpage::kInk) {
                if (inkCount++ % 7 == 0) ink.push_back({p[2], p[1], p[0]});
            }
        }
    }
    if (ink.size() > 6000) ink.resize(6000);
    auto score = [&](long b, long c) {
        CxImage probe;
        uint8_t lut[256];
        // The table Light uses: read it back through Light itself on a ramp.
        probe.Create(256, 1);
        for (int i = 0; i < 256; ++i) {
            uint8_t* q = probe.GetRow(0) + i * 4;
            q[0] = q[1] = q[2] = uint8_t(i);
            q[3] = 255;
        }
        probe.Light(b, c);
        for (int i = 0; i < 256; ++i) lut[i] = probe.GetRow(0)[i * 4];
        uint64_t white = 0;
        for (int i = 0; i < 256; ++i)
            if (lut[i] >= 235) white += paperMin[i];
        uint64_t dark = 0;
        for (const auto& px : ink) dark += (299u * lut[px[0]] + 587u * lut[px[1]] + 114u * lut[px[2]]) / 1000u <= 150;
        return (paperCount ? double(white) / double(paperCount) : 1.0) + (ink.empty() ? 1.0 : double(dark) / double(ink.size()));
    };
    double best = -1;
    for (long b = -255; b <= 255; b += 15)
        for (long c = -255; c <= 255; c += 15) {
            const double s = score(b, c);
            if (s > best) best = s, bestB = b, bestC = c;
        }
    const long cb = bestB, cc = bestC;
    for (long b = std::max(-255L, cb - 14); b <= std::min(255L, cb + 14); ++b)
        for (long c = std::max(-255L, cc - 14); c <= std::min(255L, cc + 14); ++c) {
            const double s = score(b, c);
            if (s > best) best = s, bestB = b, bestC = c;
        }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string convert = argc > 1 ? argv[1] : "convert-im6.q16";
    const int pageCount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 24;
    const bool withMagick = !(argc > 3 && std::strcmp(argv[3], "ours") == 0);  // "ours": leave ImageMagick out
    char dirTemplate[] = "/tmp/clean_quality.XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir) return 1;
    const std::string tmp = dir;

    struct Size { uint32_t w, h; };
    std::vector<Size> sizes;
    for (int i = 0; i < pageCount - 1; ++i) {
        static const Size kinds[] = {{600, 400}, {400, 600}, {1200, 900}, {900, 1300}, {2000, 1500}};
        sizes.push_back(kinds[i % 5]);
    }
    sizes.push_back({4000, 3000});

    const char* methods[] = {"ours", "best global Light", "IM -lat", "IM divide+level"};
    const char* inputs[] = {"colour", "grey"};
    Totals totals[4][2];
    double memcpyMs = 0, ours4Ms = 0;

    for (size_t pi = 0; pi < sizes.size(); ++pi) {
        const uint64_t seed = 1000 + pi;
        const uint32_t w = sizes[pi].w, h = sizes[pi].h;
        const bool big = w * h >= 12000000u;
        testpage::Page page = testpage::MakeCleanPage(w, h, seed);
        testpage::Photo photo = testpage::Photograph(page.image, testpage::RandomPhotoParams(seed), seed);
        const std::vector<uint8_t> classes = testpage::PhotoClasses(page, photo);
        std::fprintf(stderr, "page %zu/%zu: %ux%u\n", pi + 1, sizes.size(), w, h);
        if (big) {
            std::vector<uint8_t> a(size_t(w) * h * 4, 1), b(a.size(), 2);
            memcpyMs = BestMs(7, [&] { a[0] = b[1]; }, [&] { std::memcpy(b.data(), a.data(), a.size()); });
        }
        for (int in = 0; in < 2; ++in) {
            CxImage input = photo.image;
            if (in == 1) input.GrayScale();
            const int runs = big ? 5 : 1;
            // ours
            {
                CxImage out;
                const char* err = nullptr;
                cximg::SetCleanPageThreads(1);
                const double ms = BestMs(runs, [&] { out = input; }, [&] { cximg::CleanPage(out, err); });
                totals[0][in].Add(testpage::Measure(out, classes));
                if (big) {
                    totals[0][in].bigMs = ms;
                    cximg::SetCleanPageThreads(4);
                    ours4Ms = BestMs(runs, [&] { out = input; }, [&] { cximg::CleanPage(out, err); }, NowMs);
                    cximg::SetCleanPageThreads(0);
                }
            }
            // best global Light
            {
                long b = 0, c = 0;
                BestLight(input, classes, b, c);
                CxImage out;
                const double ms = BestMs(runs, [&] { out = input; }, [&] { out.Light(b, c); });
                totals[1][in].Add(testpage::Measure(out, classes));
                if (big) totals[1][in].bigMs = ms;
            }
            // ImageMagick
            const std::string src = tmp + "/in.ppm", dst = tmp + "/out.pnm";
            WritePpm(input, src);
            const int blur = std::max(20, int(std::min(w, h) / 400.0 * 10.0));
            const std::string commands[2] = {
                convert + " " + src + " -lat 25x25-10% " + dst,
                convert + " " + src + " \\( +clone -blur 0x" + std::to_string(blur) + " \\) +swap -compose divide -composite -level 55%,92% " + dst,
            };
            for (int m = 0; m < 2 && withMagick; ++m) {
                const double t0 = NowMs();
                if (std::system((commands[m] + " 2>/dev/null").c_str()) != 0) std::fprintf(stderr, "failed: %s\n", commands[m].c_str());
                const double ms = NowMs() - t0;
                CxImage out = ReadPnm(dst);
                if (out.IsValid() && out.GetWidth() == w) totals[2 + m][in].Add(testpage::Measure(out, classes));
                if (big) totals[2 + m][in].bigMs = ms;
                std::remove(dst.c_str());
            }
            std::remove(src.c_str());
        }
    }
    rmdir(dir);

    std::printf("clean page: mean shares over %zu generated document photos (600x400 .. 4000x3000); time on 4000x3000\n",
                sizes.size());
    std::printf("%-18s %-6s %7s %7s %7s %7s %7s %10s %9s\n", "method", "input", "paper", "ink", "pencil", "marks", "table",
                "ms", "x memcpy");
    std::printf("%-18s %-6s %7s %7s %7s %7s %7s %10s %9s\n", "", "", ">=235", "<=150", "<=150", "<=200", "<=128", "", "");
    for (int m = 0; m < 4; ++m)
        for (int in = 0; in < 2; ++in) {
            const Totals& t = totals[m][in];
            if (!t.pages) continue;
            const double n = std::max(1, t.pages);
            std::printf("%-18s %-6s %6.1f%% %6.1f%% %6.1f%% %6.1f%% %6.1f%% %10.1f %9.2f\n", methods[m], inputs[in],
                        100 * t.paper / n, 100 * t.ink / n, 100 * t.pencil / n, 100 * t.mark / n, 100 * t.background / n,
                        t.bigMs, t.bigMs / memcpyMs);
        }
    std::printf("memcpy of the 4000x3000 picture (48 MB): %.1f ms; ours on 4 threads: %.1f ms wall clock (%.2f x memcpy)\n",
                memcpyMs, ours4Ms, ours4Ms / memcpyMs);
    std::printf("(processor time on one thread; ImageMagick's is wall-clock time and includes starting convert and\n"
                " reading and writing its files)\n");
    std::printf("\ntargets:\n");
    auto check = [&](const char* what, bool ok, double value) {
        std::printf("  %-64s %-6s (%.2f)\n", what, ok ? "met" : "MISSED", value);
    };
    for (int in = 0; in < 2; ++in) {
        const Totals& o = totals[0][in];
        const double n = std::max(1, o.pages);
        std::string tag = std::string(" (") + inputs[in] + ")";
        check(("paper white >= 98 %" + tag).c_str(), o.paper / n >= 0.98, 100 * o.paper / n);
        check(("ink dark >= 97 %" + tag).c_str(), o.ink / n >= 0.97, 100 * o.ink / n);
        check(("coloured marks visible >= 90 %" + tag).c_str(), o.mark / n >= 0.90, 100 * o.mark / n);
        for (int m = 1; m < 4; ++m) {
            const Totals& t = totals[m][in];
            if (!t.pages) continue;
            const double tn = std::max(1, t.pages);
            const double ours = (o.paper + o.ink) / n, theirs = (t.paper + t.ink) / tn;
            const bool beats = o.paper / n >= t.paper / tn - 0.005 && o.ink / n >= t.ink / tn - 0.005 && ours > theirs;
            check(("paper + ink beat " + std::string(methods[m]) + tag).c_str(), beats, 100 * (ours - theirs));
        }
    }
    check("one thread <= 6 x memcpy (colour, 4000x3000)", totals[0][0].bigMs <= 6 * memcpyMs, totals[0][0].bigMs / memcpyMs);
    return 0;
}
