// Helpers shared by the portable decoders: bounds-checked reads, the one way to fail with a reason,
// and sample scaling.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/cximage/include/ximacore.h"

// For the small per-pixel lambdas of the decoders' pixel loops, which the compiler otherwise may
// leave out of line as a decoder grows.
#if defined(__GNUC__) || defined(__clang__)
#define CXIMG_ALWAYS_INLINE __attribute__((always_inline))
#else
#define CXIMG_ALWAYS_INLINE
#endif

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
// Whether the size itself is allowed is CheckPictureSize's decision; this only guards the products.
inline bool FitsInFile(uint64_t width, uint64_t height, uint64_t minBytesNum, uint64_t minBytesDen,
                       uint64_t available) {
    if (width == 0 || height == 0) return false;
    if (width > UINT64_MAX / height) return false;
    const uint64_t pixels = width * height;
    if (minBytesNum && pixels > UINT64_MAX / minBytesNum) return false;
    return pixels * minBytesNum / minBytesDen <= available;
}

// A decoder gives up with one statement: `return Fail(err, "truncated file");`. The reason is a
// string literal; callers and tests compare it, so each text stays as it is.
inline bool Fail(const char*& err, const char* reason) {
    err = reason;
    return false;
}
// The same after the picture was allocated: the half-decoded pixels are dropped first. (Out of
// line: it sits on the cold paths of the pixel loops.)
bool Fail(const char*& err, const char* reason, Picture& discard);

// Reads a byte buffer front to back with every access checked against its end. A read that does
// not fit gives 0 (or an empty span), leaves the position where it was and marks the reader as
// failed; the mark stays, so a decoder can read a whole header and look at Ok() once.
class Reader {
public:
    Reader() = default;
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    size_t Size() const { return m_size; }
    size_t Pos() const { return m_pos; }
    size_t Remaining() const { return m_size - m_pos; }
    bool AtEnd() const { return !Has(1); }  // the same test as U8's, so a check before a read folds into it
    bool Has(uint64_t count) const { return count <= Remaining(); }
    bool Ok() const { return !m_failed; }
    // Where the next read starts (the bytes from here on are Remaining() long).
    const uint8_t* Here() const { return m_data + m_pos; }
    // The byte at the position plus ahead, or 0 past the end; never fails.
    uint8_t Peek(size_t ahead = 0) const { return ahead < Remaining() ? m_data[m_pos + ahead] : 0; }

    uint8_t U8() { return Has(1) ? m_data[m_pos++] : Miss(); }
    uint16_t Le16() { const uint8_t* p; return Take(2, p) ? cximg::Le16(p) : 0; }
    uint32_t Le32() { const uint8_t* p; return Take(4, p) ? cximg::Le32(p) : 0; }
    uint16_t Be16() { const uint8_t* p; return Take(2, p) ? cximg::Be16(p) : 0; }
    uint32_t Be32() { const uint8_t* p; return Take(4, p) ? cximg::Be32(p) : 0; }
    uint64_t Be64() {
        const uint8_t* p;
        return Take(8, p) ? (uint64_t(cximg::Be32(p)) << 32) | cximg::Be32(p + 4) : 0;
    }

    // Moves past count bytes.
    bool Skip(uint64_t count) {
        if (!Has(count)) return Miss(), false;
        m_pos += size_t(count);
        return true;
    }
    // The next count bytes, which the reader then moves past; bytes is null when they do not fit.
    bool Take(uint64_t count, const uint8_t*& bytes) {
        bytes = nullptr;
        if (!Has(count)) return Miss(), false;
        bytes = m_data + m_pos;
        m_pos += size_t(count);
        return true;
    }
    // The next count bytes as a reader of their own (empty and failed when they do not fit).
    bool Sub(uint64_t count, Reader& part) {
        const uint8_t* bytes;
        if (!Take(count, bytes)) {
            part = Reader();
            part.m_failed = true;
            return false;
        }
        part = Reader(bytes, size_t(count));
        return true;
    }

private:
    uint8_t Miss() {
        m_failed = true;
        return 0;
    }
    const uint8_t* m_data = nullptr;
    size_t m_size = 0, m_pos = 0;
    bool m_failed = false;
};

}  // namespace cximg
