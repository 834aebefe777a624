// Our deflate compressor (greedy LZ77 with one hash probe, dynamic Huffman blocks or stored blocks)
// and the checksums PNG needs.
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

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0, m_capacity = 0;
};

// One zlib stream (header, deflate blocks, Adler-32) written piece by piece into out. Memory use
// stays fixed whatever the input's length. Every call answers false when memory runs out.
class ZlibCompressor {
public:
    ZlibCompressor();
    ~ZlibCompressor();
    bool Begin(ByteSink& out);
    bool Write(const uint8_t* data, size_t size);
    bool Finish();

private:
    class Impl;  // defined in deflate.cpp
    std::unique_ptr<Impl> m_deflater;
    ByteSink* m_out = nullptr;
};

// The same for data that is all in memory.
bool ZlibCompress(const uint8_t* data, size_t size, ByteSink& out);

// The compressor's Huffman code lengths for n <= 286 symbol frequencies: 0 for unused symbols (at
// least two symbols get a code), none longer than maxLen, and the code complete (its Kraft sum is
// exactly one), as inflaters require. Open for tests.
void HuffmanCodeLengths(const uint32_t* freq, int n, int maxLen, uint8_t* lens);

}  // namespace cximg
