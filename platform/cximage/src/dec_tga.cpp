// Truevision TGA: colour-mapped, true-colour and gray pictures, uncompressed or run-length coded,
// 8/15/16/24/32 bits, any of the four origins.
#include <algorithm>
#include <new>
#include <vector>

#include "internal.h"

namespace cximg {

namespace {

inline uint32_t From555(uint32_t v) {
    uint32_t r = ScaleTo8((v >> 10) & 31, 31), g = ScaleTo8((v >> 5) & 31, 31), b = ScaleTo8(v & 31, 31);
    return b | (g << 8) | (r << 16) | 0xFF000000u;
}

}  // namespace

bool DecodeTga(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    if (n < 18) { err = "truncated file"; return false; }
    const uint8_t idLen = d[0], cmapType = d[1], type = d[2];
    const uint16_t cmapFirst = Le16(d + 3), cmapLen = Le16(d + 5);
    const uint8_t cmapBits = d[7];
    const uint16_t w = Le16(d + 12), h = Le16(d + 14);
    const uint8_t bpp = d[16], desc = d[17];
    const uint8_t alphaBits = desc & 0x0F;
    const bool rightToLeft = desc & 0x10, topDown = desc & 0x20;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) {
        err = "unsupported TGA image type";
        return false;
    }
    if (cmapType > 1) { err = "invalid TGA colour map type"; return false; }
    const bool rle = type >= 9;
    const int kind = type & 3;  // 1 colour-mapped, 2 true colour, 3 gray
    if (w == 0 || h == 0) { err = "invalid TGA size"; return false; }
    if (uint64_t(w) * h > kMaxPixels) { err = "picture larger than 256 megapixels"; return false; }
    bool okDepth = (kind == 1 && (bpp == 8 || bpp == 16)) || (kind == 2 && (bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32)) ||
                   (kind == 3 && (bpp == 8 || bpp == 16));
    if (!okDepth) { err = "unsupported TGA bit depth"; return false; }
    size_t pos = 18 + size_t(idLen);
    if (pos > n) { err = "truncated file"; return false; }

    std::vector<uint32_t> palette;
    bool paletteAlpha = false;
    if (cmapType == 1) {
        size_t eb;
        switch (cmapBits) {
            case 15: case 16: eb = 2; break;
            case 24: eb = 3; break;
            case 32: eb = 4; break;
            default: err = "unsupported TGA colour map depth"; return false;
        }
        if (uint64_t(cmapLen) * eb > n - pos) { err = "truncated file"; return false; }
        if (kind == 1) {
            palette.resize(cmapLen);
            for (size_t i = 0; i < cmapLen; ++i) {
                const uint8_t* e = d + pos + i * eb;
                if (eb == 2) palette[i] = From555(Le16(e));
                else if (eb == 3) palette[i] = e[0] | (e[1] << 8) | (uint32_t(e[2]) << 16) | 0xFF000000u;
                else palette[i] = Le32(e);
            }
            paletteAlpha = eb == 4 && alphaBits > 0;
        }
        pos += size_t(cmapLen) * eb;
    } else if (kind == 1) {
        err = "TGA colour map missing";
        return false;
    }

    const size_t pb = (bpp + 7) / 8;
    if (!FitsInFile(w, h, rle ? 1 + pb : pb, rle ? 128 : 1, n - pos)) { err = "truncated file"; return false; }
    if (!out.Allocate(w, h, err)) return false;
    const bool hasAlpha = (kind == 2 && bpp == 32 && alphaBits > 0) || (kind == 3 && bpp == 16) ||
                          (kind == 1 && paletteAlpha) || (kind == 2 && bpp == 16 && alphaBits == 1);
    out.alpha = hasAlpha;

    auto convert = [&](const uint8_t* s) -> uint32_t {
        switch (kind) {
            case 1: {
                uint32_t idx = pb == 1 ? s[0] : Le16(s);
                if (idx < cmapFirst || idx - cmapFirst >= palette.size()) return 0xFF000000u;
                uint32_t c = palette[idx - cmapFirst];
                return paletteAlpha ? c : (c | 0xFF000000u);
            }
            case 2:
                if (pb == 2) {
                    uint32_t v = Le16(s), c = From555(v);
                    if (bpp == 16 && alphaBits == 1 && !(v & 0x8000)) c &= 0x00FFFFFFu;
                    return c;
                }
                if (pb == 3) return s[0] | (s[1] << 8) | (uint32_t(s[2]) << 16) | 0xFF000000u;
                return s[0] | (s[1] << 8) | (uint32_t(s[2]) << 16) | (uint32_t(alphaBits ? s[3] : 255) << 24);
            default: {
                uint32_t g = s[0];
                uint32_t a = pb == 2 ? s[1] : 255;
                return g | (g << 8) | (g << 16) | (a << 24);
            }
        }
    };

    const uint64_t total = uint64_t(w) * h;
    uint64_t k = 0;
    auto store = [&](uint32_t c) {
        uint32_t fy = uint32_t(k / w), fx = uint32_t(k % w);
        uint32_t y = topDown ? fy : h - 1 - fy;
        uint32_t x = rightToLeft ? w - 1 - fx : fx;
        reinterpret_cast<uint32_t*>(out.Row(y))[x] = c;
        ++k;
    };
    if (!rle) {
        const uint8_t* s = d + pos;
        while (k < total) {
            store(convert(s));
            s += pb;
        }
    } else {
        while (k < total) {
            if (pos >= n) { out = Picture(); err = "truncated file"; return false; }
            uint8_t head = d[pos++];
            uint32_t count = (head & 0x7F) + 1u;
            if (head & 0x80) {
                if (n - pos < pb) { out = Picture(); err = "truncated file"; return false; }
                uint32_t c = convert(d + pos);
                pos += pb;
                for (uint32_t i = 0; i < count && k < total; ++i) store(c);
            } else {
                if (uint64_t(count) * pb > n - pos) { out = Picture(); err = "truncated file"; return false; }
                for (uint32_t i = 0; i < count && k < total; ++i) store(convert(d + pos + size_t(i) * pb));
                pos += size_t(count) * pb;
            }
        }
    }
    return true;
}

}  // namespace cximg
