// Quality of the sheet finder and the rectification over generated desk scenes: how often all four
// corners land within 1 % of the page's diagonal, the median corner error, how the misses split
// between "not found" and wrong corners given with confidence, the aspect estimate, how close the
// rectified page comes to the clean page, and the time of detection and warp on 12-megapixel
// photographs (beside one memcpy of the picture). One table.
//
// Arguments: [scenes] [folder]; with a folder, the photos of the missed scenes are written there
// as PNG files with the found and the true corners drawn in.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/cximage/bench/bench_common.h"
#include "platform/cximage/include/ximasheet.h"
#include "platform/cximage/testpages/Scene.h"

using namespace bench;

namespace {

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
}

double Luma(const uint8_t* p) { return 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2]; }

// Mean absolute luma difference between the rectified page (resampled to the clean page's size)
// and the clean page, after the rectified page's brightness is matched to the clean one by a
// least-squares linear fit: over the whole page (blocks = 1), or per block of an n x n grid, which
// takes out the photograph's uneven light and leaves mostly the misplacement of the content.
double PageDifference(const CxImage& rectified, const CxImage& clean, int blocks) {
    const uint32_t w = clean.GetWidth(), h = clean.GetHeight();
    const uint32_t rw = rectified.GetWidth(), rh = rectified.GetHeight();
    std::vector<double> a(size_t(w) * h), b(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            double sx = std::clamp((x + 0.5) * rw / w - 0.5, 0.0, rw - 1.0), sy = std::clamp((y + 0.5) * rh / h - 0.5, 0.0, rh - 1.0);
            uint32_t x0 = uint32_t(sx), y0 = uint32_t(sy), x1 = std::min(x0 + 1, rw - 1), y1 = std::min(y0 + 1, rh - 1);
            double fx = sx - x0, fy = sy - y0;
            auto L = [&](uint32_t xx, uint32_t yy) { return Luma(rectified.GetRow(yy) + xx * 4); };
            a[size_t(y) * w + x] = (L(x0, y0) * (1 - fx) + L(x1, y0) * fx) * (1 - fy) + (L(x0, y1) * (1 - fx) + L(x1, y1) * fx) * fy;
            b[size_t(y) * w + x] = Luma(clean.GetRow(y) + x * 4);
        }
    double total = 0;
    for (int by = 0; by < blocks; ++by)
        for (int bx = 0; bx < blocks; ++bx) {
            const uint32_t x0 = w * bx / blocks, x1 = w * (bx + 1) / blocks, y0 = h * by / blocks, y1 = h * (by + 1) / blocks;
            double sa = 0, sb = 0, saa = 0, sab = 0, n = 0;
            for (uint32_t y = y0; y < y1; ++y)
                for (uint32_t x = x0; x < x1; ++x) {
                    const double p = a[size_t(y) * w + x], q = b[size_t(y) * w + x];
                    sa += p; sb += q; saa += p * p; sab += p * q; ++n;
                }
            if (n == 0) continue;
            const double var = saa / n - (sa / n) * (sa / n);
            const double k = var > 1e-9 ? (sab / n - sa / n * sb / n) / var : 0, c = sb / n - k * sa / n;
            for (uint32_t y = y0; y < y1; ++y)
                for (uint32_t x = x0; x < x1; ++x) total += std::fabs(k * a[size_t(y) * w + x] + c - b[size_t(y) * w + x]);
        }
    return total / (double(w) * h);
}

void Mark(CxImage& img, double x, double y, uint8_t r, uint8_t g, uint8_t b) {
    for (int dy = -6; dy <= 6; ++dy)
        for (int dx = -6; dx <= 6; ++dx) {
            if (dx != 0 && dy != 0 && dx != dy) continue;
            int px = int(x) + dx, py = int(y) + dy;
            if (px < 0 || py < 0 || px >= int(img.GetWidth()) || py >= int(img.GetHeight())) continue;
            uint8_t* p = img.GetRow(uint32_t(py)) + px * 4;
            p[0] = b; p[1] = g; p[2] = r;
        }
}

}  // namespace

int main(int argc, char** argv) {
    const int scenes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::string dump = argc > 2 ? argv[2] : "";

    int within = 0, notFound = 0, wrongConfident = 0, aspectOk = 0, foundCount = 0;
    std::vector<double> errors, mads, madsTruth, madsBlock, madsBlockTruth, detectBig, detectSmall, warpBig;
    double memcpyBig = 0;
    std::vector<std::string> missed;
    for (int i = 0; i < scenes; ++i) {
        const bool big = i % 10 == 0;
        uint32_t w = big ? 4000 : (i % 3 == 0 ? 2000 : 1600), h = big ? 3000 : (i % 3 == 0 ? 1500 : 1200);
        if (i % 4 == 1) std::swap(w, h);  // portrait photographs too
        testpage::Scene sc = testpage::MakeScene(w, h, uint64_t(i) * 7919 + 17);
        cximg::SheetCorners found;
        double conf = 0;
        bool ok = false;
        const double ms = Time(big ? 3 : 1, [] {}, [&] { ok = cximg::FindSheet(sc.photo, found, conf); });
        (big ? detectBig : detectSmall).push_back(ms);
        const double pageDiag = 0.5 * (std::hypot(sc.corners.x[0] - sc.corners.x[2], sc.corners.y[0] - sc.corners.y[2]) +
                                       std::hypot(sc.corners.x[1] - sc.corners.x[3], sc.corners.y[1] - sc.corners.y[3]));
        double worst = 0;
        for (int k = 0; k < 4; ++k)
            worst = std::max(worst, std::hypot(found.x[k] - sc.corners.x[k], found.y[k] - sc.corners.y[k]) / pageDiag);
        const char* err = nullptr;
        if (ok) {
            ++foundCount;
            errors.push_back(worst * 100);
            if (worst <= 0.01) ++within;
            else ++wrongConfident;
            CxImage rect;
            if (cximg::RectifySheet(sc.photo, found, rect, err)) {
                mads.push_back(PageDifference(rect, sc.page.image, 1));
                madsBlock.push_back(PageDifference(rect, sc.page.image, 8));
            }
            double aspect = 0;
            if (cximg::SheetAspect(found, w, h, aspect) && std::fabs(aspect / sc.aspect - 1) <= 0.03) ++aspectOk;
        } else {
            ++notFound;
        }
        if (!ok || worst > 0.01) {
            char line[200];
            std::snprintf(line, sizeof line, "scene %d (%ux%u): %s, worst corner %.2f %%, confidence %.2f, surface %d%s%s", i, w, h,
                          ok ? "wrong corners" : "not found", worst * 100, conf, int(sc.surface), sc.secondSheet ? ", second sheet" : "",
                          sc.penAcross ? ", pen across" : "");
            missed.push_back(line);
            if (!dump.empty()) {
                CxImage shown = sc.photo;
                for (int k = 0; k < 4; ++k) {
                    Mark(shown, sc.corners.x[k], sc.corners.y[k], 0, 255, 0);
                    Mark(shown, found.x[k], found.y[k], 255, 0, 255);
                }
                std::vector<uint8_t> png;
                shown.Encode(png, CXIMAGE_FORMAT_PNG);
                std::string path = dump + "/scene" + std::to_string(i) + ".png";
                if (FILE* f = std::fopen(path.c_str(), "wb")) {
                    std::fwrite(png.data(), 1, png.size(), f);
                    std::fclose(f);
                }
            }
        }
        CxImage rectTruth;
        if (cximg::RectifySheet(sc.photo, sc.corners, rectTruth, err)) {
            madsTruth.push_back(PageDifference(rectTruth, sc.page.image, 1));
            madsBlockTruth.push_back(PageDifference(rectTruth, sc.page.image, 8));
        }
        if (big) {
            CxImage warped;
            warpBig.push_back(Time(3, [] {}, [&] { cximg::RectifySheet(sc.photo, found, warped, err); }));
            if (memcpyBig == 0) {
                const size_t bytes = size_t(w) * h * 4;
                std::vector<uint8_t> a(sc.photo.GetRow(0), sc.photo.GetRow(0) + bytes), b(bytes);
                memcpyBig = Time(9, [] {}, [&] { std::memcpy(b.data(), a.data(), bytes); });
            }
        }
    }

    const double n = scenes;
    std::printf("sheet finder over %d generated desk scenes (1600 x 1200 to 4000 x 3000)\n", scenes);
    std::printf("%-58s %12s\n", "measure", "value");
    std::printf("%-58s %12s\n", "----------------------------------------------------------", "------------");
    std::printf("%-58s %11.1f%%\n", "all four corners within 1 % of the page diagonal", 100.0 * within / n);
    std::printf("%-58s %11.3f%%\n", "median worst corner error (found sheets, % of diagonal)", Median(errors));
    std::printf("%-58s %12d\n", "not found (false returned)", notFound);
    std::printf("%-58s %12d\n", "wrong corners reported with confidence", wrongConfident);
    std::printf("%-58s %11.1f%%\n", "aspect within 3 % of the page's (found sheets)", foundCount ? 100.0 * aspectOk / foundCount : 0.0);
    std::printf("%-58s %12.2f\n", "rectified vs clean page, mean abs. luma diff. (one fit)", Median(mads));
    std::printf("%-58s %12.2f\n", "  the same with the true corners (photo's own loss)", Median(madsTruth));
    std::printf("%-58s %12.2f\n", "rectified vs clean page, the same, fit per 1/8 block", Median(madsBlock));
    std::printf("%-58s %12.2f\n", "  the same with the true corners", Median(madsBlockTruth));
    std::printf("%-58s %12.1f\n", "detection, 4000 x 3000, median ms", Median(detectBig));
    std::printf("%-58s %12.1f\n", "detection, 1600 x 1200 to 2000 x 1500, median ms", Median(detectSmall));
    std::printf("%-58s %12.1f\n", "warp, 4000 x 3000 photo, median ms", Median(warpBig));
    std::printf("%-58s %12.2f\n", "warp, x memcpy of the 4000 x 3000 picture", memcpyBig > 0 ? Median(warpBig) / memcpyBig : 0.0);
    std::printf("%-58s %12.1f\n", "memcpy of the 4000 x 3000 picture, ms", memcpyBig);
    std::printf("\ntargets:\n");
    auto check = [](const char* what, bool met, double v) { std::printf("  %-56s %-6s (%.2f)\n", what, met ? "met" : "MISSED", v); };
    check("corners within 1 % in >= 95 % of scenes", within >= 0.95 * n, 100.0 * within / n);
    check("detection <= 60 ms on 4000 x 3000", Median(detectBig) <= 60, Median(detectBig));
    check("warp <= 10 x memcpy", Median(warpBig) <= 10 * memcpyBig, memcpyBig > 0 ? Median(warpBig) / memcpyBig : 0.0);
    if (!missed.empty()) {
        std::printf("\nmissed scenes:\n");
        for (const std::string& m : missed) std::printf("  %s\n", m.c_str());
    }
    return 0;
}
