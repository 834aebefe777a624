// Small formats: WBMP, PNM (P1-P6), PGX, SKA and Sun raster.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "internal.h"

namespace cximg {

namespace {

inline uint32_t Gray(uint32_t v) { return v | (v << 8) | (v << 16) | 0xFF000000u; }
inline uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return b | (g << 8) | (r << 16) | 0xFF000000u; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// WBMP (type 0): multi-byte width and height, then rows of bits, 1 = white.

bool DecodeWbmp(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    size_t pos = 0;
    auto readInt = [&](uint32_t& v) {
        v = 0;
        for (int i = 0; i < 5; ++i) {
            if (pos >= n) return false;
            uint8_t b = d[pos++];
            if (v > (0xFFFFFFFFu >> 7)) return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    };
    uint32_t type, w, h;
    if (!readInt(type)) { err = "truncated file"; return false; }
    if (type != 0) { err = "unsupported WBMP type"; return false; }
    if (pos >= n) { err = "truncated file"; return false; }
    if (d[pos++] & 0x80) { err = "unsupported WBMP header"; return false; }
    if (!readInt(w) || !readInt(h)) { err = "truncated file"; return false; }
    if (w == 0 || h == 0) { err = "invalid WBMP size"; return false; }
    const uint64_t rowBytes = (uint64_t(w) + 7) / 8;
    if (uint64_t(w) * h > kMaxPixels) { err = "picture larger than 256 megapixels"; return false; }
    if (rowBytes * h > n - pos) { err = "truncated file"; return false; }
    if (!out.Allocate(w, h, err)) return false;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = d + pos + y * rowBytes;
        uint32_t* row = reinterpret_cast<uint32_t*>(out.Row(y));
        for (uint32_t x = 0; x < w; ++x) row[x] = ((s[x / 8] >> (7 - x % 8)) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// PNM: P1/P4 bitmaps (1 = black), P2/P5 gray, P3/P6 colour; maxval up to 65535 (two bytes, most
// significant first, above 255).

bool DecodePnm(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    if (n < 3 || d[0] != 'P' || d[1] < '1' || d[1] > '6') { err = "not a PNM file"; return false; }
    const int kind = d[1] - '0';
    size_t pos = 2;
    auto isSpace = [](uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    auto skipSpace = [&] {
        while (pos < n) {
            if (isSpace(d[pos])) {
                ++pos;
            } else if (d[pos] == '#') {
                while (pos < n && d[pos] != '\n' && d[pos] != '\r') ++pos;
            } else {
                break;
            }
        }
    };
    // A decimal number; false when there is none or it exceeds the limit.
    auto readNumber = [&](uint32_t& v, uint32_t limit) {
        skipSpace();
        if (pos >= n || d[pos] < '0' || d[pos] > '9') return false;
        uint64_t x = 0;
        while (pos < n && d[pos] >= '0' && d[pos] <= '9') {
            x = x * 10 + uint64_t(d[pos++] - '0');
            if (x > limit) return false;
        }
        v = uint32_t(x);
        return true;
    };
    uint32_t w, h, maxval = 1;
    if (!readNumber(w, 0x7FFFFFFF) || !readNumber(h, 0x7FFFFFFF)) { err = pos >= n ? "truncated file" : "invalid PNM header"; return false; }
    if (kind != 1 && kind != 4) {
        if (!readNumber(maxval, 65535)) { err = pos >= n ? "truncated file" : "invalid PNM maxval"; return false; }
        if (maxval == 0) { err = "invalid PNM maxval"; return false; }
    }
    if (w == 0 || h == 0) { err = "invalid PNM size"; return false; }
    if (uint64_t(w) * h > kMaxPixels) { err = "picture larger than 256 megapixels"; return false; }
    if (pos >= n) { err = "truncated file"; return false; }
    if (!isSpace(d[pos])) { err = "invalid PNM header"; return false; }
    ++pos;  // the single white-space character before binary data
    const uint32_t channels = (kind == 3 || kind == 6) ? 3 : 1;
    const size_t avail = n - pos;
    const uint64_t samples = uint64_t(w) * h * channels;
    if (kind >= 4) {
        uint64_t need = kind == 4 ? (uint64_t(w) + 7) / 8 * h : samples * (maxval > 255 ? 2 : 1);
        if (need > avail) { err = "truncated file"; return false; }
    } else if ((kind == 1 ? samples : samples) > avail + 1) {
        // Every text sample takes at least one character.
        err = "truncated file";
        return false;
    }
    if (!out.Allocate(w, h, err)) return false;
    uint32_t* px = reinterpret_cast<uint32_t*>(out.px.get());
    const size_t count = size_t(w) * h;
    if (kind == 4) {
        const size_t rowBytes = (size_t(w) + 7) / 8;
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* s = d + pos + y * rowBytes;
            for (uint32_t x = 0; x < w; ++x) px[size_t(y) * w + x] = ((s[x / 8] >> (7 - x % 8)) & 1) ? 0xFF000000u : 0xFFFFFFFFu;
        }
        return true;
    }
    if (kind >= 5) {
        const uint8_t* s = d + pos;
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
            if (pos >= n) { out = Picture(); err = "truncated file"; return false; }
            uint8_t c = d[pos++];
            if (c != '0' && c != '1') { out = Picture(); err = "invalid PNM sample"; return false; }
            px[i] = c == '1' ? 0xFF000000u : 0xFFFFFFFFu;
            continue;
        }
        uint32_t v[3];
        for (uint32_t c = 0; c < channels; ++c) {
            if (!readNumber(v[c], 0xFFFFFFF)) { out = Picture(); err = pos >= n ? "truncated file" : "invalid PNM sample"; return false; }
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
    if (n < 2 || d[0] != 'P' || d[1] != 'G') { err = "not a PGX file"; return false; }
    size_t pos = 2;
    auto skipBlanks = [&] { while (pos < n && (d[pos] == ' ' || d[pos] == '\t')) ++pos; };
    skipBlanks();
    if (n - pos < 2) { err = "truncated file"; return false; }
    bool bigEndian;
    if (d[pos] == 'M' && d[pos + 1] == 'L') bigEndian = true;
    else if (d[pos] == 'L' && d[pos + 1] == 'M') bigEndian = false;
    else { err = "invalid PGX header"; return false; }
    pos += 2;
    skipBlanks();
    bool isSigned = false;
    if (pos < n && (d[pos] == '+' || d[pos] == '-')) {
        isSigned = d[pos] == '-';
        ++pos;
        skipBlanks();
    }
    auto readNumber = [&](uint32_t& v) {
        skipBlanks();
        if (pos >= n || d[pos] < '0' || d[pos] > '9') return false;
        uint64_t x = 0;
        while (pos < n && d[pos] >= '0' && d[pos] <= '9') {
            x = x * 10 + uint64_t(d[pos++] - '0');
            if (x > 0x7FFFFFFF) return false;
        }
        v = uint32_t(x);
        return true;
    };
    uint32_t depth, w, h;
    if (!readNumber(depth) || !readNumber(w) || !readNumber(h)) { err = pos >= n ? "truncated file" : "invalid PGX header"; return false; }
    if (depth == 0 || depth > 16) { err = "unsupported PGX bit depth"; return false; }
    if (w == 0 || h == 0) { err = "invalid PGX size"; return false; }
    if (uint64_t(w) * h > kMaxPixels) { err = "picture larger than 256 megapixels"; return false; }
    // The header ends with one line break.
    if (pos < n && d[pos] == '\r') ++pos;
    if (pos >= n || d[pos] != '\n') { err = pos >= n ? "truncated file" : "invalid PGX header"; return false; }
    ++pos;
    const size_t bytes = depth <= 8 ? 1 : 2;
    if (uint64_t(w) * h * bytes > n - pos) { err = "truncated file"; return false; }
    if (!out.Allocate(w, h, err)) return false;
    const uint32_t mask = (1u << depth) - 1, maxval = mask, half = 1u << (depth - 1);
    uint32_t* px = reinterpret_cast<uint32_t*>(out.px.get());
    const uint8_t* s = d + pos;
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
    if (n < 9) { err = "truncated file"; return false; }
    const uint32_t w = Le16(d), h = Le16(d + 2);
    if (d[4] != 3) { err = "unsupported SKA bit depth"; return false; }
    if (w == 0 || h == 0) { err = "invalid SKA size"; return false; }
    if (n < 9 + 1024 || uint64_t(w) * h > n - 9 - 1024) { err = "truncated file"; return false; }
    if (!out.Allocate(w, h, err)) return false;
    const uint8_t* pal = d + 9;
    const uint8_t* s = d + 9 + 1024;
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
    if (n < 32) { err = "truncated file"; return false; }
    if (Be32(d) != 0x59a66a95u) { err = "not a Sun raster file"; return false; }
    const uint32_t w = Be32(d + 4), h = Be32(d + 8), depth = Be32(d + 12);
    const uint32_t type = Be32(d + 20), mapType = Be32(d + 24), mapLength = Be32(d + 28);
    if (depth != 1 && depth != 8 && depth != 24 && depth != 32) { err = "unsupported Sun raster bit depth"; return false; }
    if (type > 3) { err = "unsupported Sun raster type"; return false; }
    if (mapType > 2) { err = "unsupported Sun raster colour map"; return false; }
    if (w == 0 || h == 0) { err = "invalid Sun raster size"; return false; }
    if (mapLength > n - 32) { err = "truncated file"; return false; }
    uint32_t pal[256];
    bool havePalette = false;
    if (mapType == 1 && mapLength > 0) {
        if (mapLength % 3 || mapLength > 768) { err = "invalid Sun raster colour map"; return false; }
        const uint32_t entries = mapLength / 3;
        const uint8_t* m = d + 32;
        for (uint32_t i = 0; i < 256; ++i) pal[i] = 0xFF000000u;
        for (uint32_t i = 0; i < entries; ++i) pal[i] = Rgb(m[i], m[entries + i], m[2 * entries + i]);
        havePalette = true;
    }
    size_t pos = 32 + size_t(mapLength);
    const uint64_t rowBytes = (uint64_t(w) * depth + 15) / 16 * 2;
    const uint64_t total = rowBytes * h;
    const bool rle = type == 2;
    if (uint64_t(w) * h > kMaxPixels) { err = "picture larger than 256 megapixels"; return false; }
    // A run of up to 256 bytes takes three bytes of the file.
    if ((rle ? total * 3 / 256 : total) > n - pos) { err = "truncated file"; return false; }
    std::vector<uint8_t> raw;
    const uint8_t* data = d + pos;
    if (rle) {
        try {
            raw.resize(size_t(total));
        } catch (const std::bad_alloc&) {
            err = "out of memory";
            return false;
        }
        size_t k = 0;
        while (k < total) {
            if (pos >= n) { err = "truncated file"; return false; }
            uint8_t b = d[pos++];
            if (b != 0x80) {
                raw[k++] = b;
                continue;
            }
            if (pos >= n) { err = "truncated file"; return false; }
            uint32_t count = d[pos++];
            if (count == 0) {
                raw[k++] = 0x80;
                continue;
            }
            if (pos >= n) { err = "truncated file"; return false; }
            uint8_t v = d[pos++];
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
