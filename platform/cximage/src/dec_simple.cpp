// Small formats: WBMP, PNM (P1-P6), PGX, SKA and Sun raster.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/cximage/src/internal.h"

namespace cximg {

namespace {

inline uint32_t Gray(uint32_t v) { return v | (v << 8) | (v << 16) | 0xFF000000u; }
inline uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return b | (g << 8) | (r << 16) | 0xFF000000u; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// WBMP (type 0): multi-byte width and height, then rows of bits, 1 = white.

bool DecodeWbmp(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    auto readInt = [&](uint32_t& v) {
        v = 0;
        for (int i = 0; i < 5; ++i) {
            if (r.AtEnd()) return false;
            uint8_t b = r.U8();
            if (v > (0xFFFFFFFFu >> 7)) return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    };
    uint32_t type, w, h;
    if (!readInt(type)) return Fail(err, "truncated file");
    if (type != 0) return Fail(err, "unsupported WBMP type");
    if (r.AtEnd()) return Fail(err, "truncated file");
    if (r.U8() & 0x80) return Fail(err, "unsupported WBMP header");
    if (!readInt(w) || !readInt(h)) return Fail(err, "truncated file");
    if (w == 0 || h == 0) return Fail(err, "invalid WBMP size");
    const uint64_t rowBytes = (uint64_t(w) + 7) / 8;
    if (!CheckPictureSize(w, h, err)) return false;
    const uint8_t* bits;
    if (!r.Take(rowBytes * h, bits)) return Fail(err, "truncated file");
    if (!out.Allocate(w, h, err)) return false;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = bits + y * rowBytes;
        uint32_t* row = reinterpret_cast<uint32_t*>(out.Row(y));
        for (uint32_t x = 0; x < w; ++x) row[x] = ((s[x / 8] >> (7 - x % 8)) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// PNM: P1/P4 bitmaps (1 = black), P2/P5 gray, P3/P6 colour; maxval up to 65535 (two bytes, most
// significant first, above 255).

bool DecodePnm(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    if (r.U8() != 'P') return Fail(err, "not a PNM file");
    const uint8_t magic = r.U8();
    if (!r.Has(1) || magic < '1' || magic > '6') return Fail(err, "not a PNM file");
    const int kind = magic - '0';
    auto isSpace = [](uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    auto skipSpace = [&] {
        while (!r.AtEnd()) {
            if (isSpace(r.Peek())) {
                r.Skip(1);
            } else if (r.Peek() == '#') {
                while (!r.AtEnd() && r.Peek() != '\n' && r.Peek() != '\r') r.Skip(1);
            } else {
                break;
            }
        }
    };
    auto isDigit = [&] { return !r.AtEnd() && r.Peek() >= '0' && r.Peek() <= '9'; };
    // A decimal number; false when there is none or it exceeds the limit.
    auto readNumber = [&](uint32_t& v, uint32_t limit) {
        skipSpace();
        if (!isDigit()) return false;
        uint64_t x = 0;
        while (isDigit()) {
            x = x * 10 + uint64_t(r.U8() - '0');
            if (x > limit) return false;
        }
        v = uint32_t(x);
        return true;
    };
    uint32_t w, h, maxval = 1;
    if (!readNumber(w, 0x7FFFFFFF) || !readNumber(h, 0x7FFFFFFF))
        return Fail(err, r.AtEnd() ? "truncated file" : "invalid PNM header");
    if (kind != 1 && kind != 4) {
        if (!readNumber(maxval, 65535)) return Fail(err, r.AtEnd() ? "truncated file" : "invalid PNM maxval");
        if (maxval == 0) return Fail(err, "invalid PNM maxval");
    }
    if (w == 0 || h == 0) return Fail(err, "invalid PNM size");
    if (!CheckPictureSize(w, h, err)) return false;
    if (r.AtEnd()) return Fail(err, "truncated file");
    if (!isSpace(r.U8())) return Fail(err, "invalid PNM header");  // the single white-space character before binary data
    const uint32_t channels = (kind == 3 || kind == 6) ? 3 : 1;
    const size_t avail = r.Remaining();
    const uint64_t samples = uint64_t(w) * h * channels;
    if (kind >= 4) {
        uint64_t need = kind == 4 ? (uint64_t(w) + 7) / 8 * h : samples * (maxval > 255 ? 2 : 1);
        if (need > avail) return Fail(err, "truncated file");
    } else if (samples > avail + 1) {
        // Every text sample takes at least one character.
        return Fail(err, "truncated file");
    }
    if (!out.Allocate(w, h, err)) return false;
    uint32_t* px = reinterpret_cast<uint32_t*>(out.px.get());
    const size_t count = size_t(w) * h;
    if (kind == 4) {
        const size_t rowBytes = (size_t(w) + 7) / 8;
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* s = r.Here() + y * rowBytes;
            for (uint32_t x = 0; x < w; ++x) px[size_t(y) * w + x] = ((s[x / 8] >> (7 - x % 8)) & 1) ? 0xFF000000u : 0xFFFFFFFFu;
        }
        return true;
    }
    if (kind >= 5) {
        const uint8_t* s = r.Here();
        const bool wide = maxval > 255;
        auto sample = [&](size_t i) -> uint8_t {
            uint32_t v = wide ? Be16(s + i * 2) : s[i];
            if (maxval == 255) return uint8_t(v);
            if (maxval == 65535) return Scale16(v);
            return ScaleTo8(v, maxval);
        };
        for (size_t i = 0; i < count; ++i) {
            if (channels == 1) px[i] = Gray(sample(i));
            else px[i] = Rgb(sample(i * 3), sample(i * 3 + 1), sample(i * 3 + 2));
        }
        return true;
    }
    // Text forms.
    for (size_t i = 0; i < count; ++i) {
        if (kind == 1) {
            skipSpace();
            if (r.AtEnd()) return Fail(err, "truncated file", out);
            const uint8_t c = r.U8();
            if (c != '0' && c != '1') return Fail(err, "invalid PNM sample", out);
            px[i] = c == '1' ? 0xFF000000u : 0xFFFFFFFFu;
            continue;
        }
        uint32_t v[3];
        for (uint32_t c = 0; c < channels; ++c) {
            if (!readNumber(v[c], 0xFFFFFFF)) return Fail(err, r.AtEnd() ? "truncated file" : "invalid PNM sample", out);
            v[c] = maxval == 65535 ? Scale16(std::min(v[c], 65535u)) : ScaleTo8(v[c], maxval);
        }
        px[i] = channels == 1 ? Gray(v[0]) : Rgb(v[0], v[1], v[2]);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// PGX (JPEG 2000 test pictures): "PG ML +8 width height\n" (ML most significant byte first, LM
// least; + unsigned, - signed), then one gray sample per pixel in 1 byte (depth <= 8) or 2 bytes.

bool DecodePgx(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    if (r.U8() != 'P' || r.U8() != 'G') return Fail(err, "not a PGX file");
    auto skipBlanks = [&] { while (r.Peek() == ' ' || r.Peek() == '\t') r.Skip(1); };
    skipBlanks();
    if (!r.Has(2)) return Fail(err, "truncated file");
    bool bigEndian;
    if (r.Peek() == 'M' && r.Peek(1) == 'L') bigEndian = true;
    else if (r.Peek() == 'L' && r.Peek(1) == 'M') bigEndian = false;
    else return Fail(err, "invalid PGX header");
    r.Skip(2);
    skipBlanks();
    bool isSigned = false;
    if (r.Peek() == '+' || r.Peek() == '-') {
        isSigned = r.U8() == '-';
        skipBlanks();
    }
    auto isDigit = [&] { return r.Peek() >= '0' && r.Peek() <= '9'; };
    auto readNumber = [&](uint32_t& v) {
        skipBlanks();
        if (!isDigit()) return false;
        uint64_t x = 0;
        while (isDigit()) {
            x = x * 10 + uint64_t(r.U8() - '0');
            if (x > 0x7FFFFFFF) return false;
        }
        v = uint32_t(x);
        return true;
    };
    uint32_t depth, w, h;
    if (!readNumber(depth) || !readNumber(w) || !readNumber(h))
        return Fail(err, r.AtEnd() ? "truncated file" : "invalid PGX header");
    if (depth == 0 || depth > 16) return Fail(err, "unsupported PGX bit depth");
    if (w == 0 || h == 0) return Fail(err, "invalid PGX size");
    if (!CheckPictureSize(w, h, err)) return false;
    // The header ends with one line break.
    if (r.Peek() == '\r') r.Skip(1);
    if (r.Peek() != '\n') return Fail(err, r.AtEnd() ? "truncated file" : "invalid PGX header");
    r.Skip(1);
    const size_t bytes = depth <= 8 ? 1 : 2;
    const uint8_t* s;
    if (!r.Take(uint64_t(w) * h * bytes, s)) return Fail(err, "truncated file");
    if (!out.Allocate(w, h, err)) return false;
    const uint32_t mask = (1u << depth) - 1, maxval = mask, half = 1u << (depth - 1);
    uint32_t* px = reinterpret_cast<uint32_t*>(out.px.get());
    for (size_t i = 0, count = size_t(w) * h; i < count; ++i) {
        uint32_t v = bytes == 1 ? s[i] : (bigEndian ? Be16(s + i * 2) : Le16(s + i * 2));
        v &= mask;
        if (isSigned) v = (v + half) & mask;  // two's complement to offset binary
        px[i] = Gray(depth == 8 ? v : depth == 16 ? Scale16(v) : ScaleTo8(v, maxval));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// SKA: a 9-byte header (width and height as 16-bit little-endian numbers, the bit depth as a
// power of two - 3 for 8 bits - and four bytes we do not use), a palette of 256 entries of
// blue, green, red and one unused byte, then one palette index per pixel, rows from the top.

bool DecodeSka(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    const uint32_t w = r.Le16(), h = r.Le16();
    const uint8_t depth = r.U8();
    r.Skip(4);  // unused
    if (!r.Ok()) return Fail(err, "truncated file");
    if (depth != 3) return Fail(err, "unsupported SKA bit depth");
    if (w == 0 || h == 0) return Fail(err, "invalid SKA size");
    const uint8_t *pal, *s;
    if (!r.Take(1024, pal) || !r.Take(uint64_t(w) * h, s)) return Fail(err, "truncated file");
    if (!out.Allocate(w, h, err)) return false;
    uint32_t* px = reinterpret_cast<uint32_t*>(out.px.get());
    for (size_t i = 0, count = size_t(w) * h; i < count; ++i) {
        const uint8_t* e = pal + size_t(s[i]) * 4;
        px[i] = Rgb(e[2], e[1], e[0]);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Sun raster: 1, 8, 24 and 32 bits, standard, RGB-ordered and byte-run coded files, with or
// without an RGB colour map. Rows are padded to 16 bits.

bool DecodeRas(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    const uint8_t* hd;  // eight 32-bit fields; the fifth, the pixel data's length, is not used
    if (!r.Take(32, hd)) return Fail(err, "truncated file");
    const uint32_t magic = Be32(hd), w = Be32(hd + 4), h = Be32(hd + 8), depth = Be32(hd + 12);
    const uint32_t type = Be32(hd + 20), mapType = Be32(hd + 24), mapLength = Be32(hd + 28);
    if (magic != 0x59a66a95u) return Fail(err, "not a Sun raster file");
    if (depth != 1 && depth != 8 && depth != 24 && depth != 32) return Fail(err, "unsupported Sun raster bit depth");
    if (type > 3) return Fail(err, "unsupported Sun raster type");
    if (mapType > 2) return Fail(err, "unsupported Sun raster colour map");
    if (w == 0 || h == 0) return Fail(err, "invalid Sun raster size");
    const uint8_t* m;
    if (!r.Take(mapLength, m)) return Fail(err, "truncated file");
    uint32_t pal[256];
    bool havePalette = false;
    if (mapType == 1 && mapLength > 0) {
        if (mapLength % 3 || mapLength > 768) return Fail(err, "invalid Sun raster colour map");
        const uint32_t entries = mapLength / 3;
        for (uint32_t i = 0; i < 256; ++i) pal[i] = 0xFF000000u;
        for (uint32_t i = 0; i < entries; ++i) pal[i] = Rgb(m[i], m[entries + i], m[2 * entries + i]);
        havePalette = true;
    }
    const uint64_t rowBytes = (uint64_t(w) * depth + 15) / 16 * 2;
    const uint64_t total = rowBytes * h;
    const bool rle = type == 2;
    if (!CheckPictureSize(w, h, err)) return false;
    // A run of up to 256 bytes takes three bytes of the file.
    if ((rle ? total * 3 / 256 : total) > r.Remaining()) return Fail(err, "truncated file");
    std::vector<uint8_t> raw;
    const uint8_t* data;
    if (!rle) {
        if (!r.Take(total, data)) return Fail(err, "truncated file");
    } else {
        try {
            raw.resize(size_t(total));
        } catch (const std::bad_alloc&) {
            return Fail(err, "out of memory");
        }
        size_t k = 0;
        while (k < total) {
            if (r.AtEnd()) return Fail(err, "truncated file");
            const uint8_t b = r.U8();
            if (b != 0x80) {
                raw[k++] = b;
                continue;
            }
            if (r.AtEnd()) return Fail(err, "truncated file");
            const uint32_t count = r.U8();
            if (count == 0) {
                raw[k++] = 0x80;
                continue;
            }
            if (r.AtEnd()) return Fail(err, "truncated file");
            const uint8_t v = r.U8();
            for (uint32_t i = 0; i <= count && k < total; ++i) raw[k++] = v;
        }
        data = raw.data();
    }
    if (!out.Allocate(w, h, err)) return false;
    const bool rgbOrder = type == 3;
    bool anyAlpha = false;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = data + size_t(y) * rowBytes;
        uint32_t* row = reinterpret_cast<uint32_t*>(out.Row(y));
        for (uint32_t x = 0; x < w; ++x) {
            switch (depth) {
                case 1: {
                    uint32_t bit = (s[x / 8] >> (7 - x % 8)) & 1;
                    row[x] = havePalette ? pal[bit] : (bit ? 0xFF000000u : 0xFFFFFFFFu);
                    break;
                }
                case 8:
                    row[x] = havePalette ? pal[s[x]] : Gray(s[x]);
                    break;
                case 24: {
                    const uint8_t* p = s + size_t(x) * 3;
                    row[x] = rgbOrder ? Rgb(p[0], p[1], p[2]) : Rgb(p[2], p[1], p[0]);
                    break;
                }
                default: {
                    const uint8_t* p = s + size_t(x) * 4;
                    uint32_t c = rgbOrder ? Rgb(p[1], p[2], p[3]) : Rgb(p[3], p[2], p[1]);
                    row[x] = (c & 0x00FFFFFFu) | (uint32_t(p[0]) << 24);
                    anyAlpha |= p[0] != 0;
                }
            }
        }
    }
    if (depth == 32) {
        // The first byte of a 32-bit pixel is alpha when the writer filled it; all zero means padding.
        if (!anyAlpha) {
            uint8_t* p = out.px.get();
            for (size_t i = 0, count = size_t(w) * h; i < count; ++i) p[i * 4 + 3] = 255;
        } else {
            out.alpha = true;
        }
    }
    return true;
}

}  // namespace cximg
