// Our deflate compressor (greedy LZ77 with one hash probe, dynamic Huffman blocks or stored blocks),
// whole or piece by piece, and the checksums PNG needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace cximg {

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t size);

// A growable output buffer of bytes.
class ByteSink {
public:
    ByteSink() = default;
    ~ByteSink() { std::free(m_data); }
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;
    // Makes room for n more bytes; false when memory runs out.
    bool Reserve(size_t n);
    uint8_t* End() { return m_data + m_size; }
    void Advance(size_t n) { m_size += n; }
    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    size_t Capacity() const { return m_capacity; }
    // Empties the buffer and keeps its memory for what is written next.
    void Clear() { m_size = 0; }

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0, m_capacity = 0;
};

// Adler-32 of two pieces of data one after the other, from the checksum of each piece (each
// started at 1) and the second piece's length: pieces checked on different threads are joined.
uint32_t Adler32Combine(uint32_t first, uint32_t second, uint64_t secondLength);

// Raw deflate blocks (no zlib header or trailer) for one piece of a longer stream. The piece is
// in[start, end); the bytes before it are the window matches may reach into (at most the last
// 32 KB of them are used), as an inflater that has just produced them sees them. A piece that is
// not the last ends with an empty stored block, so its output ends on a byte boundary and the next
// piece's blocks follow it directly; the last piece ends with the final block. The tables are
// kept from piece to piece, so one compressor serves many pieces on one thread.
class DeflatePieceCompressor {
public:
    DeflatePieceCompressor();
    ~DeflatePieceCompressor();
    DeflatePieceCompressor(const DeflatePieceCompressor&) = delete;
    DeflatePieceCompressor& operator=(const DeflatePieceCompressor&) = delete;
    // False when memory runs out.
    bool Compress(const uint8_t* in, size_t start, size_t end, bool last, ByteSink& out);

private:
    class Impl;  // defined in deflate.cpp
    std::unique_ptr<Impl> m_impl;
};

// One whole zlib stream (header, deflate blocks, Adler-32) of data that is all in memory.
bool ZlibCompress(const uint8_t* data, size_t size, ByteSink& out);

// The compressor's Huffman code lengths for n <= 286 symbol frequencies: 0 for unused symbols (at
// least two symbols get a code), none longer than maxLen, and the code complete (its Kraft sum is
// exactly one), as inflaters require. Open for tests.
void HuffmanCodeLengths(const uint32_t* freq, int n, int maxLen, uint8_t* lens);

}  // namespace cximg
