// PNG encoder: 8-bit RGB (or RGBA when the picture has alpha), each row filtered with the filter
// whose output has the smallest sum of absolute values, then compressed with our deflate.
#include <algorithm>
#include <cstdlib>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "platform/cximage/src/deflate.h"
#include "platform/cximage/src/internal.h"
#include "platform/cximage/src/simd.h"

namespace cximg {

namespace {

inline uint32_t SumAbs(const uint8_t* p, size_t n) {
    uint32_t s = 0;
    for (size_t i = 0; i < n; ++i) {
        int v = int8_t(p[i]);
        s += uint32_t(v < 0 ? -v : v);
    }
    return s;
}

// Picture row (B, G, R, A) to PNG sample order.
void ToPngOrder(const uint8_t* src, uint32_t width, bool alpha, uint8_t* dst) {
    if (alpha) {
        for (uint32_t x = 0; x < width; ++x, src += 4, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
        }
    } else {
        for (uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
}

#if CXIMG_X86
// The same, four pixels at a time; dst has room for 4 bytes more than the row.
CXIMG_AVX2 void ToPngOrderAvx2(const uint8_t* src, uint32_t width, bool alpha, uint8_t* dst) {
    const __m128i rgb = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m128i rgba = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    const __m128i mask = alpha ? rgba : rgb;
    const size_t step = alpha ? 16 : 12;
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4, src += 16, dst += step)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), mask));
    ToPngOrder(src, width - x, alpha, dst);
}
#endif

// Writes the five filtered forms of cur (prev is the previous raw row, zeros for the first) and
// returns the number of the one to use; out[f] receives filter f's bytes.
template <size_t Bpp>
int FilterRow(const uint8_t* cur, const uint8_t* prev, size_t n, uint8_t* const out[5]) {
    uint8_t* sub = out[1];
    uint8_t* up = out[2];
    uint8_t* avg = out[3];
    uint8_t* pae = out[4];
    for (size_t i = 0; i < Bpp; ++i) {
        uint8_t x = cur[i], b = prev[i];
        sub[i] = x;
        up[i] = uint8_t(x - b);
        avg[i] = uint8_t(x - (b >> 1));
        pae[i] = uint8_t(x - b);  // a = c = 0: the predictor is b
    }
    for (size_t i = Bpp; i < n; ++i) {
        int x = cur[i], a = cur[i - Bpp], b = prev[i], c = prev[i - Bpp];
        sub[i] = uint8_t(x - a);
        up[i] = uint8_t(x - b);
        avg[i] = uint8_t(x - ((a + b) >> 1));
        int pa = b - c, pb = a - c, pc = a + b - 2 * c;
        pa = pa < 0 ? -pa : pa;
        pb = pb < 0 ? -pb : pb;
        pc = pc < 0 ? -pc : pc;
        int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        pae[i] = uint8_t(x - pred);
    }
    uint32_t best = SumAbs(cur, n);
    int choice = 0;
    for (int f = 1; f < 5; ++f) {
        uint32_t s = SumAbs(out[f], n);
        if (s < best) {
            best = s;
            choice = f;
        }
    }
    return choice;
}

#if CXIMG_X86
// Paeth predictor on 16-bit lanes.
CXIMG_AVX2 inline __m256i Paeth16(__m256i a, __m256i b, __m256i c) {
    __m256i bc = _mm256_sub_epi16(b, c), ac = _mm256_sub_epi16(a, c);
    __m256i pa = _mm256_abs_epi16(bc), pb = _mm256_abs_epi16(ac), pc = _mm256_abs_epi16(_mm256_add_epi16(ac, bc));
    __m256i notA = _mm256_or_si256(_mm256_cmpgt_epi16(pa, pb), _mm256_cmpgt_epi16(pa, pc));
    __m256i bOrC = _mm256_blendv_epi8(b, c, _mm256_cmpgt_epi16(pb, pc));
    return _mm256_blendv_epi8(a, bOrC, notA);
}

CXIMG_AVX2 inline __m256i Widen(__m128i v) { return _mm256_cvtepu8_epi16(v); }

// The four filters of 32 bytes at a time with the sums of absolute values of all five. cur and
// prev have bpp zero bytes before their first byte.
CXIMG_AVX2 int FilterRowAvx2(const uint8_t* cur, const uint8_t* prev, size_t n, size_t bpp, uint8_t* const out[5]) {
    __m256i sums[5];
    for (auto& v : sums) v = _mm256_setzero_si256();
    const __m256i zero = _mm256_setzero_si256(), one = _mm256_set1_epi8(1);
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cur + i));
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cur - bpp + i));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev + i));
        __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev - bpp + i));
        __m256i sub = _mm256_sub_epi8(x, a);
        __m256i up = _mm256_sub_epi8(x, b);
        __m256i mean = _mm256_sub_epi8(_mm256_avg_epu8(a, b), _mm256_and_si256(_mm256_xor_si256(a, b), one));
        __m256i avg = _mm256_sub_epi8(x, mean);
        __m256i lo = Paeth16(Widen(_mm256_castsi256_si128(a)), Widen(_mm256_castsi256_si128(b)), Widen(_mm256_castsi256_si128(c)));
        __m256i hi = Paeth16(Widen(_mm256_extracti128_si256(a, 1)), Widen(_mm256_extracti128_si256(b, 1)),
                             Widen(_mm256_extracti128_si256(c, 1)));
        __m256i pred = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
        __m256i pae = _mm256_sub_epi8(x, pred);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[1] + i), sub);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[2] + i), up);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[3] + i), avg);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[4] + i), pae);
        sums[0] = _mm256_add_epi64(sums[0], _mm256_sad_epu8(_mm256_abs_epi8(x), zero));
        sums[1] = _mm256_add_epi64(sums[1], _mm256_sad_epu8(_mm256_abs_epi8(sub), zero));
        sums[2] = _mm256_add_epi64(sums[2], _mm256_sad_epu8(_mm256_abs_epi8(up), zero));
        sums[3] = _mm256_add_epi64(sums[3], _mm256_sad_epu8(_mm256_abs_epi8(avg), zero));
        sums[4] = _mm256_add_epi64(sums[4], _mm256_sad_epu8(_mm256_abs_epi8(pae), zero));
    }
    uint64_t total[5];
    for (int f = 0; f < 5; ++f) {
        alignas(32) uint64_t lanes[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums[f]);
        total[f] = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    }
    for (; i < n; ++i) {  // the last bytes one by one
        int x = cur[i], a = (cur - bpp)[i], b = prev[i], c = (prev - bpp)[i];
        int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        uint8_t v[5] = {uint8_t(x), uint8_t(x - a), uint8_t(x - b), uint8_t(x - ((a + b) >> 1)), uint8_t(x - pred)};
        for (int f = 1; f < 5; ++f) out[f][i] = v[f];
        for (int f = 0; f < 5; ++f) total[f] += uint32_t(std::abs(int(int8_t(v[f]))));
    }
    int choice = 0;
    for (int f = 1; f < 5; ++f)
        if (total[f] < total[choice]) choice = f;
    return choice;
}
#endif

bool PutChunk(CxMemFile& file, const char type[4], const uint8_t* data, size_t size) {
    uint8_t head[8] = {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size),
                       uint8_t(type[0]), uint8_t(type[1]), uint8_t(type[2]), uint8_t(type[3])};
    uint32_t crc = Crc32(Crc32(0, head + 4, 4), data, size);
    uint8_t tail[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
    return file.Write(head, 8) && file.Write(data, size) && file.Write(tail, 4);
}

}  // namespace

bool EncodePng(const Picture& pic, CxMemFile& file, const char*& err) {
    if (!pic.Valid()) {
        err = "no picture to encode";
        return false;
    }
    const uint32_t w = pic.width, h = pic.height;
    const size_t bpp = pic.alpha ? 4 : 3;
    const size_t rowBytes = size_t(w) * bpp;
    // Two raw rows, each after 16 zero bytes (the pixels left of the first), and four filter rows.
    const size_t slot = rowBytes + 32;
    std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[slot * 6]);
    ByteSink z;
    ZlibCompressor zlib;
    if (!work || !zlib.Begin(z)) {
        err = "out of memory";
        return false;
    }
    std::memset(work.get(), 0, slot * 2);
    uint8_t* rowA = work.get() + 16;
    uint8_t* rowB = rowA + slot;  // the row above the first one: zeros
    uint8_t* cand[5] = {nullptr, work.get() + 2 * slot, work.get() + 3 * slot, work.get() + 4 * slot, work.get() + 5 * slot};
#if CXIMG_X86
    const bool vector = HaveAvx2();
#endif
    uint8_t* cur = rowA;
    uint8_t* prev = rowB;
    for (uint32_t y = 0; y < h; ++y) {
        int f;
#if CXIMG_X86
        if (vector) {
            ToPngOrderAvx2(pic.Row(y), w, pic.alpha, cur);
            cand[0] = cur;
            f = FilterRowAvx2(cur, prev, rowBytes, bpp, cand);
        } else
#endif
        {
            ToPngOrder(pic.Row(y), w, pic.alpha, cur);
            cand[0] = cur;
            f = bpp == 4 ? FilterRow<4>(cur, prev, rowBytes, cand) : FilterRow<3>(cur, prev, rowBytes, cand);
        }
        const uint8_t filterType = uint8_t(f);
        if (!zlib.Write(&filterType, 1) || !zlib.Write(cand[f], rowBytes)) {
            err = "out of memory";
            return false;
        }
        std::swap(cur, prev);
    }
    if (!zlib.Finish()) {
        err = "out of memory";
        return false;
    }

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    uint8_t ihdr[13] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                        uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h),
                        8, uint8_t(pic.alpha ? 6 : 2), 0, 0, 0};
    bool ok = file.Reserve(z.Size() + z.Size() / (1 << 20) * 12 + 128) != nullptr && file.Write(signature, 8) &&
              PutChunk(file, "IHDR", ihdr, 13);
    constexpr size_t kChunk = size_t(1) << 20;
    for (size_t p = 0; ok && p < z.Size(); p += kChunk)
        ok = PutChunk(file, "IDAT", z.Data() + p, std::min(kChunk, z.Size() - p));
    ok = ok && PutChunk(file, "IEND", nullptr, 0);
    if (!ok) err = "cannot write to the memory file";
    return ok;
}

}  // namespace cximg
