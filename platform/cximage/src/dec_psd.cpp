// Photoshop PSD/PSB: the flattened composite picture stored after the layers, 8 or 16 bits per
// sample, gray, RGB, indexed or CMYK, uncompressed or PackBits run-length coded.
//
// The file is read in its own order: header, colour mode data (the palette of an indexed
// picture), image resources and layers (both skipped), then the composite's channels one after
// the other, which are merged into pixels at the end.
#include <algorithm>
#include <new>
#include <vector>

#include "platform/cximage/src/internal.h"

namespace cximg {

namespace {

enum PsdMode : uint32_t { kGray = 1, kIndexed = 2, kRgb = 3, kCmyk = 4 };
enum PsdCompression : uint32_t { kRaw = 0, kPackBits = 1 };

struct PsdHeader {
    bool big = false;  // PSB: 8-byte layer section length, 4-byte row byte counts
    uint32_t channels = 0, width = 0, height = 0, depth = 0, mode = 0;
    uint32_t colourChannels = 0;  // channels the colour mode itself needs
};

// What the composite's channels decode into: one 8-bit plane per used channel.
struct PsdPlanes {
    uint32_t used = 0;  // colour channels, plus one for alpha when there is one
    bool withAlpha = false;
    std::vector<uint8_t> bytes;
};

// The 26-byte file header with every check of its fields.
bool ReadHeader(Reader& r, PsdHeader& hd, const char*& err) {
    if (!r.Has(26)) return Fail(err, "truncated file");
    const uint32_t signature = r.Be32(), version = r.Be16();
    r.Skip(6);  // reserved
    hd.channels = r.Be16();
    hd.height = r.Be32();
    hd.width = r.Be32();
    hd.depth = r.Be16();
    hd.mode = r.Be16();
    if (signature != 0x38425053u) return Fail(err, "not a PSD file");
    if (version != 1 && version != 2) return Fail(err, "unsupported PSD version");
    hd.big = version == 2;
    if (hd.channels == 0 || hd.channels > 56) return Fail(err, "invalid PSD channel count");
    if (hd.depth != 8 && hd.depth != 16) return Fail(err, "unsupported PSD bit depth");
    switch (hd.mode) {
        case kGray: hd.colourChannels = 1; break;
        case kIndexed: hd.colourChannels = 1; break;
        case kRgb: hd.colourChannels = 3; break;
        case kCmyk: hd.colourChannels = 4; break;
        default: return Fail(err, "unsupported PSD colour mode");
    }
    if (hd.channels < hd.colourChannels) return Fail(err, "too few PSD channels");
    if (hd.width == 0 || hd.height == 0) return Fail(err, "invalid PSD size");
    return CheckPictureSize(hd.width, hd.height, err);
}

// The three length-prefixed sections between the header and the image data: colour mode data
// (kept, it holds the palette), image resources and layers (skipped).
bool ReadSections(Reader& r, const PsdHeader& hd, Reader& colourData, const char*& err) {
    Reader skipped;
    const bool ok = r.Sub(r.Be32(), colourData) && r.Sub(r.Be32(), skipped) &&
                    r.Sub(hd.big ? r.Be64() : r.Be32(), skipped);
    if (!ok || !r.Ok()) return Fail(err, "truncated file");
    if (hd.mode == kIndexed && colourData.Size() < 768) return Fail(err, "PSD palette missing");
    return true;
}

bool ReadCompression(Reader& r, uint32_t& compression, const char*& err) {
    if (!r.Has(2)) return Fail(err, "truncated file");
    compression = r.Be16();
    if (compression > kPackBits) return Fail(err, "unsupported PSD compression");
    return true;
}

// Refuses image data that cannot hold the picture before anything is allocated for it.
bool ImageDataFits(const Reader& r, const PsdHeader& hd, uint32_t compression, uint32_t used) {
    const uint64_t rowBytes = uint64_t(hd.width) * (hd.depth / 8), h = hd.height;
    const size_t avail = r.Remaining();
    if (compression == kRaw) return rowBytes * h * used <= avail;
    // Row byte counts of every channel, then each row needs at least 2 bytes per 128 bytes.
    const uint64_t counts = uint64_t(hd.channels) * h * (hd.big ? 4 : 2);
    return counts <= avail && (rowBytes + 127) / 128 * 2 * h * used <= avail - counts;
}

// One row of channel c, 8 or 16 bits per sample, into its plane as 8 bits.
inline void StoreRow(const PsdHeader& hd, PsdPlanes& planes, uint32_t c, uint32_t y, const uint8_t* src) {
    const uint32_t w = hd.width;
    uint8_t* dst = planes.bytes.data() + (size_t(c) * hd.height + y) * w;
    if (hd.depth == 8) {
        std::copy(src, src + w, dst);
    } else {
        for (uint32_t x = 0; x < w; ++x) dst[x] = Scale16(Be16(src + size_t(x) * 2));
    }
}

// Uncompressed image data: the rows of each channel in turn.
bool ReadRawChannels(Reader& r, const PsdHeader& hd, PsdPlanes& planes, const char*& err) {
    const uint64_t rowBytes = uint64_t(hd.width) * (hd.depth / 8);
    for (uint32_t c = 0; c < planes.used; ++c)
        for (uint32_t y = 0; y < hd.height; ++y) {
            const uint8_t* row;
            if (!r.Take(rowBytes, row)) return Fail(err, "truncated file");
            StoreRow(hd, planes, c, y, row);
        }
    return true;
}

// One PackBits-coded row of len bytes at s into rowBytes bytes of line.
bool UnpackRow(const uint8_t* s, uint64_t len, uint8_t* line, size_t rowBytes, const char*& err) {
    size_t sp = 0, k = 0;
    while (k < rowBytes) {
        if (sp >= len) return Fail(err, "truncated file");
        const int8_t head = int8_t(s[sp++]);
        if (head >= 0) {
            const size_t count = size_t(head) + 1;
            if (count > len - sp || count > rowBytes - k) return Fail(err, "corrupt PSD run");
            std::copy(s + sp, s + sp + count, line + k);
            sp += count;
            k += count;
        } else if (head != -128) {
            const size_t count = size_t(1 - head);
            if (sp >= len || count > rowBytes - k) return Fail(err, "corrupt PSD run");
            std::fill(line + k, line + k + count, s[sp++]);
            k += count;
        }
    }
    return true;
}

// PackBits image data: the byte count of every row of every channel, then the coded rows.
bool ReadPackBitsChannels(Reader& r, const PsdHeader& hd, PsdPlanes& planes, const char*& err) {
    const size_t rowBytes = size_t(hd.width) * (hd.depth / 8);
    std::vector<uint8_t> line;
    try {
        line.resize(rowBytes);
    } catch (const std::bad_alloc&) {
        return Fail(err, "out of memory");
    }
    Reader counts;
    if (!r.Sub(uint64_t(hd.channels) * hd.height * (hd.big ? 4 : 2), counts)) return Fail(err, "truncated file");
    for (uint32_t c = 0; c < planes.used; ++c) {
        for (uint32_t y = 0; y < hd.height; ++y) {
            const uint64_t len = hd.big ? counts.Be32() : counts.Be16();
            const uint8_t* s;
            if (!r.Take(len, s)) return Fail(err, "truncated file");
            if (!UnpackRow(s, len, line.data(), rowBytes, err)) return false;
            StoreRow(hd, planes, c, y, line.data());
        }
    }
    return true;
}

// The planes into B, G, R, A pixels by the colour mode.
void MergeChannels(const PsdHeader& hd, const uint8_t* palette, const PsdPlanes& planes, Picture& out) {
    const size_t plane = size_t(hd.width) * hd.height;
    const uint32_t mode = hd.mode, colourChannels = hd.colourChannels;
    const bool withAlpha = planes.withAlpha;
    const uint8_t* p0 = planes.bytes.data();
    uint32_t* px = reinterpret_cast<uint32_t*>(out.px.get());
    for (size_t i = 0; i < plane; ++i) {
        uint32_t r, g, b, a = withAlpha ? p0[colourChannels * plane + i] : 255;
        switch (mode) {
            case kGray:
                r = g = b = p0[i];
                break;
            case kIndexed: {
                uint32_t idx = p0[i];
                r = palette[idx];
                g = palette[256 + idx];
                b = palette[512 + idx];
                break;
            }
            case kRgb:
                r = p0[i];
                g = p0[plane + i];
                b = p0[2 * plane + i];
                break;
            default: {
                // Stored values are 255 minus the ink; the colour is the paper left by both inks.
                uint32_t k = p0[3 * plane + i];
                r = (p0[i] * k + 127) / 255;
                g = (p0[plane + i] * k + 127) / 255;
                b = (p0[2 * plane + i] * k + 127) / 255;
            }
        }
        px[i] = b | (g << 8) | (r << 16) | (a << 24);
    }
}

}  // namespace

bool DecodePsd(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    Reader r(d, n);
    PsdHeader hd;
    Reader colourData;
    uint32_t compression;
    if (!ReadHeader(r, hd, err) || !ReadSections(r, hd, colourData, err) || !ReadCompression(r, compression, err))
        return false;

    PsdPlanes planes;
    planes.withAlpha = hd.mode != kIndexed && hd.channels > hd.colourChannels;
    planes.used = hd.colourChannels + (planes.withAlpha ? 1 : 0);
    if (!ImageDataFits(r, hd, compression, planes.used)) return Fail(err, "truncated file");
    try {
        planes.bytes.resize(size_t(hd.width) * hd.height * planes.used);
    } catch (const std::bad_alloc&) {
        return Fail(err, "out of memory");
    }
    const bool read = compression == kRaw ? ReadRawChannels(r, hd, planes, err) : ReadPackBitsChannels(r, hd, planes, err);
    if (!read) return false;

    if (!out.Allocate(hd.width, hd.height, err)) return false;
    out.alpha = planes.withAlpha;
    MergeChannels(hd, colourData.Here(), planes, out);
    return true;
}

}  // namespace cximg
