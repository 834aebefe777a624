// Photoshop PSD/PSB: the flattened composite picture stored after the layers, 8 or 16 bits per
// sample, gray, RGB, indexed or CMYK, uncompressed or PackBits run-length coded.
#include <new>
#include <algorithm>
#include <new>
#include <vector>

#include "internal.h"

namespace cximg {

bool DecodePsd(const uint8_t* d, size_t n, Picture& out, const char*& err) {
    if (n < 26) { err = "truncated file"; return false; }
    if (Be32(d) != 0x38425053u) { err = "not a PSD file"; return false; }
    const uint32_t version = Be16(d + 4);
    if (version != 1 && version != 2) { err = "unsupported PSD version"; return false; }
    const bool big = version == 2;
    const uint32_t channels = Be16(d + 12), h = Be32(d + 14), w = Be32(d + 18);
    const uint32_t depth = Be16(d + 22), mode = Be16(d + 24);
    if (channels == 0 || channels > 56) { err = "invalid PSD channel count"; return false; }
    if (depth != 8 && depth != 16) { err = "unsupported PSD bit depth"; return false; }
    uint32_t colourChannels;
    switch (mode) {
        case 1: colourChannels = 1; break;  // gray
        case 2: colourChannels = 1; break;  // indexed
        case 3: colourChannels = 3; break;  // RGB
        case 4: colourChannels = 4; break;  // CMYK
        default: err = "unsupported PSD colour mode"; return false;
    }
    if (channels < colourChannels) { err = "too few PSD channels"; return false; }
    if (w == 0 || h == 0) { err = "invalid PSD size"; return false; }
    if (uint64_t(w) * h > kMaxPixels) { err = "picture larger than 256 megapixels"; return false; }

    size_t pos = 26;
    auto skipSection = [&](bool wide, const uint8_t** start, uint64_t* length) {
        size_t lenBytes = wide ? 8 : 4;
        if (n - pos < lenBytes) return false;
        uint64_t len = wide ? (uint64_t(Be32(d + pos)) << 32) | Be32(d + pos + 4) : Be32(d + pos);
        pos += lenBytes;
        if (len > n - pos) return false;
        if (start) *start = d + pos;
        if (length) *length = len;
        pos += size_t(len);
        return true;
    };
    const uint8_t* colourData = nullptr;
    uint64_t colourLen = 0;
    if (!skipSection(false, &colourData, &colourLen) || !skipSection(false, nullptr, nullptr) ||
        !skipSection(big, nullptr, nullptr)) {
        err = "truncated file";
        return false;
    }
    if (mode == 2 && colourLen < 768) { err = "PSD palette missing"; return false; }
    if (n - pos < 2) { err = "truncated file"; return false; }
    const uint32_t compression = Be16(d + pos);
    pos += 2;
    if (compression > 1) { err = "unsupported PSD compression"; return false; }

    const bool withAlpha = mode != 2 && channels > colourChannels;
    const uint32_t used = colourChannels + (withAlpha ? 1 : 0);
    const size_t bps = depth / 8;
    const uint64_t rowBytes = uint64_t(w) * bps;
    const size_t avail = n - pos;
    const size_t countSize = big ? 4 : 2;
    if (compression == 0) {
        if (rowBytes * h * used > avail) { err = "truncated file"; return false; }
    } else {
        // Row byte counts of every channel, then each row needs at least 2 bytes per 128 bytes.
        if (uint64_t(channels) * h * countSize > avail ||
            (rowBytes + 127) / 128 * 2 * h * used > avail - uint64_t(channels) * h * countSize) {
            err = "truncated file";
            return false;
        }
    }

    std::vector<uint8_t> planes;
    try {
        planes.resize(size_t(w) * h * used);
    } catch (const std::bad_alloc&) {
        err = "out of memory";
        return false;
    }
    std::vector<uint8_t> line;
    try {
        line.resize(size_t(rowBytes));
    } catch (const std::bad_alloc&) {
        err = "out of memory";
        return false;
    }
    auto storeLine = [&](uint32_t c, uint32_t y, const uint8_t* src) {
        uint8_t* dst = planes.data() + (size_t(c) * h + y) * w;
        if (bps == 1) {
            std::copy(src, src + w, dst);
        } else {
            for (uint32_t x = 0; x < w; ++x) dst[x] = Scale16(Be16(src + size_t(x) * 2));
        }
    };
    if (compression == 0) {
        for (uint32_t c = 0; c < used; ++c)
            for (uint32_t y = 0; y < h; ++y) storeLine(c, y, d + pos + (uint64_t(c) * h + y) * rowBytes);
    } else {
        const uint8_t* counts = d + pos;
        size_t dataPos = pos + size_t(channels) * h * countSize;
        for (uint32_t c = 0; c < used; ++c) {
            for (uint32_t y = 0; y < h; ++y) {
                const uint8_t* cp = counts + (size_t(c) * h + y) * countSize;
                uint64_t len = big ? Be32(cp) : Be16(cp);
                if (len > n - dataPos) { err = "truncated file"; return false; }
                const uint8_t* s = d + dataPos;
                size_t sp = 0, k = 0;
                while (k < rowBytes) {
                    if (sp >= len) { err = "truncated file"; return false; }
                    int8_t head = int8_t(s[sp++]);
                    if (head >= 0) {
                        size_t count = size_t(head) + 1;
                        if (count > len - sp || count > rowBytes - k) { err = "corrupt PSD run"; return false; }
                        std::copy(s + sp, s + sp + count, line.begin() + k);
                        sp += count;
                        k += count;
                    } else if (head != -128) {
                        size_t count = size_t(1 - head);
                        if (sp >= len || count > rowBytes - k) { err = "corrupt PSD run"; return false; }
                        std::fill(line.begin() + k, line.begin() + k + count, s[sp++]);
                        k += count;
                    }
                }
                storeLine(c, y, line.data());
                dataPos += size_t(len);
            }
        }
    }

    if (!out.Allocate(w, h, err)) return false;
    out.alpha = withAlpha;
    const size_t plane = size_t(w) * h;
    const uint8_t* p0 = planes.data();
    uint32_t* px = reinterpret_cast<uint32_t*>(out.px.get());
    for (size_t i = 0; i < plane; ++i) {
        uint32_t r, g, b, a = withAlpha ? p0[colourChannels * plane + i] : 255;
        switch (mode) {
            case 1:
                r = g = b = p0[i];
                break;
            case 2: {
                uint32_t idx = p0[i];
                r = colourData[idx];
                g = colourData[256 + idx];
                b = colourData[512 + idx];
                break;
            }
            case 3:
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
    return true;
}

}  // namespace cximg
