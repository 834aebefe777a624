// Format detection from the content, and the EXIF orientation of JPEG files.
#include <cstring>

#include "platform/cximage/src/internal.h"
#include "platform/cximage/include/ximacore.h"

namespace cximg {

namespace {

bool StartsWith(const uint8_t* d, size_t n, const char* sig, size_t len) {
    return n >= len && std::memcmp(d, sig, len) == 0;
}

bool LooksLikeTga(const uint8_t* d, size_t n) {
    if (n < 18) return false;
    uint8_t cmapType = d[1], type = d[2], bpp = d[16];
    uint16_t cmapLen = Le16(d + 5);
    uint8_t cmapBits = d[7];
    uint16_t w = Le16(d + 12), h = Le16(d + 14);
    if (cmapType > 1 || w == 0 || h == 0 || (d[17] & 0xC0)) return false;
    switch (type) {
        case 1: case 9:
            if (cmapType != 1 || cmapLen == 0 || (bpp != 8 && bpp != 16)) return false;
            if (cmapBits != 15 && cmapBits != 16 && cmapBits != 24 && cmapBits != 32) return false;
            break;
        case 2: case 10:
            if (bpp != 15 && bpp != 16 && bpp != 24 && bpp != 32) return false;
            break;
        case 3: case 11:
            if (bpp != 8 && bpp != 16) return false;
            break;
        default:
            return false;
    }
    if (type < 9) {
        // Uncompressed: the pixels must fit in the file.
        uint64_t need = 18 + uint64_t(d[0]) + (cmapType ? uint64_t(cmapLen) * ((cmapBits + 7) / 8) : 0) +
                        uint64_t(w) * h * ((bpp + 7) / 8);
        if (need > n) return false;
    }
    return true;
}

bool LooksLikeWbmp(const uint8_t* d, size_t n) {
    if (n < 4 || d[0] != 0 || d[1] != 0) return false;
    size_t pos = 2;
    uint64_t dims[2];
    for (uint64_t& v : dims) {
        v = 0;
        int bytes = 0;
        while (true) {
            if (pos >= n || ++bytes > 4) return false;
            uint8_t b = d[pos++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) break;
        }
        if (v == 0 || v > 65535) return false;
    }
    return n - pos == (dims[0] + 7) / 8 * dims[1];
}

bool LooksLikeSka(const uint8_t* d, size_t n) {
    if (n < 9 + 1024) return false;
    uint16_t w = Le16(d), h = Le16(d + 2);
    return w && h && d[4] == 3 && n == 9 + 1024 + size_t(w) * h;
}

}  // namespace

bool ClaimedSize(const uint8_t* d, size_t n, uint32_t format, uint64_t& width, uint64_t& height) {
    if (!d) return false;
    switch (format) {
        case CXIMAGE_FORMAT_PNG:
            // Signature, then the IHDR chunk: length, type, width, height.
            if (n < 24 || std::memcmp(d + 12, "IHDR", 4) != 0) return false;
            width = Be32(d + 16);
            height = Be32(d + 20);
            return true;
        case CXIMAGE_FORMAT_GIF:
            if (n < 10) return false;
            width = Le16(d + 6);
            height = Le16(d + 8);
            return true;
        case CXIMAGE_FORMAT_BMP: {
            if (n < 26) return false;
            if (Le32(d + 14) == 12) {
                width = Le16(d + 18);
                height = Le16(d + 20);
                return true;
            }
            const int32_t h = static_cast<int32_t>(Le32(d + 22));
            width = static_cast<uint32_t>(static_cast<int32_t>(Le32(d + 18)) < 0 ? 0 : Le32(d + 18));
            height = h < 0 ? uint64_t(-int64_t(h)) : uint64_t(h);
            return true;
        }
        case CXIMAGE_FORMAT_JPG: {
            // Walk the marker segments to the first start-of-frame.
            size_t pos = 2;
            while (pos + 4 <= n) {
                if (d[pos] != 0xFF) return false;
                const uint8_t marker = d[pos + 1];
                if (marker == 0xFF) {
                    ++pos;
                    continue;
                }
                if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
                    pos += 2;
                    continue;
                }
                const size_t length = Be16(d + pos + 2);
                const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
                if (frame) {
                    if (pos + 9 > n || length < 7) return false;
                    height = Be16(d + pos + 5);
                    width = Be16(d + pos + 7);
                    return true;
                }
                if (length < 2) return false;
                pos += 2 + length;
            }
            return false;
        }
        default:
            return false;
    }
}

uint32_t DetectFormat(const uint8_t* d, size_t n) {
    if (!d || n == 0) return CXIMAGE_FORMAT_UNKNOWN;
    if (StartsWith(d, n, "\x89PNG\r\n\x1a\n", 8)) return CXIMAGE_FORMAT_PNG;
    if (StartsWith(d, n, "\x8aMNG\r\n\x1a\n", 8) || StartsWith(d, n, "\x8bJNG\r\n\x1a\n", 8)) return CXIMAGE_FORMAT_MNG;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return CXIMAGE_FORMAT_JPG;
    if (StartsWith(d, n, "GIF87a", 6) || StartsWith(d, n, "GIF89a", 6)) return CXIMAGE_FORMAT_GIF;
    if (n >= 26 && d[0] == 'B' && d[1] == 'M' && Le32(d + 14) >= 12) return CXIMAGE_FORMAT_BMP;
    if (StartsWith(d, n, "8BPS", 4)) return CXIMAGE_FORMAT_PSD;
    if (StartsWith(d, n, "\x59\xa6\x6a\x95", 4)) return CXIMAGE_FORMAT_RAS;
    if (StartsWith(d, n, "\0\0\0\x0cjP  \r\n\x87\n", 12)) return CXIMAGE_FORMAT_JP2;
    if (StartsWith(d, n, "\xff\x4f\xff\x51", 4)) return CXIMAGE_FORMAT_JPC;
    // Camera raw files with a signature of their own (TIFF-based ones are read as TIFF).
    if (n >= 14 && std::memcmp(d + 6, "HEAPCCDR", 8) == 0) return CXIMAGE_FORMAT_RAW;
    if (StartsWith(d, n, "FUJIFILMCCD-RAW", 15) || StartsWith(d, n, "\0MRM", 4) ||
        StartsWith(d, n, "FOVb", 4) || StartsWith(d, n, "IIRO\x08\0", 6) || StartsWith(d, n, "IIRS\x08\0", 6) ||
        StartsWith(d, n, "IIU\0", 4))
        return CXIMAGE_FORMAT_RAW;
    if (StartsWith(d, n, "II*\0", 4) || StartsWith(d, n, "MM\0*", 4)) return CXIMAGE_FORMAT_TIF;
    if (StartsWith(d, n, "\xd7\xcd\xc6\x9a", 4)) return CXIMAGE_FORMAT_WMF;
    if (n >= 44 && Le32(d) == 1 && std::memcmp(d + 40, " EMF", 4) == 0) return CXIMAGE_FORMAT_WMF;
    if (n >= 18 && (Le32(d) == 0x00090001 || Le32(d) == 0x00090002) && Le16(d + 4) == 9) return CXIMAGE_FORMAT_WMF;
    if (n >= 22 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || d[2] == 2) && d[3] == 0 && Le16(d + 4) > 0 &&
        (d[9] == 0 || d[9] == 255) && (Le16(d + 10) <= 1 || d[2] == 2))
        return CXIMAGE_FORMAT_ICO;
    if (n >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6' &&
        (d[2] == ' ' || d[2] == '\n' || d[2] == '\r' || d[2] == '\t' || d[2] == '#'))
        return CXIMAGE_FORMAT_PNM;
    if (n >= 4 && d[0] == 'P' && d[1] == 'G' && (d[2] == ' ' || d[2] == 'M' || d[2] == 'L')) return CXIMAGE_FORMAT_PGX;
    if (n >= 128 && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1 &&
        (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8) && d[65] >= 1 && d[65] <= 4)
        return CXIMAGE_FORMAT_PCX;
    if (LooksLikeSka(d, n)) return CXIMAGE_FORMAT_SKA;
    if (LooksLikeTga(d, n)) return CXIMAGE_FORMAT_TGA;
    if (LooksLikeWbmp(d, n)) return CXIMAGE_FORMAT_WBMP;
    return CXIMAGE_FORMAT_UNKNOWN;
}

// ---------------------------------------------------------------------------------------------
// EXIF orientation: JPEG segments up to the first scan, the APP1 "Exif" block, its TIFF header and
// tag 0x0112 of the first directory.

int JpegExifOrientation(const uint8_t* d, size_t n) {
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return 0;
    size_t pos = 2;
    while (pos + 4 <= n) {
        if (d[pos] != 0xFF) return 0;
        uint8_t marker = d[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return 0;
        size_t len = Be16(d + pos + 2);
        if (len < 2 || pos + 2 + len > n) return 0;
        const uint8_t* seg = d + pos + 4;
        size_t segLen = len - 2;
        if (marker == 0xE1 && segLen >= 14 && std::memcmp(seg, "Exif\0\0", 6) == 0) {
            const uint8_t* t = seg + 6;
            size_t tn = segLen - 6;
            bool le;
            if (t[0] == 'I' && t[1] == 'I') le = true;
            else if (t[0] == 'M' && t[1] == 'M') le = false;
            else return 0;
            auto r16 = [&](size_t o) -> uint32_t { return le ? Le16(t + o) : Be16(t + o); };
            auto r32 = [&](size_t o) -> uint32_t { return le ? Le32(t + o) : Be32(t + o); };
            if (r16(2) != 42) return 0;
            uint32_t ifd = r32(4);
            if (ifd < 8 || uint64_t(ifd) + 2 > tn) return 0;
            uint32_t count = r16(ifd);
            for (uint32_t i = 0; i < count; ++i) {
                uint64_t e = uint64_t(ifd) + 2 + uint64_t(i) * 12;
                if (e + 12 > tn) return 0;
                if (r16(size_t(e)) == 0x0112) {
                    uint32_t type = r16(size_t(e) + 2);
                    uint32_t v = type == 3 ? r16(size_t(e) + 8) : type == 4 ? r32(size_t(e) + 8) : 0;
                    return v >= 1 && v <= 8 ? int(v) : 0;
                }
            }
            return 0;
        }
        pos += 2 + len;
    }
    return 0;
}

bool Orient(const Picture& in, int o, Picture& out, const char*& err) {
    if (o < 1 || o > 8) o = 1;
    const uint32_t w = in.width, h = in.height;
    const bool swap = o >= 5;
    if (!out.Allocate(swap ? h : w, swap ? w : h, err)) return false;
    out.alpha = in.alpha;
    const uint32_t* s = reinterpret_cast<const uint32_t*>(in.px.get());
    for (uint32_t dy = 0; dy < out.height; ++dy) {
        uint32_t* drow = reinterpret_cast<uint32_t*>(out.Row(dy));
        for (uint32_t dx = 0; dx < out.width; ++dx) {
            uint32_t sx, sy;
            switch (o) {
                case 2: sx = w - 1 - dx; sy = dy; break;
                case 3: sx = w - 1 - dx; sy = h - 1 - dy; break;
                case 4: sx = dx; sy = h - 1 - dy; break;
                case 5: sx = dy; sy = dx; break;
                case 6: sx = dy; sy = h - 1 - dx; break;
                case 7: sx = w - 1 - dy; sy = h - 1 - dx; break;
                case 8: sx = w - 1 - dy; sy = dx; break;
                default: sx = dx; sy = dy; break;
            }
            drow[dx] = s[size_t(sy) * w + sx];
        }
    }
    return true;
}

}  // namespace cximg
