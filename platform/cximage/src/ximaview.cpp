// Area-averaged views. The filter is separable: for each view row the picture rows under it are
// summed with their coverage weights into one row of 32-bit sums (a contiguous loop the compiler
// vectorises), then each view pixel sums the columns under it from that row.
//
// Fixed point: row weights add up to 4096 and column weights to 1024, so a sum stays below
// 255 * 4096 * 1024 < 2^32 and the result is rounded once, at the end (error below half a level
// beyond the weights' own rounding).
#include "platform/cximage/include/ximaview.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

namespace cximg {
namespace {

constexpr uint32_t kRowWeightTotal = 4096;
constexpr uint32_t kColumnWeightTotal = 1024;
constexpr int kResultShift = 22;  // log2(4096 * 1024)

// For every view position along one axis: the first picture position under it, how many follow,
// and where its weights start in `weights`. A view position outside the picture has count 0.
struct Taps {
    std::vector<uint32_t> first, count, start;
    std::vector<uint32_t> weights;
};

Taps BuildTaps(uint32_t viewCount, int64_t origin, double scale, uint32_t pictureCount, uint32_t total) {
    Taps taps;
    taps.first.resize(viewCount);
    taps.count.resize(viewCount);
    taps.start.resize(viewCount);
    std::vector<double> overlap;
    for (uint32_t i = 0; i < viewCount; ++i) {
        const double a = std::max(0.0, ViewToPicture(double(i), origin, scale));
        const double b = std::min(double(pictureCount), ViewToPicture(double(i) + 1.0, origin, scale));
        taps.start[i] = static_cast<uint32_t>(taps.weights.size());
        taps.first[i] = 0;
        taps.count[i] = 0;
        if (!(b > a)) continue;
        const uint32_t first = static_cast<uint32_t>(std::floor(a));
        const uint32_t end = std::min(pictureCount, static_cast<uint32_t>(std::ceil(b)));
        overlap.clear();
        double sum = 0.0;
        for (uint32_t k = first; k < end; ++k) {
            const double o = std::min(b, double(k) + 1.0) - std::max(a, double(k));
            overlap.push_back(std::max(0.0, o));
            sum += overlap.back();
        }
        if (!(sum > 0.0)) continue;
        // Cumulative rounding: the weights add up to exactly `total`.
        double cumulative = 0.0;
        uint32_t given = 0;
        for (double o : overlap) {
            cumulative += o;
            const uint32_t upTo = static_cast<uint32_t>(std::lround(cumulative / sum * total));
            taps.weights.push_back(upTo - given);
            given = upTo;
        }
        taps.first[i] = first;
        taps.count[i] = static_cast<uint32_t>(overlap.size());
    }
    return taps;
}

struct Job {
    const CxImage* picture;
    CxImage* view;
    const Taps* rows;
    const Taps* columns;
    uint32_t spanFirst, spanEnd;  // picture columns any view column reads
    bool alpha;
};

void RenderRows(const Job& job, uint32_t rowBegin, uint32_t rowEnd) {
    const Taps& rows = *job.rows;
    const Taps& columns = *job.columns;
    const uint32_t viewWidth = job.view->GetWidth();
    const size_t spanValues = size_t(job.spanEnd - job.spanFirst) * 4;
    std::vector<uint32_t> sums(spanValues);
    const uint8_t whiteAlpha = job.alpha ? 0 : 255;
    for (uint32_t y = rowBegin; y < rowEnd; ++y) {
        uint8_t* out = job.view->GetRow(y);
        if (rows.count[y] == 0 || spanValues == 0) {
            for (uint32_t x = 0; x < viewWidth; ++x) {
                out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = 255;
                out[4 * x + 3] = whiteAlpha;
            }
            continue;
        }
        std::fill(sums.begin(), sums.end(), 0u);
        uint32_t* s = sums.data();
        for (uint32_t t = 0; t < rows.count[y]; ++t) {
            const uint32_t weight = rows.weights[rows.start[y] + t];
            if (weight == 0) continue;
            const uint8_t* p = job.picture->GetRow(rows.first[y] + t) + size_t(job.spanFirst) * 4;
            for (size_t k = 0; k < spanValues; ++k) s[k] += uint32_t(p[k]) * weight;
        }
        for (uint32_t x = 0; x < viewWidth; ++x) {
            uint8_t* o = out + 4 * size_t(x);
            const uint32_t n = columns.count[x];
            if (n == 0) {
                o[0] = o[1] = o[2] = 255;
                o[3] = whiteAlpha;
                continue;
            }
            uint32_t b = 1u << (kResultShift - 1), g = b, r = b, a = b;
            const uint32_t* column = s + size_t(columns.first[x] - job.spanFirst) * 4;
            const uint32_t* w = columns.weights.data() + columns.start[x];
            for (uint32_t t = 0; t < n; ++t) {
                b += column[4 * t] * w[t];
                g += column[4 * t + 1] * w[t];
                r += column[4 * t + 2] * w[t];
                a += column[4 * t + 3] * w[t];
            }
            o[0] = uint8_t(b >> kResultShift);
            o[1] = uint8_t(g >> kResultShift);
            o[2] = uint8_t(r >> kResultShift);
            o[3] = uint8_t(a >> kResultShift);
        }
    }
}

}  // namespace

bool RenderAreaView(const CxImage& picture, const ViewWindow& window, CxImage& view, unsigned threads) {
    if (!picture.IsValid() || window.width == 0 || window.height == 0) return false;
    if (!(window.scale > 0.0) || !std::isfinite(window.scale)) return false;
    const bool alpha = picture.AlphaIsValid();
    // Every view pixel is written below: a view of the same size is reused as it is.
    const bool reuse = view.IsValid() && view.GetWidth() == window.width && view.GetHeight() == window.height &&
                       view.AlphaIsValid() == alpha;
    if (!reuse && !view.Create(window.width, window.height, alpha)) return false;

    const Taps columns = BuildTaps(window.width, window.originX, window.scale, picture.GetWidth(), kColumnWeightTotal);
    const Taps rows = BuildTaps(window.height, window.originY, window.scale, picture.GetHeight(), kRowWeightTotal);
    uint32_t spanFirst = picture.GetWidth(), spanEnd = 0;
    for (uint32_t x = 0; x < window.width; ++x) {
        if (columns.count[x] == 0) continue;
        spanFirst = std::min(spanFirst, columns.first[x]);
        spanEnd = std::max(spanEnd, columns.first[x] + columns.count[x]);
    }
    if (spanEnd <= spanFirst) spanFirst = spanEnd = 0;
    const Job job{&picture, &view, &rows, &columns, spanFirst, spanEnd, alpha};

    // Threads pay off once a frame reads a few megapixels.
    uint64_t work = 0;
    for (uint32_t y = 0; y < window.height; ++y) work += uint64_t(rows.count[y]) * (spanEnd - spanFirst);
    unsigned n = threads ? threads : std::min(4u, std::max(1u, std::thread::hardware_concurrency()));
    if (work < (2u << 20)) n = 1;
    n = std::min<unsigned>(n, window.height);
    if (n <= 1) {
        RenderRows(job, 0, window.height);
        return true;
    }
    std::vector<std::thread> pool;
    const uint32_t per = (window.height + n - 1) / n;
    for (unsigned i = 1; i < n; ++i) {
        const uint32_t begin = std::min(window.height, i * per), end = std::min(window.height, begin + per);
        if (begin < end) pool.emplace_back(RenderRows, std::cref(job), begin, end);
    }
    RenderRows(job, 0, std::min(window.height, per));
    for (std::thread& t : pool) t.join();
    return true;
}

}  // namespace cximg
