// ZSoft PCX: 1-bit monochrome, 16 colours (4 bit planes or packed nibbles), 256 colours with the
// palette at the end, 24-bit in three planes and 32-bit in four; uncompressed or run-length coded.
#include <algorithm>
#include <new>
#include <vector>

#include "platform/cximage/src/internal.h"

namespace cximg {

bool DecodePcx(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    if (!r.Has(128)) return Fail(err, "truncated file");
    const uint8_t maker = r.U8();
    r.Skip(1);  // version
    const uint8_t encoding = r.U8(), bpp = r.U8();
    const int xmin = r.Le16(), ymin = r.Le16(), xmax = r.Le16(), ymax = r.Le16();
    r.Skip(4);  // resolution
    const uint8_t* headerPalette;
    r.Take(48, headerPalette);
    r.Skip(1);  // reserved
    const uint8_t planes = r.U8();
    const uint32_t bpl = r.Le16();
    r.Skip(128 - 68);  // the rest of the header
    if (maker != 0x0A) return Fail(err, "not a PCX file");
    if (encoding > 1) return Fail(err, "unsupported PCX encoding");
    if (xmax < xmin || ymax < ymin) return Fail(err, "invalid PCX size");
    const uint32_t w = uint32_t(xmax - xmin + 1), h = uint32_t(ymax - ymin + 1);
    const bool supported = (bpp == 1 && planes >= 1 && planes <= 4) || (bpp == 4 && planes == 1) ||
                           (bpp == 8 && (planes == 1 || planes == 3 || planes == 4));
    if (!supported) return Fail(err, "unsupported PCX bit depth");
    if (uint64_t(bpl) * 8 < uint64_t(w) * bpp || bpl == 0) return Fail(err, "invalid PCX line length");

    const uint64_t lineBytes = uint64_t(bpl) * planes;
    const uint64_t total = lineBytes * h;
    if (!CheckPictureSize(w, h, err)) return false;
    // A run of 63 bytes takes two bytes of the file.
    if ((encoding ? total * 2 / 63 : total) > r.Remaining()) return Fail(err, "truncated file");

    std::vector<uint8_t> raw;
    try {
        raw.resize(size_t(total));
    } catch (const std::bad_alloc&) {
        return Fail(err, "out of memory");
    }
    if (!encoding) {
        const uint8_t* s;
        if (!r.Take(total, s)) return Fail(err, "truncated file");
        std::copy(s, s + total, raw.begin());
    } else {
        size_t k = 0;
        while (k < total) {
            if (r.AtEnd()) return Fail(err, "truncated file");
            const uint8_t b = r.U8();
            if ((b & 0xC0) == 0xC0) {
                const uint32_t count = b & 0x3F;
                if (r.AtEnd()) return Fail(err, "truncated file");
                const uint8_t v = r.U8();
                for (uint32_t i = 0; i < count && k < total; ++i) raw[k++] = v;
            } else {
                raw[k++] = b;
            }
        }
    }

    // Palettes: 16 entries in the header; 256 entries after a 0x0C byte at the end of the file.
    uint32_t pal[256];
    const uint8_t* hp = headerPalette;
    for (int i = 0; i < 16; ++i) pal[i] = hp[i * 3 + 2] | (hp[i * 3 + 1] << 8) | (uint32_t(hp[i * 3]) << 16) | 0xFF000000u;
    if (bpp == 1 && planes == 1 && (pal[0] == pal[1])) {
        pal[0] = 0xFF000000u;
        pal[1] = 0xFFFFFFFFu;
    }
    if (bpp == 8 && planes == 1) {
        if (n >= 128 + 769 && d[n - 769] == 0x0C) {
            const uint8_t* p = d + n - 768;
            for (int i = 0; i < 256; ++i) pal[i] = p[i * 3 + 2] | (p[i * 3 + 1] << 8) | (uint32_t(p[i * 3]) << 16) | 0xFF000000u;
        } else {
            // 256 colours need the palette at the end; a file without it was cut short.
            return Fail(err, "PCX palette missing");
        }
    }

    if (!out.Allocate(w, h, err)) return false;
    out.alpha = bpp == 8 && planes == 4;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* line = raw.data() + size_t(y) * lineBytes;
        uint32_t* row = reinterpret_cast<uint32_t*>(out.Row(y));
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t c;
            if (bpp == 1) {
                uint32_t idx = 0;
                for (uint32_t p = 0; p < planes; ++p) idx |= ((line[p * bpl + x / 8] >> (7 - x % 8)) & 1u) << p;
                c = pal[idx];
            } else if (bpp == 4) {
                uint8_t b = line[x / 2];
                c = pal[(x & 1) ? (b & 15) : (b >> 4)];
            } else if (planes == 1) {
                c = pal[line[x]];
            } else {
                uint32_t a = planes == 4 ? line[3 * bpl + x] : 255;
                c = line[2 * bpl + x] | (line[bpl + x] << 8) | (uint32_t(line[x]) << 16) | (a << 24);
            }
            row[x] = c;
        }
    }
    return true;
}

}  // namespace cximg
