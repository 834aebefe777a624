// Area-averaged views. The filter is separable: for each view row the picture rows under it are
// summed with their coverage weights into one row of 32-bit sums (a contiguous loop the compiler
// vectorises), then each view pixel sums the columns under it from that row.
//
// Fixed point: row weights add up to 4096 and column weights to 1024, so a sum stays below
// 255 * 4096 * 1024 < 2^32 and the result is rounded once, at the end (error below half a level
// beyond the weights' own rounding).
#include "platform/cximage/include/ximaview.h"

#include "platform/cximage/src/simd.h"
#include "platform/cximage/src/workers.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

namespace cximg {
namespace {

constexpr uint32_t kRowWeightTotal = 4096;
constexpr uint32_t kColumnWeightTotal = 1024;
constexpr int kResultShift = 22;  // log2(4096 * 1024)

std::atomic<bool> g_vectorKernels{true};

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

// sums[k] += weight * row[k] for n bytes of one picture row.
void AddRowScalar(uint32_t* sums, const uint8_t* row, size_t n, uint32_t weight) {
    for (size_t k = 0; k < n; ++k) sums[k] += uint32_t(row[k]) * weight;
}

// One view pixel from the column sums: the weighted sum of `count` pixels of sums, rounded.
void ColumnPixelScalar(const uint32_t* column, const uint32_t* w, uint32_t count, uint8_t* out) {
    uint32_t b = 1u << (kResultShift - 1), g = b, r = b, a = b;
    for (uint32_t t = 0; t < count; ++t) {
        b += column[4 * t] * w[t];
        g += column[4 * t + 1] * w[t];
        r += column[4 * t + 2] * w[t];
        a += column[4 * t + 3] * w[t];
    }
    out[0] = uint8_t(b >> kResultShift);
    out[1] = uint8_t(g >> kResultShift);
    out[2] = uint8_t(r >> kResultShift);
    out[3] = uint8_t(a >> kResultShift);
}

#if CXIMG_X86
// All rows under one view row at once, sixteen bytes across at a time, the sums kept in registers:
// the rows' bytes are interleaved in pairs into 16-bit lanes and multiplied by the pair of weights
// with one multiply-add per eight results. Weights and bytes fit signed 16 bits.
CXIMG_AVX2 void SumRowsAvx2(uint32_t* sums, const uint8_t* const* rows, const uint32_t* w, uint32_t taps, size_t n) {
    constexpr uint32_t kMaxPairs = 64;
    __m256i pairWeights[kMaxPairs];
    const uint32_t pairs = std::min(kMaxPairs, taps / 2);
    for (uint32_t i = 0; i < pairs; ++i) pairWeights[i] = _mm256_set1_epi32(int32_t((w[2 * i + 1] << 16) | w[2 * i]));
    const uint32_t paired = 2 * pairs;
    size_t k = 0;
    for (; k + 16 <= n; k += 16) {
        __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
        for (uint32_t i = 0; i < pairs; ++i) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * i] + k));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * i + 1] + k));
            lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_cvtepu8_epi16(_mm_unpacklo_epi8(a, b)), pairWeights[i]));
            hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_cvtepu8_epi16(_mm_unpackhi_epi8(a, b)), pairWeights[i]));
        }
        for (uint32_t t = paired; t < taps; ++t) {
            const __m256i weight = _mm256_set1_epi32(int32_t(w[t]));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + k));
            lo = _mm256_add_epi32(lo, _mm256_mullo_epi32(_mm256_cvtepu8_epi32(a), weight));
            hi = _mm256_add_epi32(hi, _mm256_mullo_epi32(_mm256_cvtepu8_epi32(_mm_srli_si128(a, 8)), weight));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + k), lo);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + k + 8), hi);
    }
    for (; k < n; ++k) {
        uint32_t sum = 0;
        for (uint32_t t = 0; t < taps; ++t) sum += uint32_t(rows[t][k]) * w[t];
        sums[k] = sum;
    }
}

CXIMG_AVX2 void ColumnPixelAvx2(const uint32_t* column, const uint32_t* w, uint32_t count, uint8_t* out) {
    __m128i acc = _mm_set1_epi32(1 << (kResultShift - 1));
    for (uint32_t t = 0; t < count; ++t) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + 4 * t));
        acc = _mm_add_epi32(acc, _mm_mullo_epi32(v, _mm_set1_epi32(int32_t(w[t]))));
    }
    acc = _mm_srli_epi32(acc, kResultShift);
    const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(acc, acc), _mm_setzero_si128());
    const uint32_t pixel = uint32_t(_mm_cvtsi128_si32(bytes));
    std::memcpy(out, &pixel, 4);
}
#endif

void RenderRows(const Job& job, uint32_t rowBegin, uint32_t rowEnd) {
#if CXIMG_X86
    const bool vector = g_vectorKernels.load() && HaveAvx2();
#else
    const bool vector = false;
#endif
    const Taps& rows = *job.rows;
    const Taps& columns = *job.columns;
    const uint32_t viewWidth = job.view->GetWidth();
    const size_t spanValues = size_t(job.spanEnd - job.spanFirst) * 4;
    std::vector<uint32_t> sums(spanValues);
    std::vector<const uint8_t*> rowPointers;
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
        uint32_t* s = sums.data();
        const uint32_t taps = rows.count[y];
        const uint32_t* weight = rows.weights.data() + rows.start[y];
        rowPointers.resize(taps);
        for (uint32_t t = 0; t < taps; ++t)
            rowPointers[t] = job.picture->GetRow(rows.first[y] + t) + size_t(job.spanFirst) * 4;
#if CXIMG_X86
        if (vector) {
            SumRowsAvx2(s, rowPointers.data(), weight, taps, spanValues);
        } else
#endif
        {
            std::fill(sums.begin(), sums.end(), 0u);
            for (uint32_t t = 0; t < taps; ++t)
                if (weight[t] != 0) AddRowScalar(s, rowPointers[t], spanValues, weight[t]);
        }
        for (uint32_t x = 0; x < viewWidth; ++x) {
            uint8_t* o = out + 4 * size_t(x);
            const uint32_t n = columns.count[x];
            if (n == 0) {
                o[0] = o[1] = o[2] = 255;
                o[3] = whiteAlpha;
                continue;
            }
            const uint32_t* column = s + size_t(columns.first[x] - job.spanFirst) * 4;
            const uint32_t* w = columns.weights.data() + columns.start[x];
#if CXIMG_X86
            if (vector) {
                ColumnPixelAvx2(column, w, n, o);
                continue;
            }
#endif
            ColumnPixelScalar(column, w, n, o);
        }
    }
}

}  // namespace

void SetViewVectorKernels(bool enabled) { g_vectorKernels = enabled; }

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
    unsigned n = threads ? threads : DefaultWorkerThreads();
    if (work < (2u << 20)) n = 1;
    n = std::min<unsigned>(n, window.height);
    if (n <= 1) {
        RenderRows(job, 0, window.height);
        return true;
    }
    // Four parts per thread, taken by whichever thread is free: a thread slowed by other programs
    // on the machine leaves more of the rows to the others.
    const unsigned parts = std::min<unsigned>(window.height, n * 4);
    const uint32_t per = (window.height + parts - 1) / parts;
    RunParts(parts, n, [&](unsigned part) {
        const uint32_t begin = std::min(window.height, part * per), end = std::min(window.height, begin + per);
        if (begin < end) RenderRows(job, begin, end);
    });
    return true;
}

}  // namespace cximg
