// Truevision TGA: colour-mapped, true-colour and gray pictures, uncompressed or run-length coded,
// 8/15/16/24/32 bits, any of the four origins.
#include <algorithm>
#include <new>
#include <vector>

#include "platform/cximage/src/internal.h"

namespace cximg {

namespace {

inline uint32_t From555(uint32_t v) {
    uint32_t r = ScaleTo8((v >> 10) & 31, 31), g = ScaleTo8((v >> 5) & 31, 31), b = ScaleTo8(v & 31, 31);
    return b | (g << 8) | (r << 16) | 0xFF000000u;
}

}  // namespace

bool DecodeTga(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    const uint8_t idLen = r.U8(), cmapType = r.U8(), type = r.U8();
    const uint16_t cmapFirst = r.Le16(), cmapLen = r.Le16();
    const uint8_t cmapBits = r.U8();
    r.Skip(4);  // origin
    const uint16_t w = r.Le16(), h = r.Le16();
    const uint8_t bpp = r.U8(), desc = r.U8();
    if (!r.Ok()) return Fail(err, "truncated file");
    const uint8_t alphaBits = desc & 0x0F;
    const bool rightToLeft = desc & 0x10, topDown = desc & 0x20;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        return Fail(err, "unsupported TGA image type");
    if (cmapType > 1) return Fail(err, "invalid TGA colour map type");
    const bool rle = type >= 9;
    const int kind = type & 3;  // 1 colour-mapped, 2 true colour, 3 gray
    if (w == 0 || h == 0) return Fail(err, "invalid TGA size");
    if (!CheckPictureSize(w, h, err)) return false;
    bool okDepth = (kind == 1 && (bpp == 8 || bpp == 16)) || (kind == 2 && (bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32)) ||
                   (kind == 3 && (bpp == 8 || bpp == 16));
    if (!okDepth) return Fail(err, "unsupported TGA bit depth");
    if (!r.Skip(idLen)) return Fail(err, "truncated file");

    std::vector<uint32_t> palette;
    bool paletteAlpha = false;
    if (cmapType == 1) {
        size_t eb;
        switch (cmapBits) {
            case 15: case 16: eb = 2; break;
            case 24: eb = 3; break;
            case 32: eb = 4; break;
            default: return Fail(err, "unsupported TGA colour map depth");
        }
        const uint8_t* cmap;
        if (!r.Take(uint64_t(cmapLen) * eb, cmap)) return Fail(err, "truncated file");
        if (kind == 1) {
            palette.resize(cmapLen);
            for (size_t i = 0; i < cmapLen; ++i) {
                const uint8_t* e = cmap + i * eb;
                if (eb == 2) palette[i] = From555(Le16(e));
                else if (eb == 3) palette[i] = e[0] | (e[1] << 8) | (uint32_t(e[2]) << 16) | 0xFF000000u;
                else palette[i] = Le32(e);
            }
            paletteAlpha = eb == 4 && alphaBits > 0;
        }
    } else if (kind == 1) {
        return Fail(err, "TGA colour map missing");
    }

    const size_t pb = (bpp + 7) / 8;
    if (!FitsInFile(w, h, rle ? 1 + pb : pb, rle ? 128 : 1, r.Remaining())) return Fail(err, "truncated file");
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
    auto store = [&](uint32_t c) CXIMG_ALWAYS_INLINE {
        uint32_t fy = uint32_t(k / w), fx = uint32_t(k % w);
        uint32_t y = topDown ? fy : h - 1 - fy;
        uint32_t x = rightToLeft ? w - 1 - fx : fx;
        reinterpret_cast<uint32_t*>(out.Row(y))[x] = c;
        ++k;
    };
    if (!rle) {
        const uint8_t* s;
        if (!r.Take(total * pb, s)) return Fail(err, "truncated file", out);
        while (k < total) {
            store(convert(s));
            s += pb;
        }
    } else {
        while (k < total) {
            if (r.AtEnd()) return Fail(err, "truncated file", out);
            const uint8_t head = r.U8();
            const uint32_t count = (head & 0x7F) + 1u;
            const uint8_t* s;
            if (head & 0x80) {
                if (!r.Take(pb, s)) return Fail(err, "truncated file", out);
                const uint32_t c = convert(s);
                for (uint32_t i = 0; i < count && k < total; ++i) store(c);
            } else {
                if (!r.Take(uint64_t(count) * pb, s)) return Fail(err, "truncated file", out);
                for (uint32_t i = 0; i < count && k < total; ++i) store(convert(s + size_t(i) * pb));
            }
        }
    }
    return true;
}

}  // namespace cximg
