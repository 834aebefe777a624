// PNG encoder: 8-bit RGB (or RGBA when the picture has alpha), each row filtered with the filter
// whose output has the smallest sum of absolute values, then compressed with our deflate.
//
// The rows are cut into slices of about the same number of bytes. Each slice is filtered and
// compressed on its own (its deflate blocks see the 32 KB before it as their window and end on a
// byte boundary), so threads can work on different slices and their outputs, joined in order,
// form one zlib stream. The cut depends only on the picture's size.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/cximage/src/deflate.h"
#include "platform/cximage/src/internal.h"
#include "platform/cximage/src/pngslices.h"
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
        const __m256i same = _mm256_and_si256(_mm256_cmpeq_epi8(x, a), _mm256_and_si256(_mm256_cmpeq_epi8(x, b), _mm256_cmpeq_epi8(x, c)));
        if (_mm256_movemask_epi8(same) == -1) {
            // One colour here and above (white paper): every predictor gives x, all four filters 0.
            for (int f = 1; f < 5; ++f) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[f] + i), zero);
            sums[0] = _mm256_add_epi64(sums[0], _mm256_sad_epu8(_mm256_abs_epi8(x), zero));
            continue;
        }
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

// What one thread needs to encode slices, kept from one encoding to the next: new memory of a
// megabyte or more costs a first touch of every page on each save (milliseconds under Wine).
struct PngWorkspace {
    std::unique_ptr<uint8_t[]> rows;  // the raw and filtered rows of RowFilter
    size_t rowsBytes = 0;
    std::unique_ptr<uint8_t[]> input;  // a slice's filtered rows after those of its window
    size_t inputBytes = 0;
    DeflatePieceCompressor deflater;
    ByteSink out;  // the compressed slices of this thread, one after another
};

// Workspaces kept between encodings: at most as many as a large machine runs threads, and none
// whose output buffer grew beyond what a 12-megapixel photograph needs per thread.
constexpr size_t kKeptWorkspaces = 16;
constexpr size_t kKeptOutputBytes = size_t(32) << 20;

struct KeptWorkspaces {
    std::mutex lock;
    std::unique_ptr<PngWorkspace> spare[kKeptWorkspaces];
    size_t count = 0;
};

KeptWorkspaces& Kept() {
    static KeptWorkspaces kept;
    return kept;
}

// A kept workspace, or a new one; null when memory runs out.
std::unique_ptr<PngWorkspace> TakeWorkspace() {
    {
        KeptWorkspaces& kept = Kept();
        std::lock_guard<std::mutex> hold(kept.lock);
        if (kept.count) return std::move(kept.spare[--kept.count]);
    }
    return std::unique_ptr<PngWorkspace>(new (std::nothrow) PngWorkspace);
}

void KeepWorkspace(std::unique_ptr<PngWorkspace> ws) {
    if (!ws || ws->out.Capacity() > kKeptOutputBytes) return;
    ws->out.Clear();
    KeptWorkspaces& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    if (kept.count < kKeptWorkspaces) kept.spare[kept.count++] = std::move(ws);
}

// A buffer of at least n bytes in `buffer` (contents not kept when it grows); false when memory
// runs out.
bool Ensure(std::unique_ptr<uint8_t[]>& buffer, size_t& size, size_t n) {
    if (size >= n) return true;
    buffer.reset(new (std::nothrow) uint8_t[n]);
    size = buffer ? n : 0;
    return buffer != nullptr;
}

bool AllZero(const uint8_t* p, size_t n) { return n == 0 || (p[0] == 0 && std::memcmp(p, p + 1, n - 1) == 0); }

// Rows of the picture in PNG form, each with its filter-type byte in front: filters one row after
// another, keeping the previous raw row.
class RowFilter {
public:
    RowFilter(const Picture& pic, PngWorkspace& ws)
        : m_pic(pic), m_ws(ws), m_bpp(pic.alpha ? 4 : 3), m_rowBytes(size_t(pic.width) * m_bpp) {}

    bool Init() {
        // Two raw rows, each after 16 zero bytes (the pixels left of the first), and four filter rows.
        m_slot = m_rowBytes + 32;
        if (!Ensure(m_ws.rows, m_ws.rowsBytes, m_slot * 6)) return false;
        uint8_t* work = m_ws.rows.get();
        std::memset(work, 0, m_slot * 2);
        for (int f = 1; f < 5; ++f) m_cand[f] = work + (f + 1) * m_slot;
        return true;
    }

    // Starts at row y: the raw row above it is made again (zeros above the first row).
    void Seek(uint32_t y) {
        m_cur = m_ws.rows.get() + 16;
        m_prev = m_cur + m_slot;
        if (y == 0)
            std::memset(m_prev, 0, m_rowBytes);
        else
            Convert(y - 1, m_prev);
        m_y = y;
    }

    // Writes the next row (filter-type byte and filtered bytes, m_rowBytes + 1 in all) to out.
    void Next(uint8_t* out) {
        Convert(m_y, m_cur);
        if (std::memcmp(m_cur, m_prev, m_rowBytes) == 0) {
            // The row repeats the one above (most rows of a whitened page): Up gives zeros, which
            // no filter beats; None ties with it, and wins as the lower number, on a zero row.
            out[0] = AllZero(m_cur, m_rowBytes) ? 0 : 2;
            std::memset(out + 1, 0, m_rowBytes);
        } else {
            m_cand[0] = m_cur;
            int f;
#if CXIMG_X86
            if (HaveAvx2())
                f = FilterRowAvx2(m_cur, m_prev, m_rowBytes, m_bpp, m_cand);
            else
#endif
                f = m_bpp == 4 ? FilterRow<4>(m_cur, m_prev, m_rowBytes, m_cand) : FilterRow<3>(m_cur, m_prev, m_rowBytes, m_cand);
            out[0] = uint8_t(f);
            std::memcpy(out + 1, m_cand[f], m_rowBytes);
        }
        std::swap(m_cur, m_prev);
        ++m_y;
    }

    size_t LineBytes() const { return m_rowBytes + 1; }

private:
    void Convert(uint32_t y, uint8_t* dst) {
#if CXIMG_X86
        if (HaveAvx2()) {
            ToPngOrderAvx2(m_pic.Row(y), m_pic.width, m_pic.alpha, dst);
            return;
        }
#endif
        ToPngOrder(m_pic.Row(y), m_pic.width, m_pic.alpha, dst);
    }

    const Picture& m_pic;
    PngWorkspace& m_ws;
    const size_t m_bpp, m_rowBytes;
    size_t m_slot = 0;
    uint8_t* m_cand[5] = {};
    uint8_t* m_cur = nullptr;
    uint8_t* m_prev = nullptr;
    uint32_t m_y = 0;
};

constexpr size_t kChunk = size_t(1) << 20;  // most bytes in one IDAT chunk
constexpr uint32_t kWindow = 32768;         // deflate's window

// The compressed data of one slice of rows: where it lies in its thread's output, IDAT chunk
// payloads of at most kChunk bytes of it with the CRC of each (type and payload), and the Adler-32
// of the slice's filtered rows.
struct SliceOutput {
    const ByteSink* sink = nullptr;
    size_t offset = 0, size = 0;
    std::vector<uint32_t> crcs;
    uint32_t adler = 1;
    uint64_t inputBytes = 0;  // filtered bytes of the slice's rows
    bool ok = false;
    const uint8_t* Data() const { return sink->Data() + offset; }
};

// What one thread keeps from slice to slice.
class SliceWorker {
public:
    SliceWorker(const Picture& pic, const PngSlicePlan& plan, PngWorkspace& ws) : m_pic(pic), m_plan(plan), m_ws(ws), m_filter(pic, ws) {}

    bool Encode(uint32_t slice, SliceOutput& out) {
        if (!m_ready && !(m_ready = m_filter.Init())) return false;
        const size_t line = m_filter.LineBytes();
        const uint32_t y0 = slice * m_plan.rowsPerSlice;
        const uint32_t y1 = std::min(m_pic.height, y0 + m_plan.rowsPerSlice);
        // The rows before the slice that hold its 32 KB window are filtered again here, as the
        // slice before filtered them, so that slices need nothing from each other.
        const uint32_t windowRows = uint32_t(std::min<size_t>(y0, (kWindow + line - 1) / line));
        const size_t size = size_t(y1 - y0 + windowRows) * line;
        if (!Ensure(m_ws.input, m_ws.inputBytes, size)) return false;
        uint8_t* in = m_ws.input.get();
        m_filter.Seek(y0 - windowRows);
        for (size_t p = 0; p < size; p += line) m_filter.Next(in + p);
        const size_t start = size_t(windowRows) * line;
        const bool last = y1 == m_pic.height;
        // Room for the slice stored whole, so the output seldom moves while it grows.
        ByteSink& sink = m_ws.out;
        const size_t stored = size - start + (size - start) / 65535 * 5 + 4096;
        if (!sink.Reserve(stored)) return false;
        const size_t offset = sink.Size();
        if (slice == 0) {
            sink.End()[0] = 0x78;  // deflate, 32K window
            sink.End()[1] = 0x01;  // (0x7801 is a multiple of 31)
            sink.Advance(2);
        }
        if (!m_ws.deflater.Compress(in, start, size, last, sink)) return false;
        out.sink = &sink;
        out.offset = offset;
        out.size = sink.Size() - offset;
        out.adler = Adler32(1, in + start, size - start);
        out.inputBytes = size - start;
        static const uint8_t kIdat[4] = {'I', 'D', 'A', 'T'};
        for (size_t p = 0; p < out.size; p += kChunk)
            out.crcs.push_back(Crc32(Crc32(0, kIdat, 4), out.Data() + p, std::min(kChunk, out.size - p)));
        out.ok = true;
        return true;
    }

private:
    const Picture& m_pic;
    const PngSlicePlan& m_plan;
    PngWorkspace& m_ws;
    RowFilter m_filter;
    bool m_ready = false;
};

// Compresses every slice on up to `threads` threads (the caller's among them); each thread takes
// the next slice not yet taken. Output goes to the slice's own place, so timing changes nothing.
// The workspaces the threads used are left in `used` (slices point into them).
void EncodeSlices(const Picture& pic, const PngSlicePlan& plan, unsigned threads, std::vector<SliceOutput>& outs,
                  std::vector<std::unique_ptr<PngWorkspace>>& used) {
    std::atomic<uint32_t> next{0};
    auto work = [&](size_t index) {
        used[index] = TakeWorkspace();
        if (!used[index]) return;  // the other threads take the slices
        SliceWorker worker(pic, plan, *used[index]);
        try {
            for (uint32_t s; (s = next.fetch_add(1)) < plan.slices;) worker.Encode(s, outs[s]);
        } catch (const std::bad_alloc&) {  // a CRC list that cannot grow: the slice stays not ok
        }
    };
    std::vector<std::thread> pool;
    const unsigned helpers = std::min<unsigned>(threads, plan.slices) - 1;
    used.resize(size_t(helpers) + 1);
    for (unsigned i = 0; i < helpers; ++i) {
        try {
            pool.emplace_back(work, size_t(i) + 1);
        } catch (const std::exception&) {  // no more threads: the ones there do the work
            break;
        }
    }
    work(0);
    for (std::thread& t : pool) t.join();
}

std::atomic<unsigned> g_threads{0};

}  // namespace

PngSlicePlan PlanPngSlices(uint32_t width, uint32_t height, bool alpha, size_t sliceBytes) {
    const size_t line = size_t(width) * (alpha ? 4 : 3) + 1;
    const size_t rows = std::max<size_t>(1, sliceBytes / line);
    PngSlicePlan plan;
    plan.rowsPerSlice = uint32_t(std::min<size_t>(rows, height ? height : 1));
    plan.slices = height ? (height - 1) / plan.rowsPerSlice + 1 : 0;
    return plan;
}

void SetPngEncoderThreads(unsigned n) { g_threads = n; }
unsigned GetPngEncoderThreads() { return g_threads; }

bool EncodePng(const Picture& pic, CxMemFile& file, const char*& err) {
    unsigned threads = g_threads;
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    return EncodePngSliced(pic, file, err, threads, kPngSliceBytes);
}

bool EncodePngSliced(const Picture& pic, CxMemFile& file, const char*& err, unsigned threads, size_t sliceBytes) {
    if (!pic.Valid()) {
        err = "no picture to encode";
        return false;
    }
    const uint32_t w = pic.width, h = pic.height;
    const PngSlicePlan plan = PlanPngSlices(w, h, pic.alpha, sliceBytes);
    std::vector<SliceOutput> outs;
    std::vector<std::unique_ptr<PngWorkspace>> used;
    try {
        outs = std::vector<SliceOutput>(plan.slices);
        used.reserve(std::max(1u, std::min(threads, plan.slices)));
    } catch (const std::bad_alloc&) {
        err = "out of memory";
        return false;
    }
    EncodeSlices(pic, plan, std::max(1u, threads), outs, used);
    // The workspaces go back to be kept once the file is written.
    struct KeepOnReturn {
        std::vector<std::unique_ptr<PngWorkspace>>& used;
        ~KeepOnReturn() {
            for (auto& ws : used) KeepWorkspace(std::move(ws));
        }
    } keep{used};
    // The stream's Adler-32 from the slices', in order; the total size of the chunks.
    uint32_t adler = 1;
    size_t total = 0, chunks = 0;
    for (const SliceOutput& o : outs) {
        if (!o.ok) {
            err = "out of memory";
            return false;
        }
        adler = Adler32Combine(adler, o.adler, o.inputBytes);
        total += o.size;
        chunks += o.crcs.size();
    }

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    uint8_t ihdr[13] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                        uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h),
                        8, uint8_t(pic.alpha ? 6 : 2), 0, 0, 0};
    bool ok = file.Reserve(total + chunks * 12 + 128) != nullptr && file.Write(signature, 8) &&
              PutChunk(file, "IHDR", ihdr, 13);
    // Each slice's chunks as the slice's thread checked them; the Adler-32 ends the last chunk.
    const uint8_t trailer[4] = {uint8_t(adler >> 24), uint8_t(adler >> 16), uint8_t(adler >> 8), uint8_t(adler)};
    for (size_t s = 0; ok && s < outs.size(); ++s) {
        const SliceOutput& o = outs[s];
        for (size_t c = 0; ok && c < o.crcs.size(); ++c) {
            const size_t p = c * kChunk, n = std::min(kChunk, o.size - p);
            const bool end = s + 1 == outs.size() && c + 1 == o.crcs.size();
            const size_t size = n + (end ? 4 : 0);
            const uint8_t head[8] = {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size), 'I', 'D', 'A', 'T'};
            const uint32_t crc = end ? Crc32(o.crcs[c], trailer, 4) : o.crcs[c];
            const uint8_t tail[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
            ok = file.Write(head, 8) && file.Write(o.Data() + p, n) && (!end || file.Write(trailer, 4)) && file.Write(tail, 4);
        }
    }
    ok = ok && PutChunk(file, "IEND", nullptr, 0);
    if (!ok) err = "cannot write to the memory file";
    return ok;
}

}  // namespace cximg
