// "Clean page" (see ximapage.h): paper estimate on a coarse grid, division per channel, tone curve.
#include "platform/cximage/include/ximapage.h"
#include "platform/cximage/src/simd.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace cximg {
namespace {

std::atomic<unsigned> g_threads{0};

// Tone curve on the pixel divided by the paper (1 = paper): at or above kWhite white, at or below
// kBlack black, and between them a curve that darkens the middle so that thin and faint strokes
// reach full strength.
constexpr float kWhite = 0.86f;
constexpr float kBlack = 0.48f;
constexpr float kCurve = 0.3f;

// A cell is taken for something other than paper when it is darker than this share of the
// brightest paper around it; cells next to such a cell join while below the looser share.
constexpr float kBackgroundShare = 0.42f;
constexpr float kBackgroundGrow = 0.47f;

struct Cell {
    float c[3];  // B, G, R
};

struct Grid {
    int w = 0, h = 0;
    std::vector<Cell> cells;
    Cell& At(int x, int y) { return cells[size_t(y) * w + size_t(x)]; }
    const Cell& At(int x, int y) const { return cells[size_t(y) * w + size_t(x)]; }
};

// How the region is cut: pixels are averaged in pool x pool squares (which takes the noise down),
// and the largest average of each block x block square of pooled pixels is the cell's value.
struct Layout {
    int pool, block, cell;  // cell = pool * block pixels
    int pw, ph;             // pooled size
    int gw, gh;             // grid size
};

Layout MakeLayout(int w, int h) {
    Layout l;
    const float scale = float(std::min(w, h)) / 400.0f;
    l.pool = std::max(2, int(scale));  // at least 2 x 2: the noise of single pixels biases the maxima
    l.block = 4;
    l.cell = l.pool * l.block;
    l.pw = (w + l.pool - 1) / l.pool;
    l.ph = (h + l.pool - 1) / l.pool;
    l.gw = (l.pw + l.block - 1) / l.block;
    l.gh = (l.ph + l.block - 1) / l.block;
    return l;
}

struct Region {
    uint8_t* base;  // top-left pixel of the region
    size_t stride;  // bytes between rows
    int w, h;
    const uint8_t* levels;  // per pixel of the region, w apart, or null
};

// Runs fn(first, last) over [0, count) cut into contiguous bands, one per thread.
template <class Fn>
void Parallel(int count, unsigned threads, Fn fn) {
    threads = std::max(1u, std::min<unsigned>(threads, unsigned(std::max(count, 1))));
    if (threads == 1) {
        fn(0, count);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (unsigned t = 1; t < threads; ++t) {
        const int a = int(int64_t(count) * t / threads), b = int(int64_t(count) * (t + 1) / threads);
        pool.emplace_back([=, &fn] { fn(a, b); });
    }
    fn(0, int(int64_t(count) / threads));
    for (auto& th : pool) th.join();
}

// Adds a row of bytes into 16-bit sums (pool rows of at most 257 pixel rows cannot overflow).
template <int>
inline void AddRow(uint16_t* acc, const uint8_t* row, size_t n) {
    for (size_t i = 0; i < n; ++i) acc[i] = uint16_t(acc[i] + row[i]);
}
#if CXIMG_X86
CXIMG_AVX2 void AddRowAvx2(uint16_t* acc, const uint8_t* row, size_t n) { AddRow<1>(acc, row, n); }
#endif
void AddRowBest(uint16_t* acc, const uint8_t* row, size_t n) {
#if CXIMG_X86
    if (HaveAvx2()) return AddRowAvx2(acc, row, n);
#endif
    AddRow<0>(acc, row, n);
}

// Cell values: per grid row, pool the pixels and keep the block maxima. Grid rows are independent.
void MeasureCells(const Region& r, const Layout& l, Grid& g, unsigned threads) {
    g.w = l.gw;
    g.h = l.gh;
    g.cells.assign(size_t(g.w) * g.h, Cell{{0, 0, 0}});
    Parallel(l.gh, threads, [&](int gy0, int gy1) {
        std::vector<uint16_t> acc(size_t(r.w) * 4);
        for (int gy = gy0; gy < gy1; ++gy) {
            Cell* cells = &g.cells[size_t(gy) * g.w];
            for (int py = gy * l.block; py < std::min(l.ph, (gy + 1) * l.block); ++py) {
                std::fill(acc.begin(), acc.end(), uint16_t(0));
                const int y0 = py * l.pool, y1 = std::min(r.h, y0 + l.pool);
                for (int y = y0; y < y1; ++y) AddRowBest(acc.data(), r.base + size_t(y) * r.stride, acc.size());
                const int rows = y1 - y0;
                const uint16_t* a = acc.data();
                for (int px = 0; px < l.pw; ++px) {
                    const int cols = std::min(l.pool, r.w - px * l.pool);
                    uint32_t sb = 0, sg = 0, sr = 0;
                    for (int k = 0; k < cols; ++k, a += 4) {
                        sb += a[0]; sg += a[1]; sr += a[2];
                    }
                    const float inv = 1.0f / float(rows * cols);
                    Cell& c = cells[px / l.block];
                    c.c[0] = std::max(c.c[0], float(sb) * inv);
                    c.c[1] = std::max(c.c[1], float(sg) * inv);
                    c.c[2] = std::max(c.c[2], float(sr) * inv);
                }
            }
        }
    });
}

// Separable running max (or min) with a square window of the given radius, per channel.
void Extreme(Grid& g, int radius, bool takeMax) {
    if (radius <= 0) return;
    std::vector<Cell> tmp(g.cells.size());
    auto pick = [takeMax](float a, float b) { return takeMax ? std::max(a, b) : std::min(a, b); };
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x) {
            Cell c = g.At(x, y);
            for (int d = std::max(0, x - radius); d <= std::min(g.w - 1, x + radius); ++d)
                for (int k = 0; k < 3; ++k) c.c[k] = pick(c.c[k], g.At(d, y).c[k]);
            tmp[size_t(y) * g.w + x] = c;
        }
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x) {
            Cell c = tmp[size_t(y) * g.w + x];
            for (int d = std::max(0, y - radius); d <= std::min(g.h - 1, y + radius); ++d)
                for (int k = 0; k < 3; ++k) c.c[k] = pick(c.c[k], tmp[size_t(d) * g.w + x].c[k]);
            g.At(x, y) = c;
        }
}

float Luma(const Cell& c) { return 0.114f * c.c[0] + 0.587f * c.c[1] + 0.299f * c.c[2]; }

// Marks the cells that are not paper: far darker than the brightest cells around them, plus their
// neighbours that are still clearly darker than that.
std::vector<uint8_t> FindBackground(const Grid& g) {
    const size_t n = g.cells.size();
    std::vector<float> luma(n), around(n), tmp(n);
    for (size_t i = 0; i < n; ++i) luma[i] = Luma(g.cells[i]);
    const int radius = std::max(2, std::max(g.w, g.h) / 4);
    for (int y = 0; y < g.h; ++y) {  // running max along rows (monotone deque would be faster;
        for (int x = 0; x < g.w; ++x) {  // the grid has at most a few hundred cells each way)
            float m = 0;
            for (int d = std::max(0, x - radius); d <= std::min(g.w - 1, x + radius); ++d) m = std::max(m, luma[size_t(y) * g.w + d]);
            tmp[size_t(y) * g.w + x] = m;
        }
    }
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x) {
            float m = 0;
            for (int d = std::max(0, y - radius); d <= std::min(g.h - 1, y + radius); ++d) m = std::max(m, tmp[size_t(d) * g.w + x]);
            around[size_t(y) * g.w + x] = m;
        }
    std::vector<uint8_t> bg(n, 0);
    std::vector<int> stack;
    for (size_t i = 0; i < n; ++i)
        if (luma[i] < kBackgroundShare * around[i]) {
            bg[i] = 1;
            stack.push_back(int(i));
        }
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        const int x = i % g.w, y = i / g.w;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= g.w || ny >= g.h) continue;
                const size_t j = size_t(ny) * g.w + nx;
                if (!bg[j] && luma[j] < kBackgroundGrow * around[j]) {
                    bg[j] = 1;
                    stack.push_back(int(j));
                }
            }
    }
    return bg;
}

// Carries the paper estimate over the marked cells: each round, a marked cell next to known
// cells takes their mean, until every cell is known.
void FillFromPaper(Grid& g, std::vector<uint8_t> unknown) {
    size_t left = 0;
    for (uint8_t u : unknown) left += u;
    if (left == g.cells.size()) return;  // nothing is paper: keep the cells as measured
    std::vector<Cell> next;
    std::vector<uint8_t> nextUnknown;
    while (left) {
        next = g.cells;
        nextUnknown = unknown;
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                const size_t i = size_t(y) * g.w + x;
                if (!unknown[i]) continue;
                Cell sum{{0, 0, 0}};
                int count = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= g.w || ny >= g.h) continue;
                        const size_t j = size_t(ny) * g.w + nx;
                        if (unknown[j]) continue;
                        for (int k = 0; k < 3; ++k) sum.c[k] += g.cells[j].c[k];
                        ++count;
                    }
                if (count) {
                    for (int k = 0; k < 3; ++k) next[i].c[k] = sum.c[k] / float(count);
                    nextUnknown[i] = 0;
                    --left;
                }
            }
        g.cells.swap(next);
        unknown.swap(nextUnknown);
    }
}

// [1 2 1] / 4 along rows and columns, edges repeated.
void Smooth(Grid& g) {
    std::vector<Cell> tmp(g.cells.size());
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x) {
            const Cell& a = g.At(std::max(0, x - 1), y);
            const Cell& b = g.At(x, y);
            const Cell& c = g.At(std::min(g.w - 1, x + 1), y);
            for (int k = 0; k < 3; ++k) tmp[size_t(y) * g.w + x].c[k] = 0.25f * (a.c[k] + c.c[k]) + 0.5f * b.c[k];
        }
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x) {
            const Cell& a = tmp[size_t(std::max(0, y - 1)) * g.w + x];
            const Cell& b = tmp[size_t(y) * g.w + x];
            const Cell& c = tmp[size_t(std::min(g.h - 1, y + 1)) * g.w + x];
            for (int k = 0; k < 3; ++k) g.At(x, y).c[k] = 0.25f * (a.c[k] + c.c[k]) + 0.5f * b.c[k];
        }
}

// The tone curve on t = (ratio - kBlack) / (kWhite - kBlack) clamped to 0..1, where ratio is the
// pixel over the paper: 255 * t * (kCurve + (1 - kCurve) * t), a parabola through black and white
// that darkens the middle tones (close to t^1.6) and needs no table.
struct Tone {
    float bias = -kBlack / (kWhite - kBlack);
    float k1 = 255.0f * kCurve, k2 = 255.0f * (1.0f - kCurve);
};

// One row of pixels in place. The gain of channel k at pixel x (the tone's slope over the paper
// estimate) is h[k][x] + d[k][x] * t: the row lies between two rows of cell centres, h is the upper
// one interpolated along x, d the difference to the lower one and t the row's weight of the lower.
// Alpha is kept.
struct GainRows {
    const float* h[3];
    const float* d[3];
    float t;
};
template <int>
inline void ToneRow(uint8_t* row, int n, GainRows g, Tone tone) {
    const float* hb = g.h[0]; const float* hg = g.h[1]; const float* hr = g.h[2];
    const float* db = g.d[0]; const float* dg = g.d[1]; const float* dr = g.d[2];
    const float t = g.t;
    for (int x = 0; x < n; ++x) {
        uint32_t v;
        std::memcpy(&v, row + size_t(x) * 4, 4);
        float tb = std::min(std::max(float(v & 255u) * (hb[x] + db[x] * t) + tone.bias, 0.0f), 1.0f);
        float tg = std::min(std::max(float((v >> 8) & 255u) * (hg[x] + dg[x] * t) + tone.bias, 0.0f), 1.0f);
        float tr = std::min(std::max(float((v >> 16) & 255u) * (hr[x] + dr[x] * t) + tone.bias, 0.0f), 1.0f);
        const uint32_t ob = uint32_t(int32_t(tb * (tone.k1 + tone.k2 * tb) + 0.5f));
        const uint32_t og = uint32_t(int32_t(tg * (tone.k1 + tone.k2 * tg) + 0.5f));
        const uint32_t orr = uint32_t(int32_t(tr * (tone.k1 + tone.k2 * tr) + 0.5f));
        v = (v & 0xFF000000u) | ob | (og << 8) | (orr << 16);
        std::memcpy(row + size_t(x) * 4, &v, 4);
    }
}
#if CXIMG_X86
CXIMG_AVX2 void ToneRowAvx2(uint8_t* row, int n, GainRows g, Tone tone) { ToneRow<1>(row, n, g, tone); }
#endif
using ToneRowFn = void (*)(uint8_t*, int, GainRows, Tone);
ToneRowFn PickToneRow() {
#if CXIMG_X86
    if (HaveAvx2()) return ToneRowAvx2;
#endif
    return ToneRow<0>;
}

// Divides every pixel by the paper estimate (bilinear between cell centres) and applies the tone
// curve. Rows are independent.
void Apply(const Region& r, const Layout& l, const Grid& gains, unsigned threads) {
    // Along x: pixel positions in cell units (centre i sits at i), and the first pixel at or
    // right of each centre. Pixels left of the first centre and right of the last take the end
    // cells; between centres i and i + 1 the gain runs linearly.
    std::vector<float> ux(size_t(r.w));
    for (int x = 0; x < r.w; ++x) ux[size_t(x)] = (float(x) + 0.5f) / float(l.cell) - 0.5f;
    std::vector<int> from(size_t(gains.w));
    for (int i = 0; i < gains.w; ++i) {
        int x = std::clamp(int(std::ceil((float(i) + 0.5f) * float(l.cell) - 0.5f)), 0, r.w);
        while (x > 0 && ux[size_t(x) - 1] >= float(i)) --x;  // agree with ux exactly
        while (x < r.w && ux[size_t(x)] < float(i)) ++x;
        from[size_t(i)] = x;
    }
    // One row of centres interpolated along x, per channel.
    auto expand = [&](int j, float* out) {
        for (int k = 0; k < 3; ++k) {
            float* g = out + size_t(k) * r.w;
            const Cell* L = &gains.At(0, j);
            for (int x = 0; x < from[0]; ++x) g[x] = L[0].c[k];
            for (int i = 0; i + 1 < gains.w; ++i) {
                const float a = L[i].c[k], d = L[i + 1].c[k] - L[i].c[k], fi = float(i);
                for (int x = from[size_t(i)]; x < from[size_t(i) + 1]; ++x) g[x] = a + d * (ux[size_t(x)] - fi);
            }
            for (int x = from[size_t(gains.w) - 1]; x < r.w; ++x) g[x] = L[gains.w - 1].c[k];
        }
    };
    const Tone tone;
    const ToneRowFn toneRow = PickToneRow();
    Parallel(r.h, threads, [&](int y0, int y1) {
        std::vector<float> upper(size_t(r.w) * 3), lower(size_t(r.w) * 3), diff(size_t(r.w) * 3);
        std::vector<uint8_t> cleaned(r.levels ? size_t(r.w) * 4 : 0);
        int have = -1;  // the upper centre row that upper and diff hold
        for (int y = y0; y < y1; ++y) {
            const float v = (float(y) + 0.5f) / float(l.cell) - 0.5f;
            int j = int(std::floor(v));
            float t = v - float(j);
            if (j < 0) { j = 0; t = 0.0f; }
            if (j >= gains.h - 1) { j = gains.h - 1; t = 0.0f; }
            if (j != have) {
                if (have >= 0 && j == have + 1) upper.swap(lower);
                else expand(j, upper.data());
                expand(std::min(j + 1, gains.h - 1), lower.data());
                for (size_t i = 0; i < diff.size(); ++i) diff[i] = lower[i] - upper[i];
                have = j;
            }
            GainRows g;
            for (int k = 0; k < 3; ++k) {
                g.h[k] = upper.data() + size_t(k) * r.w;
                g.d[k] = diff.data() + size_t(k) * r.w;
            }
            g.t = t;
            uint8_t* p = r.base + size_t(y) * r.stride;
            if (!r.levels) {
                toneRow(p, r.w, g, tone);
                continue;
            }
            std::memcpy(cleaned.data(), p, cleaned.size());
            toneRow(cleaned.data(), r.w, g, tone);
            const uint8_t* m = r.levels + size_t(y) * size_t(r.w);
            for (int x = 0; x < r.w; ++x) {
                const uint32_t level = m[x];
                for (int k = 0; k < 3 && level; ++k) {
                    const uint8_t o = cleaned[size_t(x) * 4 + k];
                    p[size_t(x) * 4 + k] = level == 255 ? o : uint8_t((o * level + p[size_t(x) * 4 + k] * (255 - level) + 127) / 255);
                }
            }
        }
    });
}

unsigned ThreadsFor(uint64_t pixels) {
    const unsigned set = g_threads.load();
    if (set) return set;
    if (pixels < (1u << 20)) return 1;
    const unsigned hw = std::thread::hardware_concurrency();
    return std::clamp(hw, 1u, 4u);
}

}  // namespace

void SetCleanPageThreads(unsigned count) { g_threads.store(std::min(count, 64u)); }

bool CleanPage(uint8_t* pixels, uint32_t width, uint32_t height, CxRect box, const uint8_t* levels, const char*& err) {
    if (!pixels || !width || !height) {
        err = "empty picture";
        return false;
    }
    box.left = std::max(box.left, 0);
    box.top = std::max(box.top, 0);
    box.right = std::min(box.right, int32_t(width) - 1);
    box.bottom = std::min(box.bottom, int32_t(height) - 1);
    if (box.left > box.right || box.top > box.bottom) return true;  // nothing to clean
    Region r;
    r.stride = size_t(width) * 4;
    r.base = pixels + size_t(box.top) * r.stride + size_t(box.left) * 4;
    r.w = box.right - box.left + 1;
    r.h = box.bottom - box.top + 1;
    r.levels = levels;
    const unsigned threads = ThreadsFor(uint64_t(r.w) * uint64_t(r.h));
    try {
        const Layout l = MakeLayout(r.w, r.h);
        Grid g;
        MeasureCells(r, l, g, threads);
        // Closing: strokes narrower than the window go (maximum), then the paper's shape comes
        // back (minimum) so that shadows keep their edges.
        const int closing = 1;
        Extreme(g, closing, true);
        Extreme(g, closing, false);
        FillFromPaper(g, FindBackground(g));
        Smooth(g);
        // Gains: the pixel times the gain is its ratio to the paper, scaled for the tone curve.
        for (Cell& c : g.cells)
            for (float& v : c.c) v = 1.0f / (kWhite - kBlack) / std::max(v, 4.0f);
        Apply(r, l, g, threads);
    } catch (const std::bad_alloc&) {
        err = "out of memory";
        return false;
    } catch (const std::system_error&) {
        err = "cannot start a thread";
        return false;
    }
    return true;
}

bool CleanPage(Picture& picture, CxRect box, const char*& err) {
    if (!picture.Valid()) {
        err = "empty picture";
        return false;
    }
    return CleanPage(picture.px.get(), picture.width, picture.height, box, nullptr, err);
}

bool CleanPage(CxImage& picture, const char*& err) {
    if (!picture.IsValid()) {
        err = "empty picture";
        return false;
    }
    const uint32_t w = picture.GetWidth(), h = picture.GetHeight();
    CxRect box{0, 0, int32_t(w) - 1, int32_t(h) - 1};
    std::vector<uint8_t> levels;
    if (picture.SelectionIsValid()) {
        if (!picture.SelectionGetBox(box) || box.left > box.right || box.top > box.bottom) return true;
        const int bw = box.right - box.left + 1, bh = box.bottom - box.top + 1;
        bool whole = true;
        try {
            levels.resize(size_t(bw) * size_t(bh));
        } catch (const std::bad_alloc&) {
            err = "out of memory";
            return false;
        }
        for (int y = 0; y < bh; ++y) {
            const int32_t fromBottom = int32_t(h) - 1 - (box.top + y);
            for (int x = 0; x < bw; ++x) {
                const uint8_t level = picture.SelectionGetLevel(box.left + x, fromBottom);
                levels[size_t(y) * bw + x] = level;
                whole = whole && level == 255;
            }
        }
        if (whole) levels.clear();
    }
    return CleanPage(picture.GetRow(0), w, h, box, levels.empty() ? nullptr : levels.data(), err);
}

}  // namespace cximg
