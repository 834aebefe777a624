// Helpers shared by the portable decoders: bounds-checked reads and sample scaling.
#pragma once
#include <cstdint>
#include <cstring>

#include "ximacore.h"

namespace cximg {

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
inline uint16_t Be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]); }

// 16-bit sample to 8 bits, rounded to the nearest value (v / 257).
inline uint8_t Scale16(uint32_t v) { return uint8_t((v + 128) / 257); }
// A sample of 0..maxval to 0..255, rounded.
inline uint8_t ScaleTo8(uint32_t v, uint32_t maxval) {
    if (v >= maxval) return 255;
    return uint8_t((uint64_t(v) * 255 + maxval / 2) / maxval);
}

inline void PutPixel(uint8_t* p, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    p[0] = b; p[1] = g; p[2] = r; p[3] = a;
}

// Refuses a picture whose pixel data cannot fit in what is left of the file: every encoded pixel
// needs at least minBytesNum / minBytesDen bytes (for run-length coding, the best possible ratio).
inline bool FitsInFile(uint64_t width, uint64_t height, uint64_t minBytesNum, uint64_t minBytesDen,
                       uint64_t available) {
    if (width == 0 || height == 0) return false;
    uint64_t pixels = width * height;
    if (pixels > kMaxPixels) return false;
    return pixels * minBytesNum / minBytesDen <= available;
}

}  // namespace cximg
