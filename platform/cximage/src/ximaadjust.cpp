// Pixel adjustments (Light, Colorize, GrayScale), the selection they honour, and rotation.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/cximage/src/internal.h"
#include "platform/cximage/src/simd.h"
#include "platform/cximage/src/workers.h"
#include "platform/cximage/include/ximacore.h"

using cximg::Picture;

namespace {

std::atomic<int> g_adjustKernels{int(cximg::AdjustKernels::Best)};

// Large pictures are adjusted in bands shared out to the library's workers; every adjustment works
// pixel by pixel, so the bands give the bytes one pass gives.
using cximg::kBandPixels;
unsigned AdjustThreads() { return cximg::PixelPassThreads(); }

bool UseAvx2() { return g_adjustKernels.load() >= int(cximg::AdjustKernels::Avx2) && cximg::HaveAvx2(); }
bool UseVbmi() { return g_adjustKernels.load() >= int(cximg::AdjustKernels::Best) && cximg::HaveVbmi(); }

// Visits the pixels an adjustment may change: the whole picture, or the rows and columns of the
// selection's bounding box. fullSpan(p, n) transforms n whole pixels; partial(p, level) handles one
// pixel with a selection level below 255.
template <class FullSpan, class Partial>
void ForSelected(Picture& pic, const uint8_t* mask, const CxRect& box, FullSpan fullSpan, Partial partial) {
    if (!mask) {
        uint8_t* px = pic.px.get();
        cximg::ForRanges(size_t(pic.width) * pic.height, kBandPixels, AdjustThreads(),
                         [&](size_t begin, size_t end) { fullSpan(px + begin * 4, end - begin); });
        return;
    }
    if (box.bottom < box.top || box.right < box.left) return;
    cximg::ForRowBands(size_t(box.bottom - box.top + 1), size_t(box.right - box.left + 1), [&](size_t first, size_t end) {
        for (int32_t y = box.top + int32_t(first); y < box.top + int32_t(end); ++y) {
            uint8_t* row = pic.Row(uint32_t(y));
            const uint8_t* m = mask + size_t(y) * pic.width;
            int32_t x = box.left;
            while (x <= box.right) {
                if (m[x] == 255) {
                    int32_t start = x;
                    while (x <= box.right && m[x] == 255) ++x;
                    fullSpan(row + size_t(start) * 4, size_t(x - start));
                } else {
                    if (m[x] != 0) partial(row + size_t(x) * 4, m[x]);
                    ++x;
                }
            }
        }
    });
}

// ForSelected, or with a source picture of the same size and no selection: the pixels copied from
// there and adjusted a cache-sized piece at a time (every adjustment works pixel by pixel, so the
// pieces give what a whole copy adjusted afterwards gives, in one pass over the memory).
template <class FullSpan, class Partial>
void Adjust(Picture& pic, const uint8_t* mask, const CxRect& box, const Picture* from, FullSpan fullSpan,
            Partial partial) {
    if (!from) {
        ForSelected(pic, mask, box, fullSpan, partial);
        return;
    }
    constexpr size_t kPiece = 16384;  // pixels: 64 KB
    uint8_t* d = pic.px.get();
    const uint8_t* s = from->px.get();
    cximg::ForRanges(size_t(pic.width) * pic.height, kBandPixels, AdjustThreads(), [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; i += kPiece) {
            const size_t m = std::min(kPiece, end - i);
            std::memcpy(d + i * 4, s + i * 4, m * 4);
            fullSpan(d + i * 4, m);
        }
    });
}

inline uint8_t Mix(uint8_t adjusted, uint8_t original, uint32_t level) {
    return uint8_t((adjusted * level + original * (255 - level) + 127) / 255);
}

// ----- Light -----

void BuildLightTable(long brightness, long contrast, uint8_t lut[256]) {
    double c = contrast >= 0 ? 256.0 / (256.0 - double(contrast)) : (256.0 + double(contrast)) / 256.0;
    for (int i = 0; i < 256; ++i) {
        double v = std::round((i - 128) * c + 128.0 + double(brightness));
        lut[i] = uint8_t(std::clamp(v, 0.0, 255.0));
    }
}

void LightSpanScalar(uint8_t* p, size_t n, const uint8_t* lut) {
    for (size_t i = 0; i < n; ++i, p += 4) {
        p[0] = lut[p[0]];
        p[1] = lut[p[1]];
        p[2] = lut[p[2]];
    }
}

#if CXIMG_X86
// The same mapping computed in single precision: (in * c + offset), clamped, rounded half up.
CXIMG_AVX2 inline __m256i LightConvert8(__m128i bytes8, __m256 vc, __m256 voff) {
    __m256 f = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes8));
    f = _mm256_add_ps(_mm256_mul_ps(f, vc), voff);
    f = _mm256_min_ps(_mm256_max_ps(f, _mm256_setzero_ps()), _mm256_set1_ps(255.5f));
    return _mm256_cvttps_epi32(f);
}

CXIMG_AVX2 void LightSpanAvx2(uint8_t* p, size_t n, float c, float offset) {
    const __m256 vc = _mm256_set1_ps(c), voff = _mm256_set1_ps(offset + 0.5f);
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint8_t* q = p + i * 4;
        __m256i orig = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
        __m256i a = LightConvert8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)), vc, voff);
        __m256i b = LightConvert8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + 8)), vc, voff);
        __m256i c2 = LightConvert8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + 16)), vc, voff);
        __m256i d = LightConvert8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + 24)), vc, voff);
        __m256i ab = _mm256_packus_epi32(a, b);    // lanes: a0 b0 | a1 b1
        __m256i cd = _mm256_packus_epi32(c2, d);   // lanes: c0 d0 | c1 d1
        __m256i r = _mm256_packus_epi16(ab, cd);   // lanes: a0 b0 c0 d0 | a1 b1 c1 d1
        r = _mm256_permutevar8x32_epi32(r, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        r = _mm256_blendv_epi8(r, orig, alpha);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), r);
    }
    // The rest one by one with the same arithmetic.
    for (; i < n; ++i) {
        uint8_t* q = p + i * 4;
        for (int k = 0; k < 3; ++k) {
            float f = float(q[k]) * c + (offset + 0.5f);
            f = std::min(std::max(f, 0.0f), 255.5f);
            q[k] = uint8_t(int(f));
        }
    }
}
#endif

#if CXIMG_X86
// Exact table lookup of 64 bytes at a time: two two-register permutes cover indices 0..127 and
// 128..255, the top bit of each byte picks one; alpha bytes are kept.
struct Table256 {
    __m512i a, b, c, d;
};

CXIMG_VBMI inline Table256 LoadTable(const uint8_t* t) {
    return Table256{_mm512_loadu_si512(t), _mm512_loadu_si512(t + 64), _mm512_loadu_si512(t + 128), _mm512_loadu_si512(t + 192)};
}

CXIMG_VBMI inline __m512i Lookup(const Table256& t, __m512i idx) {
    __m512i lo = _mm512_permutex2var_epi8(t.a, idx, t.b);
    __m512i hi = _mm512_permutex2var_epi8(t.c, idx, t.d);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(idx), lo, hi);
}

CXIMG_VBMI void LightSpanVbmi(uint8_t* p, size_t n, const uint8_t* lut) {
    const Table256 t = LoadTable(lut);
    const __mmask64 alpha = 0x8888888888888888ull;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m512i v = _mm512_loadu_si512(p + i * 4);
        _mm512_storeu_si512(p + i * 4, _mm512_mask_blend_epi8(alpha, Lookup(t, v), v));
    }
    LightSpanScalar(p + i * 4, n - i, lut);
}
#endif

// ----- Colorize -----

double HueToChannel(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

// Colour with the given hue and saturation at each lightness, as 32-bit B, G, R (alpha byte 0).
void BuildColorizeTable(uint8_t hue, uint8_t sat, uint32_t table[256]) {
    double h = hue / 255.0, s = sat / 255.0;
    for (int li = 0; li < 256; ++li) {
        double l = li / 255.0, r, g, b;
        if (sat == 0) {
            r = g = b = l;
        } else {
            double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
            double p = 2 * l - q;
            r = HueToChannel(p, q, h + 1.0 / 3);
            g = HueToChannel(p, q, h);
            b = HueToChannel(p, q, h - 1.0 / 3);
        }
        auto to8 = [](double v) { return uint32_t(std::clamp(std::round(v * 255.0), 0.0, 255.0)); };
        table[li] = to8(b) | (to8(g) << 8) | (to8(r) << 16);
    }
}

inline uint32_t Lightness(const uint8_t* p) {
    uint32_t mx = std::max({p[0], p[1], p[2]}), mn = std::min({p[0], p[1], p[2]});
    return (mx + mn + 1) >> 1;
}

void ColorizeSpanScalar(uint8_t* p, size_t n, const uint32_t* table) {
    for (size_t i = 0; i < n; ++i, p += 4) {
        uint32_t c = table[Lightness(p)];
        p[0] = uint8_t(c);
        p[1] = uint8_t(c >> 8);
        p[2] = uint8_t(c >> 16);
    }
}

#if CXIMG_X86
CXIMG_AVX2 void ColorizeSpanAvx2(uint8_t* p, size_t n, const uint32_t* table) {
    const __m256i low = _mm256_set1_epi32(0xFF), alpha = _mm256_set1_epi32(int(0xFF000000u));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint8_t* q = p + i * 4;
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
        __m256i g = _mm256_srli_epi32(v, 8), r = _mm256_srli_epi32(v, 16);
        __m256i mx = _mm256_max_epu8(v, _mm256_max_epu8(g, r));
        __m256i mn = _mm256_min_epu8(v, _mm256_min_epu8(g, r));
        __m256i l = _mm256_and_si256(_mm256_avg_epu8(mx, mn), low);  // (max + min + 1) / 2
        __m256i c = _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), l, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), _mm256_or_si256(c, _mm256_and_si256(v, alpha)));
    }
    ColorizeSpanScalar(p + i * 4, n - i, table);
}
#endif

#if CXIMG_X86
// The colour table split in three byte tables (blue, green, red by lightness), looked up with
// the lightness copied into every byte of its pixel.
CXIMG_VBMI void ColorizeSpanVbmi(uint8_t* p, size_t n, const uint32_t* table) {
    alignas(64) uint8_t tb[256], tg[256], tr[256];
    for (int i = 0; i < 256; ++i) {
        tb[i] = uint8_t(table[i]);
        tg[i] = uint8_t(table[i] >> 8);
        tr[i] = uint8_t(table[i] >> 16);
    }
    const Table256 b = LoadTable(tb), g = LoadTable(tg), r = LoadTable(tr);
    // Byte 0 of each pixel into all four of its bytes (the shuffle works within 16-byte lanes).
    const __m512i spread = _mm512_broadcast_i32x4(_mm_setr_epi32(0, 0x04040404, 0x08080808, 0x0C0C0C0C));
    const __mmask64 greenBytes = 0x2222222222222222ull, redBytes = 0x4444444444444444ull, alpha = 0x8888888888888888ull;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m512i v = _mm512_loadu_si512(p + i * 4);
        __m512i g8 = _mm512_srli_epi32(v, 8), r8 = _mm512_srli_epi32(v, 16);
        __m512i mx = _mm512_max_epu8(v, _mm512_max_epu8(g8, r8));
        __m512i mn = _mm512_min_epu8(v, _mm512_min_epu8(g8, r8));
        __m512i l = _mm512_shuffle_epi8(_mm512_avg_epu8(mx, mn), spread);
        __m512i out = _mm512_mask_blend_epi8(greenBytes, Lookup(b, l), Lookup(g, l));
        out = _mm512_mask_blend_epi8(redBytes, out, Lookup(r, l));
        _mm512_storeu_si512(p + i * 4, _mm512_mask_blend_epi8(alpha, out, v));
    }
    ColorizeSpanScalar(p + i * 4, n - i, table);
}
#endif

// ----- GrayScale -----

inline uint8_t Luma(const uint8_t* p) { return uint8_t((299u * p[2] + 587u * p[1] + 114u * p[0]) / 1000u); }

void GraySpanScalar(uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i, p += 4) p[0] = p[1] = p[2] = Luma(p);
}

#if CXIMG_X86
CXIMG_AVX2 void GraySpanAvx2(uint8_t* p, size_t n) {
    const __m256i w = _mm256_setr_epi16(114, 587, 299, 0, 114, 587, 299, 0, 114, 587, 299, 0, 114, 587, 299, 0);
    const __m256i zero = _mm256_setzero_si256(), alpha = _mm256_set1_epi32(int(0xFF000000u));
    // floor(x / 1000) for x <= 255000: x * 0.001 is off by far less than the 0.0005 added.
    const __m256 scale = _mm256_set1_ps(0.001f), half = _mm256_set1_ps(0.0005f);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint8_t* q = p + i * 4;
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
        __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi8(v, zero), w);
        __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi8(v, zero), w);
        __m256i sum = _mm256_hadd_epi32(lo, hi);  // pixel order is kept within each lane
        __m256 f = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(sum), scale), half);
        __m256i y = _mm256_cvttps_epi32(f);
        y = _mm256_or_si256(y, _mm256_or_si256(_mm256_slli_epi32(y, 8), _mm256_slli_epi32(y, 16)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), _mm256_or_si256(y, _mm256_and_si256(v, alpha)));
    }
    GraySpanScalar(p + i * 4, n - i);
}
#endif

}  // namespace

namespace cximg {
void SetAdjustKernels(AdjustKernels kernels) { g_adjustKernels = int(kernels); }
}  // namespace cximg

bool CxImage::Light(long brightness, long contrast) { return LightPixels(brightness, contrast, nullptr); }

bool CxImage::Light(long brightness, long contrast, const CxImage& from) {
    if (&from == this) {
        SelectionDelete();
        m_lastError.clear();
        return Light(brightness, contrast);
    }
    if (!ShapeLike(from)) return false;
    return LightPixels(brightness, contrast, from.m_pic.get());
}

bool CxImage::LightPixels(long brightness, long contrast, const Picture* from) {
    if (!IsValid()) return false;
    brightness = std::clamp(brightness, -255L, 255L);
    contrast = std::clamp(contrast, -255L, 255L);
    uint8_t lut[256];
    BuildLightTable(brightness, contrast, lut);
    auto full = [&](uint8_t* p, size_t n) { LightSpanScalar(p, n, lut); };
    auto partial = [&](uint8_t* p, uint32_t level) {
        for (int k = 0; k < 3; ++k) p[k] = Mix(lut[p[k]], p[k], level);
    };
#if CXIMG_X86
    if (UseVbmi()) {
        Adjust(*m_pic, m_selection.get(), m_selBox, from, [&](uint8_t* p, size_t n) { LightSpanVbmi(p, n, lut); }, partial);
        return true;
    }
    if (UseAvx2()) {
        float c = contrast >= 0 ? 256.0f / (256.0f - float(contrast)) : (256.0f + float(contrast)) / 256.0f;
        float offset = 128.0f + float(brightness) - 128.0f * c;
        // Use the vector form only when it gives the table's value for every input byte.
        uint8_t probe[256 * 4];
        for (int i = 0; i < 256; ++i) probe[i * 4] = probe[i * 4 + 1] = probe[i * 4 + 2] = probe[i * 4 + 3] = uint8_t(i);
        LightSpanAvx2(probe, 256, c, offset);
        bool same = true;
        for (int i = 0; i < 256 && same; ++i)
            same = probe[i * 4] == lut[i] && probe[i * 4 + 1] == lut[i] && probe[i * 4 + 2] == lut[i] && probe[i * 4 + 3] == i;
        if (same) {
            auto vec = [&](uint8_t* p, size_t n) { LightSpanAvx2(p, n, c, offset); };
            Adjust(*m_pic, m_selection.get(), m_selBox, from, vec, [&](uint8_t* p, uint32_t level) {
                for (int k = 0; k < 3; ++k) p[k] = Mix(lut[p[k]], p[k], level);
            });
            return true;
        }
    }
#endif
    Adjust(*m_pic, m_selection.get(), m_selBox, from, full, [&](uint8_t* p, uint32_t level) {
        for (int k = 0; k < 3; ++k) p[k] = Mix(lut[p[k]], p[k], level);
    });
    return true;
}

bool CxImage::Colorize(uint8_t hue, uint8_t sat, float blend) { return ColorizePixels(hue, sat, blend, nullptr); }

bool CxImage::Colorize(uint8_t hue, uint8_t sat, float blend, const CxImage& from) {
    if (&from == this) {
        SelectionDelete();
        m_lastError.clear();
        return Colorize(hue, sat, blend);
    }
    if (!ShapeLike(from)) return false;
    return ColorizePixels(hue, sat, blend, from.m_pic.get());
}

bool CxImage::ColorizePixels(uint8_t hue, uint8_t sat, float blend, const Picture* from) {
    if (!IsValid()) return false;
    uint32_t table[256];
    BuildColorizeTable(hue, sat, table);
    if (blend >= 0.999f) {
        auto full = [&](uint8_t* p, size_t n) {
#if CXIMG_X86
            if (UseVbmi()) return ColorizeSpanVbmi(p, n, table);
            if (UseAvx2()) return ColorizeSpanAvx2(p, n, table);
#endif
            ColorizeSpanScalar(p, n, table);
        };
        Adjust(*m_pic, m_selection.get(), m_selBox, from, full, [&](uint8_t* p, uint32_t level) {
            uint32_t c = table[Lightness(p)];
            p[0] = Mix(uint8_t(c), p[0], level);
            p[1] = Mix(uint8_t(c >> 8), p[1], level);
            p[2] = Mix(uint8_t(c >> 16), p[2], level);
        });
        return true;
    }
    if (blend <= 0.0f) {
        if (from) std::memcpy(m_pic->px.get(), from->px.get(), from->Bytes());
        return true;
    }
    // Partial strength: mix the new colour into the original in the proportion blend.
    uint32_t w = uint32_t(std::lround(blend * 256.0f));
    auto mixPixel = [&](uint8_t* p, uint32_t level) {
        uint32_t c = table[Lightness(p)];
        for (int k = 0; k < 3; ++k) {
            uint8_t colour = uint8_t(c >> (8 * k));
            uint8_t mixed = uint8_t((colour * w + p[k] * (256 - w) + 128) >> 8);
            p[k] = level == 255 ? mixed : Mix(mixed, p[k], level);
        }
    };
    Adjust(*m_pic, m_selection.get(), m_selBox, from,
                [&](uint8_t* p, size_t n) { for (size_t i = 0; i < n; ++i) mixPixel(p + i * 4, 255); }, mixPixel);
    return true;
}

bool CxImage::GrayScale() {
    if (!IsValid()) return false;
    auto full = [&](uint8_t* p, size_t n) {
#if CXIMG_X86
        if (UseAvx2()) return GraySpanAvx2(p, n);
#endif
        GraySpanScalar(p, n);
    };
    ForSelected(*m_pic, m_selection.get(), m_selBox, full, [&](uint8_t* p, uint32_t level) {
        uint8_t y = Luma(p);
        for (int k = 0; k < 3; ++k) p[k] = Mix(y, p[k], level);
    });
    return true;
}

// ---------------------------------------------------------------------------------------------
// Selection

bool CxImage::SelectionAddRect(CxRect r, uint8_t level) {
    if (!IsValid()) return false;
    const int64_t w = m_pic->width, h = m_pic->height;
    int64_t x0 = std::min(r.left, r.right), x1 = std::max(r.left, r.right);
    int64_t y0 = std::min(r.top, r.bottom), y1 = std::max(r.top, r.bottom);  // rows from the bottom
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, w - 1);
    y1 = std::min<int64_t>(y1, h - 1);
    if (!m_selection) {
        size_t n = size_t(w) * size_t(h);
        m_selection.reset(new (std::nothrow) uint8_t[n]);
        if (!m_selection) {
            m_lastError = "out of memory";
            return false;
        }
        std::memset(m_selection.get(), 0, n);
        m_selBox = CxRect{int32_t(w), int32_t(h), -1, -1};
    }
    // A rectangle entirely outside leaves an empty selection: later adjustments change nothing.
    if (x0 > x1 || y0 > y1) return false;
    // Stored top-down like the pixels.
    int32_t top = int32_t(h - 1 - y1), bottom = int32_t(h - 1 - y0);
    for (int32_t y = top; y <= bottom; ++y)
        std::memset(m_selection.get() + size_t(y) * size_t(w) + size_t(x0), level, size_t(x1 - x0 + 1));
    m_selBox.left = std::min(m_selBox.left, int32_t(x0));
    m_selBox.right = std::max(m_selBox.right, int32_t(x1));
    m_selBox.top = std::min(m_selBox.top, top);
    m_selBox.bottom = std::max(m_selBox.bottom, bottom);
    return true;
}

bool CxImage::SelectionDelete() {
    m_selection.reset();
    m_selBox = CxRect{0, 0, -1, -1};
    return true;
}

bool CxImage::SelectionIsValid() const { return m_selection != nullptr; }

bool CxImage::SelectionGetBox(CxRect& box) const {
    if (!m_selection) return false;
    box = m_selBox;
    return true;
}

uint8_t CxImage::SelectionGetLevel(int32_t x, int32_t y) const {
    if (!IsValid() || x < 0 || y < 0 || uint32_t(x) >= m_pic->width || uint32_t(y) >= m_pic->height) return 0;
    if (!m_selection) return 255;  // no selection: everything is affected
    return m_selection[size_t(m_pic->height - 1 - uint32_t(y)) * m_pic->width + uint32_t(x)];
}

// ---------------------------------------------------------------------------------------------
// Rotation

namespace {

#if CXIMG_X86
// Quarter turn counter-clockwise in blocks of 8 x 8 pixels transposed in registers; source strips
// of 16 rows so that each target row receives whole 64-byte lines.
CXIMG_AVX2 inline void TurnBlock8(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t bx, uint32_t by) {
    __m256i r[8], t[8], u[8];
    for (int k = 0; k < 8; ++k) r[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + size_t(by + k) * w + bx));
    for (int k = 0; k < 8; k += 2) {
        t[k] = _mm256_unpacklo_epi32(r[k], r[k + 1]);
        t[k + 1] = _mm256_unpackhi_epi32(r[k], r[k + 1]);
    }
    for (int k = 0; k < 8; k += 4) {
        u[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
        u[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
        u[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
        u[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
    }
    for (int k = 0; k < 4; ++k) {
        __m256i lo = _mm256_permute2x128_si256(u[k], u[k + 4], 0x20);  // column k
        __m256i hi = _mm256_permute2x128_si256(u[k], u[k + 4], 0x31);  // column k + 4
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + size_t(w - 1 - (bx + k)) * h + by), lo);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + size_t(w - 1 - (bx + k + 4)) * h + by), hi);
    }
}

CXIMG_AVX2 void RotateCcw90Avx2(const Picture& src, Picture& dst) {
    const uint32_t w = src.width, h = src.height;
    const uint32_t* s = reinterpret_cast<const uint32_t*>(src.px.get());
    uint32_t* d = reinterpret_cast<uint32_t*>(dst.px.get());
    const uint32_t w8 = w & ~7u, h8 = h & ~7u;
    for (uint32_t by = 0; by < h8; by += 16) {
        for (uint32_t bx = 0; bx < w8; bx += 8) {
            TurnBlock8(s, d, w, h, bx, by);
            if (by + 8 < h8) TurnBlock8(s, d, w, h, bx, by + 8);
        }
    }
    // Columns right of the last whole block, and rows below it.
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = (y < h8 ? w8 : 0); x < w; ++x) d[size_t(w - 1 - x) * h + y] = s[size_t(y) * w + x];
}
#endif

// Quarter turn counter-clockwise: the top row becomes the left column.
void RotateCcw90(const Picture& src, Picture& dst) {
#if CXIMG_X86
    if (cximg::HaveAvx2()) return RotateCcw90Avx2(src, dst);
#endif
    const uint32_t w = src.width, h = src.height;  // dst is h wide and w high
    const uint32_t* s = reinterpret_cast<const uint32_t*>(src.px.get());
    uint32_t* d = reinterpret_cast<uint32_t*>(dst.px.get());
    constexpr uint32_t T = 32;
    for (uint32_t by = 0; by < h; by += T) {
        uint32_t ey = std::min(by + T, h);
        for (uint32_t bx = 0; bx < w; bx += T) {
            uint32_t ex = std::min(bx + T, w);
            for (uint32_t x = bx; x < ex; ++x) {
                uint32_t* drow = d + size_t(w - 1 - x) * h;
                for (uint32_t y = by; y < ey; ++y) drow[y] = s[size_t(y) * w + x];
            }
        }
    }
}

void Rotate180(const Picture& src, Picture& dst) {
    const size_t n = size_t(src.width) * src.height;
    const uint32_t* s = reinterpret_cast<const uint32_t*>(src.px.get());
    uint32_t* d = reinterpret_cast<uint32_t*>(dst.px.get());
    for (size_t i = 0; i < n; ++i) d[n - 1 - i] = s[i];
}

// Quarter turn clockwise: the top row becomes the right column.
void RotateCw90(const Picture& src, Picture& dst) {
    const uint32_t w = src.width, h = src.height;
    const uint32_t* s = reinterpret_cast<const uint32_t*>(src.px.get());
    uint32_t* d = reinterpret_cast<uint32_t*>(dst.px.get());
    constexpr uint32_t T = 32;
    for (uint32_t by = 0; by < h; by += T) {
        uint32_t ey = std::min(by + T, h);
        for (uint32_t bx = 0; bx < w; bx += T) {
            uint32_t ex = std::min(bx + T, w);
            for (uint32_t x = bx; x < ex; ++x) {
                uint32_t* drow = d + size_t(x) * h;
                for (uint32_t y = by; y < ey; ++y) drow[h - 1 - y] = s[size_t(y) * w + x];
            }
        }
    }
}

// Any other angle: bilinear sampling about the centre; corners outside the source become white
// (transparent when the picture has alpha).
bool RotateFree(const Picture& src, double degrees, Picture& dst, const char*& err) {
    const double a = degrees * 3.14159265358979323846 / 180.0;
    const double cs = std::cos(a), sn = std::sin(a);
    const double w = src.width, h = src.height;
    double nw = std::fabs(w * cs) + std::fabs(h * sn), nh = std::fabs(w * sn) + std::fabs(h * cs);
    uint64_t dw = uint64_t(std::ceil(nw - 1e-6)), dh = uint64_t(std::ceil(nh - 1e-6));
    const char* sizeError = nullptr;
    if (!cximg::CheckPictureSize(dw, dh, sizeError)) {
        err = "rotated picture too large";
        return false;
    }
    if (!dst.Allocate(uint32_t(dw), uint32_t(dh), err)) return false;
    dst.alpha = src.alpha;
    const double scx = w / 2.0, scy = h / 2.0, dcx = dw / 2.0, dcy = dh / 2.0;
    const uint32_t outside = src.alpha ? 0x00000000u : 0xFFFFFFFFu;
    for (uint32_t y = 0; y < dh; ++y) {
        uint32_t* drow = reinterpret_cast<uint32_t*>(dst.Row(y));
        for (uint32_t x = 0; x < dw; ++x) {
            // Counter-clockwise on screen (y down): source = inverse rotation of the target point.
            double dx = x + 0.5 - dcx, dy = y + 0.5 - dcy;
            double sx = dx * cs - dy * sn + scx - 0.5, sy = dx * sn + dy * cs + scy - 0.5;
            if (sx < -0.5 || sy < -0.5 || sx > w - 0.5 || sy > h - 0.5) {
                drow[x] = outside;
                continue;
            }
            double fx = std::clamp(sx, 0.0, w - 1), fy = std::clamp(sy, 0.0, h - 1);
            uint32_t x0 = uint32_t(fx), y0 = uint32_t(fy);
            uint32_t x1 = std::min(x0 + 1, src.width - 1), y1 = std::min(y0 + 1, src.height - 1);
            double tx = fx - x0, ty = fy - y0;
            const uint8_t* p00 = src.Row(y0) + x0 * 4;
            const uint8_t* p01 = src.Row(y0) + x1 * 4;
            const uint8_t* p10 = src.Row(y1) + x0 * 4;
            const uint8_t* p11 = src.Row(y1) + x1 * 4;
            uint8_t* o = reinterpret_cast<uint8_t*>(drow + x);
            for (int k = 0; k < 4; ++k) {
                double v = (p00[k] * (1 - tx) + p01[k] * tx) * (1 - ty) + (p10[k] * (1 - tx) + p11[k] * tx) * ty;
                o[k] = uint8_t(std::clamp(std::lround(v), 0L, 255L));
            }
        }
    }
    return true;
}

}  // namespace

bool CxImage::Rotate(float angle, CxImage* destination) {
    if (!IsValid()) {
        m_lastError = "no picture to rotate";
        return false;
    }
    double a = std::fmod(double(angle), 360.0);
    if (a < 0) a += 360.0;
    double quarters = a / 90.0;
    long q = std::lround(quarters);
    bool exact = std::fabs(quarters - double(q)) < 1e-6;
    Picture out;
    const char* err = nullptr;
    if (exact) {
        q &= 3;
        uint32_t w = m_pic->width, h = m_pic->height;
        if (destination && destination != this && destination->m_pic->px && destination->m_pic->Bytes() == m_pic->Bytes()) {
            // A destination of the same byte size lends its pixel memory (no new allocation).
            out.px = std::move(destination->m_pic->px);
            out.width = (q & 1) ? h : w;
            out.height = (q & 1) ? w : h;
        } else if (!((q & 1) ? out.Allocate(h, w, err) : out.Allocate(w, h, err))) {
            m_lastError = err;
            return false;
        }
        out.alpha = m_pic->alpha;
        switch (q) {
            case 0: std::memcpy(out.px.get(), m_pic->px.get(), m_pic->Bytes()); break;
            case 1: RotateCcw90(*m_pic, out); break;
            case 2: Rotate180(*m_pic, out); break;
            default: RotateCw90(*m_pic, out); break;
        }
    } else if (!RotateFree(*m_pic, a, out, err)) {
        m_lastError = err;
        return false;
    }
    CxImage* target = destination ? destination : this;
    target->Adopt(std::move(out), m_type);
    return true;
}
