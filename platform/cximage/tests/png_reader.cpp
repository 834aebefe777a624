// Written straight from the PNG and deflate formats, sharing nothing with the encoder: its own
// CRC, Adler-32, Huffman decoding and unfiltering, so an encoder fault cannot hide in both.
#include "platform/cximage/tests/png_reader.h"

#include <cstdlib>
#include <cstring>

namespace cxtest {

namespace {

uint32_t CrcOf(const uint8_t* p, size_t n) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

uint32_t AdlerOf(const std::vector<uint8_t>& v) {
    uint32_t a = 1, b = 0;
    for (uint8_t x : v) {
        a = (a + x) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

class BitReader {
public:
    BitReader(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
    // Reads count bits, least significant first; sets the overrun flag past the end.
    uint32_t Bits(int count) {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i) {
            if (m_pos >= m_n * 8) {
                m_overrun = true;
                return 0;
            }
            v |= uint32_t((m_p[m_pos >> 3] >> (m_pos & 7)) & 1) << i;
            ++m_pos;
        }
        return v;
    }
    void Align() { m_pos = (m_pos + 7) & ~size_t(7); }
    size_t BytePos() const { return m_pos >> 3; }
    void SkipBytes(size_t n) { m_pos += n * 8; }
    bool Overrun() const { return m_overrun || m_pos > m_n * 8; }
    const uint8_t* Data() const { return m_p; }
    size_t Size() const { return m_n; }

private:
    const uint8_t* m_p;
    size_t m_n, m_pos = 0;
    bool m_overrun = false;
};

// Canonical Huffman decoding by code length: counts per length and symbols in code order.
struct Huffman {
    int count[16] = {};
    std::vector<int> symbols;
    // False when the lengths over-subscribe the code space (an incomplete code is accepted only
    // for a single used symbol, as inflaters do for distance codes).
    bool Build(const uint8_t* lens, int n) {
        symbols.assign(size_t(n), 0);
        std::memset(count, 0, sizeof count);
        for (int i = 0; i < n; ++i) ++count[lens[i]];
        count[0] = 0;
        int left = 1;
        for (int len = 1; len < 16; ++len) {
            left = left * 2 - count[len];
            if (left < 0) return false;
        }
        int offs[16] = {};
        for (int len = 1; len < 15; ++len) offs[len + 1] = offs[len] + count[len];
        for (int i = 0; i < n; ++i)
            if (lens[i]) symbols[size_t(offs[lens[i]]++)] = i;
        return true;
    }
    int Decode(BitReader& br) const {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= int(br.Bits(1));
            if (br.Overrun()) return -1;
            const int c = count[len];
            if (code - c < first) return symbols[size_t(index + code - first)];
            index += c;
            first = (first + c) << 1;
            code <<= 1;
        }
        return -1;
    }
};

const uint16_t kLenBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool Codes(BitReader& br, const Huffman& lit, const Huffman& dist, std::vector<uint8_t>& out, std::string& why) {
    for (;;) {
        const int sym = lit.Decode(br);
        if (sym < 0) return why = "bad literal/length code", false;
        if (sym < 256) {
            out.push_back(uint8_t(sym));
        } else if (sym == 256) {
            return true;
        } else {
            if (sym > 285) return why = "literal/length symbol " + std::to_string(sym), false;
            const size_t len = kLenBase[sym - 257] + br.Bits(kLenExtra[sym - 257]);
            const int d = dist.Decode(br);
            if (d < 0 || d > 29) return why = "bad distance code", false;
            const size_t back = kDistBase[d] + br.Bits(kDistExtra[d]);
            if (br.Overrun()) return why = "stream ends inside a match", false;
            if (back > 32768) return why = "distance beyond the window", false;
            if (back > out.size()) return why = "distance before the stream's start", false;
            for (size_t i = 0; i < len; ++i) out.push_back(out[out.size() - back]);
        }
    }
}

}  // namespace

bool Inflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& why) {
    out.clear();
    if (size < 6) return why = "zlib stream too short", false;
    if ((data[0] & 0x0F) != 8 || (data[0] >> 4) > 7 || ((data[0] << 8) | data[1]) % 31 || (data[1] & 0x20))
        return why = "bad zlib header", false;
    BitReader br(data + 2, size - 2);
    for (bool final = false; !final;) {
        final = br.Bits(1);
        const uint32_t type = br.Bits(2);
        if (br.Overrun()) return why = "stream ends before the final block", false;
        if (type == 0) {
            br.Align();
            const size_t p = br.BytePos();
            if (p + 4 > br.Size()) return why = "stored block header cut", false;
            const uint8_t* h = br.Data() + p;
            const uint32_t len = h[0] | h[1] << 8, nlen = h[2] | h[3] << 8;
            if ((len ^ 0xFFFF) != nlen) return why = "stored block length check", false;
            if (p + 4 + len > br.Size()) return why = "stored block cut", false;
            out.insert(out.end(), h + 4, h + 4 + len);
            br.SkipBytes(4 + len);
        } else if (type == 1) {
            uint8_t lens[288 + 30];
            for (int i = 0; i < 288; ++i) lens[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
            for (int i = 0; i < 30; ++i) lens[288 + i] = 5;
            Huffman lit, dist;
            lit.Build(lens, 288);
            dist.Build(lens + 288, 30);
            if (!Codes(br, lit, dist, out, why)) return false;
        } else if (type == 2) {
            const int hlit = int(br.Bits(5)) + 257, hdist = int(br.Bits(5)) + 1, hclen = int(br.Bits(4)) + 4;
            static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
            uint8_t clLens[19] = {};
            for (int i = 0; i < hclen; ++i) clLens[order[i]] = uint8_t(br.Bits(3));
            Huffman cl;
            if (!cl.Build(clLens, 19)) return why = "bad code-length code", false;
            uint8_t lens[286 + 30] = {};
            for (int i = 0; i < hlit + hdist;) {
                const int sym = cl.Decode(br);
                if (sym < 0) return why = "bad code-length symbol", false;
                if (sym < 16) {
                    lens[i++] = uint8_t(sym);
                    continue;
                }
                int repeat;
                uint8_t value = 0;
                if (sym == 16) {
                    if (i == 0) return why = "repeat with no previous length", false;
                    value = lens[i - 1];
                    repeat = 3 + int(br.Bits(2));
                } else {
                    repeat = sym == 17 ? 3 + int(br.Bits(3)) : 11 + int(br.Bits(7));
                }
                if (i + repeat > hlit + hdist) return why = "code lengths overrun", false;
                while (repeat--) lens[i++] = value;
            }
            if (!lens[256]) return why = "no end-of-block code", false;
            Huffman lit, dist;
            if (!lit.Build(lens, hlit) || !dist.Build(lens + hlit, hdist)) return why = "over-subscribed code", false;
            if (!Codes(br, lit, dist, out, why)) return false;
        } else {
            return why = "block type 3", false;
        }
    }
    br.Align();
    const size_t p = br.BytePos();
    if (p + 4 > br.Size()) return why = "Adler-32 missing", false;
    if (Be32(br.Data() + p) != AdlerOf(out)) return why = "Adler-32 differs", false;
    if (p + 4 != br.Size()) return why = "bytes after the zlib stream", false;
    return true;
}

bool ReadPng(const uint8_t* data, size_t size, PngImage& img, std::string& why) {
    if (size < 8 || std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) != 0) return why = "no PNG signature", false;
    std::vector<uint8_t> idat;
    bool header = false, end = false;
    int colourType = 0;
    for (size_t p = 8; !end;) {
        if (p + 12 > size) return why = "chunk cut", false;
        const uint32_t len = Be32(data + p);
        if (len > size - p - 12) return why = "chunk length beyond the file", false;
        const uint8_t* type = data + p + 4;
        if (Be32(data + p + 8 + len) != CrcOf(type, len + 4)) return why = "CRC of " + std::string(reinterpret_cast<const char*>(type), 4), false;
        const uint8_t* body = data + p + 8;
        if (!std::memcmp(type, "IHDR", 4)) {
            if (len != 13) return why = "IHDR length", false;
            img.width = Be32(body);
            img.height = Be32(body + 4);
            colourType = body[9];
            if (body[8] != 8 || (colourType != 2 && colourType != 6) || body[10] || body[11] || body[12])
                return why = "not 8-bit RGB or RGBA without interlacing", false;
            header = true;
        } else if (!std::memcmp(type, "IDAT", 4)) {
            idat.insert(idat.end(), body, body + len);
        } else if (!std::memcmp(type, "IEND", 4)) {
            end = true;
            if (p + 12 + len != size) return why = "bytes after IEND", false;
        }
        p += 12 + len;
    }
    if (!header || !img.width || !img.height) return why = "no IHDR", false;
    if (!Inflate(idat.data(), idat.size(), img.filtered, why)) return false;
    img.alpha = colourType == 6;
    const size_t bpp = img.alpha ? 4 : 3, rowBytes = size_t(img.width) * bpp;
    if (img.filtered.size() != (rowBytes + 1) * img.height) return why = "inflated size differs from the picture's", false;
    std::vector<uint8_t> prev(rowBytes, 0), cur(rowBytes);
    img.rgba.assign(size_t(img.width) * img.height * 4, 255);
    for (uint32_t y = 0; y < img.height; ++y) {
        const uint8_t* in = &img.filtered[y * (rowBytes + 1)];
        const int f = in[0];
        if (f > 4) return why = "filter type " + std::to_string(f), false;
        for (size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
            int pred = 0;
            switch (f) {
                case 1: pred = a; break;
                case 2: pred = b; break;
                case 3: pred = (a + b) / 2; break;
                case 4: {
                    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                    pred = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    break;
                }
                default: break;
            }
            cur[i] = uint8_t(in[1 + i] + pred);
        }
        for (uint32_t x = 0; x < img.width; ++x)
            std::memcpy(&img.rgba[(size_t(y) * img.width + x) * 4], &cur[x * bpp], bpp);
        std::swap(cur, prev);
    }
    return true;
}

}  // namespace cxtest
