// Deflate (RFC 1951) compression tuned for speed on filtered picture rows.
//
// Input comes in pieces that are in memory whole; each piece's matches may reach into the 32 KB
// before it, so pieces compressed on different threads join into one stream.
//
// Parsing is greedy: at each position one hash-table entry (the last position with the same four
// bytes) is checked, and the match is extended up to 258 bytes. After a long stretch without
// matches the parser looks at fewer positions, which keeps noisy photographs fast. Each block of
// up to 64K symbols gets its own Huffman codes, or is stored when that is smaller.
#include "platform/cximage/src/deflate.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/cximage/src/simd.h"

namespace cximg {

// ---------------------------------------------------------------------------------------------
// Checksums

namespace {

struct CrcTables {
    uint32_t t[8][256];
    CrcTables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
};

const CrcTables& Crc() {
    static const CrcTables tables;
    return tables;
}

}  // namespace

uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n) {
    const CrcTables& T = Crc();
    uint32_t c = ~crc;
    while (n >= 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= c;  // little-endian hosts only (x86-64 and ARM64 Windows)
        c = T.t[7][lo & 0xFF] ^ T.t[6][(lo >> 8) & 0xFF] ^ T.t[5][(lo >> 16) & 0xFF] ^ T.t[4][lo >> 24] ^
            T.t[3][hi & 0xFF] ^ T.t[2][(hi >> 8) & 0xFF] ^ T.t[1][(hi >> 16) & 0xFF] ^ T.t[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n--) c = T.t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return ~c;
}

namespace {

constexpr uint32_t kAdlerMod = 65521;
constexpr size_t kAdlerBlock = 5552;  // the most bytes before the sums can overflow 32 bits

uint32_t Adler32Scalar(uint32_t adler, const uint8_t* p, size_t n) {
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    while (n) {
        size_t k = std::min(n, kAdlerBlock);
        n -= k;
        while (k--) {
            a += *p++;
            b += a;
        }
        a %= kAdlerMod;
        b %= kAdlerMod;
    }
    return a | (b << 16);
}

#if CXIMG_X86
CXIMG_AVX2 uint32_t Adler32Avx2(uint32_t adler, const uint8_t* p, size_t n) {
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15,
                                             14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1), zero = _mm256_setzero_si256();
    while (n >= 32) {
        size_t blocks = std::min(n, kAdlerBlock) / 32;
        n -= blocks * 32;
        __m256i vs1 = _mm256_setzero_si256(), vs2 = _mm256_setzero_si256(), vs1acc = _mm256_setzero_si256();
        for (size_t i = 0; i < blocks; ++i, p += 32) {
            __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            vs1acc = _mm256_add_epi32(vs1acc, vs1);  // every earlier block's sum counts 32 more times
            vs1 = _mm256_add_epi32(vs1, _mm256_sad_epu8(v, zero));
            vs2 = _mm256_add_epi32(vs2, _mm256_madd_epi16(_mm256_maddubs_epi16(v, weights), ones));
        }
        vs2 = _mm256_add_epi32(vs2, _mm256_slli_epi32(vs1acc, 5));
        alignas(32) uint32_t s1[8], s2[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(s1), vs1);
        _mm256_store_si256(reinterpret_cast<__m256i*>(s2), vs2);
        uint64_t sum1 = 0, sum2 = 0;
        for (int i = 0; i < 8; ++i) {
            sum1 += s1[i];
            sum2 += s2[i];
        }
        b = uint32_t((b + uint64_t(a) * 32 * blocks + sum2) % kAdlerMod);
        a = uint32_t((a + sum1) % kAdlerMod);
    }
    return Adler32Scalar(a | (b << 16), p, n);
}
#endif

}  // namespace

uint32_t Adler32(uint32_t adler, const uint8_t* p, size_t n) {
#if CXIMG_X86
    if (HaveAvx2()) return Adler32Avx2(adler, p, n);
#endif
    return Adler32Scalar(adler, p, n);
}

uint32_t Adler32Combine(uint32_t first, uint32_t second, uint64_t secondLength) {
    // Run over the second piece from the first one's sums (a1, b1) instead of from (1, 0): a grows
    // by the same byte sum, a2 - 1; b by the second piece's own b2 and by a1 - 1 for every byte.
    const uint32_t a1 = first & 0xFFFF, b1 = first >> 16, a2 = second & 0xFFFF, b2 = second >> 16;
    const uint32_t n = uint32_t(secondLength % kAdlerMod);
    const uint32_t a = (a1 + a2 + kAdlerMod - 1) % kAdlerMod;
    const uint32_t b = uint32_t((uint64_t(b1) + b2 + uint64_t(n) * ((a1 + kAdlerMod - 1) % kAdlerMod)) % kAdlerMod);
    return a | (b << 16);
}

bool ByteSink::Reserve(size_t n) {
    if (m_capacity - m_size >= n) return true;
    size_t cap = std::max<size_t>(m_capacity * 2, 1 << 16);
    while (cap - m_size < n) cap *= 2;
    void* p = std::realloc(m_data, cap);
    if (!p) return false;
    m_data = static_cast<uint8_t*>(p);
    m_capacity = cap;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Huffman codes

namespace {

constexpr int kLitLenCodes = 286, kDistCodes = 30, kClCodes = 19;

struct LengthCode {
    uint16_t code;   // 257..285
    uint8_t extraBits;
    uint16_t extra;  // value of the extra bits
};

struct Tables {
    LengthCode len[259];
    uint8_t distCode[512];
    uint16_t distBase[30];
    uint8_t distExtra[30];
    Tables() {
        static const uint16_t lenBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                                             35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const uint8_t lenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        for (int c = 0; c < 29; ++c) {
            int top = c == 28 ? 258 : lenBase[c] + (1 << lenExtra[c]) - 1;
            if (c == 27) top = 257;
            for (int l = lenBase[c]; l <= top; ++l) len[l] = LengthCode{uint16_t(257 + c), lenExtra[c], uint16_t(l - lenBase[c])};
        }
        static const uint16_t dBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
                                           257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const uint8_t dExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (int c = 0; c < 30; ++c) {
            distBase[c] = dBase[c];
            distExtra[c] = dExtra[c];
            int top = dBase[c] + (1 << dExtra[c]) - 1;
            for (int dist = dBase[c]; dist <= top; ++dist) {
                if (dist <= 256) distCode[dist - 1] = uint8_t(c);
                else distCode[256 + ((dist - 1) >> 7)] = uint8_t(c);
            }
        }
    }
    int DistCode(uint32_t dist) const { return dist <= 256 ? distCode[dist - 1] : distCode[256 + ((dist - 1) >> 7)]; }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

// Code lengths of an optimal prefix code limited to maxLen bits. Every code gets at least two
// symbols so that decoders see a complete code.
void BuildLengths(const uint32_t* freq, int n, int maxLen, uint8_t* lens) {
    std::fill(lens, lens + n, 0);
    struct Leaf {
        uint32_t freq;
        int sym;
    };
    Leaf leaves[kLitLenCodes];
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (freq[i]) leaves[count++] = Leaf{freq[i], i};
    for (int i = 0; count < 2 && i < n; ++i)
        if (!freq[i]) leaves[count++] = Leaf{0, i};
    std::sort(leaves, leaves + count, [](const Leaf& a, const Leaf& b) {
        return a.freq != b.freq ? a.freq < b.freq : a.sym < b.sym;
    });
    // Two-queue Huffman construction: leaves in order, then internal nodes in creation order.
    uint64_t weight[2 * kLitLenCodes];
    int parent[2 * kLitLenCodes];
    for (int i = 0; i < count; ++i) weight[i] = leaves[i].freq;
    int nextLeaf = 0, nextNode = count, made = count;
    auto takeSmallest = [&]() {
        if (nextLeaf < count && (nextNode >= made || weight[nextLeaf] <= weight[nextNode])) return nextLeaf++;
        return nextNode++;
    };
    while (made < 2 * count - 1) {
        int a = takeSmallest(), b = takeSmallest();
        weight[made] = weight[a] + weight[b];
        parent[a] = parent[b] = made;
        ++made;
    }
    int depth[2 * kLitLenCodes];
    depth[made - 1] = 0;
    for (int i = made - 2; i >= 0; --i) depth[i] = depth[parent[i]] + 1;
    // Count leaves per length; leaves deeper than the limit are put at the limit, which makes the
    // code over-full. The Kraft sum in units of 2^-maxLen tells by how much: a complete code sums
    // to exactly 2^maxLen.
    int blCount[64] = {0};
    for (int i = 0; i < count; ++i) ++blCount[std::min(depth[i], maxLen)];
    uint64_t kraft = 0;
    for (int len = 1; len <= maxLen; ++len) kraft += uint64_t(blCount[len]) << (maxLen - len);
    const uint64_t full = uint64_t(1) << maxLen;
    // Each step takes a leaf of the longest length below the limit and hangs it, with one leaf from
    // the limit, one level deeper: the sum drops by exactly one unit.
    while (kraft > full) {
        int bits = maxLen - 1;
        while (blCount[bits] == 0) --bits;
        --blCount[bits];
        blCount[bits + 1] += 2;
        --blCount[maxLen];
        --kraft;
    }
    // The least frequent symbols get the longest codes.
    int idx = 0;
    for (int len = maxLen; len >= 1; --len)
        for (int k = 0; k < blCount[len]; ++k) lens[leaves[idx++].sym] = uint8_t(len);
}

// Canonical codes, bit-reversed for writing least significant bit first.
void BuildCodes(const uint8_t* lens, int n, uint16_t* codes) {
    int blCount[16] = {0};
    for (int i = 0; i < n; ++i) ++blCount[lens[i]];
    blCount[0] = 0;
    int next[16];
    int code = 0;
    for (int bits = 1; bits < 16; ++bits) {
        code = (code + blCount[bits - 1]) << 1;
        next[bits] = code;
    }
    for (int i = 0; i < n; ++i) {
        int len = lens[i];
        if (!len) {
            codes[i] = 0;
            continue;
        }
        uint32_t c = uint32_t(next[len]++), r = 0;
        for (int b = 0; b < len; ++b) r |= ((c >> b) & 1u) << (len - 1 - b);
        codes[i] = uint16_t(r);
    }
}

// Writes codes least significant bit first. Each Put stores eight bytes and moves on by the whole
// bytes it filled, without a branch: the output needs 8 bytes of room beyond what it keeps.
class BitWriter {
public:
    explicit BitWriter(uint8_t* out) : m_out(out) {}
    void Put(uint64_t bits, unsigned count) {  // count <= 56
        m_acc |= bits << m_bits;
        m_bits += count;
        std::memcpy(m_out, &m_acc, 8);  // little-endian hosts only (x86-64 and ARM64 Windows)
        const unsigned whole = m_bits & ~7u;  // at most 56: m_bits stays below 8 + 56
        m_out += whole >> 3;
        m_acc >>= whole;
        m_bits -= whole;
    }
    // Writes out the last bits, the last byte padded with zero bits.
    void AlignToByte() {
        if (m_bits) *m_out++ = uint8_t(m_acc);
        m_acc = 0;
        m_bits = 0;
    }
    uint8_t* Out() { return m_out; }
    void SetOut(uint8_t* p) { m_out = p; }

private:
    uint8_t* m_out;
    uint64_t m_acc = 0;
    unsigned m_bits = 0;  // below 8 between calls
};

// One symbol of the parse: a literal (len 0) or a match.
struct Symbol {
    uint16_t litOrLen;  // literal byte, or match length 3..258
    uint16_t dist;      // 0 for a literal
};

constexpr int kClOrder[kClCodes] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// ---------------------------------------------------------------------------------------------
// Writing one block

// One item of the code-length sequence in a dynamic block's header: a length (0..15) or a run
// (16 repeats the previous length, 17 and 18 repeat zero) with its extra bits.
struct ClItem {
    uint8_t sym, extraBits, extra;
};

// The code lengths of both codes as the header carries them, with runs; returns the item count.
int RleLengths(const uint8_t* lens, int n, ClItem* items) {
    int count = 0;
    for (int i = 0; i < n;) {
        uint8_t v = lens[i];
        int run = 1;
        while (i + run < n && lens[i + run] == v) ++run;
        if (v == 0 && run >= 3) {
            int left = run;
            while (left >= 3) {
                if (left >= 11) {
                    int k = std::min(left, 138);
                    items[count++] = ClItem{18, 7, uint8_t(k - 11)};
                    left -= k;
                } else {
                    int k = std::min(left, 10);
                    items[count++] = ClItem{17, 3, uint8_t(k - 3)};
                    left -= k;
                }
            }
            for (int k = 0; k < left; ++k) items[count++] = ClItem{0, 0, 0};
        } else if (v != 0 && run >= 4) {
            items[count++] = ClItem{v, 0, 0};
            int left = run - 1;
            while (left >= 3) {
                int k = std::min(left, 6);
                items[count++] = ClItem{16, 2, uint8_t(k - 3)};
                left -= k;
            }
            for (int k = 0; k < left; ++k) items[count++] = ClItem{v, 0, 0};
        } else {
            for (int k = 0; k < run; ++k) items[count++] = ClItem{v, 0, 0};
        }
        i += run;
    }
    return count;
}

// The Huffman codes of one dynamic block and the header's description of them.
struct DynamicCodes {
    uint8_t litLens[kLitLenCodes], distLens[kDistCodes], clLens[kClCodes];
    int hlit, hdist, hclen;  // code lengths the header sends of each code
    ClItem items[kLitLenCodes + kDistCodes];
    int nItems;
};

// Code lengths from the block's symbol counts, then the code-length code that sends them.
void PlanDynamicCodes(const uint32_t* litFreq, const uint32_t* distFreq, DynamicCodes& c) {
    BuildLengths(litFreq, kLitLenCodes, 15, c.litLens);
    BuildLengths(distFreq, kDistCodes, 15, c.distLens);
    c.hlit = kLitLenCodes;
    c.hdist = kDistCodes;
    while (c.hlit > 257 && !c.litLens[c.hlit - 1]) --c.hlit;
    while (c.hdist > 1 && !c.distLens[c.hdist - 1]) --c.hdist;
    uint8_t all[kLitLenCodes + kDistCodes];
    std::copy(c.litLens, c.litLens + c.hlit, all);
    std::copy(c.distLens, c.distLens + c.hdist, all + c.hlit);
    c.nItems = RleLengths(all, c.hlit + c.hdist, c.items);
    uint32_t clFreq[kClCodes] = {0};
    for (int i = 0; i < c.nItems; ++i) ++clFreq[c.items[i].sym];
    BuildLengths(clFreq, kClCodes, 7, c.clLens);
    c.hclen = kClCodes;
    while (c.hclen > 4 && !c.clLens[kClOrder[c.hclen - 1]]) --c.hclen;
}

// Size in bits of the block written with these codes.
uint64_t DynamicBlockBits(const DynamicCodes& c, const uint32_t* litFreq, const uint32_t* distFreq) {
    const Tables& tables = T();
    uint64_t bits = 3 + 5 + 5 + 4 + 3 * uint64_t(c.hclen);
    for (int i = 0; i < c.nItems; ++i) bits += c.clLens[c.items[i].sym] + c.items[i].extraBits;
    for (int s = 0; s < kLitLenCodes; ++s) bits += uint64_t(litFreq[s]) * c.litLens[s];
    for (int k = 0; k < 29; ++k) bits += uint64_t(litFreq[257 + k]) * (k >= 8 && k < 28 ? (k - 4) / 4 : 0);
    for (int k = 0; k < kDistCodes; ++k) bits += uint64_t(distFreq[k]) * (c.distLens[k] + tables.distExtra[k]);
    return bits;
}

// Size in bits of raw bytes as stored blocks (header, padding, lengths), with the byte that
// aligning may add.
uint64_t StoredBlockBits(size_t raw) { return uint64_t(raw) * 8 + (raw / 65535 + 1) * 40 + 8; }

// Stored blocks of at most 65535 bytes each; only the last one of the stream is marked final.
void WriteStoredBlocks(BitWriter& bw, const uint8_t* in, size_t size, bool final) {
    size_t p = 0;
    do {
        size_t k = std::min<size_t>(65535, size - p);
        bool last = final && p + k == size;
        bw.Put(last ? 1 : 0, 1);
        bw.Put(0, 2);
        bw.AlignToByte();
        uint8_t* o = bw.Out();
        o[0] = uint8_t(k);
        o[1] = uint8_t(k >> 8);
        o[2] = uint8_t(~k);
        o[3] = uint8_t((~k) >> 8);
        if (k) std::memcpy(o + 4, in + p, k);  // (in may be null for no input)
        bw.SetOut(o + 4 + k);
        p += k;
    } while (p < size);
}

// Block type, the three counts, the code-length code and the code lengths of both codes.
void WriteDynamicHeader(BitWriter& bw, const DynamicCodes& c, bool final) {
    uint16_t clCodes[kClCodes];
    BuildCodes(c.clLens, kClCodes, clCodes);
    bw.Put(final ? 1 : 0, 1);
    bw.Put(2, 2);  // dynamic Huffman codes
    bw.Put(uint32_t(c.hlit - 257), 5);
    bw.Put(uint32_t(c.hdist - 1), 5);
    bw.Put(uint32_t(c.hclen - 4), 4);
    for (int i = 0; i < c.hclen; ++i) bw.Put(c.clLens[kClOrder[i]], 3);
    for (int i = 0; i < c.nItems; ++i) {
        bw.Put(clCodes[c.items[i].sym], c.clLens[c.items[i].sym]);
        if (c.items[i].extraBits) bw.Put(c.items[i].extra, c.items[i].extraBits);
    }
}

// The block's literals and length-distance pairs, then the end-of-block code.
void WriteSymbols(BitWriter& bw, const Symbol* syms, size_t count, const DynamicCodes& c) {
    const Tables& tables = T();
    uint16_t litCodes[kLitLenCodes], distCodes[kDistCodes];
    BuildCodes(c.litLens, kLitLenCodes, litCodes);
    BuildCodes(c.distLens, kDistCodes, distCodes);
    // One entry per literal (0..255) and per match length (256 + 3..258): the code, a length's
    // extra bits above it, and the bit count in the top byte.
    uint32_t entry[256 + 259];
    for (int s = 0; s < 256; ++s) entry[s] = uint32_t(litCodes[s]) | (uint32_t(c.litLens[s]) << 24);
    for (int len = 3; len <= 258; ++len) {
        const LengthCode& lc = tables.len[len];
        entry[256 + len] = (uint32_t(litCodes[lc.code]) | (uint32_t(lc.extra) << c.litLens[lc.code])) |
                           (uint32_t(c.litLens[lc.code] + lc.extraBits) << 24);
    }
    // Literals and matches take the same steps, the distance bits masked away for a literal: on
    // photographs the two alternate unpredictably, and a branch between them would often miss.
    for (size_t i = 0; i < count; ++i) {
        const Symbol s = syms[i];
        const uint64_t match = uint64_t(0) - uint64_t(s.dist != 0);
        const uint32_t e = entry[s.litOrLen + (uint32_t(match) & 256)];
        const unsigned bits = e >> 24;
        const uint32_t dist = s.dist | uint32_t(s.dist == 0);
        const int dc = tables.DistCode(dist);
        const uint64_t dv = distCodes[dc] | (uint64_t(dist - tables.distBase[dc]) << c.distLens[dc]);
        const unsigned dbits = c.distLens[dc] + tables.distExtra[dc];
        // At most 15 + 5 + 15 + 13 bits.
        bw.Put((e & 0xFFFFFF) | ((dv << bits) & match), bits + (dbits & unsigned(match)));
    }
    bw.Put(litCodes[256], c.litLens[256]);
}

// ---------------------------------------------------------------------------------------------
// Matching and the compressor

// Length of the common prefix of a and b, known to be at least len, at most maxLen.
size_t ExtendMatch(const uint8_t* a, const uint8_t* b, size_t len, size_t maxLen) {
    while (len + 8 <= maxLen) {
        uint64_t x, y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        if (uint64_t d = x ^ y) return len + size_t(__builtin_ctzll(d) >> 3);
        len += 8;
    }
    while (len < maxLen && a[len] == b[len]) ++len;
    return len;
}

#if CXIMG_X86
// The same 32 bytes at a time: long runs (a whitened page) are compared in a few steps.
CXIMG_AVX2 size_t ExtendMatchAvx2(const uint8_t* a, const uint8_t* b, size_t len, size_t maxLen) {
    while (len + 32 <= maxLen) {
        __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + len));
        __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + len));
        uint32_t same = uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, y)));
        if (same != 0xFFFFFFFFu) return len + size_t(__builtin_ctz(~same));
        len += 32;
    }
    return ExtendMatch(a, b, len, maxLen);
}
#endif

// Compresses pieces of input that are in memory whole, each after the window of the bytes before it.
class Deflater {
public:
    Deflater() {
#if CXIMG_X86
        if (HaveAvx2()) m_parse = &Deflater::ParseAvx2;
#endif
    }

    bool Init() {
        m_table.reset(new (std::nothrow) uint32_t[kHashSize]);
        m_symbols.reset(new (std::nothrow) Symbol[kMaxSymbols]);
        return m_table && m_symbols;
    }

    // Deflate blocks of in[start, end) into out, matches reaching back into in[start - 32K, start).
    bool Compress(const uint8_t* in, size_t start, size_t end, bool last, ByteSink& out) {
        m_in = in;
        m_end = end;
        m_out = &out;
        m_bw = BitWriter(nullptr);
        m_misses = 0;
        // Small pieces use the first entries of the table only: clearing all of it would cost more
        // than compressing them.
        const size_t from = start > kWindow ? start - kWindow : 0;
        int bits = 10;
        while (bits < kHashBits && (size_t(1) << bits) < end - from) ++bits;
        m_shift = 32 - bits;
        std::fill(m_table.get(), m_table.get() + (size_t(1) << bits), 0u);
        // The window: every position of the last 32 KB before the piece, oldest first, so the
        // table holds the nearest position of each hash as parsing would have left it.
        IndexWindow(from, end >= 3 ? std::min(start, end - 3) : from);
        m_pos = start;
        StartBlock();
        const size_t matchLimit = end >= 8 ? end - 8 : 0;  // room for 8-byte compares
        while (m_pos < end) {
            (this->*m_parse)(matchLimit);
            if (m_count + 1 >= kMaxSymbols || m_pos - m_blockStart >= kMaxBlockBytes) {
                if (m_pos == end) break;  // the block ends the piece: written below
                if (!EmitBlock(false)) return false;
                StartBlock();
            }
        }
        if (!EmitBlock(last) || !out.Reserve(16)) return false;
        m_bw.SetOut(out.End());
        if (!last) {  // an empty stored block: ends the output on a byte boundary
            m_bw.Put(0, 3);
            m_bw.AlignToByte();
            static const uint8_t kEmptyStored[4] = {0x00, 0x00, 0xFF, 0xFF};
            std::memcpy(m_bw.Out(), kEmptyStored, 4);
            m_bw.SetOut(m_bw.Out() + 4);
        } else {
            m_bw.AlignToByte();
        }
        out.Advance(size_t(m_bw.Out() - out.End()));
        return true;
    }

private:
    static constexpr int kHashBits = 16;
    static constexpr size_t kHashSize = size_t(1) << kHashBits;
    static constexpr size_t kMaxSymbols = 1 << 16;
    static constexpr size_t kMaxBlockBytes = 1 << 18;
    static constexpr uint32_t kWindow = 32768;

    static uint32_t Load32(const uint8_t* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    static uint64_t Load64(const uint8_t* p) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }
    uint32_t Hash(uint32_t v) const { return (v * 2654435761u) >> m_shift; }

    // Enters positions [from, to) into the table, in order. Where the bytes repeat with a period
    // of four (a run of one byte, a run of one RGBA colour) each position's four bytes are those
    // of the position four further on, which overwrites the same entry later: such stretches are
    // passed over twelve positions at a time, and the table ends as if every position was entered.
    void IndexWindow(size_t from, size_t to) {
        const uint8_t* in = m_in;
        uint32_t* table = m_table.get();
        size_t p = from;
        while (p < to) {
            if (p + 16 < to && Load64(in + p) == Load64(in + p + 4) && Load64(in + p + 8) == Load64(in + p + 12)) {
                p += 12;  // in[p + i] == in[p + i + 4] for i < 16: positions p..p+11 repeat p+4..p+15
                continue;
            }
            table[Hash(Load32(in + p))] = uint32_t(p + 1);
            ++p;
        }
    }

    void StartBlock() {
        std::fill(std::begin(m_litFreq), std::end(m_litFreq), 0u);
        std::fill(std::begin(m_distFreq), std::end(m_distFreq), 0u);
        m_count = 0;
        m_blockStart = m_pos;
    }

    // Greedy parse from m_pos up to the piece's end, the block's input budget or a full symbol
    // buffer. Matches start before matchLimit and end by the piece's end.
    template <size_t (*Extend)(const uint8_t*, const uint8_t*, size_t, size_t)>
    [[gnu::always_inline]] inline void Parse(size_t matchLimit) {
        size_t pos = m_pos;
        const size_t end = std::min(m_end, m_blockStart + kMaxBlockBytes);
        const uint8_t* in = m_in;
        const Tables& tables = T();
        uint32_t* table = m_table.get();
        Symbol* syms = m_symbols.get();
        size_t count = m_count;
        uint32_t misses = m_misses;
        while (pos < end && count + 1 < kMaxSymbols) {
            if (pos < matchLimit) {
                uint32_t v = Load32(in + pos);
                uint32_t h = Hash(v);
                uint32_t cand = table[h];
                table[h] = uint32_t(pos + 1);
                if (cand && pos + 1 - cand <= kWindow && Load32(in + cand - 1) == v) {
                    size_t ref = cand - 1;
                    size_t len = Extend(in + pos, in + ref, 4, std::min<size_t>(258, m_end - pos));
                    uint32_t dist = uint32_t(pos - ref);
                    syms[count++] = Symbol{uint16_t(len), uint16_t(dist)};
                    ++m_litFreq[tables.len[len].code];
                    ++m_distFreq[tables.DistCode(dist)];
                    // Index the match's last position so runs continue into the next match.
                    if (pos + len - 1 < matchLimit) table[Hash(Load32(in + pos + len - 1))] = uint32_t(pos + len);
                    pos += len;
                    misses = 0;
                    continue;
                }
                // No match: after many misses in a row, look at fewer positions.
                ++misses;
                size_t step = 1 + (misses >> 6);
                if (step > 1) {
                    size_t stop = std::min({pos + std::min<size_t>(step, 32), end, pos + (kMaxSymbols - 1 - count)});
                    for (; pos < stop; ++pos) {
                        syms[count++] = Symbol{in[pos], 0};
                        ++m_litFreq[in[pos]];
                    }
                    continue;
                }
            }
            syms[count++] = Symbol{in[pos], 0};
            ++m_litFreq[in[pos]];
            ++pos;
        }
        m_count = count;
        m_misses = misses;
        m_pos = pos;
    }

    // Ends the open block, which holds the input from m_blockStart to m_pos: dynamic Huffman
    // codes, or stored when that is smaller.
    bool EmitBlock(bool final) {
        ++m_litFreq[256];  // the end-of-block code
        DynamicCodes codes;
        PlanDynamicCodes(m_litFreq, m_distFreq, codes);
        const uint64_t dynamicBits = DynamicBlockBits(codes, m_litFreq, m_distFreq);
        const uint64_t storedBits = StoredBlockBits(m_pos - m_blockStart);
        if (!m_out->Reserve(size_t(std::min(dynamicBits, storedBits) / 8) + 64)) return false;
        m_bw.SetOut(m_out->End());
        if (storedBits < dynamicBits) {
            WriteStoredBlocks(m_bw, m_in + m_blockStart, m_pos - m_blockStart, final);
        } else {
            WriteDynamicHeader(m_bw, codes, final);
            WriteSymbols(m_bw, m_symbols.get(), m_count, codes);
        }
        // Bits that do not fill a byte stay in the writer.
        m_out->Advance(size_t(m_bw.Out() - m_out->End()));
        return true;
    }

    // The parse with the match extension inlined, 32 bytes at a time where the processor can.
    void ParsePlain(size_t matchLimit) { Parse<&ExtendMatch>(matchLimit); }
#if CXIMG_X86
    CXIMG_AVX2 void ParseAvx2(size_t matchLimit) { Parse<&ExtendMatchAvx2>(matchLimit); }
#endif
    void (Deflater::*m_parse)(size_t) = &Deflater::ParsePlain;
    BitWriter m_bw{nullptr};
    std::unique_ptr<uint32_t[]> m_table;
    std::unique_ptr<Symbol[]> m_symbols;
    const uint8_t* m_in = nullptr;
    ByteSink* m_out = nullptr;
    size_t m_end = 0;         // the piece ends here
    size_t m_pos = 0;         // parsed up to here
    size_t m_blockStart = 0;  // input of the open block starts here
    size_t m_count = 0;       // symbols of the open block
    uint32_t m_misses = 0;
    int m_shift = 32 - kHashBits;  // hash values have 32 - m_shift bits
    uint32_t m_litFreq[kLitLenCodes];
    uint32_t m_distFreq[kDistCodes];
};

}  // namespace

// What DeflatePieceCompressor hides: the compressor of this file, its tables made on first use.
class DeflatePieceCompressor::Impl : public Deflater {};

DeflatePieceCompressor::DeflatePieceCompressor() = default;
DeflatePieceCompressor::~DeflatePieceCompressor() = default;

bool DeflatePieceCompressor::Compress(const uint8_t* in, size_t start, size_t end, bool last, ByteSink& out) {
    if (!m_impl) {
        m_impl.reset(new (std::nothrow) Impl);
        if (!m_impl || !m_impl->Init()) {
            m_impl.reset();
            return false;
        }
    }
    return m_impl->Compress(in, start, end, last, out);
}

bool ZlibCompress(const uint8_t* data, size_t size, ByteSink& out) {
    if (!out.Reserve(2)) return false;
    out.End()[0] = 0x78;  // deflate, 32K window
    out.End()[1] = 0x01;  // (0x7801 is a multiple of 31)
    out.Advance(2);
    DeflatePieceCompressor deflater;
    if (!deflater.Compress(data, 0, size, true, out) || !out.Reserve(4)) return false;
    const uint32_t adler = Adler32(1, data, size);
    uint8_t* p = out.End();
    p[0] = uint8_t(adler >> 24);
    p[1] = uint8_t(adler >> 16);
    p[2] = uint8_t(adler >> 8);
    p[3] = uint8_t(adler);
    out.Advance(4);
    return true;
}

void HuffmanCodeLengths(const uint32_t* freq, int n, int maxLen, uint8_t* lens) {
    BuildLengths(freq, n, maxLen, lens);
}

}  // namespace cximg
