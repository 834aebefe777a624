// PNG encoder: 8-bit RGB (or RGBA when the picture has alpha), each row filtered with the filter
// whose output has the smallest sum of absolute values, then compressed with our deflate.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "deflate.h"
#include "internal.h"

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
    const size_t stride = rowBytes + 1;
    std::unique_ptr<uint8_t[]> filtered(new (std::nothrow) uint8_t[stride * h]);
    std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[rowBytes * 7]);
    if (!filtered || !work) {
        err = "out of memory";
        return false;
    }
    uint8_t* rowA = work.get();
    uint8_t* rowB = rowA + rowBytes;
    uint8_t* cand[5] = {nullptr, rowB + rowBytes, rowB + 2 * rowBytes, rowB + 3 * rowBytes, rowB + 4 * rowBytes};
    std::memset(rowB, 0, rowBytes);  // the row above the first one
    uint8_t* cur = rowA;
    uint8_t* prev = rowB;
    for (uint32_t y = 0; y < h; ++y) {
        ToPngOrder(pic.Row(y), w, pic.alpha, cur);
        cand[0] = cur;
        int f = bpp == 4 ? FilterRow<4>(cur, prev, rowBytes, cand) : FilterRow<3>(cur, prev, rowBytes, cand);
        uint8_t* o = filtered.get() + size_t(y) * stride;
        o[0] = uint8_t(f);
        std::memcpy(o + 1, cand[f], rowBytes);
        std::swap(cur, prev);
    }
    ByteSink z;
    if (!ZlibCompress(filtered.get(), stride * h, z)) {
        err = "out of memory";
        return false;
    }
    filtered.reset();

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
